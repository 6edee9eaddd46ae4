#include "app/LockvexMsgdial.h"

#include <QObject>

#include <gtest/gtest.h>

namespace
{

struct CatalogueCase {
    int No;
    const char *Title;
    const char *Msg;
    MessageType Type;
    QStringList Buttons;
};

// The texts as the user must see them, to the letter (the blank in ". EXL", no final stops).
const CatalogueCase catalogueCases[] = {
    {0,
     "YOU HAVE CHANGED THE LOCATION WHERE YOUR ENCRYPTED PASSWORDS ARE STORED",
     "This change will be effective when you next start Lockvex",
     mtInformation,
     {"OK"}},
    {1, "", "_ is not installed on this PC", mtWarning, {"OK"}},
    {2, "", "Did you really mean to change this name?", mtConfirmation, {"Yes", "No"}},
    {3, "", "Did you really want to delete this item?", mtConfirmation, {"Yes", "No"}},
    {4, "", "Did you really want to quit without saving the current item?", mtWarning, {"Yes", "No"}},
    {5,
     "Import complete. _ items imported.",
     "Do you want to view the log or import another file?",
     mtConfirmation,
     {"Yes", "No"}},
    {6,
     "SECURITY INFO",
     "Any text or log files created during import will be deleted when Lockvex closes.",
     mtInformation,
     {"OK"}},
    {7,
     "SECURITY TIP",
     "When you have imported all your passwords, we suggest you print the import file and then delete it from your "
     "PC.",
     mtInformation,
     {"OK"}},
    {8, "Program and data copied to:", "_", mtWarning, {"OK"}},
    {9, "Unable to copy to:", "_", mtWarning, {"OK"}},
    {10, "", "No log file exists. Only created after download", mtWarning, {"OK"}},
    {11, "", "No download file specified", mtWarning, {"OK"}},
    {12, "", "Download file must be .CSV or . EXL type", mtWarning, {"OK"}},
    {13,
     "You need two designated login passwords to be able to run from a memory stick.",
     "Please set a second Lockvex login password.",
     mtWarning,
     {"OK"}},
    {15, "", "Please select a memory stick", mtWarning, {"OK"}},
    {16, "", "You can't specify a name that already exists.", mtWarning, {"OK"}},
    {17, "", "The password you have entered is not correct", mtWarning, {"OK"}},
    {19,
     "",
     "Lockvex could not open your data file. No file has been changed; Lockvex will try again when you next start it.",
     mtError,
     {"OK"}},
    {24,
     "YOUR DATA FILE WAS CHANGED BY ANOTHER PROGRAM",
     "While Lockvex had it open, your data file was replaced or changed by another program, probably your cloud "
     "storage bringing changes made on another computer. Lockvex has combined the two, so that no change is lost. _",
     mtWarning,
     {"OK"}},
    {25,
     "YOUR DATA FILE WAS DELETED",
     "Your data file was deleted while Lockvex had it open. Lockvex has written it again with all your items, so "
     "that none is lost: _",
     mtWarning,
     {"OK"}},
    {28, "", "Discard the new item?", mtConfirmation, {"Yes", "No"}},
};

class MessageCatalogue : public ::testing::Test
{
protected:
    TLockvexMessages messages;
    ScopedMessageResponder responder{messages};
};

TEST_F(MessageCatalogue, EveryMessageShowsItsExactCaptionTextTypeAndButtons)
{
    for (const CatalogueCase &c : catalogueCases) {
        SCOPED_TRACE(c.No);
        messages.ShowMessageDlg(MsgCatalogue[c.No], QString());
        ASSERT_FALSE(responder.Shown.isEmpty());
        const TShownMessage shown = responder.Shown.takeLast();
        EXPECT_EQ(shown.Caption, QString::fromUtf8(c.Title));
        EXPECT_EQ(shown.Text, QString::fromUtf8(c.Msg));
        EXPECT_EQ(shown.DlgType, c.Type);
        EXPECT_EQ(shown.Buttons, c.Buttons);
        EXPECT_EQ(MsgCatalogue[c.No].HelpCtx, 0);
    }
}

TEST_F(MessageCatalogue, ValueFillsTheTitlePlaceholderFirstAndIsUsedOnce)
{
    struct Case {
        int No;
        QString Value;
        QString Caption;
        QString Text;
    };
    const Case cases[] = {
        {5, "12", "Import complete. 12 items imported.", "Do you want to view the log or import another file?"},
        {8, "/media/alice/STICK", "Program and data copied to:", "/media/alice/STICK"},
        {9, "/media/alice/STICK", "Unable to copy to:", "/media/alice/STICK"},
        {1, "Dropbox", "", "Dropbox is not installed on this PC"},
        // A value with its own "_" is put in as it is, not filled again.
        {1, "My_Cloud", "", "My_Cloud is not installed on this PC"},
        // Without a value every placeholder stays visible.
        {5, "", "Import complete. _ items imported.", "Do you want to view the log or import another file?"},
        {8, "", "Program and data copied to:", "_"},
        {1, "", "", "_ is not installed on this PC"},
        // A value for a message without a placeholder changes nothing.
        {17, "ignored", "", "The password you have entered is not correct"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.No);
        messages.ShowMessageDlg(MsgCatalogue[c.No], c.Value);
        const TShownMessage shown = responder.Shown.takeLast();
        EXPECT_EQ(shown.Caption, c.Caption);
        EXPECT_EQ(shown.Text, c.Text);
    }

    // A placeholder in both title and text: only the title's takes the value.
    messages.ShowMessageDlg(TMsgFields{"_ found", "in _", mtCustom, {mbOK}, 0}, "3");
    const TShownMessage both = responder.Shown.takeLast();
    EXPECT_EQ(both.Caption, "3 found");
    EXPECT_EQ(both.Text, "in _");
}

TEST_F(MessageCatalogue, AnswersComeBackAndEveryMessageTellsTheOwner)
{
    bool MessageShown = false;
    messages.SetMessageShownCall([&MessageShown] { MessageShown = true; });
    responder.Answers = {true, false};
    EXPECT_TRUE(messages.ShowMessageDlg(MsgCatalogue[MsgConfirmDelete]));
    EXPECT_TRUE(MessageShown);
    MessageShown = false;
    EXPECT_FALSE(messages.ShowMessageDlg(MsgCatalogue[MsgConfirmDelete]));
    EXPECT_TRUE(MessageShown);
    EXPECT_EQ(responder.Shown.size(), 2);
    messages.SetMessageShownCall({});
}

TEST_F(MessageCatalogue, ButtonsShowInTheOrderOkYesNoAndOthersAreIgnored)
{
    EXPECT_EQ(FillMessage(TMsgFields{"", "", mtCustom, {mbNo, mbYes, mbOK, mbHelp}, 0}, "").Buttons,
              QStringList({"OK", "Yes", "No"}));
    // Nothing that can be shown: an OK, so that the message can still be answered.
    EXPECT_EQ(FillMessage(TMsgFields{"", "", mtCustom, {mbCancel, mbAbort}, 0}, "").Buttons, QStringList({"OK"}));
}

TEST(MessageResponder, ScopedRespondersNestAndRestore)
{
    TLockvexMessages messages;
    ScopedMessageResponder outer(messages, false);
    {
        ScopedMessageResponder inner(messages, true);
        EXPECT_TRUE(messages.ShowMessageDlg(MsgCatalogue[MsgConfirmDelete]));
        EXPECT_EQ(inner.Shown.size(), 1);
    }
    EXPECT_FALSE(messages.ShowMessageDlg(MsgCatalogue[MsgConfirmDelete]));
    EXPECT_EQ(outer.Shown.size(), 1);
}

// Without windows nobody can answer: a question is answered No (nothing is deleted or overwritten
// on a Yes nobody gave); the dialog the window layer gives answers once it is there, told over
// which window it shows.
TEST(MessageResponder, WithoutADialogAQuestionIsAnsweredNoAndTheGivenDialogAnswersOnceThere)
{
    TLockvexMessages messages;
    EXPECT_FALSE(messages.ShowMessageDlg(MsgCatalogue[MsgConfirmDelete]));
    QList<TShownMessage> shown;
    QList<QObject *> owners;
    messages.SetMessagePresenter([&](const TShownMessage &message, QObject *owner) {
        shown << message;
        owners << owner;
        return true;
    });
    EXPECT_TRUE(messages.ShowMessageDlg(MsgCatalogue[MsgConfirmDelete]));
    {
        QObject mainWindow;
        messages.SetOwner(&mainWindow);
        EXPECT_TRUE(messages.ShowMessageDlg(MsgCatalogue[MsgConfirmDelete]));
        ScopedMessageResponder responder(messages, false); // a responder answers before the dialog
        EXPECT_FALSE(messages.ShowMessageDlg(MsgCatalogue[MsgConfirmDelete]));
        EXPECT_EQ(owners, (QList<QObject *>{nullptr, &mainWindow}));
    }
    EXPECT_EQ(messages.Owner(), nullptr); // a window that went is forgotten
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].Buttons, QStringList({"Yes", "No"}));

    // Closing quietly (an ending signal): nothing more is shown, every question is answered No.
    messages.SetQuietClose(true);
    EXPECT_FALSE(messages.ShowMessageDlg(MsgCatalogue[MsgConfirmDelete]));
    EXPECT_EQ(shown.size(), 2);
}

} // namespace
