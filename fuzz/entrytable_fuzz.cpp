// The entry table opened on arbitrary files: a data file, its two backups and its log, any of
// them missing, damaged or of any size. The table opens (recovering when it must), then a few
// operations chosen by the rest of the input add, write, read, flag, drop and check entries, and
// the table is closed, which makes the TEMP copy and the backups. The table is then opened once
// more: every entry whose write was reported saved is there with its fields, and every entry
// whose drop was reported saved is gone.
//
// Input: one byte telling which of the four files exist (bits 0 to 3: data file, BAC0, BAC1,
// log) and how the run goes (bit 4: the backups are days old, so the close rotates them; bit 5:
// read-only mode; bit 6: the program runs from a memory stick; bit 7: the write journal is made
// to name the data file, with its checksum set), then the parts data file, BAC0, BAC1, log,
// operations and write journal (present when the part is), separated by the part marker.

#include "FuzzSupport.h"

#include "common/Win1252.h"
#include "store/PoolFile.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

#include <sys/stat.h>

#include <cstring>
#include <map>
#include <set>

using namespace fuzz_support;

namespace
{

const QString DataName = QStringLiteral("TrelLockvex.acsdb");
const char *const FileNames[] = {"TrelLockvex.acsdb", "TrelLockvex.BAC0", "TrelLockvex.BAC1", "TrelLockvex.CSV"};
constexpr int MaxOperations = 24;

// Reads the operation bytes one at a time; zeros when they run out.
class Bytes
{
public:
    explicit Bytes(const QByteArray &bytes) : bytes_(bytes) {}
    bool AtEnd() const { return at_ >= bytes_.size(); }
    uint8_t Next() { return AtEnd() ? 0 : uint8_t(bytes_[at_++]); }
    QString Text(int maxLength)
    {
        const int length = Next() % (maxLength + 1);
        QByteArray text;
        for (int i = 0; i < length && !AtEnd(); ++i)
            text.append(char(Next()));
        return win1252::ToUnicode(text);
    }

private:
    QByteArray bytes_;
    qsizetype at_ = 0;
};

// What an entry must read back as.
struct Expected {
    QString Name, Password, URL;
    QByteArray Notes;
    bool EntryPW = false, AutoPW = false;

    static Expected Of(const TLockvexRec &rec)
    {
        return {rec.GetName(),          rec.GetPassword(),      rec.GetURL(), rec.GetAccountNotes(),
                rec.IsEntryPassword(), rec.IsAutoPWCopy()};
    }
    bool operator==(const Expected &) const = default;
    std::string Show() const
    {
        return QStringLiteral("[%1|%2|%3|%4|%5%6]")
            .arg(Name, Password, URL, QString::fromLatin1(Notes.toHex()))
            .arg(EntryPW)
            .arg(AutoPW)
            .toStdString();
    }
};

int PickIndexKey(TV9LockvexTbl &table, uint8_t choice)
{
    const int count = table.GetPoolIndex() ? table.GetPoolIndex()->GetCount() : 0;
    if (count == 0)
        return NoKey;
    int wanted = choice % count;
    TPoolIndexRec *item = nullptr;
    for (bool more = table.GetFirstIndexItem(item, FullScan); more; more = table.GetNextIndexItem(item, FullScan))
        if (wanted-- == 0)
            return item->GetKeyFromIndex();
    return NoKey;
}

class Session
{
public:
    explicit Session(TV9LockvexTbl &table) : table_(table) {}

    void Run(Bytes &ops)
    {
        for (int n = 0; n < MaxOperations && !ops.AtEnd(); ++n) {
            const int op = ops.Next() % 7;
            FUZZ_TRACE("op %d, %d in the index\n", op, table_.GetPoolIndex() ? table_.GetPoolIndex()->GetCount() : -1);
            switch (op) {
            case 0:
                AddAndWrite(ops);
                break;
            case 1:
                Rewrite(ops);
                break;
            case 2:
                Drop(ops);
                break;
            case 3:
                ReadBack(ops);
                break;
            case 4:
                SetFlag(ops);
                break;
            case 5:
                Scan(ops);
                break;
            default:
                table_.AddLockvexIndexItem(ops.Text(8)); // added, never written
                break;
            }
        }
    }

    // After the table was closed and opened again.
    void CheckReopened(TV9LockvexTbl &reopened) const
    {
        TLockvexRec rec;
        for (const auto &[key, expected] : saved_) {
            Require(reopened.GetLockvexRec(key, &rec) == ReadOk, "a saved entry is missing after reopening");
            FUZZ_TRACE("  reopened: key %d reads %s\n", key, Expected::Of(rec).Show().c_str());
            Require(Expected::Of(rec) == expected, "a saved entry changed after reopening");
        }
        for (int key : dropped_)
            Require(reopened.FindIndexItem(key) == nullptr, "a dropped entry is back after reopening");
    }

private:
    // The record of key as the table reads it now becomes what the key must read back as.
    void NoteSaved(int key)
    {
        TLockvexRec rec;
        Require(table_.GetLockvexRec(key, &rec) == ReadOk, "an entry just saved does not read back");
        saved_[key] = Expected::Of(rec);
        dropped_.erase(key);
        FUZZ_TRACE("  key %d saved as %s\n", key, saved_[key].Show().c_str());
    }

    void AddAndWrite(Bytes &ops)
    {
        TLockvexRec rec;
        rec.SetName(ops.Text(12));
        rec.SetPassword(ops.Text(8));
        rec.SetURL(ops.Text(8));
        rec.SetAccountNotes(win1252::FromUnicode(ops.Text(8)));
        const int key = table_.AddLockvexIndexItem(rec.GetName());
        if (key == NoKey)
            return;
        const Expected wanted = Expected::Of(rec);
        if (table_.WriteLockvexRec(key, &rec) != WriteOK)
            return;
        NoteSaved(key);
        Require(saved_[key] == wanted, "an entry reads back other than written");
    }

    void Rewrite(Bytes &ops)
    {
        const int key = PickIndexKey(table_, ops.Next());
        TLockvexRec rec;
        if (key == NoKey || table_.GetLockvexRec(key, &rec) != ReadOk)
            return;
        rec.SetPassword(ops.Text(8));
        const bool written = table_.WriteLockvexRec(key, &rec) == WriteOK;
        FUZZ_TRACE("  rewrite key %d: %d\n", key, written);
        if (written)
            NoteSaved(key);
        else
            saved_.erase(key); // whether the old or the new text is there is not known
    }

    void Drop(Bytes &ops)
    {
        const int key = PickIndexKey(table_, ops.Next());
        if (key == NoKey)
            return;
        const bool dropped = table_.DropIndexedRecord(key, UpdatePermission).Ok();
        FUZZ_TRACE("  drop key %d: %d\n", key, dropped);
        if (!dropped)
            return;
        // The entry the key named is gone; in a damaged file another record may carry the key.
        saved_.erase(key);
        if (!table_.FindIndexItem(key))
            dropped_.insert(key);
    }

    void ReadBack(Bytes &ops)
    {
        if (saved_.empty())
            return;
        auto it = saved_.begin();
        std::advance(it, ops.Next() % saved_.size());
        TLockvexRec rec;
        Require(table_.GetLockvexRec(it->first, &rec) == ReadOk, "a saved entry cannot be read");
        FUZZ_TRACE("  key %d reads %s\n", it->first, Expected::Of(rec).Show().c_str());
        Require(Expected::Of(rec) == it->second, "a saved entry reads back changed");
    }

    void SetFlag(Bytes &ops)
    {
        const uint8_t how = ops.Next();
        const int key = PickIndexKey(table_, ops.Next());
        if (key == NoKey)
            return;
        FUZZ_TRACE("  flag %d of key %d\n", how & 3, key);
        const IOResultType written =
            (how & 1) ? table_.SetEntryPassword(key, how & 2) : table_.SetAutoPWCopy(key, how & 2);
        if (written == WriteOK)
            NoteSaved(key);
    }

    void Scan(Bytes &ops)
    {
        table_.CheckPassword(ops.Text(8), false);
        TLockvexRec rec;
        int slot = NoKey;
        int live = 0;
        for (bool more = table_.ReadFirst(slot, &rec, SkipDeleted); more; more = table_.ReadNext(slot, &rec, SkipDeleted))
            ++live;
        Require(live <= table_.GetFileSize(), "a scan returned more records than the file has slots");
    }

    TV9LockvexTbl &table_;
    std::map<int, Expected> saved_;
    std::set<int> dropped_;
};

// ---- The write journal: magic, device, inode, position, size, checksum, then the record.

constexpr qsizetype JournalHeaderSize = 48;

uint64_t Fnv1a(const char *data, qsizetype size, uint64_t hash)
{
    for (qsizetype i = 0; i < size; ++i)
        hash = (hash ^ uint8_t(data[i])) * 1099511628211ull;
    return hash;
}

void Put64(QByteArray &bytes, qsizetype at, uint64_t value)
{
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

// Makes a journal name the data file and carry a checksum that holds, so that the open replays
// whatever position, size and record the input gives.
QByteArray JournalNaming(const QString &dataFile, QByteArray journal)
{
    struct stat info {
    };
    if (journal.size() < JournalHeaderSize || ::stat(QFile::encodeName(dataFile).constData(), &info) != 0)
        return journal;
    std::memcpy(journal.data(), "LVJRNL01", 8);
    Put64(journal, 8, uint64_t(info.st_dev));
    Put64(journal, 16, uint64_t(info.st_ino));
    int64_t size = 0;
    std::memcpy(&size, journal.constData() + 32, sizeof size);
    const qsizetype recordBytes = std::min<qsizetype>(std::max<int64_t>(size, 0), journal.size() - JournalHeaderSize);
    const uint64_t hash = Fnv1a(journal.constData(), 40, 14695981039346656037ull);
    Put64(journal, 40, Fnv1a(journal.constData() + JournalHeaderSize, recordBytes, hash));
    return journal;
}

// ---- Seeds: files the program itself writes, whole, damaged and missing.

QByteArray SeedEntries(const QStringList &names, bool dropFirst, QByteArray *bac0)
{
    Scratch scratch;
    const QString dataFile = scratch.PathOf(DataName);
    {
        TV9LockvexTbl table(true);
        table.OpenPool(dataFile);
        int first = NoKey;
        for (const QString &name : names) {
            TLockvexRec rec;
            rec.SetName(name);
            rec.SetPassword(name + QStringLiteral("-pw"));
            rec.SetURL(QStringLiteral("https://example.com/") + name);
            rec.SetAccountNotes("line one;line two");
            const int key = table.AddLockvexIndexItem(name);
            (void)table.WriteLockvexRec(key, &rec); // a fixture: what was written is what is compared
            if (first == NoKey)
                first = key;
        }
        if (dropFirst && first != NoKey)
            (void)table.DropIndexedRecord(first, UpdatePermission);
    }
    if (bac0)
        *bac0 = ReadFile(scratch.PathOf(QStringLiteral("TrelLockvex.BAC0")));
    return ReadFile(dataFile);
}

QByteArray SeedLog(const QStringList &names)
{
    QByteArray log = LockvexLogHeaderLine() + "\r\n";
    int key = 0;
    for (const QString &name : names) {
        TLockvexRec rec;
        rec.SetName(name);
        rec.SetPassword(QStringLiteral("p,w;\"x\""));
        rec.SetKey(key++);
        log += LockvexLogLine(rec.LockvexData) + "\r\n";
    }
    return log;
}

QByteArray Seed(uint8_t present, const QList<QByteArray> &files, const QByteArray &ops,
                const QByteArray *journal = nullptr)
{
    QList<QByteArray> parts = files;
    while (parts.size() < 4)
        parts.append(QByteArray());
    parts.append(ops);
    if (journal)
        parts.append(*journal);
    return char(present) + JoinParts(parts);
}

// A journal header for a record at a position; the device, inode and checksum are left for the
// run to fill in.
QByteArray JournalOf(int64_t position, const QByteArray &record)
{
    QByteArray journal(JournalHeaderSize, '\0');
    std::memcpy(journal.data(), "LVJRNL01", 8);
    const int64_t size = record.size();
    std::memcpy(journal.data() + 24, &position, sizeof position);
    std::memcpy(journal.data() + 32, &size, sizeof size);
    return journal + record;
}

void WriteSeeds()
{
    // add "Bank"/"pw"/"u"/"n", read it, flag it, add "Shop", drop the first, scan, rewrite
    static const char opBytes[] = "\000\004Bank\002pw\001u\001n\003\000\004\003\000\000\004Shop\000\000\000"
                                  "\002\000\005\002pw\001\000\003abc\006\002xy";
    const QByteArray ops(opBytes, sizeof(opBytes) - 1);
    QByteArray bac0;
    const QByteArray three = SeedEntries({"Bank", "Shop", "Mail"}, false, &bac0);
    const QByteArray withDeleted = SeedEntries({"Old", "Kept"}, true, nullptr);
    const QByteArray log = SeedLog({"Bank, \"main\"", "Shop"});
    QByteArray damaged = three;
    damaged.truncate(700);
    QByteArray badCipher = three;
    for (int i = 30; i < badCipher.size(); i += 97)
        badCipher[i] = char(badCipher[i] ^ 0x5A);

    WriteSeed("empty-folder", Seed(0, {}, ops));
    WriteSeed("three-entries", Seed(1, {three}, ops));
    WriteSeed("deleted-entry", Seed(1, {withDeleted}, ops));
    WriteSeed("damaged-data-newest-backup", Seed(3, {damaged, bac0}, ops));
    WriteSeed("older-backup-only", Seed(6, {QByteArray(), damaged, bac0}, ops));
    WriteSeed("log-only", Seed(8, {QByteArray(), QByteArray(), QByteArray(), log}, ops));
    WriteSeed("garbled-records", Seed(15, {badCipher, damaged, QByteArray("x"), log}, ops));
    WriteSeed("empty-data-file", Seed(1, {QByteArray()}, ops));
    WriteSeed("old-backups-rotate", Seed(0x17, {three, bac0, withDeleted}, ops));
    WriteSeed("read-only", Seed(0x21, {three}, ops));
    WriteSeed("memory-stick", Seed(0x41, {withDeleted}, ops));
    const QByteArray firstRecord = three.left(LockvexRecSize);
    const QByteArray replayed = JournalOf(2 * LockvexRecSize, firstRecord);
    const QByteArray farAway = JournalOf(qint64(LockvexRecSize) * 5000, firstRecord);
    const QByteArray torn = JournalOf(LockvexRecSize, firstRecord.left(600));
    WriteSeed("journal-replayed", Seed(0x81, {three}, ops, &replayed));
    WriteSeed("journal-past-the-end", Seed(0x81, {three}, ops, &farAway));
    WriteSeed("journal-of-another-file", Seed(0x01, {three}, ops, &replayed));
    WriteSeed("journal-torn", Seed(0x81, {withDeleted}, ops, &torn));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (SeedFolder().isEmpty())
        return 0;
    Environment::Get();
    WriteSeeds();
    std::exit(0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    Environment::Get();
    const uint8_t present = data[0];
    const QList<QByteArray> parts = SplitParts(data + 1, size - 1);
    Scratch scratch;
    for (int i = 0; i < 4; ++i)
        if ((present & (1 << i)) && i < parts.size())
            scratch.Write(QLatin1String(FileNames[i]), parts[i]);
    if (present & 0x10) {
        const QDateTime today = Environment::Get().Platform().Now();
        platform::Current().SetLastWriteTime(scratch.PathOf(QLatin1String(FileNames[1])), today.addDays(-2));
        platform::Current().SetLastWriteTime(scratch.PathOf(QLatin1String(FileNames[2])), today.addDays(-3));
    }
    const bool readOnly = (present & 0x20) != 0;
    if (parts.size() > 5) {
        const QString dataPath = scratch.PathOf(DataName);
        scratch.Write(QFileInfo(TPoolFile::JournalNameFor(dataPath)).fileName(),
                      (present & 0x80) ? JournalNaming(dataPath, parts[5]) : parts[5]);
    }
    Bytes ops(parts.size() > 4 ? parts[4] : QByteArray());

    const QString dataFile = scratch.PathOf(DataName);
    auto table = std::make_unique<TV9LockvexTbl>(true);
    table->SetRunOnMemstick((present & 0x40) != 0);
    table->SetReadOnlyMode(readOnly);
    const bool opened = table->OpenPool(dataFile);
    if (Tracing()) {
        TPoolIndexRec *item = nullptr;
        for (bool more = table->GetFirstIndexItem(item, FullScan); more; more = table->GetNextIndexItem(item, FullScan))
            FUZZ_TRACE("index: key %d slot %d [%s]\n", item->GetKeyFromIndex(), item->GetRecordNo(),
                       qPrintable(item->GetIndexedName()));
    }
    Session session(*table);
    if (opened)
        session.Run(ops);
    table.reset(); // the close: TEMP copy, backups

    if (!opened)
        return 0;
    TV9LockvexTbl reopened(true);
    Require(reopened.OpenPool(dataFile), "the data file does not open again after the close");
    session.CheckReopened(reopened);
    return 0;
}
