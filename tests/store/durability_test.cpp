// What a crash or a used-up tail must not do to a record: a record overwritten in its slot is
// never left torn (the journal completes it at the next open), a journal that is itself torn or
// belongs to a file that replaced its own is never applied, and a new record always finds a
// slot when nothing prevents the write.

#include "StoreTestSupport.h"

#include "store/TBDALockvexData.h"

#include <cerrno>
#include <memory>

using namespace store_test;

namespace
{

class DurabilityTest : public StoreTest
{
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        Pool = PathOf(QStringLiteral("TrelLockvex.acsdb"));
        Journal = PathOf(QStringLiteral(".TrelLockvex.acsdb.lvjournal"));
    }

    std::unique_ptr<TPoolMgr> Open()
    {
        auto mgr = std::make_unique<TPoolMgr>(LockvexRecSize);
        SetEntryOptions(*mgr);
        mgr->SetReadOnlyMode(ReadOnlyMode);
        EXPECT_TRUE(mgr->OpenPool(Pool, DoCreateEmpty) || mgr->OpenPool(Pool, DontCreateEmpty));
        return mgr;
    }

    static IOResultType Rewrite(TPoolMgr &mgr, int key, const QString &password)
    {
        TLockvexRec rec;
        int slot = NoKey;
        EXPECT_EQ(mgr.ReadIndexedRecord(key, slot, &rec), ReadOk);
        rec.SetPassword(password);
        rec.CheckUserPermission();
        return mgr.WriteIndexedRecord(key, &rec);
    }

    static QString PasswordOf(TPoolMgr &mgr, int key)
    {
        TLockvexRec rec;
        int slot = NoKey;
        return mgr.ReadIndexedRecord(key, slot, &rec) == ReadOk ? rec.GetPassword() : QStringLiteral("<unreadable>");
    }

    // Bytes into a slot as a write that the system stopped between two pages leaves them.
    void TearSlot(int slot)
    {
        QFile file(Pool);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(qint64(slot) * LockvexRecSize + 700));
        ASSERT_EQ(file.write(QByteArray(LockvexRecSize - 700, '\x5a')), LockvexRecSize - 700);
    }

    QString Pool, Journal;
};

TEST_F(DurabilityTest, ARecordTornByACrashIsCompletedAtTheNextOpen)
{
    int key = NoKey;
    {
        auto mgr = Open();
        key = AddEntry(*mgr, QStringLiteral("bank"), QStringLiteral("old secret"));
        // The crash: the record reached the journal, and its slot only in part.
        Platform.FailStorage = [this](StorageOp op, const QString &path, qint64, qint64) {
            return op == StorageOp::Write && path == Pool ? EIO : 0;
        };
        EXPECT_EQ(Rewrite(*mgr, key, QStringLiteral("new secret")), WriteFail);
        Platform.FailStorage = nullptr;
        TearSlot(mgr->FindIndexItem(key)->GetRecordNo());
    }
    EXPECT_TRUE(QFileInfo::exists(Journal)); // a write that did not reach its place keeps its journal
    EXPECT_EQ(FileMode(Journal), 0600);

    auto mgr = Open();
    EXPECT_EQ(PasswordOf(*mgr, key), QStringLiteral("new secret"));
    EXPECT_EQ(mgr->GetName(key), QStringLiteral("bank"));
    EXPECT_FALSE(QFileInfo::exists(Journal));
}

TEST_F(DurabilityTest, WritesThatEndNormallyLeaveNoJournal)
{
    auto mgr = Open();
    const int key = AddEntry(*mgr, QStringLiteral("bank"), QStringLiteral("one"));
    EXPECT_EQ(Rewrite(*mgr, key, QStringLiteral("two")), WriteOK);
    EXPECT_EQ(mgr->DropIndexedRecord(key, UpdatePermission).Result, WriteOK);
    mgr.reset();
    EXPECT_FALSE(QFileInfo::exists(Journal));
}

TEST_F(DurabilityTest, ATornOrForeignJournalIsRemovedUnapplied)
{
    int key = NoKey;
    QByteArray journal;
    {
        auto mgr = Open();
        key = AddEntry(*mgr, QStringLiteral("bank"), QStringLiteral("kept"));
        Platform.FailStorage = [this](StorageOp op, const QString &path, qint64, qint64) {
            return op == StorageOp::Write && path == Pool ? EIO : 0;
        };
        Rewrite(*mgr, key, QStringLiteral("never written"));
        Platform.FailStorage = nullptr;
    }
    journal = FileBytes(Journal);
    ASSERT_GT(journal.size(), LockvexRecSize);
    const QByteArray pool = FileBytes(Pool);

    struct Case {
        const char *what;
        QByteArray journalBytes;
        bool replaceFile; // the data file is another file now, as after a restore
    };
    QByteArray flipped = journal;
    flipped[flipped.size() - 10] = char(flipped[flipped.size() - 10] ^ 0x01);
    const Case cases[] = {
        {"cut short", journal.left(journal.size() - 100), false},
        {"a byte changed", flipped, false},
        {"header only", journal.left(20), false},
        {"another file's", journal, true}, // last: it replaces the file
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.replaceFile) // the old file stays aside, so that no new file can take its inode
            ASSERT_TRUE(QFile::rename(Pool, PathOf(QStringLiteral("TrelLockvex.old"))));
        WriteBytes(Pool, pool);
        WriteBytes(Journal, c.journalBytes);
        auto mgr = Open();
        EXPECT_EQ(PasswordOf(*mgr, key), QStringLiteral("kept"));
        EXPECT_EQ(FileBytes(Pool), pool);
        EXPECT_FALSE(QFileInfo::exists(Journal));
    }
}

TEST_F(DurabilityTest, AJournalIsNotReplayedIntoReadOnlyData)
{
    {
        auto mgr = Open();
        const int key = AddEntry(*mgr, QStringLiteral("bank"), QStringLiteral("kept"));
        Platform.FailStorage = [this](StorageOp op, const QString &path, qint64, qint64) {
            return op == StorageOp::Write && path == Pool ? EIO : 0;
        };
        Rewrite(*mgr, key, QStringLiteral("pending"));
        Platform.FailStorage = nullptr;
    }
    const QByteArray pool = FileBytes(Pool);
    ReadOnlyMode = true;
    Open().reset();
    EXPECT_EQ(FileBytes(Pool), pool);
    EXPECT_TRUE(QFileInfo::exists(Journal)); // left for the copy of the program that writes
}

// A restore that a failing copy or rename stops must not go on to the older backup or to an
// empty pool: this run's close would then replace the newest backup by less.
TEST_F(DurabilityTest, ARestoreStoppedByAFailingFileOperationLeavesEverythingForTheNextStart)
{
    const QString bac0 = PathOf(QStringLiteral("TrelLockvex.BAC0"));
    const QString bac1 = PathOf(QStringLiteral("TrelLockvex.BAC1"));
    const auto addEntry = [](TV9LockvexTbl &table, const QString &name) {
        TLockvexRec rec;
        rec.SetName(name);
        (void)table.WriteLockvexRec(table.AddLockvexIndexItem(name), &rec);
    };
    {
        TV9LockvexTbl table(true);
        ASSERT_TRUE(table.OpenPool(Pool));
        addEntry(table, QStringLiteral("older"));
    }
    AdvanceDays(1);
    {
        TV9LockvexTbl table(true);
        ASSERT_TRUE(table.OpenPool(Pool));
        addEntry(table, QStringLiteral("newer"));
    }
    const QByteArray newest = FileBytes(bac0), older = FileBytes(bac1);
    ASSERT_NE(newest, older);
    WriteBytes(Pool, QByteArray("damaged"));

    for (const StorageOp failing : {StorageOp::Copy, StorageOp::Rename}) {
        SCOPED_TRACE(int(failing));
        Platform.FailStorage = [failing](StorageOp op, const QString &, qint64, qint64) {
            return op == failing ? EIO : 0;
        };
        {
            TV9LockvexTbl table(true);
            EXPECT_FALSE(table.OpenPool(Pool));
            TLockvexRec rec;
            rec.SetName(QStringLiteral("typed meanwhile"));
            EXPECT_NE(table.WriteLockvexRec(table.AddLockvexIndexItem(rec.GetName()), &rec), WriteOK); // nothing is open to save into
        }                                             // the close writes no copy
        Platform.FailStorage = nullptr;
        EXPECT_EQ(FileBytes(bac0), newest);
        EXPECT_EQ(FileBytes(bac1), older);
        EXPECT_EQ(FileBytes(Pool), QByteArray("damaged"));
    }
    TV9LockvexTbl table(true);
    ASSERT_TRUE(table.OpenPool(Pool)); // the next start restores the newest backup
    EXPECT_NE(table.GetKey(QStringLiteral("newer")), NoKey);
    table.SetRunOnMemstick(true);
}

// A deleted slot at the end of the file, taken from the dispose table for one new record, used
// up the tail; the next new record made the write fail although the disk was fine.
TEST_F(DurabilityTest, ANewRecordFindsASlotAfterTheLastSlotWasReused)
{
    {
        auto mgr = Open();
        for (int i = 0; i < 10; ++i)
            AddEntry(*mgr, QStringLiteral("e%1").arg(i));
        (void)mgr->DropIndexedRecord(9, UpdatePermission); // the last slot
    }
    AdvanceDays(3); // old enough to be reused
    auto mgr = Open();
    ASSERT_EQ(mgr->GetDisposeTbl()[0], 9);
    const int first = AddEntry(*mgr, QStringLiteral("takes slot 9"));
    ASSERT_NE(first, NoKey);
    EXPECT_EQ(mgr->FindIndexItem(first)->GetRecordNo(), 9);
    const int second = AddEntry(*mgr, QStringLiteral("grows the file"));
    ASSERT_NE(second, NoKey) << "a write failed with nothing in its way";
    EXPECT_EQ(mgr->FindIndexItem(second)->GetRecordNo(), 10);
    EXPECT_EQ(QFileInfo(Pool).size(), 20 * LockvexRecSize);
    EXPECT_EQ(PictureOf(*mgr), PictureOfFreshOpen(Pool));
}

} // namespace
