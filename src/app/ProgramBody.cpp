#include "app/ProgramBody.h"

#include "app/LockvexMsgdial.h"
#include "app/MgrMainApp.h"
#include "common/Globals.h"
#include "store/Lockvextypes.h"
#include "store/TBDALockvexData.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
std::function<void()> closeOnSignal;

void OnEndingSignal(int)
{
    char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

void CloseOnSignal(QApplication &app)
{
    // A modal dialog (sign-in, a message) is cancelled first; then the main window saves and
    // closes as its close command does, which ends the event loop.
    while (QWidget *modal = QApplication::activeModalWidget()) {
        modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
    if (closeOnSignal)
        closeOnSignal();
    else
        app.quit();
}

} // namespace

void RunExitSteps()
{
    if (MemStickMode && QFile::exists(IniFileName))
        QFile::remove(IniFileName); // no settings of this run stay on the stick
    if (!ReadOnlyMode && !InUseMarkerFile.isEmpty())
        QFile::remove(InUseMarkerFile);
    if (WritePlainOnExit && LockvexTbl)
        LockvexTbl->SetEncryptedRecs(No);
    // The entry table closes first (TEMP copy, backups): a backup that failed is told on stderr.
    if (LockvexTbl) {
        const TTableCloseOutcome closed = LockvexTbl->CloseTable();
        if (!closed.Ok())
            std::fprintf(stderr, "Lockvex: %s\n", qPrintable(closed.Failure));
    }
    delete MainAppProcs;
    MainAppProcs = nullptr;
    if (SignedIn && !MemStickMode)
        ApplyDataLocation();
}

void ProtectProcessMemory()
{
    struct rlimit none = {0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

void SetCloseOnSignal(std::function<void()> saveAndClose) { closeOnSignal = std::move(saveAndClose); }

void HandleEndingSignals(QApplication &app)
{
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte;
        [[maybe_unused]] ssize_t ignored = ::read(signalPipe[0], &byte, 1);
        CloseOnSignal(app);
    });
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
}

bool RunStartSteps()
{
    MainAppProcs = new TMgrMainAppProcs;
    WritePlainOnExit = false;
    ReadOnlyMode = false;
    MemStickMode = MainAppProcs->CheckRunAsApp();
    if (!MemStickMode)
        MainAppProcs->LocateDataFile();
    // One copy of the program writes a data file at a time: a second copy on this computer runs
    // read-only and names the copy that has the data, as the in-use marker does for others.
    if (!LockvexTbl->LockDataFile(DataFileName, ThisUserName())) {
        ReadOnlyMode = true;
        DataUserName = LockvexTbl->LockHolder();
    } else if (!MemStickMode) {
        ReadOnlyMode = CheckDataInUse();
    }
    const bool opened = LockvexTbl->OpenPool(DataFileName);
    // A damaged data file was restored from a backup; the user learns where the damaged one is.
    if (const QString kept = LockvexTbl->DamagedFileKeptAs(); !kept.isEmpty())
        ShowMessageDlg(MsgCatalogue[MsgDataFileDamaged], QDir::toNativeSeparators(kept));
    return opened;
}

void ReportDataNotOpened()
{
    ShowMessageDlg(MsgCatalogue[MsgDataNotOpened]);
    LockvexTbl->ClosePool(DoNotWriteLog);
}

int RunLockvex(QApplication &app, const WindowRunner &runWindows)
{
    const bool opened = RunStartSteps();
    SignedIn = opened && MainAppProcs->CheckLockvexSignedIn();
    int result = 0;
    if (!opened || MainAppProcs->DataUnreadable) {
        ReportDataNotOpened();
        result = 1;
    } else if (SignedIn) {
        QApplication::setApplicationDisplayName(ApplicationTitle);
        result = runWindows(app);
    }
    RunExitSteps();
    return result;
}
