#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrTfrToMemStick.h"
#include "app/RunState.h"
#include "entries/MgrLockvexLists.h"
#include "platform/Platform.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace
{

class MemStickTransfer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString home = desktop.Home();
        // The running program lies under a name of its own; the stick always gets "lockvex".
        QDir().mkpath(home + "/opt/bin");
        desktop.ProgramPath = home + "/opt/bin/lockvex-9.0";
        WriteFile(desktop.ProgramPath, "program bytes");
        QFile::setPermissions(desktop.ProgramPath, QFile::permissions(desktop.ProgramPath) | QFileDevice::ExeOwner);
        run.Folders.LocalDataFolder = desktop.Documents + "/Lockvex";
        QDir().mkpath(run.Folders.LocalDataFolder);
        WriteFile(run.Folders.LocalDataFolder + "/TrelLockvex.acsdb", "PC data");
        // The data in use lives in Dropbox; the stick gets the PC's copy.
        QDir().mkpath(home + "/Dropbox/Lockvex");
        run.Folders.DataFileName = home + "/Dropbox/Lockvex/TrelLockvex.acsdb";
        WriteFile(run.Folders.DataFileName, "cloud data");
        stick = home + "/media/STICK";
        QDir().mkpath(stick);
        desktop.RemovableMountPoints << stick;
    }

    static void WriteFile(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    static QByteArray ReadFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    void ExpectMessage(int number)
    {
        ASSERT_EQ(messages.Shown.size(), 1);
        EXPECT_EQ(messages.Shown[0].Caption, MsgCatalogue[number].Title);
        EXPECT_EQ(messages.Shown[0].Text, stick);
    }

    testing_support::TestPlatform desktop;
    platform::ScopedInstall guard{desktop};
    TLockvexMessages runMessages;
    ScopedMessageResponder messages{runMessages};
    TListManager lists{nullptr}; // counts the access passwords
    TRunState run;               // the PC's data folder and the data file in use
    QString stick;
};

TEST_F(MemStickTransfer, BothCopiesMadeOverwriteOldOnesAndReportSuccess)
{
    WriteFile(stick + "/lockvex", "old program");
    WriteFile(stick + "/TrelLockvex.acsdb", "old data");
    TLVDlgProcs(run, runMessages).TfrToMemStick(stick);
    EXPECT_EQ(ReadFile(stick + "/lockvex"), "program bytes");
    EXPECT_EQ(ReadFile(stick + "/TrelLockvex.acsdb"), "PC data");
    EXPECT_FALSE(QFile::exists(stick + "/TrelLockvex.BAC0"));
    EXPECT_TRUE(QFile::permissions(stick + "/lockvex") & QFileDevice::ExeOwner); // still runs from the stick
    ExpectMessage(MsgCopiedToStick);
}

TEST_F(MemStickTransfer, AFailedProgramCopyStillCopiesTheDataAndReportsFailure)
{
    desktop.FailStorage = [](testing_support::StorageOp op, const QString &path, qint64, qint64) {
        return op == testing_support::StorageOp::Copy && path.endsWith("/lockvex") ? EIO : 0;
    };
    TfrToMemStick(runMessages, stick, run.Folders);
    EXPECT_FALSE(QFile::exists(stick + "/lockvex"));
    EXPECT_EQ(ReadFile(stick + "/TrelLockvex.acsdb"), "PC data");
    ExpectMessage(MsgUnableToCopy);
}

TEST_F(MemStickTransfer, AMissingDataFileStillCopiesTheProgramAndReportsFailure)
{
    QFile::remove(run.Folders.LocalDataFolder + "/TrelLockvex.acsdb");
    TfrToMemStick(runMessages, stick, run.Folders);
    EXPECT_EQ(ReadFile(stick + "/lockvex"), "program bytes");
    EXPECT_FALSE(QFile::exists(stick + "/TrelLockvex.acsdb"));
    ExpectMessage(MsgUnableToCopy);
}

TEST_F(MemStickTransfer, AFolderNameEndingInASeparatorJoinsCleanly)
{
    stick += "/";
    TfrToMemStick(runMessages, stick, run.Folders);
    EXPECT_EQ(ReadFile(desktop.Home() + "/media/STICK/TrelLockvex.acsdb"), "PC data");
    ExpectMessage(MsgCopiedToStick);
}

TEST_F(MemStickTransfer, CommandWithOneAccessPasswordAsksForASecondAndOpensNoBrowser)
{
    lists.LoginPWs = 1;
    int asked = 0;
    desktop.FolderAnswer = [&](const QString &, const QString &) {
        ++asked;
        return stick;
    };
    TfrMemStickCommand(runMessages, lists, run.Folders);
    EXPECT_EQ(asked, 0);
    ASSERT_EQ(messages.Shown.size(), 1);
    EXPECT_EQ(messages.Shown[0].Caption, MsgCatalogue[MsgTwoPasswordsNeeded].Title);
    EXPECT_FALSE(QFile::exists(stick + "/TrelLockvex.acsdb"));
}

TEST_F(MemStickTransfer, CommandRefusesFoldersThatAreNotAStickUntilOneIsChosen)
{
    lists.LoginPWs = 2;
    QStringList answers{desktop.Home(), stick + "/sub", stick};
    QStringList captions;
    desktop.FolderAnswer = [&](const QString &caption, const QString &) {
        captions << caption;
        return answers.takeFirst();
    };
    TfrMemStickCommand(runMessages, lists, run.Folders);
    EXPECT_EQ(captions, QStringList(3, "SELECT MEMORY STICK"));
    ASSERT_EQ(messages.Shown.size(), 3);
    // Each refusal says why and what to do, under the catalogue's words.
    const QString why = "\" is not on a removable drive. Insert a memory stick and choose its folder (under /media or "
                        "/run/media).";
    EXPECT_EQ(messages.Shown[0].Text, "Please select a memory stick\n\"" + desktop.Home() + why);
    EXPECT_EQ(messages.Shown[1].Text, "Please select a memory stick\n\"" + stick + "/sub" + why);
    EXPECT_EQ(messages.Shown[2].Caption, "Program and data copied to:");
    EXPECT_EQ(ReadFile(stick + "/TrelLockvex.acsdb"), "PC data");
}

TEST_F(MemStickTransfer, CommandCancelledCopiesNothing)
{
    lists.LoginPWs = 0;
    TfrMemStickCommand(runMessages, lists, run.Folders); // the folder browser answers nothing: cancelled
    EXPECT_TRUE(messages.Shown.isEmpty());
    EXPECT_FALSE(QFile::exists(stick + "/lockvex"));
}

} // namespace
