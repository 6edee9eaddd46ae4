// The program body's start when the data cannot be used: a data file that does not open, also
// after its recovery, and an entry that cannot be read at sign-in. The user is told (message 19)
// and the program ends without a sign-in or a window, leaving every file as it was.

#include "app/LockvexMsgdial.h"
#include "app/LockvexSession.h"
#include "app/MgrMainApp.h"
#include "app/ProgramBody.h"
#include "common/DateStamp.h"
#include "entries/MgrLockvexItems.h"
#include "store/PoolFile.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "support/TestPlatform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>

#include <gtest/gtest.h>

#include <cerrno>

namespace
{

const QString DataNotOpenedText = QStringLiteral(
    "Lockvex could not open your data file. No file has been changed; Lockvex will try again when you next start it.");

class StartWithUnusableData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StampNow();
        dataFolder = desktop.Documents + QStringLiteral("/Lockvex");
        QDir().mkpath(dataFolder);
        // A data file with an entry that has a password, closed once, so that a backup exists.
        TV9LockvexTbl table(true);
        ASSERT_TRUE(table.OpenPool(dataFolder + QStringLiteral("/TrelLockvex.acsdb")));
        TLockvexRec rec;
        rec.SetName(QStringLiteral("Bank"));
        rec.SetPassword(QStringLiteral("Alpha1"));
        ASSERT_EQ(table.WriteLockvexRec(table.AddLockvexIndexItem(rec.GetName()), &rec), WriteOK);
    }

    void TearDown() override
    {
        desktop.FailStorage = nullptr;
        desktop.FailStorage = nullptr;
        if (RunSession())
            RunExitSteps();
    }

    // Every file of the data folder, hidden ones included, with its bytes.
    QMap<QString, QByteArray> DataFiles() const
    {
        QMap<QString, QByteArray> files;
        const QDir folder(dataFolder);
        for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (name.endsWith(QStringLiteral(".lvlock")))
                continue; // the lock of a run in progress, which goes with the run
            QFile file(folder.filePath(name));
            files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)"));
        }
        return files;
    }

    void ExpectOnlyMessage19()
    {
        ASSERT_EQ(messages.Shown.size(), 1);
        EXPECT_EQ(messages.Shown[0].Caption, QString());
        EXPECT_EQ(messages.Shown[0].Text, DataNotOpenedText);
        EXPECT_EQ(messages.Shown[0].DlgType, mtError);
        EXPECT_EQ(messages.Shown[0].Buttons, QStringList{QStringLiteral("OK")});
    }

    testing_support::TestPlatform desktop;
    platform::ScopedInstall guard{desktop};
    TLockvexMessages runMessages; // the run's, answered by the responder
    ScopedMessageResponder messages{runMessages};
    QString dataFolder;
};

TEST_F(StartWithUnusableData, ADataFileThatDoesNotOpenEndsTheStartWithMessage19AndChangesNoFile)
{
    QFile damaged(dataFolder + QStringLiteral("/TrelLockvex.acsdb"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("damaged");
    damaged.close();
    // The restore from the backup cannot copy it: the entry table opens nothing.
    desktop.FailStorage = [](testing_support::StorageOp op, const QString &, qint64, qint64) {
        return op == testing_support::StorageOp::Copy ? EIO : 0;
    };
    const QMap<QString, QByteArray> before = DataFiles();
    ASSERT_TRUE(before.contains(QStringLiteral("TrelLockvex.BAC0")));

    bool windowShown = false;
    bool signInAsked = false; // a sign-in that lets anyone in: not signed in unless never asked
    const TSignInPrompt signIn = [&](SignInDialog, const TSignInNeeds &) { return signInAsked = true; };
    const int result = RunLockvex(*qApp, runMessages, signIn, [&](QApplication &, LockvexSession &) {
        windowShown = true;
        return 0;
    });
    EXPECT_NE(result, 0);
    EXPECT_FALSE(windowShown);
    EXPECT_FALSE(signInAsked);
    ExpectOnlyMessage19();
    EXPECT_EQ(DataFiles(), before); // no TEMP copy, no backup turned, nothing set aside
}

TEST_F(StartWithUnusableData, AnEntryThatCannotBeReadAtSignInEndsTheStartTheSameWay)
{
    ASSERT_TRUE(RunStartSteps(runMessages));
    const QMap<QString, QByteArray> before = DataFiles();
    desktop.FailStorage = [](testing_support::StorageOp op, const QString &, qint64, qint64) {
        return op == testing_support::StorageOp::Read ? EIO : 0;
    };
    const TSignInOutcome signedIn = RunSession()->MainAppProcs->CheckLockvexSignedIn({});
    desktop.FailStorage = nullptr;
    ASSERT_EQ(signedIn, TSignInOutcome::DataUnreadable);
    ReportDataNotOpened(RunSession()->Messages, *RunSession()->LockvexTbl);
    RunExitSteps();
    ExpectOnlyMessage19();
    EXPECT_EQ(DataFiles(), before);
}

} // namespace
