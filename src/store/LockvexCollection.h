#pragma once
// TMYCollection: a growable array of object pointers with two independent walks, the base of
// the pool index. The collection owns its items: every removal frees the item it removes.
// Counts are 16-bit signed, so a collection holds at most MaxCollectionSize items; misuse
// (a wrong position, a full collection that may not grow, shrinking below the count) raises
// CollException, the only exception the store ever raises.

#include <QIODevice>

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

// The root of every object a collection can own: freeing an item destroys it through this
// virtual destructor.
class TObject
{
public:
    virtual ~TObject() = default;
};

class CollException : public std::exception
{
public:
    explicit CollException(std::string message) : message_(std::move(message)) {}
    const char *what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

constexpr int MaxCollectionSize = 32767; // the counts are 16-bit signed

// The error codes of a collection.
constexpr int CollIndexError = -1; // position out of range
constexpr int CollOverflow = -2;   // full and may not grow
constexpr int CollUnderflow = -3;  // limit below the count

class TMYCollection : public TObject
{
public:
    TMYCollection(int aLimit, int aDelta);
    ~TMYCollection() override;
    TMYCollection(const TMYCollection &) = delete;
    TMYCollection &operator=(const TMYCollection &) = delete;

    // Raises CollException for the three error codes above; any other code does nothing.
    virtual void Error(int Code, int Info);
    virtual void SetLimit(int aLimit);
    virtual void Insert(TObject *Item);
    virtual void FreeItem(TObject *Item);
    virtual int IndexOf(TObject *Item);

    int16_t GetCount() const { return Count; }
    int16_t GetLimit() const { return Limit; }
    int16_t GetDelta() const { return Delta; }
    bool IsFull() const { return Count >= MaxCollectionSize; }

    TObject *At(int Index) const; // nil outside 0..Count-1
    void AtPut(int Index, TObject *Item);
    void AtInsert(int Index, TObject *Item);
    void AtDelete(int Index);
    void AtFree(int Index);
    void DeleteItem(TObject *Item);
    void FreeAll();
    void Pack();

    // Full walk; a DeleteItem of the current item makes the next Next return the item that
    // moved into its place.
    bool First(TObject *&Item);
    bool Next(TObject *&Item);
    // Partial walk, independent of the full one.
    bool SearchFirst(TObject *&Item);
    bool SearchNext(TObject *&Item);
    bool Last(TObject *&Item) const;

    // Count, Limit, Delta as three 16-bit little-endian values.
    bool StoreFileHeader(QIODevice &S) const;
    // Reads the three values back. The slots are made to match: the collection is emptied and
    // holds Count nil slots, so At never reaches past the array. A short read or values that do
    // not make a collection change nothing and give false.
    bool LoadFileHeader(QIODevice &S);
    bool StoreDelimiter(QIODevice &S) const;
    bool LoadDelimiter(QIODevice &S);

protected:
    int16_t Count = 0;
    int16_t Limit = 0;
    int16_t Delta = 0;
    TObject **ItemCollection = nullptr; // always DynamicList's array
    std::vector<TObject *> DynamicList;
    int16_t FNCurrentItem = 0;
    int16_t SFSNCurrentItem = 0;
    int16_t LastDeletedItem = -1;
    uint16_t Delimiter = 0;

private:
    void Resize(int newLimit);
    void RemoveSlot(int Index);
};
