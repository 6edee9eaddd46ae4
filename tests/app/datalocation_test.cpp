#include "app/DataLocation.h"
#include "app/LockvexMsgdial.h"
#include "app/LockvexSession.h"
#include "app/MgrMainApp.h"
#include "common/DateStamp.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using testing_support::StorageOp;
using testing_support::TestPlatform;

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DataLocation : public ::testing::Test {
protected:
    void TearDown() override
    {
        session.reset();
    }

    TLockvexMessages messages;
    std::unique_ptr<LockvexSession> session;
    TRunFolders &Folders() const { return session->Run.Folders; }
    TDataLocation &Location() const { return session->Run.Location; }

    void Start()
    {
        session = std::make_unique<LockvexSession>(messages);
        session->MainAppProcs->LocateDataFile();
    }
    QString Home(const QString &relative) const { return desktop.Home() + QLatin1Char('/') + relative; }
    void PutData(const QString &client, const QString &name = QStringLiteral("TrelLockvex.acsdb"),
                 const QByteArray &bytes = "data")
    {
        WriteFile(Home(client + QStringLiteral("/Lockvex/") + name), bytes);
    }

    TestPlatform desktop;
    platform::ScopedInstall guard{desktop};
};

TEST_F(DataLocation, NoCloudDataKeepsThePcFolderAndNoMarker)
{
    QDir().mkpath(Home("Dropbox"));
    Start();
    EXPECT_EQ(Folders().DataFileName, Home("Documents/Lockvex/TrelLockvex.acsdb"));
    EXPECT_TRUE(Location().CloudDataFolder.isEmpty());
    EXPECT_TRUE(Location().Clients[CloudDropbox].Exists);
    EXPECT_FALSE(Location().Clients[CloudDropbox].DataIn);
    EXPECT_FALSE(CheckDataInUse(Folders(), Location()));
    EXPECT_FALSE(QFile::exists(Folders().InUseMarkerFile));
}

TEST_F(DataLocation, DropboxWinsOverGoogleDriveAndABackupAloneCountsAsData)
{
    PutData("Google Drive");
    PutData("Dropbox", "TrelLockvex.BAC1");
    Start();
    EXPECT_TRUE(Location().Clients[CloudDropbox].DataIn);
    EXPECT_TRUE(Location().Clients[CloudGoogleDrive].DataIn);
    EXPECT_EQ(Folders().DataFileName, Home("Dropbox/Lockvex/TrelLockvex.acsdb"));
    EXPECT_EQ(Location().CloudDataFolder, Home("Dropbox/Lockvex"));
}

TEST_F(DataLocation, SkyDriveDataCountsAsOneDrive)
{
    QDir().mkpath(Home("OneDrive"));
    PutData("SkyDrive");
    Start();
    EXPECT_TRUE(Location().Clients[CloudOneDrive].DataIn);
    EXPECT_TRUE(Location().Clients[CloudOneDrive].Exists);
    EXPECT_EQ(Location().Clients[CloudOneDrive].Path, Home("SkyDrive"));
    EXPECT_EQ(Folders().DataFileName, Home("SkyDrive/Lockvex/TrelLockvex.acsdb"));
}

TEST_F(DataLocation, ACloudFolderThatIsAFileIsNoClient)
{
    WriteFile(Home("Dropbox"), "not a folder");
    Start();
    EXPECT_FALSE(Location().Clients[CloudDropbox].Exists);
    EXPECT_EQ(Folders().DataFileName, Folders().LocalDataFile);
}

TEST_F(DataLocation, InUseMarkerAtThreeAndThirteenHours)
{
    struct Case {
        int hoursAgo;
        bool readOnly;
    };
    for (Case c : {Case{3, true}, Case{13, false}}) {
        SCOPED_TRACE(c.hoursAgo);
        PutData("Dropbox");
        Start();
        StampNow();
        QString marker = Home("Dropbox/Lockvex/Lockvex User.txt");
        WriteFile(marker, "bob on desktop\r\n");
        ASSERT_TRUE(desktop.SetLastWriteTime(marker, desktop.Clock.addSecs(-3600 * c.hoursAgo)));
        EXPECT_EQ(CheckDataInUse(Folders(), Location()), c.readOnly);
        EXPECT_EQ(Folders().InUseMarkerFile, marker);
        if (c.readOnly) {
            EXPECT_EQ(Folders().DataUserName, "bob on desktop");
            EXPECT_EQ(ReadFile(marker), "bob on desktop\r\n");
        } else {
            EXPECT_TRUE(Folders().DataUserName.isEmpty());
            EXPECT_EQ(ReadFile(marker), "alice on laptop\r\n");
        }
        session.reset();
    }
}

TEST_F(DataLocation, AnUnreadableFreshMarkerMeansInUseBySomeoneUnnamed)
{
    PutData("Dropbox");
    Start();
    StampNow();
    QString marker = Home("Dropbox/Lockvex/Lockvex User.txt");
    QDir().mkpath(marker); // a folder where the marker should be: it exists, but reads as nothing
    ASSERT_TRUE(desktop.SetLastWriteTime(marker, desktop.Clock.addSecs(-60)) || true);
    EXPECT_TRUE(CheckDataInUse(Folders(), Location()));
    EXPECT_TRUE(Folders().DataUserName.isEmpty());
}

TEST_F(DataLocation, FirstRunMovesOnlyTheDataFilesOutOfDocuments)
{
    WriteFile(Home("Documents/TrelLockvex.acsdb"), "data");
    WriteFile(Home("Documents/TrelLockvex.BAC0"), "bac0");
    WriteFile(Home("Documents/holiday.txt"), "mine");
    session = std::make_unique<LockvexSession>(messages);
    EXPECT_EQ(ReadFile(Home("Documents/Lockvex/TrelLockvex.acsdb")), "data");
    EXPECT_EQ(ReadFile(Home("Documents/Lockvex/TrelLockvex.BAC0")), "bac0");
    EXPECT_FALSE(QFile::exists(Home("Documents/TrelLockvex.acsdb")));
    EXPECT_FALSE(QFile::exists(Home("Documents/TrelLockvex.BAC0")));
    EXPECT_EQ(ReadFile(Home("Documents/holiday.txt")), "mine");
    EXPECT_FALSE(QFile::exists(Home("Documents/Lockvex/holiday.txt")));
    EXPECT_EQ(Folders().IniFileName, Home("Documents/Lockvex.INI"));
}

TEST_F(DataLocation, AFailedFirstRunCopyKeepsTheDataInDocuments)
{
    WriteFile(Home("Documents/TrelLockvex.acsdb"), "data");
    desktop.FailStorage = [](StorageOp op, const QString &, qint64, qint64) { return op == StorageOp::Copy ? EIO : 0; };
    session = std::make_unique<LockvexSession>(messages);
    EXPECT_EQ(ReadFile(Home("Documents/TrelLockvex.acsdb")), "data");
}

// The three choices at exit, and where the next start finds the data.
TEST_F(DataLocation, ChoosingThePcWipesEveryCloudCopyAfterCopyingItHome)
{
    PutData("Google Drive", "TrelLockvex.acsdb", "cloud");
    QDir().mkpath(Home("Dropbox/Lockvex"));
    Start();
    Location().UsePC = true;
    ApplyDataLocation(Location(), Folders());
    EXPECT_EQ(ReadFile(Home("Documents/Lockvex/TrelLockvex.acsdb")), "cloud");
    EXPECT_FALSE(QFileInfo::exists(Home("Google Drive/Lockvex")));
    EXPECT_FALSE(QFileInfo::exists(Home("Dropbox/Lockvex")));
    session.reset();
    Start();
    EXPECT_EQ(Folders().DataFileName, Folders().LocalDataFile);
}

TEST_F(DataLocation, ChoosingGoogleDriveMovesPcDataThereAndWipesAStaleDropboxCopy)
{
    PutData("Dropbox", "Lockvex User.txt", "stale");
    WriteFile(Home("Documents/Lockvex/TrelLockvex.acsdb"), "pc");
    QDir().mkpath(Home("Google Drive"));
    Start();
    EXPECT_EQ(Folders().DataFileName, Folders().LocalDataFile);
    Location().Clients[CloudGoogleDrive].Use = true;
    ApplyDataLocation(Location(), Folders());
    EXPECT_EQ(ReadFile(Home("Google Drive/Lockvex/TrelLockvex.acsdb")), "pc");
    EXPECT_FALSE(QFileInfo::exists(Home("Dropbox/Lockvex")));
}

TEST_F(DataLocation, ChoosingWhereTheDataAlreadyIsOnlyRefreshesThePcCopy)
{
    PutData("Dropbox", "TrelLockvex.acsdb", "cloud");
    PutData("Google Drive", "TrelLockvex.acsdb", "other");
    Start();
    Location().Clients[CloudDropbox].Use = true;
    ApplyDataLocation(Location(), Folders());
    EXPECT_EQ(ReadFile(Home("Documents/Lockvex/TrelLockvex.acsdb")), "cloud");
    EXPECT_EQ(ReadFile(Home("Dropbox/Lockvex/TrelLockvex.acsdb")), "cloud");
    EXPECT_EQ(ReadFile(Home("Google Drive/Lockvex/TrelLockvex.acsdb")), "other");
}

TEST_F(DataLocation, AFailedCopyWipesNothing)
{
    PutData("Google Drive", "TrelLockvex.acsdb", "cloud");
    QDir().mkpath(Home("Dropbox"));
    Start();
    Location().Clients[CloudDropbox].Use = true;
    desktop.FailStorage = [this](StorageOp op, const QString &path, qint64, qint64) {
        return op == StorageOp::Copy && path.startsWith(Home("Dropbox")) ? EIO : 0;
    };
    ApplyDataLocation(Location(), Folders());
    EXPECT_EQ(ReadFile(Home("Google Drive/Lockvex/TrelLockvex.acsdb")), "cloud");

    desktop.FailStorage = [](StorageOp op, const QString &, qint64, qint64) { return op == StorageOp::Copy ? EIO : 0; };
    QFile::remove(Home("Documents/Lockvex/TrelLockvex.acsdb"));
    Location().UsePC = true;
    Location().Clients[CloudDropbox].Use = false;
    ApplyDataLocation(Location(), Folders());
    EXPECT_EQ(ReadFile(Home("Google Drive/Lockvex/TrelLockvex.acsdb")), "cloud");
}

// Program mode and the memory-stick paths.
TEST_F(DataLocation, ModeFollowsTheMediumOfTheProgramFile)
{
    session = std::make_unique<LockvexSession>(messages);
    desktop.ProgramPath = "/usr/local/bin/lockvex";
    EXPECT_FALSE(session->MainAppProcs->CheckRunAsApp());

    desktop.RemovableMountPoints = {"/media/alice/STICK"};
    desktop.ProgramPath = "/media/alice/STICK/Lockvex/lockvex";
    EXPECT_TRUE(session->MainAppProcs->CheckRunAsApp());
    EXPECT_EQ(Folders().ExeFolder, "/media/alice/STICK/Lockvex");
    EXPECT_EQ(session->MainAppProcs->Workstr, "LOCKVEX");
    EXPECT_EQ(Folders().DataFileName, "/media/alice/STICK/TrelLockvex.acsdb");
    EXPECT_EQ(Folders().IniFileName, "/media/alice/STICK/Lockvex.INI");

    desktop.ProgramPath = "/media/alice/STICK/lockvex";
    EXPECT_TRUE(session->MainAppProcs->CheckRunAsApp());
    EXPECT_EQ(Folders().DataFileName, "/media/alice/STICK/TrelLockvex.acsdb");
    EXPECT_EQ(Folders().IniFileName, "/media/alice/STICK/Lockvex.INI");
}

} // namespace
