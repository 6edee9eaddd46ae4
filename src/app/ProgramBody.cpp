#include "app/ProgramBody.h"

#include "app/LockvexMsgdial.h"
#include "app/LockvexSession.h"
#include "app/MgrImportFiles.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrMainApp.h"
#include "app/OtherWriterNotice.h"
#include "app/RunState.h"
#include "platform/Platform.h"
#include "store/Lockvextypes.h"
#include "store/TBDALockvexData.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QWindow>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
std::function<void()> closeOnSignal;
TLockvexMessages *quietOnSignal = nullptr; // the run's messages, which the close keeps quiet
bool runOpen = false; // the start steps ran, the exit steps have not
// The run's session, from the start steps to the exit steps; here because the exit steps also
// run from atexit, which can reach nothing else.
std::unique_ptr<LockvexSession> runSession;

// The run's own files that go at its end: its settings on a memory stick (none of this run's
// settings stay on the stick) and the in-use marker it wrote next to the data. Plain file calls
// only, so that the end through exit() can use it too.
void RemoveRunFiles(const TRunState &run)
{
    if (run.Mode.MemStickMode() && QFile::exists(run.Folders.IniFileName))
        QFile::remove(run.Folders.IniFileName);
    if (!run.Mode.ReadOnlyMode() && !run.Folders.InUseMarkerFile.isEmpty())
        QFile::remove(run.Folders.InUseMarkerFile);
}

// The program is ended by a call of exit() from within a library: Qt on X11 ends it so, with
// status 1, when the connection to the display broke (the X server went away), without
// returning to the program. The windows cannot close any more, but what needs none is done as
// on an ending signal: the data closes with its backups, the marker goes, and the import's
// files with passwords in plain text are removed.
void EndRunOnExitCall()
{
    // The session's objects are not freed at this exit: freeing them would need Qt, which is
    // gone; what must happen to the files happens below.
    LockvexSession *session = runSession.release();
    if (!runOpen || !session)
        return;
    runOpen = false;
    session->Messages.SetQuietClose(true);
    RemoveRunFiles(session->Run);
    session->LockvexTbl->CloseTable();
    // Qt's own objects that were made after this handler was registered are gone by now (the
    // settings among them): only plain file calls from here on.
    session->TempFiles->RemoveMadeImportFiles(false);
}

// The settings key under which an exit that could ask nobody records the backup it did not
// make, for the next start to tell.
const QString BackupNotMadeKey = QStringLiteral("BackupNotMade");

// When the newest backup there is was made, as the user reads dates; "none" when there is none.
QString LastBackupText(const QString &dataFile)
{
    std::optional<QDateTime> newest;
    for (const QString &backup : {NewerBackupName(dataFile), OlderBackupName(dataFile)}) {
        const auto written = platform::Current().LastWriteTime(backup);
        if (written && (!newest || *written > *newest))
            newest = written;
    }
    if (!newest)
        return QStringLiteral("none");
    const QLocale locale;
    QString format = locale.dateFormat(QLocale::ShortFormat);
    format.replace(QRegularExpression(QStringLiteral("y+")), QStringLiteral("yyyy"));
    return locale.toString(newest->date(), format) + QLatin1Char(' ') +
           locale.toString(newest->time(), QLocale::ShortFormat);
}

// The data file is saved, but this close made no backup of it. Told now; after an ending
// signal, when nobody is asked anything, recorded for the next start.
void TellBackupNotMade(LockvexSession &session)
{
    const QString lastBackup = LastBackupText(session.Run.Folders.DataFileName);
    if (session.Messages.QuietClose())
        (void)session.LVDlgProcs->WriteSettings({{BackupNotMadeKey, lastBackup}});
    else
        session.Messages.ShowMessageDlg(MsgCatalogue[MsgBackupNotMade], lastBackup);
}

// What the open did with a data file that did not open as it was found, told with the name the
// damaged file is kept under; and a backup that the last run could not make.
void TellWhatTheStartFound(LockvexSession &session)
{
    const TV9LockvexTbl &table = *session.LockvexTbl;
    if (const QString kept = table.DamagedFileKeptAs(); !kept.isEmpty()) {
        const TDataRepair repair = table.DataRepair();
        const bool restored = repair == TDataRepair::FromBackup || repair == TDataRepair::FromLog;
        session.Messages.ShowMessageDlg(MsgCatalogue[restored ? MsgDataFileDamaged : MsgDataFileNotRestored],
                                        QDir::toNativeSeparators(kept));
    }
    if (const QString lastBackup = session.LVDlgProcs->ReadSetting(BackupNotMadeKey); !lastBackup.isEmpty()) {
        session.Messages.ShowMessageDlg(MsgCatalogue[MsgBackupNotMade], lastBackup);
        session.LVDlgProcs->RemoveSetting(BackupNotMadeKey);
    }
}

void OnEndingSignal(int)
{
    char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

void CloseOnSignal(QCoreApplication &app)
{
    // A modal dialog (sign-in, a message, the import window) is cancelled first, asking nothing
    // more; then the main window saves and closes as its close command does, which ends the
    // event loop.
    if (quietOnSignal)
        quietOnSignal->SetQuietClose(true);
    while (QWindow *modal = QGuiApplication::modalWindow()) {
        modal->close();
        if (QGuiApplication::modalWindow() == modal)
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
    runOpen = false;
    if (!runSession)
        return;
    // Kept past the session, which is freed before the data moves.
    const TRunState run = runSession->Run;
    RemoveRunFiles(run);
    if (run.Mode.WritePlainOnExit)
        runSession->LockvexTbl->SetEncryptedRecs(No);
    // The entry table closes first (TEMP copy, backups): what failed goes to stderr, and a backup
    // that was not made to the user as well.
    const TTableCloseOutcome closed = runSession->LockvexTbl->CloseTable();
    if (!closed.Ok()) {
        std::fprintf(stderr, "Lockvex: %s\n", qPrintable(closed.Failure));
        if (closed.BackupDue && closed.DataClosed)
            TellBackupNotMade(*runSession);
    }
    // The close combined the data file with another program's version, or wrote a deleted one
    // again: told now, or (an ending signal) at the next start.
    if (run.Mode.SignedIn)
        TellOtherWriters(runSession->Messages, *runSession->LockvexTbl, *runSession->LVDlgProcs);
    runSession.reset();
    if (run.Mode.SignedIn && !run.Mode.MemStickMode())
        ApplyDataLocation(run.Location, run.Folders);
}

LockvexSession *RunSession()
{
    return runSession.get();
}

void ProtectProcessMemory()
{
    struct rlimit none = {0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

void SetCloseOnSignal(std::function<void()> saveAndClose) { closeOnSignal = std::move(saveAndClose); }

void HandleEndingSignals(QCoreApplication &app, TLockvexMessages &messages)
{
    quietOnSignal = &messages;
    // Once: a second listener on the same pipe would wait for a byte the first one took.
    if (signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    ::fcntl(signalPipe[0], F_SETFL, O_NONBLOCK);
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
    // A locked session or a computer going to sleep ends the run as an ending signal does: the
    // program is not left open behind the lock screen.
    platform::Current().WatchSessionLock([&app] { CloseOnSignal(app); });
}

void EndRunOnExit()
{
    static bool registered = false;
    if (!registered)
        registered = std::atexit(EndRunOnExitCall) == 0;
}

bool RunStartSteps(TLockvexMessages &messages)
{
    runSession = std::make_unique<LockvexSession>(messages);
    TMgrMainAppProcs &MainAppProcs = *runSession->MainAppProcs;
    TRunMode &mode = runSession->Run.Mode;
    TRunFolders &folders = runSession->Run.Folders;
    TV9LockvexTbl &LockvexTbl = *runSession->LockvexTbl;
    runOpen = true;
    mode = TRunMode();
    mode.SetMemStickMode(MainAppProcs.CheckRunAsApp());
    if (!mode.MemStickMode())
        MainAppProcs.LocateDataFile();
    // One copy of the program writes a data file at a time: a second copy on this computer runs
    // read-only (from a memory stick as well) and names the copy that has the data, as the in-use
    // marker does for others.
    if (!LockvexTbl.LockDataFile(folders.DataFileName, ThisUserName())) {
        mode.SetReadOnlyMode(true);
        folders.DataUserName = LockvexTbl.LockHolder();
    } else {
        // No other copy runs on this data: what a run that did not end normally left of its
        // imports goes (an import log with passwords in plain text, view copies).
        runSession->TempFiles->RemoveLeftImportFiles();
        if (!mode.MemStickMode())
            mode.SetReadOnlyMode(CheckDataInUse(folders, runSession->Run.Location));
    }
    LockvexTbl.SetReadOnlyMode(mode.ReadOnlyMode());
    const bool opened = LockvexTbl.OpenPool(folders.DataFileName);
    TellWhatTheStartFound(*runSession);
    return opened;
}

void ReportDataNotOpened(TLockvexMessages &messages, TV9LockvexTbl &table)
{
    messages.ShowMessageDlg(MsgCatalogue[MsgDataNotOpened]);
    table.ClosePool(DoNotWriteLog);
}

int RunLockvex(QApplication &app, TLockvexMessages &messages, const TSignInPrompt &signIn,
               const WindowRunner &runWindows)
{
    const bool opened = RunStartSteps(messages);
    TRunMode &mode = runSession->Run.Mode;
    const TSignInOutcome signedIn =
        opened ? runSession->MainAppProcs->CheckLockvexSignedIn(signIn) : TSignInOutcome::NotSignedIn;
    mode.SignedIn = signedIn == TSignInOutcome::SignedIn;
    int result = 0;
    if (!opened || signedIn == TSignInOutcome::DataUnreadable) {
        ReportDataNotOpened(messages, *runSession->LockvexTbl);
        result = 1;
    } else if (mode.SignedIn) {
        QGuiApplication::setApplicationDisplayName(ApplicationTitle);
        // What a run that ended on a signal had to combine, told once the user has signed in.
        ShowKeptOtherWriterNotice(messages, *runSession->LVDlgProcs);
        result = runWindows(app, *runSession);
    }
    RunExitSteps();
    return result;
}
