// The benchmarks' fixture: the entry managers' global objects over a data file holding the
// store's maximum of entries, in memory where /dev/shm exists.
#pragma once

#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/RunState.h"
#include "common/DateStamp.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

#include <sys/wait.h>
#include <unistd.h>

namespace
{

constexpr int EntryCount = 32767;

const char *const Words[] = {"Anvil",  "Arrow", "Basket",  "Cedar",   "Delta", "Ember", "Falcon", "Garnet",
                             "Harbor", "Iris",  "Juniper", "Kestrel", "Lumen", "Maple", "Nimbus", "Orchid"};

// The entry managers and what they work on, over a full data file.
struct FullTable {
    FullTable()
    {
        folder = std::make_unique<QTemporaryDir>(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/lvbench-XXXXXX")
                                                                           : QDir::tempPath() + "/lvbench-XXXXXX");
        StampNow();
        table = std::make_unique<TV9LockvexTbl>(true);
        table->OpenPool(folder->path() + QStringLiteral("/TrelLockvex.acsdb"));
        lists.LockvexTbl = items.LockvexTbl = table.get();
        Fill();
        lists.SearchActive = false;
        int current = 0;
        lists.BuildItemList(QString(), QString(), 0, current); // as the sign-in does
    }
    ~FullTable()
    {
        table.reset();
    }

    void Fill()
    {
        TLockvexRec rec;
        for (int i = 0; i < EntryCount; ++i) {
            QString name = QStringLiteral("%1 %2 %3")
                               .arg(QLatin1String(Words[i % 16]), QLatin1String(Words[(i / 16) % 16]))
                               .arg(i);
            int key = table->AddLockvexIndexItem(name);
            rec.Init();
            rec.SetName(name);
            rec.SetURL(QStringLiteral("https://example.com/%1").arg(i));
            rec.SetCustID(QStringLiteral("user%1").arg(i));
            rec.SetPassword(QStringLiteral("Pw%1x").arg(i % 5000));
            rec.SetEntryPassword(i % 97 == 0);
            (void)table->WriteLockvexRec(key, &rec);
            keys.push_back(key);
            names.push_back(name);
        }
    }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<TV9LockvexTbl> table;
    TRunState run;                       // the windows' mode, folders and screen: none of the program's
    TLockvexMessages messages;           // nobody answers: a question is answered No
    TLVDlgProcs dlgProcs{run, messages}; // the windows' settings and pages
    TLockvexRec shared;
    TListManager lists{nullptr}; // on table, once it is open
    TItemManager items{nullptr, &shared, &lists};
    std::vector<int> keys;
    std::vector<QString> names; // of keys[i]
};

// Writes the full data file at path in a child process, so that what writing it takes, in time
// and in memory, stays out of the calling process's figures.
inline bool WriteFullFileElsewhere(const QString &path)
{
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        bool ok = false;
        {
            FullTable full;
            const QString written = full.table->GetPoolFileName();
            full.table->CloseTable();
            ok = QFile::copy(written, path);
        }
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace
