#include "platform/PosixPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

bool WriteAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// The sysfs folder of the whole disk that holds a block device, given as major:minor.
bool BlockDeviceIsRemovable(dev_t device)
{
    QString base = QStringLiteral("/sys/dev/block/%1:%2").arg(major(device)).arg(minor(device));
    QString path = QFileInfo(base).canonicalFilePath();
    if (path.isEmpty())
        return false;
    // A partition's own folder has no "removable"; its disk is the folder above.
    for (int level = 0; level < 2; ++level) {
        QFile flag(path + QStringLiteral("/removable"));
        if (flag.open(QIODevice::ReadOnly))
            return flag.readAll().trimmed() == "1";
        path = QFileInfo(path).path();
    }
    return false;
}

} // namespace

QDateTime PosixPlatform::Now() const { return QDateTime::currentDateTime(); }

QString PosixPlatform::ProfileFolder() const { return QDir::homePath(); }

QString PosixPlatform::DocumentsFolder() const
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

QString PosixPlatform::ProgramFilePath() const
{
    QString path = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    if (path.isEmpty())
        path = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return path;
}

QDateTime PosixPlatform::ProgramFileDate() const { return QFileInfo(ProgramFilePath()).lastModified(); }

QString PosixPlatform::LoginName() const
{
    if (const passwd *pw = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

QString PosixPlatform::HostName() const
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return QString::fromLocal8Bit(name);
}

bool PosixPlatform::CopyFile(const QString &source, const QString &target, bool failIfExists)
{
    QFileInfo targetInfo(target);
    if (failIfExists && targetInfo.exists())
        return false;
    QByteArray sourcePath = QFile::encodeName(source);
    int in = ::open(sourcePath.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat sourceStat {};
    if (::fstat(in, &sourceStat) != 0 || !S_ISREG(sourceStat.st_mode)) {
        ::close(in);
        return false;
    }
    QString temporary = targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName() +
                        QStringLiteral(".lvtmp-%1").arg(::getpid());
    QByteArray temporaryPath = QFile::encodeName(temporary);
    int out = ::open(temporaryPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, sourceStat.st_mode & 0777);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (!WriteAll(out, buffer, n)) {
            ok = false;
            break;
        }
    }
    ::close(in);
    if (ok) {
        struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
        ok = ::futimens(out, times) == 0 && ::fdatasync(out) == 0;
    }
    ok = (::close(out) == 0) && ok;
    if (ok && failIfExists && QFileInfo::exists(target))
        ok = false;
    if (ok)
        ok = ::rename(temporaryPath.constData(), QFile::encodeName(target).constData()) == 0;
    if (!ok) {
        ::unlink(temporaryPath.constData());
        return false;
    }
    FlushFolderOf(target);
    return true;
}

bool PosixPlatform::RenameFile(const QString &from, const QString &to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return false;
    FlushFolderOf(to);
    return true;
}

std::optional<QDateTime> PosixPlatform::LastWriteTime(const QString &path) const
{
    QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    return info.lastModified();
}

bool PosixPlatform::SetLastWriteTime(const QString &path, const QDateTime &time)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    return file.setFileTime(time, QFileDevice::FileModificationTime);
}

std::optional<QList<FolderEntry>> PosixPlatform::ListFolder(const QString &folder) const
{
    QDir dir(folder);
    if (folder.isEmpty() || !dir.exists() || !dir.isReadable())
        return std::nullopt;
    QList<FolderEntry> entries;
    const QFileInfoList infos =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &info : infos) {
        FolderEntry entry;
        entry.Name = info.fileName();
        entry.IsFolder = info.isDir() && !info.isSymLink();
        entry.IsRegularFile = info.isFile() && !info.isSymLink();
        entry.Size = info.size();
        entry.LastWrite = info.lastModified();
        entries.append(entry);
    }
    return entries;
}

QString PosixPlatform::MountPointOf(const QString &path) const
{
    QStorageInfo storage(path);
    return storage.isValid() ? storage.rootPath() : QString();
}

bool PosixPlatform::IsOnRemovableMedium(const QString &path) const
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return BlockDeviceIsRemovable(info.st_dev);
}

bool PosixPlatform::IsRemovableMountPoint(const QString &folder) const
{
    QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || MountPointOf(canonical) != canonical)
        return false;
    return IsOnRemovableMedium(canonical);
}

bool PosixPlatform::FlushFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

FileIo &PosixPlatform::Files()
{
    static PosixFileIo posix;
    return posix;
}

NameFacts PosixPlatform::FactsOfName(const QString &path) const
{
    NameFacts facts;
    struct stat info {
    };
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return facts;
    facts.What = S_ISREG(info.st_mode)   ? NameFacts::Kind::Regular
                 : S_ISDIR(info.st_mode) ? NameFacts::Kind::Folder
                 : S_ISLNK(info.st_mode) ? NameFacts::Kind::Link
                                         : NameFacts::Kind::Other;
    facts.OwnedByUser = info.st_uid == ::geteuid();
    facts.Device = uint64_t(info.st_dev);
    facts.Inode = uint64_t(info.st_ino);
    facts.Permissions = int(info.st_mode & 07777);
    return facts;
}

int PosixPlatform::MakePrivateFolder(const QString &path)
{
    return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0 ? 0 : errno;
}

QString PosixPlatform::MakeUniqueFolder(const QString &parent, const QString &prefix)
{
    QByteArray pattern = QFile::encodeName(parent + QLatin1Char('/') + prefix) + "XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return {};
    return QFile::decodeName(pattern);
}

bool PosixPlatform::RemoveEmptyFolder(const QString &path)
{
    // rmdir removes no link (it answers ENOTDIR) and no folder that holds anything.
    return ::rmdir(QFile::encodeName(path).constData()) == 0;
}

bool PosixPlatform::RemoveFileIfSame(const QString &path, uint64_t device, uint64_t inode)
{
    const NameFacts facts = FactsOfName(path);
    if (facts.What != NameFacts::Kind::Regular || facts.Device != device || facts.Inode != inode)
        return false;
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}

int PosixPlatform::LockFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void PosixPlatform::ReleaseFolderLock(int handle)
{
    if (handle >= 0)
        ::close(handle);
}

QString PosixPlatform::RuntimeFolder() const
{
    return qEnvironmentVariable("XDG_RUNTIME_DIR");
}

bool PosixPlatform::FlushFolderOf(const QString &path)
{
    QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace platform
