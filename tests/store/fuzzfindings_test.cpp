// Inputs the fuzz targets found faults with, kept so that the faults stay fixed. The files are
// in tests/data/fuzz-*.

#include "StoreTestSupport.h"

#include "store/TBDALockvexData.h"

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
// key 0 never lands on the other record.
TEST_F(StoreFuzzFindings, TwoRecordsWithOneKeyAreLookedUpTheSameWayAsTheIndexGrows)
{
    const QString data = CopyOfFixture("fuzz-duplicate-key.acsdb");
    TV9LockvexTbl table(true);
    ASSERT_TRUE(table.OpenPool(data));
    ASSERT_EQ(RecordsOfKey(table, 0).size(), 2);
    TLockvexRec rec;
    ASSERT_EQ(table.GetLockvexRec(0, &rec), ReadOk);
    const QString first = rec.GetName();
    rec.SetPassword(QStringLiteral("changed"));
    table.WriteLockvexRec(0, &rec);
    ASSERT_TRUE(table.LastWriteSucceeded());

    for (int added = 0; added < 8; ++added) {
        const int key = table.AddLockvexIndexItem(QStringLiteral("Entry %1").arg(added));
        TLockvexRec entry;
        entry.SetName(QStringLiteral("Entry %1").arg(added));
        table.WriteLockvexRec(key, &entry);
        ASSERT_TRUE(table.LastWriteSucceeded());
        ASSERT_EQ(table.GetLockvexRec(0, &rec), ReadOk);
        EXPECT_EQ(rec.GetName(), first) << "after adding " << added + 1;
        EXPECT_EQ(rec.GetPassword(), QStringLiteral("changed")) << "after adding " << added + 1;
    }
    // The other record of the key is as the file held it.
    const auto records = RecordsOfKey(table, 0);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(std::count_if(records.begin(), records.end(), [](const auto &r) { return r.second == "changed"; }), 1);
}

} // namespace
