#pragma once
// What a run decides at its start and carries to its end: how it works on the data (the run
// mode), where its folders and files are, where the data lives (the data location) and the
// screen it draws on. The session owns one (LockvexSession::Run); the start steps fill it, the
// exit steps read it, and the objects and windows that need it are handed it (the dialog
// procedures give the windows theirs, TLVDlgProcs::Run).

#include "app/DataLocation.h"

#include <QString>

// How the run works on its data. A run from a memory stick is MemStick; a run on the PC whose
// data another copy of the program holds (its lock on the data file, or the in-use marker next to
// cloud data) is ReadOnly; any other run is Normal. A memory stick's data file that another copy
// holds makes that run read-only as well: MemStickMode() and ReadOnlyMode() are then both true.
class TRunMode
{
public:
    enum class Kind { Normal, MemStick, ReadOnly };

    // MemStick for every run from a memory stick, read-only or not.
    Kind RunKind() const { return memStick_ ? Kind::MemStick : readOnly_ ? Kind::ReadOnly : Kind::Normal; }
    bool MemStickMode() const { return memStick_; }
    bool ReadOnlyMode() const { return readOnly_; }
    void SetMemStickMode(bool on) { memStick_ = on; }
    void SetReadOnlyMode(bool on) { readOnly_ = on; }

    bool SignedIn = false;         // the user got past sign-in: the data may move at exit
    bool WritePlainOnExit = false; // the exit writes the entries without encryption

private:
    bool memStick_ = false;
    bool readOnly_ = false;
};

// The run's folders and files, set by the start steps.
struct TRunFolders {
    QString ProfileFolder;   // the home folder
    QString DocumentsFolder; // the user's Documents folder
    QString LocalDataFolder; // the data folder on the PC: Documents/Lockvex
    QString LocalDataFile;   // the data file in it
    QString IniFileName;     // the settings file (next to the data on a memory stick)
    QString ExeFolder;       // the program file's folder
    QString DataFileName;    // the data file the run opens
    QString InUseMarkerFile; // the in-use marker next to the data
    QString DataUserName;    // who holds the data when the run is read-only; empty when unknown
};

constexpr int RefScreenHeight = 1200; // the screen height the windows were laid out for

// The screen as it was at start, and whether windows made now are drawn for its height.
struct TScreenMetrics {
    int ScreenHeight = 0;
    int ScreenPPI = 0;
    double ScreenHeightInches = 0;
    // Windows made while it is on are drawn ScreenHeight / RefScreenHeight larger. The main window
    // turns it on while it is in its normal state (neither minimised nor maximised), off otherwise.
    bool ScaleForms = false;
};

struct TRunState {
    TRunMode Mode;
    TRunFolders Folders;
    TDataLocation Location; // the former RunLocation
    TScreenMetrics Screen;
};
