// Inputs the fuzz targets found faults with, kept so that the faults stay fixed. The files are
// in tests/data/fuzz-*.

#include "StoreTestSupport.h"

#include "store/TBDALockvexData.h"

#include <sys/stat.h>

#include <cstring>
#include <memory>

using namespace store_test;

namespace
{

class StoreFuzzFindings : public StoreTest
{
protected:
    QString CopyOfFixture(const char *fixture, const QString &name = QStringLiteral("TrelLockvex.acsdb"))
    {
        const QString path = PathOf(name);
        EXPECT_TRUE(QFile::copy(QStringLiteral(LOCKVEX_TEST_DATA "/") + QLatin1String(fixture), path));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return path;
    }

    // The live records of a key, by slot: name and password.
    static QList<std::pair<QString, QString>> RecordsOfKey(TV9LockvexTbl &table, int key)
    {
        QList<std::pair<QString, QString>> found;
        TLockvexRec rec;
        int slot = NoKey;
        for (bool more = table.ReadFirst(slot, &rec, SkipDeleted); more; more = table.ReadNext(slot, &rec, SkipDeleted))
            if (rec.GetKey() == key)
                found.append({rec.GetName(), rec.GetPassword()});
        return found;
    }
};

// A damaged data file holds two live records with key 0 ("Bank" and one without a name). Every
// lookup of key 0 must find the same record, however large the index grows, so that a write of
// key 0 never lands on the other record. The file the fuzzer made holds more damage than that
// and is taken as damaged now (set aside, whatever is whole before the damage kept); two records
// of one key are otherwise what the store writes.
TEST_F(StoreFuzzFindings, TwoRecordsWithOneKeyAreLookedUpTheSameWayAsTheIndexGrows)
{
    {
        TV9LockvexTbl found(true);
        found.SetRunOnMemstick(true);
        EXPECT_TRUE(found.OpenPool(CopyOfFixture("fuzz-duplicate-key.acsdb", QStringLiteral("found.acsdb"))));
        EXPECT_NE(found.DataRepair(), TDataRepair::None);
        EXPECT_EQ(FileBytes(found.DamagedFileKeptAs()), FileBytes(QStringLiteral(LOCKVEX_TEST_DATA "/fuzz-duplicate-key.acsdb")));
    }
    const QString data = PathOf(QStringLiteral("TrelLockvex.acsdb"));
    {
        TV9LockvexTbl maker(true);
        maker.SetRunOnMemstick(true);
        ASSERT_TRUE(maker.OpenPool(data));
        for (const char *name : {"Bank", ""}) {
            TLockvexRec rec;
            rec.SetName(QLatin1String(name));
            (void)maker.WriteLockvexRec(maker.AddLockvexIndexItem(QLatin1String(name)), &rec);
        }
    }
    QByteArray bytes = FileBytes(data);
    ChangeRecord(bytes, 1, [](V9LockvexData &r) { r.RecHdr.Key = 0; });
    WriteBytes(data, bytes);
    TV9LockvexTbl table(true);
    ASSERT_TRUE(table.OpenPool(data));
    ASSERT_EQ(RecordsOfKey(table, 0).size(), 2);
    TLockvexRec rec;
    ASSERT_EQ(table.GetLockvexRec(0, &rec), ReadOk);
    const QString first = rec.GetName();
    rec.SetPassword(QStringLiteral("changed"));
    ASSERT_EQ(table.WriteLockvexRec(0, &rec), WriteOK);

    for (int added = 0; added < 8; ++added) {
        const int key = table.AddLockvexIndexItem(QStringLiteral("Entry %1").arg(added));
        TLockvexRec entry;
        entry.SetName(QStringLiteral("Entry %1").arg(added));
        ASSERT_EQ(table.WriteLockvexRec(key, &entry), WriteOK);
        ASSERT_EQ(table.GetLockvexRec(0, &rec), ReadOk);
        EXPECT_EQ(rec.GetName(), first) << "after adding " << added + 1;
        EXPECT_EQ(rec.GetPassword(), QStringLiteral("changed")) << "after adding " << added + 1;
    }
    // The other record of the key is as the file held it.
    const auto records = RecordsOfKey(table, 0);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(std::count_if(records.begin(), records.end(), [](const auto &r) { return r.second == "changed"; }), 1);
}

// A write journal whose checksum holds and which names the data file, but whose record lies off a
// record boundary or further past the end than one growth reaches, is not replayed: no write in
// place ever put a record there, and replaying it would tear two records or grow the file
// without bound. One on a record boundary inside the file is replayed (which shows that the
// journals made here are whole), and so is one in the slot just past the end: a power cut may
// have taken the growth that made that slot together with the record written into it.
TEST_F(StoreFuzzFindings, AJournalPointingOutsideTheSlotsIsNotReplayed)
{
    const QString data = PathOf(QStringLiteral("TrelLockvex.acsdb"));
    {
        TV9LockvexTbl table(true);
        ASSERT_TRUE(table.OpenPool(data));
        for (const char *name : {"Bank", "Shop", "Mail"}) {
            TLockvexRec rec;
            rec.SetName(QLatin1String(name));
            (void)table.WriteLockvexRec(table.AddLockvexIndexItem(QLatin1String(name)), &rec);
        }
    }
    const QByteArray original = FileBytes(data);
    const QByteArray firstRecord = original.left(LockvexRecSize);
    const auto journalFor = [&](qint64 position) {
        struct stat info {
        };
        EXPECT_EQ(::stat(QFile::encodeName(data).constData(), &info), 0);
        QByteArray journal(48, '\0');
        const uint64_t device = info.st_dev, inode = info.st_ino;
        const int64_t size = LockvexRecSize;
        std::memcpy(journal.data(), "LVJRNL01", 8);
        std::memcpy(journal.data() + 8, &device, 8);
        std::memcpy(journal.data() + 16, &inode, 8);
        std::memcpy(journal.data() + 24, &position, 8);
        std::memcpy(journal.data() + 32, &size, 8);
        uint64_t hash = 14695981039346656037ull; // FNV-1a over bytes 0 to 39 and the record
        for (const QByteArray &part : {journal.left(40), firstRecord})
            for (char c : part)
                hash = (hash ^ uint8_t(c)) * 1099511628211ull;
        std::memcpy(journal.data() + 40, &hash, 8);
        return journal + firstRecord;
    };
    const QString journal = TPoolFile::JournalNameFor(data);
    for (const qint64 position : {qint64(LockvexRecSize) * 5000, qint64(LockvexRecSize) / 2,
                                  qint64(original.size()) + qint64(LockvexRecSize) * MaxRecsToAdd}) {
        WriteBytes(journal, journalFor(position));
        {
            TV9LockvexTbl table(true);
            table.SetRunOnMemstick(true); // no copies at the close: only the open counts here
            ASSERT_TRUE(table.OpenPool(data)) << position;
        }
        EXPECT_EQ(FileBytes(data), original) << position;
        EXPECT_FALSE(QFileInfo::exists(journal)) << position;
    }
    WriteBytes(journal, journalFor(2 * LockvexRecSize));
    {
        TV9LockvexTbl table(true);
        table.SetRunOnMemstick(true);
        ASSERT_TRUE(table.OpenPool(data));
    }
    EXPECT_EQ(FileBytes(data).mid(2 * LockvexRecSize, LockvexRecSize), firstRecord);
    EXPECT_FALSE(QFileInfo::exists(journal));

    WriteBytes(journal, journalFor(original.size()));
    {
        TV9LockvexTbl table(true);
        table.SetRunOnMemstick(true);
        ASSERT_TRUE(table.OpenPool(data));
    }
    EXPECT_EQ(FileBytes(data).mid(original.size()), firstRecord);
    EXPECT_FALSE(QFileInfo::exists(journal));
}

} // namespace
