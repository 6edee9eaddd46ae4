#pragma once
// The program's run from start to end: create the application object, decide the mode, find
// and open the data, sign in, show the windows, then the exit steps that close the store,
// write the backups and move the data where the user chose.

#include "app/MgrSignIn.h"

#include <functional>

class LockvexSession;
class QApplication;
class TV9LockvexTbl;
class QCoreApplication;
class TLockvexMessages;

// Shows the program's window for the mode (main window, or the quick list on a memory stick)
// and runs the event loop until it closes; the window works on the run's session.
using WindowRunner = std::function<int(QApplication &app, LockvexSession &session)>;

// messages: the run's messages, made by the caller with the window layer's message dialog
// (ui/messages/MessageDialog.h) and kept until the run ended; signIn shows the sign-in dialogs
// (ui/signin/SignInDialogs.h); both come from the window layer.
int RunLockvex(QApplication &app, TLockvexMessages &messages, const TSignInPrompt &signIn,
               const WindowRunner &runWindows);

// The steps before sign-in (create the objects, decide the mode, find and open the data) and
// the steps after the windows (settings and marker, close the store with its backups, move the
// data). RunLockvex runs them around the sign-in and the windows.
// RunStartSteps answers whether the entry table opened the data file; the session it makes tells
// the user through messages.
bool RunStartSteps(TLockvexMessages &messages);
void RunExitSteps();
// The session the start steps made; null before them and after the exit steps.
LockvexSession *RunSession();

// The data file did not open, or an entry could not be read: message 19, and the entry table is
// closed as it stands, so that the exit steps write no copy, rotate no backup and write no log,
// and the next start finds every file as it was.
void ReportDataNotOpened(TLockvexMessages &messages, TV9LockvexTbl &table);

// Core dumps off and the process not dumpable, so no secret ends up in a crash file.
void ProtectProcessMemory();

// How an ending signal (SIGTERM at logout, SIGINT, SIGHUP) closes the program: the main window
// registers its save-and-close command here; without one the event loop simply quits.
void SetCloseOnSignal(std::function<void()> saveAndClose);
// Installs the handlers that turn those signals into a normal close on the GUI thread; from the
// signal on, messages asks nothing more (SetQuietClose). The session's lock and the computer's
// sleep, as the platform tells them, close the program the same way. A further call changes only
// the messages.
void HandleEndingSignals(QCoreApplication &app, TLockvexMessages &messages);

// Has a call of exit() that ends the program between its start and exit steps (Qt's, when the
// display connection is lost) still close the data and remove the import's files.
void EndRunOnExit();
