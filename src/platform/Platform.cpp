#include "platform/Platform.h"

#include "platform/PosixPlatform.h"

namespace platform {

namespace {
Platform *installed = nullptr;

Platform &Fallback()
{
    // Without an installed platform (a tool or a test that installs none) the plain POSIX one
    // serves: files, folders and the clock work, the desktop calls do nothing.
    static PosixPlatform fallback;
    return fallback;
}
} // namespace

QRect ScreenMetrics::PrimaryArea() const
{
    return Areas.isEmpty() ? QRect(0, 0, Width, Height) : Areas.first();
}

QList<QRect> ScreenMetrics::AllAreas() const
{
    return Areas.isEmpty() ? QList<QRect>{PrimaryArea()} : Areas;
}

QRect ScreenMetrics::AreaAt(const QPoint &point) const
{
    for (const QRect &area : AllAreas())
        if (area.contains(point))
            return area;
    return PrimaryArea();
}

Platform &Current() { return installed ? *installed : Fallback(); }

void Install(Platform *platform) { installed = platform; }

ScopedInstall::ScopedInstall(Platform &platform) : previous_(installed) { installed = &platform; }

ScopedInstall::~ScopedInstall() { installed = previous_; }

} // namespace platform
