// TV9LockvexTbl: other writers of the data file.
//
// The data file may change under a running table: a cloud client renames another computer's
// version over it, a restore or a sync client rewrites it in place, a user deletes or copies it.
// The folder lock guards this computer only. The table therefore holds the facts of the file it
// opened (device, inode, size, modification and change time, taken again after each of its own
// writes) and, in each index entry, a digest of the entry as it last read or wrote it.
//
// Before each write it compares the file at the data file's name with those facts and reads the
// slot about to be written back; an entry read is checked against its key and digest. When the
// file is not as the table left it, nothing more is written into it; instead:
//
//  - another file at the name, or the same file changed: both sides are combined, and the
//    combined file (written under a temporary name, flushed and renamed into the name) is the
//    data file from then on. The rule, with entries matched by name (blanks at the ends trimmed,
//    a-z upper-cased, as every duplicate check of the program goes), each side judged against
//    the entry as this run read it at the open (or at the last combining):
//      * changed on one side only: that side's version;
//      * changed on both sides, differently: both, the other side's under its name, this run's
//        under its name with " (this computer)" (the name cut so that it keeps 31 characters);
//      * deleted on one side, changed on the other: kept, as changed;
//      * deleted on one side, unchanged on the other: deleted;
//      * new on either side: kept; a new entry whose name the other side uses for another entry
//        is kept twice as above.
//    Another file at the name that does not open as a data file (damage, a copy cut short) is
//    kept aside under a name of its own, and the file the table holds is written to the name
//    again; a file rewritten in place that does not open, or that changes while it is read, is
//    left to its writer: nothing is written, and the next check tries again.
//  - no file at the name, its folder still there: the data file is written again from what the
//    table holds.
//  - the folder gone (the data moved away): nothing can be written; the write fails.
//
// Read-only (or on a memory stick, where nothing is changed), nothing is written: the file now at
// the name is opened as it is.

#include "store/TBDALockvexData.h"

#include "common/TextRoutines.h"
#include "common/Win1252.h"
#include "platform/Platform.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

const QString TV9LockvexTbl::KeptHereSuffix = QStringLiteral(" (this computer)");

namespace
{

constexpr int MaxEntryName = 31; // the longest name an entry is given

uint64_t Mix(uint64_t hash, const void *data, size_t size)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

// A ShortString's characters and length; the bytes after its length mean nothing.
template <int N>
uint64_t MixText(uint64_t hash, const ShortString<N> &text)
{
    const QByteArrayView view = text.View();
    const unsigned char length = static_cast<unsigned char>(view.size());
    hash = Mix(hash, &length, 1);
    return Mix(hash, view.data(), size_t(view.size()));
}

const V9LockvexData &AsEntry(const uint8_t *record)
{
    return *reinterpret_cast<const V9LockvexData *>(record);
}

V9LockvexData &AsEntry(uint8_t *record)
{
    return *reinterpret_cast<V9LockvexData *>(record);
}

// What a user sees of an entry: its name and fields, not where or when the record was filed
// (slot, key, filing day, writer): two files that hold one entry under other keys agree on it.
uint64_t EntryDigest(const uint8_t *record)
{
    const V9LockvexData &e = AsEntry(record);
    uint64_t h = 14695981039346656037ull;
    h = MixText(h, e.RecHdr.Name);
    h = MixText(h, e.RecHdr.NameTag);
    h = MixText(h, e.URL);
    for (const Var31string *field : {&e.CustID, &e.PIN, &e.Password, &e.Question1, &e.MemData1, &e.Question2,
                                     &e.MemData2, &e.Question3, &e.MemData3, &e.Question4, &e.MemData4})
        h = MixText(h, *field);
    h = MixText(h, e.AccountNotes);
    h = Mix(h, &e.EntryPassword, 1);
    const TDateTime login = e.LoginDateTime;
    h = Mix(h, &login, sizeof login);
    h = Mix(h, &e.AutoPWCopy, 1);
    return h == 0 ? 1 : h; // 0 means no digest
}

QByteArray NameForm(QByteArrayView name)
{
    return AsciiUpper(TrimmedBlankBytes(name).toByteArray());
}

QByteArray NameFormOf(const std::vector<uint8_t> &record)
{
    return NameForm(AsEntry(record.data()).RecHdr.Name.View());
}

// Reads the live records of a data file as another writer left it, changing nothing in it.
class OtherFile : public TPoolMgr
{
public:
    OtherFile() : TPoolMgr(LockvexRecSize)
    {
        SetIndexedFile(No);
        CheckFormat = true;
        SetReadOnlyMode(true);
    }
    bool ReadAll(const QString &path, std::vector<std::vector<uint8_t>> &records)
    {
        records.clear();
        if (!OpenPool(path, DontCreateEmpty))
            return false;
        TLockvexRec rec;
        int slot = NoKey;
        for (bool more = ReadFirst(slot, &rec, SkipDeleted); more; more = ReadNext(slot, &rec, SkipDeleted)) {
            const auto *bytes = reinterpret_cast<const uint8_t *>(rec.GetRecHdrPtr());
            records.emplace_back(bytes, bytes + LockvexRecSize);
        }
        const bool whole = !ScanFailed;
        ClosePool(DoNotWriteLog);
        return whole;
    }

protected:
    bool SlotIsSound(const uint8_t *record) const override { return LockvexSlotIsSound(record); }
};

} // namespace

// =============================================================================================
// What the table holds

void TV9LockvexTbl::LoadIndexItem(TPoolIndexRec *IndexItem, int RecNo)
{
    TPoolMgr::LoadIndexItem(IndexItem, RecNo);
    IndexItem->SetDigest(EntryDigest(IOBuffer.data()));
}

void TV9LockvexTbl::StartTracking()
{
    Held = THeldFile();
    OwnChanges.clear();
    if (PoolFile.IsOpen() && ReadOnlyBackup.isEmpty())
        NoteHeldFile();
}

void TV9LockvexTbl::NoteHeldFile()
{
    platform::FileFacts facts;
    if (platform::Current().Files().PathFacts(PoolFileName, facts) != 0)
        return;
    // Another file at the name since the facts were taken is not taken for the table's own.
    if (Held.Valid && (facts.Device != Held.Device || facts.Inode != Held.Inode))
        return;
    Held.Valid = true;
    Held.Device = facts.Device;
    Held.Inode = facts.Inode;
    Held.Size = facts.Size;
    Held.ModifiedNs = facts.ModifiedNs;
    Held.ChangedNs = facts.ChangedNs;
}

bool TV9LockvexTbl::DataFileIsAsLeft()
{
    if (!Held.Valid)
        return true; // nothing followed: a file that is not the data file, or none open
    platform::FileFacts facts;
    if (platform::Current().Files().PathFacts(PoolFileName, facts) != 0)
        return false;
    return facts.Device == Held.Device && facts.Inode == Held.Inode && facts.Size == Held.Size &&
           facts.ModifiedNs == Held.ModifiedNs && facts.ChangedNs == Held.ChangedNs;
}

bool TV9LockvexTbl::SlotAsLastSeen(int Key)
{
    const TPoolIndexRec *entry = FindIndexItem(Key);
    if (!entry || entry->GetRecordNo() < 0)
        return true; // a new slot: its allocation reads it and takes only a free one
    std::vector<uint8_t> slot(static_cast<size_t>(IOBufSize));
    if (PoolFile.ReadAt(SlotOffset(entry->GetRecordNo(), IOBufSize), slot.data(), IOBufSize) != 0)
        return true; // the write meets the error itself
    DecipherIfEnciphered(slot.data(), IOBufSize);
    const BaseDAHeader &hdr = AsEntry(slot.data()).RecHdr;
    return IsTrue(hdr.ActiveRecord) && !IsTrue(hdr.DeletedRecord) && hdr.Key == Key &&
           EntryDigest(slot.data()) == entry->GetDigest();
}

bool TV9LockvexTbl::RecordIsEntrys(int Key, const TLockvexRec *rec)
{
    const TPoolIndexRec *entry = FindIndexItem(Key);
    if (!Held.Valid || Settling || !rec || !entry || entry->GetDigest() == 0)
        return true;
    return rec->GetKey() == Key && EntryDigest(reinterpret_cast<const uint8_t *>(rec->GetRecHdrPtr())) == entry->GetDigest();
}

TV9LockvexTbl::TOwnChange TV9LockvexTbl::OwnChangeBase(int Key)
{
    if (const auto known = OwnChanges.find(Key); known != OwnChanges.end())
        return known->second;
    TOwnChange change;
    // An entry with a digest was read from the file; one without is new in this run.
    if (const TPoolIndexRec *entry = FindIndexItem(Key); entry && entry->GetRecordNo() >= 0 && entry->GetDigest() != 0) {
        change.HadBase = true;
        change.BaseName = NameForm(entry->IndexedNameBytes());
        change.BaseDigest = entry->GetDigest();
    }
    return change;
}

void TV9LockvexTbl::NoteOwnWrite(int Key, const TLockvexRec *rec)
{
    if (!rec || !Held.Valid)
        return;
    TOwnChange change = OwnChangeBase(Key);
    const auto *bytes = reinterpret_cast<const uint8_t *>(rec->GetRecHdrPtr());
    change.Deleted = false;
    change.Record.assign(bytes, bytes + LockvexRecSize);
    AsEntry(change.Record.data()).RecHdr.Key = Key;
    OwnChanges[Key] = std::move(change);
    if (TPoolIndexRec *entry = FindIndexItem(Key))
        entry->SetDigest(EntryDigest(bytes));
}

void TV9LockvexTbl::NoteOwnDrop(int Key, TOwnChange change)
{
    if (!Held.Valid)
        return;
    change.Deleted = true;
    change.Record.clear();
    OwnChanges[Key] = std::move(change);
}

// =============================================================================================
// The checks before a write

bool TV9LockvexTbl::ReadyToWrite(int Key, const TLockvexRec *pending, bool &settled)
{
    settled = false;
    if (!Held.Valid || Settling || ReadOnlyMode())
        return true;
    if (DataFileIsAsLeft() && (Key == NoKey || SlotAsLastSeen(Key)))
        return true;
    // Another writer: this run's change goes into the settled file, never into the old one.
    if (Key != NoKey) {
        if (pending) {
            NoteOwnWrite(Key, pending);
        } else {
            TOwnChange change = OwnChangeBase(Key);
            if (FindIndexItem(Key) && (change.HadBase || OwnChanges.count(Key)))
                NoteOwnDrop(Key, std::move(change));
        }
    }
    if (!Settle())
        return false;
    // A deleted file written again holds what the table held: the write goes into it as usual.
    settled = Key != NoKey && OtherWriters.What == TOtherWriterReport::Combined;
    return true;
}

bool TV9LockvexTbl::SettleOtherWriters()
{
    if (!Held.Valid || Settling)
        return Held.Valid;
    if (DataFileIsAsLeft())
        return true;
    return Settle();
}

bool TV9LockvexTbl::Settle()
{
    if (Settling)
        return false;
    Settling = true;
    struct Done {
        bool &flag;
        ~Done() { flag = false; }
    } done{Settling};
    platform::FileFacts now;
    const int err = platform::Current().Files().PathFacts(PoolFileName, now);
    const bool replaced = err == 0 && (now.Device != Held.Device || now.Inode != Held.Inode);
    // Read-only, or on a memory stick that changed nothing: nothing is written, the file at the
    // name is shown as it is, when it opens.
    if (ReadOnlyMode() || (RunOnMemStick && OwnChanges.empty())) {
        if (err != 0 || !OpensAsPool(PoolFileName))
            return false;
        PoolFile.Close();
        const bool opened = TPoolMgr::OpenPool(PoolFileName, DontCreateEmpty);
        StartTracking();
        OtherWriters = TOtherWriterReport();
        OtherWriters.What = TOtherWriterReport::Reloaded;
        OtherWriters.Replaced = replaced;
        return opened;
    }
    if (err == ENOENT) {
        if (!QFileInfo(QFileInfo(PoolFileName).absolutePath()).isDir())
            return false; // the data folder went: there is nowhere to write
        return WriteHeldFileAgain();
    }
    if (err != 0)
        return false;
    return CombineWith(PoolFileName, replaced);
}

// =============================================================================================
// Settling

bool TV9LockvexTbl::WriteHeldFileAgain()
{
    // What the table holds: every entry of the index with its record from the file it holds
    // open (a deleted file stays readable through it).
    std::vector<std::vector<uint8_t>> records;
    TLockvexRec rec;
    TPoolIndexRec *item = nullptr;
    for (bool more = GetFirstIndexItem(item, FullScan); more; more = GetNextIndexItem(item, FullScan)) {
        if (item->GetRecordNo() < 0)
            continue;
        if (BaseReadRecord(item->GetRecordNo(), &rec) != ReadOk)
            return false; // nothing is written that would lose an entry
        const auto *bytes = reinterpret_cast<const uint8_t *>(rec.GetRecHdrPtr());
        records.emplace_back(bytes, bytes + LockvexRecSize);
    }
    if (!InstallDataFile(records))
        return false;
    OtherWriters = TOtherWriterReport();
    OtherWriters.What = TOtherWriterReport::WrittenAgain;
    return true;
}

bool TV9LockvexTbl::CombineWith(const QString &path, bool replaced)
{
    std::vector<std::vector<uint8_t>> theirs;
    platform::FileFacts before, after;
    platform::FileIo &files = platform::Current().Files();
    if (files.PathFacts(path, before) != 0)
        return false;
    if (!OtherFile().ReadAll(path, theirs)) {
        // Not a data file as this program writes one. Rewritten in place, it may still be being
        // written, and the table holds nothing else of it: nothing is done now. Another file at
        // the name is kept aside, and the file this table holds written again.
        if (!replaced || !KeepFileAside(path))
            return false;
        return WriteHeldFileAgain();
    }
    // A file that changed while it was read may be only part of what its writer is writing.
    if (files.PathFacts(path, after) != 0 || after.Device != before.Device || after.Inode != before.Inode ||
        after.Size != before.Size || after.ModifiedNs != before.ModifiedNs || after.ChangedNs != before.ChangedNs)
        return false;

    // Each entry as this run read it, by name.
    QHash<QByteArray, uint64_t> base;
    for (const auto &[key, change] : OwnChanges)
        if (change.HadBase)
            base.insert(change.BaseName, change.BaseDigest);
    QHash<QByteArray, int> ourKeys; // entries this run did not change, by name
    QSet<int> usedKeys;
    TPoolIndexRec *item = nullptr;
    std::vector<const TPoolIndexRec *> notWritten; // added, never written: kept in the index
    for (bool more = GetFirstIndexItem(item, FullScan); more; more = GetNextIndexItem(item, FullScan)) {
        const int key = item->GetKeyFromIndex();
        if (OwnChanges.count(key))
            continue;
        if (item->GetRecordNo() < 0) {
            notWritten.push_back(item);
            usedKeys.insert(key);
            continue;
        }
        const QByteArray form = NameForm(item->IndexedNameBytes());
        base.insert(form, item->GetDigest());
        ourKeys.insert(form, key);
    }

    // Their entries, and what they changed.
    struct TOut {
        std::vector<uint8_t> Record;
        int Key = NoKey;
        bool FromHere = false;
        bool Removed = false;
    };
    std::vector<TOut> out;
    out.reserve(theirs.size() + OwnChanges.size());
    QHash<QByteArray, int> theirsByName;
    int fromThere = 0;
    for (auto &record : theirs) {
        const QByteArray form = NameFormOf(record);
        const auto known = base.constFind(form);
        if (known == base.constEnd() || *known != EntryDigest(record.data()))
            ++fromThere;
        if (!theirsByName.contains(form))
            theirsByName.insert(form, int(out.size()));
        out.push_back({std::move(record), NoKey, false, false});
    }
    for (auto it = base.constBegin(); it != base.constEnd(); ++it)
        if (!theirsByName.contains(it.key()))
            ++fromThere; // deleted there

    // This run's changes, against their entries.
    int fromHere = 0;
    for (const auto &[key, change] : OwnChanges) {
        const int at = change.HadBase ? theirsByName.value(change.BaseName, -1) : -1;
        if (change.HadBase && at >= 0 && !out[size_t(at)].FromHere) {
            TOut &there = out[size_t(at)];
            const uint64_t thereDigest = EntryDigest(there.Record.data());
            if (thereDigest == change.BaseDigest) { // changed here only
                ++fromHere;
                if (change.Deleted) {
                    there.Removed = true;
                } else {
                    there = {change.Record, key, true, false};
                }
                continue;
            }
            if (change.Deleted)
                continue; // deleted here, changed there: kept as changed
            if (EntryDigest(change.Record.data()) == thereDigest) {
                there.Key = key; // the same change on both sides
                continue;
            }
        } else if (change.Deleted) {
            continue; // deleted on both sides, or added and deleted by this run
        } else if (!change.HadBase) {
            const int same = theirsByName.value(NameFormOf(change.Record), -1);
            if (same >= 0 && out[size_t(same)].Key == NoKey && !out[size_t(same)].FromHere &&
                EntryDigest(out[size_t(same)].Record.data()) == EntryDigest(change.Record.data())) {
                out[size_t(same)].Key = key; // added on both sides alike
                continue;
            }
        }
        // Changed here and changed or deleted there, or new here: this run's version is added.
        ++fromHere;
        out.push_back({change.Record, key, true, false});
    }

    // Names: the other side's entries keep theirs; this run's versions take a name of their own
    // where another entry bears theirs.
    QSet<QByteArray> names;
    for (const TOut &entry : out)
        if (!entry.Removed && !entry.FromHere)
            names.insert(NameFormOf(entry.Record));
    QStringList keptTwice;
    for (TOut &entry : out) {
        if (entry.Removed || !entry.FromHere)
            continue;
        QByteArray form = NameFormOf(entry.Record);
        if (names.contains(form)) {
            ShortString<111> &name = AsEntry(entry.Record.data()).RecHdr.Name;
            const QByteArray stem = TrimmedBlankBytes(name.View()).toByteArray();
            QByteArray renamed;
            for (int n = 1; n == 1 || names.contains(NameForm(renamed)); ++n) {
                QByteArray suffix = win1252::FromUnicode(KeptHereSuffix);
                if (n > 1)
                    suffix.insert(suffix.size() - 1, " " + QByteArray::number(n));
                renamed = TrimBlanks(stem.left(std::max<qsizetype>(MaxEntryName - suffix.size(), 1))) + suffix;
            }
            name.Assign(renamed);
            form = NameForm(renamed);
            keptTwice.append(win1252::ToUnicode(renamed));
        }
        names.insert(form);
    }

    // Keys: this run's keys stay with its entries (the windows hold them), an entry of theirs
    // takes the key of this run's entry of its name, the rest new keys.
    for (const TOut &entry : out)
        if (!entry.Removed && entry.Key != NoKey)
            usedKeys.insert(entry.Key);
    for (TOut &entry : out) {
        if (entry.Removed || entry.Key != NoKey)
            continue;
        const int mine = ourKeys.value(NameFormOf(entry.Record), NoKey);
        if (mine != NoKey && !usedKeys.contains(mine)) {
            entry.Key = mine;
            usedKeys.insert(mine);
        }
    }
    int nextKey = std::max(GetHighestKey(), -1);
    for (int key : usedKeys)
        nextKey = std::max(nextKey, key);
    std::vector<std::vector<uint8_t>> records;
    records.reserve(out.size());
    for (TOut &entry : out) {
        if (entry.Removed)
            continue;
        if (entry.Key == NoKey) {
            if (nextKey == INT_MAX)
                return false;
            entry.Key = ++nextKey;
        }
        AsEntry(entry.Record.data()).RecHdr.Key = entry.Key;
        records.push_back(std::move(entry.Record));
    }
    if (!InstallDataFile(records))
        return false;
    OtherWriters = TOtherWriterReport();
    OtherWriters.What = TOtherWriterReport::Combined;
    OtherWriters.Replaced = replaced;
    OtherWriters.FromHere = fromHere;
    OtherWriters.FromThere = fromThere;
    OtherWriters.KeptTwice = keptTwice;
    return true;
}

bool TV9LockvexTbl::InstallDataFile(std::vector<std::vector<uint8_t>> &records)
{
    // The entries added but not written yet, to be put back into the new index.
    struct TNotWritten {
        int Key;
        QByteArray Name;
        int CreationDate;
    };
    std::vector<TNotWritten> notWritten;
    QSet<int> written;
    for (const auto &record : records)
        written.insert(AsEntry(record.data()).RecHdr.Key);
    TPoolIndexRec *item = nullptr;
    for (bool more = GetFirstIndexItem(item, FullScan); more; more = GetNextIndexItem(item, FullScan))
        if (item->GetRecordNo() < 0 && !written.contains(item->GetKeyFromIndex()))
            notWritten.push_back({item->GetKeyFromIndex(), item->IndexedNameBytes().toByteArray(),
                                  item->GetIndexedCreationDate()});

    const QString temp = TemporaryNameFor(PoolFileName);
    QFile::remove(temp);
    TPoolFile file;
    bool ok = file.Create(temp) == 0;
    std::vector<uint8_t> stored(static_cast<size_t>(IOBufSize));
    for (size_t i = 0; ok && i < records.size(); ++i) {
        std::vector<uint8_t> &record = records[i];
        BaseDAHeader &hdr = AsEntry(record.data()).RecHdr;
        hdr.UserID = UserID;
        const uint8_t *bytes = record.data();
        if (EncryptRecords && FilingDate != 0) {
            hdr.FilingDate = FilingDate;
            EncipherRecord(record.data(), stored.data(), IOBufSize);
            bytes = stored.data();
        } else {
            hdr.FilingDate = 0;
        }
        ok = file.WriteAt(SlotOffset(int(i), IOBufSize), bytes, IOBufSize) == 0;
    }
    ok = ok && file.Sync() == 0;
    ok = file.Close() == 0 && ok;
    if (!ok || !platform::Current().RenameFile(temp, PoolFileName)) {
        QFile::remove(temp);
        return false; // the table goes on with what it holds; nothing of either side is lost
    }
    // From here on the new file is the data file.
    PoolFile.Close();
    const bool opened = TPoolMgr::OpenPool(PoolFileName, DontCreateEmpty);
    StartTracking();
    for (const TNotWritten &entry : notWritten) {
        if (FindIndexItem(entry.Key) || !PoolIndex || PoolIndex->IsFull())
            continue;
        auto *again = new TPoolIndexRec;
        again->SetKeyInIndex(entry.Key);
        again->SetRecordNo(NoKey);
        again->SetIndexedNameBytes(entry.Name);
        again->SetIndexedCreationDate(entry.CreationDate);
        InsertInKeySequence(again);
    }
    return opened;
}
