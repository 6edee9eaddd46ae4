#pragma once
// The pool index: one TPoolIndexRec per record of a pool file, a summary of the record (name,
// tag, keys, slot, dates) plus what exists only in memory (usage, transaction date, the flag
// the lists use), held in key order in a TPoolIndex.

#include "store/LockvexCollection.h"
#include "store/Lockvextypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

class TBaseDARec;

class TTDStandardIndexRec : public TObject
{
public:
    // Only the lengths of the name and tag are set: the bytes past them are never read.
    TTDStandardIndexRec()
    {
        Name.Len = 0;
        NameTag.Len = 0;
    }
    ~TTDStandardIndexRec() override; // also destroys the in-memory record
    TTDStandardIndexRec(const TTDStandardIndexRec &) = delete;
    TTDStandardIndexRec &operator=(const TTDStandardIndexRec &) = delete;

    void SetRecordNo(int RecNo) { RecordNo = RecNo; }
    int GetRecordNo() const { return RecordNo; }
    void SetKeyInIndex(int NewKey) { Key = NewKey; }
    int GetKeyFromIndex() const { return Key; }
    void SetAltKeyInIndex(int NewKey) { AltKey = NewKey; }
    int GetAltKeyFromIndex() const { return AltKey; }

    // Entries live in blocks of their own (see IndexEntryBlocks.h): opening a full data file
    // makes 32,767 of them at once.
    static void *operator new(std::size_t size);
    static void operator delete(void *entry) noexcept;

    // Text in, text out; held as Windows-1252 bytes inside the entry (no allocation of their
    // own), the name cut to 111, the tag to 15. The name's text is also kept once it has been
    // asked for, so that the lists, which ask for every name at every rebuild, convert each
    // name once.
    void SetIndexedName(const QString &NewName);
    QString GetIndexedName() const;
    void SetIndexedNameTag(const QString &NewTag);
    QString GetIndexedNameTag() const;
    // The same fields as the stored bytes, for exact comparisons and copies from a record. A
    // view lasts as long as the entry and its name stay as they are.
    void SetIndexedNameBytes(QByteArrayView NewName)
    {
        Name.Assign(NewName);
        if (NameTextKept) {
            NameText = QString();
            NameTextKept = false;
        }
    }
    QByteArrayView IndexedNameBytes() const { return Name.View(); }
    void SetIndexedNameTagBytes(QByteArrayView NewTag) { NameTag.Assign(NewTag); }
    QByteArrayView IndexedNameTagBytes() const { return NameTag.View(); }

    void SetIndexedCreationDate(int NewDate) { CreationDate = NewDate; }
    int GetIndexedCreationDate() const { return CreationDate; }
    void SetIndexedTsactnDate(int NewDate) { TsactnDate = NewDate; }
    int GetIndexedTsactnDate() const { return TsactnDate; }
    void SetIndexedUsageCount(int NewCount) { UsageCount = NewCount; }
    void IncIndexedUsageCount() { ++UsageCount; }
    void DecIndexedUsageCount() { --UsageCount; }
    int GetIndexedUsageCount() const { return UsageCount; }
    void SetIndexedUsagePercent(int NewValue) { UsagePercent = NewValue; }
    int GetIndexedUsagePercent() const { return UsagePercent; }
    void SetEffectiveFrom(int16_t NewDate) { EffectiveFrom = NewDate; }
    int16_t GetEffectiveFrom() const { return EffectiveFrom; }
    void SetUpdateAction(UpdateType NewAction) { UpdateAction = NewAction; }
    UpdateType GetUpdateAction() const { return UpdateAction; }
    void SetFlag(bool NewStatus) { Flag = NewStatus; }
    bool IsFlagged() const { return Flag; }
    // The setter does not free an object already hung on the entry.
    void SetRecPtr(TBaseDARec *UserRec) { InMemRecPtr = UserRec; }
    TBaseDARec *GetRecPtr() const { return InMemRecPtr; }

    // A digest of the entry as its record was last read from the file or written to it (see
    // the entry table); 0 for an entry that has no record in the file yet.
    void SetDigest(uint64_t NewDigest) { Digest = NewDigest; }
    uint64_t GetDigest() const { return Digest; }

    // Takes every field of another entry except its in-memory record, which stays with its owner.
    void CopyFieldsFrom(const TTDStandardIndexRec &From);

    static constexpr int NameCapacity = 111;
    static constexpr int NameTagCapacity = 15;

private:
    ShortString<NameCapacity> Name;
    ShortString<NameTagCapacity> NameTag;
    mutable QString NameText; // Name as text, while NameTextKept
    uint64_t Digest = 0;
    int Key = NoKey;
    int AltKey = NoKey;
    int RecordNo = NoKey;
    int CreationDate = NoDate;
    int TsactnDate = NoDate;
    int UsageCount = 0;
    int UsagePercent = 0;
    int16_t EffectiveFrom = -1;
    UpdateType UpdateAction = NotRelevant;
    bool Flag = false;
    mutable bool NameTextKept = false;
    TBaseDARec *InMemRecPtr = nullptr;
};

class TPoolIndexRec : public TTDStandardIndexRec
{
};

// Every entry takes a block of one size.
static_assert(sizeof(TPoolIndexRec) == sizeof(TTDStandardIndexRec), "an index entry adds no fields");

// The index of a pool: TPoolIndexRec items in ascending key order; freeing an item destroys it.
class TPoolIndex : public TMYCollection
{
public:
    using TMYCollection::TMYCollection;
};
