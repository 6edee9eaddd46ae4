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

Platform &Current() { return installed ? *installed : Fallback(); }

void Install(Platform *platform) { installed = platform; }

ScopedInstall::ScopedInstall(Platform &platform) : previous_(installed) { installed = &platform; }

ScopedInstall::~ScopedInstall() { installed = previous_; }

} // namespace platform
