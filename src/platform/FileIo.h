#pragma once
// The raw file operations the store's record files are made of: open, read and write at a byte
// position, flush, cut, facts, close, remove. Every call answers 0 or an error code (errno
// values; ShortReadError for a read that met the end of the file). The platform gives them
// (Platform::Files()): the program's are the POSIX calls; a test's platform gives others, that
// fail an operation on request or keep what was written since the last flush apart, to see what
// a power cut would leave.

#include <QString>

#include <cstdint>

namespace platform
{

constexpr int ShortReadError = 100; // a read that found fewer bytes than asked for
constexpr int NotRegularError = 101; // ReadRegular met a folder, a device, a pipe or a socket

enum class FileOpenMode {
    ReadWrite,    // an existing file
    ReadOnly,     // an existing file
    CreateEmpty,  // created, or emptied when it exists; readable and writable by its owner only
    OpenOrCreate, // opened as it is, or created empty (owner only) when missing
    // Made new (owner only): fails with EEXIST when anything bears the name, a link included,
    // so nothing that is there already is written through.
    CreateNew,
    // An existing regular file, read only. Opened without waiting (a pipe with no writer must
    // not hang the program) and refused with NotRegularError when it is no regular file.
    ReadRegular,
};

struct FileFacts {
    qint64 Size = 0;
    uint64_t Device = 0; // with Inode: which file this is, whatever its name
    uint64_t Inode = 0;
    bool IsRegular = false;
    unsigned Mode = 0; // the permission bits
    // Last change of the content and of the file's facts, in nanoseconds: with the size, they
    // tell whether anybody wrote into the file since these facts were taken.
    int64_t ModifiedNs = 0;
    int64_t ChangedNs = 0;
};

class FileIo
{
public:
    virtual ~FileIo() = default;

    virtual int Open(const QString &path, FileOpenMode mode, int &handle) = 0;
    virtual int ReadAt(int handle, qint64 offset, void *buffer, qint64 size) = 0;
    virtual int WriteAt(int handle, qint64 offset, const void *data, qint64 size) = 0;
    virtual int Sync(int handle) = 0; // the data written so far reaches the disk
    virtual int Truncate(int handle, qint64 size) = 0;
    virtual int Facts(int handle, FileFacts &facts) = 0;
    // The facts of the file a path names now (a link followed); ENOENT when there is none.
    virtual int PathFacts(const QString &path, FileFacts &facts) = 0;
    virtual int MakeOwnerOnly(int handle) = 0;
    // The handle is released whatever the answer.
    virtual int Close(int handle) = 0;
    virtual int Remove(const QString &path) = 0;
};

class PosixFileIo : public FileIo
{
public:
    int Open(const QString &path, FileOpenMode mode, int &handle) override;
    int ReadAt(int handle, qint64 offset, void *buffer, qint64 size) override;
    int WriteAt(int handle, qint64 offset, const void *data, qint64 size) override;
    int Sync(int handle) override;
    int Truncate(int handle, qint64 size) override;
    int Facts(int handle, FileFacts &facts) override;
    int PathFacts(const QString &path, FileFacts &facts) override;
    int MakeOwnerOnly(int handle) override;
    int Close(int handle) override;
    int Remove(const QString &path) override;
};

} // namespace platform
