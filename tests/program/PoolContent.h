#pragma once
// What a data file, TEMP copy or backup holds, as the crash driver's entries: name -> version,
// with a problem text when the file is not whole records, does not open as a pool, or holds a
// record that matches no version of its entry field for field.

#include "support/CrashEntries.h"

#include "common/Win1252.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "store/TbDALockvexBase.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <map>

namespace program_test
{

struct PoolContent {
    std::map<QString, int> Versions; // entry name -> version
    QString Problem;                 // empty when the file is whole and every record is intact

    bool Whole() const { return Problem.isEmpty(); }
};

// The first field in which the record differs from the version it names; empty when none.
inline QString MismatchedField(const TLockvexRec &rec, int version)
{
    if (version < 0)
        return QStringLiteral("PIN (no version)");
    const crash_entries::Fields f = crash_entries::EntryFields(rec.GetName(), version);
    if (rec.GetAccountNotes() != win1252::FromUnicode(f.Notes))
        return QStringLiteral("notes");
    if (rec.GetURL() != f.URL)
        return QStringLiteral("URL");
    if (rec.GetCustID() != f.CustID)
        return QStringLiteral("customer ID");
    if (rec.GetPassword() != f.Password)
        return QStringLiteral("password");
    const QString questions[] = {rec.GetQuestion1(), rec.GetQuestion2(), rec.GetQuestion3(), rec.GetQuestion4()};
    const QString answers[] = {rec.GetMemData1(), rec.GetMemData2(), rec.GetMemData3(), rec.GetMemData4()};
    for (int i = 0; i < 4; ++i)
        if (questions[i] != f.Question[i] || answers[i] != f.Answer[i])
            return QStringLiteral("question %1").arg(i + 1);
    if (rec.IsEntryPassword() != f.EntryPassword || rec.IsAutoPWCopy() != f.AutoPWCopy)
        return QStringLiteral("flags");
    if (rec.GetLoginDateTime() != f.LoginDateTime)
        return QStringLiteral("login date");
    return QString();
}

// Scans the live records of an open pool.
inline PoolContent ContentOf(TPoolMgr &pool)
{
    PoolContent content;
    TLockvexRec rec;
    int slot = NoKey;
    for (bool more = pool.ReadFirst(slot, &rec, SkipDeleted); more; more = pool.ReadNext(slot, &rec, SkipDeleted)) {
        const QString name = rec.GetName();
        const int version = crash_entries::VersionOf(rec.GetPIN());
        const QString bad = MismatchedField(rec, version);
        if (!bad.isEmpty() && content.Problem.isEmpty())
            content.Problem = QStringLiteral("slot %1 (%2): %3 is not whole").arg(slot).arg(name, bad);
        if (content.Versions.count(name) && content.Problem.isEmpty())
            content.Problem = QStringLiteral("%1 is there twice").arg(name);
        content.Versions[name] = version;
    }
    return content;
}

// A TEMP copy or backup, opened as a plain pool that is only read (zero bytes: no entries).
inline PoolContent ReadCopyFile(const QString &path)
{
    PoolContent content;
    const qint64 size = QFileInfo(path).size();
    if (size % LockvexRecSize != 0) {
        content.Problem = QStringLiteral("%1 bytes are no whole number of records").arg(size);
        return content;
    }
    if (size == 0)
        return content;
    TPoolMgr pool(LockvexRecSize);
    pool.SetIndexedFile(Yes);
    if (!pool.OpenPool(path, DontCreateEmpty)) {
        content.Problem = QStringLiteral("does not open as a pool");
        return content;
    }
    return ContentOf(pool);
}

// The data file opened as the program opens it, recovering it when it must. The table makes no
// TEMP copy or backups and touches no log when it closes: the test only looks.
inline PoolContent ReadDataFile(const QString &path, bool *opened = nullptr)
{
    TV9LockvexTbl table(true);
    const bool ok = table.OpenPool(path);
    if (opened)
        *opened = ok;
    PoolContent content = ContentOf(table);
    if (!ok && content.Problem.isEmpty())
        content.Problem = QStringLiteral("the data file does not open");
    table.SetRunOnMemstick(true);
    table.SetAutoLog(No); // a log beside the data file stays as it is
    return content;
}

// One value for a set of entries, whatever the keys and slot order.
inline QByteArray Digest(const std::map<QString, int> &versions)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const auto &[name, version] : versions)
        hash.addData((name + QLatin1Char('=') + QString::number(version) + QLatin1Char(';')).toUtf8());
    return hash.result();
}

} // namespace program_test
