#include "entries/MgrLockvexItems.h"

#include "common/TextRoutines.h"
#include "common/Win1252.h"
#include "entries/EntryMessages.h"
#include "entries/EntryText.h"
#include "entries/MgrLockvexLists.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

namespace
{

// A password of this many characters or more gets the full length score.
constexpr int PWLengthForFullScore = 10;

void CopyRecordToParams(const TLockvexRec &rec, ItemManagerParams &params)
{
    params.ItemName = rec.GetName();
    params.ItemDescr = win1252::ToUnicode(rec.GetAccountNotes());
    params.URL = rec.GetURL();
    params.CustID = rec.GetCustID();
    params.PIN = rec.GetPIN();
    params.Password = rec.GetPassword();
    params.Question1 = rec.GetQuestion1();
    params.Question2 = rec.GetQuestion2();
    params.Question3 = rec.GetQuestion3();
    params.Question4 = rec.GetQuestion4();
    params.MemData1 = rec.GetMemData1();
    params.MemData2 = rec.GetMemData2();
    params.MemData3 = rec.GetMemData3();
    params.MemData4 = rec.GetMemData4();
    params.RecPermission = rec.GetRecPermission();
    params.LockvexPassword = rec.IsEntryPassword();
    params.AutoPWCopy = rec.IsAutoPWCopy();
    params.LoginDateTime = rec.GetLoginDateTime();
}

void CopyParamsToRecord(const ItemManagerParams &params, TLockvexRec &rec)
{
    rec.SetName(params.ItemName);
    // A window's text box gives bare line feeds; stored, each break must be one CR LF so that
    // it becomes one ";" and never a raw line break in the record or its log line.
    rec.SetAccountNotes(win1252::FromUnicode(WithCRLFBreaks(params.ItemDescr)));
    rec.SetURL(params.URL);
    rec.SetCustID(params.CustID);
    rec.SetPIN(params.PIN);
    rec.SetPassword(params.Password);
    rec.SetEntryPassword(params.LockvexPassword);
    rec.SetAutoPWCopy(params.AutoPWCopy);
    rec.SetQuestion1(params.Question1);
    rec.SetQuestion2(params.Question2);
    rec.SetQuestion3(params.Question3);
    rec.SetQuestion4(params.Question4);
    rec.SetMemData1(params.MemData1);
    rec.SetMemData2(params.MemData2);
    rec.SetMemData3(params.MemData3);
    rec.SetMemData4(params.MemData4);
    rec.SetLoginDateTime(params.LoginDateTime);
}

} // namespace

void TItemManager::ClearWebRecord()
{
    if (SharedLockvexRec)
        SharedLockvexRec->Init();
    LoadWebItem(NoKey);
}

ItemManagerParams TItemManager::LoadWebItem(int Key)
{
    if (!SharedLockvexRec)
        return LockvexItemParams = ItemManagerParams();
    if (Key > NoKey && LockvexTbl)
        LockvexTbl->GetLockvexRec(Key, SharedLockvexRec);
    CopyRecordToParams(*SharedLockvexRec, LockvexItemParams);
    return LockvexItemParams;
}

bool TItemManager::SaveWebItem(int ItemKey, const ItemManagerParams &ItemToSave)
{
    if (MemStickMode)
        return true;
    if (TrimBlankChars(ItemToSave.ItemName).isEmpty())
        return true;
    if (!SharedLockvexRec || !LockvexTbl)
        return false;
    CopyParamsToRecord(ItemToSave, *SharedLockvexRec);
    SharedLockvexRec->CheckUserPermission();
    SharedLockvexRec->SetKey(ItemKey);
    const int countBefore = LockvexTbl->GetUpdateCount();
    LockvexTbl->WriteLockvexRec(ItemKey, SharedLockvexRec);
    if (ListManager)
        ListManager->NoteEntryWritten(ItemKey, countBefore);
    return LockvexTbl->LastWriteSucceeded();
}

bool TItemManager::ItemChanged(const ItemManagerParams &ItemAsLoaded, const ItemManagerParams &ItemNow) const
{
    const ItemManagerParams &a = ItemAsLoaded;
    const ItemManagerParams &b = ItemNow;
    return a.ItemName != b.ItemName || a.ItemDescr != b.ItemDescr || a.URL != b.URL || a.CustID != b.CustID ||
           a.PIN != b.PIN || a.Password != b.Password || a.Question1 != b.Question1 || a.Question2 != b.Question2 ||
           a.Question3 != b.Question3 || a.Question4 != b.Question4 || a.MemData1 != b.MemData1 ||
           a.MemData2 != b.MemData2 || a.MemData3 != b.MemData3 || a.MemData4 != b.MemData4 ||
           a.LockvexPassword != b.LockvexPassword || a.AutoPWCopy != b.AutoPWCopy || a.LoginDateTime != b.LoginDateTime;
}

int TItemManager::AddItem(const QString &LockvexName)
{
    return LockvexTbl ? LockvexTbl->AddLockvexIndexItem(LockvexName) : NoKey;
}

void TItemManager::DeleteItem(int IndexKey, PermissionType RecPermission)
{
    if (!LockvexTbl)
        return;
    const int countBefore = LockvexTbl->GetUpdateCount();
    LockvexTbl->DropIndexedRecord(IndexKey, RecPermission);
    if (ListManager)
        ListManager->NoteEntryWritten(IndexKey, countBefore);
}

bool TItemManager::ValidateItem(const ItemManagerParams &ItemInfo)
{
    ValidationStatus = 1;
    if (ItemInfo.NameChecked)
        return true;
    // A name of blanks only is no name: the save would silently write nothing.
    bool rejected = TrimBlankChars(ItemInfo.ItemName).isEmpty();
    if (ListManager && ListManager->CheckDupeName(ItemInfo.ItemName, DisplayedItemKey)) {
        ShowEntryMessage(EntryMsgNameExists);
        rejected = true;
    } else if (!ItemInfo.NewItem && ItemInfo.ItemName != ItemInfo.SavedItemName) {
        if (!ShowEntryMessage(EntryMsgConfirmNameChange))
            rejected = true;
    }
    if (rejected) {
        ValidationStatus = 2;
        return false;
    }
    return true;
}

int TItemManager::PWQuality(const QString &PWord) const
{
    // The mix scores count single-byte characters, so a character the code page cannot hold
    // still counts once.
    const QByteArray ansi = win1252::FromUnicode(PWord);
    const int digitMix = NumericBalance(ansi);
    const QByteArray letters = StripNumerics(ansi);
    const int caseMix = MatchBalance(AsciiUpper(letters), letters);
    const qsizetype n = PWord.size();
    const int length = n <= PWLengthForFullScore ? static_cast<int>(n) * 10 : 100;
    return (caseMix + digitMix + length) / 3;
}

void TItemManager::SetAllEntryPasswords(const QString &Password, bool Cond)
{
    if (LockvexTbl)
        LockvexTbl->SetAllEntryPasswords(Password, Cond);
}
