#include "app/MgrImportFiles.h"

#include "common/Globals.h"

#include <QDir>
#include <QFile>

QString ImportViewFolder()
{
    if (ProfileFolder.isEmpty())
        return QString();
    return QDir(ProfileFolder).filePath(QStringLiteral(".cache/lockvex-import"));
}

QString CreateImportViewFolder()
{
    const QString folder = ImportViewFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return QString();
    // Also when it was there already: whatever made it, only the owner may look inside.
    if (!QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return QString();
    return folder;
}

void RemoveImportViewFolder()
{
    const QString folder = ImportViewFolder();
    if (!folder.isEmpty())
        QDir(folder).removeRecursively();
}

QString WriteImportViewCopy(const QString &importFile, const QString &target)
{
    QFile source(importFile);
    if (!source.open(QIODevice::ReadOnly))
        return source.errorString() + QStringLiteral(": ") + importFile;
    QFile::remove(target);
    QFile copy(target);
    // Created new and made owner-only before a byte of the import's text is in it.
    if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        !copy.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        return copy.errorString() + QStringLiteral(": ") + target;
    char buffer[64 * 1024];
    for (qint64 n; (n = source.read(buffer, sizeof buffer)) != 0;) {
        if (n < 0 || copy.write(buffer, n) != n) {
            const QString reason = n < 0 ? source.errorString() : copy.errorString();
            copy.close();
            QFile::remove(target);
            return reason;
        }
    }
    if (!copy.flush()) {
        const QString reason = copy.errorString();
        copy.close();
        QFile::remove(target);
        return reason;
    }
    return QString();
}
