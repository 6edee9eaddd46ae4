#include "platform/desktop/DesktopPlatform.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lockvex"));
    platform::DesktopPlatform desktop;
    platform::Install(&desktop);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Lockvex"));
    window.resize(800, 600);
    window.show();
    int result = app.exec();
    platform::Install(nullptr);
    return result;
}
