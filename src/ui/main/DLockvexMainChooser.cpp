// TLockvexMainDlg: the access-password box, the random and the restored password, and the
// password chooser, which lists the entries that use one password.

#include "ui/main/DLockvexMain.h"

#include "app/MgrLockvexDlgProcs.h"
#include "app/LockvexMsgdial.h"
#include "common/TextRoutines.h"
#include "entries/EntryText.h"
#include "entries/MgrLockvexItems.h"
#include "ui/main/PasswordChooserDelegate.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/EntryListModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QSignalBlocker>

// Presses on the "Password" label: left for a random password, right to restore the one shown.
class TLockvexMainDlg::TPasswordLabelPress : public QObject
{
public:
    explicit TPasswordLabelPress(TLockvexMainDlg *window) : QObject(window), window_(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == window_->EntryPanel->PasswordLbl() && event->type() == QEvent::MouseButtonPress) {
            window_->PasswordLblMouseDown(static_cast<QMouseEvent *>(event)->button());
            return true;
        }
        return false;
    }

private:
    TLockvexMainDlg *window_;
};

void TLockvexMainDlg::ConnectChooserHandlers()
{
    // Only the user's click: the program sets the box without running this.
    connect(EntryPanel->EntryPWChckBox(), &QCheckBox::clicked, this, [this] { EntryPWChckBoxClick(); });
    auto *labelPress = new TPasswordLabelPress(this);
    callbackFilters_ << labelPress;
    EntryPanel->PasswordLbl()->installEventFilter(labelPress);
    EntryPanel->PasswordLbl()->setToolTip(
        QStringLiteral("Left click to generate random password, right click to restore original password"));
    EntryPanel->PasswordLbl()->setContextMenuPolicy(Qt::PreventContextMenu);

    auto *delegate = new TPasswordChooserDelegate(
        PWCheckedImage->pixmap(), PWUncheckedImage->pixmap(),
        [this](int row) { return lists_.IsLineFlagged(passwordModel_->Lines(), row); },
        PasswordCombo);
    PasswordCombo->setItemDelegate(delegate);
    // A line the user picks, also the one already shown.
    connect(PasswordCombo, &QComboBox::activated, this, [this](int index) { PasswordComboSelect(index); });
}

void TLockvexMainDlg::EntryPWChckBoxClick()
{
    const int remembered = PasswordCombo->currentIndex();
    const QString password = TrimBlankChars(EntryPanel->Password()->text());
    const bool access = EntryPanel->EntryPWChckBox()->isChecked();
    if (!password.isEmpty()) {
        // The flag belongs to the password: every stored entry with it is marked at once.
        if (!items_.SetAllEntryPasswords(password, access) && !run_.Mode.ReadOnlyMode())
            dlgProcs_.Messages().ShowMessageDlg(MsgCatalogue[MsgNotSaved]);
        // The entry shown is one of them when its stored password is this one; it is now stored
        // with the flag, so the box no longer counts as a change of the entry, and re-rating the
        // password while typing keeps the box as the user set it.
        if (TrimBlankChars(rules_.AsLoaded().Password) == password)
            rules_.AccessFlagStored(access);
    }
    TLockvexStringList *PasswordStrings = lists_.BuildPasswordStrings(QString());
    DisplayParams.Passwords = PasswordStrings;
    const QSignalBlocker quiet(PasswordCombo);
    passwordModel_->SetLines(PasswordStrings);
    PasswordCombo->setCurrentIndex(remembered < PasswordCombo->count() ? remembered : 0);
}

void TLockvexMainDlg::PasswordLblMouseDown(Qt::MouseButton button)
{
    if (EntryPanel->Password()->isReadOnly())
        return; // no entry shown, or the data cannot be changed
    if (button == Qt::LeftButton)
        EntryPanel->Password()->setText(RandomPassword());
    else if (button == Qt::RightButton)
        EntryPanel->Password()->setText(SavePassword);
    // The change of text re-rates the password.
}

void TLockvexMainDlg::PasswordComboSelect(int index)
{
    const TLockvexStringList *lines = passwordModel_->Lines();
    const QString line = lines ? lines->Strings(index) : QString();
    const QString password = TrimBlankChars(line);
    if (!SaveItem(false)) {
        // The change of the entry shown could not be saved: stay on it.
        const QSignalBlocker quiet(PasswordCombo);
        PasswordCombo->setCurrentIndex(0);
        return;
    }
    if (!password.isEmpty() && password != TrimBlankChars(AllPasswordsLine)) {
        // The entries that use this password, the first of them shown.
        TLockvexStringList *selected = lists_.BuildSelectedPWLockvexStrings(password);
        DisplayParams.Items = selected;
        selecting_ = true;
        listModel_->SetLines(selected);
        SelectRow(ItemList, 0);
        selecting_ = false;
        CurrentIndex = 0;
        // A save refreshes the chooser, which then stands on " All Passwords" again.
        const TLockvexStringList *now = passwordModel_->Lines();
        const QSignalBlocker quiet(PasswordCombo);
        PasswordCombo->setCurrentIndex(now ? qMax(0, now->IndexOf(line)) : 0);
    } else {
        lists_.SetSearchActive(false);
        GetDisplayInfo();
    }
    DisplayCurrentItem();
    lists_.SetSearchActive(true);
}
