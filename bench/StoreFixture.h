// The store benchmarks' fixture: a folder on the disk and one in memory (/dev/shm) for the data
// files, the entry written for number i, and a new empty data file that keeps no backups.
#pragma once

#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace
{

QTemporaryDir &DiskFolder()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/lockvex-bench-XXXXXX"));
    return folder;
}

QTemporaryDir &MemoryFolder()
{
    static QTemporaryDir folder(QStringLiteral("/dev/shm/lockvex-bench-XXXXXX"));
    return folder;
}

// In memory where /dev/shm exists, otherwise on the disk.
QString FolderFor(bool inMemory)
{
    return inMemory && MemoryFolder().isValid() ? MemoryFolder().path() : DiskFolder().path();
}

// Entry i: name "Site i", an address, a customer ID, a password and a note.
void FillEntry(TLockvexRec &rec, int i)
{
    rec.Init();
    rec.SetName(QStringLiteral("Site %1").arg(i));
    rec.SetURL(QStringLiteral("https://example.com/login/%1").arg(i));
    rec.SetCustID(QStringLiteral("user%1").arg(i));
    rec.SetPassword(QStringLiteral("Pw!%1xY9").arg(i));
    rec.SetAccountNotes("notes of the entry");
}

// An empty data file in place of any earlier one, opened.
std::unique_ptr<TV9LockvexTbl> NewTable(const QString &data)
{
    QFile::remove(data);
    auto table = std::make_unique<TV9LockvexTbl>(true);
    table->SetRunOnMemstick(true); // no TEMP copy or backups at the end
    table->OpenPool(data);
    return table;
}

} // namespace
