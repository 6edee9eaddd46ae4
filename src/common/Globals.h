#pragma once
// The program's global state still to move into the objects it belongs to: paths, mode flags and
// screen metrics, in one module. The run's objects are the session's (app/LockvexSession.h).
// Start-up sets them; they are reset between tests by ResetGlobals().

#include <QString>
#include <QStringList>

using TDateTime = double;

extern QStringList *TempFiles; // temporary files of the import, deleted at exit

// Folders and files.
extern QString ProfileFolder;
extern QString DocumentsFolder;
extern QString LocalDataFolder;
extern QString LocalDataFile;
extern QString IniFileName;
extern QString ExeFolder;
extern QString DataFileName;

// Modes.
extern bool MemStickMode;
extern bool SignedIn;
extern bool ReadOnlyMode;
extern bool WritePlainOnExit;
extern bool ScaleForms;

// Data location, cloud folders and the in-use marker.
extern QString InUseMarkerFile;
extern QString DataUserName;
// The cloud clients' folders and flags (DropboxPath, DataInDropbox, UseDropbox, CloudDataFolder,
// ...) are the run's DataLocation (app/DataLocation.h).

// Screen metrics, taken once at start.
extern int ScreenHeight;
extern int ScreenPPI;
extern double ScreenHeightInches;
constexpr int RefScreenHeight = 1200; // the screen height the windows were laid out for

// Sets every value back to its start value (empty, false, zero; keys to none). Objects are not
// freed: their owner frees them.
void ResetGlobals();
