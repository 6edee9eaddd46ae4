#include "entries/MgrLockvexItems.h"

#include "common/TextRoutines.h"
#include "common/Win1252.h"
#include "entries/EntryText.h"
#include "entries/MgrLockvexLists.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

namespace
{

// A password of this many characters or more gets the full length score.
constexpr int PWLengthForFullScore = 10;

// Whether the entry shown already bears this name in the store: a name that did not change is
// never refused as another entry's, also where entries of older files share it in other letter
// case.
bool BearsOwnName(TV9LockvexTbl *table, const QString &name, int shownKey)
{
    if (!table || shownKey <= NoKey)
        return false;
    return TrimBlankChars(StoredNameText(name)) == TrimBlankChars(table->GetName(shownKey));
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
    LockvexItemParams = ParamsFromRecord(*SharedLockvexRec);
    return LockvexItemParams;
}

bool TItemManager::SaveWebItem(int ItemKey, const ItemManagerParams &ItemToSave)
{
    // Nothing is written from a memory stick (the table knows it runs on one) or for a nameless
    // entry, and the answer says so.
    if ((LockvexTbl && LockvexTbl->IsRunOnMemstick()) || TrimBlankChars(ItemToSave.ItemName).isEmpty())
        return false;
    if (!SharedLockvexRec || !LockvexTbl)
        return false;
    ParamsToRecord(ItemToSave, *SharedLockvexRec);
    SharedLockvexRec->CheckUserPermission();
    SharedLockvexRec->SetKey(ItemKey);
    return LockvexTbl->WriteLockvexRec(ItemKey, SharedLockvexRec) == WriteOK;
}

bool TItemManager::ItemChanged(const ItemManagerParams &ItemAsLoaded, const ItemManagerParams &ItemNow) const
{
    return EntryContentDiffers(ItemAsLoaded, ItemNow);
}

int TItemManager::AddItem(const QString &LockvexName)
{
    return LockvexTbl ? LockvexTbl->AddLockvexIndexItem(LockvexName) : NoKey;
}

bool TItemManager::DeleteItem(int IndexKey, PermissionType RecPermission)
{
    if (!LockvexTbl)
        return false;
    return LockvexTbl->DropIndexedRecord(IndexKey, RecPermission).Ok();
}

TNameCheck TItemManager::ValidateItem(const ItemManagerParams &ItemInfo, int DisplayedItemKey) const
{
    TNameCheck check;
    if (ItemInfo.NameChecked)
        return check;
    if (TrimBlankChars(ItemInfo.ItemName).isEmpty()) {
        // A name of blanks only is no name: the save would write nothing. Refused with a word,
        // whatever else was changed; there is no rename to confirm.
        check.Blank = true;
    } else if (BearsOwnName(LockvexTbl, ItemInfo.ItemName, DisplayedItemKey)) {
        // The name the entry bears already (typed back after a change): nothing to refuse or ask.
    } else if (ListManager && ListManager->CheckDupeName(ItemInfo.ItemName, DisplayedItemKey)) {
        check.NameExists = true;
    } else if (!ItemInfo.NewItem && ItemInfo.ItemName != ItemInfo.SavedItemName) {
        check.ConfirmRename = true;
    }
    return check;
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

bool TItemManager::SetAllEntryPasswords(const QString &Password, bool Cond)
{
    return LockvexTbl && LockvexTbl->SetAllEntryPasswords(Password, Cond) == WriteOK;
}
