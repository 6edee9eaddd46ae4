#include "program/ProgramWindows.h"

#include "app/LockvexMsgdial.h"
#include "app/LockvexSession.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/ProgramBody.h"
#include "app/RunState.h"
#include "entries/MgrLockvexItems.h"
#include "ui/main/DLockvexMain.h"
#include "ui/messages/MessageDialog.h"
#include "ui/quicklist/DLockvexList.h"

#include <QApplication>

namespace
{

int RunMainWindow(QApplication &app, LockvexSession &session)
{
    TLockvexMainDlg window(*session.ListManager, *session.ItemManager, *session.LVDlgProcs); // registers itself as the messages' owner
    SetCloseOnSignal([&window] { window.CloseOnSignal(); });
    // The program ends when the main window closes, also when it closes hidden behind the
    // import window (the idle close, log-out), where no last visible window closes.
    QObject::connect(
        &window, &TLockvexMainDlg::Closed, &app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    window.show();
    const int result = app.exec();
    SetCloseOnSignal(nullptr);
    SetMessageDialogOwner(session.Messages, nullptr);
    return result;
}

} // namespace

int RunProgramWindows(QApplication &app, LockvexSession &session)
{
    return session.Run.Mode.RunKind() == TRunMode::Kind::MemStick ? RunQuickListWindow(app, session)
                                                                  : RunMainWindow(app, session);
}
