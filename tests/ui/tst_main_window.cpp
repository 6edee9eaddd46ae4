// The main window over a real data file in the platform double's temporary home, with the
// application object's managers and lists, the message responder answering catalogue messages,
// and the store's fault hook for writes that fail. With LOCKVEX_SCREENSHOT_DIR set, the window is
// also saved as pictures in normal and read-only mode.

#include "MainControls.h"
#include "app/DataLocation.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "app/MgrMainApp.h"
#include "entries/LockvexStringList.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "ui/import/DLockvexDataImport.h"
#include "store/PoolFile.h"
#include "store/TBDALockvexData.h"
#include "support/EntryControls.h"
#include "support/TypeText.h"
#include "support/WindowSession.h"
#include "ui/main/DLockvexMain.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/EntryListModel.h"
#include "ui/shared/LetterTabs.h"
#include "ui/shared/WindowHelp.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <cerrno>
#include <memory>

using testing_support::Controls;
using testing_support::Fields;

namespace
{

const QString Msg2 = QStringLiteral("Did you really mean to change this name?");
const QString Msg3 = QStringLiteral("Did you really want to delete this item?");
const QString Msg4 = QStringLiteral("Did you really want to quit without saving the current item?");
const QString Msg16 = QStringLiteral("You can't specify a name that already exists.");
const QString Msg18 = QStringLiteral("Lockvex could not write this change to your data file. It has not been saved.");
const QString Msg21 =
    QStringLiteral("An item must have a name. Your changes to this item are kept: please type a name for it.");
const QString Msg28 = QStringLiteral("Discard the new item?");
const QString Msg22 =
    QStringLiteral("Lockvex holds at most 32,767 items. Delete items you no longer need to make room for new ones.");
const QString ClearedText = QStringLiteral("Clipboard cleared by Lockvex");

} // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controlsAndTexts();
    void tabJump_data();
    void tabJump();
    void tabJumpScrollsTheLineToTheTop();
    void searchNarrowsEmptiesAndClears();
    void searchClearButtonShowsItsPictureAndClearsTheSearch();
    void tabPressClearsTheSearch();
    void searchWithPatternCharacters();
    void clickShowsAndSavesOnLeaving();
    void closeWithUnsavedChange_data();
    void closeWithUnsavedChange();
    void closeClearsClipboardAndStoresPosition();
    void storedPositionOnTheScreens_data();
    void storedPositionOnTheScreens();
    void cloudButtonVisibility_data();
    void cloudButtonVisibility();
    void readOnlyMode();
    void idleCloseSavesAndCloses();
    void activityPutsOffTheIdleClose();
    void idleCloseWithTheImportWindowOpen();
    void renameConfirmation_data();
    void renameConfirmation();
    void duplicateNameRefusedAndNeverWritten();
    void everyWayOutAsksAboutARenameOnce_data();
    void everyWayOutAsksAboutARenameOnce();
    void namesSharedInOtherCaseStaySaveable();
    void blankedNameIsRefusedKeepingTheChanges_data();
    void blankedNameIsRefusedKeepingTheChanges();
    void newEntryTwiceTakesUpTheSameLine();
    void newEntryNamedAndSaved();
    void newEntryWithoutNameIsNotWritten();
    void refusedNewEntryStaysUntilNamedOrDiscarded();
    void emptySafeStartsANewEntry();
    void deleteLastAndOnlyLine();
    void saveCloseAfterRefusedName();
    void failedSaveIsReportedAndKept();
    void failedDeleteIsReportedAndKept();
    void fullSafeSaysSo();
    void signalSavesWithoutAsking();
    void longAndOddTexts();
    void textTheFileCannotHoldIsRefused();
    void screenshots();

private:
    TLockvexMainDlg &OpenWindow();
    QStringList Lines() const;
    QStringList ShownTexts() const;
    void ClickLine(int row);
    void ClickTab(const QString &letter);
    void LeaveNameField();
    void Retype(QLineEdit *field, const QString &text);
    void SetFault(bool on);

    std::unique_ptr<testing_support::WindowSession> session_;
    std::unique_ptr<TLockvexMainDlg> window_;
};

void TstMainWindow::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    session_ = std::make_unique<testing_support::WindowSession>();
    QVERIFY(session_->Opened);
}

void TstMainWindow::cleanup()
{
    if (session_)
        session_->Platform.FailStorage = nullptr;
    window_.reset();
    session_.reset();
}

TLockvexMainDlg &TstMainWindow::OpenWindow()
{
    window_ = std::make_unique<TLockvexMainDlg>(*session_->App->ListManager, *session_->App->ItemManager, *session_->App->LVDlgProcs);
    testing_support::ShowActive(*window_);
    return *window_;
}

QStringList TstMainWindow::Lines() const
{
    return testing_support::LinesOf(Controls(*window_).ItemList->model());
}

// The name field and the selected line, as the user sees them.
QStringList TstMainWindow::ShownTexts() const
{
    QStringList texts;
    for (const TShownMessage &m : session_->Messages.Shown)
        texts << m.Text;
    return texts;
}

void TstMainWindow::ClickLine(int row)
{
    QListView *list = Controls(*window_).ItemList;
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    QCoreApplication::processEvents(); // the window handles a picked line once the list is done
}

void TstMainWindow::ClickTab(const QString &letter)
{
    TLetterTabs *tabs = Controls(*window_).ItemListTabs;
    int index = 0;
    while (index < TLetterTabs::TabCount && TLetterTabs::TabText(index) != letter)
        ++index;
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->TabRect(index).center());
}

// To the next box of the entry, which leaves the entry as it is.
void TstMainWindow::LeaveNameField()
{
    Fields(*window_).URL->setFocus(Qt::TabFocusReason);
}

// Replaces a box's text as the user does: into the box, all selected, typed over.
void TstMainWindow::Retype(QLineEdit *field, const QString &text)
{
    QTest::mouseClick(field, Qt::LeftButton);
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        QTest::keyClicks(field, text);
}

void TstMainWindow::SetFault(bool on)
{
    if (!on) {
        session_->Platform.FailStorage = nullptr;
        return;
    }
    session_->Platform.FailStorage = [](testing_support::StorageOp op, const QString &, qint64, qint64) {
        return op == testing_support::StorageOp::Write || op == testing_support::StorageOp::Sync ? ENOSPC : 0;
    };
}

// ---- creation ----------------------------------------------------------------------------------

void TstMainWindow::controlsAndTexts()
{
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    const QList<std::pair<const char *, QString>> texts = {
        {"LockvexLabel", "Lockvex"},
        {"LockvexHelpBtn", "HELP"},
        {"Label1", "Search Names"},
        {"Label2", "Select Password"},
        {"ImportPasswordsBtn", "IMPORT PASSWORDS"},
        {"TfrMemStickBtn", "LOAD MEMORY STICK"},
        {"UseCloudBtn", "SAVE IN CLOUD"},
        {"DeleteItemBtn", "DELETE ITEM"},
        {"NewBtn", "CREATE NEW ITEM"},
        {"LoginBtn", "GO TO THIS WEBSITE"},
        {"SaveCloseBtn", "SAVE && CLOSE"},
        {"CancelBtn", "Cancel"},
        {"LogWriteBtn", "&LogWrite"},
        {"SendToFriendBtn", "Share"},
        {"TellTrelBtn", "Tell us what you think"},
        {"URLLbl", "Website address"},
        {"PasswordLbl", "Password"},
        {"ReadOnlyLbl", "Read Only mode"},
        {"EntryPWChckBox", "Lockvex login"},
        {"SuppressPWCheckBox", "Password autocopy"},
        {"RadioButtonPC", "Only on your PC"},
        {"RadioButtonDropbox", "in Dropbox"},
        {"RadioButtonGoogleDrive", "in Google Drive"},
        {"RadioButtonSkyDrive", "in OneDrive"},
    };
    for (const auto &[name, text] : texts) {
        QWidget *control = w.findChild<QWidget *>(QString::fromLatin1(name));
        QVERIFY2(control, name);
        const QString shown = control->property("text").toString();
        QVERIFY2(shown == text, qPrintable(QStringLiteral("%1: %2").arg(name, shown)));
    }
    for (const char *name :
         {"ItemList", "ItemListTabs", "SearchArg",     "PasswordCombo", "VersionLbl",     "CloudGroupBox",
          "ItemName", "URL",          "CustID",        "PIN",           "Password",       "Question4",
          "MemData4", "ItemDescr",    "CustIDCopyBtn", "Ans4CopyBtn",   "PWBadBtn",       "PWSoSoBtn",
          "PWOKBtn",  "FacebookBtn",  "TwitterBtn",    "TrelLogoImage", "PWCheckedImage", "PWUncheckedImage",
          "ImagePC",  "ImageSkyDrive"})
        QVERIFY2(w.findChild<QWidget *>(QString::fromLatin1(name)), name);
    QVERIFY(w.findChild<QTimer *>(QStringLiteral("ForceClose"))->isActive());
    QCOMPARE(w.ForceClose->interval(), 80000);
    QVERIFY(!w.findChild<QTimer *>(QStringLiteral("ClipboardTimer"))->isActive());

    QCOMPARE(Controls(w).CloudGroupBox->title(), QStringLiteral("Where your data is held"));
    QVERIFY(!Controls(w).CloudGroupBox->isVisible());
    QVERIFY(!Controls(w).ReadOnlyLbl->isVisible());
    QCOMPARE(w.windowTitle(), session_->App->LVDlgProcs->GetCaption());
    QCOMPARE(Controls(w).LockvexTextLabel->text(), session_->App->LVDlgProcs->GetLockvexTextLabel());
    QCOMPARE(Controls(w).VersionLbl->text(), session_->App->LVDlgProcs->LockvexVersion());
    QCOMPARE(Controls(w).LockvexHelpBtn->toolTip(), QStringLiteral("Get help"));
    QCOMPARE(Controls(w).TrelLogoImage->toolTip(), QStringLiteral("Tandrell helps manage your money better"));
    QCOMPARE(w.Rules().NewEntryName(), QStringLiteral("New Web entry"));
    QVERIFY(Controls(w).SendToFriendBtn->toolTip().contains(QStringLiteral("Thank you.")));

    QCOMPARE(HelpContext(&w), 1020);
    QCOMPARE(HelpContext(Controls(w).ImportPasswordsBtn), 3120);
    QCOMPARE(HelpContext(Controls(w).TfrMemStickBtn), 3130);
    QCOMPARE(HelpContext(Controls(w).NewBtn), 3113);
    QCOMPARE(HelpContext(Controls(w).DeleteItemBtn), 3112);
    QCOMPARE(HelpContext(Controls(w).LoginBtn), 3140);
    QCOMPARE(HelpContext(Controls(w).SaveCloseBtn), 3111);
    QTest::mouseClick(Controls(w).LockvexHelpBtn, Qt::LeftButton);
    QCOMPARE(session_->Platform.OpenedUrls.size(), 1);
    QVERIFY(session_->Platform.OpenedUrls.first().endsWith(QStringLiteral("contextid=1020")));

    // The first line is shown and the search box has the focus.
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Anvil"));
    QCOMPARE(QApplication::focusWidget(), Controls(w).SearchArg);
    QVERIFY(w.FirstActivate == false);
}

// ---- letter tabs and search --------------------------------------------------------------------

void TstMainWindow::tabJump_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("shown");
    const QStringList three = {"Anvil", "Arrow", "Basket"};
    QTest::newRow("A") << three << "A"
                       << "Arrow";
    QTest::newRow("B") << three << "B"
                       << "Basket";
    QTest::newRow("C: the last line") << three << "C"
                                      << "Basket";
    QTest::newRow("*") << three << "*"
                       << "Anvil";
    QTest::newRow("A before the first name") << QStringList{"Basket", "Cedar"} << "A"
                                             << "Basket";
}

void TstMainWindow::tabJump()
{
    QFETCH(QStringList, names);
    QFETCH(QString, tab);
    QFETCH(QString, shown);
    session_->MakeEntries(names);
    TLockvexMainDlg &w = OpenWindow();
    ClickTab(tab);
    QCOMPARE(Fields(w).ItemName->text(), shown);
    QCOMPARE(Lines(), names); // the full list: a jump, not a filter
    QCOMPARE(Lines().value(SelectedRow(Controls(w).ItemList)), shown);
    QCOMPARE(w.CurrentIndex, SelectedRow(Controls(w).ItemList));
    QCOMPARE(Controls(w).ItemListTabs->CurrentText(), QStringLiteral("*"));
    QCOMPARE(w.Rules().DisplayedItemKey(), session_->App->LockvexTbl->GetKey(shown));
}

void TstMainWindow::tabJumpScrollsTheLineToTheTop()
{
    QStringList names = {"Anvil", "Arrow", "Basket"};
    for (int i = 0; i < 60; ++i)
        names << QStringLiteral("Zeta %1").arg(i, 2, 10, QLatin1Char('0'));
    session_->MakeEntries(names);
    TLockvexMainDlg &w = OpenWindow();
    ClickTab(QStringLiteral("B"));
    QCOMPARE(Controls(w).ItemList->indexAt(QPoint(4, 4)).row(), 2);
    ClickTab(QStringLiteral("Z"));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Zeta 00"));
}

void TstMainWindow::searchNarrowsEmptiesAndClears()
{
    session_->MakeEntries({"Banking", "ANVIL", "Bonus"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Controls(w).SearchArg, Qt::LeftButton);
    QTest::keyClick(Controls(w).SearchArg, Qt::Key_A);
    QCOMPARE(Lines(), QStringList({"ANVIL", "Banking"}));
    QTest::keyClick(Controls(w).SearchArg, Qt::Key_N);
    QCOMPARE(Lines(), QStringList({"ANVIL", "Banking"}));
    QTest::keyClick(Controls(w).SearchArg, Qt::Key_K);
    QCOMPARE(Lines(), QStringList({"Banking"}));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Banking")); // the first match is shown
    QTest::keyClick(Controls(w).SearchArg, Qt::Key_Z);
    QCOMPARE(Lines(), QStringList());
    QCOMPARE(w.Rules().DisplayedItemKey(), -1);
    QCOMPARE(Fields(w).ItemName->text(), QString());
    QCOMPARE(Fields(w).CustID->text(), QString());
    QVERIFY(Fields(w).ItemName->isReadOnly()); // nothing to type into without an entry
    Controls(w).SearchArg->selectAll();
    QTest::keyClick(Controls(w).SearchArg, Qt::Key_Backspace);
    QCOMPARE(Lines(), QStringList({"ANVIL", "Banking", "Bonus"}));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("ANVIL"));
    QVERIFY(!Fields(w).ItemName->isReadOnly());
}

// The search box's clear button has a picture of its own (not the desktop's icon theme's): it
// shows while there is text and clears the search as deleting the text does.
void TstMainWindow::searchClearButtonShowsItsPictureAndClearsTheSearch()
{
    session_->MakeEntries({"Anvil", "Basket"});
    TLockvexMainDlg &w = OpenWindow();
    QVERIFY(Controls(w).SearchArg->isClearButtonEnabled());
    QTest::mouseClick(Controls(w).SearchArg, Qt::LeftButton);
    QTest::keyClicks(Controls(w).SearchArg, QStringLiteral("ask"));
    QCOMPARE(Lines(), QStringList({"Basket"}));
    const QList<QToolButton *> buttons = Controls(w).SearchArg->findChildren<QToolButton *>();
    QCOMPARE(buttons.size(), 1);
    QToolButton *clear = buttons.front();
    QTRY_VERIFY(clear->isVisible());
    QVERIFY(!clear->icon().isNull());
    QVERIFY(!clear->icon().pixmap(16, 16).toImage().isNull());
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(Controls(w).SearchArg->text(), QString());
    QCOMPARE(Lines(), QStringList({"Anvil", "Basket"}));
}

void TstMainWindow::tabPressClearsTheSearch()
{
    session_->MakeEntries({"Anvil", "Arrow", "Basket"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Controls(w).SearchArg, Qt::LeftButton);
    QTest::keyClicks(Controls(w).SearchArg, QStringLiteral("ask"));
    QCOMPARE(Lines(), QStringList({"Basket"}));
    ClickTab(QStringLiteral("A"));
    QCOMPARE(Controls(w).SearchArg->text(), QString());
    QVERIFY(!session_->App->ListManager->SearchActive);
    QCOMPARE(Lines(), QStringList({"Anvil", "Arrow", "Basket"}));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Arrow"));
}

void TstMainWindow::searchWithPatternCharacters()
{
    session_->MakeEntries({"a.b", "axb", "(x)*", "Plain"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Controls(w).SearchArg, Qt::LeftButton);
    QTest::keyClicks(Controls(w).SearchArg, QStringLiteral("."));
    QCOMPARE(Lines(), QStringList({"a.b"}));
    Controls(w).SearchArg->clear();
    QTest::keyClicks(Controls(w).SearchArg, QStringLiteral(")*"));
    QCOMPARE(Lines(), QStringList({"(x)*"}));
    Controls(w).SearchArg->clear();
    QTest::keyClicks(Controls(w).SearchArg, QStringLiteral("[\\"));
    QCOMPARE(Lines(), QStringList());
}

// ---- showing and saving ------------------------------------------------------------------------

void TstMainWindow::clickShowsAndSavesOnLeaving()
{
    session_->MakeEntries({"Anvil:pw1", "Basket:pw2"});
    TLockvexMainDlg &w = OpenWindow();
    ClickLine(1);
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Basket"));
    QCOMPARE(Fields(w).Password->text(), QStringLiteral("pw2"));
    QCOMPARE(Fields(w).CustID->text(), QStringLiteral("basket-id"));
    QTest::mouseClick(Fields(w).PIN, Qt::LeftButton);
    QTest::keyClicks(Fields(w).PIN, QStringLiteral("1234"));
    QTest::mouseClick(Fields(w).ItemDescr, Qt::LeftButton);
    QTest::keyClicks(Fields(w).ItemDescr, QStringLiteral("line one"));
    QTest::keyClick(Fields(w).ItemDescr, Qt::Key_Return);
    QTest::keyClicks(Fields(w).ItemDescr, QStringLiteral("line two"));
    QVERIFY(w.RecChanged());
    ClickLine(0); // leaving saves without asking
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Anvil"));
    QVERIFY(session_->Messages.Shown.isEmpty());
    const ItemManagerParams basket = session_->Stored(QStringLiteral("Basket"));
    QCOMPARE(basket.PIN, QStringLiteral("1234"));
    QCOMPARE(basket.ItemDescr.split(QRegularExpression(QStringLiteral("\r?\n"))),
             QStringList({"line one", "line two"}));
    // Shown again, the saved entry is no change.
    ClickLine(1);
    QVERIFY(!w.RecChanged());
    QCOMPARE(Fields(w).PIN->text(), QStringLiteral("1234"));
}

void TstMainWindow::closeWithUnsavedChange_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("No keeps the window and the field") << false;
    QTest::newRow("Yes closes without saving") << true;
}

void TstMainWindow::closeWithUnsavedChange()
{
    QFETCH(bool, answer);
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Fields(w).URL, Qt::LeftButton);
    QTest::keyClicks(Fields(w).URL, QStringLiteral("example.org"));
    session_->Messages.Answers = {answer};
    w.close();
    QCOMPARE(ShownTexts(), QStringList({Msg4}));
    QCOMPARE(w.isVisible(), !answer);
    QCOMPARE(Fields(w).URL->text(), answer ? QStringLiteral("example.org") : QStringLiteral("example.org"));
    QCOMPARE(session_->Stored(QStringLiteral("Anvil")).URL, QString());
    // Without a change the window closes at once.
    if (!answer) {
        Fields(w).URL->clear();
        w.close();
        QVERIFY(!w.isVisible());
        QCOMPARE(session_->Messages.Shown.size(), 1);
    }
}

void TstMainWindow::closeClearsClipboardAndStoresPosition()
{
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    session_->Platform.Clipboard = QStringLiteral("secret");
    w.move(123, 45);
    const QPoint at = w.pos();
    QTest::mouseClick(Controls(w).CancelBtn, Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QCOMPARE(session_->Platform.Clipboard, QStringLiteral("Clipboard cleared by Lockvex"));
    QSettings settings(session_->Run().Folders.IniFileName, QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("TrelLockvex/DialogTop")).toInt(), at.y());
    QCOMPARE(settings.value(QStringLiteral("TrelLockvex/DialogLeft")).toInt(), at.x());
    QCOMPARE(session_->App->ListManager->LockvexStrings->Count(), 0);
}

// The screens are the double's: a small primary screen of 1024 x 768, with a panel or a second
// screen where a row says so. A stored position stays while at least 100 x 20 pixels of the
// window's top strip lie on some screen's free area; otherwise the window comes to the nearest
// place on the primary screen's free area.
void TstMainWindow::storedPositionOnTheScreens_data()
{
    QTest::addColumn<QList<QRect>>("areas");
    QTest::addColumn<QPoint>("stored");
    QTest::addColumn<bool>("kept");
    const QRect small(0, 0, 1024, 768);
    const QRect underPanel(0, 32, 1024, 736);
    const QRect secondScreen(1024, 0, 1280, 1024);
    QTest::newRow("off every screen") << QList<QRect>{small} << QPoint(90000, -40000) << false;
    QTest::newRow("on the small screen") << QList<QRect>{small} << QPoint(0, 0) << true;
    QTest::newRow("right edge past the screen") << QList<QRect>{small} << QPoint(900, 100) << false;
    QTest::newRow("above the screen") << QList<QRect>{small} << QPoint(100, -15) << false;
    QTest::newRow("title under the top panel") << QList<QRect>{underPanel} << QPoint(0, 0) << false;
    QTest::newRow("below the top panel") << QList<QRect>{underPanel} << QPoint(0, 32) << true;
    QTest::newRow("on the second screen") << QList<QRect>{small, secondScreen} << QPoint(1100, 200) << true;
    QTest::newRow("second screen gone") << QList<QRect>{small} << QPoint(1100, 200) << false;
}

void TstMainWindow::storedPositionOnTheScreens()
{
    QFETCH(QList<QRect>, areas);
    QFETCH(QPoint, stored);
    QFETCH(bool, kept);
    session_->Platform.ScreenInfo.Width = 1024;
    session_->Platform.ScreenInfo.Height = 768;
    session_->Platform.ScreenInfo.Areas = areas;
    session_->MakeEntries({"Anvil"});
    QVERIFY(session_->App->LVDlgProcs->SetDlgPosnInfo(QStringLiteral("DialogTop"), QStringLiteral("DialogLeft"),
                                                      stored.y(), stored.x()));
    TLockvexMainDlg &w = OpenWindow();
    if (kept) {
        QCOMPARE(w.pos(), stored);
        return;
    }
    // Pulled onto the primary screen, each coordinate moved no further than it must.
    const QRect area = areas.first();
    const QRect frame = w.frameGeometry();
    const auto nearest = [](int value, int low, int high) { return qBound(low, value, qMax(low, high)); };
    QCOMPARE(frame.topLeft(), QPoint(nearest(stored.x(), area.left(), area.right() + 1 - frame.width()),
                                     nearest(stored.y(), area.top(), area.bottom() + 1 - frame.height())));
    QVERIFY(area.contains(frame));
}

void TstMainWindow::cloudButtonVisibility_data()
{
    QTest::addColumn<bool>("dropbox");
    QTest::addColumn<bool>("visible");
    QTest::newRow("no cloud client") << false << false;
    QTest::newRow("Dropbox installed") << true << true;
}

void TstMainWindow::cloudButtonVisibility()
{
    QFETCH(bool, dropbox);
    QFETCH(bool, visible);
    session_->Run().Location.Clients[CloudDropbox].Exists = dropbox;
    TLockvexMainDlg &w = OpenWindow();
    QCOMPARE(Controls(w).UseCloudBtn->isVisible(), visible);
    QVERIFY(Controls(w).RadioButtonPC->isChecked());
    QCOMPARE(Controls(w).RadioButtonDropbox->isEnabled(), dropbox);
}

void TstMainWindow::readOnlyMode()
{
    session_->MakeEntries({"Anvil:pw1", "Basket:pw2"});
    session_->Run().Mode.SetReadOnlyMode(true);
    session_->Run().Folders.DataUserName = QStringLiteral("bob on desk");
    TLockvexMainDlg &w = OpenWindow();
    QVERIFY(Controls(w).ReadOnlyLbl->isVisible());
    QCOMPARE(Controls(w).ReadOnlyLbl->text(), QStringLiteral("Read Only mode"));
    QCOMPARE(Controls(w).ReadOnlyLbl->toolTip(), QStringLiteral("bob on desk accessing data"));
    QVERIFY(!Controls(w).ImportPasswordsBtn->isVisible());
    QVERIFY(!Controls(w).NewBtn->isVisible());
    QVERIFY(!Controls(w).DeleteItemBtn->isVisible());
    QVERIFY(Fields(w).PasswordCopyBtn->isVisible());
    QVERIFY(Controls(w).LoginBtn->isVisible());
    // Nothing can be typed, so nothing typed is thrown away; the text can still be selected.
    QTest::mouseClick(Fields(w).CustID, Qt::LeftButton);
    QTest::keyClicks(Fields(w).CustID, QStringLiteral("typed"));
    QCOMPARE(Fields(w).CustID->text(), QStringLiteral("anvil-id"));
    Fields(w).CustID->selectAll();
    QCOMPARE(Fields(w).CustID->selectedText(), QStringLiteral("anvil-id"));
    QVERIFY(Fields(w).ItemDescr->isReadOnly());
    QVERIFY(!Controls(w).SuppressPWCheckBox->isEnabled());
    QVERIFY(!w.RecChanged());
    // Search and tabs work.
    QTest::mouseClick(Controls(w).SearchArg, Qt::LeftButton);
    QTest::keyClicks(Controls(w).SearchArg, QStringLiteral("ask"));
    QCOMPARE(Lines(), QStringList({"Basket"}));
    ClickTab(QStringLiteral("A"));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Anvil"));
    w.close();
    QVERIFY(!w.isVisible());
    QVERIFY(session_->Messages.Shown.isEmpty());
}

// ---- idle close --------------------------------------------------------------------------------

void TstMainWindow::idleCloseSavesAndCloses()
{
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Fields(w).PIN, Qt::LeftButton);
    QTest::keyClicks(Fields(w).PIN, QStringLiteral("77"));
    for (int tick = 1; tick < 30; ++tick)
        w.ForceCloseTimer();
    QVERIFY(w.isVisible());
    QCOMPARE(session_->Stored(QStringLiteral("Anvil")).PIN, QString());
    w.ForceCloseTimer(); // the thirtieth tick: save and close
    QVERIFY(!w.isVisible());
    QCOMPARE(session_->Stored(QStringLiteral("Anvil")).PIN, QStringLiteral("77"));
    QVERIFY(session_->Messages.Shown.isEmpty());
}

void TstMainWindow::activityPutsOffTheIdleClose()
{
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Fields(w).ItemDescr, Qt::LeftButton);
    for (int tick = 1; tick < 30; ++tick)
        w.ForceCloseTimer();
    QCOMPARE(w.IdleCount(), 1);
    QTest::keyClicks(Fields(w).ItemDescr, QStringLiteral("n")); // typing notes is activity
    QCOMPARE(w.IdleCount(), 30);
    w.ForceCloseTimer();
    QVERIFY(w.isVisible());
    for (int tick = 1; tick < 29; ++tick)
        w.ForceCloseTimer();
    QTest::mouseClick(Controls(w).ItemList->viewport(), Qt::LeftButton, {}, QPoint(200, 300)); // a click too
    QCOMPARE(w.IdleCount(), 30);
    QTest::mouseClick(Controls(w).SearchArg, Qt::LeftButton);
    QTest::keyClicks(Controls(w).SearchArg, QStringLiteral("x"));
    QCOMPARE(w.IdleCount(), 30);
}

// Keys in the import window count as activity; an idle close while it is open closes the whole
// program: the import window, then this window for good, the clipboard cleared.
void TstMainWindow::idleCloseWithTheImportWindowOpen()
{
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    session_->Platform.Clipboard = QStringLiteral("secret");
    int countAfterKey = 0;
    bool sawDialog = false;
    testing_support::WhenModalShows<TLockvexDataImportDlg>(&w, [&](TLockvexDataImportDlg *dialog) {
        sawDialog = true;
        for (int tick = 1; tick < 30; ++tick)
            w.ForceCloseTimer();
        QTest::keyClick(dialog, Qt::Key_Shift);
        countAfterKey = w.IdleCount();
        for (int tick = 1; tick <= 30; ++tick)
            w.ForceCloseTimer();
    });
    QTest::mouseClick(Controls(w).ImportPasswordsBtn, Qt::LeftButton);
    QVERIFY(sawDialog);
    QCOMPARE(countAfterKey, 30);
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(!w.isVisible());
    QVERIFY(!w.ForceClose->isActive());
    QCOMPARE(session_->Platform.Clipboard, ClearedText);
    QVERIFY(session_->Messages.Shown.isEmpty());
}

// ---- names -------------------------------------------------------------------------------------

void TstMainWindow::renameConfirmation_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("No leaves the name unsaved in the field") << false;
    QTest::newRow("Yes saves it") << true;
}

void TstMainWindow::renameConfirmation()
{
    QFETCH(bool, answer);
    session_->MakeEntries({"Anvil", "Basket"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Fields(w).ItemName, Qt::LeftButton);
    Fields(w).ItemName->selectAll();
    QTest::keyClicks(Fields(w).ItemName, QStringLiteral("Zebra"));
    session_->Messages.Answers = {answer};
    LeaveNameField();
    QCOMPARE(ShownTexts(), QStringList({Msg2}));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Zebra"));
    if (answer) {
        QCOMPARE(Lines(), QStringList({"Basket", "Zebra"}));
        QCOMPARE(SelectedRow(Controls(w).ItemList), 1);
        QVERIFY(session_->App->LockvexTbl->GetKey(QStringLiteral("Zebra")) >= 0);
        QVERIFY(session_->App->LockvexTbl->GetKey(QStringLiteral("Anvil")) < 0);
    } else {
        QCOMPARE(Lines(), QStringList({"Anvil", "Basket"}));
        QVERIFY(session_->App->LockvexTbl->GetKey(QStringLiteral("Zebra")) < 0);
        QVERIFY(w.RecChanged());
        // Leaving the entry afterwards saves what the field holds, without asking again.
        ClickLine(1);
        QCOMPARE(session_->Messages.Shown.size(), 1);
        QCOMPARE(Lines(), QStringList({"Basket", "Zebra"}));
    }
}

void TstMainWindow::duplicateNameRefusedAndNeverWritten()
{
    session_->MakeEntries({"Anvil", "Basket"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Fields(w).ItemName, Qt::LeftButton);
    Fields(w).ItemName->selectAll();
    QTest::keyClicks(Fields(w).ItemName, QStringLiteral("BASKET"));
    ClickLine(1); // leaving the field asks; the click does not save the refused name
    QCOMPARE(ShownTexts(), QStringList({Msg16}));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("BASKET"));
    QCOMPARE(Lines(), QStringList({"Anvil", "Basket"}));
    QCOMPARE(w.Rules().DisplayedItemKey(), session_->App->LockvexTbl->GetKey(QStringLiteral("Anvil")));
    QCOMPARE(SelectedRow(Controls(w).ItemList), 0);
    // Another way out does not write it either.
    ClickTab(QStringLiteral("B"));
    QCOMPARE(ShownTexts(), QStringList({Msg16, Msg16})); // a refused way out says why
    QCOMPARE(Lines(), QStringList({"Anvil", "Basket"}));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("BASKET"));
    // A unique name goes through.
    QTest::mouseClick(Fields(w).ItemName, Qt::LeftButton);
    Fields(w).ItemName->selectAll();
    QTest::keyClicks(Fields(w).ItemName, QStringLiteral("Cedar"));
    session_->Messages.Answers = {true};
    LeaveNameField();
    QCOMPARE(ShownTexts().last(), Msg2);
    QCOMPARE(Lines(), QStringList({"Basket", "Cedar"}));
    QCOMPARE(Lines().value(SelectedRow(Controls(w).ItemList)), QStringLiteral("Cedar"));
}

// However the user leaves an entry whose name was changed, the rename is asked about once, as
// leaving the name field asks; a letter tab and the idle close take no focus from the field.
void TstMainWindow::everyWayOutAsksAboutARenameOnce_data()
{
    QTest::addColumn<QString>("way");
    for (const char *way : {"line click", "letter tab", "search", "new", "delete", "save and close", "idle close"})
        QTest::newRow(way) << QString::fromLatin1(way);
}

void TstMainWindow::everyWayOutAsksAboutARenameOnce()
{
    QFETCH(QString, way);
    session_->MakeEntries({"Amazon", "Basket"});
    TLockvexMainDlg &w = OpenWindow();
    Retype(Fields(w).ItemName, QStringLiteral("Amazonx"));
    session_->Messages.Answers = {true, false}; // Yes to the rename; No to a delete
    if (way == QLatin1String("line click")) {
        ClickLine(1);
    } else if (way == QLatin1String("letter tab")) {
        ClickTab(QStringLiteral("B"));
    } else if (way == QLatin1String("search")) {
        QTest::mouseClick(Controls(w).SearchArg, Qt::LeftButton);
        QTest::keyClicks(Controls(w).SearchArg, QStringLiteral("a"));
    } else if (way == QLatin1String("new")) {
        QTest::mouseClick(Controls(w).NewBtn, Qt::LeftButton);
    } else if (way == QLatin1String("delete")) {
        QTest::mouseClick(Controls(w).DeleteItemBtn, Qt::LeftButton);
    } else if (way == QLatin1String("save and close")) {
        QTest::mouseClick(Controls(w).SaveCloseBtn, Qt::LeftButton);
    } else {
        for (int tick = 1; tick <= 30; ++tick)
            w.ForceCloseTimer();
    }
    QCOMPARE(ShownTexts().count(Msg2), 1);
    QVERIFY(session_->App->LockvexTbl->GetKey(QStringLiteral("Amazonx")) >= 0);
    QVERIFY(session_->App->LockvexTbl->GetKey(QStringLiteral("Amazon")) < 0);
}

// Entries that share a name in other letter case (an older file) each stay saveable while
// their name is unchanged.
void TstMainWindow::namesSharedInOtherCaseStaySaveable()
{
    session_->MakeEntries({"Bank", "BANK", "bank"});
    TLockvexMainDlg &w = OpenWindow();
    ClickLine(int(Lines().indexOf(QStringLiteral("BANK"))));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("BANK"));
    Retype(Fields(w).Password, QStringLiteral("Changed7"));
    QTest::mouseClick(Controls(w).SaveCloseBtn, Qt::LeftButton);
    QVERIFY(session_->Messages.Shown.isEmpty());
    QVERIFY(!w.isVisible());
    QCOMPARE(session_->Stored(QStringLiteral("BANK")).Password, QStringLiteral("Changed7"));
    QCOMPARE(session_->Stored(QStringLiteral("Bank")).Password, QString());
}

// A name blanked out is refused with a message; the entry stays shown with every change, and
// is saved once it has a name again.
void TstMainWindow::blankedNameIsRefusedKeepingTheChanges_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("line click") << "line click";
    QTest::newRow("letter tab") << "letter tab";
}

void TstMainWindow::blankedNameIsRefusedKeepingTheChanges()
{
    QFETCH(QString, way);
    session_->MakeEntries({"Anvil", "Basket"});
    TLockvexMainDlg &w = OpenWindow();
    const int anvil = w.Rules().DisplayedItemKey();
    Retype(Fields(w).Password, QStringLiteral("Kept4321"));
    Retype(Fields(w).ItemName, QString());
    auto leave = [&] {
        if (way == QLatin1String("line click"))
            ClickLine(1);
        else
            ClickTab(QStringLiteral("B"));
    };
    leave();
    QCOMPARE(ShownTexts(), QStringList({Msg21}));
    QCOMPARE(w.Rules().DisplayedItemKey(), anvil);
    QCOMPARE(Fields(w).ItemName->text(), QString());
    QCOMPARE(Fields(w).Password->text(), QStringLiteral("Kept4321"));
    QCOMPARE(session_->Stored(QStringLiteral("Anvil")).Password, QString());
    // Named again, it is saved on the way out.
    Retype(Fields(w).ItemName, QStringLiteral("Anvil"));
    leave();
    QCOMPARE(ShownTexts(), QStringList({Msg21}));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Basket"));
    QCOMPARE(session_->Stored(QStringLiteral("Anvil")).Password, QStringLiteral("Kept4321"));
}

// ---- new entries -------------------------------------------------------------------------------

void TstMainWindow::newEntryTwiceTakesUpTheSameLine()
{
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Controls(w).NewBtn, Qt::LeftButton);
    QCOMPARE(Lines(), QStringList({"Anvil", "New Web entry"}));
    QCOMPARE(SelectedRow(Controls(w).ItemList), 1);
    QCOMPARE(Fields(w).ItemName->text(), QString());
    QVERIFY(w.Rules().IsNewEntry());
    QCOMPARE(QApplication::focusWidget(), Fields(w).ItemName);
    // Pressed again on it, or after leaving it untouched (its line goes), one new line shows.
    QTest::mouseClick(Controls(w).NewBtn, Qt::LeftButton);
    QCOMPARE(Lines(), QStringList({"Anvil", "New Web entry"}));
    QCOMPARE(SelectedRow(Controls(w).ItemList), 1);
    ClickLine(0);
    QCOMPARE(Lines(), QStringList({"Anvil"}));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Anvil"));
    QTest::mouseClick(Controls(w).NewBtn, Qt::LeftButton);
    QCOMPARE(Lines(), QStringList({"Anvil", "New Web entry"}));
    QVERIFY(w.Rules().IsNewEntry());
    QVERIFY(session_->Messages.Shown.isEmpty());
}

void TstMainWindow::newEntryNamedAndSaved()
{
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Controls(w).NewBtn, Qt::LeftButton);
    QTest::keyClicks(Fields(w).ItemName, QStringLiteral("  Bank  "));
    QTest::mouseClick(Fields(w).Password, Qt::LeftButton);
    QCOMPARE(Lines(), QStringList({"Anvil", "Bank"}));
    QCOMPARE(SelectedRow(Controls(w).ItemList), 1);
    QTest::keyClicks(Fields(w).Password, QStringLiteral("Secret12"));
    QVERIFY(Fields(w).PWSoSoBtn->isVisible() || Fields(w).PWBadBtn->isVisible() || Fields(w).PWOKBtn->isVisible());
    ClickLine(0);
    QVERIFY(session_->Messages.Shown.isEmpty()); // a new entry's name needs no confirmation
    QCOMPARE(session_->Stored(QStringLiteral("Bank")).Password, QStringLiteral("Secret12"));
    QCOMPARE(session_->Stored(QStringLiteral("Bank")).ItemName, QStringLiteral("Bank"));
}

void TstMainWindow::newEntryWithoutNameIsNotWritten()
{
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Controls(w).NewBtn, Qt::LeftButton);
    QTest::mouseClick(Fields(w).Password, Qt::LeftButton);
    QTest::keyClicks(Fields(w).Password, QStringLiteral("dropped"));
    session_->Messages.Answers = {true}; // Yes: discard it
    ClickLine(0);
    QCOMPARE(ShownTexts(), QStringList({Msg28}));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Anvil"));
    QCOMPARE(Lines(), QStringList({"Anvil"}));
    w.close();
    QVERIFY(session_->App->ListManager->ClosePool(DoNotWriteLog));
    QVERIFY(session_->App->ListManager->OpenPool(session_->Run().Folders.DataFileName));
    session_->App->ListManager->BuildLockvexStrings();
    QCOMPARE(session_->App->ListManager->LockvexStrings->Count(), 1);
}

// A new entry whose name is refused stays shown with what was typed until the user names it or
// agrees to discard it; every refused way out says why, and the delete question names the entry.
void TstMainWindow::refusedNewEntryStaysUntilNamedOrDiscarded()
{
    session_->MakeEntries({"Lumen Bank 188", "Mailbox Pro", "orbit mobile"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Controls(w).NewBtn, Qt::LeftButton);
    const int newKey = w.Rules().DisplayedItemKey();
    QTest::keyClicks(Fields(w).ItemName, QStringLiteral("orbit mobile"));
    LeaveNameField();
    QCOMPARE(ShownTexts(), QStringList({Msg16}));
    QTest::mouseClick(Fields(w).PIN, Qt::LeftButton);
    QTest::keyClicks(Fields(w).PIN, QStringLiteral("4321"));
    auto stillOnTheNewEntry = [&](const QString &name) {
        QCOMPARE(w.Rules().DisplayedItemKey(), newKey);
        QCOMPARE(Fields(w).ItemName->text(), name);
        QCOMPARE(Fields(w).PIN->text(), QStringLiteral("4321"));
        QCOMPARE(Lines().value(SelectedRow(Controls(w).ItemList)), QStringLiteral("New Web entry"));
    };
    // Another line: asked to discard; No keeps editing.
    session_->Messages.Answers = {false};
    ClickLine(0);
    QCOMPARE(ShownTexts(), QStringList({Msg16, Msg28}));
    stillOnTheNewEntry(QStringLiteral("orbit mobile"));
    // The name cleared, a letter tab: the same question, and the entry stays.
    Retype(Fields(w).ItemName, QString());
    session_->Messages.Answers = {false};
    ClickTab(QStringLiteral("L"));
    QCOMPARE(ShownTexts(), QStringList({Msg16, Msg28, Msg28}));
    stillOnTheNewEntry(QString());
    // DELETE ITEM names what it deletes; No keeps it.
    session_->Messages.Answers = {false};
    QTest::mouseClick(Controls(w).DeleteItemBtn, Qt::LeftButton);
    QCOMPARE(ShownTexts().last(), Msg3 + QStringLiteral("\n\"New Web entry\""));
    stillOnTheNewEntry(QString());
    // Yes to the discard: the entry clicked is shown and the new line has gone.
    session_->Messages.Answers = {true};
    ClickLine(0);
    QCOMPARE(ShownTexts().last(), Msg28);
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Lumen Bank 188"));
    QCOMPARE(Lines(), QStringList({"Lumen Bank 188", "Mailbox Pro", "orbit mobile"}));
    QCOMPARE(session_->Stored(QStringLiteral("orbit mobile")).PIN, QString());
    ClickLine(1);
    session_->Messages.Answers = {true};
    QTest::mouseClick(Controls(w).DeleteItemBtn, Qt::LeftButton);
    QCOMPARE(ShownTexts().last(), Msg3 + QStringLiteral("\n\"Mailbox Pro\""));
    QCOMPARE(Lines(), QStringList({"Lumen Bank 188", "orbit mobile"}));
}

void TstMainWindow::emptySafeStartsANewEntry()
{
    TLockvexMainDlg &w = OpenWindow();
    QCOMPARE(Lines(), QStringList({"New Web entry"}));
    QVERIFY(w.Rules().IsNewEntry());
    QCOMPARE(QApplication::focusWidget(), Fields(w).ItemName);
    QVERIFY(!Fields(w).ItemName->isReadOnly());
}

// ---- delete ------------------------------------------------------------------------------------

void TstMainWindow::deleteLastAndOnlyLine()
{
    session_->MakeEntries({"Anvil", "Basket"});
    TLockvexMainDlg &w = OpenWindow();
    ClickLine(1);
    session_->Messages.Answers = {false};
    QTest::mouseClick(Controls(w).DeleteItemBtn, Qt::LeftButton);
    QCOMPARE(ShownTexts(), QStringList({Msg3 + QStringLiteral("\n\"Basket\"")}));
    QCOMPARE(Lines(), QStringList({"Anvil", "Basket"}));
    QTest::mouseClick(Controls(w).DeleteItemBtn, Qt::LeftButton); // Yes
    QCOMPARE(Lines(), QStringList({"Anvil"}));
    QCOMPARE(SelectedRow(Controls(w).ItemList), 0); // the line before the deleted last line
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Anvil"));
    QTest::mouseClick(Controls(w).DeleteItemBtn, Qt::LeftButton);
    QCOMPARE(Lines(), QStringList());
    QCOMPARE(w.Rules().DisplayedItemKey(), -1);
    QCOMPARE(Fields(w).ItemName->text(), QString());
    QCOMPARE(Fields(w).CustID->text(), QString());
    // With no line selected, a delete does nothing after the confirmation.
    QTest::mouseClick(Controls(w).DeleteItemBtn, Qt::LeftButton);
    QCOMPARE(session_->Messages.Shown.size(), 4);
}

// ---- save and close ----------------------------------------------------------------------------

void TstMainWindow::saveCloseAfterRefusedName()
{
    session_->MakeEntries({"Anvil", "Basket"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Fields(w).ItemName, Qt::LeftButton);
    Fields(w).ItemName->selectAll();
    QTest::keyClicks(Fields(w).ItemName, QStringLiteral("basket"));
    session_->Messages.Answers = {true, false}; // OK to message 16, No to message 4
    w.SaveCloseBtnClick();
    QCOMPARE(ShownTexts(), QStringList({Msg16, Msg4}));
    QVERIFY(w.isVisible());
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("basket"));
    session_->Messages.Answers = {true, true};
    w.SaveCloseBtnClick();
    QVERIFY(!w.isVisible());
    QCOMPARE(ShownTexts().last(), Msg4);
    QCOMPARE(Lines(), QStringList());
    QVERIFY(session_->App->LockvexTbl->GetKey(QStringLiteral("Anvil")) >= 0);
}

// ---- writes that fail --------------------------------------------------------------------------

void TstMainWindow::failedSaveIsReportedAndKept()
{
    session_->MakeEntries({"Anvil", "Basket"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Fields(w).PIN, Qt::LeftButton);
    QTest::keyClicks(Fields(w).PIN, QStringLiteral("4321"));
    const ItemManagerParams before = w.Rules().AsLoaded();
    SetFault(true);
    ClickLine(1);
    SetFault(false);
    QCOMPARE(ShownTexts(), QStringList({Msg18}));
    QCOMPARE(session_->Messages.Shown.first().DlgType, mtError);
    // Still on the changed entry, not treated as saved.
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Anvil"));
    QCOMPARE(Fields(w).PIN->text(), QStringLiteral("4321"));
    QCOMPARE(SelectedRow(Controls(w).ItemList), 0);
    QCOMPARE(w.Rules().AsLoaded().PIN, before.PIN);
    QVERIFY(w.RecChanged());
    QCOMPARE(session_->Stored(QStringLiteral("Anvil")).PIN, QString());
    // The retry goes through once the disk takes it.
    ClickLine(1);
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Basket"));
    QCOMPARE(session_->Stored(QStringLiteral("Anvil")).PIN, QStringLiteral("4321"));
}

void TstMainWindow::failedDeleteIsReportedAndKept()
{
    session_->MakeEntries({"Anvil", "Basket"});
    TLockvexMainDlg &w = OpenWindow();
    session_->Messages.Answers = {true};
    SetFault(true);
    QTest::mouseClick(Controls(w).DeleteItemBtn, Qt::LeftButton);
    SetFault(false);
    QCOMPARE(ShownTexts(), QStringList({Msg3 + QStringLiteral("\n\"Anvil\""), Msg18}));
    QCOMPARE(Lines(), QStringList({"Anvil", "Basket"}));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Anvil"));
    QVERIFY(session_->App->LockvexTbl->GetKey(QStringLiteral("Anvil")) >= 0);
}

// A safe whose table has no free key says so when a new entry is asked for.
void TstMainWindow::fullSafeSaysSo()
{
    session_->MakeEntries({"Anvil"});
    while (session_->App->ItemManager->AddItem(QStringLiteral("Filler")) != NoKey) {
    }
    TLockvexMainDlg &w = OpenWindow();
    const int shown = w.Rules().DisplayedItemKey();
    const QString name = Fields(w).ItemName->text();
    QTest::mouseClick(Controls(w).NewBtn, Qt::LeftButton);
    QCOMPARE(ShownTexts(), QStringList({Msg22}));
    QCOMPARE(session_->Messages.Shown.first().Caption, QStringLiteral("YOUR LOCKVEX IS FULL"));
    QVERIFY(!w.Rules().IsNewEntry());
    // The entry shown stays shown, on its line and editable.
    QCOMPARE(w.Rules().DisplayedItemKey(), shown);
    QCOMPARE(Fields(w).ItemName->text(), name);
    QCOMPARE(SelectedRow(Controls(w).ItemList), 0);
    QVERIFY(!Fields(w).ItemName->isReadOnly());
}

// ---- ending signal -----------------------------------------------------------------------------

void TstMainWindow::signalSavesWithoutAsking()
{
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Fields(w).URL, Qt::LeftButton);
    QTest::keyClicks(Fields(w).URL, QStringLiteral("bank.example"));
    w.CloseOnSignal();
    QTRY_VERIFY(!w.isVisible());
    QVERIFY(session_->Messages.Shown.isEmpty());
    QCOMPARE(session_->Stored(QStringLiteral("Anvil")).URL, QStringLiteral("bank.example"));
}

// ---- odd input ---------------------------------------------------------------------------------

void TstMainWindow::longAndOddTexts()
{
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Fields(w).ItemDescr, Qt::LeftButton);
    Fields(w).ItemDescr->insertPlainText(QString(10000, QLatin1Char('n')));
    QTest::mouseClick(Fields(w).CustID, Qt::LeftButton);
    QTest::keyClicks(Fields(w).CustID, QString(60, QLatin1Char('c')));
    QTest::mouseClick(Fields(w).PIN, Qt::LeftButton);
    Fields(w).PIN->insert(QStringLiteral("\u20ac\U0001F600\t\a")); // refused whole: the file cannot hold it
    Fields(w).PIN->insert(QStringLiteral("\u20ac5"));
    ClickTab(QStringLiteral("*"));
    const ItemManagerParams stored = session_->Stored(QStringLiteral("Anvil"));
    QCOMPARE(stored.ItemDescr.size(), 255);
    QCOMPARE(stored.CustID.size(), 31);
    QCOMPARE(stored.PIN, QStringLiteral("\u20ac5"));
    QVERIFY(session_->Messages.Shown.isEmpty());
}

// A password with letters outside the file's code page was saved with "?" for them, and the real
// one was lost. The box refuses them, so what the user sees is what is saved.
void TstMainWindow::textTheFileCannotHoldIsRefused()
{
    session_->MakeEntries({"Amazon:old", "Bank:pw"});
    TLockvexMainDlg &w = OpenWindow();
    ClickLine(0);
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Amazon"));
    QTest::mouseClick(Fields(w).Password, Qt::LeftButton);
    Fields(w).Password->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("Łódź#2024"));
    QTest::keySequence(Fields(w).Password, QKeySequence::Paste);
    QCOMPARE(Fields(w).Password->text(), QStringLiteral("old"));
    QVERIFY(Fields(w).EntryNoteLbl->isVisible());
    QCOMPARE(Fields(w).EntryNoteLbl->text(), QStringLiteral("Lockvex cannot store Ł"));
    Fields(w).Password->selectAll();
    testing_support::TypeText(Fields(w).Password, QStringLiteral("Łódź#2024"));
    QCOMPARE(Fields(w).Password->text(), QStringLiteral("ód#2024"));
    ClickLine(1);
    ClickLine(0);
    QCOMPARE(Fields(w).Password->text(), QStringLiteral("ód#2024"));
    QCOMPARE(session_->Stored(QStringLiteral("Amazon")).Password, QStringLiteral("ód#2024"));
    QVERIFY(session_->Messages.Shown.isEmpty());
}

// ---- pictures ----------------------------------------------------------------------------------

void TstMainWindow::screenshots()
{
    const QString folder = qEnvironmentVariable("LOCKVEX_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("LOCKVEX_SCREENSHOT_DIR not set");
    const QStringList names = {"Amazon",
                               "American Express",
                               "Apple ID",
                               "Barclaycard",
                               "BBC iPlayer",
                               "Booking.com",
                               "British Gas",
                               "Council Tax",
                               "Dropbox",
                               "eBay",
                               "EE Mobile",
                               "Etsy",
                               "First Direct",
                               "GitHub",
                               "Gmail",
                               "HMRC Gateway",
                               "HSBC",
                               "IKEA Family",
                               "John Lewis",
                               "LinkedIn",
                               "Marks & Spencer",
                               "Microsoft",
                               "Monzo",
                               "Nationwide",
                               "Netflix",
                               "NHS App",
                               "Ocado",
                               "PayPal",
                               "Premium Bonds",
                               "Royal Mail",
                               "Santander",
                               "Spotify",
                               "Tesco Clubcard",
                               "Thames Water",
                               "Trainline",
                               "Vanguard ISA",
                               "Virgin Media",
                               "Zoopla"};
    for (const QString &name : names) {
        ItemManagerParams item;
        item.ItemName = name;
        item.CustID = QStringLiteral("j.smith");
        item.Password = QStringLiteral("Tr41n-%1x").arg(name.size());
        const int key = session_->App->ItemManager->AddItem(name);
        QVERIFY(session_->App->ItemManager->SaveWebItem(key, item));
    }
    ItemManagerParams bank;
    bank.ItemName = QStringLiteral("First Direct");
    bank.URL = QStringLiteral("https://www1.firstdirect.com/login");
    bank.CustID = QStringLiteral("jsmith1972");
    bank.PIN = QStringLiteral("4812");
    bank.Password = QStringLiteral("Harbour7Lantern2");
    bank.Question1 = QStringLiteral("Mother's maiden name");
    bank.MemData1 = QStringLiteral("Whitfield");
    bank.Question2 = QStringLiteral("First school");
    bank.MemData2 = QStringLiteral("St Mary's");
    bank.Question3 = QStringLiteral("Favourite film");
    bank.MemData3 = QStringLiteral("Casablanca");
    bank.ItemDescr = QStringLiteral("Joint current account\nCard ends 4471");
    bank.LockvexPassword = true;
    bank.AutoPWCopy = true;
    QVERIFY(session_->App->ItemManager->SaveWebItem(session_->App->LockvexTbl->GetKey(bank.ItemName), bank));

    for (bool readOnly : {false, true}) {
        session_->Run().Mode.SetReadOnlyMode(readOnly);
        session_->Run().Folders.DataUserName = readOnly ? QStringLiteral("alice on laptop") : QString();
        TLockvexMainDlg &w = OpenWindow();
        ClickTab(QStringLiteral("F"));
        const QString file =
            readOnly ? QStringLiteral("/main-window-read-only.png") : QStringLiteral("/main-window.png");
        QVERIFY(w.grab().save(folder + file));
        window_.reset();
    }
}

QTEST_MAIN(TstMainWindow)
#include "tst_main_window.moc"
