#include "store/TbDALockvexBase.h"

#include "common/DateStamp.h"
#include "common/PathRoutines.h"
#include "common/TextFiles.h"
#include "common/TextRoutines.h"
#include "common/Win1252.h"
#include "platform/Platform.h"
#include "store/IndexEntryBlocks.h"
#include "store/LockvexRecDABase.h"
#include "store/ScanReadAhead.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace
{

constexpr int MaxUpdateCount = 100000;

} // namespace

// =============================================================================================
// Creation and options

TPoolMgr::TPoolMgr(int PoolRecSize)
    : IOBufSize(std::max(PoolRecSize, BaseDAHeaderSize)), IOBuffer(size_t(IOBufSize), 0),
      EncryptedRec(size_t(IOBufSize), 0), IndexRecCopy(new TPoolIndexRec)
{
    CreationDay = TodayDate();
    FilingDate = DayNumber(CreationDay);
    ClearDeletedRecTbl(DisposeTbl);
    ClearDeletedRecTbl(DispTblRefresh);
}

TPoolMgr::~TPoolMgr()
{
    ClosePool(WriteLog);
    if (MaintainIndex && PoolIndex) {
        FreePoolIndexRecs();
        delete PoolIndex;
        PoolIndex = nullptr;
    }
    delete IndexRecCopy;
}

void TPoolMgr::SetIndexedFile(YesNoChoice Choice)
{
    MaintainIndex = Choice == Yes;
    if (MaintainIndex) {
        if (PoolIndex) {
            FreePoolIndexRecs();
            delete PoolIndex;
        }
        PoolIndex = new TPoolIndex(NRecsToAdd, NRecsToAdd);
    } else if (PoolIndex) {
        // Without the option the index is not used any more; it is freed, not leaked.
        FreePoolIndexRecs();
        delete PoolIndex;
        PoolIndex = nullptr;
    }
}

void TPoolMgr::SetPoolExtensionSize(int Count)
{
    NRecsToAdd = std::clamp(Count, 1, MaxRecsToAdd);
}

int TPoolMgr::GetFileSize()
{
    qint64 bytes = 0;
    const int err = PoolFile.Size(bytes);
    IOCheck(err);
    return err ? 0 : SlotCount(bytes, IOBufSize);
}

int TPoolMgr::NumRecords() const
{
    return PoolIndex ? PoolIndex->GetCount() : 0;
}

bool TPoolMgr::IsFileUpdated(int &Count)
{
    const bool updated = Count != UpdateCount;
    Count = UpdateCount;
    return updated;
}

// =============================================================================================
// I/O steps

void TPoolMgr::IOCheck(int err)
{
    _IOVal = err;
    _IOErr = err != 0;
    _PoolOk = !_IOErr;
}

bool TPoolMgr::ReadPoolRecord(int slot)
{
    const int err = PoolFile.ReadAt(SlotOffset(slot, IOBufSize), IOBuffer.data(), IOBufSize);
    IOCheck(err);
    if (err)
        return false;
    DecipherIfEnciphered(IOBuffer.data(), IOBufSize);
    return true;
}

const uint8_t *TPoolMgr::PrepareForDisk()
{
    BaseDAHeader &hdr = BufferHeader();
    hdr.UserID = UserID;
    // A filing day of 0 would mark an enciphered record as clear and make it unreadable, so a
    // manager that has no day (no date stamp yet) writes in clear.
    if (EncryptRecords && FilingDate != 0) {
        hdr.FilingDate = FilingDate;
        EncipherRecord(IOBuffer.data(), EncryptedRec.data(), IOBufSize);
        return EncryptedRec.data();
    }
    hdr.FilingDate = 0;
    return IOBuffer.data();
}

bool TPoolMgr::WritePoolRecord(int slot, bool sync)
{
    const uint8_t *data = PrepareForDisk();
    // A record that replaces one in its slot goes through the journal, so that a crash never
    // leaves the slot torn; new blank slots and sequential rewrites need none.
    const qint64 offset = SlotOffset(slot, IOBufSize);
    NoteSlotWritten(slot);
    const int err = sync ? PoolFile.WriteInPlace(offset, data, IOBufSize) : PoolFile.WriteAt(offset, data, IOBufSize);
    IOCheck(err);
    if (err)
        return false;
    const int countBefore = UpdateCount;
    UpdateCount = UpdateCount >= MaxUpdateCount ? 0 : UpdateCount + 1;
    const BaseDAHeader &hdr = BufferHeader();
    NoteChange(IsTrue(hdr.ActiveRecord) ? hdr.Key : NoEntryChanged, countBefore, IndexRevision);
    return true;
}

void TPoolMgr::CopyBufferTo(TBaseDARec *UserV8Rec) const
{
    if (UserV8Rec && UserV8Rec->GetRecHdrPtr())
        std::memcpy(UserV8Rec->GetRecHdrPtr(), IOBuffer.data(), size_t(IOBufSize));
}

void TPoolMgr::CopyBufferFrom(const TBaseDARec *UserV8Rec)
{
    if (UserV8Rec && UserV8Rec->GetRecHdrPtr())
        std::memcpy(IOBuffer.data(), UserV8Rec->GetRecHdrPtr(), size_t(IOBufSize));
}

// =============================================================================================
// The slot map: what a full scan would find, kept in step with every write

void TPoolMgr::ResetSlotMap(int slotCount)
{
    Slots.assign(size_t(std::max(slotCount, 0)), BlankSlot);
    DeletedSlots.clear();
    LiveSlots = 0;
}

void TPoolMgr::NoteSlot(int slot, const BaseDAHeader &hdr)
{
    if (slot < 0)
        return;
    if (size_t(slot) >= Slots.size())
        Slots.resize(size_t(slot) + 1, BlankSlot);
    const bool deleted = IsTrue(hdr.DeletedRecord);
    const SlotState state = deleted ? DeletedSlot : IsTrue(hdr.ActiveRecord) ? LiveSlot : BlankSlot;
    const TDateTime disposeDate = hdr.DisposeDate; // a copy: the packed field may be misaligned
    const auto bySlot = [](const std::pair<int, double> &entry, int s) { return entry.first < s; };
    auto at = std::lower_bound(DeletedSlots.begin(), DeletedSlots.end(), slot, bySlot);
    const bool listed = at != DeletedSlots.end() && at->first == slot;

    if (Slots[size_t(slot)] == LiveSlot)
        --LiveSlots;
    if (state == LiveSlot)
        ++LiveSlots;
    if (state == DeletedSlot) {
        if (listed)
            at->second = disposeDate;
        else
            DeletedSlots.insert(at, {slot, disposeDate});
    } else if (listed) {
        DeletedSlots.erase(at);
    }
    Slots[size_t(slot)] = state;
}

void TPoolMgr::NoteBlankSlots(int from, int to)
{
    if (to > int(Slots.size()))
        Slots.resize(size_t(to), BlankSlot);
    BaseDAHeader blank{};
    for (int slot = std::max(from, 0); slot < to; ++slot)
        NoteSlot(slot, blank);
}

// The counters and the dispose table as a reopen and full scan (including deleted records)
// would rebuild them: slots, the slot after the last live record, live records, and the first
// 50 deleted slots old enough to be reused, in file order.
void TPoolMgr::RefreshFromSlotMap()
{
    Control.PoolNRecs = int(Slots.size());
    int last = int(Slots.size()) - 1;
    while (last >= 0 && Slots[size_t(last)] != LiveSlot)
        --last;
    Control.NextFreeRec = last + 1;
    Control.ActiveCount = LiveSlots;
    Control.CurrRec = Control.PoolNRecs;
    Control.NextRec = Control.PoolNRecs;
    ClearDeletedRecTbl(DisposeTbl);
    size_t taken = 0;
    const TDateTime today = TodayDate();
    for (const auto &[slot, disposeDate] : DeletedSlots) {
        if (taken == DisposeTbl.size())
            break;
        if (DisposeDateAllowsReuse(disposeDate, today))
            DisposeTbl[taken++] = slot;
    }
}

// =============================================================================================
// Opening and closing

TDateTime TPoolMgr::TodayDate() const
{
    return std::trunc(ToTDateTime(platform::Current().Now()));
}

void TPoolMgr::SetPoolName(const QString &Fn)
{
    PoolFileName = Fn;
    SplitFileName(Fn, Dir, Name, Ext);
    PoolYear = PoolYearOf(Fn);
    PoolLogName = LogFileName(Fn);
}

bool TPoolMgr::OpenPool(const QString &Fn, OpenParam CreateEmpty)
{
    ExistFile = false;
    IndexOverflow = false;
    CreationDay = TodayDate();
    SetPoolName(Fn);
    // A handle left open by an earlier open is closed first, never leaked.
    PoolFile.Close();
    const int err = PoolFile.OpenExisting(Fn);
    IOCheck(err);
    // A record write that a crash interrupted is completed before anything is read; when that
    // fails, the journal stays for the next open. Read-only data is never written.
    if (err == 0 && !ReadOnlyMode()) {
        // The file holds entries: whatever mode it arrived with, only its owner reads it.
        PoolFile.KeepOwnerOnly();
        PoolFile.ReplayJournal();
    }
    ClearDeletedRecTbl(DisposeTbl);
    FreePoolIndexRecs();
    Control = PoolControl{};
    ResetSlotMap(0);
    DamageFound = false;

    bool complete = false;
    qint64 zeroTailFrom = -1;
    if (err == 0) {
        DamageFound = CheckFormat && !SettlePartialSlot(zeroTailFrom);
        const int slotCount = GetFileSize();
        if (slotCount > MaxPoolSlots) {
            IOCheck(EFBIG);
        } else {
            ResetSlotMap(slotCount);
            int RecordNo = NoKey;
            CheckingSlots = CheckFormat;
            index_entry_blocks::Expect(MaintainIndex ? slotCount : 0);
            {
                // The open makes no other use of the file while it scans, so the next block
                // can be read meanwhile; worth a thread only when there are a few blocks and a
                // second processor (on one, the two sides would only wait for each other).
                struct EndReadAhead {
                    std::unique_ptr<ScanReadAhead> &ahead;
                    ~EndReadAhead() { ahead.reset(); }
                } end{ReadAhead};
                if (slotCount > 2 * (ScanBlockBytes / IOBufSize) && std::thread::hardware_concurrency() > 1)
                    ReadAhead = std::make_unique<ScanReadAhead>(
                        [this](int first, uint8_t *buffer, int count) {
                            return PoolFile.ReadRecordsAt(SlotOffset(first, IOBufSize), buffer, IOBufSize, count);
                        },
                        IOBufSize);
                for (bool more = ReadFirst(RecordNo, nullptr, ReadDeleted); more;
                     more = ReadNext(RecordNo, nullptr, ReadDeleted))
                    if (!LoadIntoIndex(RecordNo))
                        break;
                ForgetScanBlock(); // a scan that stopped early leaves no read under way
            }
            index_entry_blocks::Expect(0);
            CheckingSlots = false;
            NoteIndexedName(nullptr); // the whole index is new
            complete = ExistFile && !ScanFailed && !IndexOverflow && !DamageFound &&
                       CtlRefresh.NextRec == CtlRefresh.PoolNRecs;
        }
    }
    if (IndexOverflow) {
        // More records than the index can hold: not a pool this program wrote.
        FreePoolIndexRecs();
        ExistFile = false;
    }
    // The zeros of a growth that a full disk stopped are cut off only from a file that opened: a
    // file that did not is set aside or left as it was found, every byte of it.
    if (complete && zeroTailFrom >= 0)
        CutZeroTail(zeroTailFrom);
    _PoolOk = complete;
    if (!_PoolOk)
        PoolFile.Close(); // a failed open leaves nothing open that a later scan could take for a pool
    // A scan that read some slots and then failed leaves the file alone: the disk may be
    // failing, and nothing is written on it. A file without a readable slot is replaced by an
    // empty pool when asked, after it has been kept aside when it holds any byte.
    if (!_PoolOk && !ExistFile && CreateEmpty == DoCreateEmpty) {
        if (KeepFileAside(Fn))
            CreateEmptyPool();
    }
    return _PoolOk;
}

bool TPoolMgr::SlotIsSound(const uint8_t *) const
{
    return true;
}

bool TPoolMgr::SettlePartialSlot(qint64 &zeroTailFrom)
{
    zeroTailFrom = -1;
    qint64 bytes = 0;
    if (PoolFile.Size(bytes) != 0)
        return true; // the scan meets the error
    const qint64 whole = SlotOffset(SlotCount(bytes, IOBufSize), IOBufSize);
    if (bytes == whole)
        return true;
    std::vector<uint8_t> tail(size_t(bytes - whole));
    if (PoolFile.ReadAt(whole, tail.data(), int(tail.size())) != 0)
        return true; // unread, it stays outside the slots as before
    if (std::any_of(tail.begin(), tail.end(), [](uint8_t b) { return b != 0; }))
        return false; // part of a record: the file was cut or overwritten
    // Zeros only: a growth that a full disk stopped, cut off once the file has opened.
    zeroTailFrom = whole;
    return true;
}

void TPoolMgr::CutZeroTail(qint64 whole)
{
    // Cut off, the file is whole slots again. In read-only mode the tail is only left out, as
    // every partial slot is.
    if (!ReadOnlyMode() && !PoolFile.IsReadOnly() && PoolFile.Truncate(whole) == 0)
        PoolFile.Sync();
}

bool TPoolMgr::LoadIntoIndex(int RecordNo)
{
    if (!MaintainIndex || !PoolIndex)
        return true;
    const BaseDAHeader &hdr = BufferHeader();
    if (IsTrue(hdr.DeletedRecord) && !RecycleDeleted)
        return true;
    if (PoolIndex->IsFull()) {
        IndexOverflow = true;
        return false;
    }
    auto *item = new TPoolIndexRec;
    LoadIndexItem(item, RecordNo);
    if (InMemRecs) {
        if (TBaseDARec *rec = CreateInMemRec()) {
            item->SetRecPtr(rec);
            CopyBufferTo(rec);
        }
    }
    // Noted as one change when the open ends: no list built before the open can be mended.
    PlaceInKeySequence(item);
    return true;
}

void TPoolMgr::LoadIndexItem(TPoolIndexRec *IndexItem, int RecNo)
{
    const BaseDAHeader &hdr = BufferHeader();
    IndexItem->SetIndexedNameBytes(hdr.Name.View());
    IndexItem->SetIndexedNameTagBytes(hdr.NameTag.View());
    IndexItem->SetKeyInIndex(hdr.Key);
    IndexItem->SetAltKeyInIndex(hdr.AlternateKey);
    IndexItem->SetIndexedCreationDate(hdr.CreationDate);
    IndexItem->SetEffectiveFrom(hdr.EffectiveFrom);
    IndexItem->SetUpdateAction(hdr.UpdateAction);
    IndexItem->SetRecordNo(RecNo);
    IndexItem->SetIndexedTsactnDate(NoDate);
    IndexItem->SetIndexedUsageCount(0);
    IndexItem->SetIndexedUsagePercent(0);
    IndexItem->SetFlag(false);
    IndexItem->SetRecPtr(nullptr);
    UserDataAtFileOpen(IOBuffer.data());
}

void TPoolMgr::UserDataAtFileOpen(const uint8_t *) {}

// The new pool is written whole under a temporary name and renamed into place: a crash or a
// full disk never leaves a data file of fewer bytes than its blank slots, which the next open
// would have to take for a damaged one.
void TPoolMgr::CreateEmptyPool()
{
    const QString target = PoolFileName;
    PoolFileName = TemporaryNameFor(target);
    OpenPoolForSeqWrite();
    bool written = false;
    if (_PoolOk) {
        ExtendPool(NRecsToAdd, true);
        if (_PoolOk)
            IOCheck(PoolFile.Sync());
        written = _PoolOk;
        ClosePool(WriteLog);
        written = written && _PoolOk;
    }
    // The rename flushes the folder: the new file's name reaches the disk before any record is
    // entrusted to it.
    if (written)
        written = platform::Current().RenameFile(PoolFileName, target);
    if (!written)
        ErasePool();
    PoolFileName = target;
    if (written)
        OpenPool(PoolFileName, DontCreateEmpty);
    else
        _PoolOk = false;
    UpdateCount = 0;
    ForgetChanges();
}

void TPoolMgr::ErasePool()
{
    PoolFile.Close();
    IOCheck(QFile::remove(PoolFileName) ? 0 : EIO);
    _PoolOk = false;
}

bool TPoolMgr::ClosePool(LogCommand Log)
{
    ForgetScanBlock();
    if (!PoolFile.IsOpen())
        return true; // nothing open: nothing to log or close
    if (Log == WriteLog) {
        if (AutomaticLog)
            WritePoolLog();
        if (InMemRecs)
            WriteInMemRecsToFile();
    }
    const int err = PoolFile.Close();
    IOCheck(err);
    return err == 0;
}

bool TPoolMgr::KeepFileAside(const QString &path, QString *asideName, AsideWhat what)
{
    const QFileInfo info(path);
    // A link is renamed itself, wherever it points, and nothing it points to is looked at.
    if (!info.isSymLink()) {
        if (!info.exists())
            return true;
        if (what == AsideWhat::FileWithBytes) {
            if (!info.isFile())
                return false; // a folder or a device is never replaced
            if (info.size() == 0)
                return true; // nothing in it to keep
        }
        // Anything else is moved by its name only: a folder keeps its content, a device or a
        // pipe is never opened.
    }
    QString ext, base;
    SplitAtFirstDot(info.fileName(), ext, base);
    const QString stem = ext == QLatin1String("acsdb") ? base : info.fileName();
    const QString stamp = platform::Current().Now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString first = info.absolutePath() + QLatin1Char('/') + stem + QStringLiteral(".damaged-") + stamp;
    QString aside = first;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = first + QLatin1Char('-') + QString::number(n);
    if (!platform::Current().RenameFile(path, aside))
        return false;
    if (asideName)
        *asideName = aside;
    return true;
}

// =============================================================================================
// The sequential scan

bool TPoolMgr::ReadFirst(int &RecordNo, TBaseDARec *UserV8Rec, ReadSeqType IncludeDeleted)
{
    if (InMemRecs && IncludeDeleted == SkipDeleted)
        return ReadInMemScan(true, RecordNo, UserV8Rec);
    ExistFile = false;
    ScanFailed = false;
    ScanToday = CreationDay = TodayDate();
    ForgetScanBlock();
    ClearDeletedRecTbl(DispTblRefresh);
    CtlRefresh.PoolNRecs = GetFileSize();
    CtlRefresh.ActiveCount = 0;
    CtlRefresh.CurrRec = NoKey;
    CtlRefresh.NextRec = 0;
    CtlRefresh.NextFreeRec = 0;
    RecordNo = NoKey;
    if (!PoolFile.IsOpen())
        return false;
    const bool found = ReadNextActive(IncludeDeleted);
    if (found)
        RecordNo = CtlRefresh.CurrRec;
    return FinishScan(found, RecordNo, UserV8Rec);
}

bool TPoolMgr::ReadNext(int &RecordNo, TBaseDARec *UserV8Rec, ReadSeqType IncludeDeleted)
{
    if (InMemRecs && IncludeDeleted == SkipDeleted)
        return ReadInMemScan(false, RecordNo, UserV8Rec);
    if (!PoolFile.IsOpen()) {
        RecordNo = NoKey;
        return false;
    }
    const bool found = ReadNextActive(IncludeDeleted);
    RecordNo = CtlRefresh.CurrRec;
    return FinishScan(found, RecordNo, UserV8Rec);
}

bool TPoolMgr::FinishScan(bool found, int &RecordNo, TBaseDARec *UserV8Rec)
{
    if (found) {
        CopyBufferTo(UserV8Rec);
        return true;
    }
    ForgetScanBlock(); // the scan is over
    if (!ScanFailed && CtlRefresh.NextRec == CtlRefresh.PoolNRecs) {
        // The scan read every slot: its counters and dispose table are the pool's now.
        Control = CtlRefresh;
        DisposeTbl = DispTblRefresh;
    } else {
        RecordNo = NoKey;
    }
    return false;
}

bool TPoolMgr::ReadNextActive(ReadSeqType IncludeDeleted)
{
    // Reads go to their slot's byte position, so a random access during the scan never moves
    // it: the scan always continues at NextRec.
    if (CtlRefresh.NextRec >= CtlRefresh.PoolNRecs || ScanFailed) {
        CtlRefresh.CurrRec = CtlRefresh.PoolNRecs;
        return false;
    }
    bool skip = false;
    bool read = false;
    do {
        read = ScanStep(IncludeDeleted, skip);
    } while (read && CtlRefresh.NextRec < CtlRefresh.PoolNRecs && (skip || !IsTrue(BufferHeader().ActiveRecord)));
    return read && !skip && IsTrue(BufferHeader().ActiveRecord);
}

bool TPoolMgr::ScanStep(ReadSeqType IncludeDeleted, bool &skip)
{
    const int slot = CtlRefresh.NextRec;
    skip = false;
    if (!ReadScanSlot(slot)) {
        CtlRefresh.CurrRec = CtlRefresh.PoolNRecs;
        ScanFailed = true;
        return false;
    }
    ExistFile = true; // a slot was read, whatever it holds
    if (CheckingSlots && !SlotIsSound(IOBuffer.data())) {
        // The open takes no file that holds what this pool never writes.
        DamageFound = true;
        CtlRefresh.CurrRec = CtlRefresh.PoolNRecs;
        ScanFailed = true;
        return false;
    }
    CtlRefresh.CurrRec = slot;
    CtlRefresh.NextRec = slot + 1;
    const BaseDAHeader &hdr = BufferHeader();
    NoteSlot(slot, hdr);
    const bool deleted = IsTrue(hdr.DeletedRecord);
    skip = deleted && IncludeDeleted == SkipDeleted;
    if (deleted && !skip && DisposeDateAllowsReuse(hdr.DisposeDate, ScanToday)) {
        auto place = std::find(DispTblRefresh.begin(), DispTblRefresh.end(), NoKey);
        if (place != DispTblRefresh.end())
            *place = slot;
    }
    if (IsTrue(hdr.ActiveRecord) && !deleted) {
        ++CtlRefresh.ActiveCount;
        CtlRefresh.NextFreeRec = CtlRefresh.NextRec;
    }
    return true;
}

bool TPoolMgr::ReadScanSlot(int slot)
{
    if (slot < ScanBlockFirst || slot >= ScanBlockFirst + ScanBlockSlots) {
        ScanBlockSlots = 0;
        const int blockSlots = std::max(ScanBlockBytes / IOBufSize, 1);
        const int count = std::min(blockSlots, CtlRefresh.PoolNRecs - slot);
        const bool single = slot < ScanSingleUntil || count <= 1;
        const bool readAhead = !single && ReadAhead && ReadAhead->Holds(slot, count);
        if (ReadAhead && !readAhead)
            ReadAhead->Drop(); // the file is read here, by this thread alone
        if (single)
            return ReadPoolRecord(slot);
        int err = 0;
        if (readAhead) {
            err = ReadAhead->Take(ScanBlock);
        } else {
            ScanBlock.resize(size_t(count) * size_t(IOBufSize));
            err = PoolFile.ReadRecordsAt(SlotOffset(slot, IOBufSize), ScanBlock.data(), IOBufSize, count);
        }
        if (err != 0) {
            ScanSingleUntil = slot + count;
            return ReadPoolRecord(slot);
        }
        ScanBlockFirst = slot;
        ScanBlockSlots = count;
        const int next = slot + count;
        if (ReadAhead && CtlRefresh.PoolNRecs - next > 1)
            ReadAhead->Start(next, std::min(blockSlots, CtlRefresh.PoolNRecs - next));
    }
    IOCheck(0);
    ReadRecordFrom(ScanBlock.data() + size_t(slot - ScanBlockFirst) * size_t(IOBufSize), IOBuffer.data(), IOBufSize);
    return true;
}

void TPoolMgr::ForgetScanBlock()
{
    if (ReadAhead)
        ReadAhead->Drop();
    ScanBlockFirst = 0;
    ScanBlockSlots = 0;
    ScanSingleUntil = 0;
    std::vector<uint8_t>().swap(ScanBlock); // the block lives as long as its scan
}

void TPoolMgr::NoteSlotWritten(int slot)
{
    // The scan reads on from NextRec only, so a write to the slot it has just returned (or any
    // slot before) leaves the rest of its block as it is on the disk.
    if (slot >= CtlRefresh.NextRec && slot >= ScanBlockFirst && slot < ScanBlockFirst + ScanBlockSlots)
        ScanBlockSlots = 0;
    if (ReadAhead && slot >= CtlRefresh.NextRec)
        ReadAhead->Drop(); // a block read ahead may hold the slot as it was
}

bool TPoolMgr::ReadInMemScan(bool first, int &RecordNo, TBaseDARec *UserV8Rec)
{
    TPoolIndexRec *item = nullptr;
    const bool found = first ? GetFirstIndexItem(item, FullScan) : GetNextIndexItem(item, FullScan);
    if (found) {
        RecordNo = item->GetRecordNo();
        if (TBaseDARec *rec = item->GetRecPtr())
            CopyBufferFrom(rec);
        CopyBufferTo(UserV8Rec);
        return true;
    }
    RecordNo = NoKey;
    return false;
}

// =============================================================================================
// Records by slot number

IOResultType TPoolMgr::BaseReadRecord(int RecordNo, TBaseDARec *UserV8Rec)
{
    if (RecordNo < 0 || RecordNo > Control.PoolNRecs)
        return ReadFail;
    if (InMemRecs) {
        if (TBaseDARec *rec = FindRecordInMemory(RecordNo)) {
            CopyBufferFrom(rec);
            CopyBufferTo(UserV8Rec);
            return ReadOk;
        }
    }
    Control.CurrRec = RecordNo;
    CtlRefresh.CurrRec = RecordNo;
    if (!ReadPoolRecord(RecordNo))
        return ReadFail;
    CopyBufferTo(UserV8Rec);
    return ReadOk;
}

IOResultType TPoolMgr::BaseWriteRecord(int &RecordNo, TBaseDARec *UserV8Rec)
{
    const bool grew = std::exchange(GrewForAllocation, false);
    // A slot at or beyond the end is refused: writing there would add a slot outside growth.
    if (!UserV8Rec || !UserV8Rec->GetRecHdrPtr() || RecordNo >= Control.PoolNRecs || ReadOnlyMode())
        return WriteFail;
    if (UserV8Rec->GetRecPermission() != UpdatePermission)
        return RecordDenied;
    if (RecordNo < 0) {
        RecordNo = GetNewRecordNo();
        if (RecordNo < 0) {
            SetCreationDate = false;
            GrewForAllocation = false;
            return WriteFail;
        }
    }
    const bool grown = grew || std::exchange(GrewForAllocation, false);
    Control.CurrRec = RecordNo;
    if (SetCreationDate) {
        UserV8Rec->SetCreationDate(DayNumber(CreationDay));
        SetCreationDate = false;
    }
    CopyBufferFrom(UserV8Rec);
    if (!WritePoolRecord(RecordNo, true))
        return WriteFail;
    NoteSlot(RecordNo, BufferHeader());
    Control.ActiveCount = LiveSlots;
    // After a growth step the counters and the dispose table are what a reopen of the file
    // would give, the record just written included.
    if (grown)
        RefreshFromSlotMap();
    if (MaintainIndex)
        UpdateIndexItem(RecordNo, UserV8Rec);
    return WriteOK;
}

IOResultType TPoolMgr::BaseDropRecord(int RecordNo, PermissionType RecPermission)
{
    if (RecPermission != UpdatePermission)
        return RecordDenied;
    if (RecordNo < 0 || RecordNo > Control.PoolNRecs)
        return WriteFail;
    if (ReadOnlyMode())
        return WriteFail; // the store writes nothing in read-only mode, a deletion included
    Control.CurrRec = RecordNo;
    if (!ReadPoolRecord(RecordNo))
        return WriteFail;
    BaseDAHeader &hdr = BufferHeader();
    if (IsTrue(hdr.DeletedRecord))
        return WriteOK; // already deleted: its first dispose date stays
    hdr.DeletedRecord = ToByteBool(true);
    hdr.DisposeDate = TodayDate();
    if (!WritePoolRecord(RecordNo, true))
        return WriteFail;
    NoteSlot(RecordNo, BufferHeader());
    Control.ActiveCount = LiveSlots;
    return WriteOK;
}

void TPoolMgr::ExtendPool(int NRecords, bool NewFile)
{
    if (!NewFile) {
        // Growth used to reopen and rescan the whole file; the slot map gives what that rescan
        // would find without reading a record.
        RefreshFromSlotMap();
        if (Control.NextFreeRec < Control.PoolNRecs)
            return;
    }
    std::fill(IOBuffer.begin(), IOBuffer.end(), uint8_t(0));
    const int size = GetFileSize();
    Control.NextFreeRec = size;
    Control.ActiveCount = LiveSlots;
    // New slots are zeros, written in clear: a growth that a power cut stops half-way leaves
    // nothing but zeros behind, which the next open takes for blank slots or cuts off, never for
    // part of a record (an enciphered blank slot carries its filing day).
    for (int i = 0; i < NRecords; ++i) {
        const int err = PoolFile.WriteAt(SlotOffset(size + i, IOBufSize), IOBuffer.data(), IOBufSize);
        IOCheck(err);
        if (err)
            break;
        const int countBefore = UpdateCount;
        UpdateCount = UpdateCount >= MaxUpdateCount ? 0 : UpdateCount + 1;
        NoteChange(NoEntryChanged, countBefore, IndexRevision);
    }
    const bool written = _PoolOk;
    if (!written) {
        // A write that a full disk stopped may have left part of a slot: the file is cut back
        // to whole slots, so that it never looks cut.
        qint64 bytes = 0;
        if (PoolFile.Size(bytes) == 0 && bytes % IOBufSize != 0)
            PoolFile.Truncate(SlotOffset(SlotCount(bytes, IOBufSize), IOBufSize));
    }
    Control.PoolNRecs = GetFileSize();
    NoteBlankSlots(size, Control.PoolNRecs);
    if (!written)
        _PoolOk = false;
}

bool TPoolMgr::RecordIsFree(int s)
{
    Control.CurrRec = s;
    if (s < 0 || s >= Control.PoolNRecs)
        return false;
    // A slot that cannot be read is never taken: it may hold a live record.
    if (!ReadPoolRecord(s))
        return false;
    const BaseDAHeader &hdr = BufferHeader();
    return IsTrue(hdr.DeletedRecord) || !IsTrue(hdr.ActiveRecord);
}

int TPoolMgr::GetDisposedRecord()
{
    size_t i = 0;
    while (i < DisposeTbl.size() && DisposeTbl[i] == NoKey)
        ++i;
    for (; i < DisposeTbl.size(); ++i) {
        const int s = DisposeTbl[i];
        if (s == NoKey)
            continue;
        DisposeTbl[i] = NoKey;
        if (RecordIsFree(s))
            return s;
    }
    return NoKey;
}

int TPoolMgr::GetUnusedRecord()
{
    while (Control.NextFreeRec < Control.PoolNRecs) {
        const int s = Control.NextFreeRec;
        Control.CurrRec = s;
        ++Control.NextFreeRec;
        if (RecordIsFree(s))
            return s;
    }
    return NoKey;
}

int TPoolMgr::GetNewRecordNo()
{
    const auto grow = [this] {
        ExtendPool(NRecsToAdd, false);
        GrewForAllocation = true;
        ++GrowthSteps;
    };
    int r = GetDisposedRecord();
    if (r == NoKey) {
        if (Control.NextFreeRec >= Control.PoolNRecs)
            grow();
        r = GetUnusedRecord();
        // The tail can be used up although NextFreeRec pointed into it: a deleted slot there
        // was taken from the dispose table meanwhile. The pool grows then, as for a full tail,
        // rather than fail a write that nothing prevents.
        if (r == NoKey && _PoolOk) {
            grow();
            r = GetUnusedRecord();
        }
    }
    SetCreationDate = true;
    return r;
}

// =============================================================================================
// Records by key

TPoolIndexRec *TPoolMgr::IndexAt(int Position) const
{
    return PoolIndex ? static_cast<TPoolIndexRec *>(PoolIndex->At(Position)) : nullptr;
}

int TPoolMgr::AddIndexRecord(TPoolIndexRec *&IndexItem, bool PreventZeroKey)
{
    IndexItem = nullptr;
    if (!PoolIndex || PoolIndex->IsFull())
        return NoKey;
    const int highest = GetHighestKey();
    if (highest == INT_MAX)
        return NoKey;
    // Keys are never negative, whatever a damaged file left in the index.
    int key = std::max(highest + 1, 0);
    if (PreventZeroKey && key == 0)
        key = 1;
    auto *item = new TPoolIndexRec;
    item->SetKeyInIndex(key);
    item->SetRecordNo(NoKey);
    item->SetIndexedCreationDate(DayNumber(CreationDay));
    InsertInKeySequence(item);
    IndexItem = item;
    return key;
}

IOResultType TPoolMgr::ReadIndexedRecord(int Key, int &PoolRecNo, TBaseDARec *UserV8Rec)
{
    TPoolIndexRec *entry = FindIndexItem(Key);
    if (!entry)
        return ReadFail;
    PoolRecNo = entry->GetRecordNo();
    return BaseReadRecord(PoolRecNo, UserV8Rec);
}

IOResultType TPoolMgr::WriteIndexedRecord(int Key, TBaseDARec *UserV8Rec)
{
    // Refused before a slot is allocated, so that a refused write never grows the file.
    if (ReadOnlyMode() || !UserV8Rec || !UserV8Rec->GetRecHdrPtr())
        return WriteFail;
    TPoolIndexRec *entry = FindIndexItem(Key);
    if (!entry)
        return WriteFail;
    int RecordNo = entry->GetRecordNo();
    bool allocated = false;
    if (RecordNo < 0) {
        CopyIndexItem(entry, IndexRecCopy);
        RecordNo = GetNewRecordNo();
        // The entry is looked up again rather than trusted; should it have gone, it comes back
        // under its own key, so that the caller's key still names it.
        entry = FindIndexItem(Key);
        if (!entry && PoolIndex && !PoolIndex->IsFull()) {
            entry = new TPoolIndexRec;
            CopyIndexItem(IndexRecCopy, entry);
            InsertInKeySequence(entry);
        }
        if (!entry || RecordNo < 0) {
            SetCreationDate = false;
            return WriteFail;
        }
        entry->SetRecordNo(RecordNo);
        SetCreationDate = true;
        allocated = true;
    }
    // The record carries the key it is filed under, so that the file and the index agree.
    UserV8Rec->SetKey(Key);
    const IOResultType result = BaseWriteRecord(RecordNo, UserV8Rec);
    if (result != WriteOK && allocated) {
        // The slot was not written: the entry has none yet, and the next write allocates again.
        if (TPoolIndexRec *again = FindIndexItem(Key))
            again->SetRecordNo(NoKey);
        SetCreationDate = false;
    }
    return result;
}

TDropOutcome TPoolMgr::DropIndexedRecord(int IndexKey, PermissionType RecPermission)
{
    // A refused or impossible deletion is no success.
    if (RecPermission != UpdatePermission)
        return {NoKey, RecordDenied};
    TPoolIndexRec *entry = FindIndexItem(IndexKey);
    if (!entry)
        return {NoKey, WriteFail};
    const int slot = entry->GetRecordNo();
    if (slot >= 0) { // an entry never written is in the index only
        // A record the file still holds as live stays in the index too.
        if (const IOResultType dropped = BaseDropRecord(slot, RecPermission); dropped != WriteOK)
            return {slot, dropped};
    }
    if (!RecycleDeleted) {
        PoolIndex->DeleteItem(entry);
        const quint64 revisionBefore = std::exchange(IndexRevision, NextIndexRevision());
        NoteChange(IndexKey, UpdateCount, revisionBefore);
    }
    return {slot, WriteOK};
}

void TPoolMgr::InsertInKeySequence(TPoolIndexRec *IndexItem)
{
    if (!PoolIndex || !IndexItem)
        return;
    PlaceInKeySequence(IndexItem);
    NoteIndexedName(IndexItem);
}

void TPoolMgr::PlaceInKeySequence(TPoolIndexRec *IndexItem)
{
    // The records of a file mostly come in key order: past the highest key the place is the end.
    int position = PoolIndex->GetCount();
    if (position == 0 || IndexAt(position - 1)->GetKeyFromIndex() >= IndexItem->GetKeyFromIndex())
        FindKeyPosition(IndexItem->GetKeyFromIndex(), position);
    PoolIndex->AtInsert(position, IndexItem);
}

int TPoolMgr::GetHighestKey()
{
    TObject *last = nullptr;
    if (!PoolIndex || !PoolIndex->Last(last))
        return NoKey;
    return static_cast<TPoolIndexRec *>(last)->GetKeyFromIndex();
}

bool TPoolMgr::FindKeyPosition(int Key, int &Position)
{
    if (!PoolIndex)
        return false;
    // The first entry of the key: a damaged file may hold two records with one key, and every
    // lookup of that key must then find the same one, however many entries the index holds, or
    // a write meant for one record would land on the other.
    int lo = 0, hi = PoolIndex->GetCount() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int midKey = IndexAt(mid)->GetKeyFromIndex();
        if (midKey < Key) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            found = found || midKey == Key;
        }
    }
    Position = lo;
    return found;
}

TPoolIndexRec *TPoolMgr::FindIndexItem(int Key)
{
    int position = 0;
    if (Key <= NoKey || !FindKeyPosition(Key, position))
        return nullptr;
    return IndexAt(position);
}

bool TPoolMgr::GetFirstIndexItem(TPoolIndexRec *&Item, ScanType ScanCmd)
{
    Item = nullptr;
    if (!PoolIndex)
        return false;
    TObject *item = nullptr;
    const bool found = ScanCmd == FullScan ? PoolIndex->First(item) : PoolIndex->SearchFirst(item);
    Item = static_cast<TPoolIndexRec *>(item);
    return found;
}

bool TPoolMgr::GetNextIndexItem(TPoolIndexRec *&Item, ScanType ScanCmd)
{
    Item = nullptr;
    if (!PoolIndex)
        return false;
    TObject *item = nullptr;
    const bool found = ScanCmd == FullScan ? PoolIndex->Next(item) : PoolIndex->SearchNext(item);
    Item = static_cast<TPoolIndexRec *>(item);
    return found;
}

void TPoolMgr::CopyIndexItem(const TPoolIndexRec *From, TPoolIndexRec *To)
{
    if (From && To)
        To->CopyFieldsFrom(*From);
}

// The position of the entry of a slot: looked for among the entries of the record's key (a
// binary search), and only when it is not there by walking the whole index.
int TPoolMgr::IndexPositionOfSlot(int RecordNo, int KeyHint)
{
    if (!PoolIndex)
        return -1;
    int position = 0;
    if (FindKeyPosition(KeyHint, position)) {
        int first = position;
        while (first > 0 && IndexAt(first - 1)->GetKeyFromIndex() == KeyHint)
            --first;
        for (int i = first; i < PoolIndex->GetCount() && IndexAt(i)->GetKeyFromIndex() == KeyHint; ++i)
            if (IndexAt(i)->GetRecordNo() == RecordNo)
                return i;
    }
    for (int i = 0; i < PoolIndex->GetCount(); ++i)
        if (IndexAt(i)->GetRecordNo() == RecordNo)
            return i;
    return -1;
}

void TPoolMgr::UpdateIndexItem(int RecordNo, TBaseDARec *UserV8Rec)
{
    if (!PoolIndex)
        return;
    TPoolIndexRec *entry = IndexAt(IndexPositionOfSlot(RecordNo, UserV8Rec->GetKey()));
    if (!entry) {
        if (PoolIndex->IsFull())
            return;
        entry = new TPoolIndexRec;
        entry->SetKeyInIndex(UserV8Rec->GetKey());
        entry->SetRecordNo(RecordNo);
        entry->SetIndexedTsactnDate(NoDate);
        InsertInKeySequence(entry);
    }
    entry->SetIndexedName(UserV8Rec->GetName());
    NoteIndexedName(entry);
    entry->SetIndexedNameTag(UserV8Rec->GetNameTag());
    entry->SetAltKeyInIndex(UserV8Rec->GetAlternateKey());
    entry->SetIndexedCreationDate(UserV8Rec->GetCreationDate());
    entry->SetEffectiveFrom(UserV8Rec->GetEffectiveFrom());
    entry->SetUpdateAction(UserV8Rec->GetUpdateAction());
    if (InMemRecs) {
        if (!entry->GetRecPtr())
            entry->SetRecPtr(CreateInMemRec());
        CopyBufferTo(entry->GetRecPtr());
    }
}
