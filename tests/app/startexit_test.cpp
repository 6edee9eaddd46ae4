// The program body's start and exit steps around the store: what the user is told when the data
// file was damaged, and what the exit steps report.

#include "app/LockvexMsgdial.h"
#include "app/LockvexSession.h"
#include "app/MgrImportFiles.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrMainApp.h"
#include "app/ProgramBody.h"
#include "common/DateStamp.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "support/TestPlatform.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The entries' names as the lists show them, in key order.
QStringList NamesIn(TV9LockvexTbl &table)
{
    QStringList names;
    TPoolIndexRec *item = nullptr;
    for (bool more = table.GetFirstIndexItem(item, FullScan); more; more = table.GetNextIndexItem(item, FullScan))
        names << item->GetIndexedName();
    return names;
}

class StartExitSteps : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StampNow();
        Folder = desktop.Documents + QStringLiteral("/Lockvex");
        QDir().mkpath(Folder);
        Data = Folder + QStringLiteral("/TrelLockvex.acsdb");
        Imports = desktop.Home() + QStringLiteral("/imports");
        QDir().mkpath(Imports);
    }
    void TearDown() override
    {
        if (RunSession())
            RunExitSteps();
    }

    // A data file of the given entries with its newest backup, as a normal close leaves them.
    void MakeData(const QStringList &names)
    {
        TV9LockvexTbl table(true);
        ASSERT_TRUE(table.OpenPool(Data));
        for (const QString &name : names) {
            TLockvexRec rec;
            rec.SetName(name);
            (void)table.WriteLockvexRec(table.AddLockvexIndexItem(name), &rec);
        }
    }

    // In a child process that then ends as told: starts a run and imports, which writes a log
    // of the passwords beside the import file «imports/pw.csv».
    void StartAndWriteALog()
    {
        ScopedMessageResponder responder{runMessages};
        RunStartSteps(runMessages);
        QString log;
        int handle = -1;
        if (RunSession()->TempFiles->CreateImportLog(Imports + QStringLiteral("/pw"), log, handle) != 0)
            std::_Exit(3);
        if (::write(handle, "Accepted by User   Bank,secret\r\n", 33) != 33)
            std::_Exit(4);
    }

    QStringList DamagedFiles() const
    {
        return QDir(Folder).entryList({QStringLiteral("TrelLockvex.damaged-*")}, QDir::Files);
    }

    testing_support::TestPlatform desktop;
    platform::ScopedInstall guard{desktop};
    QString Folder, Data, Imports;
    TLockvexMessages runMessages; // the run's messages, from the start steps to the exit steps
};

TEST_F(StartExitSteps, ADamagedDataFileRestoredAtStartIsToldWithTheNameItIsKeptUnder)
{
    MakeData({QStringLiteral("kept")});
    WriteFile(Data, ReadFile(Data).left(LockvexRecSize - 10)); // cut inside the record
    ScopedMessageResponder responder{runMessages};
    RunStartSteps(runMessages);
    ASSERT_EQ(DamagedFiles().size(), 1);
    ASSERT_EQ(responder.Shown.size(), 1);
    EXPECT_EQ(responder.Shown[0].Caption, QStringLiteral("YOUR DATA FILE WAS DAMAGED"));
    EXPECT_EQ(responder.Shown[0].Text,
              QStringLiteral("It was restored from your last backup. The damaged file is kept as ") + Folder +
                  QLatin1Char('/') + DamagedFiles().first());
    EXPECT_EQ(responder.Shown[0].DlgType, mtWarning);
    EXPECT_EQ(responder.Shown[0].Buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(RunSession()->LockvexTbl->NumRecords(), 1);
    RunExitSteps();

    // A data file that opens as it is tells nothing.
    responder.Shown.clear();
    RunStartSteps(runMessages);
    EXPECT_TRUE(responder.Shown.isEmpty());
    RunExitSteps();
}

// Whatever lies at the data file's name and does not open goes by one rule: it is set aside as it
// was found and the user is told its new name and where the data came from (a backup, or the whole
// records at its front, or nothing). A link to a data file is followed; nothing waits on a pipe.
TEST_F(StartExitSteps, EveryShapeOfADataFileThatDoesNotOpenIsSetAsideAndTold)
{
    const QStringList four = {QStringLiteral("Bank"), QStringLiteral("Mail"), QStringLiteral("Shop"),
                              QStringLiteral("Zoo")};
    const QStringList firstThree = four.mid(0, 3);
    MakeData(four);
    const QByteArray good = ReadFile(Data);
    const QByteArray backup = ReadFile(Folder + QStringLiteral("/TrelLockvex.BAC0"));
    ASSERT_FALSE(backup.isEmpty());
    const QString elsewhere = desktop.Home() + QStringLiteral("/elsewhere");
    QDir().mkpath(elsewhere + QStringLiteral("/folder"));
    WriteFile(elsewhere + QStringLiteral("/folder/note"), "the user's");
    const QString fifo = elsewhere + QStringLiteral("/fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString linkedData = elsewhere + QStringLiteral("/TrelLockvex.acsdb");
    WriteFile(linkedData, good);

    enum Told { Nothing, Restored, NotRestored };
    struct Shape {
        const char *what;
        std::function<void()> make;
        Told withBackup, withoutBackup;
        QStringList listWithBackup, listWithoutBackup;
    };
    const auto writeData = [&](const QByteArray &bytes) { return [&, bytes] { WriteFile(Data, bytes); }; };
    const auto linkTo = [&](const QString &target) { return [&, target] { QFile::link(target, Data); }; };
    const Shape shapes[] = {
        {"0 bytes", writeData(QByteArray()), Restored, NotRestored, four, {}},
        {"1283 bytes", writeData(good.left(LockvexRecSize - 1)), Restored, NotRestored, four, {}},
        // The first three records whole, the fourth cut: they are kept, the backup being older.
        {"three records and 100 bytes", writeData(good.left(3 * LockvexRecSize + 100)), NotRestored, NotRestored,
         firstThree, firstThree},
        {"2 GiB, sparse",
         [&] {
             QFile file(Data);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(qint64(1) << 31));
         },
         Restored, NotRestored, four, {}},
        {"a link to a data file", linkTo(linkedData), Nothing, Nothing, four, four},
        {"a link to a folder", linkTo(elsewhere + QStringLiteral("/folder")), Restored, NotRestored, four, {}},
        {"a link to a pipe", linkTo(fifo), Restored, NotRestored, four, {}},
        {"a link to /dev/zero", linkTo(QStringLiteral("/dev/zero")), Restored, NotRestored, four, {}},
        {"a pipe", [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(Data).constData(), 0600), 0); }, Restored,
         NotRestored, four, {}},
        {"a folder", [&] { ASSERT_TRUE(QDir().mkpath(Data + QStringLiteral("/inside"))); }, Restored, NotRestored,
         four, {}},
    };
    // What a name holds, so that the file set aside can be compared with what was found: the
    // bytes' checksum, a link's target, the kind of anything else.
    const auto identity = [](const QString &path) {
        const QFileInfo info(path);
        if (info.isSymLink())
            return QStringLiteral("link to ") + info.symLinkTarget();
        if (info.isDir())
            return QStringLiteral("folder of ") + QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(',');
        if (!info.isFile())
            return QStringLiteral("special file");
        QFile file(path);
        QCryptographicHash md5(QCryptographicHash::Md5);
        if (!file.open(QIODevice::ReadOnly) || !md5.addData(&file))
            return QStringLiteral("unreadable");
        return QStringLiteral("%1 bytes, md5 %2").arg(info.size()).arg(QString::fromLatin1(md5.result().toHex()));
    };
    const auto setAside = [&] {
        return QDir(Folder).entryList({QStringLiteral("TrelLockvex.damaged-*")},
                                      QDir::AllEntries | QDir::System | QDir::Hidden);
    };
    for (const Shape &shape : shapes) {
        for (const bool withBackup : {true, false}) {
            SCOPED_TRACE(std::string(shape.what) + (withBackup ? ", with a good BAC0" : ", no backup"));
            for (const QString &name : QDir(Folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                                                  QDir::NoDotAndDotDot)) {
                const QString path = Folder + QLatin1Char('/') + name;
                if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
                    QDir(path).removeRecursively();
                else
                    QFile::remove(path);
            }
            if (withBackup)
                WriteFile(Folder + QStringLiteral("/TrelLockvex.BAC0"), backup);
            shape.make();
            const QString found = identity(Data);
            const Told told = withBackup ? shape.withBackup : shape.withoutBackup;

            ScopedMessageResponder responder{runMessages};
            ASSERT_TRUE(RunStartSteps(runMessages));
            EXPECT_EQ(NamesIn(*RunSession()->LockvexTbl),
                      withBackup ? shape.listWithBackup : shape.listWithoutBackup);
            const QStringList aside = setAside();
            if (told == Nothing) {
                EXPECT_TRUE(responder.Shown.isEmpty());
                EXPECT_EQ(aside, QStringList());
                EXPECT_EQ(identity(Data), found);
            } else {
                ASSERT_EQ(aside.size(), 1);
                const QString keptAs = Folder + QLatin1Char('/') + aside.first();
                EXPECT_EQ(identity(keptAs), found);
                ASSERT_EQ(responder.Shown.size(), 1);
                EXPECT_EQ(responder.Shown[0].Caption, QStringLiteral("YOUR DATA FILE WAS DAMAGED"));
                EXPECT_EQ(responder.Shown[0].Text,
                          (told == Restored
                               ? QStringLiteral("It was restored from your last backup. The damaged file is kept as ")
                               : QStringLiteral("There was no newer backup to restore it from: Lockvex kept the items "
                                                "that were whole in it, if any. The damaged file is kept unchanged as ")) +
                              keptAs);
                EXPECT_TRUE(QFileInfo(Data).isFile() && !QFileInfo(Data).isSymLink());
            }
            if (withBackup)
                EXPECT_EQ(ReadFile(Folder + QStringLiteral("/TrelLockvex.BAC0")), backup);
            RunExitSteps();
        }
    }
}

// A data file whose last record is cut, but that was damaged where it lay (its date older than the
// backup's): the newer backup is restored, and the whole records stay in the file set aside.
TEST_F(StartExitSteps, ACutDataFileOlderThanTheBackupIsRestoredFromTheBackup)
{
    MakeData({QStringLiteral("Bank"), QStringLiteral("Mail")});
    WriteFile(Data, ReadFile(Data).left(LockvexRecSize + 100));
    ASSERT_TRUE(platform::Current().SetLastWriteTime(Data, desktop.Clock.addDays(-1)));
    ScopedMessageResponder responder{runMessages};
    ASSERT_TRUE(RunStartSteps(runMessages));
    EXPECT_EQ(NamesIn(*RunSession()->LockvexTbl), (QStringList{QStringLiteral("Bank"), QStringLiteral("Mail")}));
    ASSERT_EQ(responder.Shown.size(), 1);
    EXPECT_TRUE(responder.Shown[0].Text.startsWith(QStringLiteral("It was restored from your last backup.")));
    RunExitSteps();
}

// The records kept from a cut file are fewer than the backup holds: the close keeps that backup as
// the older one rather than replace it by them.
TEST_F(StartExitSteps, TheBackupOutlivesTheCloseAfterTheWholeRecordsOfACutFileWereKept)
{
    MakeData({QStringLiteral("Bank"), QStringLiteral("Mail")});
    const QByteArray backup = ReadFile(Folder + QStringLiteral("/TrelLockvex.BAC0"));
    WriteFile(Data, ReadFile(Data).left(LockvexRecSize + 100));
    ScopedMessageResponder responder{runMessages};
    ASSERT_TRUE(RunStartSteps(runMessages));
    EXPECT_EQ(NamesIn(*RunSession()->LockvexTbl), QStringList{QStringLiteral("Bank")});
    RunExitSteps();
    EXPECT_EQ(ReadFile(Folder + QStringLiteral("/TrelLockvex.BAC1")), backup);
    EXPECT_NE(ReadFile(Folder + QStringLiteral("/TrelLockvex.BAC0")), backup);
}

// The settings file is read only from a plain file and written as a new file that takes its name:
// whatever else bears the name is moved aside with a note, never read, written through or waited
// on, and the run goes on with the default settings.
TEST_F(StartExitSteps, ASettingsFileThatIsNotAPlainFileIsSetAsideAndNeverWaitedOn)
{
    const QString ini = desktop.Documents + QStringLiteral("/Lockvex.INI");
    const QString elsewhere = desktop.Home() + QStringLiteral("/elsewhere");
    QDir().mkpath(elsewhere + QStringLiteral("/folder"));
    const QString target = elsewhere + QStringLiteral("/settings.ini");
    const QByteArray targetBytes = "[TrelLockvex]\nMainTop=5\n";
    WriteFile(target, targetBytes);
    struct Shape {
        const char *what;
        std::function<void()> make;
        QString kind; // what the set-aside name holds; empty: nothing is set aside
    };
    const Shape shapes[] = {
        {"a pipe", [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(ini).constData(), 0600), 0); }, "pipe"},
        {"a link to a file", [&] { QFile::link(target, ini); }, "link to " + target},
        {"a link to a folder", [&] { QFile::link(elsewhere + "/folder", ini); }, "link to " + elsewhere + "/folder"},
        {"a folder", [&] { QDir().mkpath(ini); }, "folder"},
        {"garbage", [&] { WriteFile(ini, QByteArray("\x01\xff[[[=\n==\nMainTop\n", 18)); }, QString()},
    };
    const auto kindOf = [](const QString &path) {
        const QFileInfo info(path);
        return info.isSymLink() ? "link to " + info.symLinkTarget()
               : info.isDir()   ? QStringLiteral("folder")
               : info.isFile()  ? QStringLiteral("file")
                                : QStringLiteral("pipe");
    };
    for (const Shape &shape : shapes) {
        SCOPED_TRACE(shape.what);
        for (const QString &name : QDir(desktop.Documents).entryList({QStringLiteral("Lockvex.INI*")},
                                                                     QDir::AllEntries | QDir::System)) {
            const QString path = desktop.Documents + QLatin1Char('/') + name;
            if (!QFile::remove(path))
                QDir(path).removeRecursively();
        }
        shape.make();
        ScopedMessageResponder responder{runMessages};
        ::testing::internal::CaptureStderr();
        ASSERT_TRUE(RunStartSteps(runMessages));
        TLVDlgProcs &procs = *RunSession()->LVDlgProcs;
        EXPECT_EQ(procs.ReadSetting(QStringLiteral("MainTop"), QStringLiteral("none")), QStringLiteral("none"));
        EXPECT_TRUE(procs.WriteSettings({{QStringLiteral("MainTop"), QStringLiteral("7")}}));
        RunExitSteps();
        const std::string told = ::testing::internal::GetCapturedStderr();
        EXPECT_TRUE(responder.Shown.isEmpty());
        EXPECT_EQ(kindOf(ini), QStringLiteral("file"));
        EXPECT_TRUE(ReadFile(ini).contains("MainTop=7"));
        EXPECT_EQ(ReadFile(target), targetBytes);
        const QStringList aside = QDir(desktop.Documents)
                                      .entryList({QStringLiteral("Lockvex.INI.set-aside-*")}, QDir::AllEntries | QDir::System);
        if (shape.kind.isEmpty()) {
            EXPECT_EQ(aside, QStringList());
            EXPECT_EQ(told, std::string());
        } else {
            ASSERT_EQ(aside.size(), 1);
            EXPECT_EQ(kindOf(desktop.Documents + QLatin1Char('/') + aside.first()), shape.kind);
            EXPECT_NE(told.find("Lockvex: the settings file " + ini.toStdString() + " is not a plain file; it is kept as "),
                      std::string::npos)
                << told;
        }
    }
}

// The mode the start decides, from where the program lies and whether another copy holds the data
// file: a held data file makes the run read-only on the PC and on a memory stick alike.
TEST_F(StartExitSteps, TheStartDecidesTheRunModeFromTheMediumAndTheDataFilesLock)
{
    const QString stick = desktop.Home() + QStringLiteral("/media/STICK");
    QDir().mkpath(stick);
    struct Case {
        const char *name;
        bool onStick, held;
        TRunMode::Kind kind;
        bool readOnly;
    };
    const Case cases[] = {{"PC", false, false, TRunMode::Kind::Normal, false},
                          {"PC, data held", false, true, TRunMode::Kind::ReadOnly, true},
                          {"stick", true, false, TRunMode::Kind::MemStick, false},
                          {"stick, data held", true, true, TRunMode::Kind::MemStick, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        desktop.RemovableMountPoints.clear();
        if (c.onStick)
            desktop.RemovableMountPoints << stick;
        desktop.ProgramPath = c.onStick ? stick + QStringLiteral("/lockvex") : QStringLiteral("/usr/bin/lockvex");
        const QString data = c.onStick ? stick + QStringLiteral("/TrelLockvex.acsdb") : Data;
        TV9LockvexTbl otherCopy(true);
        if (c.held)
            ASSERT_TRUE(otherCopy.LockDataFile(data, QStringLiteral("bob on desk")));
        ASSERT_TRUE(RunStartSteps(runMessages));
        const TRunState &run = RunSession()->Run;
        EXPECT_EQ(run.Mode.RunKind(), c.kind);
        EXPECT_EQ(run.Mode.MemStickMode(), c.onStick);
        EXPECT_EQ(run.Mode.ReadOnlyMode(), c.readOnly);
        EXPECT_EQ(RunSession()->LockvexTbl->ReadOnlyMode(), c.readOnly);
        EXPECT_EQ(RunSession()->LockvexTbl->IsRunOnMemstick(), c.onStick);
        EXPECT_EQ(run.Folders.DataFileName, data);
        EXPECT_EQ(run.Folders.DataUserName, c.held ? QStringLiteral("bob on desk") : QString());
        RunExitSteps();
    }
}

// A close that writes the data file but cannot make its backup (a full disk, a failed rename)
// tells the user, with the day of the backup there is, besides stderr. At an ending signal nobody
// is asked: the next start tells it, once.
TEST_F(StartExitSteps, ABackupThatFailsAtExitIsToldToTheUser)
{
    using testing_support::StorageOp;
    struct Case {
        const char *what;
        StorageOp op;
        const char *pathEnd;
        int error;
        const char *onStderr;
    };
    const Case cases[] = {
        {"a full disk", StorageOp::Write, ".TEMP.lvtmp", ENOSPC, "TrelLockvex.TEMP could not be written"},
        {"a failed rename", StorageOp::Rename, ".BAC0", EIO, "TrelLockvex.TEMP could not be renamed"},
    };
    MakeData({QStringLiteral("kept")});
    const QString bac0 = Folder + QStringLiteral("/TrelLockvex.BAC0");
    const QByteArray backup = ReadFile(bac0);
    const auto backupNotMade = [](const TShownMessage &shown) {
        return shown.Caption == QStringLiteral("TODAY'S BACKUP WAS NOT MADE") &&
               shown.Text.startsWith(QStringLiteral("Lockvex could not write the backup of your data file. Your "
                                                    "data file itself is saved. Your last backup: ")) &&
               shown.Text.endsWith(QStringLiteral(". Free some space on the disk: Lockvex makes the backup again "
                                                  "when it next closes.")) &&
               shown.Text.contains(QStringLiteral("2026")) && shown.DlgType == mtWarning;
    };
    for (const Case &c : cases) {
        for (const bool onSignal : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (onSignal ? ", ending signal" : ", normal exit"));
            ScopedMessageResponder responder{runMessages};
            ASSERT_TRUE(RunStartSteps(runMessages));
            ASSERT_TRUE(responder.Shown.isEmpty());
            desktop.FailStorage = [&c](StorageOp op, const QString &path, qint64, qint64) {
                return op == c.op && path.endsWith(QLatin1String(c.pathEnd)) ? c.error : 0;
            };
            runMessages.SetQuietClose(onSignal);
            ::testing::internal::CaptureStderr();
            RunExitSteps();
            const std::string told = ::testing::internal::GetCapturedStderr();
            desktop.FailStorage = nullptr;
            runMessages.SetQuietClose(false);
            EXPECT_NE(told.find(c.onStderr), std::string::npos) << told;
            EXPECT_EQ(ReadFile(bac0), backup);
            if (onSignal) {
                EXPECT_TRUE(responder.Shown.isEmpty());
                // The next start tells it, and only that one.
                ASSERT_TRUE(RunStartSteps(runMessages));
                RunSession()->LockvexTbl->SetRunOnMemstick(true); // this close makes no backup
                RunExitSteps();
            }
            ASSERT_EQ(responder.Shown.size(), 1);
            EXPECT_TRUE(backupNotMade(responder.Shown[0])) << responder.Shown[0].Caption.toStdString() << ": "
                                                           << responder.Shown[0].Text.toStdString();
            QFile::remove(Folder + QStringLiteral("/TrelLockvex.TEMP")); // the copy kept by a failed rename
        }
    }

    // An exit that goes well tells nothing, nor does the start after it.
    ScopedMessageResponder responder{runMessages};
    RunStartSteps(runMessages);
    ::testing::internal::CaptureStderr();
    RunExitSteps();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), std::string());
    RunStartSteps(runMessages);
    RunExitSteps();
    EXPECT_TRUE(responder.Shown.isEmpty());
}

// A run that did not end normally (killed: no exit step ran) leaves its import log behind; the
// next start removes it, and only while it is still the file that run made.
TEST_F(StartExitSteps, ALogLeftByARunThatDidNotEndIsRemovedAtTheNextStart)
{
    MakeData({QStringLiteral("kept")});
    for (const bool replacedMeanwhile : {false, true}) {
        SCOPED_TRACE(replacedMeanwhile ? "the name now names the user's file" : "the log as it was made");
        EXPECT_EXIT(
            {
                StartAndWriteALog();
                std::_Exit(9); // as killed: nothing of the exit steps runs
            },
            ::testing::ExitedWithCode(9), "");
        const QString log = Imports + QStringLiteral("/pw Log.txt");
        ASSERT_TRUE(QFile::exists(log));
        if (replacedMeanwhile) {
            WriteFile(Imports + QStringLiteral("/mine"), "the user's own");
            ASSERT_TRUE(QFile::remove(log) && QFile::rename(Imports + QStringLiteral("/mine"), log));
        }
        ScopedMessageResponder responder{runMessages};
        RunStartSteps(runMessages);
        EXPECT_EQ(QFile::exists(log), replacedMeanwhile);
        RunExitSteps();
        if (replacedMeanwhile)
            EXPECT_EQ(ReadFile(log), "the user's own");
        QFile::remove(log);
    }
}

// Qt on X11 ends the program with exit(1) when the display connection breaks. What needs no
// window still happens as on an ending signal: the import's log goes and the data closes with
// its newest backup.
TEST_F(StartExitSteps, AnExitCallDuringTheRunStillRemovesTheImportFilesAndClosesTheData)
{
    MakeData({QStringLiteral("kept")});
    QFile::remove(Folder + QStringLiteral("/TrelLockvex.BAC0"));
    EXPECT_EXIT(
        {
            EndRunOnExit();
            StartAndWriteALog();
            std::exit(1);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_FALSE(QFile::exists(Imports + QStringLiteral("/pw Log.txt")));
    EXPECT_TRUE(QFile::exists(Folder + QStringLiteral("/TrelLockvex.BAC0")));
    // The next start finds nothing left to remove and forgets the log.
    ScopedMessageResponder responder{runMessages};
    RunStartSteps(runMessages);
    RunExitSteps();
    EXPECT_FALSE(ReadFile(desktop.Documents + QStringLiteral("/Lockvex.INI")).contains("ImportLogs"));
}

} // namespace
