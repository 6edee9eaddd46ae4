#pragma once
// Carrying the safe on a memory stick: the running program is copied to the stick under the
// program's fixed name, with the PC's data file beside it. Started from there, the program runs
// read-only in memory-stick mode and finds its data in the stick's root.

#include <QString>

class TListManager;
class TLockvexMessages;
struct TRunFolders;

// Copies the program and the PC's data file (the local data folder's) into the folder, overwriting
// copies already there, and shows catalogue message 8 when both copies were made, otherwise
// message 9. The data copy is made also when the program copy failed; nothing is cleaned up after
// a failure.
void TfrToMemStick(TLockvexMessages &messages, const QString &SelectedDirectory, const TRunFolders &folders);

// The main window's memory-stick command: with exactly one access password (the list manager's
// LoginPWs) it asks for a second one (message 13); otherwise it lets the user choose folders until
// one is the mount point of a removable medium (message 15 for any other) and transfers there, or
// stops when the user cancels.
void TfrMemStickCommand(TLockvexMessages &messages, const TListManager &lists, const TRunFolders &folders);
