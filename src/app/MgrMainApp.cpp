#include "app/MgrMainApp.h"

#include "app/LockvexMsgdial.h"
#include "app/LockvexSession.h"
#include "app/MgrImportFiles.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "common/Globals.h"
#include "common/PathRoutines.h"
#include "entries/LockvexStringList.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "platform/Platform.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString Join(const QString &folder, const QString &name) { return folder + QLatin1Char('/') + name; }

void TakeScreenMetrics()
{
    platform::ScreenMetrics screen = platform::Current().Screen();
    ScreenHeight = screen.Height;
    ScreenPPI = screen.PixelsPerInch > 0 ? screen.PixelsPerInch : 96;
    ScreenHeightInches = double(ScreenHeight) / double(ScreenPPI);
    ScaleForms = false;
}

} // namespace

TMgrMainAppProcs::TMgrMainAppProcs(LockvexSession &session) : session_(session)
{
    TakeScreenMetrics();

    platform::Platform &desktop = platform::Current();
    ProfileFolder = desktop.ProfileFolder();
    DocumentsFolder = desktop.DocumentsFolder();
    LocalDataFolder = Join(DocumentsFolder, LockvexFolderName);
    if (!QFileInfo(LocalDataFolder).isDir())
        MigrateDocumentsData(DocumentsFolder, LocalDataFolder);
    LocalDataFile = Join(LocalDataFolder, DataFileNameOnly);
    IniFileName = Join(DocumentsFolder, IniFileNameOnly);
}

bool TMgrMainAppProcs::CheckRunAsApp()
{
    platform::Platform &desktop = platform::Current();
    QString programFile = desktop.ProgramFilePath();
    ExeFolder = programFile.isEmpty() ? QString() : QFileInfo(programFile).absolutePath();
    if (ExeFolder.isEmpty())
        return false;
    // On Linux "drive C:" is every medium that is not removable: only a program file on a
    // removable medium runs in memory-stick mode.
    if (!desktop.IsOnRemovableMedium(programFile))
        return false;

    session_.LockvexTbl->SetRunOnMemstick(true);
    QString lastName, parent;
    SplitLastFolder(ExeFolder, lastName, parent);
    Workstr = lastName;
    // The data and settings lie in the program's folder when it is the medium's root (its mount
    // point), else in the folder above the program's folder.
    QString dataFolder = desktop.MountPointOf(ExeFolder) == ExeFolder ? ExeFolder : parent;
    if (dataFolder.endsWith(QLatin1Char('/')))
        dataFolder.chop(1);
    DataFileName = Join(dataFolder, DataFileNameOnly);
    IniFileName = Join(dataFolder, IniFileNameOnly);
    return true;
}
