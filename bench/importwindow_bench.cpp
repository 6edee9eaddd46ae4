// "Import all items" in the import window: 10,000 records of a CSV file accepted through the
// window's accept step (the engine reads each record, the window saves it as a new entry through
// the item manager, each write flushed to the disk, then the engine logs it), beside the store's
// own adding of as many entries (the loop of bench_store's BM_AddEntries, run here in the same
// process so that the two figures are taken together). Run from the build folder:
// ./bench/bench_importwindow
//
// Both run on the disk and in /dev/shm (memory), where a flush costs nothing and the figure is
// the program's own work. The window runs offscreen; its completion question is answered No.

#include "StoreFixture.h"

#include "app/LockvexMsgdial.h"
#include "common/DateStamp.h"
#include "common/Globals.h"
#include "entries/LockvexStringList.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "import/DLockvexDataImport.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

constexpr int Records = 10000;

// The entries FillEntry writes, as the lines of a CSV file with a header line.
QString WriteImportFile(const QString &folder)
{
    const QString name = folder + QStringLiteral("/passwords.csv");
    QFile file(name);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write("name,url,username,password,note\r\n");
    for (int i = 0; i < Records; ++i)
        file.write(QStringLiteral("Site %1,https://example.com/login/%1,user%1,Pw!%1xY9,notes of the entry\r\n")
                       .arg(i)
                       .toLatin1());
    return name;
}

void BM_StoreAddsEntries(benchmark::State &state)
{
    const QString data = FolderFor(state.range(0) != 0) + QStringLiteral("/TrelLockvex.acsdb");
    TLockvexRec rec;
    for (auto _ : state) {
        state.PauseTiming();
        auto table = NewTable(data);
        state.ResumeTiming();
        for (int i = 0; i < Records; ++i) {
            const int key = table->AddLockvexIndexItem(QStringLiteral("Site %1").arg(i));
            FillEntry(rec, i);
            table->WriteLockvexRec(key, &rec);
        }
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
    state.counters["per_entry"] = benchmark::Counter(double(Records), benchmark::Counter::kIsIterationInvariantRate |
                                                                          benchmark::Counter::kInvert);
    QFile::remove(data);
}

void BM_WindowAcceptsAll(benchmark::State &state)
{
    const QString folder = FolderFor(state.range(0) != 0);
    const QString data = folder + QStringLiteral("/TrelLockvex.acsdb");
    const QString csv = WriteImportFile(folder);
    IniFileName = folder + QStringLiteral("/Lockvex.INI");
    ScopedMessageResponder messages(false); // the completion question answered No closes the window
    TLockvexRec sharedRec;
    TListManager lists;
    TItemManager items;
    SharedLockvexRec = &sharedRec;
    ListManager = &lists;
    ItemManager = &items;
    CreateLockvexStringLists();
    int imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto table = NewTable(data);
        LockvexTbl = table.get();
        TLockvexDataImportDlg dialog;
        dialog.FileNameEdit->setText(csv);
        const char *columns[] = {"1", "2", "3", "0", "4", "0", "0", "0", "0", "0", "0", "0", "0", "5"};
        for (int k = 1; k <= 14; ++k)
            dialog.Col[k]->setText(QLatin1String(columns[k - 1]));
        dialog.HeadersCheckBox->setChecked(true);
        state.ResumeTiming();

        dialog.ImportCSVBtn->click();
        dialog.AcceptAllCheckBox->setChecked(true);
        QEventLoop loop;
        QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
        dialog.AcceptBtn->click();
        if (dialog.AcceptingAll())
            loop.exec();
        imported = dialog.TotalImported();

        state.PauseTiming();
        LockvexTbl = nullptr;
        table.reset();
        state.ResumeTiming();
    }
    if (imported != Records)
        state.SkipWithError("not every record was imported");
    state.counters["per_entry"] = benchmark::Counter(double(Records), benchmark::Counter::kIsIterationInvariantRate |
                                                                          benchmark::Counter::kInvert);
    FreeLockvexStringLists();
    SharedLockvexRec = nullptr;
    ListManager = nullptr;
    ItemManager = nullptr;
    QFile::remove(data);
}

} // namespace

BENCHMARK(BM_StoreAddsEntries)
    ->ArgName("in_memory")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_WindowAcceptsAll)
    ->ArgName("in_memory")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    StampNow();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
