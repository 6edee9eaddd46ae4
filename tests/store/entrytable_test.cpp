#include "StoreTestSupport.h"

#include "store/TBDALockvexData.h"

#include <QDirIterator>
#include <QMap>

#include <algorithm>
#include <cstring>
#include <functional>

#include <map>
#include <memory>
#include <random>

using namespace store_test;

namespace
{

class EntryTableTest : public StoreTest
{
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        Data = PathOf(QStringLiteral("TrelLockvex.acsdb"));
        Temp = PathOf(QStringLiteral("TrelLockvex.TEMP"));
        Bac0 = PathOf(QStringLiteral("TrelLockvex.BAC0"));
        Bac1 = PathOf(QStringLiteral("TrelLockvex.BAC1"));
        Log = PathOf(QStringLiteral("TrelLockvex.CSV"));
    }

    std::unique_ptr<TV9LockvexTbl> OpenTable(bool *opened = nullptr, const QString &file = QString())
    {
        auto table = std::make_unique<TV9LockvexTbl>(true);
        table->SetReadOnlyMode(ReadOnlyMode);
        const bool ok = table->OpenPool(file.isEmpty() ? Data : file);
        if (opened)
            *opened = ok;
        return table;
    }

    // A data file of the given entries, closed normally (TEMP copy and backups made).
    void MakeDataFile(const QStringList &names)
    {
        auto table = OpenTable();
        for (const QString &name : names)
            AddWebEntry(*table, name, name + QStringLiteral("-pw"));
    }

    static int AddWebEntry(TV9LockvexTbl &table, const QString &name, const QString &password)
    {
        const int key = table.AddLockvexIndexItem(name);
        TLockvexRec rec;
        rec.SetName(name);
        rec.SetPassword(password);
        rec.SetURL(QStringLiteral("https://example.com/") + name);
        EXPECT_EQ(table.WriteLockvexRec(key, &rec), WriteOK);
        return key;
    }

    static QStringList NamesIn(TV9LockvexTbl &table)
    {
        QStringList names;
        TPoolIndexRec *item = nullptr;
        for (bool more = table.GetFirstIndexItem(item, FullScan); more; more = table.GetNextIndexItem(item, FullScan))
            names << item->GetIndexedName();
        return names;
    }

    QStringList FolderFiles() const { return QDir(Folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    QStringList DamagedFiles() const
    {
        return QDir(Folder).entryList({QStringLiteral("TrelLockvex.damaged-*")}, QDir::Files | QDir::Hidden);
    }

    QString Data, Temp, Bac0, Bac1, Log;
};

// A pool file of the given names with the entry table's format, written somewhere else.
QByteArray PoolBytesOf(const QString &folder, const QStringList &names)
{
    const QString path = folder + QStringLiteral("/scratch.pool");
    QFile::remove(path);
    {
        TV9LockvexTbl table(true);
        table.OpenPool(path);
        for (const QString &name : names) {
            const int key = table.AddLockvexIndexItem(name);
            TLockvexRec rec;
            rec.SetName(name);
            (void)table.WriteLockvexRec(key, &rec);
        }
    }
    const QByteArray bytes = FileBytes(path);
    QFile::remove(path);
    return bytes;
}

// ---------------------------------------------------------------------------------------------
// First run, TEMP copy, backups

TEST_F(EntryTableTest, AFirstRunCreatesTheDataFileAndAnEmptyNewestBackup)
{
    {
        bool opened = false;
        auto table = OpenTable(&opened);
        EXPECT_TRUE(opened);
        EXPECT_EQ(QFileInfo(Data).size(), 10 * LockvexRecSize);
        EXPECT_TRUE(table->IsFileEmpty());
    }
    EXPECT_TRUE(QFileInfo::exists(Bac0));
    EXPECT_EQ(QFileInfo(Bac0).size(), 0);
    EXPECT_FALSE(QFileInfo::exists(Temp));
    EXPECT_FALSE(QFileInfo::exists(Bac1));
    EXPECT_FALSE(QFileInfo::exists(Log)); // enciphered: no log in clear
    EXPECT_EQ(FolderFiles(), (QStringList{QStringLiteral("TrelLockvex.BAC0"), QStringLiteral("TrelLockvex.acsdb")}));
    EXPECT_EQ(FileMode(Data), 0600);
    EXPECT_EQ(FileMode(Bac0), 0600);
}

TEST_F(EntryTableTest, TheNewestBackupIsACompactedRenumberedCopyOfTheLiveEntries)
{
    {
        auto table = OpenTable();
        for (const char *name : {"a", "b", "c", "d"})
            AddWebEntry(*table, QString::fromLatin1(name), QStringLiteral("pw"));
        (void)table->DropIndexedRecord(0, UpdatePermission);
        (void)table->DropIndexedRecord(2, UpdatePermission);
    }
    const QByteArray data = FileBytes(Data);
    EXPECT_EQ(data.size(), 10 * LockvexRecSize); // the data file itself is not compacted
    ASSERT_EQ(QFileInfo(Bac0).size(), 2 * LockvexRecSize);
    TPoolMgr backup(LockvexRecSize);
    backup.SetIndexedFile(Yes);
    ASSERT_TRUE(backup.OpenPool(Bac0, DontCreateEmpty));
    EXPECT_EQ(backup.GetName(0), QStringLiteral("b"));
    EXPECT_EQ(backup.GetName(1), QStringLiteral("d"));
    EXPECT_NE(RecordFilingDate(reinterpret_cast<const uint8_t *>(FileBytes(Bac0).constData())), 0);
    EXPECT_FALSE(FileBytes(Bac0).contains("example.com")); // enciphered
}

// The copy the close writes holds, byte for byte, what a rewrite of the live records one by one
// through a new table writes: over a file of several read and write blocks that mixes records
// enciphered on other days, records in clear, deleted records, blank slots, other writers and
// gaps between keys.
TEST_F(EntryTableTest, TheCopyHoldsTheBytesOfARecordByRecordRewrite)
{
    std::mt19937 random(1712);
    QByteArray file;
    int key = 0, live = 0;
    for (int slot = 0; slot < 700; ++slot) {
        const int kind = int(random() % 10); // 0 blank, 1 deleted, 2 in clear, else enciphered
        if (kind == 0) {
            file.append(QByteArray(LockvexRecSize, '\0'));
            continue;
        }
        TLockvexRec rec;
        rec.Init();
        rec.SetName(QStringLiteral("entry %1").arg(slot));
        rec.SetURL(QStringLiteral("https://example.com/").repeated(int(random() % 12)));
        rec.SetPassword(QString::number(random(), 36));
        rec.SetKey(key);
        key += 1 + int(random() % 3);
        BaseDAHeader &hdr = *rec.GetRecHdrPtr();
        hdr.UserID = int32_t(random() % 4);
        hdr.DeletedRecord = ToByteBool(kind == 1);
        live += kind == 1 ? 0 : 1;
        std::vector<uint8_t> bytes(LockvexRecSize);
        std::memcpy(bytes.data(), rec.GetRecHdrPtr(), LockvexRecSize);
        if (kind != 2) {
            const std::vector<uint8_t> clear = [&] {
                std::vector<uint8_t> c = bytes;
                const int32_t day = DayNumber(TodayDate) - 1 - int32_t(random() % 400);
                std::memcpy(c.data(), &day, sizeof day);
                return c;
            }();
            EncipherRecord(clear.data(), bytes.data(), LockvexRecSize);
        }
        file.append(reinterpret_cast<const char *>(bytes.data()), LockvexRecSize);
    }
    ASSERT_GT(live, 2 * TV9LockvexTbl::CopyBlockSlots);
    WriteBytes(Data, file);
    bool opened = false;
    auto table = OpenTable(&opened);
    ASSERT_TRUE(opened);

    const QString rewritten = PathOf(QStringLiteral("rewritten.pool"));
    {
        TV9LockvexTbl rewrite(true);
        rewrite.SetAutoLog(No);
        rewrite.SetPoolName(rewritten);
        rewrite.OpenPoolForSeqWrite();
        TLockvexRec rec;
        int slot = NoKey, next = NoKey;
        for (bool more = table->ReadFirst(slot, &rec, SkipDeleted); more;
             more = table->ReadNext(slot, &rec, SkipDeleted)) {
            rec.SetKey(++next);
            rewrite.WriteSeqPoolRec(&rec);
        }
        ASSERT_TRUE(rewrite.ClosePoolForSeqWrite());
    }
    const TTableCloseOutcome outcome = table->CloseTable();
    EXPECT_TRUE(outcome.Ok()) << qPrintable(outcome.Failure);
    EXPECT_EQ(QFileInfo(Bac0).size(), qint64(live) * LockvexRecSize);
    EXPECT_TRUE(FileBytes(Bac0) == FileBytes(rewritten));
}

TEST_F(EntryTableTest, TheFirstCloseOfADayMovesTheNewestBackupToTheOlder)
{
    MakeDataFile({QStringLiteral("monday")});
    const QByteArray mondayBackup = FileBytes(Bac0);
    EXPECT_FALSE(QFileInfo::exists(Bac1));

    AdvanceDays(1);
    {
        auto table = OpenTable();
        AddWebEntry(*table, QStringLiteral("tuesday"), QStringLiteral("pw"));
    }
    EXPECT_EQ(FileBytes(Bac1), mondayBackup);
    const QByteArray tuesdayBackup = FileBytes(Bac0);
    EXPECT_NE(tuesdayBackup, mondayBackup);

    Platform.Clock = Platform.Clock.addSecs(3600); // later the same day: no rotation
    {
        auto table = OpenTable();
        AddWebEntry(*table, QStringLiteral("tuesday evening"), QStringLiteral("pw"));
    }
    EXPECT_EQ(FileBytes(Bac1), mondayBackup);
    EXPECT_NE(FileBytes(Bac0), tuesdayBackup);
    EXPECT_EQ(FileMode(Bac1), 0600);
}

TEST_F(EntryTableTest, ACopyThatFailsNeverReplacesABackup)
{
    MakeDataFile({QStringLiteral("kept")});
    const QByteArray backup = FileBytes(Bac0);
    AdvanceDays(1);
    for (StorageOp failing : {StorageOp::Write, StorageOp::Sync, StorageOp::Read, StorageOp::Size}) {
        SCOPED_TRACE(int(failing));
        auto table = OpenTable();
        AddWebEntry(*table, QStringLiteral("more"), QStringLiteral("pw"));
        WriteBytes(Temp, QByteArray("left by an earlier close")); // not this close's copy
        // Faults from now on hit the close only: the copy's writes and flush, or the reads and the
        // size of the data file it is made from.
        Platform.FailStorage = [failing](StorageOp op, const QString &path, qint64, qint64) {
            const bool ofData = op == StorageOp::Read || op == StorageOp::Size;
            return op == failing && (ofData || path.endsWith(QStringLiteral(".TEMP.lvtmp"))) ? EIO : 0;
        };
        table.reset();
        Platform.FailStorage = nullptr;
        EXPECT_EQ(FileBytes(Bac0), backup);
        EXPECT_FALSE(QFileInfo::exists(Bac1));
        EXPECT_EQ(FolderFiles().filter(QStringLiteral("lvtmp")), QStringList());
        QFile::remove(Temp);
    }
}

TEST_F(EntryTableTest, AFailedBackupStepKeepsTheLastGoodBackupAndIsReported)
{
    MakeDataFile({QStringLiteral("monday")});
    const QByteArray monday = FileBytes(Bac0);
    AdvanceDays(1); // this close first moves BAC0 to BAC1, then puts the TEMP copy in BAC0
    const int always = 1000;
    const struct {
        const char *what;
        StorageOp operation;
        QString target;
        int failures; // how many of those operations fail
        const char *told;
        QString lastBackup; // where the last good backup is then
    } cases[] = {
        {"the move of BAC0 to BAC1 fails", StorageOp::Rename, Bac1, always, "could not be moved", Bac0},
        {"the move cannot be flushed: moved back", StorageOp::FlushFolder, Bac1, always, "could not be flushed", Bac0},
        {"the rename of TEMP to BAC0 fails: moved back", StorageOp::Rename, Bac0, 1, "could not be renamed", Bac0},
        {"no rename to BAC0 works: the last backup stays BAC1", StorageOp::Rename, Bac0, always, "could not be renamed",
         Bac1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(Bac1);
        QFile::remove(Temp);
        if (!QFileInfo::exists(Bac0))
            WriteBytes(Bac0, monday);
        ASSERT_TRUE(Platform.SetLastWriteTime(Bac0, Platform.Clock.addDays(-1)));
        auto table = OpenTable();
        AddWebEntry(*table, QStringLiteral("tuesday"), QStringLiteral("pw"));
        int failures = 0;
        Platform.FailStorage = [&c, &failures](StorageOp op, const QString &path, qint64, qint64) {
            return op == c.operation && path == c.target && failures++ < c.failures ? EIO : 0;
        };
        const TTableCloseOutcome outcome = table->CloseTable();
        Platform.FailStorage = nullptr;
        EXPECT_TRUE(outcome.BackupDue);
        EXPECT_FALSE(outcome.Ok());
        EXPECT_TRUE(outcome.Failure.contains(QLatin1String(c.told))) << qPrintable(outcome.Failure);
        EXPECT_TRUE(outcome.Failure.contains(QDir::toNativeSeparators(c.lastBackup))) << qPrintable(outcome.Failure);
        EXPECT_EQ(FileBytes(c.lastBackup), monday); // the last good backup, whole
        EXPECT_TRUE(QFileInfo::exists(Temp));       // and this run's copy kept beside it
        EXPECT_EQ(FolderFiles().filter(QStringLiteral("lvtmp")), QStringList());
        const QString other = c.lastBackup == Bac0 ? Bac1 : Bac0;
        EXPECT_FALSE(QFileInfo::exists(other));
        table.reset(); // the destructor does not close again
        EXPECT_EQ(FileBytes(c.lastBackup), monday);
    }
    QFile::remove(Bac1);
    ASSERT_TRUE(QFileInfo::exists(Temp)); // kept: the close that goes well below removes it
    WriteBytes(Bac0, monday);
    ASSERT_TRUE(Platform.SetLastWriteTime(Bac0, Platform.Clock.addDays(-1)));
    // The flush of the copy goes through the platform, whose double can fail it.
    {
        auto table = OpenTable();
        Platform.FailStorage = [](StorageOp op, const QString &path, qint64, qint64) {
            return op == StorageOp::Sync && path.endsWith(QStringLiteral(".TEMP.lvtmp")) ? EIO : 0;
        };
        const TTableCloseOutcome outcome = table->CloseTable();
        Platform.FailStorage = nullptr;
        EXPECT_FALSE(outcome.Ok());
        EXPECT_EQ(FileBytes(Bac0), monday);
        EXPECT_EQ(FolderFiles().filter(QStringLiteral("lvtmp")), QStringList());
    }
    // A close that goes well says so, and makes the backups; the copy an earlier close kept as
    // TEMP is outdated then.
    QFile::remove(Bac1);
    auto table = OpenTable();
    const TTableCloseOutcome outcome = table->CloseTable();
    EXPECT_TRUE(outcome.Ok()) << qPrintable(outcome.Failure);
    EXPECT_EQ(FileBytes(Bac1), monday);
    EXPECT_FALSE(QFileInfo::exists(Temp));
}

TEST_F(EntryTableTest, TemporariesLeftByAnInterruptedRunAreRemovedAtOpen)
{
    MakeDataFile({QStringLiteral("a")});
    const QStringList leftovers = {QStringLiteral(".TrelLockvex.TEMP.lvtmp"),
                                   QStringLiteral(".TrelLockvex.BAC0.lvtmp-4242"),
                                   QStringLiteral(".TrelLockvex.acsdb.lvtmp"), QStringLiteral(".TrelLockvex.CSV.lvtmp"),
                                   QStringLiteral("..TrelLockvex.acsdb.lvtmp.lvtmp-77")};
    for (const QString &name : leftovers)
        WriteBytes(PathOf(name), QByteArray("half written"));
    WriteBytes(PathOf(QStringLiteral(".other.lvtmp")), QByteArray("not ours"));
    auto table = OpenTable();
    EXPECT_EQ(NamesIn(*table), QStringList{QStringLiteral("a")});
    EXPECT_EQ(FolderFiles(), (QStringList{QStringLiteral(".other.lvtmp"), QStringLiteral("TrelLockvex.BAC0"),
                                          QStringLiteral("TrelLockvex.acsdb")}));
}

TEST_F(EntryTableTest, NoCopiesOnAMemoryStickOrForAnotherExtension)
{
    {
        auto table = OpenTable();
        table->SetRunOnMemstick(true);
    }
    EXPECT_FALSE(QFileInfo::exists(Bac0));
    const QString upper = PathOf(QStringLiteral("Other.ACSDB"));
    OpenTable(nullptr, upper).reset();
    EXPECT_EQ(FolderFiles(), (QStringList{QStringLiteral("Other.ACSDB"), QStringLiteral("TrelLockvex.acsdb")}));
}

TEST_F(EntryTableTest, ReadOnlyModeWritesNothingAndMakesNoCopies)
{
    MakeDataFile({QStringLiteral("a")});
    const QByteArray data = FileBytes(Data), backup = FileBytes(Bac0);
    AdvanceDays(1);
    ReadOnlyMode = true;
    {
        auto table = OpenTable();
        const int key = table->AddLockvexIndexItem(QStringLiteral("b"));
        TLockvexRec rec;
        EXPECT_NE(table->WriteLockvexRec(key, &rec), WriteOK);
        EXPECT_NE(table->SetEntryPassword(0, true), WriteOK);
    }
    EXPECT_EQ(FileBytes(Data), data);
    EXPECT_EQ(FileBytes(Bac0), backup);
    EXPECT_FALSE(QFileInfo::exists(Bac1));
}

// A data file or backup that arrives readable by others (a copy, a restore, a sync client with
// another umask) is its owner's only once a run may write it; a read-only run changes nothing.
TEST_F(EntryTableTest, FilesHoldingEntriesAreMadeOwnerOnlyAtOpen)
{
    MakeDataFile({QStringLiteral("a")});
    AdvanceDays(1);
    MakeDataFile({QStringLiteral("b")}); // BAC0 moves to BAC1
    ASSERT_TRUE(QFileInfo::exists(Bac1));
    ASSERT_TRUE(QFile::copy(Data, Temp));
    const QString files[] = {Data, Bac0, Bac1, Temp};
    for (const QString &file : files)
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);

    ReadOnlyMode = true;
    OpenTable().reset();
    ReadOnlyMode = false;
    for (const QString &file : files)
        EXPECT_EQ(FileMode(file), 0644) << file.toStdString();

    auto table = OpenTable();
    for (const QString &file : files)
        EXPECT_EQ(FileMode(file), 0600) << file.toStdString();
    EXPECT_EQ(NamesIn(*table), (QStringList{"a", "b"}));
}

// A link where a backup belongs is set aside as a damaged backup would be: never read, written,
// rotated or changed through, whatever it points to.
TEST_F(EntryTableTest, ABackupNameThatIsALinkIsSetAsideAndNeverFollowed)
{
    struct Case {
        const char *what;
        const char *name;   // the backup name that is a link
        const char *target; // what it points to, in the folder above
        bool targetIsPool;  // a pool of other entries, that a restore could take
    };
    const Case cases[] = {
        {"newest backup to a file", "TrelLockvex.BAC0", "notes.txt", false},
        {"older backup to a file", "TrelLockvex.BAC1", "notes.txt", false},
        {"newest backup to a pool", "TrelLockvex.BAC0", "other.acsdb", true},
        {"newest backup dangling", "TrelLockvex.BAC0", "missing", false},
    };
    const QString outside =
        QFileInfo(Folder).absolutePath() + QStringLiteral("/outside-") + QFileInfo(Folder).fileName();
    ASSERT_TRUE(QDir().mkpath(outside));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString &name : QDir(Folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
            QFile::remove(PathOf(name));
        MakeDataFile({QStringLiteral("mine")});
        const QString target = outside + QLatin1Char('/') + QLatin1String(c.target);
        const QByteArray content = c.targetIsPool ? PoolBytesOf(outside, {QStringLiteral("theirs")}) : "precious";
        QFile::remove(target);
        if (QByteArray(c.target) != "missing") {
            WriteBytes(target, content);
            ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0644), 0);
        }
        const QString link = PathOf(QLatin1String(c.name));
        QFile::remove(link);
        ASSERT_TRUE(QFile::link(target, link));
        // a damaged data file would be restored from the newest backup
        if (c.targetIsPool)
            WriteBytes(Data, QByteArray(100, 'x'));

        AdvanceDays(1); // the close rotates the backups
        {
            auto table = OpenTable();
            EXPECT_FALSE(NamesIn(*table).contains(QStringLiteral("theirs")));
        }
        const QStringList aside = QDir(Folder).entryList({QLatin1String(c.name) + QStringLiteral(".damaged-*")},
                                                         QDir::Files | QDir::System | QDir::Hidden);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(QFileInfo(PathOf(aside.first())).symLinkTarget(), QFileInfo(target).absoluteFilePath());
        for (const QString &backup : {Bac0, Bac1})
            EXPECT_FALSE(QFileInfo(backup).isSymLink()) << backup.toStdString();
        if (QByteArray(c.target) != "missing") {
            EXPECT_EQ(FileBytes(target), content);
            EXPECT_EQ(FileMode(target), 0644);
        } else {
            EXPECT_FALSE(QFileInfo::exists(target));
        }
    }
}

TEST_F(EntryTableTest, ReadOnlyModeShowsTheNewestUsableBackupAndChangesNoFile)
{
    MakeDataFile({QStringLiteral("older")});
    AdvanceDays(1);
    MakeDataFile({QStringLiteral("newer")});
    ASSERT_TRUE(QFileInfo::exists(Bac1));
    const QByteArray good0 = FileBytes(Bac0);
    const struct {
        const char *what;
        QByteArray bac0;
        QStringList expected;
        bool opens;
    } cases[] = {
        {"BAC0 opens", good0, {QStringLiteral("older"), QStringLiteral("newer")}, true},
        {"BAC0 damaged, BAC1 opens", QByteArray(LockvexRecSize, '\x41'), {QStringLiteral("older")}, true},
        {"BAC0 missing, BAC1 opens", QByteArray(), {QStringLiteral("older")}, true},
    };
    AdvanceDays(1);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(Bac0);
        if (!c.bac0.isEmpty())
            WriteBytes(Bac0, c.bac0);
        WriteBytes(Data, QByteArray("half-synchronised"));
        const QStringList before = FolderFiles();
        QMap<QString, QByteArray> contents;
        for (const QString &name : before)
            contents[name] = FileBytes(PathOf(name));
        ReadOnlyMode = true;
        {
            bool opened = false;
            auto table = OpenTable(&opened);
            EXPECT_EQ(opened, c.opens);
            EXPECT_EQ(NamesIn(*table), c.expected);
            EXPECT_FALSE(table->BackupOpenedForReading().isEmpty());
            TLockvexRec rec;
            EXPECT_EQ(table->GetLockvexRec(0, &rec), ReadOk);
            EXPECT_NE(table->WriteLockvexRec(0, &rec), WriteOK);
        }
        ReadOnlyMode = false;
        // No file was copied, renamed, set aside or written, and no TEMP copy was made.
        EXPECT_EQ(FolderFiles(), before);
        for (const QString &name : before)
            EXPECT_EQ(FileBytes(PathOf(name)), contents[name]) << qPrintable(name);
    }
}

TEST_F(EntryTableTest, ReadOnlyModeWithoutAUsableBackupOpensNothing)
{
    WriteBytes(Data, QByteArray("half-synchronised"));
    WriteBytes(Bac0, QByteArray(LockvexRecSize, '\x41'));
    ReadOnlyMode = true;
    bool opened = true;
    {
        auto table = OpenTable(&opened);
        EXPECT_TRUE(table->BackupOpenedForReading().isEmpty());
    }
    EXPECT_FALSE(opened);
    EXPECT_EQ(FileBytes(Data), QByteArray("half-synchronised"));
    EXPECT_EQ(FileBytes(Bac0), QByteArray(LockvexRecSize, '\x41'));
    EXPECT_EQ(FolderFiles(), (QStringList{QStringLiteral("TrelLockvex.BAC0"), QStringLiteral("TrelLockvex.acsdb")}));
}

// ---------------------------------------------------------------------------------------------
// Damaged data files

struct DamageCase {
    const char *what;
    std::function<void(QByteArray &)> damage;
    bool damaged; // false: the file opens as it is, nothing restored
};

TEST_F(EntryTableTest, ADamagedDataFileIsKeptAsideAndRestoredFromTheNewestBackup)
{
    const QStringList names = {QStringLiteral("alpha"), QStringLiteral("bravo"), QStringLiteral("charlie")};
    std::mt19937 random(11);
    const auto overwrite = [&random](qint64 offset) {
        return [offset, &random](QByteArray &bytes) {
            for (qint64 i = offset; i < std::min<qint64>(offset + 4096, bytes.size()); ++i)
                bytes[i] = char(random());
        };
    };
    const std::vector<DamageCase> cases = {
        {"cut in the middle of a slot", [](QByteArray &b) { b.truncate(LockvexRecSize + 700); }, true},
        {"cut on a slot boundary", [](QByteArray &b) { b.truncate(LockvexRecSize); }, true},
        {"4 KiB of random bytes over the live records", overwrite(0), true},
        {"4 KiB of random bytes across a live record and blank slots", overwrite(2 * LockvexRecSize + 300), true},
        {"4 KiB of random bytes in the blank tail", overwrite(6 * LockvexRecSize), true},
        {"a text length beyond its capacity",
         [](QByteArray &b) { ChangeRecord(b, 1, [](V9LockvexData &r) { r.Password.Len = 0xB5; }); }, true},
        {"a name length beyond its capacity",
         [](QByteArray &b) { ChangeRecord(b, 1, [](V9LockvexData &r) { r.RecHdr.Name.Len = 112; }); }, true},
        {"another version",
         [](QByteArray &b) { ChangeRecord(b, 1, [](V9LockvexData &r) { r.RecHdr.MajorVersion = 8; }); }, true},
        {"a flag byte of 2", [](QByteArray &b) { ChangeRecord(b, 1, [](V9LockvexData &r) { r.AutoPWCopy = 2; }); },
         true},
        {"a deleted flag of 0x81",
         [](QByteArray &b) { ChangeRecord(b, 1, [](V9LockvexData &r) { r.RecHdr.DeletedRecord = 0x81; }); }, true},
        {"a negative key", [](QByteArray &b) { ChangeRecord(b, 1, [](V9LockvexData &r) { r.RecHdr.Key = -7; }); },
         true},
        {"a byte in a blank slot", [](QByteArray &b) { ChangeRecord(b, 5, [](V9LockvexData &r) { r.URL.Len = 1; }); },
         true},
        {"enciphered with another key",
         [](QByteArray &b) {
             // Another cipher constant gives every record another start value: the same as
             // another filing day under this one.
             for (int slot = 0; slot < SlotCount(b.size()); ++slot) {
                 int32_t day = 0;
                 std::memcpy(&day, b.constData() + SlotOffset(slot), 4);
                 ++day;
                 std::memcpy(b.data() + SlotOffset(slot), &day, 4);
             }
         },
         true},
        {"a trailing partial slot of zeros", [](QByteArray &b) { b.append(QByteArray(700, '\0')); }, false},
    };
    for (const DamageCase &c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString &name : FolderFiles())
            QFile::remove(PathOf(name));
        MakeDataFile(names);
        const QByteArray backup = FileBytes(Bac0);
        QByteArray bytes = FileBytes(Data);
        ASSERT_EQ(bytes.size(), 10 * LockvexRecSize);
        c.damage(bytes);
        WriteBytes(Data, bytes);
        // Damaged where it lay: the file keeps its date, from before its backup's.
        ASSERT_TRUE(Platform.SetLastWriteTime(Data, Platform.Clock.addSecs(-60)));
        AdvanceDays(1); // the close rotates the backups: the newest must then hold every entry too

        {
            bool opened = false;
            auto table = OpenTable(&opened);
            EXPECT_TRUE(opened);
            EXPECT_EQ(NamesIn(*table), names);
            const QStringList aside = DamagedFiles();
            if (c.damaged) {
                ASSERT_EQ(aside.size(), 1);
                EXPECT_EQ(FileBytes(PathOf(aside.first())), bytes);
                EXPECT_EQ(table->DamagedFileKeptAs(), PathOf(aside.first()));
            } else {
                EXPECT_EQ(aside, QStringList());
                EXPECT_EQ(table->DamagedFileKeptAs(), QString());
                EXPECT_EQ(FileBytes(Data), bytes.left(10 * LockvexRecSize)); // the zeros cut off
            }
        }
        EXPECT_EQ(FileBytes(Bac1), backup);
        auto again = OpenTable();
        EXPECT_EQ(NamesIn(*again), names);
        EXPECT_EQ(again->DamagedFileKeptAs(), QString());
        TPoolMgr newest(LockvexRecSize);
        newest.SetIndexedFile(Yes);
        ASSERT_TRUE(newest.OpenPool(Bac0, DontCreateEmpty));
        EXPECT_EQ(newest.NumRecords(), names.size());
        again->SetRunOnMemstick(true);
    }
}

// Without a backup that opens, a damaged file is set aside whole and the records before the
// damage are kept; a file damaged from its first record leaves an empty data file.
TEST_F(EntryTableTest, ADamagedDataFileWithoutAUsableBackupIsSetAsideWithItsWholeRecordsKept)
{
    for (const int damagedSlot : {0, 1}) {
        SCOPED_TRACE(damagedSlot);
        for (const QString &name : FolderFiles())
            QFile::remove(PathOf(name));
        MakeDataFile({QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")});
        QByteArray bytes = FileBytes(Data);
        ChangeRecord(bytes, damagedSlot, [](V9LockvexData &r) { r.RecHdr.MajorVersion = 3; });
        WriteBytes(Data, bytes);
        WriteBytes(Bac0, QByteArray(LockvexRecSize, '\x55'));
        const QByteArray backup = FileBytes(Bac0);
        {
            bool opened = false;
            auto table = OpenTable(&opened);
            EXPECT_TRUE(opened);
            EXPECT_EQ(NamesIn(*table), damagedSlot == 0 ? QStringList() : QStringList{QStringLiteral("first")});
            EXPECT_EQ(table->DataRepair(),
                      damagedSlot == 0 ? TDataRepair::NothingKept : TDataRepair::WholeRecordsKept);
            ASSERT_EQ(DamagedFiles().size(), 1);
            EXPECT_EQ(table->DamagedFileKeptAs(), PathOf(DamagedFiles().first()));
            table->SetRunOnMemstick(true);
        }
        EXPECT_EQ(FileBytes(PathOf(DamagedFiles().first())), bytes);
        EXPECT_EQ(FileBytes(Bac0), backup);
        EXPECT_EQ(FolderFiles().filter(QStringLiteral("lvtmp")), QStringList());
    }
}

TEST_F(EntryTableTest, AGrowthStoppedByAFullDiskLeavesWholeSlots)
{
    auto table = OpenTable();
    for (int i = 0; i < 10; ++i)
        AddWebEntry(*table, QStringLiteral("e%1").arg(i), QStringLiteral("pw"));
    ASSERT_EQ(QFileInfo(Data).size(), 10 * LockvexRecSize);
    // The disk fills up in the middle of the third blank slot of the growth.
    int writes = 0;
    Platform.FailStorage = [&](StorageOp op, const QString &path, qint64 offset, qint64) {
        if (op != StorageOp::Write || path != Data || offset < 10 * LockvexRecSize)
            return 0;
        if (++writes == 3) {
            QFile f(Data);
            if (f.open(QIODevice::Append))
                f.write(QByteArray(500, '\0'));
            return ENOSPC;
        }
        return 0;
    };
    const int key = table->AddLockvexIndexItem(QStringLiteral("one too many"));
    TLockvexRec rec;
    rec.SetName(QStringLiteral("one too many"));
    (void)table->WriteLockvexRec(key, &rec);
    Platform.FailStorage = nullptr;
    EXPECT_EQ(QFileInfo(Data).size() % LockvexRecSize, 0);
    table->SetRunOnMemstick(true);
}

// ---------------------------------------------------------------------------------------------
// Recovery

struct RecoveryCase {
    const char *what;
    QByteArray data;
    bool dataExists;
    QByteArray bac0, bac1; // empty: missing
    QStringList expected;  // the names the table holds after the open
};

TEST_F(EntryTableTest, EachSituationAtOpenHasItsOutcome)
{
    const QByteArray good = PoolBytesOf(Platform.Home(), {QStringLiteral("live1"), QStringLiteral("live2")});
    const QByteArray older = PoolBytesOf(Platform.Home(), {QStringLiteral("older")});
    const QByteArray newer = PoolBytesOf(Platform.Home(), {QStringLiteral("newer")});
    const QByteArray garbage = QByteArray("not a pool at all"); // less than one record
    const QByteArray truncated = good.left(100);

    const std::vector<RecoveryCase> cases = {
        {"data file opens", good, true, newer, older, {QStringLiteral("live1"), QStringLiteral("live2")}},
        {"data file fails, BAC0 opens", truncated, true, newer, older, {QStringLiteral("newer")}},
        {"zero-byte data file, BAC0 opens", QByteArray(), true, newer, older, {QStringLiteral("newer")}},
        {"data file missing, BAC0 opens", QByteArray(), false, newer, older, {QStringLiteral("newer")}},
        {"data file and BAC0 fail, BAC1 opens", garbage, true, garbage, older, {QStringLiteral("older")}},
        {"nothing usable, zero-byte data file", QByteArray(), true, QByteArray(), QByteArray(), {}},
        {"nothing usable, damaged data file", truncated, true, garbage, QByteArray(), {}},
        {"no files at all", QByteArray(), false, QByteArray(), QByteArray(), {}},
    };
    for (const RecoveryCase &c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString &name : FolderFiles())
            QFile::remove(PathOf(name));
        if (c.dataExists)
            WriteBytes(Data, c.data);
        if (!c.bac0.isEmpty())
            WriteBytes(Bac0, c.bac0);
        if (!c.bac1.isEmpty())
            WriteBytes(Bac1, c.bac1);

        auto table = std::make_unique<TV9LockvexTbl>(true);
        EXPECT_TRUE(table->OpenPool(Data));
        EXPECT_EQ(NamesIn(*table), c.expected);
        EXPECT_EQ(QFileInfo(Data).size() % LockvexRecSize, 0);
        // The backups are as they were, byte for byte.
        EXPECT_EQ(FileBytes(Bac0), c.bac0);
        EXPECT_EQ(FileBytes(Bac1), c.bac1);
        // A data file that was replaced is kept aside, an empty one as well.
        const QStringList aside = DamagedFiles();
        const bool replaced = c.dataExists && c.data != good;
        ASSERT_EQ(aside.size(), replaced ? 1 : 0);
        if (replaced)
            EXPECT_EQ(FileBytes(PathOf(aside.first())), c.data);
        EXPECT_EQ(FolderFiles().filter(QStringLiteral("lvtmp")), QStringList());
        table->SetRunOnMemstick(true); // the close changes no backup here
    }
}

TEST_F(EntryTableTest, AnyDataFileOpensOrRecoversWithoutLosingAByte)
{
    std::mt19937 random(42);
    const QByteArray backup = PoolBytesOf(Platform.Home(), {QStringLiteral("saved")});
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        for (const QString &name : FolderFiles())
            QFile::remove(PathOf(name));
        QByteArray bytes(int(random() % (6 * LockvexRecSize)), '\0');
        for (char &c : bytes)
            c = char(random());
        WriteBytes(Data, bytes);
        WriteBytes(Bac0, backup);
        auto table = std::make_unique<TV9LockvexTbl>(true);
        EXPECT_TRUE(table->OpenPool(Data));
        EXPECT_TRUE(table->PoolStatusOk());
        // Either the bytes are the data file still, or they are kept aside.
        const QStringList aside = DamagedFiles();
        if (aside.isEmpty())
            EXPECT_EQ(FileBytes(Data), bytes);
        else
            EXPECT_EQ(FileBytes(PathOf(aside.first())), bytes);
        EXPECT_EQ(FileBytes(Bac0), backup);
        table->SetRunOnMemstick(true);
    }
}

TEST_F(EntryTableTest, AFailedRestoreLeavesEveryFileAsItWas)
{
    MakeDataFile({QStringLiteral("a")});
    const QByteArray backup = FileBytes(Bac0);
    WriteBytes(Data, QByteArray("damaged"));
    // The restored file cannot take the data file's name: the copy or the rename fails.
    for (const StorageOp failing : {StorageOp::Copy, StorageOp::Rename}) {
        SCOPED_TRACE(int(failing));
        Platform.FailStorage = [failing](StorageOp op, const QString &, qint64, qint64) {
            return op == failing ? EIO : 0;
        };
        TV9LockvexTbl table(true);
        EXPECT_FALSE(table.RecoverFromBackup(Bac0));
        EXPECT_EQ(FileBytes(Bac0), backup);
        EXPECT_EQ(FileBytes(Data), QByteArray("damaged"));
        EXPECT_EQ(DamagedFiles(), QStringList());
        EXPECT_EQ(FolderFiles().filter(QStringLiteral("lvtmp")), QStringList());
        Platform.FailStorage = nullptr;
    }
}

TEST_F(EntryTableTest, TheLogRebuildsALostDataFile)
{
    {
        auto table = OpenTable();
        AddWebEntry(*table, QStringLiteral("Bank, main"), QStringLiteral("pw \"1\""));
        AddWebEntry(*table, QStringLiteral("Mail"), QStringLiteral("pw2"));
        AddWebEntry(*table, QStringLiteral("Shop"), QStringLiteral("pw3"));
        TLockvexRec rec;
        table->GetLockvexRec(1, &rec);
        rec.SetAccountNotes("line one\r\nline two");
        (void)table->WriteLockvexRec(1, &rec);
        table->SetEncryptedRecs(No); // the close writes the log in clear
        table->SetRunOnMemstick(true);
    }
    ASSERT_TRUE(QFileInfo::exists(Log));
    EXPECT_EQ(FileMode(Log), 0600);
    const QList<QByteArray> lines = FileBytes(Log).split('\n');
    EXPECT_EQ(lines.size(), 5); // header, three entries, and the empty text after the last line end
    EXPECT_TRUE(lines[0].startsWith("Name,Name Tag,Key,"));

    QFile::remove(Data);
    auto table = OpenTable();
    EXPECT_EQ(NamesIn(*table),
              (QStringList{QStringLiteral("Bank, main"), QStringLiteral("Mail"), QStringLiteral("Shop")}));
    EXPECT_EQ(QFileInfo(Data).size(), 3 * LockvexRecSize);
    EXPECT_EQ(table->GetLogRecordCount(), 4);
    TLockvexRec rec;
    ASSERT_EQ(table->GetLockvexRec(0, &rec), ReadOk);
    EXPECT_EQ(rec.GetPassword(), QStringLiteral("pw \"1\""));
    ASSERT_EQ(table->GetLockvexRec(1, &rec), ReadOk);
    EXPECT_EQ(rec.GetAccountNotes(), QByteArray("line one\r\nline two"));
    // The next close with encryption on deletes the clear log.
    table.reset();
    EXPECT_FALSE(QFileInfo::exists(Log));
}

TEST_F(EntryTableTest, ALogWithMalformedLinesRebuildsWhatItCan)
{
    QByteArray log = LockvexLogHeaderLine() + "\r\n";
    log += "\"First\",,0,-1,46000,,u,c,p,pw1,,,,,,,,,Yes,,No,\r\n";
    log += "\r\n";                                       // a blank line: no entry
    log += "Second,,0,-1,46000,,u2\r\n";                 // key taken, columns missing
    log += "\"unterminated,,, quote\r\n";                // one odd field
    log += "Fourth,,-7,,,,,,,pw4,\r\n";                  // a negative key
    log += QByteArray("Fifth\0with a nul,,9,,\r\n", 24); // a NUL inside
    WriteBytes(Log, log);
    auto table = OpenTable();
    const QStringList names = NamesIn(*table);
    EXPECT_EQ(names.size(), 5);
    EXPECT_TRUE(names.contains(QStringLiteral("First")));
    EXPECT_TRUE(names.contains(QStringLiteral("Second")));
    EXPECT_TRUE(names.contains(QStringLiteral("Fourth")));
    // Every record has a key of its own, reachable through the index.
    std::map<int, int> keys;
    TPoolIndexRec *item = nullptr;
    for (bool more = table->GetFirstIndexItem(item, FullScan); more; more = table->GetNextIndexItem(item, FullScan)) {
        EXPECT_GE(item->GetKeyFromIndex(), 0);
        ++keys[item->GetKeyFromIndex()];
    }
    for (const auto &[key, count] : keys)
        EXPECT_EQ(count, 1) << key;
    EXPECT_EQ(table->GetKey(QStringLiteral("First")), 0);
    EXPECT_TRUE(table->IsEntryPassword(0));
    table->SetRunOnMemstick(true);
}

// ---------------------------------------------------------------------------------------------
// Entries, passwords and flags

TEST_F(EntryTableTest, EntriesByKey)
{
    auto table = OpenTable();
    const int key = table->AddLockvexIndexItem(QStringLiteral("  Padded name  "));
    EXPECT_EQ(key, 0);
    EXPECT_EQ(table->GetName(key), QStringLiteral("Padded name"));
    TLockvexRec rec;
    rec.SetName(QStringLiteral("junk"));
    EXPECT_EQ(table->GetLockvexRec(key, &rec), NewRecord); // added, not written
    EXPECT_TRUE(rec.GetName().isEmpty());
    EXPECT_EQ(table->GetLockvexRec(99, &rec), NewRecord);

    bool isEntry = true;
    EXPECT_EQ(table->GetPassword(99, isEntry), QString());
    EXPECT_FALSE(isEntry);
    const QByteArray before = FileBytes(Data);
    (void)table->SetEntryPassword(99, true); // not in the index: nothing written
    EXPECT_EQ(FileBytes(Data), before);

    // A flag set on an entry never written makes a fresh record carrying only the flag.
    EXPECT_EQ(table->SetEntryPassword(key, true), WriteOK);
    EXPECT_TRUE(table->IsEntryPassword(key));
    EXPECT_EQ(table->GetName(key), QString());
    ASSERT_EQ(table->GetLockvexRec(key, &rec), ReadOk);
    EXPECT_EQ(rec.GetKey(), key);
    (void)table->SetAutoPWCopy(key, true);
    EXPECT_TRUE(table->IsAutoPWCopy(key));
    EXPECT_TRUE(table->IsEntryPassword(key));
}

TEST_F(EntryTableTest, ThePasswordCheck)
{
    struct Entry {
        const char *password;
        bool marked;
    };
    struct Case {
        const char *what;
        std::vector<Entry> entries;
        int loginPWs;
        const char *input;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"no entries", {}, 0, "anything", true},
        {"no entry has a password", {{"", false}, {"  ", false}}, 0, "anything", true},
        {"either unmarked password", {{"one", false}, {"two", false}}, 0, "two", true},
        {"a wrong one", {{"one", false}, {"two", false}}, 0, "three", false},
        {"case counts", {{"One", false}}, 0, "one", false},
        {"nothing is trimmed", {{"one", false}}, 0, " one", false},
        {"the marked one", {{"one", true}, {"two", false}}, 1, "one", true},
        {"an unmarked one once one is marked", {{"one", true}, {"two", false}}, 1, "two", false},
        {"blank input against passwords", {{"one", false}}, 0, "   ", false},
        {"blank input against the fixed text", {{"nomatch", false}}, 0, "  ", true},
        {"blank input without passwords", {{"", false}}, 0, "", true},
        {"marked entries without password", {{"", true}, {"two", false}}, 1, "x", true},
        // Text the file cannot hold is never converted to "?" and matched.
        {"Greek letters against question marks", {{"??????123", false}}, 0, "ΩΩΩΩΩΩ123", false},
        {"Cyrillic against question marks", {{"??????123", false}}, 0, "пароль123", false},
        {"beyond the basic plane", {{"?", false}}, 0, "\U0001F511", false},
        {"the code page's own letters", {{"café€", false}}, 0, "café€", true},
        {"unreadable text without passwords", {{"", false}}, 0, "Ω", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(Data);
        auto table = OpenTable();
        for (const Entry &e : c.entries) {
            const int key = AddWebEntry(*table, QStringLiteral("n"), QString::fromUtf8(e.password));
            if (e.marked)
                (void)table->SetEntryPassword(key, true);
        }
        EXPECT_EQ(table->CheckPassword(QString::fromUtf8(c.input), c.loginPWs > 0), c.accepted);
        table->SetRunOnMemstick(true);
    }
}

TEST_F(EntryTableTest, APasswordCheckThatCannotReadTheFileLetsNothingPass)
{
    auto table = OpenTable();
    AddWebEntry(*table, QStringLiteral("n"), QStringLiteral("secret"));
    Platform.FailStorage = [](StorageOp op, const QString &, qint64, qint64) {
        return op == StorageOp::Read ? EIO : 0;
    };
    EXPECT_FALSE(table->CheckPassword(QStringLiteral("guess"), false));
    Platform.FailStorage = nullptr;
    table->SetRunOnMemstick(true);
}

// Keys and slots in different orders: entries added later reuse older, lower slots.
TEST_F(EntryTableTest, SetAllEntryPasswordsFlagsExactlyTheEntriesWithThatPassword)
{
    {
        auto table = OpenTable();
        for (int i = 0; i < 6; ++i)
            AddWebEntry(*table, QStringLiteral("old%1").arg(i), i % 2 ? QStringLiteral("shared") : QStringLiteral("x"));
        for (int key : {0, 2, 4})
            (void)table->DropIndexedRecord(key, UpdatePermission);
    }
    AdvanceDays(3);
    auto table = OpenTable();
    const int late = AddWebEntry(*table, QStringLiteral("late"), QStringLiteral("shared"));
    const int other = AddWebEntry(*table, QStringLiteral("other"), QStringLiteral("Shared"));
    ASSERT_LT(table->FindIndexItem(late)->GetRecordNo(), table->FindIndexItem(5)->GetRecordNo());

    EXPECT_EQ(table->SetAllEntryPasswords(QStringLiteral("shared"), true), WriteOK);
    for (int key : {1, 3, 5, late})
        EXPECT_TRUE(table->IsEntryPassword(key)) << key;
    EXPECT_FALSE(table->IsEntryPassword(other));
    EXPECT_EQ(table->NumRecords(), 5);
    (void)table->SetAllEntryPasswords(QStringLiteral("shared"), false);
    for (int key : {1, 3, 5, late})
        EXPECT_FALSE(table->IsEntryPassword(key)) << key;
}

TEST_F(EntryTableTest, AddingToAFullTableIsRefusedCleanly)
{
    auto table = OpenTable();
    for (int i = 0; i < MaxCollectionSize; ++i)
        ASSERT_EQ(table->AddLockvexIndexItem(QStringLiteral("x")), i);
    const QByteArray before = FileBytes(Data);
    EXPECT_EQ(table->AddLockvexIndexItem(QStringLiteral("one too many")), NoKey);
    EXPECT_EQ(table->NumRecords(), MaxCollectionSize);
    EXPECT_EQ(FileBytes(Data), before);
    table->SetRunOnMemstick(true);
}

} // namespace

// The table tells which entries changed since a moment, whatever changed them, and refuses to
// tell when it cannot: a moment before an open or further back than it remembers.
TEST_F(EntryTableTest, TheTableTellsWhichEntriesChangedSinceAMoment)
{
    auto table = OpenTable();
    const int anvil = AddWebEntry(*table, QStringLiteral("Anvil"), QStringLiteral("one"));
    const int basket = AddWebEntry(*table, QStringLiteral("Basket"), QStringLiteral("two"));
    const int cedar = AddWebEntry(*table, QStringLiteral("Cedar"), QStringLiteral("three"));
    struct Moment {
        int count;
        quint64 revision;
    };
    auto now = [&table] { return Moment{table->GetUpdateCount(), table->GetIndexRevision()}; };
    auto changedSince = [&table](Moment m, bool *told = nullptr) {
        std::vector<int> keys;
        const bool ok = table->KeysChangedSince(m.count, m.revision, keys);
        if (told)
            *told = ok;
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        return keys;
    };
    const Moment start = now();
    bool told = false;
    EXPECT_EQ(changedSince(start, &told), std::vector<int>());
    EXPECT_TRUE(told);

    TLockvexRec rec;
    table->GetLockvexRec(basket, &rec);
    rec.SetPassword(QStringLiteral("changed"));
    (void)table->WriteLockvexRec(basket, &rec);
    const Moment afterWrite = now();
    EXPECT_EQ(changedSince(start), std::vector<int>({basket}));

    const int added = table->AddLockvexIndexItem(QStringLiteral("Drum")); // in the index only
    (void)table->DropIndexedRecord(cedar, UpdatePermission);
    table->SetName(anvil, QStringLiteral("Arrow")); // a name set in the index only
    (void)table->SetEntryPassword(added, true);           // a flag setter writes a record
    EXPECT_EQ(changedSince(afterWrite), std::vector<int>({anvil, cedar, added}));
    EXPECT_EQ(changedSince(start), std::vector<int>({anvil, basket, cedar, added}));
    EXPECT_EQ(changedSince(now(), &told), std::vector<int>());
    EXPECT_TRUE(told);
    changedSince(Moment{start.count + 1000, start.revision}, &told); // a moment the table never had
    EXPECT_FALSE(told);

    // Entries enough to make the file grow: the blank slots it gains concern no entry.
    const Moment beforeGrowth = now();
    const int slotCount = table->GetFileSize();
    std::vector<int> addedKeys;
    while (table->GetFileSize() == slotCount)
        addedKeys.push_back(AddWebEntry(*table, QStringLiteral("More"), QString()));
    EXPECT_EQ(changedSince(beforeGrowth, &told), addedKeys);
    EXPECT_TRUE(told);

    // Many changes later, the oldest moments are forgotten; recent ones are still told.
    Moment recent = now();
    for (int i = 0; i < TPoolMgr::MaxNotedChanges; ++i) {
        if (i == TPoolMgr::MaxNotedChanges - 3)
            recent = now();
        table->SetName(basket, QStringLiteral("Basket %1").arg(i));
    }
    changedSince(start, &told);
    EXPECT_FALSE(told);
    EXPECT_EQ(changedSince(recent, &told), std::vector<int>({basket}));
    EXPECT_TRUE(told);

    // An open replaces the index: nothing before it can be told, by this table or another.
    const Moment beforeOpen = now();
    table.reset();
    table = OpenTable();
    changedSince(beforeOpen, &told);
    EXPECT_FALSE(told);
    EXPECT_NE(table->GetIndexRevision(), beforeOpen.revision);
}
