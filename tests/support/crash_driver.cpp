// The crash driver: a small program that uses the store as the program does, for tests that
// kill it at random moments. Each cycle starts like the program (application object, data
// location, entry table opened with recovery, lists built), saves, changes and deletes entries
// through the item manager as the main window would, and ends with the program's exit steps
// (TEMP copy, close, backups). Every step is announced on stdout before it starts and again
// after it returned, one line per write, so that whatever the driver printed when it was
// killed tells the test exactly what the data must hold.
//
// Lines: "open <entries>", "saving <name> <version>", "saved <name> <version>" (or "notsaved"),
// "deleting <name>", "deleted <name>" (or "notdeleted"), "closing", "closed".
//
// Usage: crash_driver [--seed S] [--run R] [--cycles C] [--ops N] [--day D] [--days-per-cycle K]
//                     [--plain-exit] [--protect-check]
// The data lies where the program puts it: Documents/Lockvex below $HOME. --day shifts the
// clock by whole days, so that a test can make closes fall on later days (backup rotation,
// reuse of deleted slots). --plain-exit closes as after the support request, with the log
// written in clear. --protect-check only reports what ProtectProcessMemory() switched off.

#include "support/CrashEntries.h"

#include "app/LockvexMsgdial.h"
#include "app/LockvexSession.h"
#include "app/MgrMainApp.h"
#include "app/ProgramBody.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "platform/PosixPlatform.h"
#include "store/TBDALockvexData.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace
{

// The real platform with the clock moved by whole days.
class ShiftedClockPlatform : public platform::PosixPlatform
{
public:
    QDateTime Now() const override { return QDateTime::currentDateTime().addDays(Days); }
    int Days = 0;
};

// One write per line, straight to the descriptor: a line is either wholly out or not at all.
void Say(const QString &line)
{
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size_t(left));
        if (n <= 0)
            std::_Exit(3);
        data += n;
        left -= n;
    }
}

// Why a write failed, on stderr for whoever reads the test's output.
void Explain(int key)
{
    const TPoolIndexRec *entry = RunSession()->LockvexTbl->FindIndexItem(key);
    std::fprintf(stderr, "write of key %d failed: I/O error %d, pool ok %d, slot %d, slots %d, file %s\n", key,
                 RunSession()->LockvexTbl->GetIOVal(), int(RunSession()->LockvexTbl->PoolStatusOk()),
                 entry ? entry->GetRecordNo() : -2, RunSession()->LockvexTbl->GetControl().PoolNRecs,
                 qPrintable(RunSession()->LockvexTbl->GetPoolFileName()));
}

struct Options {
    unsigned Seed = 1;
    int Run = 0;
    int Cycles = 1;
    int Ops = 10;
    int Day = 0;
    int DaysPerCycle = 0;
    bool PlainExit = false;
    bool ProtectCheck = false;
};

Options ParseOptions(int argc, char *argv[])
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto next = [&] { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
        if (arg == "--seed")
            o.Seed = unsigned(next());
        else if (arg == "--run")
            o.Run = next();
        else if (arg == "--cycles")
            o.Cycles = next();
        else if (arg == "--ops")
            o.Ops = next();
        else if (arg == "--day")
            o.Day = next();
        else if (arg == "--days-per-cycle")
            o.DaysPerCycle = next();
        else if (arg == "--plain-exit")
            o.PlainExit = true;
        else if (arg == "--protect-check")
            o.ProtectCheck = true;
    }
    return o;
}

struct Entry {
    int Key;
    QString Name;
};

std::vector<Entry> LiveEntries()
{
    std::vector<Entry> entries;
    TPoolIndexRec *item = nullptr;
    for (bool more = RunSession()->LockvexTbl->GetFirstIndexItem(item, FullScan); more;
         more = RunSession()->LockvexTbl->GetNextIndexItem(item, FullScan))
        entries.push_back({item->GetKeyFromIndex(), item->GetIndexedName()});
    return entries;
}

ItemManagerParams ParamsOf(const crash_entries::Fields &f)
{
    ItemManagerParams p;
    crash_entries::FillParams(p, f);
    return p;
}

void Save(int key, const QString &name, int version)
{
    const QString what = name + QLatin1Char(' ') + QString::number(version);
    Say(QStringLiteral("saving ") + what);
    const bool saved = RunSession()->ItemManager->SaveWebItem(key, ParamsOf(crash_entries::EntryFields(name, version)));
    Say((saved ? QStringLiteral("saved ") : QStringLiteral("notsaved ")) + what);
    if (!saved)
        Explain(key);
}

// A new entry, as the window's new-entry command and the save on leaving it do.
void AddEntry(const QString &name)
{
    RunSession()->ItemManager->ClearWebRecord();
    const int key = RunSession()->ItemManager->AddItem(name);
    Save(key, name, 1);
}

// A change of an entry shown in the window: loaded, edited, saved.
void ChangeEntry(const Entry &entry)
{
    const ItemManagerParams loaded = RunSession()->ItemManager->LoadWebItem(entry.Key);
    const int version = crash_entries::VersionOf(loaded.PIN);
    Save(entry.Key, entry.Name, version < 0 ? 1 : version + 1);
}

void DeleteEntry(const Entry &entry)
{
    Say(QStringLiteral("deleting ") + entry.Name);
    const bool deleted = RunSession()->ItemManager->DeleteItem(entry.Key, UpdatePermission);
    Say((deleted ? QStringLiteral("deleted ") : QStringLiteral("notdeleted ")) + entry.Name);
    if (!deleted)
        Explain(entry.Key);
}

// The program body's start, without the sign-in dialog: the driver is a user who signed in.
void Start(TLockvexMessages &messages)
{
    RunStartSteps(messages);
    RunSession()->ListManager->BuildLockvexStrings();
    RunSession()->ListManager->BuildPasswordStrings(QString());
    RunSession()->Run.Mode.SignedIn = true;
}

// The program body's exit steps after the main window closed.
void Exit(bool plain)
{
    RunSession()->Run.Mode.WritePlainOnExit = plain;
    RunExitSteps();
}

void RunCycle(const Options &o, int cycle, std::mt19937 &random, TLockvexMessages &messages)
{
    Start(messages);
    Say(QStringLiteral("open ") + QString::number(RunSession()->LockvexTbl->NumRecords()));
    for (int op = 0; op < o.Ops; ++op) {
        const std::vector<Entry> entries = LiveEntries();
        // Deletions grow likelier as the table fills, so that it stays small and slots are reused.
        const int deletePercent = entries.size() > 60 ? 45 : entries.size() > 20 ? 20 : 8;
        const int dice = int(random() % 100);
        if (entries.empty() || dice >= 30 + deletePercent) {
            AddEntry(QStringLiteral("r%1c%2n%3").arg(o.Run).arg(cycle).arg(op));
        } else {
            const Entry &entry = entries[random() % entries.size()];
            if (dice < 30)
                ChangeEntry(entry);
            else
                DeleteEntry(entry);
        }
    }
    Say(QStringLiteral("closing"));
    Exit(o.PlainExit);
    Say(QStringLiteral("closed"));
}

int ProtectCheck()
{
    ProtectProcessMemory();
    struct rlimit core {
    };
    ::getrlimit(RLIMIT_CORE, &core);
    const int dumpable = ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
    std::printf("core %llu %llu dumpable %d\n", static_cast<unsigned long long>(core.rlim_cur),
                static_cast<unsigned long long>(core.rlim_max), dumpable);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const Options o = ParseOptions(argc, argv);
    if (o.ProtectCheck)
        return ProtectCheck();
    QCoreApplication app(argc, argv);
    ShiftedClockPlatform desktop;
    desktop.Days = o.Day;
    platform::Install(&desktop);
    // The driver has no screen: a message of the start (a restored data file) goes to stderr.
    TLockvexMessages messages;
    messages.SetMessageResponder([](const TShownMessage &message) {
        std::fprintf(stderr, "message: %s %s\n", qPrintable(message.Caption), qPrintable(message.Text));
        return true;
    });
    std::mt19937 random(o.Seed * 7919u + unsigned(o.Run));
    for (int cycle = 0; cycle < o.Cycles; ++cycle) {
        RunCycle(o, cycle, random, messages);
        desktop.Days += o.DaysPerCycle;
    }
    platform::Install(nullptr);
    return 0;
}
