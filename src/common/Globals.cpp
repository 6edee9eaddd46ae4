#include "common/Globals.h"

TLVDlgProcs *LVDlgProcs = nullptr;
TListManager *ListManager = nullptr;
TItemManager *ItemManager = nullptr;
TLockvexRec *SharedLockvexRec = nullptr;
TV9LockvexTbl *LockvexTbl = nullptr;

QStringList *TempFiles = nullptr;

int DisplayedItemKey = -1;

void ResetGlobals()
{
    LVDlgProcs = nullptr;
    ListManager = nullptr;
    ItemManager = nullptr;
    SharedLockvexRec = nullptr;
    LockvexTbl = nullptr;
    TempFiles = nullptr;
    DisplayedItemKey = -1;
}
