#include "store/TBDALockvexData.h"

#include "common/DateStamp.h"
#include "common/TextRoutines.h"
#include "common/Win1252.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

namespace
{

// A file, not a link: the store never reads, writes or changes anything through a link.
bool IsPlainFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

void MakeOwnerOnly(const QString &path)
{
    if (IsPlainFile(path))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace

TV9LockvexTbl::TV9LockvexTbl(bool _ThisYearInd)
    : TPoolMgr(LockvexRecSize), V9LockvexDataRec(std::make_unique<TLockvexRec>())
{
    TDFileType = LockvexFile;
    SetIndexedFile(Yes); // limit and delta 50: the extension size before it is set below
    SetRecycleDeletedRecs(No);
    SetInMemRecs(No);
    SetPoolExtensionSize(LockvexRecsToAdd);
    SetEncryptedRecs(Yes);
    SetAutoLog(Yes);
    SetCSVFieldCount(LockvexCSVFieldCount);
    ThisYearInd = _ThisYearInd;
    CheckFormat = true;
}

bool TV9LockvexTbl::SlotIsSound(const uint8_t *record) const
{
    return LockvexSlotIsSound(record);
}

TV9LockvexTbl::~TV9LockvexTbl()
{
    // Closed here at the latest, while the log line builders of the table still exist.
    CloseTable();
}

TTableCloseOutcome TV9LockvexTbl::CloseTable()
{
    TTableCloseOutcome outcome;
    if (!PoolFile.IsOpen())
        return outcome;
    // The copy and the backups are made of the data file as it is at its name, combined with
    // this run's changes when another program changed it: never of a file that lacks either.
    if (!ReadOnlyMode())
        SettleOtherWriters();
    outcome.BackupDue = HasCompanions() && !RunOnMemStick && !ReadOnlyMode();
    if (outcome.BackupDue) {
        CreateCopyFile();
        if (!TempCopyOK)
            outcome.Failure = QStringLiteral("The copy %1 could not be written; the backups are unchanged.")
                                  .arg(QDir::toNativeSeparators(TempFn));
    }
    outcome.DataClosed = ClosePool(WriteLog);
    if (!outcome.DataClosed && outcome.Failure.isEmpty())
        outcome.Failure = QStringLiteral("The data file %1 did not close cleanly (error %2).")
                              .arg(QDir::toNativeSeparators(PoolFileName))
                              .arg(GetIOVal());
    if (outcome.BackupDue && TempCopyOK) {
        const QString failure = BackupFiles();
        if (outcome.Failure.isEmpty())
            outcome.Failure = failure;
    }
    return outcome;
}

bool TV9LockvexTbl::LockDataFile(const QString &Fn, const QString &holderName)
{
    return Lock.Acquire(Fn, holderName) != TDataFileLock::HeldElsewhere;
}

bool TV9LockvexTbl::HasCompanions() const
{
    return !PoolFileName.isEmpty() && HasBackupCompanions(PoolFileName);
}

// =============================================================================================
// Opening with recovery

bool TV9LockvexTbl::OpenPool(const QString &Fn)
{
    const bool opened = OpenWithRecovery(Fn);
    StartTracking();
    return opened;
}

bool TV9LockvexTbl::OpenWithRecovery(const QString &Fn)
{
    FileExt = CompanionExt(Fn);
    if (!HasBackupCompanions(Fn))
        return TPoolMgr::OpenPool(Fn, DontCreateEmpty) || TPoolMgr::OpenPool(Fn, DoCreateEmpty);
    TempFn = TempFileName(Fn);
    BacNewerFn = NewerBackupName(Fn);
    BacOlderFn = OlderBackupName(Fn);
    DamagedKeptAs.clear();
    ReadOnlyBackup.clear();
    Repair = TDataRepair::None;
    RotateBackupAtClose = false;
    if (!ReadOnlyMode()) {
        RemoveStaleTemporaries(Fn);
        SecureCompanions();
    }
    if (TPoolMgr::OpenPool(Fn, DontCreateEmpty)) {
        if (!ShorterThanNewestBackup())
            return true;
        PoolFile.Close();
        FreePoolIndexRecs();
        _PoolOk = false;
        DamageFound = true;
    }
    // Read-only mode: another copy of the program has this data open and may be writing it. A
    // file that does not open now may be one that its sync has not finished; restoring a backup
    // or setting the file aside would change data that is not this run's to change. The newest
    // backup that opens is shown instead, read and never written.
    if (ReadOnlyMode())
        return OpenBackupForReading();
    return RecoverDataFile(Fn);
}

TV9LockvexTbl::TFoundAtName TV9LockvexTbl::FoundAt(const QString &Fn)
{
    const QFileInfo info(Fn);
    if (!info.exists() && !info.isSymLink())
        return TFoundAtName::Nothing;
    // A link to a data file is the user's choice and is followed; a link to anything else, or
    // to nothing, is no data file.
    return info.isFile() ? TFoundAtName::DataFile : TFoundAtName::NoDataFile;
}

// Every data file that did not open goes by one rule: it is set aside as it was found, every
// byte of it, and the data comes from the newest source there is: the newest backup that opens,
// the log, or the whole records at the front of the damaged file (first when no backup that
// opens is newer than it), else a new empty file. DataRepair and DamagedFileKeptAs tell the
// program what happened; the store shows no message. A file that could not be read (a read
// error, not its content) is only replaced by a backup: without one it is left as it is.
bool TV9LockvexTbl::RecoverDataFile(const QString &Fn)
{
    const TFoundAtName found = FoundAt(Fn);
    const int err = GetIOVal();
    const bool readFault = found == TFoundAtName::DataFile && err != 0 && err != EFBIG && !DamageFound;
    RecoveryStopped = false;
    Repair = TDataRepair::None;
    // A link to no data file, a folder, a pipe or a device is moved off the name first, so that
    // nothing below opens, reads or writes through it.
    QString otherThingAside;
    if (found == TFoundAtName::NoDataFile && !KeepFileAside(Fn, &otherThingAside, AsideWhat::AnythingThere))
        return false;
    const int wholeSlots = found == TFoundAtName::DataFile && !readFault ? WholeRecordsAtFront(Fn) : 0;
    bool restored = wholeSlots > 0 && !NewerBackupOpens(Fn) && KeepWholeRecords(wholeSlots);
    if (!restored && !RecoveryStopped)
        restored = RecoverFromBackup(BacNewerFn) || (!RecoveryStopped && RecoverFromBackup(BacOlderFn));
    if (restored && Repair == TDataRepair::None)
        Repair = TDataRepair::FromBackup;
    if (!restored && !RecoveryStopped && RecoverFromLog()) {
        restored = true;
        Repair = TDataRepair::FromLog;
    }
    if (!restored && !RecoveryStopped && wholeSlots > 0)
        restored = KeepWholeRecords(wholeSlots);
    // A restore or rebuild that a failing file operation (a full or failing disk) stopped
    // leaves every file as it is and nothing open, so that nothing can be saved and the close
    // writes no copy: going on to an older backup or to an empty pool would let this run's close
    // replace the newest backup by less, and delete the log. The next start tries again. So does
    // a file that could not be read.
    if (RecoveryStopped || (!restored && readFault))
        return false;
    if (!restored && found != TFoundAtName::Nothing) {
        // Nothing to restore from: the damaged file goes aside whole, an empty one included, and
        // a new empty data file takes its name.
        if (found == TFoundAtName::DataFile &&
            !KeepFileAside(Fn, &otherThingAside, AsideWhat::AnythingThere))
            return false;
        Repair = TDataRepair::NothingKept;
    }
    if (!otherThingAside.isEmpty())
        DamagedKeptAs = otherThingAside;
    // Reopens a recovered or rebuilt file, or creates an empty pool.
    return TPoolMgr::OpenPool(Fn, DoCreateEmpty);
}

void TV9LockvexTbl::RemoveStaleTemporaries(const QString &Fn)
{
    // Every temporary file of the data file and its companions is hidden, named after the file
    // it stands for (TrelLockvex.TEMP, TrelLockvex.BAC0, ...) and marked ".lvtmp".
    const QString stem = QFileInfo(CompanionBase(Fn)).fileName() + QLatin1Char('.');
    const QDir folder = QFileInfo(Fn).absoluteDir();
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        qsizetype dots = 0;
        while (dots < name.size() && name[dots] == QLatin1Char('.'))
            ++dots;
        if (dots > 0 && name.mid(dots).startsWith(stem) && name.contains(QStringLiteral(".lvtmp")))
            QFile::remove(folder.filePath(name));
    }
}

// The backups, and a TEMP copy kept by a close that could not make it a backup, hold entries
// like the data file: a link where one belongs is set aside as a damaged file is, never read
// or written through, and a file that others may read (a copy, a restore, a sync client with
// another umask) becomes its owner's only. A file that its owner made read-only stays so.
void TV9LockvexTbl::SecureCompanions()
{
    constexpr QFileDevice::Permissions othersOrRun =
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
        QFileDevice::WriteOther | QFileDevice::ExeOther | QFileDevice::ExeOwner;
    for (const QString &path : {BacNewerFn, BacOlderFn, TempFn}) {
        const QFileInfo info(path);
        if (info.isSymLink())
            KeepFileAside(path);
        else if (info.isFile() && (info.permissions() & othersOrRun))
            QFile::setPermissions(path, (info.permissions() & QFileDevice::WriteOwner) | QFileDevice::ReadOwner);
    }
}

bool TV9LockvexTbl::RecoverFromLog()
{
    PoolFile.Close();
    if (!QFileInfo::exists(PoolLogName))
        return false;
    if (ReadPoolLog()) {
        DamagedKeptAs = RewriteKeptAside;
        return true;
    }
    RecoveryStopped = true; // a log that could not be read or rebuilt from is kept for the next start
    return false;
}

bool TV9LockvexTbl::StopRecovery()
{
    RecoveryStopped = true;
    return false;
}

namespace
{

// Opens a file as the data file would be opened, checked slot by slot, and changes nothing in
// it: the probe is read-only, whatever the mode.
class PoolProbe : public TPoolMgr
{
public:
    PoolProbe() : TPoolMgr(LockvexRecSize)
    {
        SetIndexedFile(Yes);
        CheckFormat = true;
    }
    bool Opens(const QString &path)
    {
        SetReadOnlyMode(true);
        const bool ok = OpenPool(path, DontCreateEmpty);
        ClosePool(DoNotWriteLog);
        return ok;
    }
    // For a file that does not open because of what it holds (not a read error): how many
    // slots at its front, before the first that this pool never writes, reach to the last live
    // record among them; 0 when they hold none.
    int WholeSlotsToKeep(const QString &path)
    {
        if (Opens(path) || GetIOVal() != 0 || IndexOverflow || CtlRefresh.ActiveCount == 0)
            return 0;
        return CtlRefresh.NextFreeRec;
    }

protected:
    bool SlotIsSound(const uint8_t *record) const override { return LockvexSlotIsSound(record); }
};

} // namespace

bool TV9LockvexTbl::OpensAsPool(const QString &path)
{
    return PoolProbe().Opens(path);
}

bool TV9LockvexTbl::ShorterThanNewestBackup()
{
    const QFileInfo backup(BacNewerFn);
    if (!IsPlainFile(BacNewerFn) || SlotCount(backup.size()) <= GetFileSize())
        return false;
    return OpensAsPool(BacNewerFn);
}

bool TV9LockvexTbl::OpenBackupForReading()
{
    for (const QString &backup : {BacNewerFn, BacOlderFn}) {
        if (!IsPlainFile(backup) || !OpensAsPool(backup))
            continue;
        // Opened under its own name: the close makes no TEMP copy of it, rotates nothing and
        // (read-only) writes no log.
        if (TPoolMgr::OpenPool(backup, DontCreateEmpty)) {
            ReadOnlyBackup = backup;
            return true;
        }
    }
    return false;
}

// The backup is tried on a copy beside the data file: only that copy may become the data file,
// so the backup is never deleted or overwritten, whatever happens. The damaged data file is
// kept aside before the copy takes its name. A backup that does not open as a pool is passed
// over; one that opens but cannot be put in the data file's place (a copy, a rename or the
// keeping aside failed) stops the recovery (see OpenPool).
bool TV9LockvexTbl::RecoverFromBackup(const QString &BacFileName)
{
    Recovered = false;
    if (!IsPlainFile(BacFileName))
        return false;
    PoolFile.Close();
    if (!OpensAsPool(BacFileName))
        return false;
    const QString candidate = TemporaryNameFor(PoolFileName);
    QFile::remove(candidate);
    if (!platform::Current().CopyFile(BacFileName, candidate, false))
        return StopRecovery();
    MakeOwnerOnly(candidate);
    if (!OpensAsPool(candidate)) {
        QFile::remove(candidate);
        return StopRecovery();
    }
    return PutInPlace(candidate);
}

bool TV9LockvexTbl::PutInPlace(const QString &candidate)
{
    QString aside;
    if (!KeepFileAside(PoolFileName, &aside, AsideWhat::AnythingThere)) {
        QFile::remove(candidate);
        return StopRecovery();
    }
    if (!platform::Current().RenameFile(candidate, PoolFileName)) {
        QFile::remove(candidate);
        if (!aside.isEmpty())
            platform::Current().RenameFile(aside, PoolFileName); // the damaged file back in its place
        return StopRecovery();
    }
    Recovered = TPoolMgr::OpenPool(PoolFileName, DontCreateEmpty);
    if (Recovered)
        DamagedKeptAs = aside;
    return Recovered || StopRecovery();
}

bool TV9LockvexTbl::NewerBackupOpens(const QString &Fn)
{
    platform::Platform &files = platform::Current();
    const auto dataTime = files.LastWriteTime(Fn);
    for (const QString &backup : {BacNewerFn, BacOlderFn}) {
        if (!IsPlainFile(backup))
            continue;
        const auto backupTime = files.LastWriteTime(backup);
        if (backupTime && (!dataTime || *backupTime > *dataTime) && OpensAsPool(backup))
            return true;
    }
    return false;
}

int TV9LockvexTbl::WholeRecordsAtFront(const QString &Fn)
{
    return PoolProbe().WholeSlotsToKeep(Fn);
}

// The slots before the damage are copied as they lie on the disk, up to the last that holds a
// record, into a new file that takes the data file's name once it opens; the damaged file is set
// aside whole. The close of this run turns the newest backup into the older one before the
// copy of these records replaces it: a backup with entries the cut file lost stays.
bool TV9LockvexTbl::KeepWholeRecords(int slotCount)
{
    PoolFile.Close();
    const QString candidate = TemporaryNameFor(PoolFileName);
    QFile::remove(candidate);
    TPoolFile source, copy;
    bool ok = source.OpenExisting(PoolFileName) == 0 && copy.Create(candidate) == 0;
    std::vector<uint8_t> block(size_t(CopyBlockSlots) * size_t(IOBufSize));
    for (int first = 0; ok && first < slotCount; first += CopyBlockSlots) {
        const int count = std::min(CopyBlockSlots, slotCount - first);
        const qint64 offset = SlotOffset(first, IOBufSize);
        ok = source.ReadAt(offset, block.data(), count * IOBufSize) == 0 &&
             copy.WriteAt(offset, block.data(), count * IOBufSize) == 0;
    }
    ok = ok && copy.Sync() == 0;
    ok = copy.Close() == 0 && ok;
    source.Close();
    if (!ok) {
        QFile::remove(candidate);
        return StopRecovery();
    }
    // Records that open only as a part of the damaged file (a key twice) are no data file.
    if (!OpensAsPool(candidate)) {
        QFile::remove(candidate);
        return false;
    }
    if (!PutInPlace(candidate))
        return false;
    Repair = TDataRepair::WholeRecordsKept;
    RotateBackupAtClose = true;
    return true;
}

// =============================================================================================
// Entries by key

int TV9LockvexTbl::AddLockvexIndexItem(const QString &LockvexName)
{
    TPoolIndexRec *item = nullptr;
    const int key = AddIndexRecord(item, false);
    if (item) {
        item->SetIndexedNameBytes(TrimBlanks(win1252::FromUnicode(LockvexName)));
        NoteIndexedName(item);
    }
    return key;
}

IOResultType TV9LockvexTbl::GetLockvexRec(int Key, TLockvexRec *LockvexRec)
{
    if (!LockvexRec)
        return NewRecord;
    int slot = NoKey;
    if (ReadIndexedRecord(Key, slot, LockvexRec) == ReadOk) {
        // A record that is not the entry's as the table last saw it (another writer changed the
        // file, its slots in another order): the table settles and reads the entry again.
        if (!RecordIsEntrys(Key, LockvexRec) && Settle() && ReadIndexedRecord(Key, slot, LockvexRec) != ReadOk) {
            LockvexRec->Init();
            return NewRecord;
        }
        return ReadOk;
    }
    LockvexRec->Init();
    return NewRecord;
}

IOResultType TV9LockvexTbl::WriteLockvexRec(int Key, TLockvexRec *LockvexRec)
{
    if (!LockvexRec || !LockvexRec->GetRecHdrPtr())
        return WriteFail;
    bool settled = false;
    if (!ReadyToWrite(Key, LockvexRec, settled))
        return WriteFail; // nothing written into a file that is not this run's any more
    if (settled) {
        // The record is in the combined file, under its key.
        LockvexRec->SetKey(Key);
        return FindIndexItem(Key) ? WriteOK : WriteFail;
    }
    const IOResultType result = WriteIndexedRecord(Key, LockvexRec);
    if (result == WriteOK)
        NoteOwnWrite(Key, LockvexRec);
    NoteHeldFile();
    return result;
}

TDropOutcome TV9LockvexTbl::DropIndexedRecord(int IndexKey, PermissionType RecPermission)
{
    const TPoolIndexRec *entry = FindIndexItem(IndexKey);
    if (!entry || entry->GetRecordNo() < 0 || RecPermission != UpdatePermission)
        return TPoolMgr::DropIndexedRecord(IndexKey, RecPermission); // nothing in the file
    TOwnChange change = OwnChangeBase(IndexKey);
    bool settled = false;
    if (!ReadyToWrite(IndexKey, nullptr, settled))
        return {NoKey, WriteFail};
    if (settled)
        return {NoKey, WriteOK}; // deleted in the combined file, or kept there as changed by the other side
    const TDropOutcome outcome = TPoolMgr::DropIndexedRecord(IndexKey, RecPermission);
    if (outcome.Ok())
        NoteOwnDrop(IndexKey, std::move(change));
    NoteHeldFile();
    return outcome;
}

bool TV9LockvexTbl::ReadFirst(int &RecordNo, TLockvexRec *LockvexRec, ReadSeqType IncludeDeleted)
{
    const bool found = TPoolMgr::ReadFirst(RecordNo, LockvexRec, IncludeDeleted);
    if (!found && LockvexRec)
        LockvexRec->Init();
    return found;
}

bool TV9LockvexTbl::ReadNext(int &RecordNo, TLockvexRec *LockvexRec, ReadSeqType IncludeDeleted)
{
    const bool found = TPoolMgr::ReadNext(RecordNo, LockvexRec, IncludeDeleted);
    if (!found && LockvexRec)
        LockvexRec->Init();
    return found;
}

// =============================================================================================
// Passwords and flags

// Whether the entry's password is one that opens the safe: while any access password is
// counted, only the marked entries' passwords do.
bool TV9LockvexTbl::CountsForSignIn(const TLockvexRec &rec, bool AccessPasswordsOnly)
{
    return !AccessPasswordsOnly || rec.IsEntryPassword();
}

bool TV9LockvexTbl::CheckPassword(const QString &Password, bool AccessPasswordsOnly)
{
    // A character the file cannot hold would be compared as "?": "ΩΩ1" would open a safe whose
    // password was stored, long ago, as "??1". Such a password is wrong, whatever is stored.
    if (!win1252::HoldsAll(Password))
        return false;
    QByteArray wanted = win1252::FromUnicode(Password);
    if (TrimBlanks(wanted).isEmpty())
        wanted = QByteArrayLiteral("nomatch");
    bool found = false;
    bool allBlank = true;
    TLockvexRec *rec = V9LockvexDataRec.get();
    int slot = NoKey;
    for (bool more = ReadFirst(slot, rec, SkipDeleted); more && !found; more = ReadNext(slot, rec, SkipDeleted)) {
        // The access passwords are those of the marked entries, or of all while none is marked.
        if (!CountsForSignIn(*rec, AccessPasswordsOnly))
            continue;
        const QByteArray stored = rec->LockvexData.Password.Bytes();
        if (!TrimBlanks(stored).isEmpty())
            allBlank = false;
        if (stored == wanted)
            found = true;
    }
    // A scan that could not read the file proves nothing: it never lets a password pass.
    if (ScanFailed)
        return found;
    return found || allBlank;
}

bool TV9LockvexTbl::ForEachLiveRecord(const std::function<void(int slot, const TLockvexRec &rec)> &visit)
{
    TLockvexRec *rec = V9LockvexDataRec.get();
    int slot = NoKey;
    for (bool more = ReadFirst(slot, rec, SkipDeleted); more; more = ReadNext(slot, rec, SkipDeleted))
        visit(slot, *rec);
    return !ScanFailed;
}

int TV9LockvexTbl::CountSignInPasswords(bool AccessPasswordsOnly)
{
    QSet<QByteArray> passwords;
    TLockvexRec *rec = V9LockvexDataRec.get();
    int slot = NoKey;
    for (bool more = ReadFirst(slot, rec, SkipDeleted); more; more = ReadNext(slot, rec, SkipDeleted)) {
        if (!CountsForSignIn(*rec, AccessPasswordsOnly))
            continue;
        const QByteArray stored = rec->LockvexData.Password.Bytes();
        // The dialogs take the typed text without blanks at either end.
        if (!stored.isEmpty() && TrimBlanks(stored) == stored)
            passwords.insert(stored);
    }
    return ScanFailed ? -1 : static_cast<int>(passwords.size());
}

QString TV9LockvexTbl::GetPassword(int Key, bool &IsEntryPW)
{
    bool readFailed = false;
    return GetPassword(Key, IsEntryPW, readFailed);
}

QString TV9LockvexTbl::GetPassword(int Key, bool &IsEntryPW, bool &ReadFailed)
{
    TLockvexRec *rec = V9LockvexDataRec.get();
    int slot = NoKey;
    // An entry added but not yet saved has no slot and an empty password; one whose slot could
    // not be read has an unknown one.
    const bool read = ReadIndexedRecord(Key, slot, rec) == ReadOk;
    ReadFailed = !read && slot >= 0;
    if (!read)
        rec->Init();
    IsEntryPW = rec->IsEntryPassword();
    return rec->GetPassword();
}

bool TV9LockvexTbl::IsEntryPassword(int Key)
{
    GetLockvexRec(Key, V9LockvexDataRec.get());
    return V9LockvexDataRec->IsEntryPassword();
}

bool TV9LockvexTbl::IsAutoPWCopy(int Key)
{
    GetLockvexRec(Key, V9LockvexDataRec.get());
    return V9LockvexDataRec->IsAutoPWCopy();
}

bool TV9LockvexTbl::LoadForFlagChange(int Key)
{
    TPoolIndexRec *entry = FindIndexItem(Key);
    if (!entry)
        return false;
    if (entry->GetRecordNo() < 0) {
        V9LockvexDataRec->Init(); // added, never written: the flag goes into a fresh record
        return true;
    }
    int slot = NoKey;
    // A record that cannot be read is not overwritten by a blank one carrying the flag.
    return ReadIndexedRecord(Key, slot, V9LockvexDataRec.get()) == ReadOk;
}

IOResultType TV9LockvexTbl::SetEntryPassword(int Key, bool Cond)
{
    if (!LoadForFlagChange(Key))
        return WriteFail;
    V9LockvexDataRec->SetEntryPassword(Cond);
    return WriteLockvexRec(Key, V9LockvexDataRec.get());
}

IOResultType TV9LockvexTbl::SetAutoPWCopy(int Key, bool Cond)
{
    if (!LoadForFlagChange(Key))
        return WriteFail;
    V9LockvexDataRec->SetAutoPWCopy(Cond);
    return WriteLockvexRec(Key, V9LockvexDataRec.get());
}

IOResultType TV9LockvexTbl::SetAllEntryPasswords(const QString &Password, bool Cond)
{
    const QByteArray wanted = win1252::FromUnicode(Password);
    bool settled = false;
    if (!ReadyToWrite(NoKey, nullptr, settled))
        return WriteFail;
    TLockvexRec *rec = V9LockvexDataRec.get();
    bool allWritten = true;
    int slot = NoKey;
    for (bool more = ReadFirst(slot, rec, SkipDeleted); more; more = ReadNext(slot, rec, SkipDeleted)) {
        if (rec->LockvexData.Password.Bytes() != wanted)
            continue;
        rec->SetEntryPassword(Cond);
        // Written back into the slot it was read from: that slot is the entry whose key the
        // record carries, and two records that carry one key (a damaged file) stay two records.
        int target = slot;
        const int key = rec->GetKey();
        if (BaseWriteRecord(target, rec) != WriteOK)
            allWritten = false;
        else
            NoteOwnWrite(key, rec);
    }
    NoteHeldFile();
    // A scan that a read error ended left the entries after it unchanged: no success either.
    return allWritten && !ScanFailed ? WriteOK : WriteFail;
}

// =============================================================================================
// TEMP copy and backups

void TV9LockvexTbl::CreateCopyFile()
{
    TempCopyOK = false;
    if (ReadOnlyMode() || !PoolFile.IsOpen())
        return;
    const QString copy = TemporaryNameFor(TempFn);
    QFile::remove(copy);
    bool ok = WriteCompactedCopy(copy);
    // The copy is dated now by the program's clock, so that the day of the backup it becomes is
    // the day of this close; one flush then takes its records and its date to the disk.
    if (ok)
        ok = platform::Current().SetLastWriteTime(copy, platform::Current().Now()) && FlushFile(copy);
    if (!ok)
        QFile::remove(copy);
    TempCopyOK = ok;
}

namespace
{

// Whether a slot as it lies on the disk holds a live record: active and not deleted. Only the
// two flags after the filing day are deciphered.
bool HoldsLiveRecord(const uint8_t *slot)
{
    uint8_t head[offsetof(BaseDAHeader, DeletedRecord) + 1];
    std::memcpy(head, slot, sizeof head);
    DecipherIfEnciphered(head, int(sizeof head));
    return IsTrue(head[offsetof(BaseDAHeader, ActiveRecord)]) && !IsTrue(head[offsetof(BaseDAHeader, DeletedRecord)]);
}

} // namespace

bool TV9LockvexTbl::WriteCompactedCopy(const QString &path)
{
    // As a table opened now would write it: the filing day of this close (the date stamp
    // refreshed first), writer 0, enciphered.
    const int32_t filingDate = DayNumber(TodayDate());
    qint64 bytes = 0;
    if (PoolFile.Size(bytes) != 0)
        return false; // a copy of no records must not stand for a file that could not be measured
    const int slotCount = SlotCount(bytes, IOBufSize);
    TPoolFile copy;
    if (copy.Create(path) != 0)
        return false;
    // Each block is compacted where it was read: the live records moved to its front, stamped,
    // and written after what the blocks before gave.
    std::vector<uint8_t> block(size_t(CopyBlockSlots) * size_t(IOBufSize));
    const size_t recordSize = size_t(IOBufSize);
    qint64 written = 0;
    int key = NoKey;
    bool ok = true;
    for (int first = 0; ok && first < slotCount; first += CopyBlockSlots) {
        const int count = std::min(CopyBlockSlots, slotCount - first);
        // A slot that cannot be read is not silently left out of a copy that says it is whole.
        ok = PoolFile.ReadAt(SlotOffset(first, IOBufSize), block.data(), count * IOBufSize) == 0;
        int kept = 0;
        for (int i = 0; ok && i < count; ++i) {
            uint8_t *slot = block.data() + size_t(i) * recordSize;
            if (!HoldsLiveRecord(slot))
                continue;
            uint8_t *record = block.data() + size_t(kept++) * recordSize;
            if (record != slot)
                std::memmove(record, slot, recordSize);
            RestampStoredRecord(record, IOBufSize, filingDate, 0, ++key);
        }
        if (ok && kept > 0) {
            ok = copy.WriteAt(written, block.data(), kept * IOBufSize) == 0;
            written += qint64(kept) * IOBufSize;
        }
    }
    return copy.Close() == 0 && ok;
}

// Turns this close's copy into the newest backup. The first close of a day first turns the
// newest backup into the older one, by renaming it: a rename replaces its target in one step and
// moves no byte, where a copy would write the whole backup again just before it is replaced.
//
// The order keeps a whole BAC0 or BAC1 on the disk, beside the data file (which the close does
// not change), whatever moment a kill or a power cut stops it at:
//  1. Before this, the copy is whole on the disk under its temporary name (written, dated,
//     flushed). A stop from here on leaves at most a stale temporary, which the next open
//     removes; nothing has been renamed yet.
//  2. BAC0 is renamed to BAC1 (the older backup goes) and the folder is flushed, so that no later
//     rename reaches the disk before this one. Stopped before the flush, the disk holds either
//     the names before or the names after: BAC0 and BAC1, or BAC1 (the last backup) alone.
//  3. The copy is renamed to BAC0 (the rename flushes the folder itself). Stopped before that
//     reaches the disk: BAC1 alone, or BAC1 and BAC0, each whole. A start after a stop between
//     2 and 3 finds no BAC0: the data file opens as usual (a recovery would take BAC1), and its
//     close renames its own copy to BAC0 without a rotation.
// Even a disk that kept step 3 and lost step 2 would hold two whole backups (BAC0 the new copy,
// BAC1 the one before the last); the flush in step 2 keeps the last backup as BAC1 as well.
// The copy goes straight to BAC0: under the name TEMP only when it cannot become the backup.
//
// A step that fails stops the rotation and is reported; no failure removes or replaces the last
// good backup: a failed move leaves BAC0 and BAC1 as they were; a failure after the move puts
// the last backup back under BAC0 when it can, else leaves it as BAC1. This run's copy is kept
// as TEMP in both cases; the next close replaces it by its own.
QString TV9LockvexTbl::BackupFiles()
{
    // Only a copy this close wrote completely becomes a backup.
    const QString copy = TemporaryNameFor(TempFn);
    if (ReadOnlyMode() || !TempCopyOK || !QFileInfo::exists(copy))
        return QString();
    platform::Platform &files = platform::Current();
    const QString bac0 = QDir::toNativeSeparators(BacNewerFn), bac1 = QDir::toNativeSeparators(BacOlderFn);
    // A copy that does not become the backup is kept as TEMP (where it replaces a TEMP kept so
    // by an earlier close); the name under which it is kept.
    const auto keepCopy = [&] { return QDir::toNativeSeparators(files.RenameFile(copy, TempFn) ? TempFn : copy); };
    bool moved = false;
    // After the move, a failed step puts the last backup back under its own name if it can.
    const auto failedAfterMove = [&](const QString &what) {
        const bool movedBack = files.RenameFile(BacOlderFn, BacNewerFn) && files.FlushFolderOf(BacNewerFn);
        return QStringLiteral("%1; the last backup is kept as %2, and this run's copy is kept as %3.")
            .arg(what, movedBack ? bac0 : bac1, keepCopy());
    };
    const auto bac0Time = files.LastWriteTime(BacNewerFn);
    if (bac0Time && (RotateBackupAtClose || DayNumber(ToTDateTime(*bac0Time)) < DayNumber(TodayDate()))) {
        // An older backup dated after the newest one (a clock set back) is kept.
        const auto bac1Time = files.LastWriteTime(BacOlderFn);
        if (!bac1Time || *bac1Time <= *bac0Time) {
            if (!files.RenameFile(BacNewerFn, BacOlderFn))
                return QStringLiteral(
                           "%1 could not be moved to %2; both are unchanged, and this run's copy is kept as %3.")
                    .arg(bac0, bac1, keepCopy());
            moved = true;
            MakeOwnerOnly(BacOlderFn);
            if (!files.FlushFolderOf(BacOlderFn))
                return failedAfterMove(QStringLiteral("The move of %1 to %2 could not be flushed").arg(bac0, bac1));
        }
    }
    const auto copyTime = files.LastWriteTime(copy);
    const auto newBac0Time = files.LastWriteTime(BacNewerFn);
    if (!newBac0Time || (copyTime && *newBac0Time <= *copyTime)) {
        // A rename that fails leaves the newest backup as it was and the copy as TEMP.
        if (!files.RenameFile(copy, BacNewerFn)) {
            const QString what =
                QStringLiteral("%1 could not be renamed to %2").arg(QDir::toNativeSeparators(TempFn), bac0);
            if (moved)
                return failedAfterMove(what);
            return QStringLiteral("%1; %2 is unchanged, and this run's copy is kept as %3.")
                .arg(what, bac0, keepCopy());
        }
        QFile::remove(TempFn); // a copy an earlier close could not make a backup is outdated now
        return QString();
    }
    // The newest backup is newer than this copy (a clock set back): it stays, the copy goes.
    QFile::remove(copy);
    QFile::remove(TempFn);
    return QString();
}

// =============================================================================================
// Log lines

void TV9LockvexTbl::BuildUserLogRecord(QByteArray &OutputCSV, const uint8_t *UserData, bool HeaderLine)
{
    if (HeaderLine) {
        OutputCSV = LockvexLogHeaderLine();
        return;
    }
    if (!UserData)
        return;
    V9LockvexDataRec->Load(UserData);
    OutputCSV = LockvexLogLine(V9LockvexDataRec->LockvexData);
}

void TV9LockvexTbl::BuildUserPoolRecord(const QByteArray &InputCSV, TBaseDARec *&UserV8Rec)
{
    ReadLockvexLogLine(InputCSV, V9LockvexDataRec->LockvexData);
    UserV8Rec = V9LockvexDataRec.get();
}
