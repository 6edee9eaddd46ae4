// The quick list window of memory-stick mode over entries saved through the item manager:
// picking with the mouse and the keyboard (the entry window answered while it is open), the
// search box and the letter tabs, and every way of closing, each leaving the clipboard cleared.

#include "StickSession.h"
#include "support/EntryControls.h"

#include "app/MgrLockvexHelp.h"
#include "ui/entry/DLockvexItem.h"
#include "ui/quicklist/DLockvexList.h"
#include "ui/shared/EntryListModel.h"
#include "ui/shared/LetterTabs.h"
#include "ui/shared/WindowHelp.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>

using testing_support::Fields;

using stick_session::Entry;
using stick_session::TStickSession;

namespace
{

const QString ClearedText = QStringLiteral("Clipboard cleared by Lockvex");

// What the user saw of an entry window while it was open.
struct SeenEntry {
    QString Name;
    int Key = 0;
    bool ListVisible = true;
    QString Clipboard;
};

} // namespace

class TstQuickList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void hasItsControls();
    void pickingOpensTheEntryWindow_data();
    void pickingOpensTheEntryWindow();
    void keysMoveWithoutOpening();
    void searchThenLetterTab();
    void letterTabScrollsItsLineToTheTop();
    void closing_data();
    void closing();
    void watchKeepsTheWindowWhileTheDataIsThere();
    void stickPulledWhileAnEntryIsOpen_data();
    void stickPulledWhileAnEntryIsOpen();
    void emptyListOpensNoEntry();
    void placedOnceFromTheSettings();
    void helpOpensItsPage();
    void scaledForTheScreen();
    void fitsAndLooksRight();

private:
    // Arms the answer to the next entry window: it is recorded, then `act` runs on it (by default
    // "BACK" is clicked). An entry window that never comes leaves nothing behind.
    void AnswerEntryWindow(std::function<void(TLockvexItemDlg *)> act = {});
    void MakeEntries();
    QStringList Lines() const;
    QString SelectedLine() const;
    void ClickLine(int row);

    std::unique_ptr<TStickSession> session_;
    std::unique_ptr<TLockvexListDlg> list_;
    std::unique_ptr<QObject> answerer_;
    QList<SeenEntry> seen_;
};

void TstQuickList::init()
{
    session_ = std::make_unique<TStickSession>();
    MakeEntries();
    session_->SetMemStickMode(true);
    session_->Platform.Clipboard = QStringLiteral("before");
    answerer_ = std::make_unique<QObject>();
    seen_.clear();
    list_ = std::make_unique<TLockvexListDlg>(*session_->App);
    list_->show();
}

void TstQuickList::cleanup()
{
    list_.reset();
    answerer_.reset();
    session_.reset();
}

void TstQuickList::MakeEntries()
{
    session_->Add(Entry("Anvil", "https://anvil.example", "anv-1", "1111", "Anvil#Pass1"));
    session_->Add(Entry("Arrow", "https://arrow.example", "arr-2", "2222", "Arrow#Pass2"));
    session_->Add(Entry("Basket", "https://basket.example", "bas-3", "3333", "Basket#Pass3"));
    session_->Add(Entry("Bramble", "", "bra-4", "4444", "Bramble#Pass4"));
    session_->Add(Entry("Cedar", "https://cedar.example", "ced-5", "5555", ""));
}

void TstQuickList::AnswerEntryWindow(std::function<void(TLockvexItemDlg *)> act)
{
    QTimer::singleShot(0, answerer_.get(), [this, act] {
        auto *window = qobject_cast<TLockvexItemDlg *>(QApplication::activeModalWidget());
        if (window == nullptr)
            return;
        seen_ << SeenEntry{Fields(*window).ItemName->text(), window->DisplayedItemKey, list_->isVisible(),
                           session_->Platform.Clipboard};
        if (act)
            act(window);
        else
            QTest::mouseClick(window->SaveCloseBtn, Qt::LeftButton);
    });
}

QStringList TstQuickList::Lines() const
{
    QStringList lines;
    const QAbstractItemModel *model = list_->ItemList->model();
    for (int row = 0; row < model->rowCount(); ++row)
        lines << model->index(row, 0).data().toString();
    return lines;
}

QString TstQuickList::SelectedLine() const
{
    const QModelIndexList selected = list_->ItemList->selectionModel()->selectedRows();
    return selected.isEmpty() ? QString() : selected.first().data().toString();
}

void TstQuickList::ClickLine(int row)
{
    const QRect line = list_->ItemList->visualRect(list_->ItemList->model()->index(row, 0));
    QTest::mouseClick(list_->ItemList->viewport(), Qt::LeftButton, {}, line.center());
}

void TstQuickList::hasItsControls()
{
    QCOMPARE(list_->windowTitle(), QStringLiteral("Select website"));
    QCOMPARE(list_->findChild<QLabel *>("LockvexLabel")->text(), QStringLiteral("Lockvex"));
    QCOMPARE(list_->findChild<QPushButton *>("LockvexHelpBtn")->text(), QStringLiteral("HELP"));
    QCOMPARE(list_->findChild<QPushButton *>("LockvexHelpBtn")->toolTip(), QStringLiteral("Get help"));
    QCOMPARE(list_->findChild<QLabel *>("Label1")->text(), QStringLiteral("SEARCH Names"));
    QVERIFY(list_->findChild<QLineEdit *>("SearchArg") != nullptr);
    QCOMPARE(list_->findChild<QPushButton *>("DoneBtn")->text(), QStringLiteral("DONE"));
    auto *tabs = list_->findChild<TLetterTabs *>("ItemListTabs");
    QCOMPARE(tabs->CurrentText(), QStringLiteral("*"));
    auto *timer = list_->findChild<QTimer *>("AppEndTimer");
    QCOMPARE(timer->interval(), 15000);
    QVERIFY(timer->isActive());
    QCOMPARE(HelpContext(list_.get()), HelpContexts::QuickListWindow);
    QCOMPARE(Lines(), (QStringList{"Anvil", "Arrow", "Basket", "Bramble", "Cedar"}));
    QCOMPARE(SelectedLine(), QStringLiteral("Anvil"));
    QVERIFY(session_->Messages.Shown.isEmpty());
}

void TstQuickList::pickingOpensTheEntryWindow_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("clipboardInside");
    QTest::addColumn<QString>("clipboardAfter");
    QTest::newRow("click") << "click" << 2 << "bas-3"
                           << "Basket#Pass3";
    QTest::newRow("Enter in the list") << "enter" << 1 << "arr-2"
                                       << "Arrow#Pass2";
    QTest::newRow("Enter in the search box") << "search enter" << 0 << "anv-1"
                                             << "Anvil#Pass1";
    QTest::newRow("entry without an address") << "click" << 3 << "before"
                                              << "Bramble#Pass4";
    QTest::newRow("entry without a password") << "click" << 4 << "ced-5"
                                              << "ced-5";
}

void TstQuickList::pickingOpensTheEntryWindow()
{
    QFETCH(QString, how);
    QFETCH(int, row);
    QFETCH(QString, clipboardInside);
    QFETCH(QString, clipboardAfter);
    const QString name = Lines().at(row);

    AnswerEntryWindow();
    if (how == QLatin1String("click")) {
        ClickLine(row);
    } else if (how == QLatin1String("enter")) {
        SelectRow(list_->ItemList, row);
        QTest::keyClick(list_->ItemList, Qt::Key_Return);
    } else {
        QTest::keyClicks(list_->SearchArg, name.left(3));
        QTest::keyClick(list_->SearchArg, Qt::Key_Return);
    }
    QCOMPARE(seen_.size(), 1);
    QCOMPARE(seen_[0].Name, name);
    QCOMPARE(seen_[0].Key, session_->App->ListManager->GetKey(list_->DisplayParams.Items, row));
    QVERIFY(!seen_[0].ListVisible); // the list hides while the entry is open
    QCOMPARE(seen_[0].Clipboard, clipboardInside);
    // Back on the list: shown again on the same line, the password on the clipboard.
    QVERIFY(list_->isVisible());
    QCOMPARE(SelectedLine(), name);
    QCOMPARE(list_->CurrentIndex, row);
    QCOMPARE(session_->Platform.Clipboard, clipboardAfter);
}

void TstQuickList::keysMoveWithoutOpening()
{
    AnswerEntryWindow();
    list_->ItemList->setFocus();
    QTest::keyClick(list_->ItemList, Qt::Key_Down);
    QTest::keyClick(list_->ItemList, Qt::Key_Down);
    QTest::keyClick(list_->ItemList, Qt::Key_End);
    QTest::keyClick(list_->ItemList, Qt::Key_Up);
    QCoreApplication::processEvents();
    QVERIFY(seen_.isEmpty());
    QCOMPARE(SelectedLine(), QStringLiteral("Bramble"));
    QVERIFY(!list_->DontGetItem);

    // A key that moves nothing does not swallow the next click.
    QTest::keyClick(list_->ItemList, Qt::Key_Shift);
    AnswerEntryWindow();
    ClickLine(0);
    QCOMPARE(seen_.size(), 1);
    QCOMPARE(seen_[0].Name, QStringLiteral("Anvil"));

    // Enter opens the line the arrows moved to.
    AnswerEntryWindow();
    QTest::keyClick(list_->ItemList, Qt::Key_Down);
    QTest::keyClick(list_->ItemList, Qt::Key_Enter);
    QCOMPARE(seen_.size(), 2);
    QCOMPARE(seen_[1].Name, QStringLiteral("Arrow"));
}

void TstQuickList::searchThenLetterTab()
{
    QTest::mouseClick(list_->SearchArg, Qt::LeftButton);
    QTest::keyClicks(list_->SearchArg, QStringLiteral("ar"));
    QCOMPARE(Lines(), (QStringList{"Arrow", "Cedar"}));
    QCOMPARE(SelectedLine(), QStringLiteral("Arrow"));
    QTest::keyClicks(list_->SearchArg, QStringLiteral("zz"));
    QCOMPARE(Lines(), QStringList());

    // A letter tab shows the full list although the box still holds the text.
    auto *tabs = list_->ItemListTabs;
    const QPoint b = tabs->TabRect(2).center();
    QTest::mousePress(tabs, Qt::LeftButton, {}, b);
    QTest::mouseRelease(tabs, Qt::LeftButton, {}, b);
    QCOMPARE(list_->SearchArg->text(), QStringLiteral("arzz"));
    QCOMPARE(Lines(), (QStringList{"Anvil", "Arrow", "Basket", "Bramble", "Cedar"}));
    QCOMPARE(SelectedLine(), QStringLiteral("Basket"));
    QCOMPARE(list_->CurrentIndex, 2);
    QCOMPARE(tabs->CurrentText(), QStringLiteral("*")); // the tab acts for the moment of the click

    // Typing again searches again.
    QTest::keyClick(list_->SearchArg, Qt::Key_Backspace);
    QCOMPARE(Lines(), QStringList());
}

void TstQuickList::letterTabScrollsItsLineToTheTop()
{
    list_.reset();
    for (int i = 1; i <= 60; ++i)
        session_->Add(Entry(QStringLiteral("Dx%1").arg(i, 2, 10, QLatin1Char('0')), "", "", "", "x"));
    list_ = std::make_unique<TLockvexListDlg>(*session_->App);
    list_->show();
    const QPoint d = list_->ItemListTabs->TabRect(4).center();
    QTest::mousePress(list_->ItemListTabs, Qt::LeftButton, {}, d);
    QTest::mouseRelease(list_->ItemListTabs, Qt::LeftButton, {}, d);
    QCOMPARE(SelectedLine(), QStringLiteral("Dx01"));
    QCOMPARE(list_->ItemList->indexAt(QPoint(4, 4)).row(), 5);
}

void TstQuickList::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("DONE") << "done";
    QTest::newRow("Esc in the list") << "esc list";
    QTest::newRow("Esc in the search box") << "esc search";
    QTest::newRow("close box") << "close";
    QTest::newRow("the watch, data file gone") << "watch";
    QTest::newRow("the program asked to end") << "request";
}

void TstQuickList::closing()
{
    QFETCH(QString, how);
    list_->move(70, 35);
    session_->Platform.Clipboard = QStringLiteral("Basket#Pass3");
    QSignalSpy finished(list_.get(), &QDialog::finished);
    if (how == QLatin1String("done")) {
        QTest::mouseClick(list_->DoneBtn, Qt::LeftButton);
    } else if (how == QLatin1String("esc list")) {
        QTest::keyClick(list_->ItemList, Qt::Key_Escape);
    } else if (how == QLatin1String("esc search")) {
        QTest::keyClicks(list_->SearchArg, QStringLiteral("b"));
        QTest::keyClick(list_->SearchArg, Qt::Key_Escape);
    } else if (how == QLatin1String("close")) {
        list_->close();
    } else if (how == QLatin1String("watch")) {
        session_->Run().Folders.DataFileName =
            session_->Platform.Home() + QStringLiteral("/media/STICK/TrelLockvex.acsdb"); // pulled out
        list_->AppEndTimerTimer();
    } else {
        list_->RequestClose();
    }
    QVERIFY(!list_->isVisible());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(list_->result(), int(QDialog::Rejected));
    QCOMPARE(session_->Platform.Clipboard, ClearedText);
    QCOMPARE(session_->Setting(QStringLiteral("AppDialogTop")), QStringLiteral("35"));
    QCOMPARE(session_->Setting(QStringLiteral("AppDialogLeft")), QStringLiteral("70"));
    QVERIFY(!list_->AppEndTimer->isActive());
}

void TstQuickList::watchKeepsTheWindowWhileTheDataIsThere()
{
    list_->AppEndTimerTimer();
    QVERIFY(list_->isVisible());
    QCOMPARE(session_->Platform.Clipboard, QStringLiteral("before"));
}

// The stick is pulled out (or the program asked to end) while an entry is open: the entry window
// closes at once, without putting the password on the clipboard, and the program ends as the
// list's own close does.
void TstQuickList::stickPulledWhileAnEntryIsOpen_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("the watch, data file gone") << "watch";
    QTest::newRow("the program asked to end") << "request";
}

void TstQuickList::stickPulledWhileAnEntryIsOpen()
{
    QFETCH(QString, how);
    QSignalSpy finished(list_.get(), &QDialog::finished);
    bool closedAtOnce = false;
    QString clipboardAfterClose;
    AnswerEntryWindow([this, &how, &closedAtOnce, &clipboardAfterClose](TLockvexItemDlg *window) {
        if (how == QLatin1String("watch")) {
            session_->Run().Folders.DataFileName =
                session_->Platform.Home() + QStringLiteral("/gone/TrelLockvex.acsdb");
            list_->AppEndTimerTimer();
        } else {
            list_->RequestClose();
        }
        closedAtOnce = !window->isVisible();
        clipboardAfterClose = session_->Platform.Clipboard;
        if (!closedAtOnce)
            QTest::mouseClick(window->SaveCloseBtn, Qt::LeftButton);
    });
    ClickLine(1);
    QCOMPARE(seen_.size(), 1);
    QVERIFY(closedAtOnce);
    QVERIFY(!clipboardAfterClose.contains(QStringLiteral("Pass")));
    QVERIFY(!list_->isVisible());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(session_->Platform.Clipboard, ClearedText);
}

void TstQuickList::emptyListOpensNoEntry()
{
    QTest::keyClicks(list_->SearchArg, QStringLiteral("qqq"));
    QCOMPARE(Lines(), QStringList());
    session_->App->ItemManager->ClearWebRecord();
    AnswerEntryWindow();
    QTest::keyClick(list_->SearchArg, Qt::Key_Return);
    QCOMPARE(seen_.size(), 1);
    QCOMPARE(seen_[0].Key, NoKey);
    QCOMPARE(seen_[0].Name, QString());
    QVERIFY(list_->isVisible());
    QCOMPARE(session_->Platform.OpenedUrls, QStringList());
}

void TstQuickList::placedOnceFromTheSettings()
{
    list_.reset();
    session_->SetSetting(QStringLiteral("AppDialogTop"), QStringLiteral("25"));
    session_->SetSetting(QStringLiteral("AppDialogLeft"), QStringLiteral("abc"));
    list_ = std::make_unique<TLockvexListDlg>(*session_->App);
    list_->show();
    const platform::ScreenMetrics screen = session_->Platform.ScreenInfo;
    // The default: the right edge of the screen, frame and all.
    QCOMPARE(list_->pos(), QPoint(screen.Width - list_->frameGeometry().width(), 25));
    // Moved by the user, it stays where it is when it comes back from an entry.
    list_->move(300, 200);
    AnswerEntryWindow();
    ClickLine(0);
    QCOMPARE(seen_.size(), 1);
    QCOMPARE(list_->pos(), QPoint(300, 200));
}

void TstQuickList::helpOpensItsPage()
{
    QTest::mouseClick(list_->LockvexHelpBtn, Qt::LeftButton);
    QCOMPARE(session_->Platform.OpenedUrls, QStringList{HelpAddress(HelpContexts::QuickListWindow)});
}

void TstQuickList::scaledForTheScreen()
{
    const QSize plain = list_->size();
    list_.reset();
    session_->Run().Screen.ScaleForms = true;
    session_->Run().Screen.ScreenHeight = 600;
    list_ = std::make_unique<TLockvexListDlg>(*session_->App);
    list_->show();
    QVERIFY(list_->height() < plain.height() * 0.7);
    QVERIFY(list_->width() < plain.width() * 0.7);
}

void TstQuickList::fitsAndLooksRight()
{
    list_.reset();
    for (const char *name : {"Amazon",  "Apple ID",     "British Gas",    "Council Tax",  "Dropbox",    "eBay",
                             "Etsy",    "GitHub",       "Halifax",        "HMRC Gateway", "Library",    "National Rail",
                             "Netflix", "NHS App",      "Octopus Energy", "PayPal",       "Royal Mail", "Spotify",
                             "Tesco",   "Thames Water", "Trainline",      "Vodafone",     "Wikipedia",  "Zoopla"})
        session_->Add(Entry(QString::fromLatin1(name), "", "", "", "x"));
    list_ = std::make_unique<TLockvexListDlg>(*session_->App);
    list_->show();
    SelectRow(list_->ItemList, 3);
    stick_session::CheckLookAndSave(list_.get(), QStringLiteral("quick-list"));
}

QTEST_MAIN(TstQuickList)
#include "tst_quicklist.moc"
