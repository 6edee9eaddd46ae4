// A stand-in for logind and the desktop's screen savers on a private D-Bus bus, for the test of
// the close on a session lock or sleep. It owns org.freedesktop.login1 (answering
// GetSessionByPID and GetSession with the session of its first argument), org.freedesktop.
// ScreenSaver and org.gnome.ScreenSaver, prints "ready", and from SIGUSR1 on emits the signal of
// its second argument every 100 ms, until it is ended.
//
// Usage: session_bus_fake session-id lock|lock-other|sleep|wake|screensaver|screensaver-off|gnome
// (the session bus and the system bus: DBUS_SESSION_BUS_ADDRESS, DBUS_SYSTEM_BUS_ADDRESS)

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace
{

volatile std::sig_atomic_t emitting = 0;

QString SessionPath(const QString &id)
{
    return QStringLiteral("/org/freedesktop/login1/session/") + id;
}

} // namespace

class FakeLogin1Manager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    explicit FakeLogin1Manager(QString session) : session_(std::move(session)) {}

public slots:
    QDBusObjectPath GetSessionByPID(uint pid)
    {
        std::printf("session asked for pid %u\n", pid);
        std::fflush(stdout);
        return QDBusObjectPath(SessionPath(session_));
    }
    QDBusObjectPath GetSession(const QString &) { return QDBusObjectPath(SessionPath(session_)); }

private:
    QString session_;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: session_bus_fake session-id signal\n");
        return 2;
    }
    const QString session = QString::fromLocal8Bit(argv[1]);
    const QString kind = QString::fromLocal8Bit(argv[2]);
    QDBusConnection system = QDBusConnection::systemBus();
    QDBusConnection user = QDBusConnection::sessionBus();
    FakeLogin1Manager manager(session);
    if (!system.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager, QDBusConnection::ExportAllSlots) ||
        !system.registerService(QStringLiteral("org.freedesktop.login1")) ||
        !user.registerService(QStringLiteral("org.freedesktop.ScreenSaver")) ||
        !user.registerService(QStringLiteral("org.gnome.ScreenSaver"))) {
        std::fprintf(stderr, "the fake services could not be registered\n");
        return 1;
    }

    QDBusMessage signal;
    QDBusConnection *bus = &system;
    const auto make = [](const QString &path, const QString &interface, const QString &name) {
        return QDBusMessage::createSignal(path, interface, name);
    };
    if (kind == QLatin1String("lock") || kind == QLatin1String("lock-other")) {
        signal = make(SessionPath(kind == QLatin1String("lock") ? session : session + QStringLiteral("x")),
                      QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Lock"));
    } else if (kind == QLatin1String("sleep") || kind == QLatin1String("wake")) {
        signal = make(QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
                      QStringLiteral("PrepareForSleep"));
        signal << (kind == QLatin1String("sleep"));
    } else if (kind == QLatin1String("screensaver") || kind == QLatin1String("screensaver-off")) {
        bus = &user;
        signal = make(QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"),
                      QStringLiteral("ActiveChanged"));
        signal << (kind == QLatin1String("screensaver"));
    } else if (kind == QLatin1String("gnome")) {
        bus = &user;
        signal = make(QStringLiteral("/org/gnome/ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver"),
                      QStringLiteral("ActiveChanged"));
        signal << true;
    } else {
        std::fprintf(stderr, "unknown signal %s\n", argv[2]);
        return 2;
    }

    std::signal(SIGUSR1, [](int) { emitting = 1; });
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (emitting)
            bus->send(signal);
    });
    timer.start(100);
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "session_bus_fake.moc"
