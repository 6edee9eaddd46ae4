#include "app/LockvexAddresses.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#ifndef LOCKVEX_HELP_BASE
#define LOCKVEX_HELP_BASE ""
#endif

namespace LockvexAddresses
{

QString HelpSite()
{
    const QString configured = QStringLiteral(LOCKVEX_HELP_BASE);
    if (!configured.isEmpty())
        return configured.endsWith(QLatin1Char('/')) ? configured.chopped(1) : configured;

    const QDir programFolder = QFileInfo(platform::Current().ProgramFilePath()).absoluteDir();
    const QString relative = QStringLiteral("share/doc/lockvex/help");
    const QString installed = QDir::cleanPath(programFolder.absoluteFilePath(QStringLiteral("../") + relative));
    const QString inBuildFolder = QDir::cleanPath(programFolder.absoluteFilePath(relative));
    const QString folder =
        !QFileInfo(installed).isDir() && QFileInfo(inBuildFolder).isDir() ? inBuildFolder : installed;
    return QUrl::fromLocalFile(folder).toString();
}

} // namespace LockvexAddresses
