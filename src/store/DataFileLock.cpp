#include "store/DataFileLock.h"

#include "common/Win1252.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

TDataFileLock::~TDataFileLock()
{
    Release();
}

QString TDataFileLock::LockFileNameFor(const QString &dataFile)
{
    const QFileInfo info(dataFile);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".lvlock");
}

namespace
{

QString ReadHolder(int fd)
{
    char buffer[512];
    ssize_t n = 0;
    do
        n = ::pread(fd, buffer, sizeof buffer, 0);
    while (n < 0 && errno == EINTR);
    if (n <= 0)
        return QString();
    QByteArray text(buffer, int(n));
    const qsizetype end = text.indexOf('\n');
    if (end >= 0)
        text.truncate(end);
    return win1252::ToUnicode(text.trimmed());
}

// The lock file's holder, read without creating the file or following a link: empty when the
// file is gone.
QString ReadHolderOf(const QByteArray &name)
{
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QString();
    const QString holder = ReadHolder(fd);
    ::close(fd);
    return holder;
}

int LockExclusive(int fd)
{
    int rc = 0;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

} // namespace

TDataFileLock::Outcome TDataFileLock::Acquire(const QString &dataFile, const QString &holderName)
{
    Release();
    holder_.clear();
    const QString path = LockFileNameFor(dataFile);
    const QByteArray name = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(dataFile).absolutePath());
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return Unavailable;
    if (const int err = LockExclusive(folderFd)) {
        ::close(folderFd);
        if (err == EWOULDBLOCK) {
            holder_ = ReadHolderOf(name);
            return HeldElsewhere;
        }
        // No lock on a folder here: the lock file alone guards the data.
        folderFd_ = -1;
    } else {
        folderFd_ = folderFd;
    }
    const auto giveUp = [this](Outcome outcome) {
        if (folderFd_ >= 0)
            ::close(folderFd_);
        folderFd_ = -1;
        return outcome;
    };
    // A holder that ends removes the file while it still holds the lock; a copy that opened the
    // old file meanwhile locks a file without a name and tries again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return giveUp(Unavailable);
        if (const int err = LockExclusive(fd)) {
            if (err == EWOULDBLOCK)
                holder_ = ReadHolder(fd);
            ::close(fd);
            return giveUp(err == EWOULDBLOCK ? HeldElsewhere : Unavailable);
        }
        struct stat opened {
        }, named{};
        if (::fstat(fd, &opened) == 0 && ::stat(name.constData(), &named) == 0 && opened.st_dev == named.st_dev &&
            opened.st_ino == named.st_ino) {
            const QByteArray line = win1252::FromUnicode(holderName) + '\n';
            if (::ftruncate(fd, 0) == 0) {
                [[maybe_unused]] ssize_t written = ::pwrite(fd, line.constData(), size_t(line.size()), 0);
            }
            fd_ = fd;
            path_ = path;
            return Taken;
        }
        ::close(fd);
    }
    return giveUp(Unavailable);
}

void TDataFileLock::Release()
{
    if (fd_ < 0)
        return;
    ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
    fd_ = -1;
    path_.clear();
    // The folder last: until the lock file is gone, no second copy may take it.
    if (folderFd_ >= 0)
        ::close(folderFd_);
    folderFd_ = -1;
}
