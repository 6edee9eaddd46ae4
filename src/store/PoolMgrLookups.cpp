// TPoolMgr: the lookups in the index, the usage counts and dates kept there, and the records
// kept in memory. Lookups read the index only, never the file, and compare exactly in the form
// the index holds the texts (Windows-1252 bytes, names cut to 111 and tags to 15 characters).
// They go through the entries by position, so that they never move a walk a caller is running.

#include "store/TbDALockvexBase.h"

#include "common/Win1252.h"
#include "store/LockvexRecDABase.h"

// =============================================================================================
// Index lookups

int TPoolMgr::GetKey(const QString &Name)
{
    const QByteArray name = win1252::FromUnicode(Name);
    for (int i = 0; i < NumRecords(); ++i)
        if (IndexAt(i)->IndexedNameBytes() == name)
            return IndexAt(i)->GetKeyFromIndex();
    return NoKey;
}

QString TPoolMgr::FindNameFromTag(const QString &Tag)
{
    if (Tag.isEmpty())
        return QString();
    const QByteArray tag = win1252::FromUnicode(Tag);
    for (int i = 0; i < NumRecords(); ++i)
        if (IndexAt(i)->IndexedNameTagBytes() == tag)
            return IndexAt(i)->GetIndexedName();
    return QString();
}

bool TPoolMgr::DupeNameExists(const QString &Name)
{
    if (Name.isEmpty())
        return false;
    return NameInLookup(win1252::FromUnicode(Name), false);
}

bool TPoolMgr::NameInUse(const QString &Name)
{
    return NameInLookup(win1252::FromUnicode(Name).left(TPoolIndexRec::NameCapacity), true);
}

TPoolIndexRec *TPoolMgr::FindIndexRecFromRecNo(int RecordNo, int &ItemKey)
{
    for (int i = 0; i < NumRecords(); ++i) {
        if (IndexAt(i)->GetRecordNo() == RecordNo) {
            ItemKey = IndexAt(i)->GetKeyFromIndex();
            return IndexAt(i);
        }
    }
    ItemKey = NoKey;
    return nullptr;
}

TPoolIndexRec *TPoolMgr::FindIndexRecFromKey(int Key, int &IndexOrd)
{
    IndexOrd = NoKey;
    if (Key <= NoKey)
        return nullptr;
    for (int i = 0; i < NumRecords(); ++i) {
        IndexOrd = i;
        if (IndexAt(i)->GetKeyFromIndex() == Key)
            return IndexAt(i);
    }
    return nullptr;
}

int TPoolMgr::FindKeyFromAlt(int AltKey)
{
    for (int i = 0; i < NumRecords(); ++i)
        if (IndexAt(i)->GetAltKeyFromIndex() == AltKey)
            return IndexAt(i)->GetKeyFromIndex();
    return NoKey;
}

TPoolIndexRec *TPoolMgr::GetPreceedingIndexItem(int Key)
{
    int position = 0;
    if (Key <= NoKey || !FindKeyPosition(Key, position))
        return nullptr;
    return IndexAt(position - 1);
}

TPoolIndexRec *TPoolMgr::GetSucceedingIndexItem(int Key)
{
    int position = 0;
    if (!FindKeyPosition(Key, position))
        return nullptr;
    return IndexAt(position + 1);
}

QString TPoolMgr::GetName(int IndexKey)
{
    TPoolIndexRec *entry = FindIndexItem(IndexKey);
    return entry ? entry->GetIndexedName() : QString();
}

void TPoolMgr::SetName(int IndexKey, const QString &NewName)
{
    if (TPoolIndexRec *entry = FindIndexItem(IndexKey)) {
        entry->SetIndexedName(NewName);
        NoteIndexedName(entry);
    }
}

QString TPoolMgr::GetNameTag(int IndexKey)
{
    TPoolIndexRec *entry = FindIndexItem(IndexKey);
    return entry ? entry->GetIndexedNameTag() : QString();
}

void TPoolMgr::SetNameTag(int IndexKey, const QString &NewName)
{
    if (TPoolIndexRec *entry = FindIndexItem(IndexKey))
        entry->SetIndexedNameTag(NewName);
}

int TPoolMgr::GetCreationDate(int IndexKey)
{
    TPoolIndexRec *entry = FindIndexItem(IndexKey);
    return entry ? entry->GetIndexedCreationDate() : NoDate;
}

TPoolIndexRec *TPoolMgr::GetRecordDates(int Key, int &CreationDate, int &TsActnDate)
{
    TPoolIndexRec *entry = FindIndexItem(Key);
    CreationDate = entry ? entry->GetIndexedCreationDate() : NoDate;
    TsActnDate = entry ? entry->GetIndexedTsactnDate() : NoDate;
    return entry;
}

void TPoolMgr::ConditionalSetTsactnDate(int NewDate, int Key)
{
    TPoolIndexRec *entry = FindIndexItem(Key);
    if (entry && entry->GetIndexedTsactnDate() < NewDate)
        entry->SetIndexedTsactnDate(NewDate);
}

void TPoolMgr::IncUsageCount(int Key)
{
    if (TPoolIndexRec *entry = FindIndexItem(Key))
        entry->IncIndexedUsageCount();
}

void TPoolMgr::DecUsageCount(int Key)
{
    if (TPoolIndexRec *entry = FindIndexItem(Key))
        entry->DecIndexedUsageCount();
}

void TPoolMgr::SetUsagePercent()
{
    qint64 sum = 0;
    for (int i = 0; i < NumRecords(); ++i)
        sum += IndexAt(i)->GetIndexedUsageCount();
    for (int i = 0; i < NumRecords(); ++i) {
        const qint64 count = IndexAt(i)->GetIndexedUsageCount();
        IndexAt(i)->SetIndexedUsagePercent(sum == 0 ? 0 : int(count * 100 / sum));
    }
}

// =============================================================================================
// In-memory records

TBaseDARec *TPoolMgr::CreateInMemRec()
{
    return nullptr;
}

void TPoolMgr::FreeInMemRec(TBaseDARec *InMemRec)
{
    // The entry owns its record: releasing it destroys it.
    delete InMemRec;
}

TBaseDARec *TPoolMgr::GetInMemRec(int IndexKey)
{
    TPoolIndexRec *entry = FindIndexItem(IndexKey);
    return entry ? entry->GetRecPtr() : nullptr;
}

TBaseDARec *TPoolMgr::FindRecordInMemory(int RecordNo)
{
    int key = NoKey;
    TPoolIndexRec *entry = FindIndexRecFromRecNo(RecordNo, key);
    return entry ? entry->GetRecPtr() : nullptr;
}

void TPoolMgr::FreeAllInMemRecs()
{
    for (int i = 0; i < NumRecords(); ++i) {
        TPoolIndexRec *entry = IndexAt(i);
        if (TBaseDARec *rec = entry->GetRecPtr()) {
            entry->SetRecPtr(nullptr);
            FreeInMemRec(rec);
        }
    }
}

void TPoolMgr::FreePoolIndexRecs()
{
    ForgetNameLookup();
    IndexRevision = NextIndexRevision();
    ForgetChanges();
    if (!PoolIndex)
        return;
    if (InMemRecs)
        FreeAllInMemRecs();
    PoolIndex->FreeAll();
}

bool TPoolMgr::ReadFirstInMemRec(int &RecordNo, TBaseDARec *&UserV8Rec, ScanType ScanCmd)
{
    RecordNo = NoKey;
    UserV8Rec = nullptr;
    TPoolIndexRec *entry = nullptr;
    if (!InMemRecs || !GetFirstIndexItem(entry, ScanCmd))
        return false;
    RecordNo = entry->GetRecordNo();
    UserV8Rec = entry->GetRecPtr();
    return UserV8Rec != nullptr;
}

bool TPoolMgr::ReadNextInMemRec(int &RecordNo, TBaseDARec *&UserV8Rec, ScanType ScanCmd)
{
    RecordNo = NoKey;
    UserV8Rec = nullptr;
    TPoolIndexRec *entry = nullptr;
    if (!InMemRecs || !GetNextIndexItem(entry, ScanCmd))
        return false;
    RecordNo = entry->GetRecordNo();
    UserV8Rec = entry->GetRecPtr();
    return UserV8Rec != nullptr;
}
