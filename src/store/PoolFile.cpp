#include "store/PoolFile.h"

#include "platform/Platform.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::function<int(PoolFileOp op, const QString &path, qint64 offset)> TPoolFile::FaultHook;

namespace
{

// The journal: this header, then the record. The checksum covers both, so that a journal torn
// by a crash is told from a whole one.
struct JournalHeader {
    char Magic[8];
    uint64_t Device; // the file the record belongs to
    uint64_t Inode;
    int64_t Offset; // where the record goes in it
    int64_t Size;
    uint64_t Checksum;
};
constexpr char JournalMagic[8] = {'L', 'V', 'J', 'R', 'N', 'L', '0', '1'};
constexpr int64_t MaxJournalRecord = 1 << 20;

uint64_t Fnv1a(const void *data, size_t size, uint64_t hash)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

uint64_t JournalChecksum(const JournalHeader &header, const void *record)
{
    const uint64_t hash = Fnv1a(&header, offsetof(JournalHeader, Checksum), 14695981039346656037ull);
    return Fnv1a(record, size_t(header.Size), hash);
}

int FaultAt(PoolFileOp op, const QString &path, qint64 offset)
{
    return TPoolFile::FaultHook ? TPoolFile::FaultHook(op, path, offset) : 0;
}

int WriteAllAt(int fd, qint64 offset, const void *data, qint64 size)
{
    const auto *in = static_cast<const char *>(data);
    qint64 done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd, in + done, size_t(size - done), off_t(offset + done));
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

// The whole journal file, or empty when it cannot be read or is larger than any journal.
QByteArray ReadJournalFile(int fd)
{
    QByteArray bytes;
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buffer, n);
        if (bytes.size() > qsizetype(sizeof(JournalHeader) + MaxJournalRecord))
            return QByteArray();
    }
    return bytes;
}

} // namespace

TPoolFile::~TPoolFile()
{
    Close();
}

int TPoolFile::Fault(PoolFileOp op, qint64 offset) const
{
    return FaultAt(op, path_, offset);
}

QString TPoolFile::JournalNameFor(const QString &path)
{
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".lvjournal");
}

int TPoolFile::WriteJournal(qint64 offset, const void *data, int size)
{
    const QString journal = JournalNameFor(path_);
    if (int err = FaultAt(PoolFileOp::Write, journal, 0))
        return err;
    struct stat info {
    };
    if (::fstat(fd_, &info) != 0)
        return errno;
    if (journalFd_ < 0) {
        const QByteArray name = QFile::encodeName(journal);
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return errno;
        // The journal holds a record of the data file: its owner's only, whatever it was before.
        if (::fchmod(fd, 0600) != 0) {
            const int err = errno;
            ::close(fd);
            return err;
        }
        journalFd_ = fd;
        platform::Current().FlushFolderOf(journal); // its name survives a crash as well as its content
    }
    JournalHeader header{};
    std::memcpy(header.Magic, JournalMagic, sizeof JournalMagic);
    header.Device = uint64_t(info.st_dev);
    header.Inode = uint64_t(info.st_ino);
    header.Offset = offset;
    header.Size = size;
    header.Checksum = JournalChecksum(header, data);
    QByteArray bytes(reinterpret_cast<const char *>(&header), sizeof header);
    bytes.append(static_cast<const char *>(data), size);
    if (int err = WriteAllAt(journalFd_, 0, bytes.constData(), bytes.size()))
        return err;
    if (int err = FaultAt(PoolFileOp::Sync, journal, -1))
        return err;
    return ::fdatasync(journalFd_) == 0 ? 0 : errno;
}

int TPoolFile::WriteInPlace(qint64 offset, const void *data, int size)
{
    if (fd_ < 0 || readOnly_)
        return EBADF;
    if (int err = WriteJournal(offset, data, size))
        return err; // the slot is untouched
    journalPending_ = true;
    int err = WriteAt(offset, data, size);
    if (!err)
        err = Sync();
    if (!err)
        journalPending_ = false;
    return err;
}

int TPoolFile::ReplayJournal()
{
    if (fd_ < 0 || readOnly_)
        return 0;
    const QByteArray name = QFile::encodeName(JournalNameFor(path_));
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? 0 : errno;
    const QByteArray bytes = ReadJournalFile(fd);
    ::close(fd);
    JournalHeader header{};
    bool whole = bytes.size() >= qsizetype(sizeof header);
    if (whole) {
        std::memcpy(&header, bytes.constData(), sizeof header);
        const char *record = bytes.constData() + sizeof header;
        whole = std::memcmp(header.Magic, JournalMagic, sizeof JournalMagic) == 0 && header.Offset >= 0 &&
                header.Size > 0 && header.Size <= MaxJournalRecord &&
                bytes.size() >= qsizetype(sizeof header + header.Size) &&
                JournalChecksum(header, record) == header.Checksum;
    }
    struct stat info {
    };
    if (::fstat(fd_, &info) != 0)
        return errno;
    // A journaled record overwrote a record in its slot, so it lies inside the file on a record
    // boundary; a journal that points elsewhere would grow the file or tear two records.
    const bool inPlace = whole && header.Offset % header.Size == 0 && header.Offset <= info.st_size - header.Size;
    if (inPlace && header.Device == uint64_t(info.st_dev) && header.Inode == uint64_t(info.st_ino)) {
        if (int err = WriteAt(header.Offset, bytes.constData() + sizeof header, int(header.Size)))
            return err;
        if (int err = Sync())
            return err;
    }
    ::unlink(name.constData());
    return 0;
}

void TPoolFile::CloseJournal()
{
    if (journalFd_ < 0)
        return;
    ::close(journalFd_);
    journalFd_ = -1;
    if (!journalPending_)
        ::unlink(QFile::encodeName(JournalNameFor(path_)).constData());
    journalPending_ = false;
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
    // A new file has no journal: one left by a file of this name before never applies to it.
    ::unlink(QFile::encodeName(JournalNameFor(path)).constData());
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
    CloseJournal();
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
