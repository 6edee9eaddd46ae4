#include "store/PoolFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::function<int(PoolFileOp op, const QString &path, qint64 offset)> TPoolFile::FaultHook;

TPoolFile::~TPoolFile()
{
    Close();
}

int TPoolFile::Fault(PoolFileOp op, qint64 offset) const
{
    return FaultHook ? FaultHook(op, path_, offset) : 0;
}

int TPoolFile::OpenExisting(const QString &path)
{
    Close();
    path_ = path;
    readOnly_ = false;
    if (int err = Fault(PoolFileOp::Open))
        return err;
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        readOnly_ = fd >= 0;
    }
    if (fd < 0)
        return errno;
    struct stat info {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        // Only a plain file is a pool: never a device or a pipe whose reads could block.
        ::close(fd);
        return EINVAL;
    }
    fd_ = fd;
    return 0;
}

int TPoolFile::Create(const QString &path)
{
    Close();
    path_ = path;
    readOnly_ = false;
    if (int err = Fault(PoolFileOp::Create))
        return err;
    int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    // A file that existed keeps its mode through O_TRUNC: it holds entries from now on.
    if (::fchmod(fd, 0600) != 0) {
        const int err = errno;
        ::close(fd);
        return err;
    }
    fd_ = fd;
    return 0;
}

int TPoolFile::ReadAt(qint64 offset, void *buffer, int size)
{
    if (fd_ < 0)
        return EBADF;
    if (int err = Fault(PoolFileOp::Read, offset))
        return err;
    auto *out = static_cast<char *>(buffer);
    int done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd_, out + done, size_t(size - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ShortReadError;
        done += int(n);
    }
    return 0;
}

int TPoolFile::WriteAt(qint64 offset, const void *data, int size)
{
    if (fd_ < 0)
        return EBADF;
    if (int err = Fault(PoolFileOp::Write, offset))
        return err;
    const auto *in = static_cast<const char *>(data);
    int done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd_, in + done, size_t(size - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        done += int(n);
    }
    return 0;
}

int TPoolFile::Sync()
{
    if (fd_ < 0)
        return EBADF;
    if (int err = Fault(PoolFileOp::Sync))
        return err;
    return ::fdatasync(fd_) == 0 ? 0 : errno;
}

int TPoolFile::Truncate(qint64 size)
{
    if (fd_ < 0)
        return EBADF;
    if (int err = Fault(PoolFileOp::Truncate))
        return err;
    return ::ftruncate(fd_, off_t(size)) == 0 ? 0 : errno;
}

int TPoolFile::Size(qint64 &size)
{
    size = 0;
    if (fd_ < 0)
        return EBADF;
    if (int err = Fault(PoolFileOp::Size))
        return err;
    struct stat info {
    };
    if (::fstat(fd_, &info) != 0)
        return errno;
    size = info.st_size;
    return 0;
}

int TPoolFile::Close()
{
    if (fd_ < 0)
        return 0;
    const int fd = fd_;
    fd_ = -1;
    readOnly_ = false;
    const int fault = Fault(PoolFileOp::Close);
    // The handle is released even when a fault is injected: a failed close never leaks it.
    const int rc = ::close(fd);
    if (fault)
        return fault;
    return rc == 0 ? 0 : errno;
}
