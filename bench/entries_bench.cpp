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

#include "FullTable.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

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
