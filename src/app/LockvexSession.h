#pragma once
// The run's session: the objects that live from the start to the end of a run, each owned here
// once. The program body makes one per run, and each test that needs the program's objects
// makes one for itself; destroying it closes the entry table (which writes the copy and the
// backups) and removes the files the import made.
//
// Nothing reaches these objects but through the session: the windows and the program body's
// procedures are handed the session or the objects they work on.
//
// The run's state (Run: mode, folders and files, data location, screen metrics) is a member of
// its own: the start steps fill it, the windows read it through the dialog procedures, the exit
// steps keep a copy of it past the session to move the data.

#include "app/RunState.h"

#include <memory>

class TImportFiles;
class TItemManager;
class TListManager;
class TLockvexMessages;
class TLockvexRec;
class TLVDlgProcs;
class TMgrMainAppProcs;
class TV9LockvexTbl;
class TWebHelpSystem;

class LockvexSession
{
public:
    // Makes the objects, takes the screen metrics and sets the folders (the first run moves
    // data lying directly in the Documents folder into the data folder). messages: the run's
    // messages, made before the session and kept after it by whoever runs the program.
    explicit LockvexSession(TLockvexMessages &messages);
    // Frees the objects in order: the entry table first (its close writes the backups), then
    // the import's files, then the managers.
    ~LockvexSession();
    LockvexSession(const LockvexSession &) = delete;
    LockvexSession &operator=(const LockvexSession &) = delete;

    // The run's mode, folders and files, data location and screen metrics (once the globals
    // MemStickMode, ReadOnlyMode, SignedIn, WritePlainOnExit, the folders, RunLocation, ScaleForms
    // and ScreenHeight...). Made first and freed last: the dialog procedures and the import's
    // files keep references to it.
    TRunState Run;

    // In the order they are made; the destructor frees them in the order given above.
    std::unique_ptr<TLVDlgProcs> LVDlgProcs;
    std::unique_ptr<TV9LockvexTbl> LockvexTbl;
    std::unique_ptr<TLockvexRec> SharedLockvexRec;
    std::unique_ptr<TListManager> ListManager;
    std::unique_ptr<TItemManager> ItemManager;
    std::unique_ptr<TImportFiles> TempFiles; // the import's files with passwords, removed at the end
    std::unique_ptr<TWebHelpSystem> WebHelp;
    std::unique_ptr<TMgrMainAppProcs> MainAppProcs; // the start's procedures: mode, data file, sign-in

    // What the session is handed and hands on to its windows and procedures, not owned by it.
    TLockvexMessages &Messages; // the run's messages; the dialog procedures hand them to the windows
};
