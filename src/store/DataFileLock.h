#pragma once
// One writer per data file on this computer: an exclusive advisory lock (flock) held by an open
// descriptor for the whole run, so that a crash releases it with the process. The lock is taken
// on a small hidden file beside the data file («.TrelLockvex.acsdb.lvlock»), not on the data file
// itself: a restore renames another file into the data file's name, and a lock on the replaced
// file would guard nothing. The holder writes its name into the lock file, so that a second copy
// can say who has the data open.
//
// The lock guards this computer only. A cloud client's synchronised folder carries files, not
// locks, to other computers; the in-use marker beside cloud data guards against those.

#include <QString>

class TDataFileLock
{
public:
    TDataFileLock() = default;
    ~TDataFileLock();
    TDataFileLock(const TDataFileLock &) = delete;
    TDataFileLock &operator=(const TDataFileLock &) = delete;

    enum Outcome { Taken, HeldElsewhere, Unavailable };
    // Takes the lock for dataFile and writes holderName into the lock file. HeldElsewhere when
    // another open descriptor (another copy of the program) holds it: Holder() then names that
    // copy's user. Unavailable when no lock can be had at all (a folder that cannot be written,
    // a file system without locks): nothing is held then.
    Outcome Acquire(const QString &dataFile, const QString &holderName);
    // Removes the lock file and lets the lock go. Nothing when no lock is held.
    void Release();
    bool IsHeld() const { return fd_ >= 0; }
    const QString &Holder() const { return holder_; }

    static QString LockFileNameFor(const QString &dataFile);

private:
    int fd_ = -1;
    QString path_;
    QString holder_;
};
