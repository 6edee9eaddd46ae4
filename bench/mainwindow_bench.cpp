// The main window over a data file of 32,767 entries (the store's maximum), offscreen: the
// window's own refresh per key typed into the search box (one letter, three letters, clearing
// it), a letter-tab jump, and a save followed by its refresh, each including the list view's
// repaint. Each should stay within one 60 Hz frame (16.7 ms), a save and its refresh within
// 5 ms. Run from the build folder:
// ./bench/bench_mainwindow
//
// The data file is built once in /dev/shm (memory) when it exists, so that building it does not
// wait for 32,767 flushes.

#include "common/DateStamp.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "ui/main/DLockvexMain.h"
#include "ui/shared/LetterTabs.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListView>
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

// The window shown once over the full table.
TLockvexMainDlg &Window()
{
    static TLockvexMainDlg *window = [] {
        Table();
        auto *w = new TLockvexMainDlg(Table().lists, Table().items, Table().dlgProcs);
        w->show();
        QApplication::processEvents();
        return w;
    }();
    return *window;
}

// A control of the main window by its object name.
template <class T> T *Control(const TLockvexMainDlg &w, const char *name)
{
    return w.findChild<T *>(QString::fromLatin1(name));
}

// What the user sees after the handler: the list view painted.
void Paint(TLockvexMainDlg &w)
{
    Control<QListView>(w, "ItemList")->viewport()->repaint();
}

void BM_SearchKey(benchmark::State &state)
{
    TLockvexMainDlg &w = Window();
    const QString text = state.range(0) == 0   ? QString()
                         : state.range(0) == 1 ? QStringLiteral("a")
                                               : QStringLiteral("arb");
    for (auto _ : state) {
        state.PauseTiming();
        // Before each key: the search box holds the text less its last character, as typed.
        Control<QLineEdit>(w, "SearchArg")->setText(text.isEmpty() ? QStringLiteral("a") : text.chopped(1));
        w.SearchArgKeyUp();
        Control<QLineEdit>(w, "SearchArg")->setText(text);
        state.ResumeTiming();
        w.SearchArgKeyUp();
        Paint(w);
    }
    state.SetLabel(state.range(0) == 0 ? "clearing the box" : state.range(0) == 1 ? "one letter" : "third letter");
    Control<QLineEdit>(w, "SearchArg")->clear();
    Table().lists.SearchActive = false;
}

void BM_TabJump(benchmark::State &state)
{
    TLockvexMainDlg &w = Window();
    int tab = 1;
    for (auto _ : state) {
        w.ItemListTabsMouseDown(tab);
        Control<TLetterTabs>(w, "ItemListTabs")->SetCurrentIndex(tab);
        w.ItemListTabsMouseUp(tab);
        Paint(w);
        tab = tab % 26 + 1;
    }
}

// A save of the entry shown and the refresh after it: its content (a user name), its password
// (to one that other entries use, and back) or its name (to one that sorts elsewhere, and back).
void BM_SaveAndRefresh(benchmark::State &state)
{
    TLockvexMainDlg &w = Window();
    Control<QLineEdit>(w, "SearchArg")->clear();
    Table().lists.SearchActive = false;
    // The entry as first shown: a run of the benchmark may end on the other text.
    static const QString name = Control<QLineEdit>(w, "ItemName")->text();
    static const QString password = Control<QLineEdit>(w, "Password")->text();
    int i = 0;
    const int countBefore = Table().table->GetUpdateCount();
    for (auto _ : state) {
        const bool away = i++ % 2 == 0;
        if (state.range(0) == 0)
            Control<QLineEdit>(w, "CustID")->setText(QStringLiteral("changed%1").arg(i));
        else if (state.range(0) == 1)
            Control<QLineEdit>(w, "Password")->setText(away ? QStringLiteral("Pw4321x") : password);
        else
            Control<QLineEdit>(w, "ItemName")->setText(away ? QStringLiteral("Renamed entry") : name);
        benchmark::DoNotOptimize(w.SaveItem(false));
        Paint(w);
    }
    state.SetLabel(state.range(0) == 0 ? "content" : state.range(0) == 1 ? "password" : "name");
    state.counters["writes"] = double(Table().table->GetUpdateCount() - countBefore) / double(i);
}

} // namespace

BENCHMARK(BM_SearchKey)->Arg(1)->Arg(3)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TabJump)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveAndRefresh)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
