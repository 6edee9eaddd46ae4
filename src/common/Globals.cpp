#include "common/Globals.h"

TMgrMainAppProcs *MainAppProcs = nullptr;
TLVDlgProcs *LVDlgProcs = nullptr;
TListManager *ListManager = nullptr;
TItemManager *ItemManager = nullptr;
TLockvexRec *SharedLockvexRec = nullptr;
TV9LockvexTbl *LockvexTbl = nullptr;

TLockvexStringList *SelectedLockvexStrings = nullptr;
TLockvexStringList *PasswordStrings = nullptr;
TLockvexStringList *LockvexStrings = nullptr;
QStringList *TempFiles = nullptr;

int TotalPWs = 0;
int LoginPWs = 0;

int DisplayedItemKey = -1;

TDateTime NowDateTime = 0;
TDateTime TodayDate = 0;
QString TimeStamp;

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
    MainAppProcs = nullptr;
    LVDlgProcs = nullptr;
    ListManager = nullptr;
    ItemManager = nullptr;
    SharedLockvexRec = nullptr;
    LockvexTbl = nullptr;
    SelectedLockvexStrings = PasswordStrings = LockvexStrings = nullptr;
    TempFiles = nullptr;
    TotalPWs = LoginPWs = 0;
    DisplayedItemKey = -1;
    NowDateTime = TodayDate = 0;
    TimeStamp.clear();
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
