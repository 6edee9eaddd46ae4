#include "app/MgrMainApp.h"

#include "app/LockvexMsgdial.h"
#include "app/LockvexSession.h"
#include "app/MgrImportFiles.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "app/RunState.h"
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

void TakeScreenMetrics(TScreenMetrics &metrics)
{
    platform::ScreenMetrics screen = platform::Current().Screen();
    metrics.ScreenHeight = screen.Height;
    metrics.ScreenPPI = screen.PixelsPerInch > 0 ? screen.PixelsPerInch : 96;
    metrics.ScreenHeightInches = double(metrics.ScreenHeight) / double(metrics.ScreenPPI);
    metrics.ScaleForms = false;
}

} // namespace

TMgrMainAppProcs::TMgrMainAppProcs(LockvexSession &session) : session_(session)
{
    TakeScreenMetrics(session_.Run.Screen);

    platform::Platform &desktop = platform::Current();
    TRunFolders &folders = session_.Run.Folders;
    folders.ProfileFolder = desktop.ProfileFolder();
    folders.DocumentsFolder = desktop.DocumentsFolder();
    folders.LocalDataFolder = Join(folders.DocumentsFolder, LockvexFolderName);
    if (!QFileInfo(folders.LocalDataFolder).isDir())
        MigrateDocumentsData(folders.DocumentsFolder, folders.LocalDataFolder);
    folders.LocalDataFile = Join(folders.LocalDataFolder, DataFileNameOnly);
    folders.IniFileName = Join(folders.DocumentsFolder, IniFileNameOnly);
}

bool TMgrMainAppProcs::CheckRunAsApp()
{
    platform::Platform &desktop = platform::Current();
    QString programFile = desktop.ProgramFilePath();
    TRunFolders &folders = session_.Run.Folders;
    folders.ExeFolder = programFile.isEmpty() ? QString() : QFileInfo(programFile).absolutePath();
    if (folders.ExeFolder.isEmpty())
        return false;
    // On Linux "drive C:" is every medium that is not removable: only a program file on a
    // removable medium runs in memory-stick mode.
    if (!desktop.IsOnRemovableMedium(programFile))
        return false;

    session_.LockvexTbl->SetRunOnMemstick(true);
    QString lastName, parent;
    SplitLastFolder(folders.ExeFolder, lastName, parent);
    Workstr = lastName;
    // The data and settings lie in the program's folder when it is the medium's root (its mount
    // point), else in the folder above the program's folder.
    QString dataFolder = desktop.MountPointOf(folders.ExeFolder) == folders.ExeFolder ? folders.ExeFolder : parent;
    if (dataFolder.endsWith(QLatin1Char('/')))
        dataFolder.chop(1);
    folders.DataFileName = Join(dataFolder, DataFileNameOnly);
    folders.IniFileName = Join(dataFolder, IniFileNameOnly);
    return true;
}
