#include "common/Globals.h"

void ResetGlobals()
{
}
