// Where the data lives: on the PC or in a cloud client's synchronised folder, the in-use marker
// that keeps a second computer read-only, and the move to the location the user chose.

#include "app/MgrMainApp.h"

#include "app/DataLocation.h"
#include "app/LockvexSession.h"
#include "app/RunState.h"

#include "common/DateStamp.h"
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

// Wipes the data of every client that exists, but the one kept (CloudClientCount: none).
void WipeClientsData(const TDataLocation &location, int kept)
{
    for (int client = 0; client < CloudClientCount; ++client) {
        const TCloudClientState &state = location.Clients[size_t(client)];
        if (client != kept && state.Exists)
            DeleteFolder(LockvexFolderOf(state.Path));
    }
}

// Moves the data into the chosen cloud client folder, then wipes the other clients' copies.
// Nothing is wiped unless the copy arrived whole.
void MoveDataToClient(const TDataLocation &location, const QString &localDataFolder, int client)
{
    const TCloudClientState &chosen = location.Clients[size_t(client)];
    if (chosen.DataIn)
        return;
    if (!CopyDataFolder(localDataFolder, LockvexFolderOf(chosen.Path)))
        return;
    WipeClientsData(location, client);
}

} // namespace

const std::array<TCloudClientRow, CloudClientCount> CloudClients = {{
    {QStringLiteral("Dropbox"), QString(), QStringLiteral("Dropbox"), TDataPlace::Dropbox,
     QStringLiteral("safe in Dropbox"), QStringLiteral("     Data in Dropbox")},
    {QStringLiteral("Google Drive"), QString(), QStringLiteral("Google Drive"), TDataPlace::GoogleDrive,
     QStringLiteral("safe in Google Drive"), QStringLiteral("Data in Google Drive")},
    {QStringLiteral("OneDrive"), QStringLiteral("SkyDrive"), QStringLiteral("SkyDrive"), TDataPlace::OneDrive,
     QStringLiteral("safe in OneDrive"), QStringLiteral("   Data in OneDrive")},
}};

int TDataLocation::DataClient() const
{
    for (int client = 0; client < CloudClientCount; ++client)
        if (Clients[size_t(client)].DataIn)
            return client;
    return CloudClientCount;
}

bool TDataLocation::AnyClientExists() const
{
    for (const TCloudClientState &state : Clients)
        if (state.Exists)
            return true;
    return false;
}

void TDataLocation::UseOnly(int client)
{
    UsePC = client == CloudClientCount;
    for (int other = 0; other < CloudClientCount; ++other)
        Clients[size_t(other)].Use = other == client;
}

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
    session_.Run.Folders.DataFileName = cloudFileLocation;
    return true;
}

void TMgrMainAppProcs::LocateDataFile()
{
    TRunFolders &folders = session_.Run.Folders;
    TDataLocation &location = session_.Run.Location;
    folders.DataFileName = folders.LocalDataFile;
    location.Clear();
    for (int client = 0; client < CloudClientCount; ++client) {
        const TCloudClientRow &row = CloudClients[size_t(client)];
        TCloudClientState &state = location.Clients[size_t(client)];
        state.Path = Join(folders.ProfileFolder, row.Folder);
        state.DataIn = LockvexFolderExists(state.Path, state.Exists, state.DataFile);
        if (state.DataIn || row.OlderFolder.isEmpty())
            continue;
        // The client's older folder ("SkyDrive" for OneDrive) counts when it holds the data, or
        // when the current folder does not exist and it does; otherwise the state keeps naming
        // the current folder, so that Exists tells whether the folder Path names exists.
        const QString olderPath = Join(folders.ProfileFolder, row.OlderFolder);
        bool olderExists = false;
        QString olderDataFile;
        const bool dataInOlder = LockvexFolderExists(olderPath, olderExists, olderDataFile);
        if (dataInOlder || (!state.Exists && olderExists)) {
            state.Path = olderPath;
            state.Exists = true;
            state.DataFile = olderDataFile;
            state.DataIn = dataInOlder;
        }
    }

    const int holder = location.DataClient();
    if (holder < CloudClientCount) {
        const TCloudClientState &state = location.Clients[size_t(holder)];
        folders.DataFileName = state.DataFile;
        location.CloudDataFolder = LockvexFolderOf(state.Path);
    } else {
        folders.DataFileName = folders.LocalDataFile;
    }
}

bool CheckDataInUse(TRunFolders &folders, const TDataLocation &location)
{
    QString lastName, folder;
    SplitLastFolder(folders.DataFileName, lastName, folder);
    folders.InUseMarkerFile = BuildFileName(InUseMarkerName, folder, QString(), InUseMarkerExt);
    folders.DataUserName.clear();
    if (location.CloudDataFolder.isEmpty())
        return false;

    QFileInfo marker(folders.InUseMarkerFile);
    if (marker.exists()) {
        TDateTime written = ToTDateTime(marker.lastModified());
        if (written > StampNow().NowDateTime - 0.5) {
            // Another copy of the program opened the data less than 12 hours ago. A marker that
            // exists but cannot be read still counts: the data is in use, by someone unnamed.
            QFile file(folders.InUseMarkerFile);
            if (file.open(QIODevice::ReadOnly))
                folders.DataUserName = win1252::ToUnicode(file.readLine().trimmed());
            return true;
        }
    }
    // No marker, or a stale one: this copy now holds the data. A marker that cannot be written
    // (a cloud folder without write access) leaves the run in normal mode; the other computer
    // simply won't be warned.
    QSaveFile file(folders.InUseMarkerFile);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(win1252::FromUnicode(ThisUserName()) + "\r\n");
        file.commit();
    }
    return false;
}

void ApplyDataLocation(const TDataLocation &location, const TRunFolders &folders)
{
    const QString &cloudFolder = location.CloudDataFolder;
    if (!cloudFolder.isEmpty()) {
        // The PC always keeps a current copy of the cloud data. When that copy fails, nothing
        // is moved or wiped: the next start finds the data where it was.
        if (!CopyDataFolder(cloudFolder, folders.LocalDataFolder))
            return;
    }
    if (!FolderHoldsData(folders.LocalDataFolder))
        return; // the PC folder holds no data: wiping a cloud copy could lose the only one
    if (location.UsePC) {
        WipeClientsData(location, CloudClientCount);
        return;
    }
    for (int client = 0; client < CloudClientCount; ++client) {
        if (location.Clients[size_t(client)].Use) {
            MoveDataToClient(location, folders.LocalDataFolder, client);
            return;
        }
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
