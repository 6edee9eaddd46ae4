// TLockvexMainDlg: the entry shown as an editor. Showing and reading back the fields, the change
// test, saving, the name field's check, new entries and deletion.

#include "ui/main/DLockvexMain.h"

#include "app/MgrLockvexDlgProcs.h"
#include "app/LockvexMsgdial.h"
#include "entries/MgrLockvexItems.h"
#include "store/TBDALockvexData.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/EntryListModel.h"
#include "ui/shared/LetterTabs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

void TLockvexMainDlg::GetItemInfo(int ItemKey)
{
    ItemManagerParams entry = rules_.ShowEntry(ItemKey);
    EntryPanel->SetFields(entry);
    // The entry as loaded is the entry as its boxes show it (a memo gives line breaks back as
    // LF only), so that showing an entry is never taken for a change of it.
    EntryPanel->GetFields(entry);
    SuppressPWCheckBox->setChecked(entry.AutoPWCopy);
    SuppressPWCheckBox->show();
    // Set for every entry, also one without a password (whose box stays hidden), so that the
    // state of the entry shown before never counts as a change of this one.
    EntryPanel->EntryPWChckBox()->setChecked(entry.LockvexPassword);
    NewLoginDateTime = entry.LoginDateTime;
    rules_.Shown(entry);
    SetPWQuality();
    // Reading the entry found that another program had changed the data file, and the table
    // settled: the lines refer to the old file's entries and are built again at once; the user
    // is told once this is done.
    if (items_.LockvexTbl && items_.LockvexTbl->OtherWriterReportPending()) {
        GetDisplayInfo();
        KeepCurrentLine();
        OtherWriterSettled();
    }
}

TItemManager *TLockvexMainDlg::Items() const
{
    return &items_;
}

TListManager *TLockvexMainDlg::Lists() const
{
    return &lists_;
}

void TLockvexMainDlg::ReadFields(ItemManagerParams &entry) const
{
    EntryPanel->GetFields(entry);
    entry.LoginDateTime = NewLoginDateTime;
    entry.LockvexPassword = EntryPanel->EntryPWChckBox()->isChecked();
    entry.AutoPWCopy = SuppressPWCheckBox->isChecked();
    entry.ListIndex = CurrentIndex;
}

// The rules name their messages by their catalogue numbers.
static_assert(int(TEditMessage::ConfirmRename) == MsgConfirmNameChange &&
              int(TEditMessage::ConfirmDelete) == MsgConfirmDelete &&
              int(TEditMessage::QuitUnsaved) == MsgQuitWithoutSaving &&
              int(TEditMessage::NameExists) == MsgNameExists && int(TEditMessage::NotSaved) == MsgNotSaved &&
              int(TEditMessage::NameNeeded) == MsgNameNeeded && int(TEditMessage::SafeFull) == MsgSafeFull &&
              int(TEditMessage::DiscardNew) == MsgDiscardNewItem);

bool TLockvexMainDlg::Ask(TEditMessage message, const QString &about)
{
    TMsgFields fields = MsgCatalogue[static_cast<int>(message)];
    // The entry the question is about, in a line of its own under the catalogue's words.
    if (!about.isEmpty())
        fields.Msg += QStringLiteral("\n\"%1\"").arg(about);
    return dlgProcs_.Messages().ShowMessageDlg(fields);
}

bool TLockvexMainDlg::ChecksNameOnLeaving(const QWidget *control) const
{
    return control && (control == ItemList || control == SearchArg || control == ItemListTabs || control == NewBtn ||
                       control == PasswordCombo);
}

bool TLockvexMainDlg::RecChanged()
{
    return rules_.Changed();
}

bool TLockvexMainDlg::SaveItem(bool ForceSave)
{
    return rules_.Save(ForceSave);
}

void TLockvexMainDlg::ItemNameEnter()
{
    rules_.NameEntered(EntryPanel->ItemName()->text());
}

bool TLockvexMainDlg::ItemNameExit()
{
    const TMainEditRules::TNameExit exit = rules_.NameLeft();
    if (exit == TMainEditRules::TNameExit::Refused)
        return false;
    if (exit == TMainEditRules::TNameExit::Saved) {
        // The saved name may sort elsewhere: its line is selected.
        const int line = lists_.GetIndexFromName(ShownLines(), NoTag, EntryPanel->ItemName()->text());
        selecting_ = true;
        SelectRow(ItemList, line);
        selecting_ = false;
        if (line >= 0)
            CurrentIndex = line;
    }
    return true;
}

void TLockvexMainDlg::NewBtnClick()
{
    if (!SaveItem(false))
        return;
    SearchArg->clear();
    lists_.SetSearchActive(false);
    GetDisplayInfo();
    // An unfinished new entry is taken up again rather than a second one made.
    const int unfinished = lists_.GetIndexFromName(ShownLines(), NoTag, rules_.NewEntryName());
    if (unfinished >= 0) {
        ItemListClick(unfinished);
    } else {
        if (rules_.AddNewEntry() < 0) {
            KeepCurrentLine();
            DisplayCurrentItem();
            return;
        }
        int line = lists_.GetIndexFromName(ShownLines(), NoTag, rules_.NewEntryName());
        if (line < 0)
            line = 0;
        selecting_ = true;
        SelectRow(ItemList, line);
        selecting_ = false;
        CurrentIndex = line;
        DisplayCurrentItem();
    }
    EntryPanel->ItemName()->selectAll();
    SetFocusWhenActive(EntryPanel->ItemName());
    rules_.NewEntryShown(); // no rename confirmation for this entry
}

void TLockvexMainDlg::DeleteItemBtnClick()
{
    if (!rules_.ConfirmDelete())
        return;
    const int p = SelectedRow(ItemList);
    if (p < 0)
        return;
    if (!rules_.DeleteShown())
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
