#include "platform/FileIo.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

int PosixFileIo::Open(const QString &path, FileOpenMode mode, int &handle)
{
    handle = -1;
    int flags = O_CLOEXEC;
    switch (mode) {
    case FileOpenMode::ReadWrite:
        flags |= O_RDWR;
        break;
    case FileOpenMode::ReadOnly:
        flags |= O_RDONLY;
        break;
    case FileOpenMode::CreateEmpty:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    case FileOpenMode::OpenOrCreate:
        flags |= O_RDWR | O_CREAT;
        break;
    case FileOpenMode::CreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
        break;
    case FileOpenMode::ReadRegular:
        flags |= O_RDONLY | O_NONBLOCK;
        break;
    }
    // An existing file is opened without waiting: a pipe or a device at its name must not hang
    // the program; the caller learns what it is from its facts.
    const bool existing = mode == FileOpenMode::ReadWrite || mode == FileOpenMode::ReadOnly;
    if (existing)
        flags |= O_NONBLOCK;
    const int fd = ::open(QFile::encodeName(path).constData(), flags, 0600);
    if (fd < 0)
        return errno;
    if (existing)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (mode == FileOpenMode::ReadRegular) {
        struct stat info {
        };
        const int err = ::fstat(fd, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : NotRegularError;
        if (err != 0) {
            ::close(fd);
            return err;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    handle = fd;
    return 0;
}

int PosixFileIo::ReadAt(int handle, qint64 offset, void *buffer, qint64 size)
{
    auto *out = static_cast<char *>(buffer);
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(handle, out + done, size_t(size - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ShortReadError;
        done += n;
    }
    return 0;
}

int PosixFileIo::WriteAt(int handle, qint64 offset, const void *data, qint64 size)
{
    const auto *in = static_cast<const char *>(data);
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(handle, in + done, size_t(size - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        done += n;
    }
    return 0;
}

int PosixFileIo::Sync(int handle)
{
    return ::fdatasync(handle) == 0 ? 0 : errno;
}

int PosixFileIo::Truncate(int handle, qint64 size)
{
    return ::ftruncate(handle, off_t(size)) == 0 ? 0 : errno;
}

namespace
{

void TakeFacts(const struct stat &info, FileFacts &facts)
{
    facts.Size = info.st_size;
    facts.Device = uint64_t(info.st_dev);
    facts.Inode = uint64_t(info.st_ino);
    facts.IsRegular = S_ISREG(info.st_mode);
    facts.Mode = unsigned(info.st_mode & 07777);
    facts.ModifiedNs = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    facts.ChangedNs = int64_t(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
}

} // namespace

int PosixFileIo::Facts(int handle, FileFacts &facts)
{
    struct stat info {
    };
    if (::fstat(handle, &info) != 0)
        return errno;
    TakeFacts(info, facts);
    return 0;
}

int PosixFileIo::PathFacts(const QString &path, FileFacts &facts)
{
    struct stat info {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return errno;
    TakeFacts(info, facts);
    return 0;
}

int PosixFileIo::MakeOwnerOnly(int handle)
{
    return ::fchmod(handle, 0600) == 0 ? 0 : errno;
}

int PosixFileIo::Close(int handle)
{
    return ::close(handle) == 0 ? 0 : errno;
}

int PosixFileIo::Remove(const QString &path)
{
    return ::unlink(QFile::encodeName(path).constData()) == 0 ? 0 : errno;
}

} // namespace platform
