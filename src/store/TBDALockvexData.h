#pragma once
// TV9LockvexTbl: the pool manager specialised for the data file of web entries. It fixes the
// pool's options, opens the data file with recovery from two backups and from the CSV log,
// makes a compacted TEMP copy and turns it into the newest backup when it is destroyed, reads
// and writes entries by key, checks an access password against the stored entries, and builds
// and parses the log line of an entry.
//
// Recovery and backups never lose a byte: a damaged data file is kept aside before anything
// takes its name, a backup is only ever read while it is tried, and every whole file (TEMP
// copy, backups, a restored data file) is written under a temporary name, flushed and renamed
// into place.

#include "store/DataFileLock.h"
#include "store/RecDALockvex.h"
#include "store/TbDALockvexBase.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

// Where the data of a data file that did not open as it was found came from.
enum class TDataRepair : uint8_t {
    None,             // the data file opened as it was found, or there was none yet
    FromBackup,       // restored from the newest backup that opens
    FromLog,          // rebuilt from the CSV log
    WholeRecordsKept, // the whole records at the front of the damaged file, no newer backup
    NothingKept,      // nothing to restore from: a new empty data file
};

// How the close of the entry table went: the data file closed, and, where this close had to
// make them, the TEMP copy and the newest backup.
struct TTableCloseOutcome {
    bool BackupDue = false;  // this close was to write the TEMP copy and turn it into BAC0
    bool DataClosed = true;  // the data file itself closed cleanly (whatever became of the backup)
    QString Failure;         // the step that failed and what it left, for the user; empty: all went well
    bool Ok() const { return Failure.isEmpty(); }
};

// What the entry table did when it found that another program (a cloud client bringing another
// computer's changes, a restore, a copy by hand) had replaced, rewritten or deleted its data file.
struct TOtherWriterReport {
    enum TWhat {
        Nothing,
        Combined,     // both sides combined into the file now at the data file's name
        Reloaded,     // read-only: the file now at the name is shown, nothing was written
        WrittenAgain, // the data file was deleted and was written again from what the table held
    };
    TWhat What = Nothing;
    bool Replaced = false;  // another file took the name (else the file was rewritten in place)
    int FromHere = 0;       // entries changed, added or deleted by this run that were combined
    int FromThere = 0;      // entries changed, added or deleted by the other writer
    QStringList KeptTwice;  // the names this run's versions of entries changed on both sides got
};

class TV9LockvexTbl : public TPoolMgr
{
public:
    explicit TV9LockvexTbl(bool _ThisYearInd);
    ~TV9LockvexTbl() override;

    // Opens the data file, recovering it when it does not open (see the .cpp). The manager's
    // own two-argument open stays available for plain opens.
    bool OpenPool(const QString &Fn);
    using TPoolMgr::OpenPool;
    void SetRunOnMemstick(bool Cond) { RunOnMemStick = Cond; }
    bool IsRunOnMemstick() const { return RunOnMemStick; }
    // Takes the data file's lock for the life of the table, before it is opened: one copy of the
    // program writes a data file at a time. False when another copy holds it (LockHolder names
    // that copy's user), and the caller runs read-only; true also when the folder allows no lock.
    bool LockDataFile(const QString &Fn, const QString &holderName);
    const QString &LockHolder() const { return Lock.Holder(); }

    // A new index entry (the first key of an empty table is 0) named LockvexName trimmed; no
    // record is written until the first WriteLockvexRec of the key. NoKey when the table is
    // full (MaxCollectionSize entries): nothing is added then.
    int AddLockvexIndexItem(const QString &LockvexName);
    // ReadOk with the entry, or NewRecord with an initialised record when the key has no
    // readable record.
    IOResultType GetLockvexRec(int Key, TLockvexRec *LockvexRec);
    // WriteOK once the entry is on the disk; WriteFail or RecordDenied when nothing was written
    // (read-only data, a disk error, a key not in the index, no update permission).
    [[nodiscard]] IOResultType WriteLockvexRec(int Key, TLockvexRec *LockvexRec);

    // The scan of the manager; an initialised LockvexRec when nothing more is returned.
    bool ReadFirst(int &RecordNo, TLockvexRec *LockvexRec, ReadSeqType IncludeDeleted);
    bool ReadNext(int &RecordNo, TLockvexRec *LockvexRec, ReadSeqType IncludeDeleted);
    // Scans every live record in slot order (in large blocks, as the open does) and hands each
    // to visit with its slot. False when the file could not be read to the end.
    bool ForEachLiveRecord(const std::function<void(int slot, const TLockvexRec &rec)> &visit);

    // Whether the password opens the safe: it is that of an access-password entry, or, unless
    // AccessPasswordsOnly (the password list counts access passwords), that of any entry.
    bool CheckPassword(const QString &Password, bool AccessPasswordsOnly);
    // How many different passwords CheckPassword accepts with the same AccessPasswordsOnly. A stored
    // password with a blank at either end cannot be typed and does not count. -1 when the file
    // could not be read to the end.
    int CountSignInPasswords(bool AccessPasswordsOnly);
    QString GetPassword(int Key, bool &IsEntryPW);
    // The same; ReadFailed tells that the entry has a record that could not be read, so that its
    // password is unknown rather than empty.
    QString GetPassword(int Key, bool &IsEntryPW, bool &ReadFailed);
    bool IsEntryPassword(int Key);
    // The flag setters write the entry's record: WriteFail also when the key is not in the
    // index or its record cannot be read, and nothing is written then.
    [[nodiscard]] IOResultType SetEntryPassword(int Key, bool Cond);
    bool IsAutoPWCopy(int Key);
    [[nodiscard]] IOResultType SetAutoPWCopy(int Key, bool Cond);
    // WriteOK when every entry with exactly this password was written (none found included).
    [[nodiscard]] IOResultType SetAllEntryPasswords(const QString &Password, bool Cond);

    // Closes the table: the TEMP copy, the close of the data file, then the backups (none in
    // read-only or memory-stick mode, nor for a file that is not the data file or is not open).
    // A failed step never removes or replaces a backup. The destructor closes a table that was
    // not closed so.
    TTableCloseOutcome CloseTable();
    // Writes the compacted copy of the live records under TEMP's temporary name, dated now and
    // flushed, for BackupFiles; TempCopyOK tells whether it was written whole.
    void CreateCopyFile();
    static constexpr int CopyBlockSlots = 204; // the copy's reads and writes: about 256 KiB each
    // Turns the copy into the newest backup, the first close of a day after moving the newest
    // backup to the older one (by renames, in an order that keeps a whole backup at every
    // moment); a copy that cannot become the backup is kept as TEMP. An empty text when that
    // went well, else what failed.
    QString BackupFiles();
    bool RecoverFromBackup(const QString &BacFileName);

    void BuildUserLogRecord(QByteArray &OutputCSV, const uint8_t *UserData, bool HeaderLine) override;
    void BuildUserPoolRecord(const QByteArray &InputCSV, TBaseDARec *&UserV8Rec) override;

    // ---- Other writers
    // Before each write the table checks that the file at the data file's name is still the one
    // it holds, as it last left it (device, inode, size, modification and change times), and
    // that the slot about to be written still holds the entry it last read or wrote there.
    // When it is not, nothing more is written into the old file: the table settles first (see
    // SettleOtherWriters) and the write goes into the settled file. Reads of an entry check the
    // record read carries its key and digest.
    //
    // Checks the data file now (after a watch on the file or its folder fired) and settles:
    // a file replaced or rewritten by another program is combined with what this run changed
    // (entries matched by name; see the .cpp for the rule) and the combined file becomes the
    // data file; a deleted data file is written again from what the table holds; in read-only
    // mode the file now at the name is opened as it is. True when the table holds a data file
    // that is the one at its name afterwards (whether or not anything had to be done).
    bool SettleOtherWriters();
    // Whether the file at the data file's name is the one the table holds, as it left it.
    bool DataFileIsAsLeft();
    // What the last settling did, once: the report is handed over and forgotten. Nothing when
    // nothing was settled since the last call.
    TOtherWriterReport TakeOtherWriterReport() { return std::exchange(OtherWriters, TOtherWriterReport()); }
    bool OtherWriterReportPending() const { return OtherWriters.What != TOtherWriterReport::Nothing; }
    // The suffix this computer's version of an entry changed on both sides gets.
    static const QString KeptHereSuffix;

    // Deletes the entry of IndexKey (see TPoolMgr::DropIndexedRecord), after the same check as a
    // write.
    [[nodiscard]] TDropOutcome DropIndexedRecord(int IndexKey, PermissionType RecPermission);

    bool WasRecovered() const { return Recovered; }
    bool TempCopyWritten() const { return TempCopyOK; }
    // After OpenPool: the name under which a damaged data file was kept when the data was
    // restored from a backup or rebuilt from the log; empty when nothing was restored so. The
    // store shows no message: the program tells the user.
    const QString &DamagedFileKeptAs() const { return DamagedKeptAs; }
    // After OpenPool: where the data came from when the data file did not open as found. With
    // a damaged file set aside, DamagedFileKeptAs names it.
    TDataRepair DataRepair() const { return Repair; }
    // After OpenPool in read-only mode: the backup opened for reading because the data file did
    // not open; empty when the data file itself is open.
    const QString &BackupOpenedForReading() const { return ReadOnlyBackup; }

protected:
    bool SlotIsSound(const uint8_t *record) const override;
    void LoadIndexItem(TPoolIndexRec *IndexItem, int RecNo) override;

private:
    bool OpenWithRecovery(const QString &Fn);

    // ---- Other writers (TblOtherWriters.cpp)
    struct THeldFile {
        bool Valid = false;
        uint64_t Device = 0, Inode = 0;
        qint64 Size = 0;
        int64_t ModifiedNs = 0, ChangedNs = 0;
    };
    // What this run changed of one entry since the open (or the last settling): the entry as
    // the file had it then (its name in lookup form and its digest), and as it is now.
    struct TOwnChange {
        bool HadBase = false;
        QByteArray BaseName;
        uint64_t BaseDigest = 0;
        bool Deleted = false;
        std::vector<uint8_t> Record; // the record in clear, as written
    };
    void StartTracking();
    void NoteHeldFile();
    // The change of Key as it stands before a write of it.
    TOwnChange OwnChangeBase(int Key);
    void NoteOwnWrite(int Key, const TLockvexRec *rec);
    void NoteOwnDrop(int Key, TOwnChange change);
    // Before a write of Key's record (NoKey: no single slot): true when the write may go ahead
    // into the file the table holds; when another writer was found, the table has settled
    // (pending, the record about to be written, is part of the settling) and settled tells so.
    bool ReadyToWrite(int Key, const TLockvexRec *pending, bool &settled);
    bool SlotAsLastSeen(int Key);
    // Whether a record read for Key is the entry as the table last read or wrote it.
    bool RecordIsEntrys(int Key, const TLockvexRec *rec);
    bool Settle();
    bool CombineWith(const QString &path, bool replaced);
    bool WriteHeldFileAgain();
    // Writes records (in clear) as a new data file, under a temporary name and renamed into the
    // data file's name, then opens it; entries added but not written yet stay in the index.
    bool InstallDataFile(std::vector<std::vector<uint8_t>> &records);

    THeldFile Held;
    std::map<int, TOwnChange> OwnChanges;
    TOtherWriterReport OtherWriters;
    bool Settling = false;

    static bool CountsForSignIn(const TLockvexRec &rec, bool AccessPasswordsOnly);
    // The data file opened whole but has fewer slots than the newest backup has entries, which
    // no run of the store leaves (a data file only grows, and the backup is a compacted copy of
    // it): it was cut on a slot boundary. Only a backup that opens itself counts.
    bool ShorterThanNewestBackup();
    // Read-only mode, data file not open: the newest backup that opens is opened for reading.
    bool OpenBackupForReading();
    bool RecoverFromLog();
    // What lies at the data file's name: nothing, a data file (a plain file, or a link to one),
    // or something that is no data file (a folder, a pipe, a device, a link to one or to nothing).
    enum class TFoundAtName { Nothing, DataFile, NoDataFile };
    static TFoundAtName FoundAt(const QString &Fn);
    // The open's recovery of a data file that did not open (see the .cpp).
    bool RecoverDataFile(const QString &Fn);
    // Sets the damaged data file aside and gives its name to candidate, a whole file that opens.
    bool PutInPlace(const QString &candidate);
    // Whether a backup that opens is dated later than the data file.
    bool NewerBackupOpens(const QString &Fn);
    // The slots at the front of a damaged data file that are worth keeping; 0: none.
    static int WholeRecordsAtFront(const QString &Fn);
    bool KeepWholeRecords(int slotCount);
    // Marks the recovery as stopped by a failing file operation; false, as the failed step.
    bool StopRecovery();
    static bool OpensAsPool(const QString &path);
    // Removes what a run stopped in the middle of writing a whole file left behind: the hidden
    // temporary files beside the data file and its companions, never complete files themselves.
    void RemoveStaleTemporaries(const QString &Fn);
    void SecureCompanions();
    // The live records in slot order, keyed 0, 1, 2, ... and stamped as a table opened now
    // writes them: the bytes a record-by-record rewrite through a new table gives. Read and
    // written CopyBlockSlots slots at a time; the records are moved without deciphering more than
    // their header. Not flushed.
    bool WriteCompactedCopy(const QString &path);
    // Loads the entry of Key into V9LockvexDataRec for a change of one flag: false (nothing to
    // write) when the key is not in the index or its record cannot be read.
    bool LoadForFlagChange(int Key);
    bool HasCompanions() const;

    std::unique_ptr<TLockvexRec> V9LockvexDataRec;
    QString TempFn;
    QString BacNewerFn;
    QString BacOlderFn;
    QString FileExt;
    bool Recovered = false;
    bool RunOnMemStick = false;
    bool TempCopyOK = false;      // the TEMP copy of this close was written completely
    bool RecoveryStopped = false; // the last open's recovery met a failing file operation
    QString DamagedKeptAs;
    TDataRepair Repair = TDataRepair::None;
    // The data came from the front of a damaged file: the close moves the newest backup to the
    // older one, whatever its day, so that the backup is not replaced by the fewer records.
    bool RotateBackupAtClose = false;
    TDataFileLock Lock; // released after the close and the backups, when the table goes
    QString ReadOnlyBackup;
};
