#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testing_support
{

TestPlatform::TestPlatform()
{
    Profile = home_.path();
    Documents = home_.path() + QStringLiteral("/Documents");
    QDir().mkpath(Documents);
    Runtime = home_.path() + QStringLiteral("/run");
    QDir().mkpath(Runtime);
    QFile::setPermissions(Runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

platform::NameFacts TestPlatform::FactsOfName(const QString &path) const
{
    platform::NameFacts facts = PosixPlatform::FactsOfName(path);
    if (OtherUsersNames.contains(path))
        facts.OwnedByUser = false;
    return facts;
}

bool TestPlatform::RemoveFileIfSame(const QString &path, uint64_t device, uint64_t inode)
{
    if (Fault(StorageOp::Remove, path))
        return false;
    return PosixPlatform::RemoveFileIfSame(path, device, inode);
}

bool TestPlatform::CopyFile(const QString &source, const QString &target, bool failIfExists)
{
    if (Fault(StorageOp::Copy, target))
        return false;
    return PosixPlatform::CopyFile(source, target, failIfExists);
}

bool TestPlatform::RenameFile(const QString &from, const QString &to)
{
    if (Fault(StorageOp::Rename, to))
        return false;
    return PosixPlatform::RenameFile(from, to);
}

bool TestPlatform::FlushFile(const QString &path)
{
    if (Fault(StorageOp::Sync, path))
        return false;
    return PosixPlatform::FlushFile(path);
}

bool TestPlatform::FlushFolderOf(const QString &path)
{
    if (Fault(StorageOp::FlushFolder, path))
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

// ---------------------------------------------------------------------------------------------
// The file operations

int TestPlatform::FaultyFileIo::Open(const QString &path, platform::FileOpenMode mode, int &handle)
{
    handle = -1;
    const bool creates = mode == platform::FileOpenMode::CreateEmpty || mode == platform::FileOpenMode::OpenOrCreate ||
                         mode == platform::FileOpenMode::CreateNew;
    if (int err = owner_.Fault(creates ? StorageOp::Create : StorageOp::Open, path))
        return err;
    const int err = PosixFileIo::Open(path, mode, handle);
    if (err == 0)
        paths_[handle] = path;
    return err;
}

int TestPlatform::FaultyFileIo::ReadAt(int handle, qint64 offset, void *buffer, qint64 size)
{
    if (int err = owner_.Fault(StorageOp::Read, PathOf(handle), offset, size))
        return err;
    return PosixFileIo::ReadAt(handle, offset, buffer, size);
}

int TestPlatform::FaultyFileIo::WriteAt(int handle, qint64 offset, const void *data, qint64 size)
{
    if (int err = owner_.Fault(StorageOp::Write, PathOf(handle), offset, size))
        return err;
    return PosixFileIo::WriteAt(handle, offset, data, size);
}

int TestPlatform::FaultyFileIo::Sync(int handle)
{
    if (int err = owner_.Fault(StorageOp::Sync, PathOf(handle)))
        return err;
    return PosixFileIo::Sync(handle);
}

int TestPlatform::FaultyFileIo::Truncate(int handle, qint64 size)
{
    if (int err = owner_.Fault(StorageOp::Truncate, PathOf(handle)))
        return err;
    return PosixFileIo::Truncate(handle, size);
}

int TestPlatform::FaultyFileIo::Facts(int handle, platform::FileFacts &facts)
{
    if (int err = owner_.Fault(StorageOp::Size, PathOf(handle)))
        return err;
    return PosixFileIo::Facts(handle, facts);
}

int TestPlatform::FaultyFileIo::Close(int handle)
{
    const QString path = PathOf(handle);
    paths_.erase(handle);
    const int fault = owner_.Fault(StorageOp::Close, path);
    const int err = PosixFileIo::Close(handle); // released whatever the fault
    return fault ? fault : err;
}

int TestPlatform::FaultyFileIo::Remove(const QString &path)
{
    if (int err = owner_.Fault(StorageOp::Remove, path))
        return err;
    return PosixFileIo::Remove(path);
}

} // namespace testing_support
