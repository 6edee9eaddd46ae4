#pragma once
// TPoolMgr: one pool file of fixed-size records. It opens or creates the file, scans it, reads,
// writes and drops records by slot and by key, allocates slots (reusing old deleted slots,
// taking never-used ones, growing the file), enciphers and deciphers on the way to and from the
// disk, and keeps the in-memory index of the pool in key order in step with the file. It also
// answers the lookups in the index, rewrites the file sequentially, copies it and writes and
// reads its CSV log.
//
// Failures are never exceptions: they are result codes, Booleans and the status flag
// (PoolStatusOk). Every record write reaches the disk before WriteOK is answered.

#include "store/LockvexIndexRec.h"
#include "store/Lockvextypes.h"
#include "store/PoolFile.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class ScanReadAhead;

class TBaseDARec;

// How the deletion of an entry by key went.
struct TDropOutcome {
    int Slot = NoKey;
    IOResultType Result = WriteFail;
    bool Ok() const { return Result == WriteOK; }
};

class TPoolMgr
{
public:
    explicit TPoolMgr(int PoolRecSize);
    virtual ~TPoolMgr();
    TPoolMgr(const TPoolMgr &) = delete;
    TPoolMgr &operator=(const TPoolMgr &) = delete;

    // A scan reads about this many bytes at a time (see ReadScanSlot): large enough that the
    // calls cost little beside the copying, small enough to stay in the processor's cache.
    static constexpr int ScanBlockBytes = 256 * 1024;

    // ---- Options (Yes switches an option on)
    void SetAutoLog(YesNoChoice Choice) { AutomaticLog = Choice == Yes; }
    bool IsAutoLog() const { return AutomaticLog; }
    void SetInMemRecs(YesNoChoice Choice) { InMemRecs = Choice == Yes; }
    bool IsInMemRecs() const { return InMemRecs; }
    void SetEncryptedRecs(YesNoChoice Choice) { EncryptRecords = Choice == Yes; }
    bool IsEncryptedRecs() const { return EncryptRecords; }
    void SetIndexedFile(YesNoChoice Choice);
    bool IsIndexedFile() const { return MaintainIndex; }
    void SetRecycleDeletedRecs(YesNoChoice Choice) { RecycleDeleted = Choice == Yes; }
    void SetPoolExtensionSize(int Count);
    void SetCSVFieldCount(int Count) { CSVFieldCount = Count; }
    int GetCSVFieldCount() const { return CSVFieldCount; }
    // Read-only mode: nothing is written to the file, its log or its companions. The table's
    // owner sets it (before the open); the table never changes it itself.
    void SetReadOnlyMode(bool Cond) { ReadOnly = Cond; }
    bool ReadOnlyMode() const { return ReadOnly; }
    // The day of the platform clock, which drops, the reuse of dropped slots, the filing date and
    // the backups go by. New records are dated with the day of the open or of the last scan
    // (reading the clock for each would cost more than writing the record).
    TDateTime TodayDate() const;

    // ---- State
    virtual bool PoolStatusOk() { return _PoolOk; }
    int GetItemsUsed() const { return Control.ActiveCount; }
    bool IsFileEmpty() const { return Control.ActiveCount == 0; }
    int GetFileSize(); // slots in the open file
    int NumRecords() const;
    // True when records were written since the caller's Count; Count := the current count.
    bool IsFileUpdated(int &Count);

    // ---- Opening and closing
    void SetPoolName(const QString &Fn);
    virtual bool OpenPool(const QString &Fn, OpenParam CreateEmpty);
    bool ClosePool(LogCommand Log);

    // ---- Sequential reading in slot order
    bool ReadFirst(int &RecordNo, TBaseDARec *UserV8Rec, ReadSeqType IncludeDeleted);
    bool ReadNext(int &RecordNo, TBaseDARec *UserV8Rec, ReadSeqType IncludeDeleted);

    // ---- Records by slot number
    IOResultType BaseReadRecord(int RecordNo, TBaseDARec *UserV8Rec);
    // WriteOK once the record is on the disk; WriteFail or RecordDenied when nothing was written.
    [[nodiscard]] IOResultType BaseWriteRecord(int &RecordNo, TBaseDARec *UserV8Rec);
    // WriteOK once the record is marked deleted on the disk (or was deleted already);
    // RecordDenied without update permission; WriteFail when nothing could be written.
    [[nodiscard]] IOResultType BaseDropRecord(int RecordNo, PermissionType RecPermission);
    void ExtendPool(int NRecords, bool NewFile);

    // ---- Records by key
    // NoKey when the index is absent or full (it holds at most MaxCollectionSize entries) or
    // no key is left above the highest; nothing is added then.
    int AddIndexRecord(TPoolIndexRec *&IndexItem, bool PreventZeroKey);
    IOResultType ReadIndexedRecord(int Key, int &PoolRecNo, TBaseDARec *UserV8Rec);
    [[nodiscard]] IOResultType WriteIndexedRecord(int Key, TBaseDARec *UserV8Rec);
    // Deletes the entry of IndexKey: its record, then its index entry. Result is WriteOK when
    // the entry is gone (an entry never written is in the index only), else RecordDenied or
    // WriteFail with the entry kept; Slot is the record's slot, NoKey when it had none.
    [[nodiscard]] TDropOutcome DropIndexedRecord(int IndexKey, PermissionType RecPermission);
    void InsertInKeySequence(TPoolIndexRec *IndexItem);
    virtual int GetHighestKey();
    virtual bool FindKeyPosition(int Key, int &Position);
    TPoolIndexRec *FindIndexItem(int Key);
    virtual bool GetFirstIndexItem(TPoolIndexRec *&Item, ScanType ScanCmd);
    virtual bool GetNextIndexItem(TPoolIndexRec *&Item, ScanType ScanCmd);
    virtual void UserDataAtFileOpen(const uint8_t *V8RecData);
    virtual void LoadIndexItem(TPoolIndexRec *IndexItem, int RecNo);

    // ---- Index lookups (exact, case-sensitive, on the index only)
    int GetKey(const QString &Name);
    QString FindNameFromTag(const QString &Tag);
    bool DupeNameExists(const QString &Name);
    // Whether an entry bears Name by the rule for entry names that every duplicate check of
    // the program uses: names are the same when they agree after blanks are trimmed at both
    // ends and a-z upper-cased, compared as the index holds them (cut to its 111 characters).
    bool NameInUse(const QString &Name);
    TPoolIndexRec *FindIndexRecFromRecNo(int RecordNo, int &ItemKey);
    TPoolIndexRec *FindIndexRecFromKey(int Key, int &IndexOrd);
    int FindKeyFromAlt(int AltKey);
    TPoolIndexRec *GetPreceedingIndexItem(int Key);
    TPoolIndexRec *GetSucceedingIndexItem(int Key);
    QString GetName(int IndexKey);
    void SetName(int IndexKey, const QString &NewName);
    QString GetNameTag(int IndexKey);
    void SetNameTag(int IndexKey, const QString &NewName);
    int GetCreationDate(int IndexKey);
    TPoolIndexRec *GetRecordDates(int Key, int &CreationDate, int &TsActnDate);
    void ConditionalSetTsactnDate(int NewDate, int Key);
    void IncUsageCount(int Key);
    void DecUsageCount(int Key);
    void SetUsagePercent();

    // ---- In-memory records
    virtual TBaseDARec *CreateInMemRec();
    virtual void FreeInMemRec(TBaseDARec *InMemRec);
    TBaseDARec *GetInMemRec(int IndexKey);
    TBaseDARec *FindRecordInMemory(int RecordNo);
    void FreeAllInMemRecs();
    void FreePoolIndexRecs();
    bool ReadFirstInMemRec(int &RecordNo, TBaseDARec *&UserV8Rec, ScanType ScanCmd);
    bool ReadNextInMemRec(int &RecordNo, TBaseDARec *&UserV8Rec, ScanType ScanCmd);
    bool WriteInMemRecsToFile();

    // ---- Rewriting, copying, further pools
    void OpenPoolForSeqWrite();
    void WriteSeqPoolRec(TBaseDARec *UserV8Rec);
    // Flushes what the sequential writes put in the file, then closes it; false when a write,
    // the flush or the close failed.
    bool ClosePoolForSeqWrite();
    bool CopyFileAs(const QString &Fn);
    void CreateNewYear(const QString &FName);

    // ---- The CSV log
    virtual bool WritePoolLog();
    virtual bool ReadPoolLog();
    virtual void BuildUserLogRecord(QByteArray &OutputCSV, const uint8_t *UserData, bool HeaderLine);
    virtual void BuildUserPoolRecord(const QByteArray &InputCSV, TBaseDARec *&UserV8Rec);
    int BuildHdrCSV(QByteArray &OutputCSV, TBaseDARec *Rec, bool HeaderLine);
    int LoadHdrFromCSV(const QByteArray &Line, TBaseDARec *Rec);
    static bool CSVFieldPos(const QByteArray &Line, int n, int &Len, int &Start);

    // ---- What the manager holds (for its users and its tests)
    const QString &GetPoolFileName() const { return PoolFileName; }
    const QString &GetPoolLogName() const { return PoolLogName; }
    const PoolControl &GetControl() const { return Control; }
    const DeletedRecTbl &GetDisposeTbl() const { return DisposeTbl; }
    TPoolIndex *GetPoolIndex() const { return PoolIndex; }
    int GetUpdateCount() const { return UpdateCount; }
    // Changes whenever an entry comes into or leaves the index or an entry's name is set, also
    // without a record write (a new entry, a name set in the index only, a reopening). No two
    // tables ever have the same revision.
    quint64 GetIndexRevision() const { return IndexRevision; }
    // The keys of the entries that changed since the moment when the update count and the index
    // revision were updateCount and indexRevision: records written or deleted, entries added to
    // or taken from the index, names set. Keys may repeat. False when the table cannot tell:
    // the moment lies further back than the last MaxNotedChanges changes, or something that
    // concerns no single entry happened since (an open, a record written without being noted).
    bool KeysChangedSince(int updateCount, quint64 indexRevision, std::vector<int> &keys) const;
    static constexpr int MaxNotedChanges = 1024;
    int GetLogRecordCount() const { return LogRecordCount; }
    int GetIOVal() const { return _IOVal; }
    int GetGrowthSteps() const { return GrowthSteps; } // growth steps taken by slot allocation
    // The last open failed because the file does not hold what the store writes (see SlotIsSound).
    bool DamageFoundAtOpen() const { return DamageFound; }

    // A pool file with more slots than this is not opened: no pool this program writes comes
    // near it, and the manager keeps a byte of state per slot.
    static constexpr int MaxPoolSlots = 1 << 20;

protected:
    // ---- I/O steps
    void IOCheck(int err);
    bool ReadPoolRecord(int slot);
    bool WritePoolRecord(int slot, bool sync);
    // Stamps the writer and the filing day into IOBuffer and gives the bytes that go to the
    // disk: IOBuffer itself in clear, or its enciphered copy.
    const uint8_t *PrepareForDisk();
    // Rewrites the pool file through a temporary file beside it: fill writes the records with
    // WriteSeqPoolRec, and the temporary file takes the pool file's name only when every write
    // and the flush succeeded. With keepOldAside the file it replaces is kept aside first.
    bool RewritePoolFile(const std::function<void()> &fill, bool keepOldAside);
    bool RecordIsFree(int s);
    int GetNewRecordNo();
    int GetDisposedRecord();
    int GetUnusedRecord();
    void CreateEmptyPool();
    void ErasePool();
    void CopyIndexItem(const TPoolIndexRec *From, TPoolIndexRec *To);
    void UpdateIndexItem(int RecordNo, TBaseDARec *UserV8Rec);
    int IndexPositionOfSlot(int RecordNo, int KeyHint);
    bool LoadIntoIndex(int RecordNo);
    void PlaceInKeySequence(TPoolIndexRec *IndexItem); // InsertInKeySequence without noting a change
    // Keeps a file that is about to be replaced aside under a new name beside it, so that no
    // byte of it is lost: «TrelLockvex.acsdb» becomes «TrelLockvex.damaged-YYYYMMDD-HHMMSS».
    // True when there is nothing to keep (no file, an empty one) or it was renamed; asideName
    // receives the new name of a renamed file. A link is renamed itself, whatever it points to.
    // With AnythingThere whatever bears the name is renamed: an empty file, a folder, a pipe, a
    // device (by its name, never opened); nothing else changes.
    enum class AsideWhat { FileWithBytes, AnythingThere };
    static bool KeepFileAside(const QString &path, QString *asideName = nullptr,
                              AsideWhat what = AsideWhat::FileWithBytes);
    // The hidden name beside target under which a whole file is written before it is renamed
    // into place.
    static QString TemporaryNameFor(const QString &target);
    // Makes what was written to a closed file reach the disk.
    static bool FlushFile(const QString &path);
    // Whether a slot read at open (deciphered, in IOBuffer) holds what this pool writes. With
    // CheckFormat on, a slot that fails, or a trailing partial slot that holds any byte other
    // than zero, makes the open fail as damaged; a partial slot of zeros (a growth stopped by a
    // full disk) is cut off. Without it every slot is taken as it is.
    virtual bool SlotIsSound(const uint8_t *record) const;
    // The open's look at the bytes after the last whole slot; false when they are damage. A tail
    // of zeros gives zeroTailFrom, where CutZeroTail cuts the file once it has opened whole.
    bool SettlePartialSlot(qint64 &zeroTailFrom);
    void CutZeroTail(qint64 whole);

    // ---- The sequential scan
    bool ReadNextActive(ReadSeqType IncludeDeleted);
    bool ScanStep(ReadSeqType IncludeDeleted, bool &skip);
    bool FinishScan(bool found, int &RecordNo, TBaseDARec *UserV8Rec);
    bool ReadInMemScan(bool first, int &RecordNo, TBaseDARec *UserV8Rec);
    // The scan reads the file in blocks of whole slots as stored (ScanBlockBytes) and deciphers
    // each slot from the block into IOBuffer when it comes to it; with the same outcome as a
    // read of that slot alone (ReadPoolRecord). A block that cannot be read whole is read slot
    // by slot, so that the first slot that fails, fails the scan at its place with its error.
    bool ReadScanSlot(int slot);
    void ForgetScanBlock();
    // A write to a slot that the running scan has still to read makes its block stale.
    void NoteSlotWritten(int slot);

    // ---- What a full scan of the file would find, kept as the file changes, so that growth
    // needs no rescan: one state per slot and the deleted slots with their dispose dates.
    enum SlotState : uint8_t { BlankSlot, LiveSlot, DeletedSlot };
    void ResetSlotMap(int slotCount);
    void NoteSlot(int slot, const BaseDAHeader &hdr);
    void NoteBlankSlots(int from, int to);
    void RefreshFromSlotMap();

    const BaseDAHeader &BufferHeader() const { return *reinterpret_cast<const BaseDAHeader *>(IOBuffer.data()); }
    BaseDAHeader &BufferHeader() { return *reinterpret_cast<BaseDAHeader *>(IOBuffer.data()); }
    TPoolIndexRec *IndexAt(int Position) const;
    void CopyBufferTo(TBaseDARec *UserV8Rec) const;
    void CopyBufferFrom(const TBaseDARec *UserV8Rec);

    TPoolIndex *PoolIndex = nullptr;
    TPoolFile PoolFile;
    QString PoolFileName;
    QString PoolLogName;
    DAFileType TDFileType = NoFileType;
    QString PoolYear;
    int IOBufSize;
    std::vector<uint8_t> IOBuffer;
    bool ThisYearInd = false;
    int UpdateCount = 0;
    int LogRecordCount = 0;
    QString Dir, Name, Ext;
    int _IOVal = 0;
    bool _IOErr = false;
    bool _PoolOk = true;
    bool ExistFile = false;
    bool SetCreationDate = false;
    PoolControl Control;
    PoolControl CtlRefresh;
    DeletedRecTbl DisposeTbl;
    DeletedRecTbl DispTblRefresh;
    bool AutomaticLog = false;
    bool InMemRecs = false;
    bool MaintainIndex = false;
    bool RecycleDeleted = false;
    int NRecsToAdd = MaxRecsToAdd;
    int CSVFieldCount = 0;
    int UserID = 0;
    int FilingDate = 0;
    bool ReadOnly = false;
    TDateTime ScanToday = 0;   // TodayDate when the running scan began
    TDateTime CreationDay = 0; // the day new records are dated with
    std::vector<uint8_t> EncryptedRec;
    bool EncryptRecords = false;
    TPoolIndexRec *IndexRecCopy = nullptr;

    int SeqWriteSlot = 0;           // next slot of a sequential rewrite
    bool SeqWriteOk = true;         // every write of the sequential rewrite succeeded
    bool ScanFailed = false;        // the running scan met a read error
    bool IndexOverflow = false;     // the open found more records than the index can hold
    bool CheckFormat = false;       // the open checks every slot (SlotIsSound)
    bool CheckingSlots = false;     // the running scan is the open's
    bool DamageFound = false;       // the open met a slot or a tail that this pool never writes
    QString RewriteKeptAside;       // where the last rewrite kept the file it replaced, if anywhere
    bool GrewForAllocation = false; // the slot being written was allocated by a growth step
    int GrowthSteps = 0;

    std::vector<uint8_t> ScanBlock; // slots ScanBlockFirst.. of the file, as stored
    int ScanBlockFirst = 0;
    int ScanBlockSlots = 0;  // 0: no block held
    int ScanSingleUntil = 0; // the slots before it belong to a block that failed: read one by one
    // While the open scans, the next block is read on a second thread (ScanReadAhead.h).
    std::unique_ptr<ScanReadAhead> ReadAhead;

    std::vector<uint8_t> Slots;                       // SlotState per slot
    std::vector<std::pair<int, double>> DeletedSlots; // deleted slots in slot order, with dispose dates
    int LiveSlots = 0;

    // ---- The change log (see PoolMgrChangeLog.cpp): every change of the update count or the
    // index revision, with the key of the entry it concerns.
    struct TNotedChange {
        int Key; // NoEntryChanged for a slot written without a record (a growth step)
        int CountBefore;
        quint64 RevisionBefore;
        int CountAfter;
        quint64 RevisionAfter;
    };
    static constexpr int NoEntryChanged = INT_MIN;
    void NoteChange(int key, int countBefore, quint64 revisionBefore);
    // What happened concerns more than single entries: no earlier moment can be told about.
    void ForgetChanges() { NotedChanges.clear(); }
    static quint64 NextIndexRevision();
    std::vector<TNotedChange> NotedChanges; // oldest first

    // ---- The name lookup (see PoolMgrNameLookup.cpp)
    void ForgetNameLookup();
    void NoteIndexedName(const TPoolIndexRec *Entry);
    void BuildNameLookup();
    // AnyCase: the rule for entry names (see NameInUse); else exactly Name.
    bool NameInLookup(const QByteArray &Name, bool AnyCase);
    QHash<QByteArray, QSet<int>> NameKeys; // name as looked up (NameInUse's form) -> keys that carried it
    const TPoolIndex *NameKeysIndex = nullptr;
    bool NameKeysValid = false;
    quint64 IndexRevision = NextIndexRevision();
};
