#include "store/LockvexCollection.h"

#include <QtEndian>

#include <algorithm>

TMYCollection::TMYCollection(int aLimit, int aDelta) : Delta(int16_t(std::clamp(aDelta, 0, MaxCollectionSize)))
{
    SetLimit(aLimit);
}

TMYCollection::~TMYCollection()
{
    FreeAll();
    SetLimit(0);
}

void TMYCollection::Error(int Code, int Info)
{
    switch (Code) {
    case CollIndexError:
        throw CollException("Collection error; wrong index: " + std::to_string(Info));
    case CollOverflow:
        throw CollException("Collection overflow - cannot grow!");
    case CollUnderflow:
        throw CollException("Collection underflow - cannot shrink!");
    default:
        break;
    }
}

void TMYCollection::Resize(int newLimit)
{
    DynamicList.resize(size_t(newLimit), nullptr);
    ItemCollection = DynamicList.empty() ? nullptr : DynamicList.data();
    Limit = int16_t(newLimit);
}

void TMYCollection::SetLimit(int aLimit)
{
    if (aLimit < Count)
        Error(CollUnderflow, aLimit);
    // A limit the 16-bit count cannot reach is cut to the most the collection can hold.
    aLimit = std::clamp(aLimit, 0, MaxCollectionSize);
    if (aLimit == Limit)
        return;
    Resize(aLimit);
}

TObject *TMYCollection::At(int Index) const
{
    if (Index < 0 || Index >= Count)
        return nullptr;
    return ItemCollection[Index];
}

void TMYCollection::AtPut(int Index, TObject *Item)
{
    if (Index < 0 || Index >= Count)
        Error(CollIndexError, Index);
    ItemCollection[Index] = Item;
}

void TMYCollection::AtInsert(int Index, TObject *Item)
{
    if (Index < 0 || Index > Count)
        Error(CollIndexError, Index);
    if (Count == Limit) {
        // Growing stops at the 16-bit limit: a full collection of MaxCollectionSize items
        // cannot grow, whatever its delta.
        if (Delta == 0 || Limit >= MaxCollectionSize)
            Error(CollOverflow, Index);
        SetLimit(Limit + Delta);
    }
    TObject **array = ItemCollection;
    std::move_backward(array + Index, array + Count, array + Count + 1);
    array[Index] = Item;
    ++Count;
}

void TMYCollection::Insert(TObject *Item)
{
    AtInsert(Count, Item);
}

void TMYCollection::RemoveSlot(int Index)
{
    TObject **array = ItemCollection;
    std::move(array + Index + 1, array + Count, array + Index);
    --Count;
    array[Count] = nullptr;
}

void TMYCollection::AtDelete(int Index)
{
    if (Index < 0 || Index >= Count)
        Error(CollIndexError, Index);
    TObject *item = ItemCollection[Index];
    // The slot goes first, so that an item whose destruction looks at the collection no longer
    // finds itself in it.
    RemoveSlot(Index);
    FreeItem(item);
}

void TMYCollection::AtFree(int Index)
{
    AtDelete(Index);
}

void TMYCollection::DeleteItem(TObject *Item)
{
    const int position = IndexOf(Item);
    LastDeletedItem = int16_t(position);
    AtDelete(position);
}

void TMYCollection::FreeItem(TObject *Item)
{
    delete Item;
}

int TMYCollection::IndexOf(TObject *Item)
{
    for (int i = 0; i < Count; ++i)
        if (ItemCollection[i] == Item)
            return i;
    return -1;
}

void TMYCollection::FreeAll()
{
    for (int i = 0; i < Count; ++i) {
        TObject *item = ItemCollection[i];
        ItemCollection[i] = nullptr;
        FreeItem(item);
    }
    Count = 0;
}

void TMYCollection::Pack()
{
    for (int i = Count - 1; i >= 0; --i)
        if (ItemCollection[i] == nullptr)
            RemoveSlot(i);
}

bool TMYCollection::First(TObject *&Item)
{
    Pack();
    FNCurrentItem = 0;
    LastDeletedItem = -1;
    Item = At(0);
    return Item != nullptr;
}

bool TMYCollection::Next(TObject *&Item)
{
    // The cursor never runs past Count, so that it cannot wrap around its 16 bits.
    if (LastDeletedItem != FNCurrentItem && FNCurrentItem < Count)
        ++FNCurrentItem;
    Item = At(FNCurrentItem);
    LastDeletedItem = -1;
    return Item != nullptr;
}

bool TMYCollection::SearchFirst(TObject *&Item)
{
    Pack();
    SFSNCurrentItem = 0;
    Item = At(0);
    return Item != nullptr;
}

bool TMYCollection::SearchNext(TObject *&Item)
{
    if (SFSNCurrentItem < Count)
        ++SFSNCurrentItem;
    Item = At(SFSNCurrentItem);
    return Item != nullptr;
}

bool TMYCollection::Last(TObject *&Item) const
{
    Item = At(Count - 1);
    return Item != nullptr;
}

namespace
{

bool WriteWord(QIODevice &S, uint16_t value)
{
    uchar bytes[2];
    qToLittleEndian(value, bytes);
    return S.write(reinterpret_cast<const char *>(bytes), 2) == 2;
}

bool ReadWord(QIODevice &S, uint16_t &value)
{
    uchar bytes[2];
    if (S.read(reinterpret_cast<char *>(bytes), 2) != 2)
        return false;
    value = qFromLittleEndian<uint16_t>(bytes);
    return true;
}

} // namespace

bool TMYCollection::StoreFileHeader(QIODevice &S) const
{
    return WriteWord(S, uint16_t(Count)) && WriteWord(S, uint16_t(Limit)) && WriteWord(S, uint16_t(Delta));
}

bool TMYCollection::LoadFileHeader(QIODevice &S)
{
    uint16_t count = 0, limit = 0, delta = 0;
    if (!ReadWord(S, count) || !ReadWord(S, limit) || !ReadWord(S, delta))
        return false;
    const int16_t newCount = int16_t(count), newLimit = int16_t(limit), newDelta = int16_t(delta);
    if (newCount < 0 || newLimit < newCount || newDelta < 0)
        return false;
    FreeAll();
    Resize(newLimit);
    Count = newCount;
    Delta = newDelta;
    return true;
}

bool TMYCollection::StoreDelimiter(QIODevice &S) const
{
    return WriteWord(S, Delimiter);
}

bool TMYCollection::LoadDelimiter(QIODevice &S)
{
    return ReadWord(S, Delimiter);
}
