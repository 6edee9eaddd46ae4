// The exit of a full data file (32,767 entries): the entry table's close writes the compacted
// TEMP copy, flushes it, closes the data file and makes the copy the newest backup; on the first
// close of a day the newest backup first becomes the older one. Each run of the close is paired
// with a reference run over the same data file on the same disk: the file copied in 128 KiB
// blocks as `cp` copies it, then flushed with its folder, as `sync` would (`cp` + `sync` of that
// file alone, without the other dirty data of the machine). Run from the build folder:
// ./bench/bench_exit
//
// The close and its references alternate, so that all meet the same load of the machine. The
// counters are medians over the runs: exit_ms (the close), cp_sync_ms (the reference) and ratio
// (the median of the paired ratios close / reference). The data file lies in the temporary
// folder on the disk: in memory a flush costs nothing and the figure would say little.
//
// The reference copies into a new file, while every close replaces a backup of the same size,
// whose blocks and cached pages the system then frees. cp_over_ms and ratio_over give a second
// reference that pays the same: the copy made over the reference copy of the run before.
// cp_cmd_ms and ratio_cmd give the commands themselves: `cp data copy` then `sync copy` (the
// sync of that file only: a plain `sync` would wait for every other program's writes), each a
// process of its own.

#include "FullTable.h"
#include "Median.h"

#include "platform/Platform.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace
{

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The full data file, written once by the shared fixture and copied to the disk.
QTemporaryDir &DiskFolder()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/lockvex-exit-bench-XXXXXX"));
    return folder;
}

QString FullDataFileOnDisk()
{
    static QString made;
    if (!made.isEmpty())
        return made;
    const QString data = DiskFolder().path() + QStringLiteral("/TrelLockvex.acsdb");
    {
        FullTable full;
        QFile::copy(full.table->GetPoolFileName(), data);
    }
    QFile::setPermissions(data, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    {
        // A first close, so that every run finds a newest backup as a running program does.
        TV9LockvexTbl table(true);
        table.OpenPool(data);
    }
    made = data;
    return made;
}

// cp of the data file, then its flush and its folder's: the reference.
double CopyAndSync(const QString &data, const QString &target)
{
    const auto start = std::chrono::steady_clock::now();
    const int in = ::open(QFile::encodeName(data).constData(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::vector<char> buffer(128 * 1024);
    ssize_t n = 0;
    while ((n = ::read(in, buffer.data(), buffer.size())) > 0)
        if (::write(out, buffer.data(), size_t(n)) != n)
            break;
    ::fsync(out);
    ::close(out);
    ::close(in);
    platform::Current().FlushFolderOf(target);
    return MillisecondsSince(start);
}

// The commands cp and sync, run as the shell would run them.
double CopyAndSyncCommands(const QString &data, const QString &target)
{
    const auto start = std::chrono::steady_clock::now();
    QProcess::execute(QStringLiteral("cp"), {data, target});
    QProcess::execute(QStringLiteral("sync"), {target});
    return MillisecondsSince(start);
}

// firstOfDay 0: a close later the same day (the copy replaces the newest backup); 1: the first
// close of a day (the newest backup, dated yesterday, first becomes the older one).
void BM_ExitOfAFullTable(benchmark::State &state)
{
    const bool firstOfDay = state.range(0) != 0;
    const QString data = FullDataFileOnDisk();
    const QString bac0 = DiskFolder().path() + QStringLiteral("/TrelLockvex.BAC0");
    const QString reference = DiskFolder().path() + QStringLiteral("/reference-copy");
    const QString over = DiskFolder().path() + QStringLiteral("/reference-over");
    const QString byCommands = DiskFolder().path() + QStringLiteral("/reference-cp");
    std::vector<double> exits, references, ratios, overs, overRatios, commands, commandRatios;
    CopyAndSync(data, over);
    for (auto _ : state) {
        QFile::remove(reference);
        QFile::remove(byCommands);
        if (firstOfDay) {
            QFile backup(bac0);
            if (backup.open(QIODevice::ReadWrite))
                backup.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime);
        }
        auto table = std::make_unique<TV9LockvexTbl>(true);
        if (!table->OpenPool(data) || table->NumRecords() != EntryCount) {
            state.SkipWithError("the data file did not open whole");
            break;
        }
        // Every timed step starts with nothing left to write by the steps before it (a sync not
        // timed), and the close goes first in every other run, so that neither side always meets
        // the other's write-back.
        double exit = 0, copy = 0, copyOver = 0, copyCommands = 0;
        TTableCloseOutcome outcome;
        const auto close = [&] {
            ::sync();
            const auto start = std::chrono::steady_clock::now();
            outcome = table->CloseTable();
            exit = MillisecondsSince(start);
        };
        const bool closeFirst = exits.size() % 2 == 0;
        if (closeFirst)
            close();
        ::sync();
        copy = CopyAndSync(data, reference);
        ::sync();
        copyOver = CopyAndSync(data, over);
        ::sync();
        copyCommands = CopyAndSyncCommands(data, byCommands);
        if (!closeFirst)
            close();
        if (!outcome.Ok()) {
            state.SkipWithError(qPrintable(outcome.Failure));
            break;
        }
        table.reset();
        state.SetIterationTime(exit / 1000);
        exits.push_back(exit);
        references.push_back(copy);
        ratios.push_back(exit / copy);
        overs.push_back(copyOver);
        overRatios.push_back(exit / copyOver);
        commands.push_back(copyCommands);
        commandRatios.push_back(exit / copyCommands);
    }
    QFile::remove(byCommands);
    QFile::remove(reference);
    QFile::remove(over);
    state.counters["exit_ms"] = Median(exits);
    state.counters["cp_sync_ms"] = Median(references);
    state.counters["ratio"] = Median(ratios);
    state.counters["cp_over_ms"] = Median(overs);
    state.counters["ratio_over"] = Median(overRatios);
    state.counters["cp_cmd_ms"] = Median(commands);
    state.counters["ratio_cmd"] = Median(commandRatios);
    state.SetLabel(firstOfDay ? "first close of a day" : "plain close");
}

} // namespace

BENCHMARK(BM_ExitOfAFullTable)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("first_of_day")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(21);

BENCHMARK_MAIN();
