#pragma once
// What the fuzz targets share: a Qt application object, the test platform with its fixed clock
// and temporary home (so that no real home is touched), a fresh folder for each input that is
// removed again afterwards, and the splitting of an input into parts.

#include "common/DateStamp.h"
#include "support/TestPlatform.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzz_support
{

// Parts of an input are separated by this marker; the seed generator writes it too.
inline constexpr char PartMarker[] = "\n--LVPART--\n";

// The parts of an input, split at each marker.
inline QList<QByteArray> SplitParts(const uint8_t *data, size_t size)
{
    const QByteArray all = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray marker(PartMarker);
    QList<QByteArray> parts;
    qsizetype start = 0;
    for (qsizetype at; (at = all.indexOf(marker, start)) >= 0; start = at + marker.size())
        parts.append(QByteArray(all.constData() + start, at - start));
    parts.append(QByteArray(all.constData() + start, all.size() - start));
    return parts;
}

// The process-wide environment: created once, on the first input.
class Environment
{
public:
    static Environment &Get()
    {
        static Environment environment;
        return environment;
    }

    testing_support::TestPlatform &Platform() { return *platform_; }

private:
    Environment()
    {
        // Files live in memory when possible: every record write is flushed to the disk.
        if (qEnvironmentVariableIsEmpty("TMPDIR") && QDir(QStringLiteral("/dev/shm")).exists())
            qputenv("TMPDIR", "/dev/shm");
        static int argc = 1;
        static char name[] = "lockvex_fuzz";
        static char *argv[] = {name, nullptr};
        app_ = std::make_unique<QCoreApplication>(argc, argv);
        platform_ = std::make_unique<testing_support::TestPlatform>();
        guard_ = std::make_unique<platform::ScopedInstall>(*platform_);
    }

    std::unique_ptr<QCoreApplication> app_;
    std::unique_ptr<testing_support::TestPlatform> platform_;
    std::unique_ptr<platform::ScopedInstall> guard_;
};

// A fresh, empty folder inside the test platform's home for one input, removed with everything
// in it when the input is done; the global state is reset on the way in and out.
class Scratch
{
public:
    Scratch()
    {
        StampNow();
        static int serial = 0;
        path_ = Environment::Get().Platform().Home() + QStringLiteral("/run%1").arg(++serial);
        QDir(path_).removeRecursively();
        QDir().mkpath(path_);
    }
    ~Scratch()
    {
        QDir(path_).removeRecursively();
    }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;

    QString PathOf(const QString &name) const { return path_ + QLatin1Char('/') + name; }
    const QString &Path() const { return path_; }

    void Write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(PathOf(name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            std::abort(); // the harness itself failed, not the code under test
    }

private:
    QString path_;
};

// The seed corpus: when LOCKVEX_FUZZ_SEEDS names a folder, a target's LLVMFuzzerInitialize
// writes its seeds there and the program ends (fuzz/make_corpus.sh runs every target so).
inline QString SeedFolder()
{
    return qEnvironmentVariable("LOCKVEX_FUZZ_SEEDS");
}

inline void WriteSeed(const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(SeedFolder());
    QFile f(SeedFolder() + QLatin1Char('/') + name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        std::abort();
}

inline QByteArray JoinParts(const QList<QByteArray> &parts)
{
    return parts.join(QByteArray(PartMarker));
}

inline QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// LOCKVEX_FUZZ_TRACE set: the targets say what they do, to find out why an input fails.
inline bool Tracing()
{
    static const bool on = qEnvironmentVariableIsSet("LOCKVEX_FUZZ_TRACE");
    return on;
}

#define FUZZ_TRACE(...)                                                                                                \
    do {                                                                                                               \
        if (fuzz_support::Tracing())                                                                                   \
            fprintf(stderr, __VA_ARGS__);                                                                              \
    } while (false)

// A property of the code under test does not hold.
[[noreturn]] inline void Violation(const char *what)
{
    fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

inline void Require(bool condition, const char *what)
{
    if (!condition)
        Violation(what);
}

} // namespace fuzz_support
