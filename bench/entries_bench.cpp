// The lists the windows show, over a data file of 32,767 entries (the store's maximum): the
// browse refresh (BuildItemList without a search), a search with a one-letter and a
// three-letter text, and a save (SaveWebItem followed by the browse refresh the window makes
// after it). Each should stay within one 60 Hz frame (16.7 ms). Run from the build folder:
// ./bench/bench_entries
//
// The data file is built once in /dev/shm (memory) when it exists, so that building it does not
// wait for 32,767 flushes; the figures are the entry logic's and the store's own work.

#include "common/DateStamp.h"
#include "common/Globals.h"
#include "entries/EntryMessages.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int EntryCount = 32767;

const char *const Words[] = {"Anvil", "Arrow", "Basket", "Cedar", "Delta", "Ember", "Falcon", "Garnet",
                             "Harbor", "Iris", "Juniper", "Kestrel", "Lumen", "Maple", "Nimbus", "Orchid"};

// The global objects the entry managers work on, over a full data file.
struct FullTable {
    FullTable()
    {
        folder = std::make_unique<QTemporaryDir>(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/lvbench-XXXXXX")
                                                                            : QDir::tempPath() + "/lvbench-XXXXXX");
        StampNow();
        table = std::make_unique<TV9LockvexTbl>(true);
        table->OpenPool(folder->path() + QStringLiteral("/TrelLockvex.acsdb"));
        LockvexTbl = table.get();
        SharedLockvexRec = &shared;
        ListManager = &lists;
        ItemManager = &items;
        CreateLockvexStringLists();
        SetEntryMessageHook([](int, const QString &) { return true; });
        Fill();
        ListManager->SearchActive = false;
        int current = 0;
        ListManager->BuildItemList(QString(), QString(), 0, current); // as the sign-in does
    }
    ~FullTable()
    {
        SetEntryMessageHook({});
        FreeLockvexStringLists();
        table.reset();
        ResetGlobals();
    }

    void Fill()
    {
        TLockvexRec rec;
        for (int i = 0; i < EntryCount; ++i) {
            QString name = QStringLiteral("%1 %2 %3").arg(QLatin1String(Words[i % 16]), QLatin1String(Words[(i / 16) % 16])).arg(i);
            int key = table->AddLockvexIndexItem(name);
            rec.Init();
            rec.SetName(name);
            rec.SetURL(QStringLiteral("https://example.com/%1").arg(i));
            rec.SetCustID(QStringLiteral("user%1").arg(i));
            rec.SetPassword(QStringLiteral("Pw%1x").arg(i % 5000));
            rec.SetEntryPassword(i % 97 == 0);
            table->WriteLockvexRec(key, &rec);
            keys.push_back(key);
        }
    }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<TV9LockvexTbl> table;
    TLockvexRec shared;
    TListManager lists;
    TItemManager items;
    std::vector<int> keys;
};

FullTable &Table()
{
    static FullTable table;
    return table;
}

void BM_BrowseRefresh(benchmark::State &state)
{
    Table();
    ListManager->SearchActive = false;
    int current = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ListManager->BuildItemList(QString(), QStringLiteral("M"), 13, current));
}

void BM_Search(benchmark::State &state)
{
    Table();
    const QString text = state.range(0) == 1 ? QStringLiteral("a") : QStringLiteral("arb");
    ListManager->SearchActive = true;
    int current = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ListManager->BuildItemList(text, QString(), 0, current));
    ListManager->SearchActive = false;
    state.SetLabel(state.range(0) == 1 ? "one letter" : "three letters");
}

void BM_SaveAndRefresh(benchmark::State &state)
{
    FullTable &full = Table();
    ListManager->SearchActive = false;
    int current = 0, i = 0;
    for (auto _ : state) {
        int key = full.keys[size_t(i++ % EntryCount)];
        ItemManagerParams item = ItemManager->LoadWebItem(key);
        item.CustID = QStringLiteral("changed%1").arg(i);
        ItemManager->SaveWebItem(key, item);
        ListManager->BuildItemList(QString(), QString(), 0, current);
    }
}

} // namespace

BENCHMARK(BM_BrowseRefresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveAndRefresh)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
