// The read-only entry window of memory-stick mode, shown for entries saved through the item
// manager: the browser and the clipboard when it opens and closes, the quality indicator, the
// "Lockvex login" box, the Copy buttons, the character grid and the window's position.

#include "StickSession.h"
#include "support/EntryControls.h"

#include "app/MgrLockvexHelp.h"
#include "ui/entry/DLockvexItem.h"
#include "ui/shared/PasswordGrid.h"
#include "ui/shared/WindowHelp.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

using testing_support::Fields;

using stick_session::Entry;
using stick_session::TStickSession;

class TstEntryWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showsTheEntryReadOnly();
    void openingAndClosing_data();
    void openingAndClosing();
    void qualityAndLoginBox_data();
    void qualityAndLoginBox();
    void copyButtons_data();
    void copyButtons();
    void characterGrid_data();
    void characterGrid();
    void positionKeys();
    void helpOpensItsPage();
    void scaledForTheScreen();
    void fitsAndLooksRight();

private:
    // Shows the entry with this key as the quick list does.
    std::unique_ptr<TLockvexItemDlg> Open(int key);

    std::unique_ptr<TStickSession> session_;
};

void TstEntryWindow::init()
{
    session_ = std::make_unique<TStickSession>();
    session_->SetMemStickMode(true);
    session_->Platform.Clipboard = QStringLiteral("before");
}

void TstEntryWindow::cleanup()
{
    session_.reset();
}

std::unique_ptr<TLockvexItemDlg> TstEntryWindow::Open(int key)
{
    auto window = std::make_unique<TLockvexItemDlg>(*session_->App->ItemManager, *session_->App->LVDlgProcs, key);
    window->show();
    return window;
}

void TstEntryWindow::showsTheEntryReadOnly()
{
    ItemManagerParams bank = Entry("Bank", "https://bank.example/login", "C-1001", "4321", "Secret");
    bank.Question3 = QStringLiteral("Pet?");
    bank.MemData4 = QStringLiteral("Blue");
    const auto window = Open(session_->Add(bank));

    QCOMPARE(window->windowTitle(), QStringLiteral("Website entry"));
    QCOMPARE(window->findChild<QLabel *>("LockvexLabel")->text(), QStringLiteral("Lockvex"));
    QCOMPARE(window->findChild<QLabel *>("LockvexTextLabel")->text(), QStringLiteral("On your memory stick"));
    QCOMPARE(window->findChild<QPushButton *>("LockvexHelpBtn")->text(), QStringLiteral("HELP"));
    QCOMPARE(window->findChild<QPushButton *>("LockvexHelpBtn")->toolTip(), QStringLiteral("Get help"));
    QCOMPARE(window->findChild<QPushButton *>("SaveCloseBtn")->text(), QStringLiteral("BACK"));
    QCOMPARE(window->findChild<QCheckBox *>("EntryPWChckBox")->text(), QStringLiteral("Lockvex login"));
    QCOMPARE(HelpContext(window.get()), HelpContexts::EntryWindow);

    const QList<std::pair<const char *, QString>> shown = {{"ItemName", bank.ItemName},   {"URL", bank.URL},
                                                           {"CustID", bank.CustID},       {"PIN", bank.PIN},
                                                           {"Password", bank.Password},   {"Question1", bank.Question1},
                                                           {"Question3", bank.Question3}, {"MemData1", bank.MemData1},
                                                           {"MemData4", bank.MemData4}};
    for (const auto &[name, text] : shown) {
        auto *field = window->findChild<QLineEdit *>(name);
        QVERIFY2(field != nullptr, name);
        QCOMPARE(field->text(), text);
        QVERIFY2(field->isReadOnly(), name);
    }
    auto *notes = window->findChild<QPlainTextEdit *>("ItemDescr");
    QCOMPARE(notes->toPlainText(), bank.ItemDescr);
    QVERIFY(notes->isReadOnly());
    QVERIFY(!window->findChild<QCheckBox *>("EntryPWChckBox")->isEnabled());

    // Typing changes nothing, and closing writes nothing: the store's update count stays.
    const int updates = session_->App->LockvexTbl->GetUpdateCount();
    QTest::keyClicks(Fields(*window).ItemName, QStringLiteral("xyz"));
    QCOMPARE(Fields(*window).ItemName->text(), bank.ItemName);
    QTest::mouseClick(window->SaveCloseBtn, Qt::LeftButton);
    QCOMPARE(session_->App->LockvexTbl->GetUpdateCount(), updates);
}

void TstEntryWindow::openingAndClosing_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("custId");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<QStringList>("browsed");
    QTest::addColumn<QString>("clipboardOpen");
    QTest::addColumn<QString>("clipboardClosed");
    QTest::addColumn<int>("result");

    const QStringList none;
    const int ok = QDialog::Accepted, cancel = QDialog::Rejected;
    QTest::newRow("address and customer ID, BACK")
        << "https://bank.example/login"
        << "C-1001"
        << "Secret" << false << QStringList{"https://bank.example/login"} << "C-1001"
        << "Secret" << ok;
    QTest::newRow("Esc also leaves the password")
        << "https://bank.example/login"
        << "C-1001"
        << "Secret" << true << QStringList{"https://bank.example/login"} << "C-1001"
        << "Secret" << cancel;
    QTest::newRow("address without a scheme, kept as stored")
        << "bank.example/login "
        << "C-1001"
        << "Secret" << false << QStringList{"bank.example/login "} << "C-1001"
        << "Secret" << ok;
    QTest::newRow("no address: no browser, nothing copied") << ""
                                                            << "C-1001"
                                                            << "Secret" << false << none << "before"
                                                            << "Secret" << ok;
    QTest::newRow("blank address: no browser, nothing copied") << "   "
                                                               << "C-1001"
                                                               << "Secret" << false << none << "before"
                                                               << "Secret" << ok;
    QTest::newRow("empty customer ID is copied too") << "https://shop.example"
                                                     << ""
                                                     << "Secret" << false << QStringList{"https://shop.example"} << ""
                                                     << "Secret" << ok;
    QTest::newRow("empty password: closing leaves the clipboard")
        << "https://shop.example"
        << "C-7"
        << "" << false << QStringList{"https://shop.example"} << "C-7"
        << "C-7" << ok;
}

void TstEntryWindow::openingAndClosing()
{
    QFETCH(QString, url);
    QFETCH(QString, custId);
    QFETCH(QString, password);
    QFETCH(bool, escape);
    QFETCH(QStringList, browsed);
    QFETCH(QString, clipboardOpen);
    QFETCH(QString, clipboardClosed);
    QFETCH(int, result);

    const auto window = Open(session_->Add(Entry("Bank", url, custId, "4321", password)));
    QCOMPARE(session_->Platform.OpenedUrls.size(), browsed.size());
    if (!browsed.isEmpty()) // the double records the address as the desktop was asked to open it
        QVERIFY(session_->Platform.OpenedUrls.first().contains(browsed.first().trimmed()));
    QCOMPARE(session_->Platform.Clipboard, clipboardOpen);

    if (escape)
        QTest::keyClick(window.get(), Qt::Key_Escape);
    else
        QTest::mouseClick(window->SaveCloseBtn, Qt::LeftButton);
    QVERIFY(!window->isVisible());
    QCOMPARE(window->result(), result);
    QCOMPARE(session_->Platform.Clipboard, clipboardClosed);
    QCOMPARE(session_->Platform.OpenedUrls.size(), browsed.size()); // opened once per showing
}

void TstEntryWindow::qualityAndLoginBox_data()
{
    QTest::addColumn<bool>("memStick");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("access");
    QTest::addColumn<QString>("indicator");
    QTest::addColumn<bool>("loginBox");

    QTest::newRow("stick, weak password") << true << "abcdefgh" << true << "PWBadBtn" << false;
    QTest::newRow("stick, could be better") << true << "abcd1234ef" << true << "PWSoSoBtn" << false;
    QTest::newRow("stick, good password") << true << "AbCd1234EfGh5678" << true << "PWOKBtn" << false;
    QTest::newRow("stick, empty password") << true << "" << false << "" << false;
    QTest::newRow("stick, blank password") << true << "   " << false << "" << false;
    QTest::newRow("PC, access password") << false << "AbCd1234EfGh5678" << true << "PWOKBtn" << true;
    QTest::newRow("PC, other password") << false << "abcdefgh" << false << "PWBadBtn" << true;
    QTest::newRow("PC, empty password") << false << "" << true << "" << false;
}

void TstEntryWindow::qualityAndLoginBox()
{
    QFETCH(bool, memStick);
    QFETCH(QString, password);
    QFETCH(bool, access);
    QFETCH(QString, indicator);
    QFETCH(bool, loginBox);

    session_->SetMemStickMode(memStick);
    const auto window = Open(session_->Add(Entry("Bank", "", "", "", password, access)));
    for (const char *name : {"PWBadBtn", "PWSoSoBtn", "PWOKBtn"})
        QCOMPARE(window->findChild<QToolButton *>(name)->isVisible(), indicator == QLatin1String(name));
    auto *box = window->findChild<QCheckBox *>("EntryPWChckBox");
    QCOMPARE(box->isVisible(), loginBox);
    if (loginBox)
        QCOMPARE(box->isChecked(), access);
}

void TstEntryWindow::copyButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("copied");
    QTest::newRow("customer ID") << "CustIDCopyBtn"
                                 << "C-1001";
    QTest::newRow("PIN") << "PINCopyBtn"
                         << "4321";
    QTest::newRow("password") << "PasswordCopyBtn"
                              << "Secret";
    QTest::newRow("answer 1") << "Ans1CopyBtn"
                              << "Bank school";
    QTest::newRow("answer 2") << "Ans2CopyBtn"
                              << "Smith";
    QTest::newRow("empty answer 3") << "Ans3CopyBtn"
                                    << "";
    QTest::newRow("answer 4") << "Ans4CopyBtn"
                              << "Blue";
}

void TstEntryWindow::copyButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, copied);
    ItemManagerParams bank = Entry("Bank", "", "C-1001", "4321", "Secret");
    bank.MemData4 = QStringLiteral("Blue");
    const auto window = Open(session_->Add(bank));
    QCOMPARE(session_->Platform.Clipboard, QStringLiteral("before"));
    auto *copy = window->findChild<QPushButton *>(button);
    QCOMPARE(copy->text(), QStringLiteral("Copy"));
    QTest::mouseClick(copy, Qt::LeftButton);
    // An empty field leaves the clipboard as it was; the note beside the button says which.
    QCOMPARE(session_->Platform.Clipboard, copied.isEmpty() ? QStringLiteral("before") : copied);
    QCOMPARE(Fields(*window).CopyNoteLbl->text(),
             copied.isEmpty() ? QStringLiteral("Nothing to copy") : QStringLiteral("Copied \u2014 cleared when Lockvex ends"));
    QVERIFY(Fields(*window).CopyNoteLbl->isVisible());
}

void TstEntryWindow::characterGrid_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("six-character password") << "PasswordCopyBtn"
                                            << "Password"
                                            << "Secr3t";
    QTest::newRow("four-digit PIN") << "PINCopyBtn"
                                    << "PIN"
                                    << "4321";
    QTest::newRow("31-character password") << "PasswordCopyBtn"
                                           << "Password"
                                           << "abcdefghijklmnopqrstuvwxyz01234";
    QTest::newRow("empty PIN") << "PINCopyBtn"
                               << "PIN"
                               << "";
}

void TstEntryWindow::characterGrid()
{
    QFETCH(QString, button);
    QFETCH(QString, field);
    QFETCH(QString, text);
    const auto window =
        Open(session_->Add(Entry("Bank", "", "C-1", field == "PIN" ? text : "1", field == "PIN" ? "x" : text)));
    auto *grid = window->findChild<TPasswordGrid *>("PasswordGrid");
    QVERIFY(grid != nullptr);
    QVERIFY(!grid->isVisible());

    auto *copy = window->findChild<QPushButton *>(button);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(copy, &enter);
    QVERIFY(grid->isVisible());
    const int n = int(text.size());
    QCOMPARE(grid->columnCount(), n + 1);
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->size(), QSize(n * 19 + 23, 36));
    for (int i = 0; i < n; ++i) {
        QCOMPARE(grid->item(0, i)->text(), QString(text.at(i)));
        QCOMPARE(grid->item(1, i)->text(), QString::number(i + 1));
    }
    QCOMPARE(grid->item(0, n)->text(), QString());
    QCOMPARE(grid->item(1, n)->text(), QString());
    QCOMPARE(grid->currentColumn(), n); // the empty column is current: no character highlighted
    // Directly under the field.
    auto *shown = window->findChild<QLineEdit *>(field);
    QCOMPARE(grid->pos(), shown->mapTo(window.get(), QPoint(0, shown->height())));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(copy, &leave);
    QVERIFY(!grid->isVisible());
}

void TstEntryWindow::positionKeys()
{
    session_->SetSetting(QStringLiteral("AppDialogTop"), QStringLiteral("40"));
    session_->SetSetting(QStringLiteral("AppDialogLeft"), QStringLiteral("-30"));
    session_->SetSetting(QStringLiteral("RecDialogTop"), QStringLiteral("500"));
    session_->SetSetting(QStringLiteral("RecDialogLeft"), QStringLiteral("600"));
    const auto window = Open(session_->Add(Entry("Bank", "", "", "", "Secret")));
    // It opens where the quick list stands, not where it was last closed, moved wholly onto the
    // screen.
    QCOMPARE(window->pos(), QPoint(0, 40));

    window->move(120, 90);
    QTest::mouseClick(window->SaveCloseBtn, Qt::LeftButton);
    QCOMPARE(session_->Setting(QStringLiteral("RecDialogTop")), QStringLiteral("90"));
    QCOMPARE(session_->Setting(QStringLiteral("RecDialogLeft")), QStringLiteral("120"));
    QCOMPARE(session_->Setting(QStringLiteral("AppDialogTop")), QStringLiteral("40"));

    // Without stored positions: the right edge of the screen, vertically centred.
    QFile::remove(session_->Run().Folders.IniFileName);
    const auto again = Open(NoKey);
    const platform::ScreenMetrics screen = session_->Platform.ScreenInfo;
    const QSize frame = again->frameGeometry().size();
    QCOMPARE(again->pos(), QPoint(screen.Width - frame.width(), screen.Height / 2 - frame.height() / 2));
}

void TstEntryWindow::helpOpensItsPage()
{
    const auto window = Open(session_->Add(Entry("Bank", "", "", "", "Secret")));
    QTest::mouseClick(window->LockvexHelpBtn, Qt::LeftButton);
    QCOMPARE(session_->Platform.OpenedUrls, QStringList{HelpAddress(HelpContexts::EntryWindow)});
}

// Made while ScaleForms is on, the window is drawn for the screen's height against the 1200
// lines it was laid out for.
void TstEntryWindow::scaledForTheScreen()
{
    const int key = session_->Add(Entry("Bank", "", "", "", "Secret"));
    const QSize plain = Open(key)->size();
    session_->Run().Screen.ScaleForms = true;
    session_->Run().Screen.ScreenHeight = 1800;
    const QSize scaled = Open(key)->size();
    QVERIFY2(scaled.width() > plain.width() * 1.3 && scaled.height() > plain.height() * 1.3,
             qPrintable(QStringLiteral("%1x%2 against %3x%4")
                            .arg(scaled.width())
                            .arg(scaled.height())
                            .arg(plain.width())
                            .arg(plain.height())));
}

void TstEntryWindow::fitsAndLooksRight()
{
    ItemManagerParams bank = Entry("Northern Savings Bank", "https://online.northernsavings.example/login", "83420117",
                                   "4921", "Harbour!Lantern42");
    bank.Question3 = QStringLiteral("Favourite teacher?");
    bank.MemData3 = QStringLiteral("Mr Ellis");
    const auto window = Open(session_->Add(bank));
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(Fields(*window).PasswordCopyBtn, &enter);
    stick_session::CheckLookAndSave(window.get(), QStringLiteral("entry-window"));
}

QTEST_MAIN(TstEntryWindow)
#include "tst_entrywindow.moc"
