#pragma once
// Tells when the desktop session locks or the computer is about to sleep, over D-Bus: logind's
// Lock of this program's own session and PrepareForSleep(true) on the system bus, and the screen
// savers' ActiveChanged(true) (freedesktop's and GNOME's) on the session bus. Without a bus or
// without these services it never tells anything, and says nothing either.

#include <QObject>
#include <QString>

#include <functional>

class QDBusPendingCallWatcher;

namespace platform {

class SessionLockWatch : public QObject {
    Q_OBJECT
public:
    // onLock runs once, on the first lock or sleep, in the thread that made the watch.
    explicit SessionLockWatch(std::function<void()> onLock, QObject *parent = nullptr);

private slots:
    void ScreenSaverActiveChanged(bool active);
    void PrepareForSleep(bool start);
    void SessionLocked();

private:
    void SessionFound(QDBusPendingCallWatcher *call, bool byProcess);
    void AskForSession(const QString &method, const QVariant &argument);
    void Tell();

    std::function<void()> onLock_;
    bool told_ = false;
};

} // namespace platform
