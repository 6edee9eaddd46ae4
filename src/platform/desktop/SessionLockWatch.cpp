#include "platform/desktop/SessionLockWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <unistd.h>

namespace platform {

namespace {

const QString Login1Service = QStringLiteral("org.freedesktop.login1");
const QString Login1Path = QStringLiteral("/org/freedesktop/login1");
const QString Login1Manager = QStringLiteral("org.freedesktop.login1.Manager");
const QString Login1Session = QStringLiteral("org.freedesktop.login1.Session");

struct ScreenSaver {
    const char *Service;
    const char *Path;
    const char *Interface;
};
// KDE's screen saver answers on both paths of the freedesktop service; GNOME's has its own.
const ScreenSaver ScreenSavers[] = {
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver"},
    {"org.freedesktop.ScreenSaver", "/ScreenSaver", "org.freedesktop.ScreenSaver"},
    {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver"},
};

} // namespace

SessionLockWatch::SessionLockWatch(std::function<void()> onLock, QObject *parent)
    : QObject(parent), onLock_(std::move(onLock))
{
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected())
        for (const ScreenSaver &saver : ScreenSavers)
            session.connect(QString::fromLatin1(saver.Service), QString::fromLatin1(saver.Path),
                            QString::fromLatin1(saver.Interface), QStringLiteral("ActiveChanged"), this,
                            SLOT(ScreenSaverActiveChanged(bool)));
    QDBusConnection system = QDBusConnection::systemBus();
    if (!system.isConnected())
        return;
    system.connect(Login1Service, Login1Path, Login1Manager, QStringLiteral("PrepareForSleep"), this,
                   SLOT(PrepareForSleep(bool)));
    // The session's own object: asked without waiting, so that a slow or missing logind never
    // holds up the start.
    AskForSession(QStringLiteral("GetSessionByPID"), QVariant::fromValue(uint(::getpid())));
}

void SessionLockWatch::AskForSession(const QString &method, const QVariant &argument)
{
    QDBusMessage call = QDBusMessage::createMethodCall(Login1Service, Login1Path, Login1Manager, method);
    call << argument;
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call), this);
    const bool byProcess = method == QLatin1String("GetSessionByPID");
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, byProcess](QDBusPendingCallWatcher *done) { SessionFound(done, byProcess); });
}

void SessionLockWatch::SessionFound(QDBusPendingCallWatcher *call, bool byProcess)
{
    call->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (reply.isError()) {
        // A process outside any session (started by a service manager of the user's) still
        // belongs to the session its environment names.
        const QString id = qEnvironmentVariable("XDG_SESSION_ID");
        if (byProcess && !id.isEmpty())
            AskForSession(QStringLiteral("GetSession"), id);
        return;
    }
    QDBusConnection::systemBus().connect(Login1Service, reply.value().path(), Login1Session,
                                         QStringLiteral("Lock"), this, SLOT(SessionLocked()));
}

void SessionLockWatch::ScreenSaverActiveChanged(bool active)
{
    if (active)
        Tell();
}

void SessionLockWatch::PrepareForSleep(bool start)
{
    if (start)
        Tell();
}

void SessionLockWatch::SessionLocked()
{
    Tell();
}

void SessionLockWatch::Tell()
{
    if (told_ || !onLock_)
        return;
    told_ = true;
    onLock_();
}

} // namespace platform
