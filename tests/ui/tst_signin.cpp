// Sign-in as the program body runs it: a data file in the platform double's temporary home, made
// through the item manager, the lists built by the list manager, the entry table's own password
// check, and the modal dialog answered as a user would.

#include "ui/signin/DLockvexDBLPword.h"
#include "ui/signin/DLockvexPassword.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrMainApp.h"
#include "app/MgrSignIn.h"
#include "entries/LockvexStringList.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "store/PoolFile.h"
#include "support/TypeText.h"
#include "support/WindowSession.h"
#include "ui/signin/SignInDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <memory>

namespace
{

// What the user saw of the sign-in dialog.
struct SeenDialog {
    QString ClassName;
    bool CaveatVisible = false;
    QString Location;
};

} // namespace

class TstSignIn : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void dialogChoice_data();
    void dialogChoice();
    void signIn_data();
    void signIn();
    void unreadableEntryEndsTheSignIn_data();
    void unreadableEntryEndsTheSignIn();
    void promptIsHandedTheSessionsObjects();

private:
    void AnswerNextDialog(const QStringList &attempts);

    std::unique_ptr<testing_support::WindowSession> session_;
    std::unique_ptr<QObject> answerer_; // the answering timer dies with it, whatever happened
    SeenDialog seen_;
};

void TstSignIn::init()
{
    session_ = std::make_unique<testing_support::WindowSession>();
    QVERIFY(session_->Opened);
    answerer_ = std::make_unique<QObject>();
    seen_ = SeenDialog{};
}

void TstSignIn::cleanup()
{
    answerer_.reset();
    session_.reset();
}

// Answers the modal dialog once it is up: each attempt is typed ("first" or "first|second") and
// ENTER pressed; a dialog still open after the attempts is cancelled.
void TstSignIn::AnswerNextDialog(const QStringList &attempts)
{
    QTimer::singleShot(0, answerer_.get(), [this, attempts] {
        auto *dialog = qobject_cast<TLockvexSignInDlg *>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        seen_.ClassName = QString::fromLatin1(dialog->metaObject()->className());
        seen_.CaveatVisible = dialog->CaveatLbl->isVisible();
        seen_.Location = dialog->DropboxLbl->text();
        for (const QString &attempt : attempts) {
            if (!dialog->isVisible())
                break;
            const QStringList typed = attempt.split(QLatin1Char('|'));
            testing_support::TypeText(dialog->Edit1, typed.value(0));
            if (dialog->Edit2 != nullptr)
                testing_support::TypeText(dialog->Edit2, typed.value(1));
            QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
        }
        if (dialog->isVisible())
            QTest::mouseClick(dialog->CancelBtn, Qt::LeftButton);
    });
}

void TstSignIn::dialogChoice_data()
{
    QTest::addColumn<int>("totalPWs");
    QTest::addColumn<int>("different");
    QTest::addColumn<bool>("memStick");
    QTest::addColumn<int>("dialog");
    const int none = int(SignInDialog::None), one = int(SignInDialog::OnePassword);
    const int two = int(SignInDialog::TwoPasswords);
    QTest::newRow("PC, no password") << 0 << 0 << false << none;
    QTest::newRow("PC, one password") << 1 << 1 << false << one;
    QTest::newRow("PC, many passwords") << 5 << 5 << false << one;
    QTest::newRow("stick, no password") << 0 << 0 << true << none;
    QTest::newRow("stick, one password") << 1 << 1 << true << one;
    QTest::newRow("stick, two passwords") << 2 << 2 << true << two;
    QTest::newRow("stick, one password in two entries") << 2 << 1 << true << one;
    QTest::newRow("stick, one access password") << 4 << 1 << true << one;
}

void TstSignIn::dialogChoice()
{
    QFETCH(int, totalPWs);
    QFETCH(int, different);
    QFETCH(bool, memStick);
    QFETCH(int, dialog);
    QCOMPARE(int(ChooseSignInDialog(totalPWs, different, memStick)), dialog);
}

void TstSignIn::signIn_data()
{
    QTest::addColumn<bool>("memStick");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QStringList>("attempts");
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<int>("refusals");
    QTest::addColumn<bool>("caveat");

    const QString one = QStringLiteral("TLockvexPasswordDlg"), two = QStringLiteral("TLockvexDBLPwordDlg");
    const QStringList three = {"Bank:Alpha1", "Shop:Bravo2", "Mail:Charlie3"};
    QTest::newRow("PC, new data file") << false << QStringList{} << QString() << QStringList{} << true << 0 << false;
    QTest::newRow("PC, entries without passwords")
        << false << QStringList{"Bank:", "Shop:   "} << QString() << QStringList{} << true << 0 << false;
    QTest::newRow("PC, one password") << false << QStringList{"Bank:Alpha1"} << one << QStringList{"Alpha1"} << true
                                      << 0 << false;
    QTest::newRow("PC, three passwords") << false << three << one << QStringList{"Charlie3"} << true << 0 << false;
    QTest::newRow("PC, typed with blanks") << false << three << one << QStringList{"  Bravo2 "} << true << 0 << false;
    QTest::newRow("PC, wrong then cancelled") << false << three << one << QStringList{"alpha1"} << false << 1 << false;
    QTest::newRow("PC, empty box refused") << false << three << one << QStringList{""} << false << 1 << false;
    QTest::newRow("PC, only access passwords open the safe")
        << false << QStringList{"Bank:Alpha1:access", "Shop:Bravo2"} << one << QStringList{"Bravo2", "Alpha1"} << true
        << 1 << true;
    QTest::newRow("stick, one password") << true << QStringList{"Bank:Alpha1", "Shop:"} << one << QStringList{"Alpha1"}
                                         << true << 0 << false;
    QTest::newRow("stick, two passwords")
        << true << three << two << QStringList{"Alpha1|Charlie3"} << true << 0 << false;
    QTest::newRow("stick, the same password twice")
        << true << three << two << QStringList{"Alpha1|Alpha1", "Alpha1|"} << false << 2 << false;
    QTest::newRow("stick, access passwords only")
        << true << QStringList{"Bank:Alpha1:access", "Shop:Bravo2:access", "Mail:Charlie3"} << two
        << QStringList{"Alpha1|Charlie3", "Bravo2|Alpha1"} << true << 1 << true;
    // A password stored with "?" for characters the file could not hold is not opened by whatever
    // letters once stood there.
    QTest::newRow("PC, characters the file cannot hold")
        << false << QStringList{"Bank:??????123", "Shop:Bravo2"} << one
        << QStringList{QString::fromUtf8("ΩΩΩΩΩΩ123"), QString::fromUtf8("пароль123"), "??????123"} << true << 2
        << false;
    QTest::newRow("stick, characters the file cannot hold")
        << true << QStringList{"Bank:??????123", "Shop:Bravo2"} << two
        << QStringList{QString::fromUtf8("Bravo2|ΩΩΩΩΩΩ123"), "Bravo2|??????123"} << true << 1 << false;
    // Enough entries for the start to read the passwords in one scan while the names are sorted
    // on a second thread: the dialog, its caveat and the check are those of a short list.
    QStringList many;
    for (int i = 0; i < TListManager::MinScannedPasswords + 4; ++i)
        many << QStringLiteral("Site %1:pw%1").arg(TListManager::MinScannedPasswords + 4 - i, 3, 10, QLatin1Char('0'));
    QTest::newRow("PC, many entries, wrong then cancelled")
        << false << many << one << QStringList{"pw"} << false << 1 << false;
    QTest::newRow("PC, many entries, only the access password opens the safe")
        << false << (QStringList(many) << QStringLiteral("Zulu:zz9:access")) << one << QStringList{"pw001", "zz9"}
        << true << 1 << true;
    QTest::newRow("stick, two entries sharing one password")
        << true << QStringList{"Bank:Alpha1", "Shop:Alpha1"} << one << QStringList{"Alpha1"} << true << 0 << false;
    // Two different access passwords open the stick, although the list names the first of them
    // after the earlier entry that is not flagged: neither alone may open it.
    QTest::newRow("stick, an access password shared with an earlier plain entry")
        << true << QStringList{"Alpha:x1", "Bravo:x1:access", "Charlie:y2:access"} << two
        << QStringList{"x1|", "y2|", "x1|y2"} << true << 2 << true;
}

// An entry that cannot be read may hold a password: sign-in ends without a dialog, never opening
// the safe as one without passwords, and tells the program body that the data was not readable;
// also when the passwords of many entries are read in one scan.
void TstSignIn::unreadableEntryEndsTheSignIn_data()
{
    QTest::addColumn<int>("entries");
    QTest::newRow("two entries") << 2;
    QTest::newRow("many entries") << TListManager::MinScannedPasswords + 1;
}

void TstSignIn::unreadableEntryEndsTheSignIn()
{
    QFETCH(int, entries);
    QStringList made;
    for (int i = 0; i < entries; ++i)
        made << QStringLiteral("Site %1:Alpha%1").arg(i);
    session_->MakeEntries(made);
    QVERIFY(session_->App->ListManager->ClosePool(DoNotWriteLog));
    QVERIFY(session_->App->ListManager->OpenPool(session_->Run().Folders.DataFileName)); // nothing read since the open
    session_->App->ListManager->ForgetPasswords();
    session_->Platform.FailStorage = [](testing_support::StorageOp op, const QString &, qint64, qint64) {
        return op == testing_support::StorageOp::Read ? EIO : 0;
    };
    AnswerNextDialog({"Alpha1"});
    const TSignInOutcome signedIn = session_->App->MainAppProcs->CheckLockvexSignedIn(RunSignInDialog);
    session_->Platform.FailStorage = nullptr;
    QCOMPARE(signedIn, TSignInOutcome::DataUnreadable);
    QCOMPARE(seen_.ClassName, QString());
    if (entries >= TListManager::MinScannedPasswords)
        QCOMPARE(session_->App->ListManager->LastFileScan(), TListManager::FileScanFailed);

    // Nothing of the failed read was kept: read again, the passwords ask for the dialog.
    AnswerNextDialog({"Alpha1"});
    QCOMPARE(session_->App->MainAppProcs->CheckLockvexSignedIn(RunSignInDialog), TSignInOutcome::SignedIn);
    QCOMPARE(seen_.ClassName, QStringLiteral("TLockvexPasswordDlg"));
    QCOMPARE(session_->App->ListManager->LockvexStrings->Count(), entries);
}

void TstSignIn::signIn()
{
    QFETCH(bool, memStick);
    QFETCH(QStringList, entries);
    QFETCH(QString, dialog);
    QFETCH(QStringList, attempts);
    QFETCH(bool, signedIn);
    QFETCH(int, refusals);
    QFETCH(bool, caveat);
    session_->MakeEntries(entries);
    session_->SetMemStickMode(memStick);
    AnswerNextDialog(attempts);

    QCOMPARE(session_->App->MainAppProcs->CheckLockvexSignedIn(RunSignInDialog) == TSignInOutcome::SignedIn, signedIn);
    QCOMPARE(seen_.ClassName, dialog);
    QCOMPARE(session_->Messages.Shown.size(), refusals);
    if (!dialog.isEmpty()) {
        QCOMPARE(seen_.CaveatVisible, caveat);
        // The cloud flags are never set from a memory stick: the one-password dialog says the PC.
        QCOMPARE(seen_.Location, dialog == QLatin1String("TLockvexDBLPwordDlg") ? QStringLiteral("Data on MemStick")
                                                                                : QStringLiteral("   Data on your PC"));
    }
    // The lists and counts stay built for the main window.
    QCOMPARE(session_->App->ListManager->LockvexStrings->Count(), entries.size());
    if (entries.size() >= TListManager::MinScannedPasswords)
        QCOMPARE(session_->App->ListManager->LastFileScan(), TListManager::FileScanWhole);
    QCOMPARE(session_->App->ListManager->LoginPWs > 0, caveat);
}

// The dialog reads the run through what the prompt is handed: the session's list manager and
// dialog procedures, and the entry table's check, which takes only access passwords while the
// list manager counts any.
void TstSignIn::promptIsHandedTheSessionsObjects()
{
    session_->MakeEntries({"Anvil:Alpha1:access", "Basket:Bravo2"});
    QStringList accepted;
    const auto prompt = [&](SignInDialog kind, const TSignInNeeds &needs) {
        [&] {
            QCOMPARE(kind, SignInDialog::OnePassword);
            QCOMPARE(&needs.ListManager, session_->App->ListManager.get());
            QCOMPARE(&needs.LVDlgProcs, session_->App->LVDlgProcs.get());
        }();
        for (const QString &typed : {QStringLiteral("Alpha1"), QStringLiteral("Bravo2"), QStringLiteral("alpha1")})
            if (needs.CheckPassword(typed))
                accepted << typed;
        return true;
    };
    QCOMPARE(session_->App->MainAppProcs->CheckLockvexSignedIn(prompt), TSignInOutcome::SignedIn);
    QCOMPARE(accepted, QStringList{QStringLiteral("Alpha1")});
}

QTEST_MAIN(TstSignIn)
#include "tst_signin.moc"
