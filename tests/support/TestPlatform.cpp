#include "support/TestPlatform.h"

#include <QDir>
#include <QFileInfo>

namespace testing_support {

TestPlatform::TestPlatform()
{
    Profile = home_.path();
    Documents = home_.path() + QStringLiteral("/Documents");
    QDir().mkpath(Documents);
}

bool TestPlatform::CopyFile(const QString &source, const QString &target, bool failIfExists)
{
    if (FailOperation && FailOperation(QStringLiteral("copy"), target))
        return false;
    return PosixPlatform::CopyFile(source, target, failIfExists);
}

bool TestPlatform::RenameFile(const QString &from, const QString &to)
{
    if (FailOperation && FailOperation(QStringLiteral("rename"), to))
        return false;
    return PosixPlatform::RenameFile(from, to);
}

bool TestPlatform::FlushFile(const QString &path)
{
    if (FailOperation && FailOperation(QStringLiteral("flush"), path))
        return false;
    return PosixPlatform::FlushFile(path);
}

bool TestPlatform::FlushFolderOf(const QString &path)
{
    if (FailOperation && FailOperation(QStringLiteral("flushfolder"), path))
        return false;
    return PosixPlatform::FlushFolderOf(path);
}

QString TestPlatform::MountPointOf(const QString &path) const
{
    QString absolute = QFileInfo(path).absoluteFilePath();
    for (const QString &mount : RemovableMountPoints)
        if (absolute == mount || absolute.startsWith(mount + QLatin1Char('/')))
            return mount;
    return QStringLiteral("/");
}

bool TestPlatform::IsOnRemovableMedium(const QString &path) const
{
    return RemovableMountPoints.contains(MountPointOf(path));
}

bool TestPlatform::IsRemovableMountPoint(const QString &folder) const
{
    QString absolute = QFileInfo(folder).absoluteFilePath();
    if (absolute.endsWith(QLatin1Char('/')) && absolute.size() > 1)
        absolute.chop(1);
    return RemovableMountPoints.contains(absolute);
}

bool TestPlatform::OpenUrl(const QString &address)
{
    OpenedUrls << address;
    return true;
}

bool TestPlatform::OpenMailLink(const QString &mailto)
{
    OpenedMailLinks << mailto;
    return true;
}

bool TestPlatform::OpenFile(const QString &path)
{
    OpenedFiles << path;
    return true;
}

QString TestPlatform::ChooseFolder(const QString &caption, const QString &title, const QString &startFolder)
{
    FolderTitles << title;
    return FolderAnswer ? FolderAnswer(caption, startFolder) : QString();
}

QString TestPlatform::ChooseOpenFile(const QString &caption, const QString &startFolder, const QString &filter)
{
    return FileAnswer ? FileAnswer(caption, startFolder, filter) : QString();
}

} // namespace testing_support
