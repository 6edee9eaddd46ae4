// TPoolMgr: rewriting the pool file sequentially, copying it, further (year) pools, and the
// CSV log written at close and read back to rebuild a lost pool.
//
// Whole files are never rewritten in place: they are written under a temporary name beside
// their target, flushed, and renamed into place, so that a crash leaves either the old file or
// the complete new one.

#include "store/TbDALockvexBase.h"

#include "common/TextFiles.h"
#include "common/TextRoutines.h"
#include "common/Win1252.h"
#include "platform/Platform.h"
#include "store/LockvexRecDABase.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <climits>

QString TPoolMgr::TemporaryNameFor(const QString &target)
{
    const QFileInfo info(target);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".lvtmp");
}

bool TPoolMgr::FlushFile(const QString &path)
{
    return platform::Current().FlushFile(path);
}

// =============================================================================================
// Sequential rewriting

void TPoolMgr::OpenPoolForSeqWrite()
{
    _PoolOk = true;
    ForgetScanBlock();
    IOCheck(PoolFile.Close());
    const int err = PoolFile.Create(PoolFileName);
    IOCheck(err);
    ResetSlotMap(0);
    SeqWriteSlot = 0;
    SeqWriteOk = err == 0;
}

void TPoolMgr::WriteSeqPoolRec(TBaseDARec *UserV8Rec)
{
    if (UserV8Rec)
        CopyBufferFrom(UserV8Rec);
    // Flushed once, when the rewrite closes: a crash loses the unfinished rewrite only, and the
    // rewrite never stands in for the old file before it is complete.
    if (WritePoolRecord(SeqWriteSlot, false))
        NoteSlot(SeqWriteSlot, BufferHeader());
    else
        SeqWriteOk = false;
    ++SeqWriteSlot;
}

bool TPoolMgr::ClosePoolForSeqWrite()
{
    bool ok = SeqWriteOk && PoolFile.IsOpen();
    if (PoolFile.IsOpen()) {
        const int err = PoolFile.Sync();
        IOCheck(err);
        ok = ok && err == 0;
    }
    ok = ClosePool(DoNotWriteLog) && ok;
    return ok;
}

bool TPoolMgr::RewritePoolFile(const std::function<void()> &fill, bool keepOldAside)
{
    const QString target = PoolFileName;
    const QString temporary = TemporaryNameFor(target);
    PoolFileName = temporary;
    OpenPoolForSeqWrite();
    bool ok = _PoolOk;
    if (ok)
        fill();
    ok = ClosePoolForSeqWrite() && ok;
    PoolFileName = target;
    RewriteKeptAside.clear();
    if (ok && keepOldAside)
        ok = KeepFileAside(target, &RewriteKeptAside);
    if (ok)
        ok = platform::Current().RenameFile(temporary, target);
    if (!ok) {
        QFile::remove(temporary);
        _PoolOk = false;
    }
    return ok;
}

bool TPoolMgr::WriteInMemRecsToFile()
{
    if (!InMemRecs)
        return false;
    // The file is rewritten from memory only when memory holds every record: an entry without
    // its record would otherwise be lost from the file.
    for (int i = 0; i < NumRecords(); ++i)
        if (!IndexAt(i)->GetRecPtr())
            return false;
    return RewritePoolFile(
        [this] {
            int RecordNo = NoKey;
            for (bool more = ReadFirst(RecordNo, nullptr, SkipDeleted); more;
                 more = ReadNext(RecordNo, nullptr, SkipDeleted))
                WriteSeqPoolRec(nullptr);
        },
        false);
}

// =============================================================================================
// Copies and further pools

bool TPoolMgr::CopyFileAs(const QString &Fn)
{
    const QString temporary = TemporaryNameFor(Fn);
    TPoolFile copy;
    int err = copy.Create(temporary);
    bool ok = err == 0;
    int slot = 0;
    int RecordNo = NoKey;
    for (bool more = ok && ReadFirst(RecordNo, nullptr, SkipDeleted); more;
         more = ReadNext(RecordNo, nullptr, SkipDeleted)) {
        // The copy holds each record as this pool would write it.
        err = copy.WriteAt(SlotOffset(slot++, IOBufSize), PrepareForDisk(), IOBufSize);
        if (err) {
            ok = false;
            break;
        }
    }
    // A record that could not be read is not silently left out of a copy that reports success.
    ok = ok && !ScanFailed;
    ok = ok && copy.Sync() == 0;
    ok = copy.Close() == 0 && ok;
    if (ok)
        ok = platform::Current().RenameFile(temporary, Fn);
    if (!ok)
        QFile::remove(temporary);
    IOCheck(ok ? 0 : EIO);
    return ok;
}

void TPoolMgr::CreateNewYear(const QString &FName)
{
    const QString remembered = PoolFileName;
    ClosePool(WriteLog);
    SetPoolName(FName);
    // A pool already there is kept aside, never emptied.
    if (KeepFileAside(FName))
        CreateEmptyPool();
    ClosePool(WriteLog);
    OpenPool(remembered, DontCreateEmpty);
}

// =============================================================================================
// The CSV log

bool TPoolMgr::WritePoolLog()
{
    // Read-only mode writes nothing, a deleted log included.
    if (!_PoolOk || PoolLogName.isEmpty() || ReadOnlyMode())
        return false;
    if (EncryptRecords) {
        // The log never holds the entries in clear while the pool is enciphered.
        if (QFileInfo::exists(PoolLogName))
            QFile::remove(PoolLogName);
        return false;
    }
    const QString temporary = TemporaryNameFor(PoolLogName);
    bool ok = true;
    try {
        TextFile log;
        OpenTextForWrite(log, temporary);
        QByteArray line;
        BuildUserLogRecord(line, nullptr, true);
        WriteTextLine(log, line);
        int RecordNo = NoKey;
        for (bool more = ReadFirst(RecordNo, nullptr, SkipDeleted); more;
             more = ReadNext(RecordNo, nullptr, SkipDeleted)) {
            BuildUserLogRecord(line, IOBuffer.data(), false);
            WriteTextLine(log, line);
        }
        CloseText(log);
        ok = !ScanFailed;
    } catch (const TextFileError &) {
        ok = false;
    }
    ok = ok && FlushFile(temporary) && platform::Current().RenameFile(temporary, PoolLogName);
    if (!ok)
        QFile::remove(temporary);
    return ok;
}

bool TPoolMgr::ReadPoolLog()
{
    LogRecordCount = 1;
    TextFile log;
    try {
        OpenTextForRead(log, PoolLogName);
    } catch (const TextFileError &) {
        return false;
    }
    const auto fill = [this, &log] {
        // Every record gets a key of its own, whatever the log says: a key that is negative or
        // already taken by an earlier line is replaced by one above every key seen.
        QSet<int> usedKeys;
        int highest = NoKey;
        const auto freshKey = [&] {
            int key = highest < INT_MAX ? highest + 1 : 0;
            while (usedKeys.contains(key))
                ++key;
            return key;
        };
        try {
            QByteArray line;
            if (!AtEndOfText(log))
                ReadTextLine(log, line); // the header line
            while (!AtEndOfText(log) && SeqWriteSlot < MaxCollectionSize) {
                ReadTextLine(log, line);
                if (TrimBlanks(line).isEmpty())
                    continue; // a blank line holds no entry
                TBaseDARec *rec = nullptr;
                BuildUserPoolRecord(line, rec);
                if (!rec)
                    continue;
                int key = rec->GetKey();
                if (key <= NoKey || usedKeys.contains(key))
                    key = freshKey();
                rec->SetKey(key);
                usedKeys.insert(key);
                highest = std::max(highest, key);
                WriteSeqPoolRec(rec);
                ++LogRecordCount;
            }
        } catch (const TextFileError &) {
            // A log that cannot be read further gives the records read so far.
        }
    };
    const bool ok = RewritePoolFile(fill, true);
    try {
        CloseText(log);
    } catch (const TextFileError &) {
    }
    return ok;
}

// =============================================================================================
// Log line helpers for descendants

void TPoolMgr::BuildUserLogRecord(QByteArray &, const uint8_t *, bool) {}

void TPoolMgr::BuildUserPoolRecord(const QByteArray &, TBaseDARec *&) {}

int TPoolMgr::BuildHdrCSV(QByteArray &OutputCSV, TBaseDARec *Rec, bool HeaderLine)
{
    static const char *const headers[] = {"Name", "Name Tag", "Key", "Alt Key", "Creation Date", "Hdr Fld"};
    for (int column = 0; column < 6; ++column) {
        QByteArray value;
        if (HeaderLine) {
            value = headers[column];
        } else if (Rec) {
            switch (column) {
            case 0:
                value = win1252::FromUnicode(Rec->GetName());
                break;
            case 1:
                value = win1252::FromUnicode(Rec->GetNameTag());
                break;
            case 2:
                value = QByteArray::number(Rec->GetKey());
                break;
            case 3:
                value = QByteArray::number(Rec->GetAlternateKey());
                break;
            case 4:
                value = QByteArray::number(Rec->GetCreationDate());
                break;
            default:
                break;
            }
        }
        OutputCSV += LogFieldText(value);
        OutputCSV += '\0';
    }
    return 7;
}

int TPoolMgr::LoadHdrFromCSV(const QByteArray &Line, TBaseDARec *Rec)
{
    if (!Rec)
        return 7;
    for (int column = 1; column <= 5; ++column) {
        int length = 0, start = 0;
        if (!CSVFieldPos(Line, column, length, start))
            break;
        const QByteArray value = LogFieldValue(Line.mid(start, length));
        switch (column) {
        case 1:
            Rec->SetName(win1252::ToUnicode(value));
            break;
        case 2:
            Rec->SetNameTag(win1252::ToUnicode(value));
            break;
        case 3:
            Rec->SetKey(StrToIntOrOne(value));
            break;
        case 4:
            Rec->SetAlternateKey(StrToIntOrOne(value));
            break;
        case 5:
            Rec->SetCreationDate(StrToIntOrOne(value));
            break;
        }
    }
    return 7;
}

bool TPoolMgr::CSVFieldPos(const QByteArray &Line, int n, int &Len, int &Start)
{
    if (n < 1)
        return false;
    int begin = 0;
    for (int field = 1;; ++field) {
        const int end = int(Line.indexOf('\0', begin));
        if (end < 0)
            return false; // the text after the last end mark is not a field
        if (field == n) {
            Start = begin;
            Len = end - begin;
            return true;
        }
        begin = end + 1;
    }
}
