// TLockvexMainDlg: the entry list. Refresh, showing the selected line, clicking a line, the letter
// tabs and the incremental name search.

#include "ui/main/DLockvexMain.h"

#include "app/MgrLockvexDlgProcs.h"
#include "entries/MgrLockvexItems.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/EntryListModel.h"
#include "ui/shared/LetterTabs.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QSignalBlocker>
#include <QTimer>

// Rebuilds the lists from the store and shows them: the list manager decides the lines and the
// line to select; the tab column returns to "*".
void TLockvexMainDlg::GetDisplayInfo()
{
    const bool searching = lists_.SearchActive && !SearchArg->text().isEmpty();
    DisplayParams = lists_.BuildItemList(SearchArg->text(), ItemListTabs->CurrentText(),
                                               ItemListTabs->CurrentIndex(), CurrentIndex);
    selecting_ = true;
    listModel_->SetLines(DisplayParams.Items);
    SelectRow(ItemList, DisplayParams.ItemsIndex);
    // A search leaves the password list as it was; only a rebuilt one is shown again.
    if (!searching || passwordModel_->Lines() != DisplayParams.Passwords) {
        const QSignalBlocker quiet(PasswordCombo);
        passwordModel_->SetLines(DisplayParams.Passwords);
        PasswordCombo->setCurrentIndex(DisplayParams.PasswordsIndex);
    }
    ItemListTabs->SetCurrentIndex(DisplayParams.TabsIndex);
    selecting_ = false;
}

const TLockvexStringList *TLockvexMainDlg::ShownLines() const
{
    return listModel_->Lines();
}

void TLockvexMainDlg::DisplayCurrentItem()
{
    const int key = lists_.GetKey(ShownLines(), SelectedRow(ItemList));
    GoWebBtnClicked = false;
    GetItemInfo(key); // no line selected: empty fields
    SavePassword = EntryPanel->Password()->text();
    // Without an entry there is nothing to type into: what was typed could not be kept.
    SetFieldsReadOnly(run_.Mode.ReadOnlyMode() || key < 0);
}

int TLockvexMainDlg::KeyOfLine(int row) const
{
    return lists_.GetKey(ShownLines(), row);
}

int TLockvexMainDlg::LineOfKey(int key) const
{
    return lists_.GetIndexFromKey(ShownLines(), key);
}

void TLockvexMainDlg::KeepCurrentLine()
{
    const int line = LineOfKey(rules_.DisplayedItemKey());
    selecting_ = true;
    SelectRow(ItemList, line);
    selecting_ = false;
    if (line >= 0)
        CurrentIndex = line;
}

void TLockvexMainDlg::ItemListClick(int row)
{
    NewIndex = row;
    const int clickedKey = KeyOfLine(row);
    // Saved when changed; a new entry never written is saved, left untouched or discarded.
    if (!SaveItem(false)) {
        KeepCurrentLine(); // the change could not be kept, and the user was told: stay on it
        return;
    }
    // The save's refresh may have moved the lines (a renamed entry sorts elsewhere, a new entry
    // left its line).
    if (const int line = LineOfKey(clickedKey); line >= 0)
        NewIndex = line;
    selecting_ = true;
    SelectRow(ItemList, NewIndex);
    selecting_ = false;
    CurrentIndex = NewIndex;
    DisplayCurrentItem();
}

// A letter tab is a jump in the full list: pressing it leaves the entry shown and the search.
void TLockvexMainDlg::ItemListTabsMouseDown(int tab)
{
    tabPressRefused_ = !SaveItem(false);
    if (tabPressRefused_) {
        ItemListTabs->SetCurrentIndex(0);
        return;
    }
    // A save refreshes the list, which sets the tabs back to "*": the letter pressed still holds.
    ItemListTabs->SetCurrentIndex(tab);
    SearchArg->clear();
    lists_.SetSearchActive(false);
}

void TLockvexMainDlg::ItemListTabsMouseUp(int)
{
    if (tabPressRefused_) {
        tabPressRefused_ = false;
        return;
    }
    GetDisplayInfo();
    const int row = SelectedRow(ItemList);
    if (row >= 0)
        ItemList->scrollTo(ItemList->model()->index(row, 0), QAbstractItemView::PositionAtTop);
    CurrentIndex = row;
    DisplayCurrentItem();
}

void TLockvexMainDlg::SearchArgEnter()
{
    lists_.SetSearchActive(true);
    const int shownKey = rules_.DisplayedItemKey();
    if (!SaveItem(false)) {
        BackToTheName();
        return;
    }
    GetDisplayInfo();
    // The fields still show the same entry; the list marks its line when it holds it. A new
    // entry left untouched or discarded is gone: its fields are no longer shown.
    if (shownKey != NoKey && rules_.DisplayedItemKey() == NoKey) {
        selecting_ = true;
        SelectRow(ItemList, -1);
        selecting_ = false;
        DisplayCurrentItem();
    }
    KeepCurrentLine();
}

void TLockvexMainDlg::BackToTheName()
{
    // The change could not be kept: back to it rather than away from it.
    QTimer::singleShot(0, this, [this] { EntryPanel->ItemName()->setFocus(Qt::OtherFocusReason); });
}

void TLockvexMainDlg::SearchArgKeyUp()
{
    ResetIdleCount();
    // A change that could not be saved stays in the fields until it is saved or dropped.
    if (RecChanged() && !SaveItem(false)) {
        BackToTheName();
        return;
    }
    lists_.SetSearchActive(true);
    GetDisplayInfo();
    CurrentIndex = SelectedRow(ItemList);
    DisplayCurrentItem();
}
