// The record store: adding 1,000, 10,000 and 30,000 entries one by one to a new data file
// (AddLockvexIndexItem + WriteLockvexRec, each write flushed to the disk), and opening a data
// file of 32,767 entries beside a plain read of the same bytes. Run from the build folder:
// ./bench/bench_store
//
// BM_OpenFullDataFile times the open alone (scan, decipher, checks, index; not the freeing of
// the table afterwards) and, in the same iteration just before it, a plain loop reading the
// same file in 64 KiB blocks, so that both meet the same load of a shared machine. Its Time is
// the open's (wall clock); the counters give the reference (read_64k_ms) and the medians of the
// per-iteration ratios open / reference, on the wall clock (ratio, the measure) and on the
// calling thread's CPU time (ratio_cpu; the open reads ahead on a second thread, whose time it
// does not count, so it shows only what the scan itself costs).
//
// BM_AddEntriesCheckingNames adds as an accept-all import does: each name is first looked for
// among the names in use (check 0: the entry table's DupeNameExists; check 1: a walk of the
// whole index, as that check once was), in memory, so that per_entry at 30,000 beside 1,000
// shows whether the check grows with the file.
//
// The additions run twice: in a folder on the disk, where every record write waits for its
// flush, and in /dev/shm (memory), where the flush costs nothing and the figure is the store's
// own work. The counter per_entry is the (wall-clock) time per added entry; it must not grow
// with the size of the file. On the disk it is mostly the flush, and varies with the machine.

#include "StoreFixture.h"
#include "Median.h"

#include "common/DateStamp.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

void BM_AddEntries(benchmark::State &state)
{
    const int count = int(state.range(0));
    const bool inMemory = state.range(1) != 0;
    const QString data = FolderFor(inMemory) + QStringLiteral("/TrelLockvex.acsdb");
    TLockvexRec rec;
    for (auto _ : state) {
        state.PauseTiming();
        auto table = NewTable(data);
        state.ResumeTiming();
        for (int i = 0; i < count; ++i) {
            const int key = table->AddLockvexIndexItem(QStringLiteral("Site %1").arg(i));
            FillEntry(rec, i);
            if (table->WriteLockvexRec(key, &rec) != WriteOK) {
                state.SkipWithError("a write failed");
                break;
            }
        }
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
    state.counters["per_entry"] =
        benchmark::Counter(double(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    QFile::remove(data);
}

void BM_AddEntriesCheckingNames(benchmark::State &state)
{
    const int count = int(state.range(0));
    const bool walk = state.range(1) != 0;
    const QString data = FolderFor(true) + QStringLiteral("/Checked.acsdb");
    TLockvexRec rec;
    int duplicates = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto table = NewTable(data);
        state.ResumeTiming();
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("Site %1").arg(i);
            bool inUse = false;
            if (walk) {
                const QByteArray bytes = name.toLatin1();
                TPoolIndexRec *entry = nullptr;
                for (bool more = table->GetFirstIndexItem(entry, FullScan); more && !inUse;
                     more = table->GetNextIndexItem(entry, FullScan))
                    inUse = entry->IndexedNameBytes() == bytes;
            } else {
                inUse = table->DupeNameExists(name);
            }
            if (inUse) {
                ++duplicates;
                continue;
            }
            const int key = table->AddLockvexIndexItem(name);
            FillEntry(rec, i);
            if (table->WriteLockvexRec(key, &rec) != WriteOK) {
                state.SkipWithError("a write failed");
                break;
            }
        }
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(duplicates);
    state.counters["per_entry"] =
        benchmark::Counter(double(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    QFile::remove(data);
}

// A data file of 32,767 entries, written once (in one sequential rewrite).
QString FullDataFile()
{
    static QString made;
    if (!made.isEmpty())
        return made;
    made = DiskFolder().path() + QStringLiteral("/full.pool");
    TV9LockvexTbl table(true);
    table.SetPoolName(made);
    table.OpenPoolForSeqWrite();
    TLockvexRec rec;
    for (int i = 0; i < MaxCollectionSize; ++i) {
        FillEntry(rec, i);
        rec.SetKey(i);
        table.WriteSeqPoolRec(&rec);
    }
    table.ClosePoolForSeqWrite();
    return made;
}

struct Elapsed {
    double Wall = 0; // seconds
    double Cpu = 0;  // seconds of this thread
};

double ClockSeconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

template <typename Work> Elapsed Timed(Work work)
{
    const double wall = ClockSeconds(CLOCK_MONOTONIC), cpu = ClockSeconds(CLOCK_THREAD_CPUTIME_ID);
    work();
    return {ClockSeconds(CLOCK_MONOTONIC) - wall, ClockSeconds(CLOCK_THREAD_CPUTIME_ID) - cpu};
}

// Reads the whole file in chunks of the given size; the bytes read.
qint64 ReadWholeFile(const QByteArray &path, std::vector<char> &buffer)
{
    qint64 total = 0;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    ssize_t n = 0;
    while ((n = ::read(fd, buffer.data(), buffer.size())) > 0)
        total += n;
    ::close(fd);
    return total;
}

void BM_OpenFullDataFile(benchmark::State &state)
{
    const QString data = FullDataFile();
    const QByteArray path = QFile::encodeName(data);
    std::vector<char> buffer(65536);
    std::vector<double> reads, wallRatios, cpuRatios;
    qint64 total = 0;
    for (auto _ : state) {
        const Elapsed read = Timed([&] { total += ReadWholeFile(path, buffer); });
        std::unique_ptr<TV9LockvexTbl> table;
        bool whole = false;
        const Elapsed open = Timed([&] {
            table = std::make_unique<TV9LockvexTbl>(true);
            whole = table->OpenPool(data) && table->NumRecords() == MaxCollectionSize;
        });
        state.SetIterationTime(open.Wall);
        table.reset();
        if (!whole) {
            state.SkipWithError("the data file did not open whole");
            break;
        }
        reads.push_back(read.Wall);
        wallRatios.push_back(open.Wall / read.Wall);
        cpuRatios.push_back(open.Cpu / read.Cpu);
    }
    benchmark::DoNotOptimize(total);
    state.counters["records"] = MaxCollectionSize;
    state.counters["read_64k_ms"] = Median(reads) * 1000;
    state.counters["ratio"] = Median(wallRatios);
    state.counters["ratio_cpu"] = Median(cpuRatios);
}

// The same bytes read with a plain loop: one record per read, or 64 KiB per read.
void BM_PlainReadOfTheSameBytes(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(FullDataFile());
    std::vector<char> buffer(state.range(0) == 0 ? size_t(LockvexRecSize) : size_t(65536));
    qint64 total = 0;
    for (auto _ : state)
        total += ReadWholeFile(path, buffer);
    benchmark::DoNotOptimize(total);
    state.SetLabel(buffer.size() == size_t(LockvexRecSize) ? "1284-byte reads" : "64 KiB reads");
}

} // namespace

BENCHMARK(BM_AddEntries)
    ->ArgsProduct({{1000, 10000, 30000}, {0, 1}})
    ->ArgNames({"entries", "in_memory"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_AddEntriesCheckingNames)
    ->ArgsProduct({{1000, 30000}, {0, 1}})
    ->ArgNames({"entries", "walk"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_OpenFullDataFile)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_PlainReadOfTheSameBytes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    StampNow();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
