// The quick list window's behaviour: the refresh, the search box, the letter tabs, picking an
// entry with the mouse or the keyboard, DONE, the watch on the data file and closing. Its
// controls are built in DLockvexListControls.cpp.

#include "ui/quicklist/DLockvexList.h"

#include "app/LockvexMsgdial.h"
#include "app/LockvexSession.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "app/ProgramBody.h"
#include "app/RunState.h"
#include "store/Lockvextypes.h"
#include "store/TBDALockvexData.h"
#include "ui/entry/DLockvexItem.h"
#include "ui/messages/MessageDialog.h"
#include "ui/shared/EntryListModel.h"
#include "ui/shared/LetterTabs.h"
#include "ui/shared/LockvexStyle.h"
#include "ui/shared/WindowFrame.h"
#include "ui/shared/WindowHelp.h"
#include "ui/shared/WindowPlacement.h"

#include <QApplication>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>

namespace
{

const QString TopKey = QStringLiteral("AppDialogTop");
const QString LeftKey = QStringLiteral("AppDialogLeft");
const QString ClipboardClearedText = QStringLiteral("Clipboard cleared by Lockvex");

bool IsEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TLockvexListDlg::TLockvexListDlg(LockvexSession &session, QWidget *parent) : QDialog(parent), session_(session)
{
    scale_ = LockvexStyle::WindowScale(session_.Run.Screen);
    DontGetItem = false;
    BuildControls();
    ApplyLook();
    GetDisplayInfo();
    WindowFrame::SetUp(*this, session_.LVDlgProcs->WebHelp(), HelpContexts::QuickListWindow);
    setWindowTitle(QStringLiteral("Select website"));
    FirstActivate = true;
    if (session_.Run.Screen.ScaleForms)
        CentreOnScreen();

    connect(DoneBtn, &QPushButton::clicked, this, [this] { DoneBtnClick(); });
    connect(ItemList, &QListView::clicked, this, [this] { ItemListClick(); });
    connect(ItemListTabs, &TLetterTabs::TabPressed, this, [this] { ItemListTabsMouseDown(); });
    connect(ItemListTabs, &TLetterTabs::TabReleased, this, [this] { ItemListTabsMouseUp(); });
    connect(AppEndTimer, &QTimer::timeout, this, [this] { AppEndTimerTimer(); });
    AppEndTimer->setInterval(DataWatchIntervalMs);
    AppEndTimer->start();
}

TLockvexListDlg::~TLockvexListDlg() = default;

// ---- showing -----------------------------------------------------------------------------------

void TLockvexListDlg::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    QDialog::setVisible(visible);
    if (showing)
        FormActivate();
}

void TLockvexListDlg::FormActivate()
{
    SelectRow(ItemList, CurrentIndex);
    if (FirstActivate) {
        FirstActivate = false;
        int top = 0, left = 0;
        // The window's size as the desktop counts it, with its frame.
        const QSize frame = frameGeometry().size();
        session_.LVDlgProcs->GetDlgPosnInfo(TopKey, LeftKey, frame.width(), frame.height(), top, left);
        WindowPlacement::Place(*this, QRect(QPoint(left, top), frame));
    }
    ItemList->setFocus();
}

void TLockvexListDlg::GetDisplayInfo()
{
    DisplayParams = session_.ListManager->BuildItemList(SearchArg->text(), ItemListTabs->CurrentText(),
                                                        ItemListTabs->CurrentIndex(), CurrentIndex);
    model_->SetLines(DisplayParams.Items);
    SelectRow(ItemList, DisplayParams.ItemsIndex);
    // The line shown selected is the one the window returns to.
    CurrentIndex = SelectedRow(ItemList) < 0 ? 0 : DisplayParams.ItemsIndex;
    ItemListTabs->SetCurrentIndex(DisplayParams.TabsIndex);
}

// ---- search box and letter tabs ----------------------------------------------------------------

void TLockvexListDlg::SearchArgEnter()
{
    session_.ListManager->SetSearchActive(true);
    GetDisplayInfo();
}

void TLockvexListDlg::SearchArgKeyUp()
{
    session_.ListManager->SetSearchActive(true);
    GetDisplayInfo();
}

void TLockvexListDlg::ItemListTabsMouseDown()
{
    // The search text stays in the box but no longer filters.
    session_.ListManager->SetSearchActive(false);
}

void TLockvexListDlg::ItemListTabsMouseUp()
{
    GetDisplayInfo();
    const int row = SelectedRow(ItemList);
    if (row >= 0)
        ItemList->scrollTo(ItemList->model()->index(row, 0), QAbstractItemView::PositionAtTop);
}

// ---- picking an entry --------------------------------------------------------------------------

void TLockvexListDlg::ItemListClick()
{
    if (DontGetItem) {
        DontGetItem = false; // the line was moved with the keyboard
        return;
    }
    PickSelectedItem();
}

void TLockvexListDlg::PickSelectedItem()
{
    if (entryWindowOpen_ || finished_)
        return;
    CurrentIndex = SelectedRow(ItemList);
    DisplayedItemKey = session_.ListManager->GetKey(DisplayParams.Items, CurrentIndex);
    hide();
    entryWindowOpen_ = true;
    {
        TLockvexItemDlg entryWindow(*session_.ItemManager, *session_.LVDlgProcs, DisplayedItemKey);
        entryWindow_ = &entryWindow;
        entryWindow.exec();
    }
    entryWindowOpen_ = false;
    // The stick may have been pulled out, or the program asked to end, while the entry was open.
    if (closeRequested_ || !QFileInfo::exists(session_.Run.Folders.DataFileName)) {
        done(QDialog::Rejected);
        return;
    }
    show();
}

bool TLockvexListDlg::ItemListKeyDown(QKeyEvent *event)
{
    if (IsEnterKey(event->key())) {
        DontGetItem = false;
        ItemListClick();
        return true;
    }
    if (event->key() == Qt::Key_Escape) {
        DoneBtnClick();
        return true;
    }
    // Any other key may move the line; a line moved from the keyboard is not opened.
    DontGetItem = true;
    const int before = SelectedRow(ItemList);
    const bool handled = static_cast<QObject *>(ItemList)->event(event);
    if (SelectedRow(ItemList) != before)
        ItemListClick();
    // A key that moved nothing must not swallow the next click.
    DontGetItem = false;
    return handled && event->isAccepted();
}

bool TLockvexListDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ItemList && event->type() == QEvent::KeyPress)
        return ItemListKeyDown(static_cast<QKeyEvent *>(event));
    if (watched == SearchArg) {
        // Entering the box, not the window coming back to the front with the focus in it.
        if (event->type() == QEvent::FocusIn &&
            static_cast<QFocusEvent *>(event)->reason() != Qt::ActiveWindowFocusReason &&
            static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
            SearchArgEnter();
        else if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent *>(event)->isAutoRepeat())
            SearchArgKeyUp();
    }
    return QDialog::eventFilter(watched, event);
}

void TLockvexListDlg::keyPressEvent(QKeyEvent *event)
{
    // The window's own keys, also from the search box: Enter opens the selected entry, Esc is DONE.
    if (IsEnterKey(event->key())) {
        PickSelectedItem();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        DoneBtnClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---- closing -----------------------------------------------------------------------------------

void TLockvexListDlg::DoneBtnClick()
{
    reject();
}

void TLockvexListDlg::AppEndTimerTimer()
{
    if (!QFileInfo::exists(session_.Run.Folders.DataFileName)) {
        RequestClose();
        return;
    }
    // Another program changed the data file (a sync, a copy): the list shows the new file's
    // entries; nothing is written. Not while an entry is shown over the list.
    TV9LockvexTbl &table = *session_.LockvexTbl;
    if (!entryWindowOpen_ && !table.DataFileIsAsLeft() && table.SettleOtherWriters() &&
        table.TakeOtherWriterReport().What != TOtherWriterReport::Nothing)
        GetDisplayInfo();
}

void TLockvexListDlg::RequestClose()
{
    if (entryWindowOpen_) {
        // No entry stays on the screen of a computer the stick was pulled from: the entry
        // window closes now, and the list closes as soon as it has returned.
        closeRequested_ = true;
        if (entryWindow_)
            entryWindow_->CloseForProgramEnd();
        return;
    }
    if (!finished_)
        done(QDialog::Rejected);
}

void TLockvexListDlg::done(int result)
{
    if (!finished_) {
        finished_ = true;
        AppEndTimer->stop();
        FormCloseQuery();
    }
    QDialog::done(result);
}

void TLockvexListDlg::FormCloseQuery()
{
    // No copied secret stays on the clipboard; closing is never refused.
    session_.LVDlgProcs->TextToClipboard(ClipboardClearedText);
    session_.LVDlgProcs->SetDlgPosnInfo(TopKey, LeftKey, y(), x());
}

// ---- the program's window in memory-stick mode ---------------------------------------------------

int RunQuickListWindow(QApplication &app, LockvexSession &session)
{
    // The list hides while the entry window is open; the program ends when the list is done,
    // not when no window happens to show.
    const bool quitOnLastWindow = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    TLockvexListDlg window(session);
    QObject::connect(
        &window, &QDialog::finished, &app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    SetMessageDialogOwner(session.Messages, &window);
    SetCloseOnSignal([&window] { window.RequestClose(); });
    window.show();
    const int result = app.exec();
    SetCloseOnSignal(nullptr);
    SetMessageDialogOwner(session.Messages, nullptr);
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
    return result;
}
