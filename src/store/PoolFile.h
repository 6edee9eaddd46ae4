#pragma once
// The raw file of a pool: fixed-size records read and written at their byte position, nothing
// buffered. Every operation answers 0 or an error code (errno values; ShortReadError for a read
// that met the end of the file), which the pool manager turns into its I/O check.
//
// FaultHook is the seam through which tests make an operation fail as on a full or removed
// disk: when set, it is asked before each operation (with the byte position of a read or a
// write, else -1) and a non-zero answer is the error the operation fails with, without touching
// the file.

#include <QString>

#include <cstdint>
#include <functional>

enum class PoolFileOp { Open, Create, Read, Write, Sync, Truncate, Size, Close };

constexpr int ShortReadError = 100; // a read that found fewer bytes than a record

class TPoolFile
{
public:
    static std::function<int(PoolFileOp op, const QString &path, qint64 offset)> FaultHook;

    TPoolFile() = default;
    ~TPoolFile();
    TPoolFile(const TPoolFile &) = delete;
    TPoolFile &operator=(const TPoolFile &) = delete;

    // Opens an existing file for reading and writing. A file that may only be read (its mode,
    // a read-only medium) is opened for reading: it can still be scanned, and writes fail.
    int OpenExisting(const QString &path);
    // Creates the file anew and empty, readable and writable by its owner only.
    int Create(const QString &path);
    int ReadAt(qint64 offset, void *buffer, int size);
    int WriteAt(qint64 offset, const void *data, int size);
    int Sync(); // the data written so far reaches the disk
    int Truncate(qint64 size);
    int Size(qint64 &size);
    int Close(); // closing a file that is not open does nothing and succeeds

    bool IsOpen() const { return fd_ >= 0; }
    bool IsReadOnly() const { return readOnly_; }
    const QString &Path() const { return path_; }

private:
    int Fault(PoolFileOp op, qint64 offset = -1) const;

    int fd_ = -1;
    bool readOnly_ = false;
    QString path_;
};
