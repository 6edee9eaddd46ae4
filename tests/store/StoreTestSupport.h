#pragma once
// What the store's tests share: the platform double with its clock, a data folder, a pool
// manager set up as the entry table sets it up, and a comparison of a manager's counters,
// dispose table and index with what a fresh open of the same file gives.

#include "common/DateStamp.h"
#include "store/PoolFile.h"
#include "store/RecDALockvex.h"
#include "store/TbDALockvexBase.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace store_test
{

using testing_support::Covers;
using testing_support::StorageOp;

class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TodayDate = StampNow().TodayDate;
        Folder = Platform.Home() + QStringLiteral("/data");
        QDir().mkpath(Folder);
    }
    void TearDown() override
    {
        Platform.FailStorage = nullptr;
    }

    QString PathOf(const QString &name) const { return Folder + QLatin1Char('/') + name; }
    void AdvanceDays(int days)
    {
        Platform.Clock = Platform.Clock.addDays(days);
        TodayDate = StampNow().TodayDate;
    }

    testing_support::TestPlatform Platform;
    platform::ScopedInstall Guard{Platform};
    QString Folder;
    TDateTime TodayDate = 0;   // the day of the platform clock, as the tables made now take it
    bool ReadOnlyMode = false; // the mode the tables this test opens are given
};

// A pool manager with the entry table's options: indexed, grows 10 slots at a time, enciphered.
inline void SetEntryOptions(TPoolMgr &mgr)
{
    mgr.SetIndexedFile(Yes);
    mgr.SetPoolExtensionSize(10);
    mgr.SetEncryptedRecs(Yes);
}

// Adds an index entry and writes a record for it; the key, or NoKey when the write failed.
inline int AddEntry(TPoolMgr &mgr, const QString &name, const QString &password = QString())
{
    TPoolIndexRec *item = nullptr;
    const int key = mgr.AddIndexRecord(item, false);
    TLockvexRec rec;
    rec.SetName(name);
    rec.SetPassword(password);
    rec.SetKey(key);
    return mgr.WriteIndexedRecord(key, &rec) == WriteOK ? key : NoKey;
}

inline QByteArray FileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

inline int FileMode(const QString &path)
{
    struct stat info {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

// Changes one record of a pool file as a damaged disk would: deciphered, changed, enciphered
// again with its own filing day.
inline void ChangeRecord(QByteArray &bytes, int slot, const std::function<void(V9LockvexData &)> &change)
{
    auto *at = reinterpret_cast<uint8_t *>(bytes.data()) + SlotOffset(slot);
    V9LockvexData rec;
    std::memcpy(&rec, at, sizeof rec);
    DecipherIfEnciphered(reinterpret_cast<uint8_t *>(&rec), LockvexRecSize);
    change(rec);
    EncipherRecord(reinterpret_cast<const uint8_t *>(&rec), at, LockvexRecSize);
}

// What a full scan at open rebuilds, for comparison.
struct PoolPicture {
    int PoolNRecs, NextFreeRec, ActiveCount;
    DeletedRecTbl DisposeTbl;
    std::vector<std::tuple<int, int, QByteArray, int>> Index; // key, slot, name, creation date

    bool operator==(const PoolPicture &) const = default;
};

inline PoolPicture PictureOf(const TPoolMgr &mgr)
{
    PoolPicture p{mgr.GetControl().PoolNRecs,
                  mgr.GetControl().NextFreeRec,
                  mgr.GetControl().ActiveCount,
                  mgr.GetDisposeTbl(),
                  {}};
    if (TPoolIndex *index = mgr.GetPoolIndex())
        for (int i = 0; i < index->GetCount(); ++i) {
            auto *e = static_cast<TPoolIndexRec *>(index->At(i));
            p.Index.emplace_back(e->GetKeyFromIndex(), e->GetRecordNo(), e->IndexedNameBytes().toByteArray(),
                                 e->GetIndexedCreationDate());
        }
    return p;
}

inline PoolPicture PictureOfFreshOpen(const QString &path)
{
    TPoolMgr fresh(LockvexRecSize);
    SetEntryOptions(fresh);
    EXPECT_TRUE(fresh.OpenPool(path, DontCreateEmpty));
    return PictureOf(fresh);
}

inline void PrintTo(const PoolPicture &p, std::ostream *os)
{
    *os << "slots " << p.PoolNRecs << " nextfree " << p.NextFreeRec << " active " << p.ActiveCount << " dispose [";
    for (int s : p.DisposeTbl)
        if (s != NoKey)
            *os << s << ' ';
    *os << "] index " << p.Index.size();
}

} // namespace store_test
