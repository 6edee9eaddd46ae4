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
unsigned char ValidationStatus = 0;

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
bool MessageShown = false;

QString InUseMarkerFile;
QString DataUserName;
QString DropboxPath, GoogleDrivePath, OneDrivePath;
bool DropboxExists = false, GoogleDriveExists = false, OneDriveExists = false;
bool DataInDropbox = false, DataInGoogleDrive = false, DataInOneDrive = false;
QString DropboxDataFile, GoogleDriveDataFile, OneDriveDataFile;
QString CloudDataFolder;
bool UsePC = false, UseDropbox = false, UseGoogleDrive = false, UseOneDrive = false;

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
    ValidationStatus = 0;
    NowDateTime = TodayDate = 0;
    TimeStamp.clear();
    ProfileFolder.clear();
    DocumentsFolder.clear();
    LocalDataFolder.clear();
    LocalDataFile.clear();
    IniFileName.clear();
    ExeFolder.clear();
    DataFileName.clear();
    MemStickMode = SignedIn = ReadOnlyMode = WritePlainOnExit = ScaleForms = MessageShown = false;
    InUseMarkerFile.clear();
    DataUserName.clear();
    DropboxPath.clear();
    GoogleDrivePath.clear();
    OneDrivePath.clear();
    DropboxExists = GoogleDriveExists = OneDriveExists = false;
    DataInDropbox = DataInGoogleDrive = DataInOneDrive = false;
    DropboxDataFile.clear();
    GoogleDriveDataFile.clear();
    OneDriveDataFile.clear();
    CloudDataFolder.clear();
    UsePC = UseDropbox = UseGoogleDrive = UseOneDrive = false;
    ScreenHeight = ScreenPPI = 0;
    ScreenHeightInches = 0;
}
