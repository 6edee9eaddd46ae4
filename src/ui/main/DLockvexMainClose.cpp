// TLockvexMainDlg: closing. Save-and-close, the close request and its question, what closing
// leaves behind, the idle close, the close on an ending signal, and the minor commands.

#include "ui/main/DLockvexMain.h"

#include "app/LockvexAddresses.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "entries/EntryText.h"
#include "entries/MgrLockvexItems.h"
#include "platform/Platform.h"
#include "ui/shared/EntryListModel.h"
#include "ui/shared/WindowHelp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace
{
const QString ClipboardClearedText = QStringLiteral("Clipboard cleared by Lockvex");
} // namespace

void TLockvexMainDlg::SaveCloseBtnClick()
{
    rules_.SaveBeforeClose(); // as if the name field had been left
    close();                  // asks message 4 when a change is left unsaved
}

void TLockvexMainDlg::CancelBtnClick()
{
    close();
}

void TLockvexMainDlg::closeEvent(QCloseEvent *event)
{
    if (rules_.IsClosing()) {
        event->accept();
        return;
    }
    if (!rules_.MayClose()) {
        event->ignore();
        return;
    }
    rules_.Closed();
    FormClose();
    event->accept();
}

void TLockvexMainDlg::FormClose()
{
    ForceClose->stop();
    ClipboardTimer->stop();
    // No copied secret stays on the clipboard after the program ends.
    dlgProcs_.TextToClipboard(ClipboardClearedText);
    dlgProcs_.SetDlgPosnInfo(QStringLiteral("DialogTop"), QStringLiteral("DialogLeft"), y(), x(),
                               QStringLiteral("DialogWidth"), QStringLiteral("DialogHeight"), size());
    listModel_->SetLines(nullptr);
    lists_.ClearLists();
    emit Closed();
}

void TLockvexMainDlg::ForceCloseTimer()
{
    // Another window of the program is open (the import window, with this one hidden behind
    // it, or a message), or the idle close's own question has waited a further idle time:
    // nobody is there to answer. The whole program closes now, as at log-out: the other windows
    // close, what needs no question is saved, the clipboard is cleared. Never half: this window
    // does not stay behind, nor come back.
    switch (rules_.IdleTick(QApplication::activeModalWidget() || !isVisible())) {
    case TMainEditRules::TIdleStep::Wait:
        return;
    case TMainEditRules::TIdleStep::CloseQuietly:
        CloseOnSignal();
        return;
    case TMainEditRules::TIdleStep::SaveAndClose:
        SaveCloseBtnClick();
        rules_.IdleCloseDone();
        return;
    }
}

// At log-out the session ends the program with SIGTERM; nobody is there to answer. Once the
// handler that was running has finished, whatever can be saved without a question is saved,
// and the window closes without asking.
void TLockvexMainDlg::CloseOnSignal()
{
    rules_.BeginQuietClose();
    // Nothing is asked from here on in any window: the import window's closing notes among them.
    dlgProcs_.Messages().SetQuietClose(true);
    QTimer::singleShot(0, this, [this] {
        while (QWidget *modal = QApplication::activeModalWidget()) {
            modal->close();
            if (QApplication::activeModalWidget() == modal)
                break;
        }
        if (rules_.IsClosing())
            return;
        rules_.SaveQuietly();
        close();
    });
}

// ---- minor commands ----------------------------------------------------------------------------

void TLockvexMainDlg::LockvexHelpBtnClick()
{
    ShowWindowHelp(this, dlgProcs_.WebHelp());
}

void TLockvexMainDlg::SendToFriendBtnClick()
{
    dlgProcs_.SendToFriend();
}

void TLockvexMainDlg::TellTrelBtnClick()
{
    dlgProcs_.TellTrel();
}

void TLockvexMainDlg::FacebookBtnClick()
{
    dlgProcs_.LVBrowseWebPage(LockvexAddresses::FacebookSite);
}

void TLockvexMainDlg::TwitterBtnClick()
{
    dlgProcs_.LVBrowseWebPage(LockvexAddresses::TwitterSite);
}

void TLockvexMainDlg::TrelLogoImageClick()
{
    dlgProcs_.LVBrowseWebPage(LockvexAddresses::MakerWebSite);
}

// Support: with the support marker file present, the data file is written without record
// encryption at exit.
void TLockvexMainDlg::LogWriteBtnClick()
{
    if (dlgProcs_.CustomerSupportOverride()) {
        run_.Mode.WritePlainOnExit = true;
        platform::Current().Beep();
    }
}
