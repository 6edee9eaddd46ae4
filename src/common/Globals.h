#pragma once
// The program's global state still to move into the objects it belongs to: paths, mode flags and
// screen metrics, in one module. The run's objects are the session's (app/LockvexSession.h).
// Start-up sets them; they are reset between tests by ResetGlobals().

#include <QString>
#include <QStringList>

using TDateTime = double;


// Sets every value back to its start value (empty, false, zero; keys to none). Objects are not
// freed: their owner frees them.
void ResetGlobals();
