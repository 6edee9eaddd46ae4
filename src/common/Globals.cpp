#include "common/Globals.h"

QStringList *TempFiles = nullptr;

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
    TempFiles = nullptr;
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
