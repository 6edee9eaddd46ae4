#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/OtherWriterNotice.h"
#include "app/RunState.h"
#include "common/DateStamp.h"
#include "platform/Platform.h"
#include "store/RecDALockvex.h"
#include "store/TBDALockvexData.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace
{

// A table whose data file another program replaced while one entry was changed on both sides.
class OtherWriterNotice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StampNow();
        run.Folders.IniFileName = desktop.Documents + "/Lockvex.INI";
        const QString folder = desktop.Documents + "/Lockvex";
        QDir().mkpath(folder);
        dataFile = folder + "/TrelLockvex.acsdb";
        WriteFile(dataFile, "alice");
        WriteFile(folder + "/other.acsdb", "alice-sync");
        table = std::make_unique<TV9LockvexTbl>(true);
        ASSERT_TRUE(table->OpenPool(dataFile));
        TLockvexRec rec;
        ASSERT_EQ(table->GetLockvexRec(table->GetKey("Alpha Bank"), &rec), ReadOk);
        ASSERT_TRUE(QFile::remove(dataFile));
        ASSERT_TRUE(QFile::rename(folder + "/other.acsdb", dataFile));
        rec.SetCustID("alice-local");
        ASSERT_EQ(table->WriteLockvexRec(table->GetKey("Alpha Bank"), &rec), WriteOK);
    }

    static void WriteFile(const QString &path, const QString &custID)
    {
        TV9LockvexTbl writer(true);
        ASSERT_TRUE(writer.OpenPool(path));
        TLockvexRec rec;
        rec.SetName("Alpha Bank");
        rec.SetCustID(custID);
        ASSERT_EQ(writer.WriteLockvexRec(writer.AddLockvexIndexItem("Alpha Bank"), &rec), WriteOK);
    }

    testing_support::TestPlatform desktop;
    platform::ScopedInstall guard{desktop};
    TLockvexMessages runMessages;
    ScopedMessageResponder messages{runMessages};
    TRunState run;
    TLVDlgProcs procs{run, runMessages};
    QString dataFile;
    std::unique_ptr<TV9LockvexTbl> table;
};

TEST_F(OtherWriterNotice, TheUserIsToldOnceWhatWasCombinedAndWhatIsKeptTwice)
{
    EXPECT_TRUE(TellOtherWriters(runMessages, *table, procs));
    ASSERT_EQ(messages.Shown.size(), 1);
    EXPECT_EQ(messages.Shown[0].Caption, "YOUR DATA FILE WAS CHANGED BY ANOTHER PROGRAM");
    EXPECT_EQ(messages.Shown[0].Text,
              "While Lockvex had it open, your data file was replaced or changed by another program, probably your "
              "cloud storage bringing changes made on another computer. Lockvex has combined the two, so that no "
              "change is lost. Another file took its place. 1 item changed on this computer and 1 item changed in "
              "the other file were combined. Changed in both places, so kept twice (this computer's version is "
              "named): Alpha Bank (this computer).");
    EXPECT_EQ(messages.Shown[0].DlgType, mtWarning);
    EXPECT_FALSE(TellOtherWriters(runMessages, *table, procs));
    EXPECT_EQ(messages.Shown.size(), 1);
}

TEST_F(OtherWriterNotice, AtAQuietCloseTheMessageWaitsForTheNextStart)
{
    runMessages.SetQuietClose(true);
    EXPECT_TRUE(TellOtherWriters(runMessages, *table, procs));
    EXPECT_TRUE(messages.Shown.isEmpty());
    runMessages.SetQuietClose(false);

    TLVDlgProcs nextRun{run, runMessages}; // the settings file as the next start reads it
    ShowKeptOtherWriterNotice(runMessages, nextRun);
    ASSERT_EQ(messages.Shown.size(), 1);
    EXPECT_EQ(messages.Shown[0].Caption, "YOUR DATA FILE WAS CHANGED BY ANOTHER PROGRAM");
    EXPECT_TRUE(messages.Shown[0].Text.endsWith("named): Alpha Bank (this computer)."));
    ShowKeptOtherWriterNotice(runMessages, nextRun);
    EXPECT_EQ(messages.Shown.size(), 1);
}

TEST_F(OtherWriterNotice, ADeletedDataFileIsWrittenAgainAndTheUserTold)
{
    TellOtherWriters(runMessages, *table, procs);
    ASSERT_TRUE(QFile::remove(dataFile));
    EXPECT_TRUE(table->SettleOtherWriters());
    EXPECT_TRUE(QFile::exists(dataFile));
    EXPECT_TRUE(TellOtherWriters(runMessages, *table, procs));
    ASSERT_EQ(messages.Shown.size(), 2);
    EXPECT_EQ(messages.Shown[1].Caption, "YOUR DATA FILE WAS DELETED");
    EXPECT_EQ(messages.Shown[1].Text, "Your data file was deleted while Lockvex had it open. Lockvex has written it "
                                      "again with all your items, so that none is lost: " +
                                          QDir::toNativeSeparators(dataFile));
}

} // namespace

// The notice's sentences each begin with a capital, whatever the counts are.
TEST(OtherWriterNoticeText, EachSentenceBeginsWithACapital)
{
    TOtherWriterReport report;
    report.What = TOtherWriterReport::Combined;
    report.FromThere = 2;
    EXPECT_EQ(OtherWriterNoticeText(report),
              QStringLiteral("The file was rewritten in place. No item changed on this computer and 2 items changed in the "
                             "other file were combined."));
    report.Replaced = true;
    report.FromHere = 1;
    report.KeptTwice = {QStringLiteral("Alpha Bank (this computer)")};
    EXPECT_EQ(OtherWriterNoticeText(report),
              QStringLiteral("Another file took its place. 1 item changed on this computer and 2 items changed in the other "
                             "file were combined. Changed in both places, so kept twice (this computer's version is "
                             "named): Alpha Bank (this computer)."));
}
