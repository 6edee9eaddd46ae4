#include "store/LockvexIndexRec.h"

#include "common/Win1252.h"
#include "store/IndexEntryBlocks.h"
#include "store/LockvexRecDABase.h"

#include <cassert>

namespace
{

// At most 2N UTF-16 units make N characters, so a long text is cut before it is converted.
QByteArray CutToBytes(const QString &text, int capacity)
{
    return win1252::FromUnicode(text.left(2 * capacity)).left(capacity);
}

} // namespace

void *TTDStandardIndexRec::operator new(std::size_t size)
{
    assert(size == sizeof(TTDStandardIndexRec));
    (void)size;
    return index_entry_blocks::Take(sizeof(TTDStandardIndexRec));
}

void TTDStandardIndexRec::operator delete(void *entry) noexcept
{
    index_entry_blocks::Give(entry);
}

TTDStandardIndexRec::~TTDStandardIndexRec()
{
    delete InMemRecPtr;
}

void TTDStandardIndexRec::SetIndexedName(const QString &NewName)
{
    // The text kept is what the bytes give back, not NewName: a character the code page lacks
    // is stored as "?".
    SetIndexedNameBytes(CutToBytes(NewName, NameCapacity));
}

QString TTDStandardIndexRec::GetIndexedName() const
{
    if (!NameTextKept) {
        NameText = win1252::ToUnicode(Name.View());
        NameTextKept = true;
    }
    return NameText;
}

void TTDStandardIndexRec::SetIndexedNameTag(const QString &NewTag)
{
    NameTag.Assign(CutToBytes(NewTag, NameTagCapacity));
}

QString TTDStandardIndexRec::GetIndexedNameTag() const
{
    return win1252::ToUnicode(NameTag.View());
}

void TTDStandardIndexRec::CopyFieldsFrom(const TTDStandardIndexRec &From)
{
    Name.Assign(From.Name.View()); // the bytes that count, no more
    NameText = From.NameText;
    NameTextKept = From.NameTextKept;
    NameTag.Assign(From.NameTag.View());
    Key = From.Key;
    AltKey = From.AltKey;
    RecordNo = From.RecordNo;
    CreationDate = From.CreationDate;
    TsactnDate = From.TsactnDate;
    UsageCount = From.UsageCount;
    UsagePercent = From.UsagePercent;
    EffectiveFrom = From.EffectiveFrom;
    UpdateAction = From.UpdateAction;
    Flag = From.Flag;
    Digest = From.Digest;
}
