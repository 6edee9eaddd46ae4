// The program as the user starts and ends it: a first start on a new home creates the data file
// and an ending signal (logout's SIGTERM, SIGINT, SIGHUP) closes it as a normal exit does,
// leaving the newest backup and no TEMP file. The program keeps its secrets out of core dumps,
// and every file it writes that holds entries is its owner's only, whatever the umask, with no
// temporary file left in the data folder after an exit, also after a kill.

#include "ChildProcess.h"
#include "PoolContent.h"

#include "common/DateStamp.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstring>
#include <iostream>
#include <map>
#include <sys/stat.h>

using namespace program_test;

namespace
{

constexpr int ReadyTimeoutMs = 20000;

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int ModeOf(const QString &path)
{
    struct stat info {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

class ProgramTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StampNow();
        Home = home_.path();
        DataFolder = Home + QStringLiteral("/Documents/Lockvex");
        Data = DataFolder + QStringLiteral("/TrelLockvex.acsdb");
    }

    std::unique_ptr<ChildProcess> StartProgram()
    {
        return std::make_unique<ChildProcess>(QStringLiteral(LOCKVEX_PROGRAM), QStringList(), HomeEnvironment(Home),
                                              Home + QStringLiteral("/program.err"));
    }

    // Waits until the program handles the ending signals and its data file is there (a new one:
    // until it has its ten blank slots).
    ::testing::AssertionResult WaitUntilReady(ChildProcess &program, int signalNumber, bool newDataFile = false)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ReadyTimeoutMs);
        while (Clock::now() < deadline) {
            if (program.WaitFor(0))
                return ::testing::AssertionFailure() << "the program ended by itself, status " << program.Wait() << "\n"
                                                     << ErrorOutput();
            const qint64 size = QFileInfo(Data).size();
            if (program.Catches(signalNumber) && (newDataFile ? size == 10 * LockvexRecSize : size > 0))
                return ::testing::AssertionSuccess();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return ::testing::AssertionFailure() << "the program did not get ready\n" << ErrorOutput();
    }

    // Sends the signal and waits for the program to end on its own; true when it ended normally.
    ::testing::AssertionResult EndWith(ChildProcess &program, int signalNumber)
    {
        program.Signal(signalNumber);
        if (!program.WaitFor(ReadyTimeoutMs))
            return ::testing::AssertionFailure() << "the program did not end on signal " << signalNumber;
        const int status = program.Wait();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return ::testing::AssertionFailure() << "ended with status " << status << "\n" << ErrorOutput();
        return ::testing::AssertionSuccess();
    }

    std::string ErrorOutput() const
    {
        QFile err(Home + QStringLiteral("/program.err"));
        return err.open(QIODevice::ReadOnly) ? err.readAll().toStdString() : std::string();
    }

    // Runs the crash driver on the same home to completion (or, with killAfterLines, kills it
    // when it has printed that many lines and delayUs more), and returns what it printed.
    std::vector<std::string> RunDriver(const QStringList &args, size_t killAfterLines = 0, int delayUs = 0)
    {
        ChildProcess driver(QStringLiteral(LOCKVEX_CRASH_DRIVER), args, HomeEnvironment(Home),
                            Home + QStringLiteral("/driver.err"));
        std::vector<std::string> lines;
        bool killed = false;
        while (driver.ReadLines(5000, lines)) {
            if (killAfterLines > 0 && !killed && lines.size() >= killAfterLines) {
                std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
                driver.Signal(SIGKILL);
                killed = true;
            }
        }
        const int status = driver.Wait();
        if (killAfterLines == 0)
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "driver status " << status;
        return lines;
    }

    QStringList FilesInDataFolder() const { return QDir(DataFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QStringList Temporaries() const
    {
        QStringList left;
        for (const QString &name : FilesInDataFolder())
            if (name.contains(QStringLiteral(".lvtmp")) || name.endsWith(QStringLiteral(".TEMP")) ||
                name.endsWith(QStringLiteral(".lvjournal")))
                left << name;
        return left;
    }

    // Every file of the data folder holds entries (data, backups, TEMP copy, log, temporaries).
    void ExpectOwnerOnly(const std::string &when) const
    {
        for (const QString &name : FilesInDataFolder())
            EXPECT_EQ(ModeOf(DataFolder + QLatin1Char('/') + name), 0600) << when << ": " << name.toStdString();
    }

    QTemporaryDir home_;
    QString Home, DataFolder, Data;
};

// ---------------------------------------------------------------------------------------------
// The first start and the exit on an ending signal

class EndingSignal : public ProgramTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(EndingSignal, ANewHomeGetsAnEmptyDataFileAndTheSignalEndsAsANormalExit)
{
    const int signalNumber = GetParam();
    ASSERT_FALSE(QFileInfo::exists(Home + QStringLiteral("/Documents")));
    auto program = StartProgram();
    ASSERT_TRUE(program->Started());
    ASSERT_TRUE(WaitUntilReady(*program, signalNumber, true));

    EXPECT_EQ(QFileInfo(Data).size(), 12840);
    {
        TPoolMgr pool(LockvexRecSize);
        pool.SetIndexedFile(Yes);
        ASSERT_TRUE(pool.OpenPool(Data, DontCreateEmpty));
        EXPECT_EQ(pool.GetControl().PoolNRecs, 10);
        EXPECT_EQ(pool.NumRecords(), 0); // ten blank slots
    }

    ASSERT_TRUE(EndWith(*program, signalNumber));
    EXPECT_EQ(FilesInDataFolder(),
              (QStringList{QStringLiteral("TrelLockvex.BAC0"), QStringLiteral("TrelLockvex.acsdb")}));
    EXPECT_EQ(QFileInfo(DataFolder + QStringLiteral("/TrelLockvex.BAC0")).size(), 0); // the copy of no entries
    EXPECT_EQ(QFileInfo(Data).size(), 12840);
}

INSTANTIATE_TEST_SUITE_P(ProgramExit, EndingSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::string(info.param == SIGTERM  ? "SIGTERM"
                                                : info.param == SIGINT ? "SIGINT"
                                                                       : "SIGHUP");
                         });

// ---------------------------------------------------------------------------------------------
// Two copies on one data file

// A whole write journal of the data file for slot 0, as a save of the first copy leaves it
// between its two flushes.
QByteArray JournalForFirstSlot(const QString &data)
{
    struct stat info {
    };
    EXPECT_EQ(::stat(QFile::encodeName(data).constData(), &info), 0);
    QByteArray record(LockvexRecSize, '\0');
    QByteArray journal(48, '\0');
    const uint64_t device = info.st_dev, inode = info.st_ino;
    const int64_t position = 0, size = LockvexRecSize;
    std::memcpy(journal.data(), "LVJRNL01", 8);
    std::memcpy(journal.data() + 8, &device, 8);
    std::memcpy(journal.data() + 16, &inode, 8);
    std::memcpy(journal.data() + 24, &position, 8);
    std::memcpy(journal.data() + 32, &size, 8);
    uint64_t hash = 14695981039346656037ull; // FNV-1a over bytes 0 to 39 and the record
    for (const QByteArray &part : {journal.left(40), record})
        for (char c : part)
            hash = (hash ^ uint8_t(c)) * 1099511628211ull;
    std::memcpy(journal.data() + 40, &hash, 8);
    return journal + record;
}

// True once the process has been asleep (state S) for half a second on end.
bool WaitUntilIdle(ChildProcess &program)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(ReadyTimeoutMs);
    int asleep = 0;
    while (Clock::now() < deadline && asleep < 10) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(program.Pid()));
        QByteArray line;
        if (stat.open(QIODevice::ReadOnly))
            line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        asleep = close > 0 && line.mid(close + 2, 1) == "S" ? asleep + 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return asleep >= 10;
}

// A second copy started while the first runs opens the data read-only: also when the first
// copy's lock file was deleted meanwhile (by a user tidying hidden files, or by a sync client).
TEST_F(ProgramTest, ASecondCopyRunsReadOnlyAndLeavesTheFirstCopysFilesAlone)
{
    for (const bool deleteLockFile : {false, true}) {
        SCOPED_TRACE(deleteLockFile ? "lock file deleted" : "lock file in place");
        auto first = StartProgram();
        ASSERT_TRUE(WaitUntilReady(*first, SIGTERM, true));
        // Its start is over (the data file opened) once it waits in its event loop.
        ASSERT_TRUE(WaitUntilIdle(*first));
        const QString lockFile = DataFolder + QStringLiteral("/.TrelLockvex.acsdb.lvlock");
        EXPECT_TRUE(QFileInfo::exists(lockFile));
        if (deleteLockFile)
            ASSERT_TRUE(QFile::remove(lockFile));
        // The first copy is in the middle of a save: its journal is written, its record not yet.
        const QString journal = DataFolder + QStringLiteral("/.TrelLockvex.acsdb.lvjournal");
        {
            QFile file(journal);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(JournalForFirstSlot(Data));
        }
        std::map<QString, QByteArray> before;
        for (const QString &name : FilesInDataFolder())
            before[name] = FileBytes(DataFolder + QLatin1Char('/') + name);

        auto second = StartProgram();
        ASSERT_TRUE(WaitUntilReady(*second, SIGTERM));
        ASSERT_TRUE(EndWith(*second, SIGTERM));
        // The second copy replayed no journal, made no copy, turned no backup and took no lock.
        std::map<QString, QByteArray> after;
        for (const QString &name : FilesInDataFolder())
            after[name] = FileBytes(DataFolder + QLatin1Char('/') + name);
        EXPECT_EQ(after, before);

        ASSERT_TRUE(EndWith(*first, SIGTERM));
        EXPECT_TRUE(QFileInfo::exists(DataFolder + QStringLiteral("/TrelLockvex.BAC0")));
        EXPECT_FALSE(QFileInfo::exists(lockFile)); // the first copy let its lock go at its close
        QFile::remove(journal);
    }
}

// ---------------------------------------------------------------------------------------------
// Secrets hygiene

TEST_F(ProgramTest, CoreDumpsAreOffForTheProgram)
{
    // The routine itself, in a process of its own: the test runner stays dumpable.
    ChildProcess check(QStringLiteral(LOCKVEX_CRASH_DRIVER), {QStringLiteral("--protect-check")}, {},
                       Home + QStringLiteral("/check.err"));
    std::vector<std::string> lines;
    check.ReadToEnd(lines);
    check.Wait();
    EXPECT_EQ(lines, std::vector<std::string>{"core 0 0 dumpable 0"});

    // The program as it runs.
    auto program = StartProgram();
    ASSERT_TRUE(WaitUntilReady(*program, SIGTERM, true));
    QFile limits(QStringLiteral("/proc/%1/limits").arg(program->Pid()));
    ASSERT_TRUE(limits.open(QIODevice::ReadOnly));
    QStringList core;
    for (const QByteArray &line : limits.readAll().split('\n'))
        if (line.startsWith("Max core file size"))
            core = QString::fromLatin1(line.mid(18)).simplified().split(QLatin1Char(' '));
    EXPECT_EQ(core.mid(0, 2), (QStringList{QStringLiteral("0"), QStringLiteral("0")})) << "soft and hard limit";
    if (::geteuid() != 0) // a process that is not dumpable has its /proc files owned by root
        EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/environ").arg(program->Pid())).ownerId(), 0u);
    EXPECT_TRUE(EndWith(*program, SIGTERM));
}

class Umask022 : public ProgramTest
{
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        saved_ = ::umask(022);
    }
    void TearDown() override
    {
        ::umask(saved_);
        ProgramTest::TearDown();
    }

private:
    mode_t saved_ = 022;
};

TEST_F(Umask022, EveryFileWithEntriesIsTheOwnersOnlyAndNoTemporaryOutlivesAnExit)
{
    // A first start and its exit.
    {
        auto program = StartProgram();
        ASSERT_TRUE(WaitUntilReady(*program, SIGTERM, true));
        ASSERT_TRUE(EndWith(*program, SIGTERM));
    }
    ExpectOwnerOnly("after the first start");

    // Saves, with the log written in clear at the exit (the support request), then a day later
    // more saves, so that the close moves BAC0 to BAC1.
    const QStringList save = {QStringLiteral("--cycles"), QStringLiteral("1"), QStringLiteral("--ops"),
                              QStringLiteral("8")};
    RunDriver(save + QStringList{QStringLiteral("--run"), QStringLiteral("1"), QStringLiteral("--plain-exit")});
    EXPECT_TRUE(QFileInfo::exists(DataFolder + QStringLiteral("/TrelLockvex.CSV")));
    ExpectOwnerOnly("after saving, with the log");
    RunDriver(save +
              QStringList{QStringLiteral("--run"), QStringLiteral("2"), QStringLiteral("--day"), QStringLiteral("1")});
    EXPECT_TRUE(QFileInfo::exists(DataFolder + QStringLiteral("/TrelLockvex.BAC1")));
    ExpectOwnerOnly("after a close that rotated the backups");

    // The program again: the entries have passwords now, so it waits at the sign-in; logging out
    // there still ends as a normal exit.
    {
        auto program = StartProgram();
        ASSERT_TRUE(WaitUntilReady(*program, SIGTERM));
        ASSERT_TRUE(EndWith(*program, SIGTERM));
    }
    ExpectOwnerOnly("after the second start");
    EXPECT_EQ(Temporaries(), QStringList());

    // Kills in the middle of saves and closes leave temporaries; they are the owner's only, and
    // the next start and exit leave none.
    QStringList seen;
    for (int kill = 0; kill < 8; ++kill) {
        SCOPED_TRACE(kill);
        // ops 4: lines open, 4 saving/saved pairs, closing (10), closed
        const size_t after = kill % 2 == 0 ? 10 : 3 + size_t(kill);
        RunDriver(QStringList{QStringLiteral("--run"), QString::number(10 + kill), QStringLiteral("--ops"),
                              QStringLiteral("4"), QStringLiteral("--day"), QString::number(2 + kill)},
                  after, 300 * kill);
        seen << Temporaries();
        ExpectOwnerOnly("after a kill");
        auto program = StartProgram();
        ASSERT_TRUE(WaitUntilReady(*program, SIGTERM));
        ASSERT_TRUE(EndWith(*program, SIGTERM));
        EXPECT_EQ(Temporaries(), QStringList()) << "after the next start and exit";
        ExpectOwnerOnly("after the next start and exit");
    }
    // The program itself killed in the middle of its exit, after the signal: the same.
    for (int kill = 0; kill < 6; ++kill) {
        SCOPED_TRACE(kill);
        auto program = StartProgram();
        ASSERT_TRUE(WaitUntilReady(*program, SIGTERM));
        program->Signal(SIGTERM);
        std::this_thread::sleep_for(std::chrono::microseconds(1000 + 1500 * kill));
        program->Signal(SIGKILL);
        program->Wait();
        seen << Temporaries();
        ExpectOwnerOnly("after the program was killed in its exit");
        auto next = StartProgram();
        ASSERT_TRUE(WaitUntilReady(*next, SIGTERM));
        ASSERT_TRUE(EndWith(*next, SIGTERM));
        EXPECT_EQ(Temporaries(), QStringList()) << "after the next start and exit";
    }
    seen.removeDuplicates();
    std::cout << "temporaries left by the kills: " << seen.join(QLatin1Char(' ')).toStdString() << std::endl;

    // The data is whole and every file with entries holds them enciphered.
    const PoolContent data = ReadDataFile(Data);
    EXPECT_TRUE(data.Whole()) << data.Problem.toStdString();
    EXPECT_FALSE(data.Versions.empty());
    for (const QString &name : FilesInDataFolder())
        if (!name.endsWith(QStringLiteral(".CSV")))
            EXPECT_FALSE(FileBytes(DataFolder + QLatin1Char('/') + name).contains("example.com")) << name.toStdString();
}

} // namespace
