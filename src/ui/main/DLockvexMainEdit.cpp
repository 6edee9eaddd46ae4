// TLockvexMainDlg: the entry shown as an editor. Showing and reading back the fields, the change
// test, saving, the name field's check, new entries and deletion.

#include "ui/main/DLockvexMain.h"

#include "app/LockvexMsgdial.h"
#include "common/Globals.h"
#include "entries/EntryText.h"
#include "entries/MgrLockvexItems.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/EntryListModel.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListView>

void TLockvexMainDlg::GetItemInfo(int ItemKey)
{
    InputParams = ItemManager->LoadWebItem(ItemKey);
    EntryPanel->SetFields(InputParams);
    // The entry as loaded is the entry as its boxes show it (a memo gives line breaks back as
    // LF only), so that showing an entry is never taken for a change of it.
    EntryPanel->GetFields(InputParams);
    SuppressPWCheckBox->setChecked(InputParams.AutoPWCopy);
    SuppressPWCheckBox->show();
    // Set for every entry, also one without a password (whose box stays hidden), so that the
    // state of the entry shown before never counts as a change of this one.
    EntryPWChckBox->setChecked(InputParams.LockvexPassword);
    NewLoginDateTime = InputParams.LoginDateTime;
    SetPWQuality();
}

void TLockvexMainDlg::SetItemInfo()
{
    OutputParams = InputParams; // the permission as read
    EntryPanel->GetFields(OutputParams);
    OutputParams.ItemName = TrimBlankChars(OutputParams.ItemName);
    OutputParams.LoginDateTime = NewLoginDateTime;
    OutputParams.LockvexPassword = EntryPWChckBox->isChecked();
    OutputParams.AutoPWCopy = SuppressPWCheckBox->isChecked();
    OutputParams.NewItem = NewItemBtnClicked;
    OutputParams.NameChecked = NameAlreadyChecked;
    OutputParams.ListIndex = CurrentIndex;
    OutputParams.SavedItemName = SaveName;
}

bool TLockvexMainDlg::RecChanged()
{
    if (!ItemManager)
        return false;
    SetItemInfo();
    return ItemManager->ItemChanged(InputParams, OutputParams);
}

bool TLockvexMainDlg::SaveItem(bool ForceSave)
{
    if (ItemSaved || !ItemManager)
        return true;
    // A name typed into the field that has not been checked yet, because the way out of the
    // entry did not take the focus from the field (a letter tab, the idle close): it gets the
    // check that leaving the field gives it, once, before anything is saved.
    if (nameEdited_ && !quietClose_) {
        NameAlreadyChecked = false;
        ItemNameExit();
        if (nameRefused_)
            return false;
    }
    if (!RecChanged() && !ForceSave)
        return true;
    if (ReadOnlyMode) {
        // Nothing can be typed while another computer holds the data; what else differs (a
        // login time) cannot be stored until it lets go.
        InputParams = OutputParams;
        return true;
    }
    // A name that another entry bears is never written, however the entry is left.
    if (OutputParams.ItemName != InputParams.ItemName &&
        ListManager->CheckDupeName(OutputParams.ItemName, DisplayedItemKey)) {
        if (!nameRefused_ && !quietClose_)
            ShowMessageDlg(MsgCatalogue[MsgNameExists]);
        nameRefused_ = true;
        return false;
    }
    // An entry without a name is not written (a new entry not named yet); the window takes it
    // as saved. A name blanked out is refused instead: the entry's other changes stay in the
    // fields until it has a name again.
    const bool nameless = TrimBlankChars(OutputParams.ItemName).isEmpty();
    if (nameless && !TrimBlankChars(InputParams.ItemName).isEmpty()) {
        if (!nameRefused_ && !quietClose_)
            ShowMessageDlg(MsgCatalogue[MsgNameNeeded]);
        nameRefused_ = true;
        return false;
    }
    if (!nameless && !ItemManager->SaveWebItem(DisplayedItemKey, OutputParams)) {
        // Not written: the fields keep the change, to retry or to copy out.
        if (!quietClose_)
            ShowMessageDlg(MsgCatalogue[MsgNotSaved]);
        return false;
    }
    GetDisplayInfo();
    InputParams = OutputParams;
    return true;
}

void TLockvexMainDlg::AddItem()
{
    DisplayedItemKey = ItemManager->AddItem(NewItemName);
    GetDisplayInfo();
}

bool TLockvexMainDlg::DeleteItem()
{
    if (!ItemManager->DeleteItem(DisplayedItemKey, InputParams.RecPermission)) {
        ShowMessageDlg(MsgCatalogue[MsgNotSaved]); // the line stays
        return false;
    }
    GetDisplayInfo();
    return true;
}

void TLockvexMainDlg::ItemNameEnter()
{
    SaveName = ItemName->text();
    NameAlreadyChecked = false;
}

bool TLockvexMainDlg::ValidateItemName()
{
    const TNameCheck check = ItemManager->ValidateItem(OutputParams, DisplayedItemKey);
    if (check.Blank) {
        ShowMessageDlg(MsgCatalogue[MsgNameNeeded]);
        return false;
    }
    if (check.NameExists) {
        ShowMessageDlg(MsgCatalogue[MsgNameExists]);
        return false;
    }
    return !check.ConfirmRename || ShowMessageDlg(MsgCatalogue[MsgConfirmNameChange]);
}

bool TLockvexMainDlg::ItemNameExit()
{
    nameEdited_ = false;
    // A name refused and not changed since is not asked about again.
    if (ItemName->text() == SaveName || fieldsReadOnly_ || nameRefused_)
        return true;
    SetItemInfo();
    if (!ValidateItemName()) {
        NameAlreadyChecked = false; // the text stays in the field, unsaved
        nameRefused_ = true;
        return false;
    }
    NameAlreadyChecked = true;
    nameRefused_ = false;
    if (!SaveItem(false))
        return true;
    const int line = ListManager->GetIndexFromName(ShownLines(), NoTag, ItemName->text());
    selecting_ = true;
    SelectRow(ItemList, line);
    selecting_ = false;
    if (line >= 0)
        CurrentIndex = line;
    return true;
}

void TLockvexMainDlg::NewBtnClick()
{
    if (!SaveItem(false))
        return;
    SearchArg->clear();
    ListManager->SetSearchActive(false);
    GetDisplayInfo();
    // An unfinished new entry is taken up again rather than a second one made.
    const int unfinished = ListManager->GetIndexFromName(ShownLines(), NoTag, NewItemName);
    if (unfinished >= 0) {
        ItemListClick(unfinished);
    } else {
        ItemSaved = true;
        AddItem();
        ItemSaved = false;
        if (DisplayedItemKey < 0) {
            ShowMessageDlg(MsgCatalogue[MsgSafeFull]); // no free key: the safe holds as many entries as it can
            KeepCurrentLine();
            DisplayCurrentItem();
            return;
        }
        int line = ListManager->GetIndexFromName(ShownLines(), NoTag, NewItemName);
        if (line < 0)
            line = 0;
        selecting_ = true;
        SelectRow(ItemList, line);
        selecting_ = false;
        CurrentIndex = line;
        DisplayCurrentItem();
    }
    ItemName->selectAll();
    SetFocusWhenActive(ItemName);
    NewItemBtnClicked = true; // no rename confirmation for this entry
}

void TLockvexMainDlg::DeleteItemBtnClick()
{
    if (!ShowMessageDlg(MsgCatalogue[MsgConfirmDelete]))
        return;
    const int p = SelectedRow(ItemList);
    if (p < 0)
        return;
    if (!DeleteItem())
        return;
    const int count = listModel_->rowCount();
    int line = p < count ? p : p - 1;
    if (line < 0 || line >= count)
        line = count > 0 ? 0 : -1;
    selecting_ = true;
    SelectRow(ItemList, line);
    selecting_ = false;
    CurrentIndex = line;
    DisplayCurrentItem();
}

void TLockvexMainDlg::SetFieldsReadOnly(bool readOnly)
{
    if (readOnly == fieldsReadOnly_)
        return;
    fieldsReadOnly_ = readOnly;
    EntryPanel->SetReadOnly(readOnly);
    SuppressPWCheckBox->setEnabled(!readOnly);
}
