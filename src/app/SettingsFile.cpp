#include "app/SettingsFile.h"

#include "platform/FileIo.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

bool SettingsFileUsable(const QString &path)
{
    if (path.isEmpty())
        return false;
    platform::Platform &desktop = platform::Current();
    const platform::NameFacts facts = desktop.FactsOfName(path);
    if (facts.What == platform::NameFacts::Kind::Missing)
        return true;
    if (facts.What == platform::NameFacts::Kind::Regular) {
        // Looked at through a handle opened without waiting, as the reader will find it.
        int handle = -1;
        const int err = desktop.Files().Open(path, platform::FileOpenMode::ReadRegular, handle);
        if (handle >= 0)
            desktop.Files().Close(handle);
        if (err != platform::NotRegularError)
            return true; // a plain file, readable or not: Qt's reader and writer report the rest
    }
    const QString aside =
        path + QStringLiteral(".set-aside-") + desktop.Now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const bool moved = !QFileInfo::exists(aside) && desktop.RenameFile(path, aside);
    const QString what = moved ? QStringLiteral("it is kept as %1").arg(QDir::toNativeSeparators(aside))
                               : QStringLiteral("it is left as it is");
    std::fprintf(stderr, "Lockvex: the settings file %s is not a plain file; %s, and Lockvex uses its default "
                         "settings.\n",
                 qPrintable(QDir::toNativeSeparators(path)), qPrintable(what));
    return moved;
}
