// The program body's start and exit steps around the store: what the user is told when the data
// file was damaged, and what the exit steps report.

#include "app/LockvexMsgdial.h"
#include "app/MgrMainApp.h"
#include "app/ProgramBody.h"
#include "common/DateStamp.h"
#include "common/Globals.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

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
        ResetGlobals();
        StampNow();
        Folder = desktop.Documents + QStringLiteral("/Lockvex");
        QDir().mkpath(Folder);
        Data = Folder + QStringLiteral("/TrelLockvex.acsdb");
    }
    void TearDown() override
    {
        delete MainAppProcs;
        MainAppProcs = nullptr;
        ResetGlobals();
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

    QStringList DamagedFiles() const
    {
        return QDir(Folder).entryList({QStringLiteral("TrelLockvex.damaged-*")}, QDir::Files);
    }

    testing_support::TestPlatform desktop;
    platform::ScopedInstall guard{desktop};
    QString Folder, Data;
};

TEST_F(StartExitSteps, ADamagedDataFileRestoredAtStartIsToldWithTheNameItIsKeptUnder)
{
    MakeData({QStringLiteral("kept")});
    WriteFile(Data, ReadFile(Data).left(LockvexRecSize - 10)); // cut inside the record
    ScopedMessageResponder responder;
    RunStartSteps();
    ASSERT_EQ(DamagedFiles().size(), 1);
    ASSERT_EQ(responder.Shown.size(), 1);
    EXPECT_EQ(responder.Shown[0].Caption, QStringLiteral("YOUR DATA FILE WAS DAMAGED"));
    EXPECT_EQ(responder.Shown[0].Text,
              QStringLiteral("It was restored from your last backup. The damaged file is kept as ") + Folder +
                  QLatin1Char('/') + DamagedFiles().first());
    EXPECT_EQ(responder.Shown[0].DlgType, mtWarning);
    EXPECT_EQ(responder.Shown[0].Buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(LockvexTbl->NumRecords(), 1);
    RunExitSteps();

    // A data file that opens as it is tells nothing.
    responder.Shown.clear();
    RunStartSteps();
    EXPECT_TRUE(responder.Shown.isEmpty());
    RunExitSteps();
}

TEST_F(StartExitSteps, ABackupThatFailsAtExitIsWrittenToStandardError)
{
    MakeData({QStringLiteral("kept")});
    const QByteArray backup = ReadFile(Folder + QStringLiteral("/TrelLockvex.BAC0"));
    ScopedMessageResponder responder;
    RunStartSteps();
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
    RunStartSteps();
    ::testing::internal::CaptureStderr();
    RunExitSteps();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), std::string());
}

} // namespace
