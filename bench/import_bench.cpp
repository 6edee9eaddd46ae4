// The CSV import engine over generated files of 10,000 and 100,000 records, beside a plain
// line-by-line read of the same file. Every one of the fourteen mapped columns is filled; every
// fifth record has a quoted URL holding separators and every seventh quoted notes over three
// lines. Run from the build folder: ./bench/bench_import
//
// The engine's duplicate-name test is a hash lookup here, so that the figures are those of
// reading, parsing and logging; the entry table's own test walks its index.

#include "common/TextFiles.h"
#include "import/LockvexImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

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

void ImportEngine(benchmark::State &state)
{
    const int records = static_cast<int>(state.range(0));
    const QString file = GeneratedFile(records);
    int imported = 0;
    for (auto _ : state) {
        QSet<QString> names;
        TImportExport engine;
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
    }
    if (imported != records)
        state.SkipWithError("not every record was imported");
    state.SetItemsProcessed(state.iterations() * records);
    state.SetBytesProcessed(state.iterations() * QFile(file).size());
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
