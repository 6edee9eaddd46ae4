#include "store/LockvexCollection.h"
#include "store/LockvexIndexRec.h"
#include "store/RecDALockvex.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <vector>

namespace
{

// An item that counts its own destruction, so that a test sees every free.
struct Item : TObject {
    explicit Item(int id, int *freed = nullptr) : Id(id), Freed(freed) {}
    ~Item() override
    {
        if (Freed)
            ++*Freed;
    }
    int Id;
    int *Freed;
};

int IdAt(const TMYCollection &c, int i)
{
    auto *item = static_cast<Item *>(c.At(i));
    return item ? item->Id : -99;
}

std::vector<int> Ids(const TMYCollection &c)
{
    std::vector<int> ids;
    for (int i = 0; i < c.GetCount(); ++i)
        ids.push_back(IdAt(c, i));
    return ids;
}

template <typename F> std::string MessageOf(F f)
{
    try {
        f();
    } catch (const CollException &e) {
        return e.what();
    }
    return "(no exception)";
}

TEST(Collection, InsertsInPlaceAndGrowsByDelta)
{
    TMYCollection c(2, 3);
    EXPECT_EQ(c.GetLimit(), 2);
    c.Insert(new Item(1));
    c.Insert(new Item(3));
    c.AtInsert(1, new Item(2)); // full: grows by the delta first
    EXPECT_EQ(c.GetLimit(), 5);
    c.AtInsert(3, new Item(4)); // the count appends
    EXPECT_EQ(Ids(c), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(c.At(-1), nullptr);
    EXPECT_EQ(c.At(4), nullptr);
}

TEST(Collection, MisuseRaisesTheThreeMessagesAndChangesNothing)
{
    int freed = 0;
    TMYCollection c(2, 0);
    c.Insert(new Item(1, &freed));
    c.Insert(new Item(2, &freed));
    Item extra(9);

    EXPECT_EQ(MessageOf([&] { c.Insert(&extra); }), "Collection overflow - cannot grow!");
    EXPECT_EQ(MessageOf([&] { c.AtInsert(5, &extra); }), "Collection error; wrong index: 5");
    EXPECT_EQ(MessageOf([&] { c.AtPut(2, &extra); }), "Collection error; wrong index: 2");
    EXPECT_EQ(MessageOf([&] { c.AtDelete(-1); }), "Collection error; wrong index: -1");
    EXPECT_EQ(MessageOf([&] { c.DeleteItem(&extra); }), "Collection error; wrong index: -1");
    EXPECT_EQ(MessageOf([&] { c.SetLimit(1); }), "Collection underflow - cannot shrink!");
    EXPECT_NO_THROW(c.Error(-4, 0));

    EXPECT_EQ(Ids(c), (std::vector<int>{1, 2}));
    EXPECT_EQ(c.GetLimit(), 2);
    EXPECT_EQ(freed, 0);
}

TEST(Collection, RemovalsFreeTheirItemsOnceAndDestructionFreesTheRest)
{
    int freed = 0;
    {
        TMYCollection c(4, 4);
        for (int i = 0; i < 5; ++i)
            c.Insert(new Item(i, &freed));
        c.AtDelete(0);
        c.AtFree(0);
        EXPECT_EQ(freed, 2);
        EXPECT_EQ(Ids(c), (std::vector<int>{2, 3, 4}));
        auto *keep = static_cast<Item *>(c.At(0));
        c.AtPut(0, new Item(7, &freed)); // the replaced item is neither freed nor owned any more
        EXPECT_EQ(freed, 2);
        delete keep;
        EXPECT_EQ(freed, 3);
        c.FreeAll();
        EXPECT_EQ(freed, 6);
        EXPECT_EQ(c.GetCount(), 0);
        EXPECT_EQ(c.GetLimit(), 8); // the slots stay
        c.Insert(new Item(8, &freed));
    }
    EXPECT_EQ(freed, 7);
}

TEST(Collection, PackRemovesNilSlots)
{
    TMYCollection c(4, 0);
    Item a(1), b(2);
    c.Insert(&a);
    c.Insert(nullptr);
    c.Insert(&b);
    c.Insert(nullptr);
    c.Pack();
    EXPECT_EQ(Ids(c), (std::vector<int>{1, 2}));
    c.AtPut(0, nullptr); // not owned here
    c.AtPut(1, nullptr);
}

TEST(Collection, WalksOnAnEmptyCollectionGiveNil)
{
    TMYCollection c(0, 0);
    TObject *item = &c; // anything but nil
    EXPECT_FALSE(c.First(item));
    EXPECT_EQ(item, nullptr);
    item = &c;
    EXPECT_FALSE(c.SearchFirst(item));
    EXPECT_EQ(item, nullptr);
    EXPECT_FALSE(c.Next(item));
    EXPECT_FALSE(c.SearchNext(item));
    EXPECT_FALSE(c.Last(item));
}

TEST(Collection, DeleteItemInAFullWalkReturnsTheItemThatMovedUp)
{
    TMYCollection c(3, 0);
    c.Insert(new Item(1));
    c.Insert(new Item(2));
    c.Insert(new Item(3));
    std::vector<int> seen;
    TObject *item = nullptr;
    for (bool more = c.First(item); more; more = c.Next(item)) {
        seen.push_back(static_cast<Item *>(item)->Id);
        if (seen.back() == 1)
            c.DeleteItem(item);
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Ids(c), (std::vector<int>{2, 3}));
}

TEST(Collection, AtDeleteBeforeTheCursorSkipsOneItem)
{
    TMYCollection c(4, 0);
    for (int i = 1; i <= 4; ++i)
        c.Insert(new Item(i));
    TObject *item = nullptr;
    c.First(item);
    c.Next(item); // at 2
    c.AtDelete(0);
    ASSERT_TRUE(c.Next(item));
    EXPECT_EQ(static_cast<Item *>(item)->Id, 4);
}

TEST(Collection, ThePartialWalkDoesNotDisturbTheFullWalk)
{
    TMYCollection c(3, 0);
    for (int i = 1; i <= 3; ++i)
        c.Insert(new Item(i));
    std::vector<int> outer, inner;
    TObject *item = nullptr, *other = nullptr;
    for (bool more = c.First(item); more; more = c.Next(item)) {
        outer.push_back(static_cast<Item *>(item)->Id);
        for (bool in = c.SearchFirst(other); in; in = c.SearchNext(other))
            inner.push_back(static_cast<Item *>(other)->Id);
    }
    EXPECT_EQ(outer, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(inner.size(), 9u);
    ASSERT_TRUE(c.Last(item));
    EXPECT_EQ(static_cast<Item *>(item)->Id, 3);
}

TEST(Collection, HoldsAtMost32767ItemsAndNeverWraps)
{
    TMYCollection c(50, 50);
    std::vector<Item> items(MaxCollectionSize + 1, Item(0));
    for (int i = 0; i < MaxCollectionSize; ++i)
        c.Insert(&items[i]);
    EXPECT_EQ(c.GetCount(), MaxCollectionSize);
    EXPECT_EQ(c.GetLimit(), MaxCollectionSize); // the last step was cut to the limit
    EXPECT_TRUE(c.IsFull());
    EXPECT_EQ(MessageOf([&] { c.Insert(&items.back()); }), "Collection overflow - cannot grow!");
    EXPECT_EQ(c.GetCount(), MaxCollectionSize);
    // A full walk reaches the end and stops there.
    TObject *item = nullptr;
    int walked = 0;
    for (bool more = c.First(item); more; more = c.Next(item))
        ++walked;
    EXPECT_EQ(walked, MaxCollectionSize);
    EXPECT_FALSE(c.Next(item));
    for (int i = 0; i < MaxCollectionSize; ++i)
        c.AtPut(i, nullptr); // the items belong to the vector
}

TEST(Collection, FileHeaderAndDelimiterRoundTrip)
{
    TMYCollection c(7, 3);
    c.Insert(new Item(1));
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    ASSERT_TRUE(c.StoreFileHeader(buffer));
    ASSERT_TRUE(c.StoreDelimiter(buffer));
    EXPECT_EQ(buffer.data(), QByteArray::fromHex("010007000300"
                                                 "0000"));

    TMYCollection d(0, 0);
    buffer.seek(0);
    ASSERT_TRUE(d.LoadFileHeader(buffer));
    ASSERT_TRUE(d.LoadDelimiter(buffer));
    EXPECT_EQ(d.GetCount(), 1);
    EXPECT_EQ(d.GetLimit(), 7);
    EXPECT_EQ(d.GetDelta(), 3);
    EXPECT_EQ(d.At(0), nullptr); // slots exist but hold nothing

    QBuffer bad;
    bad.setData(QByteArray::fromHex("0900020000"));
    bad.open(QIODevice::ReadOnly);
    EXPECT_FALSE(d.LoadFileHeader(bad)); // short, and count above limit
    EXPECT_EQ(d.GetLimit(), 7);
}

TEST(IndexRec, StartsEmptyCutsTextAndOwnsItsRecord)
{
    TPoolIndexRec rec;
    EXPECT_EQ(rec.GetKeyFromIndex(), NoKey);
    EXPECT_EQ(rec.GetAltKeyFromIndex(), NoKey);
    EXPECT_EQ(rec.GetRecordNo(), NoKey);
    EXPECT_EQ(rec.GetIndexedCreationDate(), NoDate);
    EXPECT_EQ(rec.GetIndexedTsactnDate(), NoDate);
    EXPECT_EQ(rec.GetEffectiveFrom(), -1);
    EXPECT_EQ(rec.GetUpdateAction(), NotRelevant);
    EXPECT_FALSE(rec.IsFlagged());
    EXPECT_TRUE(rec.GetIndexedName().isEmpty());

    rec.SetIndexedName(QString(150, QLatin1Char('n')));
    EXPECT_EQ(rec.GetIndexedName(), QString(111, QLatin1Char('n')));
    rec.SetIndexedNameTag(QStringLiteral("é-tag-longer-than-fifteen"));
    EXPECT_EQ(rec.GetIndexedNameTag(), QStringLiteral("é-tag-longer-th"));
    EXPECT_EQ(rec.IndexedNameTagBytes().size(), 15);

    rec.SetIndexedUsageCount(2);
    rec.IncIndexedUsageCount();
    rec.DecIndexedUsageCount();
    rec.DecIndexedUsageCount();
    EXPECT_EQ(rec.GetIndexedUsageCount(), 1);

    // Destroying the entry destroys its in-memory record (a leak checker sees it otherwise).
    rec.SetRecPtr(new TLockvexRec);
}

TEST(IndexRec, TheIndexFreesItsEntries)
{
    TPoolIndex index(2, 2);
    for (int key = 0; key < 5; ++key) {
        auto *rec = new TPoolIndexRec;
        rec->SetKeyInIndex(key);
        rec->SetRecPtr(new TLockvexRec);
        index.Insert(rec);
    }
    index.AtDelete(2);
    EXPECT_EQ(static_cast<TPoolIndexRec *>(index.At(2))->GetKeyFromIndex(), 3);
    EXPECT_EQ(index.GetLimit(), 6);
}

} // namespace
