// The two sign-in dialogs on their own: a small stand-in for the entry table's password check,
// the message responder in place of message boxes, and the platform double's Documents folder for
// the support marker file.

#include "app/DataLocation.h"
#include "app/LockvexAddresses.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrLockvexHelp.h"
#include "app/RunState.h"
#include "entries/MgrLockvexLists.h"
#include "support/TestPlatform.h"
#include "ui/shared/WindowHelp.h"
#include "ui/signin/DLockvexDBLPword.h"
#include "ui/signin/DLockvexPassword.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QtTest>

#include <memory>

namespace
{

// The entry table's password check as sign-in relies on it: an exact, case-sensitive match with a
// stored password, a blank input standing for the word "nomatch". Records what it was asked.
struct FakeSafe {
    QStringList Passwords;
    QStringList Asked;

    TPasswordChecker Checker()
    {
        return [this](const QString &password) {
            Asked << password;
            const QString compared = password.trimmed().isEmpty() ? QStringLiteral("nomatch") : password;
            return Passwords.contains(compared);
        };
    }
};

const QString WrongPasswordText = QStringLiteral("The password you have entered is not correct");

// Tab from widget to widget starting at the first, as the user does.
QList<QWidget *> TabWalk(QDialog &dialog, QWidget *first, int steps)
{
    QList<QWidget *> visited;
    first->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < steps; ++i) {
        visited << dialog.focusWidget();
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
    }
    return visited;
}

bool Accepted(const QDialog &dialog)
{
    return !dialog.isVisible() && dialog.result() == QDialog::Accepted;
}

} // namespace

class TstSignInDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void onePasswordDialogHasItsControls();
    void twoPasswordDialogHasItsControls();
    void dataLocation_data();
    void dataLocation();
    void caveatFollowsAccessPasswords_data();
    void caveatFollowsAccessPasswords();
    void showingResetsTheDialog();
    void onePasswordAttempts_data();
    void onePasswordAttempts();
    void enterKeyRunsTheCheck();
    void attemptsAreNotLimited();
    void supportOverride_data();
    void supportOverride();
    void overrideOutlivesARefusedAttempt();
    void twoPasswordAttempts_data();
    void twoPasswordAttempts();
    void overrideDoesNothingOnAMemoryStick();
    void cancelOrCloseRefuses_data();
    void cancelOrCloseRefuses();
    void logoOpensTheMakersSite();
    void helpKeyOpensSignInHelp();
    void windowsFitAndNothingIsClipped();
    void scaledWindowIsDrawnForTheScreen();

private:
    void CheckRefused(QDialog &dialog, int messages);
    // What the dialogs are handed: the stand-in's password check, the lists and the procedures.
    TSignInNeeds Needs() { return {safe_.Checker(), *lists_, *dlgProcs_, run_}; }
    void MakeSupportMarker();

    std::unique_ptr<testing_support::TestPlatform> testPlatform_;
    std::unique_ptr<platform::ScopedInstall> platformGuard_;
    TLockvexMessages runMessages_;
    std::unique_ptr<ScopedMessageResponder> messages_;
    TRunState run_; // the run's mode, data location and screen, as the dialogs are handed them
    std::unique_ptr<TLVDlgProcs> dlgProcs_;
    std::unique_ptr<TListManager> lists_; // counts the access passwords, for the caveat
    FakeSafe safe_;
};

void TstSignInDialogs::init()
{
    run_ = TRunState();
    testPlatform_ = std::make_unique<testing_support::TestPlatform>();
    platformGuard_ = std::make_unique<platform::ScopedInstall>(*testPlatform_);
    messages_ = std::make_unique<ScopedMessageResponder>(runMessages_);
    dlgProcs_ = std::make_unique<TLVDlgProcs>(run_, runMessages_);
    lists_ = std::make_unique<TListManager>(nullptr);
    safe_ = FakeSafe{{QStringLiteral("Alpha1"), QStringLiteral("Bravo2"), QStringLiteral(" Lead")}, {}};
}

void TstSignInDialogs::cleanup()
{
    dlgProcs_.reset();
    lists_.reset();
    messages_.reset();
    platformGuard_.reset();
    testPlatform_.reset();
}

void TstSignInDialogs::MakeSupportMarker()
{
    QFile marker(testPlatform_->Documents + QStringLiteral("/KQ.Txt"));
    QVERIFY(marker.open(QIODevice::WriteOnly));
}

// A refused attempt: message 17 as the catalogue has it, the boxes emptied, Edit1 focused, the
// dialog still open.
void TstSignInDialogs::CheckRefused(QDialog &dialog, int messages)
{
    QVERIFY(dialog.isVisible());
    QCOMPARE(messages_->Shown.size(), messages);
    const TShownMessage &shown = messages_->Shown.last();
    QCOMPARE(shown.Caption, QString());
    QCOMPARE(shown.Text, WrongPasswordText);
    QCOMPARE(shown.DlgType, mtWarning);
    QCOMPARE(shown.Buttons, QStringList{QStringLiteral("OK")});
    const auto edits = dialog.findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits)
        QVERIFY2(edit->text().isEmpty(), qPrintable(edit->objectName()));
    QCOMPARE(dialog.focusWidget()->objectName(), QStringLiteral("Edit1"));
}

void TstSignInDialogs::onePasswordDialogHasItsControls()
{
    TLockvexPasswordDlg dialog(Needs());
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Lockvex access password"));
    const QList<std::pair<const char *, QString>> texts = {
        {"Label3", QStringLiteral("Lockvex")},
        {"Label4", QStringLiteral("Log in for PC")},
        {"Label2", QStringLiteral("Please enter one of the passwords in the safe:")},
        {"Label1", QStringLiteral("Passwords are case sensitive")},
        {"CaveatLbl", QStringLiteral("Not all passwords in the safe are accepted for log in")},
    };
    for (const auto &[name, text] : texts)
        QCOMPARE(dialog.findChild<QLabel *>(name)->text(), text);
    QCOMPARE(dialog.findChild<QPushButton *>("OKBtn")->text(), QStringLiteral("ENTER"));
    QCOMPARE(dialog.findChild<QPushButton *>("OverrideBtn")->text(), QStringLiteral("&Override"));
    QCOMPARE(dialog.findChild<QPushButton *>("CancelBtn")->text(), QStringLiteral("Cancel"));
    QVERIFY(dialog.findChild<QPushButton *>("OKBtn")->isDefault());
    QVERIFY(dialog.findChild<QLabel *>("Label3")->parentWidget() == dialog.findChild<QWidget *>("AdvPanel1"));
    QVERIFY(dialog.findChild<QLineEdit *>("Edit1")->parentWidget() == dialog.findChild<QGroupBox *>("GroupBox1"));
    QVERIFY(dialog.findChild<QLabel *>("TrelLogoImage")->cursor().shape() == Qt::PointingHandCursor);
    QVERIFY(dialog.findChild<QLineEdit *>("Edit2") == nullptr);

    QLineEdit *edit1 = dialog.findChild<QLineEdit *>("Edit1");
    QCOMPARE(edit1->echoMode(), QLineEdit::Password);
    QCOMPARE(edit1->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit1), int('#'));
    QCOMPARE(edit1->toolTip(), QStringLiteral("Enter any password already stored in the Lockvex"));

    const QList<QWidget *> expected = {edit1, dialog.OKBtn, dialog.OverrideBtn, dialog.CancelBtn, edit1};
    QCOMPARE(TabWalk(dialog, edit1, 5), expected);
}

void TstSignInDialogs::twoPasswordDialogHasItsControls()
{
    run_.Location.Clients[CloudDropbox].DataIn = true; // the memory stick's own location is shown whatever the cloud flags say
    TLockvexDBLPwordDlg dialog(Needs());
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Lockvex access passwords"));
    QCOMPARE(dialog.Label2->text(), QStringLiteral("Please enter TWO of the passwords in the safe:"));
    QCOMPARE(dialog.Label4->text(), QStringLiteral("Log in for PC"));
    QCOMPARE(dialog.DropboxLbl->text(), QStringLiteral("Data on MemStick"));
    QCOMPARE(dialog.OKBtn->text(), QStringLiteral("ENTER"));

    QLineEdit *edit2 = dialog.findChild<QLineEdit *>("Edit2");
    QVERIFY(edit2 != nullptr);
    QVERIFY(edit2->parentWidget() == dialog.GroupBox1);
    QCOMPARE(edit2->echoMode(), QLineEdit::Password);
    QCOMPARE(edit2->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit2), int('#'));
    QCOMPARE(edit2->toolTip(), dialog.Edit1->toolTip());

    const QList<QWidget *> expected = {dialog.OverrideBtn, dialog.CancelBtn, dialog.Edit1, dialog.OKBtn, edit2,
                                       dialog.OverrideBtn};
    QCOMPARE(TabWalk(dialog, dialog.OverrideBtn, 6), expected);
}

void TstSignInDialogs::dataLocation_data()
{
    QTest::addColumn<bool>("dropbox");
    QTest::addColumn<bool>("googleDrive");
    QTest::addColumn<bool>("oneDrive");
    QTest::addColumn<QString>("text");
    QTest::newRow("PC") << false << false << false << QStringLiteral("   Data on your PC");
    QTest::newRow("Dropbox") << true << false << false << QStringLiteral("     Data in Dropbox");
    QTest::newRow("Google Drive") << false << true << false << QStringLiteral("Data in Google Drive");
    QTest::newRow("OneDrive") << false << false << true << QStringLiteral("   Data in OneDrive");
    QTest::newRow("Dropbox first") << true << true << true << QStringLiteral("     Data in Dropbox");
    QTest::newRow("Google Drive before OneDrive") << false << true << true << QStringLiteral("Data in Google Drive");
}

void TstSignInDialogs::dataLocation()
{
    QFETCH(bool, dropbox);
    QFETCH(bool, googleDrive);
    QFETCH(bool, oneDrive);
    QFETCH(QString, text);
    run_.Location.Clients[CloudDropbox].DataIn = dropbox;
    run_.Location.Clients[CloudGoogleDrive].DataIn = googleDrive;
    run_.Location.Clients[CloudOneDrive].DataIn = oneDrive;
    TLockvexPasswordDlg dialog(Needs());
    QCOMPARE(dialog.DropboxLbl->text(), text);
}

void TstSignInDialogs::caveatFollowsAccessPasswords_data()
{
    QTest::addColumn<bool>("twoPasswords");
    QTest::addColumn<int>("loginPWs");
    QTest::addColumn<bool>("visible");
    for (bool two : {false, true}) {
        const char *dialog = two ? "two passwords" : "one password";
        QTest::addRow("%s, no access password", dialog) << two << 0 << false;
        QTest::addRow("%s, one access password", dialog) << two << 1 << true;
        QTest::addRow("%s, three access passwords", dialog) << two << 3 << true;
    }
}

void TstSignInDialogs::caveatFollowsAccessPasswords()
{
    QFETCH(bool, twoPasswords);
    QFETCH(int, loginPWs);
    QFETCH(bool, visible);
    lists_->LoginPWs = loginPWs;
    std::unique_ptr<TLockvexSignInDlg> dialog;
    if (twoPasswords)
        dialog = std::make_unique<TLockvexDBLPwordDlg>(Needs());
    else
        dialog = std::make_unique<TLockvexPasswordDlg>(Needs());
    dialog->show();
    QCOMPARE(dialog->CaveatLbl->isVisible(), visible);
}

// Each time the dialog is shown it starts afresh: no override, empty boxes, focus in Edit1, the
// sign-in help context.
void TstSignInDialogs::showingResetsTheDialog()
{
    TLockvexDBLPwordDlg dialog(Needs());
    dialog.Edit1->setText(QStringLiteral("left over"));
    dialog.PWOverride = true;
    dialog.SecondPWordOK = false;
    dialog.show();
    QCOMPARE(dialog.PWOverride, false);
    QCOMPARE(dialog.SecondPWordOK, true);
    QCOMPARE(dialog.SecondPassword, QStringLiteral("No second password"));
    QVERIFY(dialog.Edit1->text().isEmpty());
    QCOMPARE(dialog.focusWidget(), dialog.Edit1);
    QCOMPARE(HelpContext(&dialog), 1030);

    TLockvexPasswordDlg single(Needs());
    QTest::mouseClick(single.OverrideBtn, Qt::LeftButton);
    QVERIFY(single.PWOverride);
    single.show();
    QVERIFY(!single.PWOverride);
    QCOMPARE(HelpContext(&single), 1030);
    QTest::mouseClick(single.OverrideBtn, Qt::LeftButton);
    single.hide();
    single.show();
    QVERIFY(!single.PWOverride);
}

void TstSignInDialogs::onePasswordAttempts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("right") << "Alpha1"
                           << "Alpha1" << true;
    QTest::newRow("another right one") << "Bravo2"
                                       << "Bravo2" << true;
    QTest::newRow("blanks around") << "   Alpha1  "
                                   << "Alpha1" << true;
    QTest::newRow("control characters around") << "\t\x01"
                                                  "Alpha1\x1f "
                                               << "Alpha1" << true;
    QTest::newRow("blank inside kept") << "Alp ha1"
                                       << "Alp ha1" << false;
    QTest::newRow("other case") << "alpha1"
                                << "alpha1" << false;
    QTest::newRow("wrong") << "Charlie3"
                           << "Charlie3" << false;
    QTest::newRow("empty") << ""
                           << "" << false;
    QTest::newRow("blanks only") << "    "
                                 << "" << false;
    // A stored password beginning with a blank cannot be typed: the blank is trimmed away.
    QTest::newRow("stored leading blank") << " Lead"
                                          << "Lead" << false;
    QTest::newRow("outside Windows-1252")
        << QString::fromUtf8("Alpha1\u2713") << QString::fromUtf8("Alpha1\u2713") << false;
}

void TstSignInDialogs::onePasswordAttempts()
{
    QFETCH(QString, typed);
    QFETCH(QString, checked);
    QFETCH(bool, accepted);
    TLockvexPasswordDlg dialog(Needs());
    dialog.show();
    dialog.Edit1->setText(typed); // as if pasted: control characters reach the box too
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);

    QCOMPARE(safe_.Asked, QStringList{checked});
    QVERIFY(dialog.Edit1->text().isEmpty()); // the typed text never stays in the box
    QVERIFY(dialog.UserInput.isEmpty());
    if (accepted) {
        QVERIFY(Accepted(dialog));
        QVERIFY(messages_->Shown.isEmpty());
    } else {
        CheckRefused(dialog, 1);
    }
}

void TstSignInDialogs::enterKeyRunsTheCheck()
{
    TLockvexPasswordDlg dialog(Needs());
    dialog.show();
    QTest::keyClicks(dialog.Edit1, QStringLiteral("Wrong"));
    QTest::keyClick(dialog.Edit1, Qt::Key_Return);
    CheckRefused(dialog, 1);
    QTest::keyClicks(dialog.Edit1, QStringLiteral("Bravo2"));
    QTest::keyClick(dialog.Edit1, Qt::Key_Enter);
    QVERIFY(Accepted(dialog));
}

void TstSignInDialogs::attemptsAreNotLimited()
{
    TLockvexPasswordDlg dialog(Needs());
    dialog.show();
    for (int attempt = 1; attempt <= 12; ++attempt) {
        QTest::keyClicks(dialog.Edit1, QStringLiteral("guess%1").arg(attempt));
        QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
        CheckRefused(dialog, attempt);
    }
    QTest::keyClicks(dialog.Edit1, QStringLiteral("Alpha1"));
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    QVERIFY(Accepted(dialog));
}

void TstSignInDialogs::supportOverride_data()
{
    QTest::addColumn<bool>("memStick");
    QTest::addColumn<bool>("marker");
    QTest::addColumn<bool>("pressOverride");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("marker, Override, empty box") << false << true << true << "" << true;
    QTest::newRow("marker, Override, blanks only") << false << true << true << "   " << true;
    QTest::newRow("no marker, Override, empty box") << false << false << true << "" << false;
    QTest::newRow("marker, no Override, empty box") << false << true << false << "" << false;
    QTest::newRow("marker, Override, wrong password") << false << true << true << "Wrong" << false;
    QTest::newRow("marker, Override, right password") << false << true << true << "Alpha1" << true;
    // A marker in the Documents folder of whatever computer the stick is put into opens nothing.
    QTest::newRow("stick: marker, Override, empty box") << true << true << true << "" << false;
    QTest::newRow("stick: marker, Override, right password") << true << true << true << "Alpha1" << true;
}

void TstSignInDialogs::supportOverride()
{
    QFETCH(bool, memStick);
    QFETCH(bool, marker);
    QFETCH(bool, pressOverride);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    run_.Mode.SetMemStickMode(memStick);
    if (marker)
        MakeSupportMarker();
    TLockvexPasswordDlg dialog(Needs());
    dialog.show();
    if (pressOverride)
        QTest::mouseClick(dialog.OverrideBtn, Qt::LeftButton);
    QVERIFY(dialog.isVisible()); // Override alone does nothing until ENTER
    QTest::keyClicks(dialog.Edit1, typed);
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    if (accepted)
        QVERIFY(Accepted(dialog));
    else
        CheckRefused(dialog, 1);
}

// A refused attempt keeps the Override press: once the marker file is there, ENTER on the empty
// box signs in without pressing Override again.
void TstSignInDialogs::overrideOutlivesARefusedAttempt()
{
    TLockvexPasswordDlg dialog(Needs());
    dialog.show();
    QTest::mouseClick(dialog.OverrideBtn, Qt::LeftButton);
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    CheckRefused(dialog, 1);
    QVERIFY(dialog.PWOverride);
    MakeSupportMarker();
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    QVERIFY(Accepted(dialog));
}

void TstSignInDialogs::twoPasswordAttempts_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("secondOK");
    QTest::newRow("two different right ones") << "Alpha1"
                                              << "Bravo2" << true << true;
    QTest::newRow("the other way round") << "Bravo2"
                                         << "Alpha1" << true << true;
    QTest::newRow("blanks around both") << "  Alpha1 "
                                        << "\tBravo2  " << true << true;
    QTest::newRow("the same one twice") << "Alpha1"
                                        << "Alpha1" << false << false;
    QTest::newRow("the same once trimmed") << "Alpha1"
                                           << "  Alpha1" << false << false;
    QTest::newRow("second empty") << "Alpha1"
                                  << "" << false << false;
    QTest::newRow("first empty") << ""
                                 << "Bravo2" << false << true;
    QTest::newRow("both empty") << ""
                                << "" << false << false;
    QTest::newRow("second wrong") << "Alpha1"
                                  << "Charlie3" << false << false;
    QTest::newRow("first wrong") << "Charlie3"
                                 << "Bravo2" << false << true;
    QTest::newRow("second in other case") << "Alpha1"
                                          << "bravo2" << false << false;
}

void TstSignInDialogs::twoPasswordAttempts()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, accepted);
    QFETCH(bool, secondOK);
    TLockvexDBLPwordDlg dialog(Needs());
    dialog.show();
    dialog.Edit1->setText(first);
    dialog.Edit2->setText(second);
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);

    QCOMPARE(dialog.SecondPWordOK, secondOK);
    QVERIFY(dialog.Edit1->text().isEmpty());
    QVERIFY(dialog.Edit2->text().isEmpty());
    QVERIFY(dialog.UserInput.isEmpty());
    QVERIFY(dialog.SecondPassword.isEmpty());
    if (accepted) {
        QVERIFY(Accepted(dialog));
        QVERIFY(messages_->Shown.isEmpty());
    } else {
        CheckRefused(dialog, 1);
    }
}

void TstSignInDialogs::overrideDoesNothingOnAMemoryStick()
{
    MakeSupportMarker();
    TLockvexDBLPwordDlg dialog(Needs());
    dialog.show();
    QTest::mouseClick(dialog.OverrideBtn, Qt::LeftButton);
    QVERIFY(dialog.PWOverride);
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    CheckRefused(dialog, 1);
    dialog.Edit1->setText(QStringLiteral("Alpha1"));
    dialog.Edit2->setText(QStringLiteral("Bravo2"));
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    QVERIFY(Accepted(dialog));
}

void TstSignInDialogs::cancelOrCloseRefuses_data()
{
    QTest::addColumn<bool>("twoPasswords");
    QTest::addColumn<QString>("how");
    for (bool two : {false, true})
        for (const char *how : {"Cancel", "Escape", "close box"})
            QTest::addRow("%s, %s", two ? "two passwords" : "one password", how) << two << QString::fromLatin1(how);
}

void TstSignInDialogs::cancelOrCloseRefuses()
{
    QFETCH(bool, twoPasswords);
    QFETCH(QString, how);
    MakeSupportMarker();
    std::unique_ptr<TLockvexSignInDlg> dialog;
    if (twoPasswords)
        dialog = std::make_unique<TLockvexDBLPwordDlg>(Needs());
    else
        dialog = std::make_unique<TLockvexPasswordDlg>(Needs());
    dialog->show();
    QTest::mouseClick(dialog->OverrideBtn, Qt::LeftButton);
    dialog->Edit1->setText(QStringLiteral("Alpha1"));
    if (how == QLatin1String("Cancel"))
        QTest::mouseClick(dialog->CancelBtn, Qt::LeftButton);
    else if (how == QLatin1String("Escape"))
        QTest::keyClick(dialog->Edit1, Qt::Key_Escape);
    else
        dialog->close();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(safe_.Asked.isEmpty());
    QVERIFY(messages_->Shown.isEmpty());
}

void TstSignInDialogs::logoOpensTheMakersSite()
{
    TLockvexPasswordDlg single(Needs());
    TLockvexDBLPwordDlg twoPasswords(Needs());
    for (TLockvexSignInDlg *dialog : std::initializer_list<TLockvexSignInDlg *>{&single, &twoPasswords}) {
        dialog->show();
        QTest::mouseClick(dialog->TrelLogoImage, Qt::LeftButton);
        QVERIFY(dialog->isVisible());
    }
    QCOMPARE(testPlatform_->OpenedUrls, QStringList(2, LockvexAddresses::MakerWebSite));
}

void TstSignInDialogs::helpKeyOpensSignInHelp()
{
    TWebHelpSystem webHelp; // the run's, which the dialog procedures hand the dialog
    dlgProcs_->SetWebHelp(&webHelp);
    TLockvexPasswordDlg dialog(Needs());
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(dialog.Edit1, Qt::Key_F1);
    QCOMPARE(testPlatform_->OpenedUrls, QStringList{HelpAddress(1030)});
}

// Every control lies inside its window and gets at least the room it asks for, on a screen of
// 1024 x 768. The pictures go to the folder named by LOCKVEX_SCREENSHOTS when it is set.
void TstSignInDialogs::windowsFitAndNothingIsClipped()
{
    lists_->LoginPWs = 2;
    TLockvexPasswordDlg single(Needs());
    TLockvexDBLPwordDlg twoPasswords(Needs());
    const QString folder = qEnvironmentVariable("LOCKVEX_SCREENSHOTS");
    const QList<std::pair<TLockvexSignInDlg *, QString>> dialogs = {{&single, QStringLiteral("signin-password")},
                                                                    {&twoPasswords, QStringLiteral("signin-dblpword")}};
    for (const auto &[dialog, name] : dialogs) {
        dialog->show();
        QTest::keyClicks(dialog->Edit1, QStringLiteral("Alpha1"));
        QVERIFY(dialog->width() <= 1024 && dialog->height() <= 768);
        const QRect window = dialog->rect();
        const auto controls = dialog->findChildren<QWidget *>();
        for (QWidget *control : controls) {
            if (!control->isVisible() || control->objectName().startsWith(QLatin1String("qt_")))
                continue;
            const QRect placed(control->mapTo(dialog, QPoint(0, 0)), control->size());
            QVERIFY2(window.contains(placed), qPrintable(name + QLatin1Char(' ') + control->objectName()));
            if (qobject_cast<QLabel *>(control) || qobject_cast<QPushButton *>(control)) {
                const QSize wanted = control->minimumSizeHint();
                QVERIFY2(control->width() >= wanted.width() && control->height() >= wanted.height(),
                         qPrintable(name + QLatin1Char(' ') + control->objectName()));
            }
        }
        const QPixmap picture = dialog->grab();
        QCOMPARE(picture.size(), dialog->size());
        if (!folder.isEmpty())
            QVERIFY(picture.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
    }
}

// A window made while ScaleForms is on is drawn for the screen height, against the 1200 lines the
// windows were laid out for.
void TstSignInDialogs::scaledWindowIsDrawnForTheScreen()
{
    TLockvexPasswordDlg normal(Needs());
    normal.show();
    run_.Screen.ScaleForms = true;
    run_.Screen.ScreenHeight = 600;
    TLockvexPasswordDlg scaled(Needs());
    scaled.show();
    QVERIFY(scaled.height() < normal.height() * 3 / 4);
    QVERIFY(scaled.width() < normal.width() * 3 / 4);
    QVERIFY(scaled.Edit1->width() >= 170);
}

QTEST_MAIN(TstSignInDialogs)
#include "tst_signin_dialogs.moc"
