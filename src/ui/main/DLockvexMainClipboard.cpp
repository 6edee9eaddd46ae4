// TLockvexMainDlg: the Copy buttons and the password auto-copy, the login button with the
// recording of the login and the last login shown over the address, and the character grid
// under the PIN or password while the pointer rests on its Copy button.

#include "ui/main/DLockvexMain.h"

#include "app/MgrLockvexDlgProcs.h"
#include "entries/MgrLockvexItems.h"
#include "common/DateStamp.h"
#include "common/Win1252.h"
#include "entries/EntryText.h"
#include "platform/Platform.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/PasswordGrid.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace
{

// The auto-copy waits longer after the login button: the browser has a page to open first.
constexpr int AutoCopyMs = 5000;
constexpr int AutoCopyAfterLoginMs = 10000;

} // namespace

// The pointer (or the keyboard's focus) on the Copy buttons of the PIN and the password and on
// the login button.
class TLockvexMainDlg::TCopyButtonHover : public QObject
{
public:
    explicit TCopyButtonHover(TLockvexMainDlg *window) : QObject(window), window_(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The keyboard's focus coming to and leaving the button counts as the pointer does.
        const QEvent::Type type = event->type();
        const bool enter = type == QEvent::Enter || type == QEvent::FocusIn;
        const bool leave = type == QEvent::Leave || type == QEvent::FocusOut;
        if (!enter && !leave && type != QEvent::Hide)
            return false;
        if (watched == window_->EntryPanel->PINCopyBtn() || watched == window_->EntryPanel->PasswordCopyBtn()) {
            const QLineEdit *field = watched == window_->EntryPanel->PINCopyBtn() ? window_->EntryPanel->PIN()
                                                                                  : window_->EntryPanel->Password();
            if (enter) {
                const QPoint below = field->mapTo(window_, QPoint(0, field->height()));
                window_->BuildPWordGrid(field->text(), below.y(), below.x());
            } else {
                window_->HidePWordGrid();
                if (leave && watched == window_->EntryPanel->PasswordCopyBtn())
                    window_->PasswordCopyBtnMouseLeave();
            }
        } else if (watched == window_->LoginBtn) {
            if (enter)
                window_->ShowLastLogIn();
            else
                window_->HideLastLogIn();
        }
        return false;
    }

private:
    TLockvexMainDlg *window_;
};

void TLockvexMainDlg::ConnectClipboardHandlers()
{
    // The customer ID's copy also starts the password auto-copy.
    for (const auto &[button, box] : EntryPanel->CopyButtons()) {
        if (box == EntryPanel->CustID())
            connect(button, &QPushButton::clicked, this, [this] { CustIDCopyBtnClick(); });
        else
            connect(button, &QPushButton::clicked, this, [this, box = box] { CopyFieldToClipboard(box); });
    }
    connect(ClipboardTimer, &QTimer::timeout, this, [this] { ClipboardTimerTimer(); });
    connect(LoginBtn, &QPushButton::clicked, this, [this] { LoginBtnClick(); });
    auto *hover = new TCopyButtonHover(this);
    callbackFilters_ << hover;
    for (QWidget *control : {static_cast<QWidget *>(EntryPanel->PINCopyBtn()),
                             static_cast<QWidget *>(EntryPanel->PasswordCopyBtn()), static_cast<QWidget *>(LoginBtn)})
        control->installEventFilter(hover);
}

// The note beside the field's Copy button says what happened; an empty field leaves the
// clipboard as it was.
void TLockvexMainDlg::CopyFieldToClipboard(const QLineEdit *field)
{
    EntryPanel->CopyToClipboard(field);
}

void TLockvexMainDlg::CustIDCopyBtnClick()
{
    if (EntryPanel->CustID()->text().isEmpty()) {
        if (!LoginButtonClicked) // the login button opens the page all the same
            CopyFieldToClipboard(EntryPanel->CustID());
        return;
    }
    CopyFieldToClipboard(EntryPanel->CustID());
    if (SuppressPWCheckBox->isChecked()) {
        // The user pastes the customer ID into the site; a beep then tells that the password
        // has taken its place on the clipboard.
        autoCopyKey_ = rules_.DisplayedItemKey();
        ClipboardTimer->setInterval(LoginButtonClicked ? AutoCopyAfterLoginMs : AutoCopyMs);
        ClipboardTimer->start();
    }
}

void TLockvexMainDlg::ClipboardTimerTimer()
{
    ClipboardTimer->stop();
    // Only the password of the entry the auto-copy was started for: when the user has moved to
    // another entry meanwhile, that entry's password is not put on the clipboard unasked.
    if (autoCopyKey_ != rules_.DisplayedItemKey())
        return;
    platform::Current().Beep();
    CopyFieldToClipboard(EntryPanel->Password());
}

void TLockvexMainDlg::LoginBtnClick()
{
    if (TrimBlankChars(EntryPanel->URL()->text()).isEmpty())
        return;
    GoWebBtnClicked = true;
    dlgProcs_.LVBrowseWebPage(EntryPanel->URL()->text());
    LoginButtonClicked = true;
    CustIDCopyBtnClick();
    LoginButtonClicked = false;
}

// After the login button, the user has taken the password from its Copy button: the login is
// recorded now and saved with the entry's next save.
void TLockvexMainDlg::PasswordCopyBtnMouseLeave()
{
    if (!GoWebBtnClicked || EntryPanel->Password()->text().isEmpty())
        return;
    GoWebBtnClicked = false;
    NewLoginDateTime = StampNow().NowDateTime;
}

void TLockvexMainDlg::BuildPWordGrid(const QString &Text, int Top, int Left)
{
    // The characters as the data file keeps them: one column per character, also for one
    // outside the basic plane, and "?" for one the file cannot hold.
    const QString kept = win1252::ToUnicode(win1252::FromUnicode(Text));
    if (kept.isEmpty()) {
        HidePWordGrid();
        return;
    }
    // A long text keeps its grid inside the window: it moves left rather than being cut off.
    const int columns = int(kept.size());
    const int left = qMax(0, qMin(Left, width() - TPasswordGrid::GridWidth(columns)));
    CharacterGrid().ShowCharacters(kept, columns, QPoint(left, Top));
}

void TLockvexMainDlg::HidePWordGrid()
{
    if (PasswordGrid)
        PasswordGrid->HideCharacters();
}

// The grid is made the first time a Copy button is pointed at: most runs never show it, and a
// table with its headers and scroll bars is a good part of the window's making.
TPasswordGrid &TLockvexMainDlg::CharacterGrid()
{
    if (!PasswordGrid)
        PasswordGrid = new TPasswordGrid(this);
    return *PasswordGrid;
}

// The login shown is the one the entry will be saved with, so a login just recorded shows at once.
// It heads the login button's tooltip: the address caption keeps its text, so that the layout
// stays still and the address box keeps its width.
void TLockvexMainDlg::ShowLastLogIn()
{
    const QString note = LoginBtn->property("plainToolTip").toString();
    if (NewLoginDateTime <= 0) {
        LastLogIn.clear();
        LoginBtn->setToolTip(note);
        return;
    }
    LastLogIn = DateStamp(NewLoginDateTime);
    LoginBtn->setToolTip(QStringLiteral("Last logged in ") + LastLogIn + QStringLiteral("\n\n") + note);
}

void TLockvexMainDlg::HideLastLogIn()
{
    LoginBtn->setToolTip(LoginBtn->property("plainToolTip").toString());
}
