// Every window of the program shown at once, over a temporary home with a few entries, for the
// check of what assistive tools see over AT-SPI (atspi_check.py). Prints "ready" once the
// windows are up and runs until it is ended.

#include "ProgramWindows.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lockvex-windows"));
    testing_support::WindowSession session;
    if (!session.Opened)
        return 1;
    program_windows::MakeEntries(*session.App);
    std::vector<std::unique_ptr<QWidget>> windows;
    for (const QString &name : program_windows::WindowNames) {
        // The entry window and the quick list are the memory stick's.
        session.SetMemStickMode(name == QLatin1String("entry") || name == QLatin1String("quick list"));
        windows.push_back(program_windows::MakeWindow(name, *session.App));
        windows.back()->setWindowModality(Qt::NonModal);
        windows.back()->show();
    }
    QTimer::singleShot(1500, [] {
        std::puts("ready");
        std::fflush(stdout);
    });
    return app.exec();
}
