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

extern QStringList *TempFiles; // temporary files of the import, deleted at exit

// The entry shown or picked in a window.
extern int DisplayedItemKey;

// The modes, the folders and files, the data location and the screen metrics are the session's
// run state (LockvexSession::Run, app/RunState.h).

// Sets every value back to its start value (empty, false, zero; keys to none). Objects are not
// freed: their owner frees them.
void ResetGlobals();
