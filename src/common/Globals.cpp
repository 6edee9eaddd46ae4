#include "common/Globals.h"

QStringList *TempFiles = nullptr;


void ResetGlobals()
{
    TempFiles = nullptr;
}
