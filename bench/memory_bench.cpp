// Resident memory of a program that has opened a data file of 32,767 entries (the store's
// maximum) and built the lists the main window shows: VmRSS and its peak VmHWM, in MiB, from
// /proc/self/status, and what the open and then the lists added to VmRSS. The goal is under
// 32 MiB. Run from the build folder:
// ./bench/bench_memory
//
// The data file is written by a child process, so that what writing it takes stays out of the
// figures; this process only opens it and builds the lists, as a start of the program does.

#include "common/DateStamp.h"
#include "entries/MgrLockvexLists.h"
#include "store/TBDALockvexData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "FullTable.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace
{

// A line of /proc/self/status such as "VmRSS:  27000 kB", in MiB; -1 when absent.
double StatusMiB(const char *field)
{
    FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    double mib = -1;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, n) == 0 && line[n] == ':')
            mib = std::atof(line + n + 1) / 1024.0;
    std::fclose(status);
    return mib;
}

void BM_OpenAndBuildLists(benchmark::State &state)
{
    QTemporaryDir folder(QFile::exists("/dev/shm") ? QStringLiteral("/dev/shm/lvmem-XXXXXX")
                                                   : QDir::tempPath() + "/lvmem-XXXXXX");
    const QString path = folder.path() + QStringLiteral("/TrelLockvex.acsdb");
    if (!WriteFullFileElsewhere(path)) {
        state.SkipWithError("the data file could not be written");
        return;
    }
    const double before = StatusMiB("VmRSS");
    int entries = 0;
    for (auto _ : state) {
        StampNow();
        auto table = std::make_unique<TV9LockvexTbl>(true);
        table->OpenPool(path);
        const double opened = StatusMiB("VmRSS");
        TListManager lists(table.get());
        int current = 0;
        lists.BuildItemList(QString(), QString(), 0, current);
        entries = lists.LockvexStrings->Count();
        state.counters["VmRSS_MiB"] = StatusMiB("VmRSS");
        state.counters["VmHWM_MiB"] = StatusMiB("VmHWM");
        state.counters["before_open_MiB"] = before;
        state.counters["open_added_MiB"] = opened - before;
        state.counters["lists_added_MiB"] = StatusMiB("VmRSS") - opened;
        table->CloseTable();
    }
    state.counters["entries"] = entries;
}

} // namespace

BENCHMARK(BM_OpenAndBuildLists)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
