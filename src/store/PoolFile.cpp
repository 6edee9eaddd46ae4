#include "store/PoolFile.h"

#include "platform/FileIo.h"
#include "platform/Platform.h"
#include "store/Lockvextypes.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>

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

// The whole journal file, or empty when it cannot be read or is larger than any journal.
QByteArray ReadJournalFile(platform::FileIo &io, int handle)
{
    platform::FileFacts facts;
    if (io.Facts(handle, facts) != 0 || facts.Size <= 0 ||
        facts.Size > qint64(sizeof(JournalHeader) + MaxJournalRecord))
        return QByteArray();
    QByteArray bytes(qsizetype(facts.Size), '\0');
    if (io.ReadAt(handle, 0, bytes.data(), facts.Size) != 0)
        return QByteArray();
    return bytes;
}

} // namespace

TPoolFile::~TPoolFile()
{
    Close();
}

void TPoolFile::TakeFileIo()
{
    io_ = &platform::Current().Files();
}

QString TPoolFile::JournalNameFor(const QString &path)
{
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".lvjournal");
}

int TPoolFile::WriteJournal(qint64 offset, const void *data, int size)
{
    const QString journal = JournalNameFor(path_);
    platform::FileFacts facts;
    if (int err = Io().Facts(fd_, facts))
        return err;
    if (journalFd_ < 0) {
        int handle = -1;
        if (int err = Io().Open(journal, platform::FileOpenMode::OpenOrCreate, handle))
            return err;
        // The journal holds a record of the data file: its owner's only, whatever it was before.
        if (int err = Io().MakeOwnerOnly(handle)) {
            Io().Close(handle);
            return err;
        }
        journalFd_ = handle;
        platform::Current().FlushFolderOf(journal); // its name survives a crash as well as its content
    }
    JournalHeader header{};
    std::memcpy(header.Magic, JournalMagic, sizeof JournalMagic);
    header.Device = facts.Device;
    header.Inode = facts.Inode;
    header.Offset = offset;
    header.Size = size;
    header.Checksum = JournalChecksum(header, data);
    QByteArray bytes(reinterpret_cast<const char *>(&header), sizeof header);
    bytes.append(static_cast<const char *>(data), size);
    if (int err = Io().WriteAt(journalFd_, 0, bytes.constData(), bytes.size()))
        return err;
    return Io().Sync(journalFd_);
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
    const QString journal = JournalNameFor(path_);
    int handle = -1;
    if (int err = Io().Open(journal, platform::FileOpenMode::ReadOnly, handle))
        return err == ENOENT ? 0 : err;
    const QByteArray bytes = ReadJournalFile(Io(), handle);
    Io().Close(handle);
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
    platform::FileFacts facts;
    if (int err = Io().Facts(fd_, facts))
        return err;
    // A journaled record went into a slot of the file, so it lies on a record boundary; a journal
    // that points elsewhere would tear two records. The slot may lie beyond the end now: a power
    // cut can take the growth that made it with the record, when neither was flushed yet. The
    // record then goes back into its slot and the slots before it are zeros, blank slots as a
    // growth writes them; a slot further away than one growth was never this file's.
    const bool inPlace =
        whole && header.Offset % header.Size == 0 && header.Offset <= facts.Size + (MaxRecsToAdd - 1) * header.Size;
    if (inPlace && header.Device == facts.Device && header.Inode == facts.Inode) {
        if (int err = WriteAt(header.Offset, bytes.constData() + sizeof header, int(header.Size)))
            return err;
        if (int err = Sync())
            return err;
    }
    Io().Remove(journal);
    return 0;
}

void TPoolFile::CloseJournal()
{
    if (journalFd_ < 0)
        return;
    Io().Close(journalFd_);
    journalFd_ = -1;
    if (!journalPending_)
        Io().Remove(JournalNameFor(path_));
    journalPending_ = false;
}

int TPoolFile::OpenExisting(const QString &path)
{
    Close();
    path_ = path;
    readOnly_ = false;
    TakeFileIo();
    int handle = -1;
    int err = Io().Open(path, platform::FileOpenMode::ReadWrite, handle);
    if (err == EACCES || err == EROFS || err == EPERM) {
        err = Io().Open(path, platform::FileOpenMode::ReadOnly, handle);
        readOnly_ = err == 0;
    }
    if (err)
        return err;
    platform::FileFacts facts;
    if (Io().Facts(handle, facts) != 0 || !facts.IsRegular) {
        // Only a plain file is a pool: never a device or a pipe whose reads could block.
        Io().Close(handle);
        readOnly_ = false;
        return EINVAL;
    }
    fd_ = handle;
    return 0;
}

int TPoolFile::Create(const QString &path)
{
    Close();
    path_ = path;
    readOnly_ = false;
    TakeFileIo();
    int handle = -1;
    if (int err = Io().Open(path, platform::FileOpenMode::CreateEmpty, handle))
        return err;
    // A new file has no journal: one left by a file of this name before never applies to it.
    Io().Remove(JournalNameFor(path));
    // A file that existed keeps its mode through the emptying: it holds entries from now on.
    if (int err = Io().MakeOwnerOnly(handle)) {
        Io().Close(handle);
        return err;
    }
    fd_ = handle;
    return 0;
}

void TPoolFile::KeepOwnerOnly()
{
    platform::FileFacts facts;
    if (fd_ < 0 || readOnly_ || Io().Facts(fd_, facts) != 0 || facts.Mode == 0600)
        return;
    Io().MakeOwnerOnly(fd_);
}

int TPoolFile::ReadAt(qint64 offset, void *buffer, int size)
{
    if (fd_ < 0)
        return EBADF;
    return Io().ReadAt(fd_, offset, buffer, size);
}

int TPoolFile::ReadRecordsAt(qint64 offset, void *buffer, int recordSize, int count)
{
    if (fd_ < 0)
        return EBADF;
    if (recordSize <= 0 || count <= 0 || qint64(recordSize) * count > INT_MAX)
        return EINVAL;
    return ReadAt(offset, buffer, recordSize * count);
}

int TPoolFile::WriteAt(qint64 offset, const void *data, int size)
{
    if (fd_ < 0)
        return EBADF;
    return Io().WriteAt(fd_, offset, data, size);
}

int TPoolFile::Sync()
{
    if (fd_ < 0)
        return EBADF;
    return Io().Sync(fd_);
}

int TPoolFile::Truncate(qint64 size)
{
    if (fd_ < 0)
        return EBADF;
    return Io().Truncate(fd_, size);
}

int TPoolFile::Size(qint64 &size)
{
    size = 0;
    if (fd_ < 0)
        return EBADF;
    platform::FileFacts facts;
    if (int err = Io().Facts(fd_, facts))
        return err;
    size = facts.Size;
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
    // The file operations release the handle even when they answer an error.
    return Io().Close(fd);
}
