#include "app/MgrLockvexHelp.h"
#include "platform/Platform.h"
#include "support/TestPlatform.h"
#include "ui/shared/WindowHelp.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

namespace
{

class WebHelp : public ::testing::Test
{
protected:
    testing_support::TestPlatform desktop;
    platform::ScopedInstall guard{desktop};
};

TEST_F(WebHelp, EveryRequestOpensTheHelpPageForItsNumber)
{
    TWebHelpSystem help;
    for (int context : {2000, 3130, 0}) {
        bool callHelp = true;
        EXPECT_TRUE(help.WebHelpHook(1, context, callHelp));
        EXPECT_FALSE(callHelp);
        EXPECT_TRUE(
            desktop.OpenedUrls.last().endsWith("/lockvex_help/index.html?contextid=" + QString::number(context)))
            << desktop.OpenedUrls.last().toStdString();
    }
    EXPECT_EQ(desktop.OpenedUrls.size(), 3);
}

// Until the build names a help site, help opens the pages installed with the program: in
// share/doc/lockvex/help beside its bin folder, or, for a program in its build folder, inside it.
TEST_F(WebHelp, WithoutAHelpSiteTheAddressIsTheHelpPagesBesideTheProgram)
{
    if (!QStringLiteral(LOCKVEX_HELP_BASE).isEmpty())
        GTEST_SKIP() << "this build names a help site";
    QTemporaryDir prefix;
    const QString installed = prefix.filePath("share/doc/lockvex/help");
    const QString inBuildFolder = prefix.filePath("bin/share/doc/lockvex/help");
    const auto address = [](const QString &folder) {
        return QUrl::fromLocalFile(folder).toString() + "/lockvex_help/index.html?contextid=3130";
    };
    desktop.ProgramPath = prefix.filePath("bin/lockvex");

    EXPECT_EQ(HelpAddress(3130), address(installed)) << "no pages anywhere: where a package puts them";
    ASSERT_TRUE(QDir().mkpath(inBuildFolder));
    EXPECT_EQ(HelpAddress(3130), address(inBuildFolder));
    ASSERT_TRUE(QDir().mkpath(installed));
    EXPECT_EQ(HelpAddress(3130), address(installed));

    TWebHelpSystem help;
    ShowWindowHelp(nullptr, &help);
    EXPECT_EQ(desktop.OpenedUrls.last(), address(installed).replace("=3130", "=0"));
    EXPECT_TRUE(desktop.OpenedUrls.last().startsWith("file:///")) << desktop.OpenedUrls.last().toStdString();
}

TEST_F(WebHelp, TheHelpButtonAsksForTheWindowsNumber)
{
    QWidget importDialog;
    SetHelpContext(&importDialog, HelpContexts::ImportDialog);
    auto *browse = new QPushButton("Browse", &importDialog);
    SetHelpContext(browse, HelpContexts::BrowseBtn);

    ShowWindowHelp(&importDialog, nullptr); // without the run's web help nothing handles it
    EXPECT_TRUE(desktop.OpenedUrls.isEmpty());

    TWebHelpSystem help;
    ShowWindowHelp(&importDialog, &help);
    ShowWindowHelp(browse, &help); // a button's own HELP asks for its window's page
    EXPECT_EQ(desktop.OpenedUrls, QStringList({HelpAddress(2000), HelpAddress(2000)}));
}

TEST_F(WebHelp, AControlWithoutANumberFallsBackToItsEnclosingControlsThenItsWindow)
{
    QWidget window;
    SetHelpContext(&window, HelpContexts::MainWindow);
    auto *panel = new QWidget(&window);
    auto *group = new QWidget(panel);
    SetHelpContext(group, 555);
    auto *inGroup = new QPushButton(group);
    auto *inPanel = new QPushButton(panel);
    auto *stickBtn = new QPushButton(panel);
    SetHelpContext(stickBtn, HelpContexts::TfrMemStickBtn);
    QWidget otherWindow;
    SetHelpContext(&otherWindow, 9);
    QWidget childWindow(&otherWindow, Qt::Dialog); // a window of its own stops the search

    EXPECT_EQ(HelpContextFor(stickBtn), 3130);
    EXPECT_EQ(HelpContextFor(inGroup), 555);
    EXPECT_EQ(HelpContextFor(inPanel), 1020);
    EXPECT_EQ(HelpContextFor(&window), 1020);
    EXPECT_EQ(HelpContextFor(&childWindow), 0);
    EXPECT_EQ(HelpContextFor(nullptr), 0);
    EXPECT_EQ(HelpContext(inPanel), 0);
}

} // namespace
