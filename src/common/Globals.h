#pragma once
// The program's global state: every long-lived object, path, mode flag and screen metric, in
// one module. Objects are forward-declared pointers so that any layer can read a flag or a
// counter without including the layers above it. Start-up sets them; they are reset between
// tests by ResetGlobals().

#include <QString>
#include <QStringList>

using TDateTime = double;

class TLVDlgProcs;
class TListManager;
class TItemManager;
class TLockvexRec;
class TV9LockvexTbl;

// Long-lived objects: while a session exists (app/LockvexSession.h), the session's objects;
// null otherwise.
extern TLVDlgProcs *LVDlgProcs;
extern TListManager *ListManager;
extern TItemManager *ItemManager;
extern TLockvexRec *SharedLockvexRec;
extern TV9LockvexTbl *LockvexTbl;

// The entry shown or picked in a window.
extern int DisplayedItemKey;

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
