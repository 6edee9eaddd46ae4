// Where the data lives: on the PC or in a cloud client's synchronised folder, the in-use marker
// that keeps a second computer read-only, and the move to the location the user chose.

#include "app/MgrMainApp.h"

#include "common/DateStamp.h"
#include "common/Globals.h"
#include "common/PathRoutines.h"
#include "common/Win1252.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString Join(const QString &folder, const QString &name) { return folder + QLatin1Char('/') + name; }

QString LockvexFolderOf(const QString &clientPath) { return Join(clientPath, LockvexFolderName); }

bool FolderExists(const QString &path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

bool FileExists(const QString &path) { return QFileInfo(path).isFile(); }

// The data files a data folder may hold, most important first.
QStringList DataFileNames() { return {DataFileNameOnly, NewerBackupNameOnly, OlderBackupNameOnly}; }

// A copy is safe when every data file of the source lies in the target with the source's size
// and last-write time (at the file system's two-second resolution).
bool FolderHoldsData(const QString &folder)
{
    if (!FolderExists(folder))
        return false;
    for (const QString &name : DataFileNames())
        if (FileExists(Join(folder, name)))
            return true;
    return false;
}

bool DataCopiedSafely(const QString &sourceFolder, const QString &targetFolder)
{
    bool anyData = false;
    for (const QString &name : DataFileNames()) {
        QFileInfo source(Join(sourceFolder, name));
        if (!source.isFile())
            continue;
        anyData = true;
        QFileInfo target(Join(targetFolder, name));
        if (!target.isFile() || target.size() != source.size())
            return false;
        if (qAbs(target.lastModified().msecsTo(source.lastModified())) >= 2000)
            return false;
    }
    return anyData;
}

bool CopyDataFolder(const QString &sourceFolder, const QString &targetFolder)
{
    QDir().mkpath(targetFolder);
    CopyFolderFiles(sourceFolder, targetFolder);
    return DataCopiedSafely(sourceFolder, targetFolder);
}

void WipeClientData(bool clientExists, const QString &clientPath)
{
    if (clientExists)
        DeleteFolder(LockvexFolderOf(clientPath));
}

// Moves the data into the chosen cloud client folder, then wipes the other clients' copies.
// Nothing is wiped unless the copy arrived whole.
void MoveDataToClient(bool dataAlreadyThere, const QString &clientPath, const std::pair<bool, QString> &otherA,
                      const std::pair<bool, QString> &otherB)
{
    if (dataAlreadyThere)
        return;
    if (!CopyDataFolder(LocalDataFolder, LockvexFolderOf(clientPath)))
        return;
    WipeClientData(otherA.first, otherA.second);
    WipeClientData(otherB.first, otherB.second);
}

} // namespace

QString ThisUserName()
{
    platform::Platform &desktop = platform::Current();
    QString login = desktop.LoginName(), host = desktop.HostName();
    if (host.isEmpty())
        return login;
    return login + QStringLiteral(" on ") + host;
}

bool TMgrMainAppProcs::LockvexDataExists(const QString &lockvexFolder) const { return FolderHoldsData(lockvexFolder); }

bool TMgrMainAppProcs::LockvexFolderExists(const QString &cloudPath, bool &cloudPathExists, QString &cloudFileLocation)
{
    cloudPathExists = false;
    cloudFileLocation.clear();
    if (!FolderExists(cloudPath))
        return false;
    cloudPathExists = true;
    cloudFileLocation = Join(LockvexFolderOf(cloudPath), DataFileNameOnly);
    if (!LockvexDataExists(LockvexFolderOf(cloudPath)))
        return false;
    DataFileName = cloudFileLocation;
    return true;
}

void TMgrMainAppProcs::LocateDataFile()
{
    DataFileName = LocalDataFile;
    CloudDataFolder.clear();
    DropboxExists = GoogleDriveExists = OneDriveExists = false;
    DataInDropbox = DataInGoogleDrive = DataInOneDrive = false;
    UsePC = UseDropbox = UseGoogleDrive = UseOneDrive = false;

    DropboxPath = Join(ProfileFolder, QStringLiteral("Dropbox"));
    DataInDropbox = LockvexFolderExists(DropboxPath, DropboxExists, DropboxDataFile);

    GoogleDrivePath = Join(ProfileFolder, QStringLiteral("Google Drive"));
    DataInGoogleDrive = LockvexFolderExists(GoogleDrivePath, GoogleDriveExists, GoogleDriveDataFile);

    OneDrivePath = Join(ProfileFolder, QStringLiteral("OneDrive"));
    DataInOneDrive = LockvexFolderExists(OneDrivePath, OneDriveExists, OneDriveDataFile);
    if (!DataInOneDrive) {
        // "SkyDrive" is the OneDrive client's older folder name. When it holds no data either,
        // the OneDrive globals keep naming the "OneDrive" folder, so that OneDriveExists tells
        // whether the folder OneDrivePath names exists.
        QString skyDrivePath = Join(ProfileFolder, QStringLiteral("SkyDrive"));
        bool skyDriveExists = false;
        QString skyDriveDataFile;
        if (LockvexFolderExists(skyDrivePath, skyDriveExists, skyDriveDataFile)) {
            OneDrivePath = skyDrivePath;
            OneDriveExists = true;
            OneDriveDataFile = skyDriveDataFile;
            DataInOneDrive = true;
        } else if (!OneDriveExists && skyDriveExists) {
            OneDrivePath = skyDrivePath;
            OneDriveExists = true;
            OneDriveDataFile = skyDriveDataFile;
        }
    }

    if (DataInDropbox) {
        DataFileName = DropboxDataFile;
        CloudDataFolder = LockvexFolderOf(DropboxPath);
    } else if (DataInGoogleDrive) {
        DataFileName = GoogleDriveDataFile;
        CloudDataFolder = LockvexFolderOf(GoogleDrivePath);
    } else if (DataInOneDrive) {
        DataFileName = OneDriveDataFile;
        CloudDataFolder = LockvexFolderOf(OneDrivePath);
    } else {
        DataFileName = LocalDataFile;
    }
}

bool CheckDataInUse()
{
    QString lastName, folder;
    SplitLastFolder(DataFileName, lastName, folder);
    InUseMarkerFile = BuildFileName(InUseMarkerName, folder, QString(), InUseMarkerExt);
    DataUserName.clear();
    if (CloudDataFolder.isEmpty())
        return false;

    QFileInfo marker(InUseMarkerFile);
    if (marker.exists()) {
        TDateTime written = ToTDateTime(marker.lastModified());
        if (written > NowDateTime - 0.5) {
            // Another copy of the program opened the data less than 12 hours ago. A marker that
            // exists but cannot be read still counts: the data is in use, by someone unnamed.
            QFile file(InUseMarkerFile);
            if (file.open(QIODevice::ReadOnly))
                DataUserName = win1252::ToUnicode(file.readLine().trimmed());
            return true;
        }
    }
    // No marker, or a stale one: this copy now holds the data. A marker that cannot be written
    // (a cloud folder without write access) leaves the run in normal mode; the other computer
    // simply won't be warned.
    QSaveFile file(InUseMarkerFile);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(win1252::FromUnicode(ThisUserName()) + "\r\n");
        file.commit();
    }
    return false;
}

void ApplyDataLocation()
{
    if (!CloudDataFolder.isEmpty()) {
        // The PC always keeps a current copy of the cloud data. When that copy fails, nothing
        // is moved or wiped: the next start finds the data where it was.
        if (!CopyDataFolder(CloudDataFolder, LocalDataFolder))
            return;
    }
    if (!FolderHoldsData(LocalDataFolder))
        return; // the PC folder holds no data: wiping a cloud copy could lose the only one
    if (UsePC) {
        WipeClientData(DropboxExists, DropboxPath);
        WipeClientData(GoogleDriveExists, GoogleDrivePath);
        WipeClientData(OneDriveExists, OneDrivePath);
    } else if (UseDropbox) {
        MoveDataToClient(DataInDropbox, DropboxPath, {GoogleDriveExists, GoogleDrivePath},
                         {OneDriveExists, OneDrivePath});
    } else if (UseGoogleDrive) {
        MoveDataToClient(DataInGoogleDrive, GoogleDrivePath, {DropboxExists, DropboxPath},
                         {OneDriveExists, OneDrivePath});
    } else if (UseOneDrive) {
        MoveDataToClient(DataInOneDrive, OneDrivePath, {DropboxExists, DropboxPath},
                         {GoogleDriveExists, GoogleDrivePath});
    }
}

void MigrateDocumentsData(const QString &documentsFolder, const QString &localDataFolder)
{
    // Only the program's own files move: the data file, its backups, TEMP copy and log. The rest
    // of the Documents folder belongs to the user and is neither copied nor touched.
    QDir().mkpath(localDataFolder);
    const QStringList ownFiles =
        QDir(documentsFolder).entryList({DataFileBaseName + QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    bool allCopied = true;
    for (const QString &name : ownFiles)
        allCopied = CopyNewerFile(Join(documentsFolder, name), Join(localDataFolder, name)) && allCopied;
    if (!allCopied || (!ownFiles.isEmpty() && !DataCopiedSafely(documentsFolder, localDataFolder))) {
        QDir().rmdir(localDataFolder); // fails, harmlessly, when something arrived in it
        return;
    }
    for (const QString &name : DataFileNames())
        QFile::remove(Join(documentsFolder, name));
}
