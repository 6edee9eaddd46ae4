// The reference of the start-up benchmark: the least a Qt Widgets program does to show a window,
// a QApplication showing a QLabel. It ends on SIGTERM as the program does.

#include <QApplication>
#include <QLabel>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
int signalPipe[2] = {-1, -1};
void OnTerm(int)
{
    char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QApplication::quit);
        std::signal(SIGTERM, OnTerm);
    }
    QLabel label(QStringLiteral("Hello"));
    label.show();
    return app.exec();
}
