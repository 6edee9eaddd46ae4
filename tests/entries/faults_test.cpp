// I/O faults: a run of the program's store work (open with recovery, saving new entries, a save
// that grows the file, a change, a deletion, the close with its TEMP copy, rotation and backup)
// is first run cleanly while its file operations that can fail as on a full or removed disk are
// counted (writes, flushes, file creations, copies, renames); then it is run once for every n
// with the n-th operation failing, and once with every operation from the n-th on failing.
// Afterwards the data file opens (recovering if it must) with every entry saved before the
// fault, every step that answered success has its effect on disk (a failure is never reported
// as success), no backup was replaced by a file that holds less, and no temporary is left.

#include "EntryTestSupport.h"

#include "common/DateStamp.h"
#include "common/Win1252.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "platform/Platform.h"
#include "store/PoolFile.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "support/CrashEntries.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace
{

using Versions = std::map<QString, int>;
constexpr int Absent = -1;

// Counts the operations that can fail as on a full or removed disk, and fails the chosen ones.
struct FaultInjector {
    enum Kind { CountOnly, FailOne, FailFromOn };
    Kind Mode = CountOnly;
    int FailAt = 0;
    int Ops = 0;
    int Injected = 0;
    std::vector<std::string> Seen; // "write <file>": what each operation was, for messages

    bool Fails(const std::string &what, const QString &path)
    {
        ++Ops;
        Seen.push_back(what + ' ' + QFileInfo(path).fileName().toStdString());
        const bool fail = (Mode == FailOne && Ops == FailAt) || (Mode == FailFromOn && Ops >= FailAt);
        Injected += fail ? 1 : 0;
        return fail;
    }
};

// A step of the run and what it told its caller.
struct Step {
    std::string What;
    int FirstOp = 0, LastOp = 0; // the operations it made
    bool Reported = true;        // it answered success
};

// A backup or data file as this test's entries: name -> version.
struct Content {
    Versions Entries;
    bool Opens = false;
    bool Whole = true;
};

Content ContentOf(TPoolMgr &pool, bool opens)
{
    Content c;
    c.Opens = opens;
    TLockvexRec rec;
    int slot = NoKey;
    for (bool more = pool.ReadFirst(slot, &rec, SkipDeleted); more; more = pool.ReadNext(slot, &rec, SkipDeleted)) {
        const int version = crash_entries::VersionOf(rec.GetPIN());
        const crash_entries::Fields f = crash_entries::EntryFields(rec.GetName(), version);
        c.Whole = c.Whole && version >= 0 && rec.GetPassword() == f.Password && rec.GetURL() == f.URL &&
                  rec.GetAccountNotes() == win1252::FromUnicode(f.Notes) && rec.GetMemData4() == f.Answer[3];
        c.Entries[rec.GetName()] = version;
    }
    return c;
}

Content ReadBackup(const QString &path)
{
    TPoolMgr pool(LockvexRecSize);
    pool.SetIndexedFile(Yes);
    const bool opens = QFileInfo(path).size() == 0 || pool.OpenPool(path, DontCreateEmpty);
    return ContentOf(pool, opens);
}

struct FileImage {
    QByteArray Bytes;
    QDateTime LastWrite;
};

class IOFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        guard_ = std::make_unique<platform::ScopedInstall>(Platform);
        StampNow();
        // The faults are injected, not met on a disk: the files may lie in memory, where the
        // hundreds of flushes of this test cost nothing.
        const QString parent = QFileInfo(QStringLiteral("/dev/shm")).isWritable() && memory_.isValid()
                                   ? memory_.path()
                                   : Platform.Documents;
        Folder = parent + QStringLiteral("/Lockvex");
        QDir().mkpath(Folder);
        Data = Folder + QStringLiteral("/TrelLockvex.acsdb");
        Bac0 = Folder + QStringLiteral("/TrelLockvex.BAC0");
        Bac1 = Folder + QStringLiteral("/TrelLockvex.BAC1");
        Log = Folder + QStringLiteral("/TrelLockvex.CSV");
    }

    void TearDown() override
    {
        ClearFaults();
    }

    void InstallFaults()
    {
        using testing_support::StorageOp;
        Platform.FailStorage = [this](StorageOp op, const QString &path, qint64, qint64) {
            const char *what = op == StorageOp::Write         ? "write"
                               : op == StorageOp::Sync        ? "flush"
                               : op == StorageOp::Create      ? "create"
                               : op == StorageOp::Copy        ? "copy"
                               : op == StorageOp::Rename      ? "rename"
                               : op == StorageOp::FlushFolder ? "flushfolder"
                                                              : nullptr;
            return what && Faults.Fails(what, path) ? (Faults.Mode == FaultInjector::FailFromOn ? EIO : ENOSPC) : 0;
        };
    }
    void ClearFaults() { Platform.FailStorage = nullptr; }

    void SetDay(int day)
    {
        Platform.Clock = QDateTime(QDate(2026, 3, 9).addDays(day), QTime(14, 5, 59));
        StampNow();
    }

    // ---- The program's store work, as the windows drive it

    void OpenTable()
    {
        table_ = std::make_unique<TV9LockvexTbl>(true);
        lists_.LockvexTbl = items_.LockvexTbl = table_.get();
        Opened = table_->OpenPool(Data);
        lists_.BuildLockvexStrings();
        lists_.BuildPasswordStrings(QString());
    }

    void CloseTable(bool plain = false)
    {
        if (plain)
            table_->SetEncryptedRecs(No);
        table_.reset(); // TEMP copy, close, backups
    }

    bool Save(int key, const QString &name, int version)
    {
        const crash_entries::Fields f = crash_entries::EntryFields(name, version);
        ItemManagerParams p = items_.LoadWebItem(key);
        crash_entries::FillParams(p, f);
        return items_.SaveWebItem(key, p);
    }

    bool AddNew(const QString &name)
    {
        items_.ClearWebRecord();
        return Save(items_.AddItem(name), name, 1);
    }

    bool Delete(const QString &name) { return items_.DeleteItem(table_->GetKey(name), UpdatePermission); }

    // ---- Starting states

    // e0..e8 saved on day 0; e0 changed on day 1: BAC1 holds day 0, BAC0 and the data day 1.
    void MakeBase(bool plainLastExit)
    {
        SetDay(0);
        OpenTable();
        for (int i = 0; i < 9; ++i)
            ASSERT_TRUE(AddNew(QStringLiteral("e%1").arg(i)));
        CloseTable();
        SetDay(1);
        OpenTable();
        ASSERT_TRUE(Save(table_->GetKey(QStringLiteral("e0")), QStringLiteral("e0"), 2));
        CloseTable(plainLastExit);
        ASSERT_EQ(ReadBackup(Bac1).Entries.at(QStringLiteral("e0")), 1);
        ASSERT_EQ(ReadBackup(Bac0).Entries.at(QStringLiteral("e0")), 2);
    }

    std::map<QString, FileImage> TakeImage() const
    {
        std::map<QString, FileImage> image;
        for (const QFileInfo &info : QDir(Folder).entryInfoList(QDir::Files | QDir::Hidden)) {
            QFile file(info.filePath());
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            image[info.fileName()] = {file.readAll(), info.lastModified()};
        }
        return image;
    }

    void RestoreImage(const std::map<QString, FileImage> &image) const
    {
        for (const QString &name : QDir(Folder).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(Folder + QLatin1Char('/') + name);
        for (const auto &[name, file] : image) {
            QFile out(Folder + QLatin1Char('/') + name);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(file.Bytes);
            out.setFileTime(file.LastWrite, QFileDevice::FileModificationTime);
            out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
    }

    void Damage(const QString &path) const
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(100)); // not one whole record
        file.setFileTime(Platform.Clock.addDays(-1), QFileDevice::FileModificationTime);
    }

    // ---- The run under test: a day after the base, so that its close also rotates the backups.

    std::vector<Step> RunSession()
    {
        std::vector<Step> steps;
        const auto step = [&](const std::string &what, const std::function<bool()> &work) {
            Step s{what, Faults.Ops + 1, 0, true};
            s.Reported = work();
            s.LastOp = Faults.Ops;
            steps.push_back(s);
        };
        SetDay(2);
        step("open", [&] {
            OpenTable();
            return Opened;
        });
        step("save new n1", [&] { return AddNew(QStringLiteral("n1")); });
        step("save new n2 (grows the file)", [&] { return AddNew(QStringLiteral("n2")); });
        step("change e2", [&] { return Save(table_->GetKey(QStringLiteral("e2")), QStringLiteral("e2"), 2); });
        step("delete e4", [&] { return Delete(QStringLiteral("e4")); });
        step("change n1", [&] {
            const int key = table_->GetKey(QStringLiteral("n1"));
            return key != NoKey && Save(key, QStringLiteral("n1"), 2);
        });
        step("close: TEMP copy, rotation, backup", [&] {
            CloseTable();
            return true;
        });
        return steps;
    }

    // What the data must hold after the run: name -> the versions that are right (Absent: gone).
    static std::map<QString, std::set<int>> Expected(const Versions &before, const std::vector<Step> &steps)
    {
        std::map<QString, std::set<int>> expected;
        for (const auto &[name, version] : before)
            expected[name] = {version};
        const auto apply = [&](const QString &name, int version, bool reported) {
            if (!expected.count(name))
                expected[name] = {Absent};
            if (reported)
                expected[name] = {version};
            else
                expected[name].insert(version); // a failed step may still have taken effect
        };
        for (const Step &s : steps) {
            if (s.What == "save new n1")
                apply(QStringLiteral("n1"), 1, s.Reported);
            else if (s.What == "save new n2 (grows the file)")
                apply(QStringLiteral("n2"), 1, s.Reported);
            else if (s.What == "change e2")
                apply(QStringLiteral("e2"), 2, s.Reported);
            else if (s.What == "delete e4")
                apply(QStringLiteral("e4"), Absent, s.Reported);
            else if (s.What == "change n1")
                apply(QStringLiteral("n1"), 2, s.Reported);
        }
        return expected;
    }

    // Entries of content that are not as expected: missing, at a wrong version, or never saved.
    static int Mismatches(const Content &content, const std::map<QString, std::set<int>> &expected, std::string &detail)
    {
        int bad = 0;
        for (const auto &[name, allowed] : expected) {
            auto at = content.Entries.find(name);
            const int found = at == content.Entries.end() ? Absent : at->second;
            if (!allowed.count(found)) {
                ++bad;
                detail += ' ' + name.toStdString() + '=' + std::to_string(found);
            }
        }
        for (const auto &[name, version] : content.Entries)
            if (!expected.count(name)) {
                ++bad;
                detail += " unexpected " + name.toStdString();
            }
        return bad;
    }

    QStringList Temporaries() const
    {
        QStringList left;
        for (const QString &name : QDir(Folder).entryList(QDir::Files | QDir::Hidden))
            if (name.contains(QStringLiteral(".lvtmp")) || name.endsWith(QStringLiteral(".TEMP")) ||
                name.endsWith(QStringLiteral(".lvjournal")))
                left << name;
        return left;
    }

    struct Tally {
        int Runs = 0, Faults = 0, EntriesLost = 0, StepsHit = 0, StepsToldOfFailure = 0;
    };

    // Runs the session with every fault position in both modes, from the starting image.
    void RunEveryFault(const std::string &scenario, const std::map<QString, FileImage> &start, const Versions &saved)
    {
        RestoreImage(start);
        Faults = FaultInjector{};
        InstallFaults();
        const std::vector<Step> clean = RunSession();
        ClearFaults();
        const int total = Faults.Ops;
        const std::vector<std::string> names = Faults.Seen;
        for (const Step &s : clean)
            ASSERT_TRUE(s.Reported) << scenario << ": " << s.What << " fails without a fault";
        ASSERT_GT(total, 10);

        for (FaultInjector::Kind mode : {FaultInjector::FailOne, FaultInjector::FailFromOn}) {
            for (int n = 1; n <= total; ++n) {
                const std::string where = scenario + (mode == FaultInjector::FailOne ? ": only " : ": from ") + "op " +
                                          std::to_string(n) + " (" + names[size_t(n - 1)] + ")";
                SCOPED_TRACE(where);
                RestoreImage(start);
                const std::map<QString, FileImage> before = TakeImage();
                Faults = FaultInjector{};
                Faults.Mode = mode;
                Faults.FailAt = n;
                InstallFaults();
                const std::vector<Step> steps = RunSession();
                ClearFaults();
                ++Total.Runs;
                Total.Faults += Faults.Injected;
                for (const Step &s : steps)
                    if (s.FirstOp <= n && n <= s.LastOp && s.What.rfind("close", 0) != 0) {
                        ++Total.StepsHit;
                        Total.StepsToldOfFailure += s.Reported ? 0 : 1;
                        if (s.Reported && std::getenv("LOCKVEX_FAULTS_VERBOSE"))
                            std::cout << where << ": " << s.What << " succeeded\n";
                    }
                Check(where, before, saved, steps);
            }
        }
    }

    void Check(const std::string &where, const std::map<QString, FileImage> &before, const Versions &saved,
               const std::vector<Step> &steps)
    {
        const auto expected = Expected(saved, steps);
        EXPECT_EQ(Temporaries().filter(QStringLiteral(".lvtmp")), QStringList());
        EXPECT_FALSE(QFileInfo::exists(Folder + QStringLiteral("/TrelLockvex.TEMP")));

        // A backup is as it was, or it holds the entries as saved: never less.
        const auto bytesOf = [](const QString &path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const auto was = [&](const QString &name) {
            auto at = before.find(name);
            return at == before.end() ? std::optional<QByteArray>() : std::optional<QByteArray>(at->second.Bytes);
        };
        const std::optional<QByteArray> bac0Before = was(QStringLiteral("TrelLockvex.BAC0"));
        const std::optional<QByteArray> bac1Before = was(QStringLiteral("TrelLockvex.BAC1"));
        if (QFileInfo::exists(Bac0) && bytesOf(Bac0) != bac0Before) {
            const Content bac0 = ReadBackup(Bac0);
            std::string detail;
            EXPECT_TRUE(bac0.Opens && bac0.Whole) << "BAC0 replaced by a file that is not whole";
            EXPECT_EQ(Mismatches(bac0, expected, detail), 0) << "BAC0 replaced by a file with less:" << detail;
        }
        if (bac0Before)
            EXPECT_TRUE(QFileInfo::exists(Bac0)) << "BAC0 is gone";
        if (QFileInfo::exists(Bac1) && bytesOf(Bac1) != bac1Before)
            EXPECT_EQ(bytesOf(Bac1), bac0Before) << "BAC1 replaced by something else than the BAC0 before";
        if (bac1Before)
            EXPECT_TRUE(QFileInfo::exists(Bac1)) << "BAC1 is gone";

        // The next start: the data file opens, recovering if it must, with every saved entry.
        TV9LockvexTbl table(true);
        EXPECT_TRUE(table.OpenPool(Data)) << "the data file does not open";
        const Content data = ContentOf(table, true);
        table.SetRunOnMemstick(true);
        table.SetAutoLog(No);
        std::string detail;
        const int lost = Mismatches(data, expected, detail);
        Total.EntriesLost += lost;
        EXPECT_TRUE(data.Whole) << "an entry is not whole";
        EXPECT_EQ(lost, 0) << "entries lost or wrong:" << detail;
        if (lost) {
            for (const Step &s : steps)
                std::cout << "  " << s.What << " ops " << s.FirstOp << "-" << s.LastOp
                          << (s.Reported ? " ok" : " failed") << "\n";
        }
        EXPECT_EQ(Temporaries(), QStringList()) << "after the next start";
    }

    testing_support::TestPlatform Platform;
    QString Folder, Data, Bac0, Bac1, Log;
    FaultInjector Faults;
    bool Opened = false;
    Tally Total;

    TItemManager items_{nullptr, &sharedRec_, &lists_}; // on the table, once it is open

private:
    QTemporaryDir memory_{QStringLiteral("/dev/shm/lockvex-faults-XXXXXX")};
    std::unique_ptr<platform::ScopedInstall> guard_;
    TLockvexRec sharedRec_;
    TListManager lists_{nullptr};
    std::unique_ptr<TV9LockvexTbl> table_;
};

const Versions DayOne = {{"e0", 2}, {"e1", 1}, {"e2", 1}, {"e3", 1}, {"e4", 1},
                         {"e5", 1}, {"e6", 1}, {"e7", 1}, {"e8", 1}};
const Versions DayZero = {{"e0", 1}, {"e1", 1}, {"e2", 1}, {"e3", 1}, {"e4", 1},
                          {"e5", 1}, {"e6", 1}, {"e7", 1}, {"e8", 1}};

TEST_F(IOFaults, EveryWriteFlushCopyAndRenameOfARunCanFailWithoutLosingAnEntry)
{
    MakeBase(false);
    const auto base = TakeImage();
    RunEveryFault("normal run", base, DayOne);

    // The data file does not open: it is restored from BAC0, or from BAC1 when BAC0 is damaged too.
    RestoreImage(base);
    Damage(Data);
    const auto damagedData = TakeImage();
    RunEveryFault("restore from BAC0", damagedData, DayOne);
    RestoreImage(damagedData);
    Damage(Bac0);
    RunEveryFault("restore from BAC1", TakeImage(), DayZero);

    std::cout << "I/O faults: " << Total.Runs << " runs, " << Total.Faults << " faults injected, " << Total.StepsHit
              << " saves, deletions and opens hit, " << Total.StepsToldOfFailure << " of them told their caller; "
              << Total.EntriesLost << " entries lost" << std::endl;
    RecordProperty("faults", Total.Faults);
    RecordProperty("entries_lost", Total.EntriesLost);
}

// A deletion answers for itself: one that deleted nothing never passes on the success of the
// write before it, and one of an entry that was never written is done once it left the index.
TEST_F(IOFaults, ADeletionThatDeletesNothingIsNotReportedAsDone)
{
    SetDay(0);
    OpenTable();
    ASSERT_TRUE(AddNew(QStringLiteral("kept")));
    const int kept = items_.LockvexTbl->GetKey(QStringLiteral("kept"));

    EXPECT_FALSE(items_.DeleteItem(kept, BrowsePermission)); // refused: only an updatable record is deleted
    EXPECT_NE(items_.LockvexTbl->GetKey(QStringLiteral("kept")), NoKey);

    ASSERT_TRUE(Save(kept, QStringLiteral("kept"), 2));
    EXPECT_FALSE(items_.DeleteItem(kept + 100, UpdatePermission)); // no such entry

    // An entry whose only save failed: deleting it removes it from the index, which is all of it.
    items_.ClearWebRecord();
    const int unsaved = items_.AddItem(QStringLiteral("unsaved"));
    Platform.FailStorage = [](testing_support::StorageOp op, const QString &, qint64, qint64) {
        return op == testing_support::StorageOp::Write ? EIO : 0;
    };
    EXPECT_FALSE(Save(unsaved, QStringLiteral("unsaved"), 1));
    Platform.FailStorage = nullptr;
    EXPECT_TRUE(items_.DeleteItem(unsaved, UpdatePermission));
    EXPECT_EQ(items_.LockvexTbl->GetKey(QStringLiteral("unsaved")), NoKey);
    CloseTable();
}

// Marking every entry of a password as an access password stops at a slot it cannot read: the
// entries after it keep their mark, so the change is not reported as done.
TEST_F(IOFaults, MarkingAccessPasswordsThatStopsAtAnUnreadableSlotIsNoSuccess)
{
    SetDay(0);
    OpenTable();
    for (const char *name : {"a", "b", "c"}) {
        ItemManagerParams p;
        p.ItemName = QString::fromLatin1(name);
        p.Password = QStringLiteral("shared");
        items_.ClearWebRecord();
        ASSERT_TRUE(items_.SaveWebItem(items_.AddItem(p.ItemName), p));
    }
    Platform.FailStorage = [](testing_support::StorageOp op, const QString &, qint64 offset, qint64 size) {
        return op == testing_support::StorageOp::Read && testing_support::Covers(offset, size, 2 * LockvexRecSize) ? EIO
                                                                                                                   : 0;
    };
    const bool written = items_.SetAllEntryPasswords(QStringLiteral("shared"), true);
    Platform.FailStorage = nullptr;
    EXPECT_FALSE(written);
    EXPECT_FALSE(items_.LockvexTbl->IsEntryPassword(items_.LockvexTbl->GetKey(QStringLiteral("c"))));
    EXPECT_TRUE(items_.SetAllEntryPasswords(QStringLiteral("shared"), true));
    EXPECT_TRUE(items_.LockvexTbl->IsEntryPassword(items_.LockvexTbl->GetKey(QStringLiteral("c"))));
    CloseTable();
}

TEST_F(IOFaults, ARebuildFromTheLogCanFailWithoutLosingTheLog)
{
    MakeBase(true); // the support request: the log written in clear at the last exit
    ASSERT_TRUE(QFileInfo::exists(Log));
    Damage(Data);
    Damage(Bac0);
    Damage(Bac1);
    RunEveryFault("rebuild from the log", TakeImage(), DayOne);
    std::cout << "I/O faults: " << Total.Runs << " runs, " << Total.Faults << " faults injected; " << Total.EntriesLost
              << " entries lost" << std::endl;
}

} // namespace
