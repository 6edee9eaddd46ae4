#pragma once
// The platform of the running program: the POSIX one plus the desktop through Qt Widgets.

#include "platform/PosixPlatform.h"
#include "platform/desktop/SessionLockWatch.h"

#include <memory>

namespace platform {

class DesktopPlatform : public PosixPlatform {
public:
    bool OpenUrl(const QString &address) override;
    bool OpenMailLink(const QString &mailto) override;
    bool OpenFile(const QString &path) override;
    void SetClipboardText(const QString &text) override;
    QString ClipboardText() const override;
    void Beep() override;
    ScreenMetrics Screen() const override;
    QString ChooseFolder(const QString &caption, const QString &title, const QString &startFolder) override;
    QString ChooseOpenFile(const QString &caption, const QString &startFolder, const QString &filter) override;
    void WatchSessionLock(std::function<void()> onLock) override;

private:
    std::unique_ptr<SessionLockWatch> lockWatch_;
};

} // namespace platform
