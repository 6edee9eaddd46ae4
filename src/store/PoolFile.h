#pragma once
// The raw file of a pool: fixed-size records read and written at their byte position, nothing
// buffered. Every operation answers 0 or an error code (errno values; ShortReadError for a read
// that met the end of the file), which the pool manager turns into its I/O check. The file and
// its journal are reached through the platform's file operations (platform::FileIo).
//
// The file operations are the platform's at the moment the file is opened or created (a test
// platform fails them on request, or keeps unflushed writes apart as a disk does); the handle
// keeps them until it is closed.
//
// A record written in place can be torn by a crash: the system may stop a write between two
// pages of the file when the process is killed, or lose part of it when the power fails, and a
// slot then holds part of the new record and part of the old one. WriteInPlace therefore puts
// the record first into a journal beside the file (".<name>.lvjournal", flushed) and only then
// into its place (flushed); ReplayJournal, at the next open, puts a journaled record that a
// crash may have torn into its place again. A slot thus always holds the record as it was or
// as it was being written. The journal names the file it belongs to (device and inode), so that
// it is never replayed into a file that has replaced it.

#include "platform/FileIo.h"

#include <QString>

#include <cstdint>

constexpr int ShortReadError = platform::ShortReadError; // a read that found fewer bytes than a record

class TPoolFile
{
public:
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
    // Reads count records of recordSize bytes that follow each other from offset, in one read.
    int ReadRecordsAt(qint64 offset, void *buffer, int recordSize, int count);
    int WriteAt(qint64 offset, const void *data, int size);
    // A record overwritten in its slot through the journal, flushed: no crash leaves it torn.
    int WriteInPlace(qint64 offset, const void *data, int size);
    // Puts the record of a journal that a crash left back into its place, flushed, and removes
    // the journal. A journal that is itself torn, or belongs to another file, is only removed:
    // its write had not begun, or concerns a file that is gone. 0 when nothing was to be done
    // or it was done; on an error the journal stays for the next open.
    int ReplayJournal();
    static QString JournalNameFor(const QString &path);
    int Sync(); // the data written so far reaches the disk
    int Truncate(qint64 size);
    int Size(qint64 &size);
    // A file open for writing that others may read or that has other bits than its owner's
    // reading and writing is made its owner's only (0600). A file that may only be read is left
    // as it is. Housekeeping: a failure changes nothing else.
    void KeepOwnerOnly();
    // Closing a file that is not open does nothing and succeeds. The journal of the writes made
    // through this handle goes with it, unless a write through it failed half-way: then it
    // stays, and the next open completes that write.
    int Close();

    bool IsOpen() const { return fd_ >= 0; }
    bool IsReadOnly() const { return readOnly_; }
    const QString &Path() const { return path_; }

private:
    platform::FileIo &Io() const { return *io_; }
    void TakeFileIo();
    int WriteJournal(qint64 offset, const void *data, int size);
    void CloseJournal();

    platform::FileIo *io_ = nullptr; // the operations the open file was opened with
    int fd_ = -1;
    int journalFd_ = -1;          // the journal this handle writes, open from its first write
    bool journalPending_ = false; // a journaled write did not reach its place
    bool readOnly_ = false;
    QString path_;
};
