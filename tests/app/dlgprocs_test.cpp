#include "app/DataLocation.h"
#include "app/LockvexAddresses.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/RunState.h"
#include "platform/Platform.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace
{

class DlgProcs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        desktop.ScreenInfo = {1920, 1080, 96};
        run.Folders.IniFileName = desktop.Documents + "/Lockvex.INI";
    }

    void WriteIni(const QByteArray &content)
    {
        QFile file(run.Folders.IniFileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray ReadIni()
    {
        QFile file(run.Folders.IniFileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::pair<int, int> Position(const QString &topKey, const QString &leftKey, int width, int height)
    {
        int top = -12345, left = -12345;
        procs.GetDlgPosnInfo(topKey, leftKey, width, height, top, left);
        return {top, left};
    }

    testing_support::TestPlatform desktop;
    platform::ScopedInstall guard{desktop};
    TLockvexMessages runMessages;
    ScopedMessageResponder messages{runMessages};
    TRunState run; // the settings file and the data file are its folders'
    TLVDlgProcs procs{run, runMessages};
};

TEST_F(DlgProcs, WithoutSettingsAWindowOpensAtTheRightEdgeVerticallyCentred)
{
    // 1080 / 2 - 601 / 2 (each half cut toward zero) = 540 - 300
    EXPECT_EQ(Position("DialogTop", "DialogLeft", 800, 601), std::make_pair(240, 1120));
    desktop.ScreenInfo = {1280, 1025, 96}; // the screen is looked at anew for each call
    EXPECT_EQ(Position("DialogTop", "DialogLeft", 800, 601), std::make_pair(512 - 300, 480));
    EXPECT_FALSE(QFile::exists(run.Folders.IniFileName)); // reading creates nothing
}

TEST_F(DlgProcs, EachCoordinateThatIsNotAWholeNumberKeepsItsDefault)
{
    struct Case {
        const char *Top;
        const char *Left;
        std::pair<int, int> Expected;
    };
    const Case cases[] = {
        {"abc", "40", {240, 40}},
        {"-25", "-300", {-25, -300}}, // a window dragged partly off the screen comes back
                                      // there
        {"1.5", "", {240, 1120}},
        {"12abc", "99999999999", {240, 1120}},
        {" 17 ", "0", {17, 0}},
        {"3,4", "+8", {240, 8}},
    };
    int fileNo = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.Top) + " / " + c.Left);
        // A file of its own per case: the INI reader keeps what it read of a file, and two edits
        // of the same size within the same millisecond would look unchanged to it.
        run.Folders.IniFileName = desktop.Documents + QStringLiteral("/Lockvex%1.INI").arg(++fileNo);
        WriteIni(QByteArray("[TrelLockvex]\nDialogTop=") + c.Top + "\nDialogLeft=" + c.Left + "\n");
        EXPECT_EQ(Position("DialogTop", "DialogLeft", 800, 601), c.Expected);
    }
}

TEST_F(DlgProcs, GarbageInTheSettingsFileGivesDefaultsAndIsWrittenOverCleanly)
{
    WriteIni("\x01\x02\xff binary junk\nno equals sign\n[Other]\nDialogTop=5\n[TrelLockvex\nDialogLeft\n");
    EXPECT_EQ(Position("DialogTop", "DialogLeft", 800, 601), std::make_pair(240, 1120));

    EXPECT_TRUE(procs.SetDlgPosnInfo("DialogTop", "DialogLeft", 33, 44));
    EXPECT_TRUE(messages.Shown.isEmpty());
    EXPECT_EQ(Position("DialogTop", "DialogLeft", 800, 601), std::make_pair(33, 44));
}

TEST_F(DlgProcs, WrittenPositionsComeBackAndLeaveOtherKeysAlone)
{
    WriteIni("[TrelLockvex]\nCol1=4\nFileName=/home/alice/pw.csv\nAppDialogTop=7\n");
    EXPECT_TRUE(procs.SetDlgPosnInfo("DialogTop", "DialogLeft", -20, 1500));
    EXPECT_TRUE(procs.SetDlgPosnInfo("RecDialogTop", "RecDialogLeft", 0, 9));

    EXPECT_EQ(Position("DialogTop", "DialogLeft", 800, 601), std::make_pair(-20, 1500));
    EXPECT_EQ(Position("RecDialogTop", "RecDialogLeft", 800, 601), std::make_pair(0, 9));
    EXPECT_EQ(Position("AppDialogTop", "AppDialogLeft", 800, 601), std::make_pair(7, 1120));
    EXPECT_EQ(procs.ReadSetting("Col1"), "4");
    EXPECT_EQ(procs.ReadSetting("FileName"), "/home/alice/pw.csv");

    // The file stays a plain INI file with the one section, readable by any INI reader.
    const QByteArray ini = ReadIni();
    EXPECT_TRUE(ini.startsWith("[TrelLockvex]\n")) << ini.constData();
    EXPECT_TRUE(ini.contains("\nDialogTop=-20\n")) << ini.constData();
    EXPECT_TRUE(ini.contains("\nDialogLeft=1500\n")) << ini.constData();
}

TEST_F(DlgProcs, ImportSettingsRoundTripWholeAndMissingKeysGiveTheDefault)
{
    const QString awkward = "/home/alice/My, \"odd\" = file;#1\\2.csv";
    const QString longName = "/home/alice/" + QString(3000, 'x') + ".csv";
    EXPECT_TRUE(procs.WriteSettings({{"FileName", awkward}, {"HeadersCheckBox", "0"}}));
    EXPECT_EQ(procs.ReadSetting("FileName"), awkward);
    EXPECT_EQ(procs.ReadSetting("HeadersCheckBox", "1"), "0");
    EXPECT_EQ(procs.ReadSetting("Col14", "20"), "20");
    EXPECT_TRUE(procs.WriteSettings({{"FileName", longName}}));
    EXPECT_EQ(procs.ReadSetting("FileName"), longName);

    // A hand-edited value with commas is still one text.
    WriteIni("[TrelLockvex]\nFileName=/home/alice/a,b.csv\n");
    EXPECT_EQ(procs.ReadSetting("FileName"), "/home/alice/a,b.csv");
}

TEST_F(DlgProcs, ASettingsFileThatCannotBeWrittenIsReportedAndTheCallerGoesOn)
{
    // A settings file below a plain file can never be created, whoever runs the test.
    QFile blocker(desktop.Documents + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    run.Folders.IniFileName = desktop.Documents + "/blocker/Lockvex.INI";

    EXPECT_FALSE(procs.SetDlgPosnInfo("DialogTop", "DialogLeft", 10, 20));
    ASSERT_EQ(messages.Shown.size(), 1);
    EXPECT_EQ(messages.Shown[0].Text, "Unable to write to " + run.Folders.IniFileName);
    EXPECT_EQ(messages.Shown[0].DlgType, mtError);
    EXPECT_EQ(messages.Shown[0].Buttons, QStringList({"OK"}));

    EXPECT_FALSE(procs.WriteSettings({{"Col1", "3"}}));
    EXPECT_EQ(messages.Shown.size(), 2);
}

TEST_F(DlgProcs, CaptionAndHeaderFollowTheDataLocation)
{
    run.Folders.DataFileName = desktop.Profile + "/Dropbox/Lockvex/TrelLockvex.acsdb";
    run.Location.Clients[CloudDropbox].DataIn = true;
    EXPECT_EQ(procs.GetCaption(), "Tandrell safe web address storage:    " + run.Folders.DataFileName);

    const QString start = "All your web sign-ons, password protected, in an encrypted file, ";
    run.Location.Clients[CloudGoogleDrive].DataIn = run.Location.Clients[CloudOneDrive].DataIn = true;
    EXPECT_EQ(procs.GetLockvexTextLabel(), start + "safe in Dropbox");
    run.Location.Clients[CloudDropbox].DataIn = false;
    EXPECT_EQ(procs.GetLockvexTextLabel(), start + "safe in Google Drive");
    run.Location.Clients[CloudGoogleDrive].DataIn = false;
    EXPECT_EQ(procs.GetLockvexTextLabel(), start + "safe in OneDrive");
    run.Location.Clients[CloudOneDrive].DataIn = false;
    EXPECT_EQ(procs.GetLockvexTextLabel(), start + "only on your PC");
}

// "Version 9.00" and the program file's date in the locale's short form, the year always in four
// digits and no piece of the time.
TEST_F(DlgProcs, VersionLabelShowsVersion900AndTheProgramDateWithAFourDigitYear)
{
    desktop.ProgramDate = QDateTime(QDate(2026, 3, 9), QTime(14, 5, 59));
    const QLocale previous;
    const struct {
        QLocale::Language language;
        QLocale::Territory territory;
        const char *label;
    } cases[] = {
        {QLocale::English, QLocale::UnitedStates, "Version 9.00 3/9/2026"},
        {QLocale::English, QLocale::UnitedKingdom, "Version 9.00 09/03/2026"},
        {QLocale::German, QLocale::Germany, "Version 9.00 09.03.2026"},
        {QLocale::Dutch, QLocale::Netherlands, "Version 9.00 09-03-2026"},
        {QLocale::Japanese, QLocale::Japan, "Version 9.00 2026/03/09"},
    };
    for (const auto &c : cases) {
        QLocale::setDefault(QLocale(c.language, c.territory));
        EXPECT_EQ(procs.LockvexVersion(), QString::fromLatin1(c.label));
    }
    QLocale::setDefault(previous);
}

TEST_F(DlgProcs, AddressesAndMailLinksReachTheDesktopWholeAndOnce)
{
    const QString longAddress = "https://www.example.com/?q=" + QString(5000, 'z');
    procs.LVBrowseWebPage("www.example.com/login");
    procs.LVBrowseWebPage(longAddress);
    procs.LVBrowseWebPage("  ");
    procs.LVBrowseWebPage("MAILTO:someone@example.com");
    // An entry's address never opens a local file or another kind of link.
    for (const char *unsafe : {"file:///etc/passwd", "/usr/bin/xterm", "javascript:alert(1)", "smb://host/share"})
        procs.LVBrowseWebPage(unsafe);
    EXPECT_EQ(desktop.OpenedUrls, QStringList({"www.example.com/login", longAddress}));
    EXPECT_EQ(desktop.OpenedMailLinks, QStringList({"MAILTO:someone@example.com"}));

    desktop.OpenedMailLinks.clear();
    procs.SendToFriend();
    procs.TellTrel();
    ASSERT_EQ(desktop.OpenedMailLinks.size(), 2);
    EXPECT_EQ(desktop.OpenedMailLinks[0],
              "mailto: ?Subject=Lockvex&Body=Hi,%0D%0A%0D%0AHere is something you might want to try.%0D%0A%0D%0A"
              "Download it from " +
                  LockvexAddresses::DownloadFolder +
                  "%0D%0A(the Debian package \"lockvex\")"
                  "%0D%0A%0D%0ALockvex has solved all my web address and password problems."
                  "%0D%0A%0D%0AIt's easy to use and it's secure. I think you might like it");
    EXPECT_TRUE(LockvexAddresses::DownloadFolder.endsWith("/packages/"));
    EXPECT_FALSE(desktop.OpenedMailLinks[0].contains(".exe")); // nothing a Linux desktop cannot run
    EXPECT_EQ(desktop.OpenedMailLinks[1],
              "mailto: " + LockvexAddresses::FeedbackAddress + "?Subject=Lockvex Tell us what you think&Body= ");
}

TEST_F(DlgProcs, SupportMarkerIsLookedForAtEachCall)
{
    EXPECT_FALSE(procs.CustomerSupportOverride());
    QFile marker(desktop.Documents + "/KQ.Txt");
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    EXPECT_TRUE(procs.CustomerSupportOverride());
    desktop.Documents.clear(); // Documents folder unknown: no marker, rather than one in "/"
    EXPECT_FALSE(procs.CustomerSupportOverride());
}

TEST_F(DlgProcs, ClipboardGetsTheWholeText)
{
    const QString longText = QString(20000, 'p');
    procs.TextToClipboard(longText);
    EXPECT_EQ(desktop.Clipboard, longText);
    procs.TextToClipboard("Clipboard cleared by Lockvex");
    EXPECT_EQ(desktop.Clipboard, "Clipboard cleared by Lockvex");
}

} // namespace
