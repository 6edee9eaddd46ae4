// The CSV import engine over generated files of 10,000 and 100,000 records, beside a plain
// line-by-line read of the same file. Every one of the fourteen mapped columns is filled; every
// fifth record has a quoted URL holding separators and every seventh quoted notes over three
// lines. Run from the build folder: ./bench/bench_import
//
// The reference is Python's csv.reader building the list of rows of the same file, run by
// python3 after every pass of the engine so that both meet the same load on a shared machine.
// Python times its own loop (start-up not counted). ImportEngine reports it as python_ms and
// the engine's time against it as vs_python (wall clock) and vs_python_cpu (processor time of
// each process); below 1 the engine is the faster. Without python3 the counters are left out.
//
// The engine's duplicate-name test is a hash lookup here, as the entry table's is, so that the
// figures are those of reading, parsing, converting and logging.

#include "app/MgrImportFiles.h"
#include "app/RunState.h"
#include "common/TextFiles.h"
#include "import/LockvexImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <map>
#include <memory>
#include <optional>

namespace
{

QTemporaryDir &WorkFolder()
{
    static QTemporaryDir folder;
    return folder;
}

QByteArray Record(int i)
{
    QByteArray n = QByteArray::number(i);
    QByteArray line = "Site " + n + ",";
    if (i % 5 == 0)
        line += "\"https://example.com/login?a=1,b=2;c=" + n + "\",";
    else
        line += "https://example.com/login/" + n + ",";
    line += "user" + n + ",12" + n.right(2) + ",Pw!" + n + "xY9,";
    for (int q = 1; q <= 4; ++q)
        line += "Question " + QByteArray::number(q) + " of " + n + ",answer" + QByteArray::number(q) + ",";
    if (i % 7 == 0)
        line += "\"notes of " + n + ", first line\r\nsecond line; with a semicolon\r\nthird \"\"quoted\"\" line\"";
    else
        line += "notes of " + n;
    return line + "\r\n";
}

// A file of the given number of records after one header line, made once per size.
QString GeneratedFile(int records)
{
    static std::map<int, QString> made;
    auto found = made.find(records);
    if (found != made.end())
        return found->second;
    QString name = WorkFolder().filePath(QStringLiteral("import-%1.csv").arg(records));
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    f.write("Name,URL,Customer ID,PIN,Password,Q1,A1,Q2,A2,Q3,A3,Q4,A4,Notes\r\n");
    for (int i = 1; i <= records; ++i)
        f.write(Record(i));
    made[records] = name;
    return name;
}

// Seconds of wall clock and of this process's processor time.
struct Seconds {
    double Wall = 0;
    double Cpu = 0;
};

Seconds Now()
{
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const auto wall = std::chrono::steady_clock::now().time_since_epoch();
    return {std::chrono::duration<double>(wall).count(), double(cpu.tv_sec) + double(cpu.tv_nsec) * 1e-9};
}

// Python's csv.reader building the list of rows of the file, as Python times it; nothing when
// python3 is missing or fails. Latin-1 reads the same bytes as the engine's Windows-1252 here
// (the file is ASCII) and is Python's fastest 8-bit decoding.
std::optional<Seconds> PythonCsvReader(const QString &file, int rows)
{
    static const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        return std::nullopt;
    static const QString script =
        QStringLiteral("import csv, sys, time\n"
                       "w = time.perf_counter(); c = time.process_time()\n"
                       "with open(sys.argv[1], newline='', encoding='latin-1') as f:\n"
                       "    rows = list(csv.reader(f))\n"
                       "print(time.perf_counter() - w, time.process_time() - c, len(rows))\n");
    QProcess process;
    process.start(python, {QStringLiteral("-c"), script, file});
    if (!process.waitForFinished(10 * 60 * 1000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> figures = process.readAllStandardOutput().simplified().split(' ');
    if (figures.size() != 3 || figures[2].toInt() != rows)
        return std::nullopt;
    return Seconds{figures[0].toDouble(), figures[1].toDouble()};
}

void ImportEngine(benchmark::State &state)
{
    const int records = static_cast<int>(state.range(0));
    const QString file = GeneratedFile(records);
    int imported = 0;
    Seconds engineTime, pythonTime;
    bool withPython = true;
    TRunFolders folders;               // no settings file: the logs are named nowhere
    TImportFiles importFiles{folders}; // each run's log gives way to the next one's, as in one program run
    for (auto _ : state) {
        const Seconds start = Now();
        QSet<QString> names;
        TImportExport engine(importFiles);
        engine.SetDupeNameTest([&names](const QString &name) { return names.contains(name); });
        engine.ImpExFormat.ImpExFileName = file;
        engine.ImpExFormat.HeaderLines = "1";
        for (int k = 1; k <= ImportedEntryFields; ++k)
            engine.ImpExFormat.ImportFields[k] = k;
        ItemManagerParams params;
        imported = 0;
        for (bool more = engine.GetFirstImportRec(params); more; more = engine.GetNextImportRec(params)) {
            names.insert(params.ItemName);
            engine.ImportCSVUserAction(ImportUserAction::Accepted);
            ++imported;
        }
        benchmark::DoNotOptimize(params);
        const Seconds end = Now();
        engineTime.Wall += end.Wall - start.Wall;
        engineTime.Cpu += end.Cpu - start.Cpu;
        if (withPython) {
            state.PauseTiming();
            const std::optional<Seconds> reference = PythonCsvReader(file, records + 1);
            withPython = reference.has_value();
            if (reference) {
                pythonTime.Wall += reference->Wall;
                pythonTime.Cpu += reference->Cpu;
            }
            state.ResumeTiming();
        }
    }
    if (imported != records)
        state.SkipWithError("not every record was imported");
    state.SetItemsProcessed(state.iterations() * records);
    state.SetBytesProcessed(state.iterations() * QFile(file).size());
    if (withPython && pythonTime.Wall > 0 && pythonTime.Cpu > 0) {
        state.counters["python_ms"] = 1000 * pythonTime.Wall / double(state.iterations());
        state.counters["vs_python"] = engineTime.Wall / pythonTime.Wall;
        state.counters["vs_python_cpu"] = engineTime.Cpu / pythonTime.Cpu;
    } else {
        state.SetLabel("python3 not found: no reference");
    }
}

void PlainLineRead(benchmark::State &state)
{
    const int records = static_cast<int>(state.range(0));
    const QString file = GeneratedFile(records);
    for (auto _ : state) {
        TextFile f;
        OpenTextForRead(f, file);
        QByteArray line;
        qsizetype total = 0;
        while (!AtEndOfText(f)) {
            ReadTextLine(f, line);
            total += line.size();
        }
        CloseText(f);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * records);
    state.SetBytesProcessed(state.iterations() * QFile(file).size());
}

BENCHMARK(ImportEngine)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainLineRead)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
