#pragma once
// One writer per data file on this computer: exclusive advisory locks (flock) held by open
// descriptors for the whole run, so that a crash releases them with the process. Not on the data
// file itself: a restore renames another file into the data file's name, and a lock on the
// replaced file would guard nothing. Two locks are taken:
//  - on the data folder itself, which nobody deletes while it holds the data: a lock file can be
//    deleted under its holder (by a user tidying hidden files, or by a sync client carrying
//    another computer's deletion of its own lock file), and a second copy would then lock a new
//    file of the same name and write beside the first;
//  - on a small hidden file beside the data file («.TrelLockvex.acsdb.lvlock»), into which the
//    holder writes its name, so that a second copy can say who has the data open. A copy refused
//    by the folder's lock creates no lock file.
// A file system that allows no lock on a folder (some network shares) leaves the lock file alone
// to guard the data, as it did before.
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
    int folderFd_ = -1; // the data folder, locked; -1 where its file system allows no lock
    QString path_;
    QString holder_;
};
