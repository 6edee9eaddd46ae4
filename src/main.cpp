#include "app/CommandLine.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/ProgramBody.h"
#include "common/Globals.h"
#include "platform/desktop/DesktopPlatform.h"
#include "ui/DLockvexList.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>

namespace
{

// Stands in for the main window until it is built: shows the data file in use.
int RunPlaceholderWindow(QApplication &app)
{
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Lockvex"));
    window.setCentralWidget(new QLabel(QStringLiteral("Lockvex"), &window));
    window.resize(800, 600);
    window.show();
    SetCloseOnSignal([&window] { window.close(); });
    int result = app.exec();
    SetCloseOnSignal(nullptr);
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> status = HandleCommandLine(argc, argv))
        return *status;
    ProtectProcessMemory();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lockvex"));
    QApplication::setApplicationVersion(LockvexVersionNumber());
    // Ties the windows to the desktop entry lockvex.desktop (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("lockvex"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/lockvex/lockvex-128.png")));
    platform::DesktopPlatform desktop;
    platform::Install(&desktop);
    HandleEndingSignals(app);
    // In memory-stick mode the quick list is the program's window.
    int result =
        RunLockvex(app, [](QApplication &a) { return MemStickMode ? RunQuickListWindow(a) : RunPlaceholderWindow(a); });
    platform::Install(nullptr);
    return result;
}
