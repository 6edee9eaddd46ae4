// The entry window's behaviour: showing the entry, opening its address, the Copy buttons, the
// character grid and closing. Its controls are built in DLockvexItemControls.cpp.

#include "ui/entry/DLockvexItem.h"

#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "app/RunState.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/LockvexStyle.h"
#include "ui/shared/PasswordGrid.h"
#include "ui/shared/WindowFrame.h"
#include "ui/shared/WindowHelp.h"
#include "ui/shared/WindowPlacement.h"

#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace
{

// The settings keys: the window opens where the quick list stands, and keeps its own position
// under keys that nothing reads.
const QString ListTopKey = QStringLiteral("AppDialogTop");
const QString ListLeftKey = QStringLiteral("AppDialogLeft");
const QString ItemTopKey = QStringLiteral("RecDialogTop");
const QString ItemLeftKey = QStringLiteral("RecDialogLeft");

} // namespace

TLockvexItemDlg::TLockvexItemDlg(TItemManager &items, TLVDlgProcs &dlgProcs, int displayedItemKey, QWidget *parent)
    : QDialog(parent), DisplayedItemKey(displayedItemKey), items_(items), dlgProcs_(dlgProcs)
{
    scale_ = LockvexStyle::WindowScale(dlgProcs_.Run().Screen);
    setWindowTitle(QStringLiteral("Website entry"));
    setModal(true);
    BuildControls();
    ApplyLook();
    // The title is the window's name in the program; assistive tools read what it shows.
    WindowFrame::SetUp(*this, dlgProcs_.WebHelp(), HelpContexts::EntryWindow, QStringLiteral("Website entry"));
    connect(SaveCloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    if (dlgProcs_.Run().Screen.ScaleForms)
        CentreOnScreen();
}

TLockvexItemDlg::~TLockvexItemDlg() = default;

void TLockvexItemDlg::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    QDialog::setVisible(visible);
    if (showing)
        FormActivate();
}

void TLockvexItemDlg::FormActivate()
{
    GetItemInfo(DisplayedItemKey);
    adjustSize();
    int top = 0, left = 0;
    // The window's size as the desktop counts it, with its frame.
    const QSize frame = frameGeometry().size();
    dlgProcs_.GetDlgPosnInfo(ListTopKey, ListLeftKey, frame.width(), frame.height(), top, left);
    WindowPlacement::Place(*this, QRect(QPoint(left, top), frame));
    // An entry without an address opens nothing and copies nothing.
    if (!Fields->URL()->text().trimmed().isEmpty()) {
        dlgProcs_.LVBrowseWebPage(Fields->URL()->text());
        // The page opens with the customer ID on the clipboard, an empty one too: nothing of an
        // earlier copy (a password) is pasted into the site's name box.
        dlgProcs_.TextToClipboard(Fields->CustID()->text());
    }
}

void TLockvexItemDlg::GetItemInfo(int ItemKey)
{
    InputParams = items_.LoadWebItem(ItemKey);
    Fields->SetFields(InputParams);
    for (QLineEdit *field : Fields->findChildren<QLineEdit *>())
        field->setCursorPosition(0); // a long text shows its beginning
    NewLoginDateTime = InputParams.LoginDateTime;
    SetPWQuality();
}

void TLockvexItemDlg::SetPWQuality()
{
    Fields->ShowQuality(-1);
    Fields->EntryPWChckBox()->hide();
    const QString password = Fields->Password()->text().trimmed();
    if (password.isEmpty())
        return;
    // The access-password flag means nothing on a stick, where the window runs read-only.
    if (!dlgProcs_.Run().Mode.MemStickMode()) {
        Fields->EntryPWChckBox()->setChecked(InputParams.LockvexPassword);
        Fields->EntryPWChckBox()->show();
    }
    Fields->ShowQuality(items_.PWQuality(password));
}

// As in the main window: a note beside the button says what happened, and an empty field leaves
// the clipboard as it was.
void TLockvexItemDlg::CopyToClipboard(const QLineEdit *field)
{
    Fields->CopyToClipboard(field);
}

void TLockvexItemDlg::BuildPWordGrid(const QString &Text, int Top, int Left)
{
    // One column more than the text has characters: the empty last one is the current cell.
    PasswordGrid->ShowCharacters(Text, int(Text.size()) + 1, QPoint(Left, Top));
}

void TLockvexItemDlg::ShowGridUnder(const QLineEdit *field)
{
    const QPoint below = field->mapTo(this, QPoint(0, field->height()));
    BuildPWordGrid(field->text(), below.y(), below.x());
}

bool TLockvexItemDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Fields->PINCopyBtn() || watched == Fields->PasswordCopyBtn()) {
        const QLineEdit *field = watched == Fields->PINCopyBtn() ? Fields->PIN() : Fields->Password();
        // The keyboard's focus on the button counts as the pointer over it.
        if (event->type() == QEvent::Enter || event->type() == QEvent::FocusIn)
            ShowGridUnder(field);
        else if (event->type() == QEvent::Leave || event->type() == QEvent::FocusOut || event->type() == QEvent::Hide)
            PasswordGrid->HideCharacters();
    }
    return QDialog::eventFilter(watched, event);
}

void TLockvexItemDlg::done(int result)
{
    if (!closing_ && isVisible()) {
        closing_ = true;
        FormClose();
    }
    QDialog::done(result);
    closing_ = false;
}

void TLockvexItemDlg::CloseForProgramEnd()
{
    programEnding_ = true;
    reject();
}

void TLockvexItemDlg::FormClose()
{
    PasswordGrid->HideCharacters();
    dlgProcs_.SetDlgPosnInfo(ItemTopKey, ItemLeftKey, y(), x());
    if (!Fields->Password()->text().isEmpty() && !programEnding_)
        dlgProcs_.TextToClipboard(Fields->Password()->text());
}
