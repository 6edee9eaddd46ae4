#include "common/Globals.h"

TLVDlgProcs *LVDlgProcs = nullptr;
TListManager *ListManager = nullptr;
TItemManager *ItemManager = nullptr;
TLockvexRec *SharedLockvexRec = nullptr;
TV9LockvexTbl *LockvexTbl = nullptr;

int DisplayedItemKey = -1;

QString ProfileFolder;
QString DocumentsFolder;
QString LocalDataFolder;
QString LocalDataFile;
QString IniFileName;
QString ExeFolder;
QString DataFileName;

bool MemStickMode = false;
bool SignedIn = false;
bool ReadOnlyMode = false;
bool WritePlainOnExit = false;
bool ScaleForms = false;

QString InUseMarkerFile;
QString DataUserName;

int ScreenHeight = 0;
int ScreenPPI = 0;
double ScreenHeightInches = 0;

void ResetGlobals()
{
    LVDlgProcs = nullptr;
    ListManager = nullptr;
    ItemManager = nullptr;
    SharedLockvexRec = nullptr;
    LockvexTbl = nullptr;
    DisplayedItemKey = -1;
    ProfileFolder.clear();
    DocumentsFolder.clear();
    LocalDataFolder.clear();
    LocalDataFile.clear();
    IniFileName.clear();
    ExeFolder.clear();
    DataFileName.clear();
    MemStickMode = SignedIn = ReadOnlyMode = WritePlainOnExit = ScaleForms = false;
    InUseMarkerFile.clear();
    DataUserName.clear();
    ScreenHeight = ScreenPPI = 0;
    ScreenHeightInches = 0;
}
