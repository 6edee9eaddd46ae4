#include "StoreTestSupport.h"

#include "common/CsvFields.h"
#include "common/TextRoutines.h"
#include "common/Win1252.h"

#include <QDirIterator>

#include <numeric>
#include <random>

using namespace store_test;

namespace
{

class PoolMgrTest : public StoreTest
{
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        Pool = PathOf(QStringLiteral("Pool.acsdb"));
    }
    // A manager open on Pool, created empty when missing.
    std::unique_ptr<TPoolMgr> Open(OpenParam create = DoCreateEmpty)
    {
        auto mgr = std::make_unique<TPoolMgr>(LockvexRecSize);
        SetEntryOptions(*mgr);
        mgr->OpenPool(Pool, create);
        return mgr;
    }
    QString Pool;
};

int SlotsOf(const QString &path)
{
    return int(QFileInfo(path).size() / LockvexRecSize);
}

// The record in a slot, read into a record object that lives as long as the test needs it.
const TLockvexRec &ReadSlot(TPoolMgr &mgr, int slot)
{
    static TLockvexRec rec;
    EXPECT_EQ(mgr.BaseReadRecord(slot, &rec), ReadOk);
    return rec;
}

QStringList FilesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// ---------------------------------------------------------------------------------------------
// Opening

TEST_F(PoolMgrTest, OpeningAMissingFileCreatesOnlyWhenAsked)
{
    auto mgr = Open(DontCreateEmpty);
    EXPECT_FALSE(mgr->PoolStatusOk());
    EXPECT_FALSE(QFileInfo::exists(Pool));

    mgr = Open(DoCreateEmpty);
    EXPECT_TRUE(mgr->PoolStatusOk());
    EXPECT_EQ(SlotsOf(Pool), 10);
    EXPECT_EQ(FileMode(Pool), 0600);
    EXPECT_TRUE(mgr->IsFileEmpty());
    EXPECT_EQ(mgr->NumRecords(), 0);
    mgr.reset();

    // A file of blank slots is a valid empty pool.
    mgr = Open(DontCreateEmpty);
    EXPECT_TRUE(mgr->PoolStatusOk());
    EXPECT_EQ(mgr->GetControl().PoolNRecs, 10);
    EXPECT_EQ(mgr->GetControl().NextFreeRec, 0);
}

TEST_F(PoolMgrTest, RecordsRoundTripByKeyEncipheredOnDisk)
{
    auto mgr = Open();
    const int key = AddEntry(*mgr, QStringLiteral("Bank"), QStringLiteral("s3cret"));
    ASSERT_EQ(key, 0);
    int slot = NoKey;
    TLockvexRec rec;
    ASSERT_EQ(mgr->ReadIndexedRecord(key, slot, &rec), ReadOk);
    EXPECT_EQ(slot, 0);
    EXPECT_EQ(rec.GetName(), QStringLiteral("Bank"));
    EXPECT_EQ(rec.GetPassword(), QStringLiteral("s3cret"));
    EXPECT_EQ(rec.GetCreationDate(), DayNumber(TodayDate));
    EXPECT_EQ(mgr->GetName(key), QStringLiteral("Bank"));
    EXPECT_EQ(mgr->GetItemsUsed(), 1);

    // On disk the record carries the filing day and is enciphered from byte 4 on.
    const QByteArray disk = FileBytes(Pool).left(LockvexRecSize);
    int32_t filingDay = 0;
    std::memcpy(&filingDay, disk.constData(), 4);
    EXPECT_EQ(filingDay, DayNumber(TodayDate));
    EXPECT_FALSE(disk.contains("s3cret"));
    EXPECT_FALSE(disk.contains("Bank"));

    // Written in clear, the slot holds the record's bytes as they are in memory.
    mgr->SetEncryptedRecs(No);
    ASSERT_EQ(mgr->WriteIndexedRecord(key, &rec), WriteOK);
    const QByteArray clear = FileBytes(Pool).left(LockvexRecSize);
    EXPECT_EQ(clear.mid(0, 4), QByteArray(4, '\0'));
    EXPECT_EQ(clear.mid(4), QByteArray(reinterpret_cast<const char *>(&rec.LockvexData) + 4, LockvexRecSize - 4));
}

TEST_F(PoolMgrTest, KeysFollowTheHighestKey)
{
    auto mgr = Open();
    TPoolIndexRec *item = nullptr;
    EXPECT_EQ(mgr->AddIndexRecord(item, true), 1); // an empty index starts at 1 when 0 is refused
    mgr = Open();
    EXPECT_EQ(mgr->AddIndexRecord(item, false), 0);
    for (int key : {3, 7}) {
        item->SetKeyInIndex(key); // the entry just added takes the next key wanted
        mgr->AddIndexRecord(item, false);
    }
    item->SetKeyInIndex(7);
    EXPECT_EQ(mgr->GetHighestKey(), 7);
    EXPECT_EQ(mgr->AddIndexRecord(item, false), 8);
    EXPECT_EQ(item->GetRecordNo(), NoKey);
    EXPECT_EQ(item->GetIndexedCreationDate(), DayNumber(TodayDate));
}

TEST_F(PoolMgrTest, FindKeyPositionGivesTheMatchOrTheInsertionPlace)
{
    auto mgr = Open();
    TPoolIndexRec *item = nullptr;
    for (int key : {0, 3, 7}) {
        mgr->AddIndexRecord(item, false);
        item->SetKeyInIndex(key);
    }
    struct Case {
        int key;
        bool found;
        int position;
    };
    for (const Case &c : {Case{0, true, 0}, Case{3, true, 1}, Case{7, true, 2}, Case{-5, false, 0}, Case{1, false, 1},
                          Case{4, false, 2}, Case{100, false, 3}}) {
        int position = -42;
        EXPECT_EQ(mgr->FindKeyPosition(c.key, position), c.found) << c.key;
        EXPECT_EQ(position, c.position) << c.key;
    }
    TPoolMgr noIndex(LockvexRecSize);
    int untouched = -42;
    EXPECT_FALSE(noIndex.FindKeyPosition(3, untouched));
    EXPECT_EQ(untouched, -42);
}

// ---------------------------------------------------------------------------------------------
// Growth and reuse

TEST_F(PoolMgrTest, TheEleventhRecordGrowsTheFileIntoSlotTen)
{
    auto mgr = Open();
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(AddEntry(*mgr, QStringLiteral("e%1").arg(i)), i);
    EXPECT_EQ(SlotsOf(Pool), 10);
    const int key = AddEntry(*mgr, QStringLiteral("eleventh"));
    ASSERT_EQ(key, 10);
    EXPECT_EQ(SlotsOf(Pool), 20);
    int slot = NoKey;
    TLockvexRec rec;
    ASSERT_EQ(mgr->ReadIndexedRecord(key, slot, &rec), ReadOk);
    EXPECT_EQ(slot, 10);
    EXPECT_EQ(rec.GetName(), QStringLiteral("eleventh"));
    EXPECT_EQ(PictureOf(*mgr), PictureOfFreshOpen(Pool));
}

// Growth keeps its counters in memory instead of rescanning the file; whatever happened before
// (deletions of all ages, scans that empty the dispose table, days passing), the state right
// after each growth step is the one a reopen of the file gives.
TEST_F(PoolMgrTest, AfterEachGrowthTheStateEqualsAFullRescan)
{
    auto mgr = Open();
    std::mt19937 random(20260309);
    std::vector<int> keys;
    int appended = 0;
    for (int step = 0; step < 300; ++step) {
        const int dice = int(random() % 100);
        if (dice < 55 || keys.empty()) {
            const int before = mgr->GetGrowthSteps();
            const int slotsBefore = mgr->GetFileSize();
            const int key = AddEntry(*mgr, QStringLiteral("n%1").arg(step));
            ASSERT_NE(key, NoKey);
            keys.push_back(key);
            if (mgr->GetGrowthSteps() != before) {
                appended += mgr->GetFileSize() != slotsBefore;
                ASSERT_EQ(PictureOf(*mgr), PictureOfFreshOpen(Pool)) << "after growth at step " << step;
            }
        } else if (dice < 85) {
            const size_t at = random() % keys.size();
            // Mostly the newest records, so that the tail empties and growth reuses it.
            const size_t pick = dice < 70 ? keys.size() - 1 - at % std::min<size_t>(keys.size(), 3) : at;
            ASSERT_NE(mgr->DropIndexedRecord(keys[pick], UpdatePermission).Slot, NoKey);
            keys.erase(keys.begin() + long(pick));
        } else if (dice < 93) {
            AdvanceDays(1);
        } else {
            int slot = NoKey;
            TLockvexRec rec;
            for (bool more = mgr->ReadFirst(slot, &rec, SkipDeleted); more;
                 more = mgr->ReadNext(slot, &rec, SkipDeleted))
                ;
        }
    }
    EXPECT_GE(appended, 5);
    EXPECT_GE(mgr->GetGrowthSteps(), appended + 3); // growth steps that found room in the tail
    EXPECT_EQ(mgr->NumRecords(), int(keys.size()));
}

TEST_F(PoolMgrTest, ADeletedSlotIsReusedFromTheThirdDayOn)
{
    {
        auto mgr = Open();
        for (int i = 0; i < 10; ++i)
            AddEntry(*mgr, QStringLiteral("e%1").arg(i));
        (void)mgr->DropIndexedRecord(4, UpdatePermission); // slot 4, in the middle
    }
    int newSlot = NoKey;
    for (int day = 0; day <= 3; ++day) {
        auto mgr = Open(DontCreateEmpty);
        const int key = AddEntry(*mgr, QStringLiteral("day %1").arg(day));
        newSlot = mgr->FindIndexItem(key)->GetRecordNo();
        if (day < 3)
            EXPECT_NE(newSlot, 4) << "day " << day;
        (void)mgr->DropIndexedRecord(key, UpdatePermission); // out of the way again
        AdvanceDays(1);
        if (day == 3)
            break;
    }
    EXPECT_EQ(newSlot, 4);
}

TEST_F(PoolMgrTest, AnUnreadableSlotIsNeverTakenForANewRecord)
{
    auto mgr = Open();
    for (int i = 0; i < 3; ++i)
        AddEntry(*mgr, QStringLiteral("e%1").arg(i));
    const QByteArray before = FileBytes(Pool).mid(3 * LockvexRecSize, LockvexRecSize);
    Platform.FailStorage = [](StorageOp op, const QString &, qint64 offset, qint64 size) {
        return op == StorageOp::Read && Covers(offset, size, 3 * LockvexRecSize) ? EIO : 0;
    };
    const int key = AddEntry(*mgr, QStringLiteral("new"));
    Platform.FailStorage = nullptr;
    ASSERT_NE(key, NoKey);
    EXPECT_EQ(mgr->FindIndexItem(key)->GetRecordNo(), 4);
    EXPECT_EQ(FileBytes(Pool).mid(3 * LockvexRecSize, LockvexRecSize), before);
}

TEST_F(PoolMgrTest, AKeyWrittenAfterGrowthKeepsItsKeyAndOtherUnwrittenEntriesStay)
{
    auto mgr = Open();
    for (int i = 0; i < 10; ++i)
        AddEntry(*mgr, QStringLiteral("e%1").arg(i));
    TPoolIndexRec *item = nullptr;
    const int waiting = mgr->AddIndexRecord(item, false);
    const int writing = mgr->AddIndexRecord(item, false);
    TLockvexRec rec;
    rec.SetName(QStringLiteral("grows the file"));
    ASSERT_EQ(mgr->WriteIndexedRecord(writing, &rec), WriteOK);
    EXPECT_EQ(SlotsOf(Pool), 20);
    ASSERT_NE(mgr->FindIndexItem(writing), nullptr);
    EXPECT_EQ(mgr->FindIndexItem(writing)->GetRecordNo(), 10);
    EXPECT_EQ(mgr->GetName(writing), QStringLiteral("grows the file"));
    ASSERT_NE(mgr->FindIndexItem(waiting), nullptr);
    EXPECT_EQ(mgr->FindIndexItem(waiting)->GetRecordNo(), NoKey);
    // The record carries the key it is filed under.
    EXPECT_EQ(ReadSlot(*mgr, 10).GetKey(), writing);
}

TEST_F(PoolMgrTest, TheIndexHoldsAtMost32767EntriesAndRefusesOneMoreCleanly)
{
    auto mgr = Open();
    TPoolIndexRec *item = nullptr;
    for (int i = 0; i < MaxCollectionSize; ++i)
        ASSERT_EQ(mgr->AddIndexRecord(item, false), i);
    const QByteArray before = FileBytes(Pool);
    EXPECT_EQ(mgr->AddIndexRecord(item, false), NoKey);
    EXPECT_EQ(item, nullptr);
    EXPECT_EQ(mgr->NumRecords(), MaxCollectionSize);
    EXPECT_EQ(mgr->GetHighestKey(), MaxCollectionSize - 1);
    EXPECT_EQ(FileBytes(Pool), before);
}

// ---------------------------------------------------------------------------------------------
// Writes and drops

TEST_F(PoolMgrTest, RefusedWritesWriteNothing)
{
    auto mgr = Open();
    AddEntry(*mgr, QStringLiteral("kept"));
    const QByteArray before = FileBytes(Pool);
    TLockvexRec rec;
    rec.SetName(QStringLiteral("intruder"));
    EXPECT_EQ(mgr->WriteIndexedRecord(5, &rec), WriteFail); // not in the index
    int past = mgr->GetControl().PoolNRecs;
    EXPECT_EQ(mgr->BaseWriteRecord(past, &rec), WriteFail); // beyond the last slot

    mgr->SetReadOnlyMode(true);
    TPoolIndexRec *item = nullptr;
    for (int i = 0; i < 12; ++i) {
        const int key = mgr->AddIndexRecord(item, false);
        EXPECT_EQ(mgr->WriteIndexedRecord(key, &rec), WriteFail);
    }
    EXPECT_EQ(mgr->DropIndexedRecord(0, UpdatePermission).Result, WriteFail);
    EXPECT_NE(mgr->FindIndexItem(0), nullptr); // still in the file, still in the index
    EXPECT_EQ(FileBytes(Pool), before);
}

TEST_F(PoolMgrTest, AWriteThatDoesNotReachTheDiskIsAFailure)
{
    auto mgr = Open();
    const int kept = AddEntry(*mgr, QStringLiteral("kept"));
    for (StorageOp failing : {StorageOp::Write, StorageOp::Sync}) {
        Platform.FailStorage = [failing](StorageOp op, const QString &, qint64, qint64) {
            return op == failing ? ENOSPC : 0;
        };
        TPoolIndexRec *item = nullptr;
        const int key = mgr->AddIndexRecord(item, false);
        TLockvexRec rec;
        EXPECT_EQ(mgr->WriteIndexedRecord(key, &rec), WriteFail);
        EXPECT_FALSE(mgr->PoolStatusOk());
        EXPECT_EQ(item->GetRecordNo(), NoKey); // the next write allocates again
        Platform.FailStorage = nullptr;
        EXPECT_EQ(mgr->WriteIndexedRecord(key, &rec), WriteOK);
        EXPECT_EQ(rec.GetCreationDate(), DayNumber(TodayDate));
    }
    EXPECT_EQ(mgr->GetName(kept), QStringLiteral("kept"));
}

TEST_F(PoolMgrTest, DropsMarkTheRecordAndKeepTheFirstDisposeDay)
{
    auto mgr = Open();
    AddEntry(*mgr, QStringLiteral("a"));
    AddEntry(*mgr, QStringLiteral("b"));
    TPoolIndexRec *item = nullptr;
    const int unwritten = mgr->AddIndexRecord(item, false);
    const QByteArray before = FileBytes(Pool);
    EXPECT_EQ(mgr->DropIndexedRecord(unwritten, UpdatePermission).Slot, NoKey);
    EXPECT_EQ(mgr->FindIndexItem(unwritten), nullptr);
    EXPECT_EQ(FileBytes(Pool), before);
    EXPECT_EQ(mgr->DropIndexedRecord(1, BrowsePermission).Slot, NoKey);

    const TDateTime dropDay = TodayDate;
    EXPECT_EQ(mgr->DropIndexedRecord(1, UpdatePermission).Slot, 1);
    EXPECT_EQ(mgr->FindIndexItem(1), nullptr);
    EXPECT_EQ(mgr->GetItemsUsed(), 1);
    AdvanceDays(1);
    (void)mgr->BaseDropRecord(1, UpdatePermission); // already deleted: nothing changes
    const TLockvexRec &dropped = ReadSlot(*mgr, 1);
    EXPECT_TRUE(dropped.IsDeleted());
    EXPECT_EQ(dropped.GetDisposeDate(), dropDay);
    EXPECT_EQ(dropped.GetName(), QStringLiteral("b")); // the other bytes stay
    EXPECT_EQ(mgr->GetItemsUsed(), 1);
}

TEST_F(PoolMgrTest, AWalkThatDropsEntriesVisitsEveryEntry)
{
    auto mgr = Open();
    for (int i = 0; i < 6; ++i)
        AddEntry(*mgr, QStringLiteral("e%1").arg(i));
    std::vector<int> seen;
    TPoolIndexRec *item = nullptr;
    for (bool more = mgr->GetFirstIndexItem(item, FullScan); more; more = mgr->GetNextIndexItem(item, FullScan)) {
        const int key = item->GetKeyFromIndex();
        seen.push_back(key);
        if (key % 2 == 0)
            (void)mgr->DropIndexedRecord(key, UpdatePermission);
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(mgr->NumRecords(), 3);
    EXPECT_EQ(mgr->GetItemsUsed(), 3);
}

// ---------------------------------------------------------------------------------------------
// Scans and bad files

TEST_F(PoolMgrTest, ScansReturnLiveRecordsAndReadingPastTheEndFails)
{
    auto mgr = Open();
    for (int i = 0; i < 4; ++i)
        AddEntry(*mgr, QStringLiteral("e%1").arg(i));
    (void)mgr->DropIndexedRecord(1, UpdatePermission);
    for (auto [mode, expected] :
         {std::pair{SkipDeleted, std::vector<int>{0, 2, 3}}, std::pair{ReadDeleted, std::vector<int>{0, 1, 2, 3}}}) {
        std::vector<int> returned;
        int slot = NoKey;
        TLockvexRec rec;
        for (bool more = mgr->ReadFirst(slot, &rec, mode); more; more = mgr->ReadNext(slot, &rec, mode)) {
            returned.push_back(slot);
            EXPECT_EQ(rec.GetName(), QStringLiteral("e%1").arg(slot));
        }
        EXPECT_EQ(returned, expected);
    }
    TLockvexRec rec;
    EXPECT_EQ(mgr->BaseReadRecord(mgr->GetControl().PoolNRecs, &rec), ReadFail);
    EXPECT_EQ(mgr->BaseReadRecord(-1, &rec), ReadFail);
}

TEST_F(PoolMgrTest, BadFilesOpenOrFailWithoutLosingAByte)
{
    std::mt19937 random(7);
    QByteArray noise(3 * LockvexRecSize + 100, '\0');
    for (char &c : noise)
        c = char(random());
    QByteArray good;
    {
        auto mgr = Open();
        for (int i = 0; i < 3; ++i)
            AddEntry(*mgr, QStringLiteral("e%1").arg(i));
        good = FileBytes(Pool).left(3 * LockvexRecSize);
    }
    struct Case {
        const char *what;
        QByteArray bytes;
        bool opens;
    };
    for (const Case &c :
         {Case{"a partial last record", good + good.left(700), true},
          Case{"random bytes", noise, true}, // it scans: slots of random state
          Case{"less than one record", good.left(1000), false}, Case{"zero bytes", QByteArray(), false}}) {
        SCOPED_TRACE(c.what);
        for (const QString &name : FilesIn(Folder))
            QFile::remove(PathOf(name));
        WriteBytes(Pool, c.bytes);
        auto mgr = Open(DontCreateEmpty);
        EXPECT_EQ(mgr->PoolStatusOk(), c.opens);
        EXPECT_EQ(FileBytes(Pool), c.bytes);
        mgr = Open(DoCreateEmpty);
        if (!c.opens) {
            // Replaced by an empty pool; what it held is kept aside.
            EXPECT_TRUE(mgr->PoolStatusOk());
            EXPECT_EQ(SlotsOf(Pool), 10);
            const QStringList aside = QDir(Folder).entryList({QStringLiteral("Pool.damaged-*")}, QDir::Files);
            ASSERT_EQ(aside.size(), c.bytes.isEmpty() ? 0 : 1);
            if (!aside.isEmpty())
                EXPECT_EQ(FileBytes(PathOf(aside.first())), c.bytes);
        }
    }
}

TEST_F(PoolMgrTest, AScanThatFailsHalfwayLeavesThePoolClosedAndTheFileAlone)
{
    {
        auto mgr = Open();
        for (int i = 0; i < 5; ++i)
            AddEntry(*mgr, QStringLiteral("e%1").arg(i));
    }
    const QByteArray before = FileBytes(Pool);
    Platform.FailStorage = [](StorageOp op, const QString &, qint64 offset, qint64 size) {
        return op == StorageOp::Read && Covers(offset, size, 2 * LockvexRecSize) ? EIO : 0;
    };
    auto mgr = Open(DoCreateEmpty);
    EXPECT_FALSE(mgr->PoolStatusOk());
    EXPECT_EQ(FileBytes(Pool), before);
    EXPECT_TRUE(QDir(Folder).entryList({QStringLiteral("*.damaged-*")}).isEmpty());
}

// The slots a scan reads at once, and a pool of more than two such blocks written in one rewrite.
constexpr int BlockSlots = TPoolMgr::ScanBlockBytes / LockvexRecSize;
constexpr int LongPoolSize = 2 * BlockSlots + 18;

void MakeLongPool(TPoolMgr &mgr, const QString &path)
{
    mgr.SetPoolName(path);
    mgr.OpenPoolForSeqWrite();
    TLockvexRec rec;
    for (int i = 0; i < LongPoolSize; ++i) {
        rec.Init();
        rec.SetName(QStringLiteral("e%1").arg(i));
        rec.SetKey(i);
        mgr.WriteSeqPoolRec(&rec);
    }
    ASSERT_TRUE(mgr.ClosePoolForSeqWrite());
}

// The scan reads many slots at once; a slot it cannot read must still fail it at that slot,
// with that read's error, after every slot before it was returned, wherever the slot lies in
// a block.
TEST_F(PoolMgrTest, AScanStopsAtTheFirstSlotItCannotReadWhereverItLies)
{
    {
        TPoolMgr maker(LockvexRecSize);
        SetEntryOptions(maker);
        MakeLongPool(maker, Pool);
    }
    for (int failing : {0, 1, BlockSlots - 1, BlockSlots, BlockSlots + 19, LongPoolSize - 1}) {
        auto mgr = Open(DontCreateEmpty);
        ASSERT_TRUE(mgr->PoolStatusOk());
        Platform.FailStorage = [failing](StorageOp op, const QString &, qint64 offset, qint64 size) {
            return op == StorageOp::Read && Covers(offset, size, SlotOffset(failing)) ? EIO : 0;
        };
        std::vector<int> returned;
        int slot = NoKey;
        TLockvexRec rec;
        bool more = mgr->ReadFirst(slot, &rec, ReadDeleted);
        for (; more; more = mgr->ReadNext(slot, &rec, ReadDeleted))
            returned.push_back(slot);
        EXPECT_EQ(slot, NoKey) << failing;
        EXPECT_EQ(mgr->GetIOVal(), EIO) << failing;
        std::vector<int> expected(static_cast<size_t>(failing));
        std::iota(expected.begin(), expected.end(), 0);
        EXPECT_EQ(returned, expected) << failing;
        // The open, which reads the next block while it indexes the one before, fails the same way.
        EXPECT_FALSE(mgr->OpenPool(Pool, DontCreateEmpty)) << failing;
        EXPECT_EQ(mgr->GetIOVal(), EIO) << failing;
        Platform.FailStorage = nullptr;
    }
    auto mgr = Open(DontCreateEmpty);
    ASSERT_EQ(mgr->NumRecords(), LongPoolSize);
    for (int key : {0, BlockSlots - 1, BlockSlots, 2 * BlockSlots, LongPoolSize - 1}) {
        TPoolIndexRec *entry = mgr->FindIndexItem(key);
        ASSERT_NE(entry, nullptr) << key;
        EXPECT_EQ(entry->GetIndexedName(), QStringLiteral("e%1").arg(key));
        EXPECT_EQ(entry->GetRecordNo(), key);
    }
}

// Records written while a scan runs are read as written, also those of slots that the scan
// had already read from the disk with the slots before them.
TEST_F(PoolMgrTest, AScanReturnsWhatWasWrittenAheadOfIt)
{
    auto mgr = std::make_unique<TPoolMgr>(LockvexRecSize);
    SetEntryOptions(*mgr);
    MakeLongPool(*mgr, Pool);
    ASSERT_TRUE(mgr->OpenPool(Pool, DontCreateEmpty));
    const auto rename = [&](int key, const QString &name) {
        int recNo = NoKey;
        TLockvexRec rec;
        ASSERT_EQ(mgr->ReadIndexedRecord(key, recNo, &rec), ReadOk);
        rec.SetName(name);
        ASSERT_EQ(mgr->WriteIndexedRecord(key, &rec), WriteOK);
    };
    QStringList names;
    int slot = NoKey;
    TLockvexRec rec;
    for (bool more = mgr->ReadFirst(slot, &rec, SkipDeleted); more; more = mgr->ReadNext(slot, &rec, SkipDeleted)) {
        names << rec.GetName();
        if (slot == 2) {
            rename(2, QStringLiteral("just read")); // the slot the scan returned
            rename(3, QStringLiteral("next"));      // the next slot
        }
        if (slot == BlockSlots + 4) {
            rename(10, QStringLiteral("behind")); // already returned
            rename(BlockSlots + 9, QStringLiteral("further on"));
            rename(LongPoolSize - 1, QStringLiteral("last"));
        }
    }
    ASSERT_EQ(names.size(), LongPoolSize);
    EXPECT_EQ(names[2], QStringLiteral("e2"));
    EXPECT_EQ(names[3], QStringLiteral("next"));
    EXPECT_EQ(names[4], QStringLiteral("e4"));
    EXPECT_EQ(names[10], QStringLiteral("e10"));
    EXPECT_EQ(names[BlockSlots + 9], QStringLiteral("further on"));
    EXPECT_EQ(names[BlockSlots + 10], QStringLiteral("e%1").arg(BlockSlots + 10));
    EXPECT_EQ(names[LongPoolSize - 1], QStringLiteral("last"));
    EXPECT_EQ(mgr->GetControl().ActiveCount, LongPoolSize);
}

TEST_F(PoolMgrTest, ReopeningDoesNotLeakAHandle)
{
    auto mgr = Open();
    const auto openHandles = [] { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System).size(); };
    const qsizetype before = openHandles();
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(mgr->OpenPool(Pool, DontCreateEmpty));
    EXPECT_EQ(openHandles(), before);
}

// ---------------------------------------------------------------------------------------------
// Lookups

TEST_F(PoolMgrTest, LookupsCompareExactlyInTheIndex)
{
    auto mgr = Open();
    for (const char *name : {"Alpha", "Beta", "Gamma", "Delta", "Epsilon"})
        AddEntry(*mgr, QString::fromLatin1(name));
    mgr->SetNameTag(1, QStringLiteral("B"));
    EXPECT_EQ(mgr->GetKey(QStringLiteral("Gamma")), 2);
    EXPECT_EQ(mgr->GetKey(QStringLiteral("gamma")), NoKey);
    EXPECT_TRUE(mgr->DupeNameExists(QStringLiteral("Delta")));
    EXPECT_FALSE(mgr->DupeNameExists(QStringLiteral("DELTA")));
    EXPECT_FALSE(mgr->DupeNameExists(QString()));
    // The rule for entry names: other letter case of a-z and blanks at the ends are the same name.
    for (const char *same : {"Delta", "DELTA", "delta", " dElTa  "})
        EXPECT_TRUE(mgr->NameInUse(QString::fromLatin1(same))) << same;
    for (const char *other : {"Delt", "Deltas", "D elta", ""})
        EXPECT_FALSE(mgr->NameInUse(QString::fromLatin1(other))) << other;
    EXPECT_EQ(mgr->FindNameFromTag(QStringLiteral("B")), QStringLiteral("Beta"));
    EXPECT_EQ(mgr->FindNameFromTag(QString()), QString());

    const QString longName(150, QLatin1Char('x'));
    TLockvexRec rec;
    rec.SetName(longName);
    (void)mgr->WriteIndexedRecord(4, &rec);
    EXPECT_EQ(mgr->GetKey(longName), NoKey);
    EXPECT_EQ(mgr->GetKey(longName.left(111)), 4);

    int ord = 0;
    EXPECT_EQ(mgr->FindIndexRecFromKey(9, ord), nullptr);
    EXPECT_EQ(ord, 4);
    EXPECT_EQ(mgr->FindIndexRecFromKey(3, ord)->GetIndexedName(), QStringLiteral("Delta"));
    EXPECT_EQ(ord, 3);
    int key = 0;
    EXPECT_EQ(mgr->FindIndexRecFromRecNo(2, key)->GetKeyFromIndex(), 2);
    EXPECT_EQ(mgr->FindIndexRecFromRecNo(42, key), nullptr);
    EXPECT_EQ(key, NoKey);
    EXPECT_EQ(mgr->GetPreceedingIndexItem(0), nullptr);
    EXPECT_EQ(mgr->GetPreceedingIndexItem(2)->GetKeyFromIndex(), 1);
    EXPECT_EQ(mgr->GetSucceedingIndexItem(2)->GetKeyFromIndex(), 3);
    EXPECT_EQ(mgr->GetSucceedingIndexItem(4), nullptr);
    EXPECT_EQ(mgr->GetCreationDate(7), NoDate);

    for (int k = 0; k < 3; ++k)
        mgr->IncUsageCount(k);
    mgr->SetUsagePercent();
    EXPECT_EQ(mgr->FindIndexItem(0)->GetIndexedUsagePercent(), 20 + 13); // 1 of 3
    EXPECT_EQ(mgr->FindIndexItem(3)->GetIndexedUsagePercent(), 0);
    for (int k = 0; k < 3; ++k)
        mgr->DecUsageCount(k);
    mgr->SetUsagePercent();
    EXPECT_EQ(mgr->FindIndexItem(0)->GetIndexedUsagePercent(), 0);

    mgr->ConditionalSetTsactnDate(100, 1);
    mgr->ConditionalSetTsactnDate(50, 1);
    int created = 0, used = 0;
    EXPECT_NE(mgr->GetRecordDates(1, created, used), nullptr);
    EXPECT_EQ(used, 100);
}

// The duplicate check keeps its own lookup of the names; over a random run of adds, renames
// (by a write and by SetName), deletions, reopenings and growth it must answer as a walk of the
// index does, for every name, including one cut to the index's length.
TEST_F(PoolMgrTest, TheDuplicateCheckAnswersAsAWalkOfTheIndexDoes)
{
    const QString longName(150, QLatin1Char('y'));
    QStringList names = {QStringLiteral("Bank"),  QStringLiteral("bank"),  QStringLiteral("Mail"),
                         QStringLiteral("Ärger"), QStringLiteral("äRGER"), QStringLiteral("BANK "),
                         QStringLiteral("Shop"),  QStringLiteral("Work"),  longName,
                         longName.left(111)};
    const auto walk = [](TPoolMgr &mgr, const QString &name) {
        const QByteArray bytes = win1252::FromUnicode(name);
        TPoolIndexRec *entry = nullptr;
        for (bool more = mgr.GetFirstIndexItem(entry, FullScan); more; more = mgr.GetNextIndexItem(entry, FullScan))
            if (entry->IndexedNameBytes() == bytes)
                return true;
        return false;
    };
    const auto walkAnyCase = [](TPoolMgr &mgr, const QString &name) {
        const QString asked = AsciiUpper(name.trimmed()).left(111);
        TPoolIndexRec *entry = nullptr;
        for (bool more = mgr.GetFirstIndexItem(entry, FullScan); more; more = mgr.GetNextIndexItem(entry, FullScan))
            if (AsciiUpper(entry->GetIndexedName().trimmed()) == asked)
                return true;
        return false;
    };
    std::mt19937 random(17);
    const auto pick = [&random](int n) { return int(random() % unsigned(n)); };
    auto mgr = Open();
    for (int step = 0; step < 400; ++step) {
        const QString name = names[pick(names.size())];
        const int count = mgr->NumRecords();
        const int key =
            count ? static_cast<TPoolIndexRec *>(mgr->GetPoolIndex()->At(pick(count)))->GetKeyFromIndex() : NoKey;
        switch (count == 0 ? 0 : pick(10)) {
        case 0:
        case 1:
        case 2:
        case 3:
            AddEntry(*mgr, name);
            break;
        case 4:
        case 5: {
            TLockvexRec rec;
            int slot = NoKey;
            ASSERT_EQ(mgr->ReadIndexedRecord(key, slot, &rec), ReadOk);
            rec.SetName(name);
            ASSERT_EQ(mgr->WriteIndexedRecord(key, &rec), WriteOK);
            break;
        }
        case 6:
            mgr->SetName(key, name);
            break;
        case 7:
        case 8:
            (void)mgr->DropIndexedRecord(key, UpdatePermission);
            break;
        default:
            ASSERT_TRUE(mgr->OpenPool(Pool, DontCreateEmpty));
        }
        for (const QString &asked : names) {
            ASSERT_EQ(mgr->DupeNameExists(asked), walk(*mgr, asked))
                << "step " << step << ", " << asked.left(20).toStdString();
            ASSERT_EQ(mgr->NameInUse(asked), walkAnyCase(*mgr, asked))
                << "step " << step << ", any case, " << asked.left(20).toStdString();
        }
    }
    EXPECT_GT(mgr->GetGrowthSteps() + mgr->NumRecords(), 10);
}

// ---------------------------------------------------------------------------------------------
// In-memory records

// A pool that keeps every live record in memory as well.
class InMemoryPool : public TPoolMgr
{
public:
    InMemoryPool() : TPoolMgr(LockvexRecSize)
    {
        SetEntryOptions(*this);
        SetInMemRecs(Yes);
    }
    TBaseDARec *CreateInMemRec() override { return new TLockvexRec; }
};

TEST_F(PoolMgrTest, InMemoryRecordsAreReadFromMemoryAndWrittenPackedInKeyOrderAtClose)
{
    {
        auto mgr = Open();
        for (int i = 0; i < 5; ++i)
            AddEntry(*mgr, QStringLiteral("e%1").arg(i));
        (void)mgr->DropIndexedRecord(1, UpdatePermission);
    }
    {
        InMemoryPool mgr;
        ASSERT_TRUE(mgr.OpenPool(Pool, DontCreateEmpty));
        auto *inMemory = static_cast<TLockvexRec *>(mgr.GetInMemRec(3));
        ASSERT_NE(inMemory, nullptr);
        EXPECT_EQ(inMemory->GetName(), QStringLiteral("e3"));
        inMemory->SetName(QStringLiteral("changed in memory"));
        TLockvexRec rec;
        int slot = NoKey;
        ASSERT_EQ(mgr.ReadIndexedRecord(3, slot, &rec), ReadOk);
        EXPECT_EQ(rec.GetName(), QStringLiteral("changed in memory"));
        int RecordNo = NoKey;
        TBaseDARec *walked = nullptr;
        int count = 0;
        for (bool more = mgr.ReadFirstInMemRec(RecordNo, walked, FullScan); more;
             more = mgr.ReadNextInMemRec(RecordNo, walked, FullScan))
            ++count;
        EXPECT_EQ(count, 4);
    }
    EXPECT_EQ(SlotsOf(Pool), 4); // the close wrote the live records only, packed
    auto mgr = Open(DontCreateEmpty);
    EXPECT_EQ(mgr->GetName(3), QStringLiteral("changed in memory"));
    EXPECT_EQ(mgr->FindIndexItem(3)->GetRecordNo(), 2);

    // A manager that cannot make the records never rewrites the file from an empty memory.
    mgr.reset();
    {
        TPoolMgr noRecords(LockvexRecSize);
        SetEntryOptions(noRecords);
        noRecords.SetInMemRecs(Yes);
        ASSERT_TRUE(noRecords.OpenPool(Pool, DontCreateEmpty));
    }
    EXPECT_EQ(SlotsOf(Pool), 4);
}

// ---------------------------------------------------------------------------------------------
// Copies, year files and the log

TEST_F(PoolMgrTest, CopyFileAsHoldsTheLiveRecordsOnly)
{
    auto mgr = Open();
    for (int i = 0; i < 4; ++i)
        AddEntry(*mgr, QStringLiteral("e%1").arg(i));
    (void)mgr->DropIndexedRecord(2, UpdatePermission);
    const QString copy = PathOf(QStringLiteral("Copy.pool"));
    ASSERT_TRUE(mgr->CopyFileAs(copy));
    EXPECT_EQ(SlotsOf(copy), 3);
    EXPECT_EQ(FileMode(copy), 0600);
    TPoolMgr other(LockvexRecSize);
    SetEntryOptions(other);
    ASSERT_TRUE(other.OpenPool(copy, DontCreateEmpty));
    EXPECT_EQ(other.GetName(3), QStringLiteral("e3"));
    EXPECT_EQ(other.FindIndexItem(2), nullptr);
}

TEST_F(PoolMgrTest, CreateNewYearMakesAnEmptyPoolWithAYearLog)
{
    auto mgr = Open();
    AddEntry(*mgr, QStringLiteral("e"));
    const QString year = PathOf(QStringLiteral("Pool.2017"));
    mgr->CreateNewYear(year);
    EXPECT_EQ(SlotsOf(year), 10);
    EXPECT_TRUE(mgr->PoolStatusOk());
    EXPECT_EQ(mgr->GetPoolFileName(), Pool);
    EXPECT_EQ(mgr->GetName(0), QStringLiteral("e"));
    TPoolMgr other(LockvexRecSize);
    other.OpenPool(year, DontCreateEmpty);
    EXPECT_TRUE(other.GetPoolLogName().endsWith(QStringLiteral("Pool2017.CSV")));
}

TEST_F(PoolMgrTest, TheHeaderColumnsOfALogLineRoundTrip)
{
    TPoolMgr mgr(LockvexRecSize);
    QByteArray header;
    EXPECT_EQ(mgr.BuildHdrCSV(header, nullptr, true), 7);
    NulToComma(header);
    EXPECT_EQ(header, QByteArray("Name,Name Tag,Key,Alt Key,Creation Date,Hdr Fld,"));

    TLockvexRec rec;
    rec.SetName(QStringLiteral("  Bank, main "));
    rec.SetNameTag(QStringLiteral("tag"));
    rec.SetKey(12);
    rec.SetAlternateKey(-1);
    rec.SetCreationDate(46000);
    QByteArray line;
    EXPECT_EQ(mgr.BuildHdrCSV(line, &rec, false), 7);
    NulToComma(line);
    EXPECT_EQ(line, QByteArray("\"Bank, main\",tag,12,-1,46000,,"));

    MarkCSVFieldEnds(line);
    int length = 0, start = 0;
    ASSERT_TRUE(TPoolMgr::CSVFieldPos(line, 2, length, start));
    EXPECT_EQ(line.mid(start, length), QByteArray("tag"));
    EXPECT_FALSE(TPoolMgr::CSVFieldPos(line, 7, length, start));
    TLockvexRec back;
    EXPECT_EQ(mgr.LoadHdrFromCSV(line, &back), 7);
    EXPECT_EQ(back.GetName(), QStringLiteral("Bank, main"));
    EXPECT_EQ(back.GetNameTag(), QStringLiteral("tag"));
    EXPECT_EQ(back.GetKey(), 12);
    EXPECT_EQ(back.GetAlternateKey(), -1);
    EXPECT_EQ(back.GetCreationDate(), 46000);
}

} // namespace
