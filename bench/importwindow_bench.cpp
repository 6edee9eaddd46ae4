// "Import all items" in the import window: 10,000 records of a CSV file accepted through the
// window's accept step (the engine reads each record, the window saves it as a new entry through
// the item manager, each write flushed to the disk, then the engine logs it), beside the store's
// own adding of as many entries (the loop of bench_store's BM_AddEntries, run here in the same
// process so that the two figures are taken together). Run from the build folder:
// ./bench/bench_importwindow
//
// Both run on the disk and in /dev/shm (memory), where a flush costs nothing and the figure is
// the program's own work. The window runs offscreen; its completion question is answered No.
//
// BM_AcceptAllWithSaving takes the number of records too (1,000, 30,000 and 32,767, the store's
// most) and reports in one run: the window's time per record (per_record_us), the store's own
// adding of as many entries into a fresh table right after it (store_per_record_us), their
// ratio (vs_store) and, from 30,000 on, the time per record against that of the 1,000-record run
// on the same medium (vs_1000): a cost that grows with the number of entries shows there.

#include "StoreFixture.h"

#include "app/LockvexMsgdial.h"
#include "app/MgrImportFiles.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/RunState.h"
#include "common/DateStamp.h"
#include "entries/LockvexStringList.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "ui/import/DLockvexDataImport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>

namespace
{

constexpr int Records = 10000;

// The entries FillEntry writes, as the lines of a CSV file with a header line.
QString WriteImportFile(const QString &folder, int records = Records)
{
    const QString name = folder + QStringLiteral("/passwords-%1.csv").arg(records);
    QFile file(name);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write("name,url,username,password,note\r\n");
    for (int i = 0; i < records; ++i)
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
            (void)table->WriteLockvexRec(key, &rec);
        }
        state.PauseTiming();
        table->SetRunOnMemstick(true); // no TEMP copy or backups that the next run would find
        table.reset();
        state.ResumeTiming();
    }
    state.counters["per_entry"] = benchmark::Counter(double(Records), benchmark::Counter::kIsIterationInvariantRate |
                                                                          benchmark::Counter::kInvert);
    QFile::remove(data);
}

// The store's own adding of `records` entries into a fresh table, as BM_StoreAddsEntries does it;
// seconds.
double StoreAddsEntries(const QString &data, int records)
{
    TLockvexRec rec;
    auto table = NewTable(data);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < records; ++i) {
        const int key = table->AddLockvexIndexItem(QStringLiteral("Site %1").arg(i));
        FillEntry(rec, i);
        (void)table->WriteLockvexRec(key, &rec);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    table.reset();
    QFile::remove(data);
    return took.count();
}

// The entry managers the window saves through, for the life of one benchmark.
struct EntryManagers {
    TLockvexRec SharedRec;
    TListManager Lists{nullptr}; // on the table of each run
    TItemManager Items{nullptr, &SharedRec, &Lists};
    TLockvexMessages RunMessages;
    ScopedMessageResponder Messages{RunMessages, false}; // the completion question answered No closes the window
    TRunState Run;                                       // the settings file in the benchmark's folder
    TImportFiles ImportFiles{Run.Folders}; // the logs, each giving way to the next one's as in one program run

    explicit EntryManagers(const QString &folder) { Run.Folders.IniFileName = folder + QStringLiteral("/Lockvex.INI"); }
};

// The window, set up on a fresh table for the import file with every record accepted, and closed
// when the import ends.
struct AcceptAllRun {
    std::unique_ptr<TV9LockvexTbl> Table;
    TLVDlgProcs DlgProcs;
    std::unique_ptr<TLockvexDataImportDlg> Dialog;

    AcceptAllRun(EntryManagers &managers, const QString &data, const QString &csv)
        : DlgProcs(managers.Run, managers.RunMessages)
    {
        DlgProcs.SetImportFiles(&managers.ImportFiles);
        Table = NewTable(data);
        Table->SetRunOnMemstick(false); // the item manager writes nothing on a memory stick
        managers.Items.LockvexTbl = managers.Lists.LockvexTbl = Table.get();
        Dialog = std::make_unique<TLockvexDataImportDlg>(managers.Items, DlgProcs);
        Dialog->FileNameEdit->setText(csv);
        const char *columns[] = {"1", "2", "3", "0", "4", "0", "0", "0", "0", "0", "0", "0", "0", "5"};
        for (int k = 1; k <= 14; ++k)
            Dialog->Col[k]->setText(QLatin1String(columns[k - 1]));
        Dialog->HeadersCheckBox->setChecked(true);
    }
    ~AcceptAllRun()
    {
        Dialog.reset();
        Table->SetRunOnMemstick(true); // no TEMP copy or backups that the next run would find
        Table.reset();
    }
    // "Import all items" to the end; the number of records imported.
    int Run()
    {
        Dialog->ImportCSVBtn->click();
        Dialog->AcceptAllCheckBox->setChecked(true);
        QEventLoop loop;
        QObject::connect(Dialog.get(), &QDialog::finished, &loop, &QEventLoop::quit);
        Dialog->AcceptBtn->click();
        if (Dialog->AcceptingAll())
            loop.exec();
        return Dialog->TotalImported();
    }
};

void BM_AcceptAllWithSaving(benchmark::State &state)
{
    static std::map<bool, double> perRecordAt1000; // per medium
    const int records = static_cast<int>(state.range(0));
    const bool inMemory = state.range(1) != 0;
    const QString folder = FolderFor(inMemory);
    const QString data = folder + QStringLiteral("/TrelLockvex.acsdb");
    const QString csv = WriteImportFile(folder, records);
    EntryManagers managers(folder);
    int imported = 0;
    double window = 0, store = 0;
    for (auto _ : state) {
        {
            AcceptAllRun run(managers, data, csv);
            const auto start = std::chrono::steady_clock::now();
            imported = run.Run();
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            state.SetIterationTime(took.count());
            window += took.count();
        }
        QFile::remove(data);
        store += StoreAddsEntries(data, records);
    }
    QFile::remove(csv);
    if (imported != records) {
        state.SkipWithError("not every record was imported");
        return;
    }
    const double perRecord = window / double(state.iterations()) / records;
    state.counters["per_record_us"] = 1e6 * perRecord;
    state.counters["store_per_record_us"] = 1e6 * store / double(state.iterations()) / records;
    state.counters["vs_store"] = window / store;
    if (records == 1000)
        perRecordAt1000[inMemory] = perRecord;
    else if (perRecordAt1000.count(inMemory))
        state.counters["vs_1000"] = perRecord / perRecordAt1000[inMemory];
}

void BM_WindowAcceptsAll(benchmark::State &state)
{
    const QString folder = FolderFor(state.range(0) != 0);
    const QString data = folder + QStringLiteral("/TrelLockvex.acsdb");
    const QString csv = WriteImportFile(folder);
    TRunState run; // the settings file in the benchmark's folder
    run.Folders.IniFileName = folder + QStringLiteral("/Lockvex.INI");
    TLockvexMessages runMessages;
    ScopedMessageResponder messages(runMessages, false); // the completion question answered No closes the window
    TLockvexRec sharedRec;
    TListManager lists{nullptr}; // on the table of each run
    TItemManager items{nullptr, &sharedRec, &lists};
    TLVDlgProcs dlgProcs{run, runMessages};
    TImportFiles importFiles{run.Folders}; // the logs, each giving way to the next one's as in one program run
    dlgProcs.SetImportFiles(&importFiles);
    int imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto table = NewTable(data);
        table->SetRunOnMemstick(false); // the item manager writes nothing on a memory stick
        lists.LockvexTbl = items.LockvexTbl = table.get();
        TLockvexDataImportDlg dialog(items, dlgProcs);
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
        table->SetRunOnMemstick(true); // no TEMP copy or backups that the next run would find
        table.reset();
        state.ResumeTiming();
    }
    if (imported != Records)
        state.SkipWithError("not every record was imported");
    state.counters["per_entry"] = benchmark::Counter(double(Records), benchmark::Counter::kIsIterationInvariantRate |
                                                                          benchmark::Counter::kInvert);
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

// In memory first: the disk runs flush every record and take minutes at 30,000.
BENCHMARK(BM_AcceptAllWithSaving)
    ->ArgNames({"records", "in_memory"})
    ->Args({1000, 1})
    ->Args({30000, 1})
    ->Args({32767, 1})
    ->Args({1000, 0})
    ->Args({30000, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
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
