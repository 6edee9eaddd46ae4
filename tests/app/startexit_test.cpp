// The program body's start and exit steps around the store: what the user is told when the data
// file was damaged, and what the exit steps report.

#include "app/LockvexMsgdial.h"
#include "app/LockvexSession.h"
#include "app/MgrImportFiles.h"
#include "app/MgrMainApp.h"
#include "app/ProgramBody.h"
#include "common/DateStamp.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace
{

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class StartExitSteps : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StampNow();
        Folder = desktop.Documents + QStringLiteral("/Lockvex");
        QDir().mkpath(Folder);
        Data = Folder + QStringLiteral("/TrelLockvex.acsdb");
        Imports = desktop.Home() + QStringLiteral("/imports");
        QDir().mkpath(Imports);
    }
    void TearDown() override
    {
        if (RunSession())
            RunExitSteps();
    }

    // A data file of the given entries with its newest backup, as a normal close leaves them.
    void MakeData(const QStringList &names)
    {
        TV9LockvexTbl table(true);
        ASSERT_TRUE(table.OpenPool(Data));
        for (const QString &name : names) {
            TLockvexRec rec;
            rec.SetName(name);
            (void)table.WriteLockvexRec(table.AddLockvexIndexItem(name), &rec);
        }
    }

    // In a child process that then ends as told: starts a run and imports, which writes a log
    // of the passwords beside the import file «imports/pw.csv».
    void StartAndWriteALog()
    {
        ScopedMessageResponder responder{runMessages};
        RunStartSteps(runMessages);
        QString log;
        int handle = -1;
        if (RunSession()->TempFiles->CreateImportLog(Imports + QStringLiteral("/pw"), log, handle) != 0)
            std::_Exit(3);
        if (::write(handle, "Accepted by User   Bank,secret\r\n", 33) != 33)
            std::_Exit(4);
    }

    QStringList DamagedFiles() const
    {
        return QDir(Folder).entryList({QStringLiteral("TrelLockvex.damaged-*")}, QDir::Files);
    }

    testing_support::TestPlatform desktop;
    platform::ScopedInstall guard{desktop};
    QString Folder, Data, Imports;
    TLockvexMessages runMessages; // the run's messages, from the start steps to the exit steps
};

TEST_F(StartExitSteps, ADamagedDataFileRestoredAtStartIsToldWithTheNameItIsKeptUnder)
{
    MakeData({QStringLiteral("kept")});
    WriteFile(Data, ReadFile(Data).left(LockvexRecSize - 10)); // cut inside the record
    ScopedMessageResponder responder{runMessages};
    RunStartSteps(runMessages);
    ASSERT_EQ(DamagedFiles().size(), 1);
    ASSERT_EQ(responder.Shown.size(), 1);
    EXPECT_EQ(responder.Shown[0].Caption, QStringLiteral("YOUR DATA FILE WAS DAMAGED"));
    EXPECT_EQ(responder.Shown[0].Text,
              QStringLiteral("It was restored from your last backup. The damaged file is kept as ") + Folder +
                  QLatin1Char('/') + DamagedFiles().first());
    EXPECT_EQ(responder.Shown[0].DlgType, mtWarning);
    EXPECT_EQ(responder.Shown[0].Buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(RunSession()->LockvexTbl->NumRecords(), 1);
    RunExitSteps();

    // A data file that opens as it is tells nothing.
    responder.Shown.clear();
    RunStartSteps(runMessages);
    EXPECT_TRUE(responder.Shown.isEmpty());
    RunExitSteps();
}

// The mode the start decides, from where the program lies and whether another copy holds the data
// file: a held data file makes the run read-only on the PC and on a memory stick alike.
TEST_F(StartExitSteps, TheStartDecidesTheRunModeFromTheMediumAndTheDataFilesLock)
{
    const QString stick = desktop.Home() + QStringLiteral("/media/STICK");
    QDir().mkpath(stick);
    struct Case {
        const char *name;
        bool onStick, held;
        TRunMode::Kind kind;
        bool readOnly;
    };
    const Case cases[] = {{"PC", false, false, TRunMode::Kind::Normal, false},
                          {"PC, data held", false, true, TRunMode::Kind::ReadOnly, true},
                          {"stick", true, false, TRunMode::Kind::MemStick, false},
                          {"stick, data held", true, true, TRunMode::Kind::MemStick, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        desktop.RemovableMountPoints.clear();
        if (c.onStick)
            desktop.RemovableMountPoints << stick;
        desktop.ProgramPath = c.onStick ? stick + QStringLiteral("/lockvex") : QStringLiteral("/usr/bin/lockvex");
        const QString data = c.onStick ? stick + QStringLiteral("/TrelLockvex.acsdb") : Data;
        TV9LockvexTbl otherCopy(true);
        if (c.held)
            ASSERT_TRUE(otherCopy.LockDataFile(data, QStringLiteral("bob on desk")));
        ASSERT_TRUE(RunStartSteps(runMessages));
        const TRunState &run = RunSession()->Run;
        EXPECT_EQ(run.Mode.RunKind(), c.kind);
        EXPECT_EQ(run.Mode.MemStickMode(), c.onStick);
        EXPECT_EQ(run.Mode.ReadOnlyMode(), c.readOnly);
        EXPECT_EQ(RunSession()->LockvexTbl->ReadOnlyMode(), c.readOnly);
        EXPECT_EQ(RunSession()->LockvexTbl->IsRunOnMemstick(), c.onStick);
        EXPECT_EQ(run.Folders.DataFileName, data);
        EXPECT_EQ(run.Folders.DataUserName, c.held ? QStringLiteral("bob on desk") : QString());
        RunExitSteps();
    }
}

TEST_F(StartExitSteps, ABackupThatFailsAtExitIsWrittenToStandardError)
{
    MakeData({QStringLiteral("kept")});
    const QByteArray backup = ReadFile(Folder + QStringLiteral("/TrelLockvex.BAC0"));
    ScopedMessageResponder responder{runMessages};
    RunStartSteps(runMessages);
    desktop.FailStorage = [](testing_support::StorageOp op, const QString &path, qint64, qint64) {
        return op == testing_support::StorageOp::Rename && path.endsWith(QStringLiteral(".BAC0")) ? EIO : 0;
    };
    ::testing::internal::CaptureStderr();
    RunExitSteps();
    const std::string told = ::testing::internal::GetCapturedStderr();
    desktop.FailStorage = nullptr;
    EXPECT_NE(told.find("Lockvex: "), std::string::npos) << told;
    EXPECT_NE(told.find("TrelLockvex.TEMP could not be renamed"), std::string::npos) << told;
    EXPECT_EQ(ReadFile(Folder + QStringLiteral("/TrelLockvex.BAC0")), backup);

    // An exit that goes well writes nothing there.
    RunStartSteps(runMessages);
    ::testing::internal::CaptureStderr();
    RunExitSteps();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), std::string());
}

// A run that did not end normally (killed: no exit step ran) leaves its import log behind; the
// next start removes it, and only while it is still the file that run made.
TEST_F(StartExitSteps, ALogLeftByARunThatDidNotEndIsRemovedAtTheNextStart)
{
    MakeData({QStringLiteral("kept")});
    for (const bool replacedMeanwhile : {false, true}) {
        SCOPED_TRACE(replacedMeanwhile ? "the name now names the user's file" : "the log as it was made");
        EXPECT_EXIT(
            {
                StartAndWriteALog();
                std::_Exit(9); // as killed: nothing of the exit steps runs
            },
            ::testing::ExitedWithCode(9), "");
        const QString log = Imports + QStringLiteral("/pw Log.txt");
        ASSERT_TRUE(QFile::exists(log));
        if (replacedMeanwhile) {
            WriteFile(Imports + QStringLiteral("/mine"), "the user's own");
            ASSERT_TRUE(QFile::remove(log) && QFile::rename(Imports + QStringLiteral("/mine"), log));
        }
        ScopedMessageResponder responder{runMessages};
        RunStartSteps(runMessages);
        EXPECT_EQ(QFile::exists(log), replacedMeanwhile);
        RunExitSteps();
        if (replacedMeanwhile)
            EXPECT_EQ(ReadFile(log), "the user's own");
        QFile::remove(log);
    }
}

// Qt on X11 ends the program with exit(1) when the display connection breaks. What needs no
// window still happens as on an ending signal: the import's log goes and the data closes with
// its newest backup.
TEST_F(StartExitSteps, AnExitCallDuringTheRunStillRemovesTheImportFilesAndClosesTheData)
{
    MakeData({QStringLiteral("kept")});
    QFile::remove(Folder + QStringLiteral("/TrelLockvex.BAC0"));
    EXPECT_EXIT(
        {
            EndRunOnExit();
            StartAndWriteALog();
            std::exit(1);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_FALSE(QFile::exists(Imports + QStringLiteral("/pw Log.txt")));
    EXPECT_TRUE(QFile::exists(Folder + QStringLiteral("/TrelLockvex.BAC0")));
    // The next start finds nothing left to remove and forgets the log.
    ScopedMessageResponder responder{runMessages};
    RunStartSteps(runMessages);
    RunExitSteps();
    EXPECT_FALSE(ReadFile(desktop.Documents + QStringLiteral("/Lockvex.INI")).contains("ImportLogs"));
}

} // namespace
