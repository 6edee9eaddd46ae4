#include "app/CommandLine.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/ProgramBody.h"
#include "platform/desktop/DesktopPlatform.h"
#include "program/ProgramWindows.h"
#include "ui/messages/MessageDialog.h"
#include "ui/shared/LockvexStyle.h"
#include "ui/signin/SignInDialogs.h"

#include <QApplication>
#include <QIcon>

#include <malloc.h>

int main(int argc, char *argv[])
{
    if (const std::optional<int> status = HandleCommandLine(argc, argv))
        return *status;
    ProtectProcessMemory();
    // The few helper threads (the open's read-ahead, the start's sort) share the one heap: a
    // heap of their own would keep, for the whole run, the pages of what they freed.
    mallopt(M_ARENA_MAX, 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lockvex"));
    QApplication::setApplicationVersion(LockvexVersionNumber());
    // Ties the windows to the desktop entry lockvex.desktop (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("lockvex"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/lockvex/lockvex-128.png")));
    // The program's own look under any desktop palette: check boxes and radio buttons drawn from it.
    QApplication::setPalette(LockvexStyle::WindowPalette());
    platform::DesktopPlatform desktop;
    platform::Install(&desktop);
    TLockvexMessages messages(RunMessageDialog); // from the start steps to the end of the exit steps
    HandleEndingSignals(app, messages);
    EndRunOnExit();
    int result = RunLockvex(app, messages, RunSignInDialog, RunProgramWindows);
    platform::Install(nullptr);
    return result;
}
