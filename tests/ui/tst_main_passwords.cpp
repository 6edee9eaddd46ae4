// The main window's password features and commands: the quality indicators, the random and the
// restored password, the access-password box and the password chooser with its check marks, the
// character grid, the Copy buttons with the password auto-copy, the login button and the login
// date, the data-location panel, the import and the memory-stick commands. The window runs over
// a real data file in the platform double's temporary home; the double stands in for the
// browser, the clipboard, the beep, the folder browser and removable media, and the message
// responder answers catalogue messages. Timers are driven through their handlers.
// With LOCKVEX_SCREENSHOT_DIR set, the window is also saved with the chooser open and with the
// data-location panel open.

#include "MainControls.h"
#include "app/DataLocation.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "app/MgrMainApp.h"
#include "common/DateStamp.h"
#include "entries/LockvexStringList.h"
#include "entries/MgrLockvexItems.h"
#include "entries/MgrLockvexLists.h"
#include "ui/import/DLockvexDataImport.h"
#include "store/LockvexIndexRec.h"
#include "store/TBDALockvexData.h"
#include "support/EntryControls.h"
#include "support/WindowSession.h"
#include "ui/main/DLockvexMain.h"
#include "ui/main/PasswordChooserDelegate.h"
#include "ui/shared/PasswordGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QFontMetrics>
#include <QToolTip>
#include <QtTest>

#include <memory>

using testing_support::Controls;
using testing_support::Fields;

namespace
{

const QString Msg0Title = QStringLiteral("YOU HAVE CHANGED THE LOCATION WHERE YOUR ENCRYPTED PASSWORDS ARE STORED");
const QString Msg13Title =
    QStringLiteral("You need two designated login passwords to be able to run from a memory stick.");
const QString Msg15 = QStringLiteral("Please select a memory stick");
const QString StickTitle = QStringLiteral(
    "A copy of the Lockvex program and a read only copy of your encrypted data will be written to the selected "
    "memory stick. You will need two of your passwords to access your Lockvex data");

enum class Rating { None, Weak, SoSo, OK };

} // namespace

class TstMainPasswords : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void qualityIndicators_data();
    void qualityIndicators();
    void reratedAtEveryKeyInOnePlace();
    void randomAndRestoredPassword();
    void accessPasswordMarksEveryEntry();
    void chooserShowsTheEntriesOfAPassword();
    void chooserKeepsAChangeOfTheEntryShown();
    void characterGrid_data();
    void characterGrid();
    void copyButtons();
    void loginWithAutoCopy_data();
    void loginWithAutoCopy();
    void autoCopyIsForTheEntryItWasStartedFor();
    void loginStampAndLastLoggedIn();
    void dataLocationPanel();
    void dataLocationChoiceReachesTheExit();
    void dataLocationWithEveryClientOrNone();
    void memStickWithOneAccessPassword();
    void memStickUntilAStickIsChosen();
    void importCommand();
    void screenshots();

private:
    void Update(const QString &name, const std::function<void(ItemManagerParams &)> &change);
    TLockvexMainDlg &OpenWindow();
    QStringList Lines() const;
    QStringList ChooserLines() const;
    void ShowEntry(const QString &name);
    Rating Shown() const;
    static void Hover(QWidget *control, bool enter);
    TDataLocation &Location() const { return session_->Run().Location; }

    std::unique_ptr<testing_support::WindowSession> session_;
    std::unique_ptr<TLockvexMainDlg> window_;
};

void TstMainPasswords::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    session_ = std::make_unique<testing_support::WindowSession>();
    QVERIFY(session_->Opened);
}

void TstMainPasswords::cleanup()
{
    window_.reset();
    session_.reset();
}

void TstMainPasswords::Update(const QString &name, const std::function<void(ItemManagerParams &)> &change)
{
    const int key = session_->App->LockvexTbl->GetKey(name);
    QVERIFY(key >= 0);
    ItemManagerParams item = session_->App->ItemManager->LoadWebItem(key);
    change(item);
    QVERIFY(session_->App->ItemManager->SaveWebItem(key, item));
}

TLockvexMainDlg &TstMainPasswords::OpenWindow()
{
    window_ = std::make_unique<TLockvexMainDlg>(*session_->App->ListManager, *session_->App->ItemManager, *session_->App->LVDlgProcs);
    testing_support::ShowActive(*window_);
    return *window_;
}

QStringList TstMainPasswords::Lines() const
{
    return testing_support::LinesOf(Controls(*window_).ItemList->model());
}

QStringList TstMainPasswords::ChooserLines() const
{
    QStringList lines;
    for (int i = 0; i < Controls(*window_).PasswordCombo->count(); ++i)
        lines << Controls(*window_).PasswordCombo->itemText(i);
    return lines;
}

void TstMainPasswords::ShowEntry(const QString &name)
{
    const int row = Lines().indexOf(name);
    QVERIFY(row >= 0);
    QListView *list = Controls(*window_).ItemList;
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    QCoreApplication::processEvents();
    QCOMPARE(Fields(*window_).ItemName->text(), name);
}

Rating TstMainPasswords::Shown() const
{
    const bool weak = Fields(*window_).PWBadBtn->isVisible();
    const bool soso = Fields(*window_).PWSoSoBtn->isVisible();
    const bool ok = Fields(*window_).PWOKBtn->isVisible();
    if (weak + soso + ok > 1)
        return Rating(-1); // never more than one
    return weak ? Rating::Weak : soso ? Rating::SoSo : ok ? Rating::OK : Rating::None;
}

void TstMainPasswords::Hover(QWidget *control, bool enter)
{
    if (enter) {
        const QPointF centre = QRectF(control->rect()).center();
        QEnterEvent event(centre, control->mapTo(control->window(), centre), control->mapToGlobal(centre));
        QCoreApplication::sendEvent(control, &event);
    } else {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(control, &event);
    }
}

// ---- quality -----------------------------------------------------------------------------------

void TstMainPasswords::qualityIndicators_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("rating");
    QTest::newRow("empty") << QString() << int(Rating::None);
    QTest::newRow("blanks only") << QStringLiteral("   ") << int(Rating::None);
    QTest::newRow("eight lower-case letters") << QStringLiteral("abcdefgh") << int(Rating::Weak);
    QTest::newRow("one upper, seven lower, one digit") << QStringLiteral("Abcdefgh1") << int(Rating::SoSo);
    QTest::newRow("three of each") << QStringLiteral("abcABC123") << int(Rating::OK);
    QTest::newRow("blanks around are not rated") << QStringLiteral("  abcABC123  ") << int(Rating::OK);
    QTest::newRow("31 characters") << QStringLiteral("aB3").repeated(10) + QStringLiteral("x") << int(Rating::OK);
    QTest::newRow("outside Windows-1252") << QStringLiteral("\U0001F600\u4E2D\u0416") << int(Rating::Weak);
}

void TstMainPasswords::qualityIndicators()
{
    QFETCH(QString, password);
    QFETCH(int, rating);
    session_->MakeEntries({"Anvil"});
    Update(QStringLiteral("Anvil"), [&](ItemManagerParams &item) {
        item.Password = password;
        item.AutoPWCopy = true;
    });
    TLockvexMainDlg &w = OpenWindow();
    QCOMPARE(int(Shown()), rating);
    // The two check boxes belong to a password: without one they are hidden too.
    const bool hasPassword = rating != int(Rating::None);
    QCOMPARE(Fields(w).EntryPWChckBox->isVisible(), hasPassword);
    QCOMPARE(Controls(w).SuppressPWCheckBox->isVisible(), hasPassword);
    if (hasPassword)
        QVERIFY(Controls(w).SuppressPWCheckBox->isChecked());
}

void TstMainPasswords::reratedAtEveryKeyInOnePlace()
{
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    Fields(w).Password->setFocus();
    const QList<std::pair<QChar, Rating>> keys = {
        {u'a', Rating::Weak}, {u'B', Rating::SoSo}, {u'1', Rating::SoSo},
        {u'c', Rating::SoSo}, {u'D', Rating::SoSo}, {u'2', Rating::OK},
    };
    QMap<Rating, QPoint> places;
    for (const auto &[key, rating] : keys) {
        QTest::keyClick(Fields(w).Password, key.toLatin1());
        QCOMPARE(int(Shown()), int(rating));
        QToolButton *shown = rating == Rating::Weak   ? Fields(w).PWBadBtn
                             : rating == Rating::SoSo ? Fields(w).PWSoSoBtn
                                                      : Fields(w).PWOKBtn;
        places[rating] = shown->mapTo(&w, QPoint(0, 0));
    }
    QCOMPARE(places.value(Rating::Weak), places.value(Rating::OK));
    QCOMPARE(places.value(Rating::SoSo), places.value(Rating::OK));
    // Deleting every character hides them all again.
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(Fields(w).Password, Qt::Key_Backspace);
    QCOMPARE(int(Shown()), int(Rating::None));
    QVERIFY(!Fields(w).EntryPWChckBox->isVisible());
}

void TstMainPasswords::randomAndRestoredPassword()
{
    session_->MakeEntries({"Anvil:secret"});
    TLockvexMainDlg &w = OpenWindow();
    QCOMPARE(int(Shown()), int(Rating::Weak));

    QTest::mouseClick(Fields(w).PasswordLbl, Qt::LeftButton);
    const QString random = Fields(w).Password->text();
    QCOMPARE(random.size(), 12);
    int digits = 0, lower = 0, upper = 0;
    for (QChar c : random) {
        digits += c >= u'0' && c <= u'9';
        lower += c >= u'a' && c <= u'z';
        upper += c >= u'A' && c <= u'Z';
    }
    QCOMPARE(digits, 4);
    QCOMPARE(lower, 4);
    QCOMPARE(upper, 4);
    QCOMPARE(int(Shown()), int(Rating::OK));
    QTest::mouseClick(Fields(w).PasswordLbl, Qt::LeftButton);
    QVERIFY(Fields(w).Password->text() != random);

    QTest::mouseClick(Fields(w).PasswordLbl, Qt::MiddleButton);
    QVERIFY(Fields(w).Password->text() != QStringLiteral("secret"));
    QTest::mouseClick(Fields(w).PasswordLbl, Qt::RightButton);
    QCOMPARE(Fields(w).Password->text(), QStringLiteral("secret"));
    QCOMPARE(int(Shown()), int(Rating::Weak));
    QCOMPARE(session_->Stored(QStringLiteral("Anvil")).Password, QStringLiteral("secret"));
}

void TstMainPasswords::accessPasswordMarksEveryEntry()
{
    session_->MakeEntries({"Anvil:shared1", "Arrow:shared1", "Basket:other22"});
    TLockvexMainDlg &w = OpenWindow();
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Anvil"));
    QVERIFY(!Fields(w).EntryPWChckBox->isChecked());
    QCOMPARE(session_->App->ListManager->LoginPWs, 0);

    QTest::mouseClick(Fields(w).EntryPWChckBox, Qt::LeftButton);
    QVERIFY(Fields(w).EntryPWChckBox->isChecked());
    // Written at once into every stored entry with that password, and only those.
    QVERIFY(session_->Stored(QStringLiteral("Anvil")).LockvexPassword);
    QVERIFY(session_->Stored(QStringLiteral("Arrow")).LockvexPassword);
    QVERIFY(!session_->Stored(QStringLiteral("Basket")).LockvexPassword);
    QCOMPARE(session_->App->ListManager->LoginPWs, 1);
    QVERIFY(!w.RecChanged()); // the entry shown is stored so already
    // Typing in the password field keeps the box as the user set it.
    QTest::keyClick(Fields(w).Password, Qt::Key_End);
    QTest::keyClick(Fields(w).Password, 'x');
    QVERIFY(Fields(w).EntryPWChckBox->isChecked());
    QTest::keyClick(Fields(w).Password, Qt::Key_Backspace);

    // The chooser draws the ticked mark for that password, the empty one for the other.
    QCOMPARE(ChooserLines(), QStringList({" All Passwords", "other22", "shared1"}));
    auto *delegate = qobject_cast<TPasswordChooserDelegate *>(Controls(w).PasswordCombo->itemDelegate());
    QVERIFY(delegate);
    const QImage ticked = Controls(w).PWCheckedImage->pixmap().toImage();
    const QImage empty = Controls(w).PWUncheckedImage->pixmap().toImage();
    QVERIFY(ticked != empty);
    const qreal ratio = ticked.devicePixelRatio();
    const QSize markSize = (QSizeF(ticked.size()) / ratio).toSize();
    QCOMPARE(delegate->LineHeight(), markSize.height());
    auto markOf = [&](int row) {
        QImage line(QSize(200, delegate->LineHeight() + 4) * ratio, QImage::Format_ARGB32_Premultiplied);
        line.setDevicePixelRatio(ratio);
        line.fill(Qt::transparent);
        QPainter painter(&line);
        QStyleOptionViewItem option;
        option.initFrom(Controls(w).PasswordCombo->view());
        option.rect = QRect(0, 0, 200, delegate->LineHeight() + 4);
        option.state &= ~QStyle::State_Selected;
        delegate->paint(&painter, option, Controls(w).PasswordCombo->model()->index(row, 0));
        painter.end();
        return line.copy(QRect(QPoint(1, 1) * ratio, markSize * ratio));
    };
    auto same = [](const QImage &a, const QImage &b) {
        return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
    };
    QVERIFY(same(markOf(2), ticked.copy(QRect(QPoint(0, 0), markSize * ratio))));
    QVERIFY(same(markOf(1), empty.copy(QRect(QPoint(0, 0), markSize * ratio))));

    // Unticked again: no entry holds it as an access password.
    QTest::mouseClick(Fields(w).EntryPWChckBox, Qt::LeftButton);
    QVERIFY(!session_->Stored(QStringLiteral("Arrow")).LockvexPassword);
    QCOMPARE(session_->App->ListManager->LoginPWs, 0);
}

void TstMainPasswords::chooserShowsTheEntriesOfAPassword()
{
    session_->MakeEntries({"Anvil:p1", "Arrow:p2", "Basket:p1", "Cart"});
    TLockvexMainDlg &w = OpenWindow();
    QCOMPARE(ChooserLines(), QStringList({" All Passwords", "p1", "p2"}));

    // Picked in the open list, as the user does.
    Controls(w).PasswordCombo->showPopup();
    QAbstractItemView *view = Controls(w).PasswordCombo->view();
    QTRY_VERIFY(view->isVisible());
    const QModelIndex p1 = view->model()->index(1, 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(p1).center());
    QTRY_VERIFY(!view->isVisible());
    QCOMPARE(Lines(), QStringList({"Anvil", "Basket"}));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Anvil"));
    QCOMPARE(w.CurrentIndex, 0);
    QCOMPARE(Controls(w).PasswordCombo->currentIndex(), 1);

    ShowEntry(QStringLiteral("Basket"));
    emit Controls(w).PasswordCombo->activated(2);
    QCOMPARE(Lines(), QStringList({"Arrow"}));
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Arrow"));

    emit Controls(w).PasswordCombo->activated(0);
    QCOMPARE(Lines(), QStringList({"Anvil", "Arrow", "Basket", "Cart"}));
    QCOMPARE(Controls(w).PasswordCombo->currentIndex(), 0);
    QCOMPARE(Fields(w).ItemName->text(), Lines().value(w.CurrentIndex));
}

void TstMainPasswords::chooserKeepsAChangeOfTheEntryShown()
{
    session_->MakeEntries({"Anvil:p1", "Arrow:p2"});
    TLockvexMainDlg &w = OpenWindow();
    Fields(w).CustID->setText(QStringLiteral("changed"));
    emit Controls(w).PasswordCombo->activated(2);
    QCOMPARE(session_->Stored(QStringLiteral("Anvil")).CustID, QStringLiteral("changed"));
    QCOMPARE(Lines(), QStringList({"Arrow"}));
    QCOMPARE(Controls(w).PasswordCombo->currentText(), QStringLiteral("p2"));
}

// ---- grid --------------------------------------------------------------------------------------

void TstMainPasswords::characterGrid_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("kept");
    QTest::newRow("six characters") << QStringLiteral("abc123") << QStringLiteral("abc123");
    const QString longest = QStringLiteral("Harbour7Lantern2Harbour7Lantern");
    QTest::newRow("31 characters") << longest << longest;
    QTest::newRow("outside Windows-1252") << QStringLiteral("a\U0001F600\u20AC\u4E2Dz") << QStringLiteral("a?\u20AC?z");
}

void TstMainPasswords::characterGrid()
{
    QFETCH(QString, password);
    QFETCH(QString, kept);
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    Fields(w).Password->setText(password);
    Fields(w).PIN->setText(QStringLiteral("4812"));
    // The grid is made when it is first shown.
    const auto shownGrid = [&w] {
        auto *grid = w.findChild<TPasswordGrid *>(QStringLiteral("PasswordGrid"));
        return grid && grid->isVisible() ? grid : nullptr;
    };
    QVERIFY(!shownGrid());

    Hover(Fields(w).PasswordCopyBtn, true);
    TPasswordGrid *grid = shownGrid();
    QVERIFY(grid);
    const int n = int(kept.size());
    QCOMPARE(grid->columnCount(), n);
    QCOMPARE(grid->size(), QSize(n * 19 + 4, 36));
    for (int i = 0; i < n; ++i) {
        QCOMPARE(grid->item(0, i)->text(), QString(kept.at(i)));
        QCOMPARE(grid->item(1, i)->text(), QString::number(i + 1));
    }
    const QPoint under = Fields(w).Password->mapTo(&w, QPoint(0, Fields(w).Password->height()));
    QCOMPARE(grid->y(), under.y());
    if (n == 6)
        QCOMPARE(grid->x(), under.x());
    QVERIFY(grid->geometry().right() < w.width()); // a long grid stays inside the window
    Hover(Fields(w).PasswordCopyBtn, false);
    QVERIFY(!grid->isVisible());

    Hover(Fields(w).PINCopyBtn, true);
    QCOMPARE(grid->columnCount(), 4);
    QCOMPARE(grid->pos(), Fields(w).PIN->mapTo(&w, QPoint(0, Fields(w).PIN->height())));
    Hover(Fields(w).PINCopyBtn, false);
    QVERIFY(!grid->isVisible());
}

// ---- clipboard and login -----------------------------------------------------------------------

void TstMainPasswords::copyButtons()
{
    session_->MakeEntries({"Anvil"});
    Update(QStringLiteral("Anvil"), [](ItemManagerParams &item) {
        item.PIN = QStringLiteral("4812");
        item.Password = QStringLiteral("pw-1");
        item.MemData1 = QStringLiteral("one");
        item.MemData3 = QStringLiteral("three");
        item.MemData4 = QStringLiteral("four");
    });
    TLockvexMainDlg &w = OpenWindow();
    const QList<std::pair<QPushButton *, QString>> copies = {
        {Fields(w).PINCopyBtn, "4812"}, {Fields(w).PasswordCopyBtn, "pw-1"}, {Fields(w).Ans1CopyBtn, "one"},
        {Fields(w).Ans2CopyBtn, ""},    {Fields(w).Ans3CopyBtn, "three"},    {Fields(w).Ans4CopyBtn, "four"},
    };
    // Each copy says so beside its button, also to screen readers; an empty field leaves the
    // clipboard as it was and says there was nothing to copy.
    QLabel *note = Fields(w).CopyNoteLbl;
    const QString copied = QStringLiteral("Copied \u2014 cleared when Lockvex ends");
    const QString nothing = QStringLiteral("Nothing to copy");
    for (const auto &[button, text] : copies) {
        session_->Platform.Clipboard = QStringLiteral("before");
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(session_->Platform.Clipboard, text.isEmpty() ? QStringLiteral("before") : text);
        QVERIFY(note->isVisible());
        QCOMPARE(note->text(), text.isEmpty() ? nothing : copied);
        QCOMPARE(button->accessibleDescription(), note->text());
        const QRect beside(note->mapTo(&w, QPoint(0, 0)), note->size());
        const QRect at(button->mapTo(&w, QPoint(0, 0)), button->size());
        QVERIFY(!beside.intersects(at));
        QVERIFY(beside.top() < at.bottom() && beside.bottom() > at.top()); // on its line
    }
    QTRY_VERIFY_WITH_TIMEOUT(!note->isVisible(), 5000); // for a few seconds
    QVERIFY(Fields(w).Ans4CopyBtn->accessibleDescription().isEmpty());
    // The customer ID copy leaves the clipboard alone when there is none.
    QTest::mouseClick(Fields(w).CustIDCopyBtn, Qt::LeftButton);
    QCOMPARE(session_->Platform.Clipboard, QStringLiteral("anvil-id"));
    Fields(w).CustID->clear();
    QTest::mouseClick(Fields(w).CustIDCopyBtn, Qt::LeftButton);
    QCOMPARE(session_->Platform.Clipboard, QStringLiteral("anvil-id"));
    QCOMPARE(note->text(), nothing);
    // Ctrl+C out of a secret's box says so too.
    QTest::mouseClick(Fields(w).PIN, Qt::LeftButton);
    Fields(w).PIN->selectAll();
    QTest::keySequence(Fields(w).PIN, QKeySequence::Copy);
    QCOMPARE(session_->Platform.Clipboard, QStringLiteral("4812"));
    QCOMPARE(note->text(), copied);
    QVERIFY(!w.ClipboardTimer->isActive()); // auto-copy not ticked
    QVERIFY(session_->Platform.OpenedUrls.isEmpty());
}

void TstMainPasswords::loginWithAutoCopy_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("viaLogin");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<int>("interval");
    QTest::newRow("login button") << QStringLiteral("https://bank.example/login") << true
                                  << QStringLiteral("https://bank.example/login") << 10000;
    QTest::newRow("customer ID copy") << QStringLiteral("https://bank.example/login") << false << QString() << 5000;
    QTest::newRow("local file opens nothing") << QStringLiteral("file:///etc/passwd") << true << QString() << 10000;
    QTest::newRow("unknown scheme opens nothing")
        << QStringLiteral("javascript:alert(1)") << true << QString() << 10000;
    QTest::newRow("blank address: no login") << QStringLiteral("   ") << true << QString() << 0;
}

void TstMainPasswords::loginWithAutoCopy()
{
    QFETCH(QString, url);
    QFETCH(bool, viaLogin);
    QFETCH(QString, opened);
    QFETCH(int, interval);
    session_->MakeEntries({"Anvil"});
    Update(QStringLiteral("Anvil"), [&](ItemManagerParams &item) {
        item.URL = url;
        item.Password = QStringLiteral("Secret-99");
        item.AutoPWCopy = true;
    });
    TLockvexMainDlg &w = OpenWindow();
    QVERIFY(Controls(w).SuppressPWCheckBox->isChecked());
    session_->Platform.Clipboard.clear();

    QTest::mouseClick(viaLogin ? Controls(w).LoginBtn : Fields(w).CustIDCopyBtn, Qt::LeftButton);
    QCOMPARE(session_->Platform.OpenedUrls, opened.isEmpty() ? QStringList() : QStringList{opened});
    QVERIFY(!w.LoginButtonClicked);
    if (interval == 0) {
        QVERIFY(session_->Platform.Clipboard.isEmpty());
        QVERIFY(!w.ClipboardTimer->isActive());
        QVERIFY(!w.GoWebBtnClicked);
        return;
    }
    // The customer ID at once; the password and a beep when the timer fires.
    QCOMPARE(session_->Platform.Clipboard, QStringLiteral("anvil-id"));
    QVERIFY(w.ClipboardTimer->isActive());
    QVERIFY(w.ClipboardTimer->isSingleShot());
    QCOMPARE(w.ClipboardTimer->interval(), interval);
    QCOMPARE(session_->Platform.Beeps, 0);
    w.ClipboardTimerTimer();
    QCOMPARE(session_->Platform.Clipboard, QStringLiteral("Secret-99"));
    QCOMPARE(session_->Platform.Beeps, 1);
    QVERIFY(!w.ClipboardTimer->isActive());
}

void TstMainPasswords::autoCopyIsForTheEntryItWasStartedFor()
{
    session_->MakeEntries({"Anvil:first-pw", "Basket:second-pw"});
    Update(QStringLiteral("Anvil"), [](ItemManagerParams &item) { item.AutoPWCopy = true; });
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Fields(w).CustIDCopyBtn, Qt::LeftButton);
    QVERIFY(w.ClipboardTimer->isActive());
    ShowEntry(QStringLiteral("Basket"));
    w.ClipboardTimerTimer();
    QCOMPARE(session_->Platform.Clipboard, QStringLiteral("anvil-id")); // Basket's password not put there
    QCOMPARE(session_->Platform.Beeps, 0);
    QVERIFY(!w.ClipboardTimer->isActive());
}

void TstMainPasswords::loginStampAndLastLoggedIn()
{
    session_->MakeEntries({"Anvil:pw-anvil", "Basket:pw-basket"});
    Update(QStringLiteral("Anvil"), [](ItemManagerParams &item) { item.URL = QStringLiteral("bank.example"); });
    TLockvexMainDlg &w = OpenWindow();
    QCOMPARE(Fields(w).URLLbl->text(), QStringLiteral("Website address"));
    const QString note = Controls(w).LoginBtn->toolTip();
    // The tooltip in short lines, well within 480 pixels.
    QVERIFY(QFontMetrics(QToolTip::font()).boundingRect(QRect(), 0, note).width() <= 480);
    // Never logged in: the hover shows the plain note.
    Hover(Controls(w).LoginBtn, true);
    QCOMPARE(Controls(w).LoginBtn->toolTip(), note);
    Hover(Controls(w).LoginBtn, false);

    // Leaving the password's Copy button without the login button records nothing.
    Hover(Fields(w).PasswordCopyBtn, true);
    Hover(Fields(w).PasswordCopyBtn, false);
    QCOMPARE(w.NewLoginDateTime, TDateTime(0));

    QTest::mouseClick(Controls(w).LoginBtn, Qt::LeftButton);
    QVERIFY(w.GoWebBtnClicked);
    QCOMPARE(session_->Platform.OpenedUrls, QStringList{"bank.example"});
    session_->Platform.Clock = QDateTime(QDate(2026, 3, 9), QTime(14, 30, 0));
    Hover(Fields(w).PasswordCopyBtn, true);
    Hover(Fields(w).PasswordCopyBtn, false);
    QVERIFY(!w.GoWebBtnClicked);
    const TDateTime stamped = ToTDateTime(session_->Platform.Clock);
    QCOMPARE(w.NewLoginDateTime, stamped);
    QVERIFY(w.RecChanged());

    // The last login heads the tooltip; the caption and the address box stay as they are.
    const QRect addressBox = Fields(w).URL->geometry();
    Hover(Controls(w).LoginBtn, true);
    QCOMPARE(Controls(w).LoginBtn->toolTip(), QStringLiteral("Last logged in 14.30,  9/ 3/2026\n\n") + note);
    QCOMPARE(w.LastLogIn, QStringLiteral("14.30,  9/ 3/2026"));
    QCOMPARE(Fields(w).URLLbl->text(), QStringLiteral("Website address"));
    QCoreApplication::processEvents();
    QCOMPARE(Fields(w).URL->geometry(), addressBox);
    QVERIFY(QFontMetrics(QToolTip::font()).boundingRect(QRect(), 0, Controls(w).LoginBtn->toolTip()).width() <= 480);
    Hover(Controls(w).LoginBtn, false);
    QCOMPARE(Controls(w).LoginBtn->toolTip(), note);

    // Saved with the next save; a second leave records no new time.
    session_->Platform.Clock = session_->Platform.Clock.addSecs(600);
    Hover(Fields(w).PasswordCopyBtn, false);
    QCOMPARE(w.NewLoginDateTime, stamped);
    ShowEntry(QStringLiteral("Basket"));
    QCOMPARE(session_->Stored(QStringLiteral("Anvil")).LoginDateTime, stamped);
    QCOMPARE(session_->Stored(QStringLiteral("Basket")).LoginDateTime, TDateTime(0));
    ShowEntry(QStringLiteral("Anvil"));
    Hover(Controls(w).LoginBtn, true);
    QVERIFY(Controls(w).LoginBtn->toolTip().startsWith(QStringLiteral("Last logged in 14.30,  9/ 3/2026\n")));
}

// ---- data location -----------------------------------------------------------------------------

namespace
{

void SetClients(TDataLocation &location, const QString &profile, bool dropbox, bool google, bool onedrive)
{
    location.Clients[CloudDropbox].Path = profile + QStringLiteral("/Dropbox");
    location.Clients[CloudGoogleDrive].Path = profile + QStringLiteral("/Google Drive");
    location.Clients[CloudOneDrive].Path = profile + QStringLiteral("/OneDrive");
    location.Clients[CloudDropbox].Exists = dropbox;
    location.Clients[CloudGoogleDrive].Exists = google;
    location.Clients[CloudOneDrive].Exists = onedrive;
    for (const auto &[path, exists] : {std::pair{location.Clients[CloudDropbox].Path, dropbox},
                                       {location.Clients[CloudGoogleDrive].Path, google},
                                       {location.Clients[CloudOneDrive].Path, onedrive}})
        if (exists)
            QDir().mkpath(path);
}

} // namespace

void TstMainPasswords::dataLocationPanel()
{
    SetClients(Location(), session_->Platform.Profile, true, false, false);
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    // Selected by the program at activation: its handler ran, without message (panel closed).
    QVERIFY(Controls(w).RadioButtonPC->isChecked());
    QVERIFY(Location().UsePC && !Location().Clients[CloudDropbox].Use && !Location().Clients[CloudGoogleDrive].Use &&
            !Location().Clients[CloudOneDrive].Use);
    QVERIFY(session_->Messages.Shown.isEmpty());
    QVERIFY(Controls(w).UseCloudBtn->isVisible());
    QVERIFY(Controls(w).RadioButtonDropbox->isEnabled());
    QVERIFY(!Controls(w).RadioButtonGoogleDrive->isEnabled());
    QVERIFY(!Controls(w).CloudGroupBox->isVisible());

    QTest::mouseClick(Controls(w).UseCloudBtn, Qt::LeftButton);
    QVERIFY(Controls(w).CloudGroupBox->isVisible());
    QVERIFY(w.UseCloudBtnDown);
    // Its pictures are drawn when it first opens, each beside its choice.
    for (const auto &[image, button] :
         {std::pair{Controls(w).ImagePC, Controls(w).RadioButtonPC},
          {Controls(w).ImageDropbox, Controls(w).RadioButtonDropbox},
          {Controls(w).ImageGoogleDrive, Controls(w).RadioButtonGoogleDrive},
          {Controls(w).ImageSkyDrive, Controls(w).RadioButtonSkyDrive}}) {
        QVERIFY(!image->pixmap().isNull());
        QVERIFY(image->isVisible());
        QVERIFY(image->geometry().right() < button->geometry().left());
    }
    const QPoint button = Controls(w).UseCloudBtn->mapTo(&w, QPoint(0, 0));
    QCOMPARE(Controls(w).CloudGroupBox->x(), button.x());
    QVERIFY(Controls(w).CloudGroupBox->geometry().bottom() < w.height()); // all of it can be reached
    QVERIFY(Controls(w).CloudGroupBox->y() == button.y() + Controls(w).UseCloudBtn->height() ||
            Controls(w).CloudGroupBox->geometry().bottom() < button.y());
    // A second click leaves it open.
    QTest::mouseClick(Controls(w).UseCloudBtn, Qt::LeftButton);
    QVERIFY(Controls(w).CloudGroupBox->isVisible());

    QTest::mouseClick(Controls(w).RadioButtonDropbox, Qt::LeftButton);
    QVERIFY(Location().Clients[CloudDropbox].Use && !Location().UsePC);
    QCOMPARE(session_->Messages.Shown.size(), 1);
    QCOMPARE(session_->Messages.Shown[0].Caption, Msg0Title);
    QCOMPARE(session_->Messages.Shown[0].Text,
             QStringLiteral("This change will be effective when you next start Lockvex"));
    // The activation after the message keeps the choice.
    QVERIFY(w.MessageShown);
    w.FormActivate();
    QVERIFY(Location().Clients[CloudDropbox].Use);
    QVERIFY(Controls(w).RadioButtonDropbox->isChecked());

    // A client that is not installed: message 1 and the flags stay.
    w.RadioButtonGoogleDriveClick();
    QCOMPARE(session_->Messages.Shown.size(), 2);
    QCOMPARE(session_->Messages.Shown[1].Text, QStringLiteral("Google Drive is not installed on this PC"));
    QVERIFY(Location().Clients[CloudDropbox].Use && !Location().Clients[CloudGoogleDrive].Use);
    w.RadioButtonSkyDriveClick();
    QCOMPARE(session_->Messages.Shown[2].Text, QStringLiteral("SkyDrive is not installed on this PC"));

    QTest::mouseClick(Controls(w).RadioButtonPC, Qt::LeftButton);
    QVERIFY(Location().UsePC && !Location().Clients[CloudDropbox].Use);
    QCOMPARE(session_->Messages.Shown.size(), 4);

    // The pointer coming back to the button closes the panel.
    Hover(Controls(w).UseCloudBtn, true);
    QVERIFY(!Controls(w).CloudGroupBox->isVisible());
    QVERIFY(!w.UseCloudBtnDown);
    // Selected by the program with the panel closed: no message.
    Controls(w).RadioButtonDropbox->setChecked(true);
    QVERIFY(Location().Clients[CloudDropbox].Use);
    QCOMPARE(session_->Messages.Shown.size(), 4);
}

void TstMainPasswords::dataLocationChoiceReachesTheExit()
{
    SetClients(Location(), session_->Platform.Profile, true, true, false);
    QDir().mkpath(Location().Clients[CloudGoogleDrive].Path + QStringLiteral("/Lockvex"));
    QFile stale(Location().Clients[CloudGoogleDrive].Path + QStringLiteral("/Lockvex/TrelLockvex.BAC0"));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();
    session_->MakeEntries({"Anvil"});
    TLockvexMainDlg &w = OpenWindow();
    QTest::mouseClick(Controls(w).UseCloudBtn, Qt::LeftButton);
    QTest::mouseClick(Controls(w).RadioButtonDropbox, Qt::LeftButton);
    QCOMPARE(session_->Messages.Shown.size(), 1);
    window_.reset();
    const TRunState run = session_->Run(); // as the exit keeps it past the session
    session_->App.reset();                 // the store is closed before the data moves
    ApplyDataLocation(run.Location, run.Folders);
    QVERIFY(QFile::exists(run.Location.Clients[CloudDropbox].Path + QStringLiteral("/Lockvex/TrelLockvex.acsdb")));
    QVERIFY(!QFile::exists(run.Location.Clients[CloudGoogleDrive].Path + QStringLiteral("/Lockvex/TrelLockvex.BAC0")));
    QVERIFY(QFile::exists(run.Folders.LocalDataFile));
}

void TstMainPasswords::dataLocationWithEveryClientOrNone()
{
    // No client at all: no button, and the PC is the choice.
    SetClients(Location(), session_->Platform.Profile, false, false, false);
    session_->MakeEntries({"Anvil"});
    {
        TLockvexMainDlg &w = OpenWindow();
        QVERIFY(!Controls(w).UseCloudBtn->isVisible());
        QVERIFY(Controls(w).RadioButtonPC->isChecked());
        QVERIFY(Location().UsePC);
        w.RadioButtonDropboxClick();
        QCOMPARE(session_->Messages.Shown.value(0).Text, QStringLiteral("Dropbox is not installed on this PC"));
        QVERIFY(Location().UsePC && !Location().Clients[CloudDropbox].Use);
        window_.reset();
    }
    // Every client, the data found in Google Drive: that button is selected, its flag set.
    session_->Messages.Shown.clear();
    Location().UsePC = false;
    SetClients(Location(), session_->Platform.Profile, true, true, true);
    Location().Clients[CloudGoogleDrive].DataIn = true;
    TLockvexMainDlg &w = OpenWindow();
    QVERIFY(Controls(w).UseCloudBtn->isVisible());
    QVERIFY(Controls(w).RadioButtonGoogleDrive->isChecked());
    QVERIFY(Location().Clients[CloudGoogleDrive].Use && !Location().UsePC && !Location().Clients[CloudDropbox].Use &&
            !Location().Clients[CloudOneDrive].Use);
    for (QRadioButton *b :
         {Controls(w).RadioButtonDropbox, Controls(w).RadioButtonGoogleDrive, Controls(w).RadioButtonSkyDrive})
        QVERIFY(b->isEnabled());
    QVERIFY(session_->Messages.Shown.isEmpty());
    QTest::mouseClick(Controls(w).UseCloudBtn, Qt::LeftButton);
    QTest::mouseClick(Controls(w).RadioButtonSkyDrive, Qt::LeftButton);
    QVERIFY(Location().Clients[CloudOneDrive].Use && !Location().Clients[CloudGoogleDrive].Use);
    QCOMPARE(session_->Messages.Shown.size(), 1);
}

// ---- memory stick ------------------------------------------------------------------------------

void TstMainPasswords::memStickWithOneAccessPassword()
{
    session_->MakeEntries({"Anvil:one", "Basket:two"});
    Update(QStringLiteral("Anvil"), [](ItemManagerParams &item) { item.LockvexPassword = true; });
    int opened = 0;
    session_->Platform.FolderAnswer = [&](const QString &, const QString &) {
        ++opened;
        return QString();
    };
    TLockvexMainDlg &w = OpenWindow();
    QCOMPARE(session_->App->ListManager->LoginPWs, 1);
    QTest::mouseClick(Controls(w).TfrMemStickBtn, Qt::LeftButton);
    QCOMPARE(opened, 0);
    QCOMPARE(session_->Messages.Shown.size(), 1);
    QCOMPARE(session_->Messages.Shown[0].Caption, Msg13Title);
    QCOMPARE(session_->Messages.Shown[0].Text, QStringLiteral("Please set a second Lockvex login password."));

    // A second access password: the folder browser opens (cancelled here).
    QTest::mouseClick(Fields(w).EntryPWChckBox, Qt::LeftButton); // Anvil off: none
    QCOMPARE(session_->App->ListManager->LoginPWs, 0);
    QTest::mouseClick(Controls(w).TfrMemStickBtn, Qt::LeftButton);
    QCOMPARE(opened, 1);
    QCOMPARE(session_->Messages.Shown.size(), 1);
}

void TstMainPasswords::memStickUntilAStickIsChosen()
{
    session_->MakeEntries({"Anvil:one", "Basket:two"});
    Update(QStringLiteral("Anvil"), [](ItemManagerParams &item) { item.LockvexPassword = true; });
    Update(QStringLiteral("Basket"), [](ItemManagerParams &item) { item.LockvexPassword = true; });
    const QString home = session_->Platform.Home();
    const QString stick = home + QStringLiteral("/media/STICK");
    QDir().mkpath(stick + QStringLiteral("/folder"));
    session_->Platform.RemovableMountPoints.insert(stick);
    QFile file(home + QStringLiteral("/a-file.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QStringList answers = {
        home,                                 // the program's own medium
        home + QStringLiteral("/a-file.txt"), // a file
        home + QStringLiteral("/missing"),    // a folder that does not exist
        stick + QStringLiteral("/folder"),    // on the stick, but not its root
        stick,
    };
    QStringList captions;
    session_->Platform.FolderAnswer = [&](const QString &caption, const QString &) {
        captions << caption;
        return answers.takeFirst();
    };
    QFile program(home + QStringLiteral("/lockvex"));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.write("program");
    program.close();
    session_->Platform.ProgramPath = program.fileName();
    TLockvexMainDlg &w = OpenWindow();
    QCOMPARE(session_->App->ListManager->LoginPWs, 2);
    QTest::mouseClick(Controls(w).TfrMemStickBtn, Qt::LeftButton);

    QCOMPARE(captions, QStringList(5, QStringLiteral("SELECT MEMORY STICK")));
    QCOMPARE(session_->Platform.FolderTitles, QStringList(5, StickTitle));
    QCOMPARE(session_->Messages.Shown.size(), 5);
    for (int i = 0; i < 4; ++i) { // why each folder is refused, and what to do
        const QString text = session_->Messages.Shown[i].Text;
        QVERIFY(text.startsWith(Msg15 + QStringLiteral("\n\"")));
        QVERIFY(text.endsWith(QStringLiteral("\" is not on a removable drive. Insert a memory stick and choose its "
                                             "folder (under /media or /run/media).")));
    }
    QCOMPARE(session_->Messages.Shown[4].Caption, QStringLiteral("Program and data copied to:"));
    QCOMPARE(session_->Messages.Shown[4].Text, stick);
    QVERIFY(QFile::exists(stick + QStringLiteral("/TrelLockvex.acsdb")));
    QVERIFY(QFile::exists(stick + QStringLiteral("/lockvex")));
}

// ---- import ------------------------------------------------------------------------------------

void TstMainPasswords::importCommand()
{
    session_->MakeEntries({"Basket", "Cart"});
    TLockvexMainDlg &w = OpenWindow();
    w.move(40, 30);
    QCoreApplication::processEvents();
    Controls(w).SearchArg->setText(QStringLiteral("Ca"));
    ShowEntry(QStringLiteral("Cart"));
    Fields(w).CustID->setText(QStringLiteral("typed before the import"));

    bool sawDialog = false;
    QPoint dialogAt;
    bool mainHidden = false;
    testing_support::WhenModalShows<TLockvexDataImportDlg>(&w, [&](TLockvexDataImportDlg *dialog) {
        sawDialog = true;
        dialogAt = dialog->pos();
        mainHidden = !w.isVisible();
        // What the import writes.
        const int key = session_->App->ItemManager->AddItem(QStringLiteral("Anvil"));
        ItemManagerParams item;
        item.ItemName = QStringLiteral("Anvil");
        (void)session_->App->ItemManager->SaveWebItem(key, item);
        dialog->reject();
    });
    QTest::mouseClick(Controls(w).ImportPasswordsBtn, Qt::LeftButton);

    QVERIFY(sawDialog);
    QVERIFY(mainHidden);
    QCOMPARE(dialogAt, QPoint(40, 30));
    QVERIFY(w.isVisible());
    QVERIFY(Controls(w).SearchArg->text().isEmpty());
    QCOMPARE(Lines(), QStringList({"Anvil", "Basket", "Cart"}));
    QVERIFY(session_->App->LockvexTbl->GetKey(QStringLiteral("Anvil")) >= 0);
    // The entry shown stays shown on its line, with what was typed into it kept.
    QCOMPARE(Fields(w).ItemName->text(), QStringLiteral("Cart"));
    QCOMPARE(Lines().value(w.CurrentIndex), QStringLiteral("Cart"));
    QCOMPARE(session_->Stored(QStringLiteral("Cart")).CustID, QStringLiteral("typed before the import"));
}

// ---- pictures ----------------------------------------------------------------------------------

void TstMainPasswords::screenshots()
{
    const QString folder = qEnvironmentVariable("LOCKVEX_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("LOCKVEX_SCREENSHOT_DIR not set");
    const QList<std::pair<QString, QString>> entries = {
        {"Amazon", "Tr41n-6x"},
        {"Barclaycard", "Harbour7Lantern2"},
        {"BBC iPlayer", "Tr41n-11x"},
        {"Council Tax", "Tr41n-11x"},
        {"eBay", "kestrel"},
        {"First Direct", "Harbour7Lantern2"},
        {"GitHub", "q8Vw2mZ4pL6s"},
        {"Gmail", "Harbour7Lantern2"},
        {"HMRC Gateway", "Oak-9-Ferry-3"},
        {"Monzo", "kestrel"},
        {"Netflix", "Tr41n-6x"},
        {"Ocado", "Oak-9-Ferry-3"},
        {"PayPal", "q8Vw2mZ4pL6s"},
        {"Spotify", "kestrel"},
        {"Trainline", "Tr41n-6x"},
    };
    for (const auto &[name, password] : entries) {
        ItemManagerParams item;
        item.ItemName = name;
        item.CustID = QStringLiteral("j.smith");
        item.Password = password;
        item.URL = QStringLiteral("https://www.example.com/") + name.toLower().remove(u' ');
        const int key = session_->App->ItemManager->AddItem(name);
        QVERIFY(session_->App->ItemManager->SaveWebItem(key, item));
    }
    QVERIFY(session_->App->ItemManager->SetAllEntryPasswords(QStringLiteral("Harbour7Lantern2"), true));
    QVERIFY(session_->App->ItemManager->SetAllEntryPasswords(QStringLiteral("q8Vw2mZ4pL6s"), true));
    SetClients(Location(), session_->Platform.Profile, true, true, true);
    TLockvexMainDlg &w = OpenWindow();
    ShowEntry(QStringLiteral("First Direct"));

    // The chooser open: its list is a window of its own, drawn onto the main window's picture.
    Controls(w).PasswordCombo->showPopup();
    QWidget *popup = Controls(w).PasswordCombo->view()->window();
    QTRY_VERIFY(popup->isVisible());
    Controls(w).PasswordCombo->view()->setCurrentIndex(Controls(w).PasswordCombo->model()->index(3, 0));
    QCoreApplication::processEvents();
    QPixmap picture = w.grab();
    {
        QPainter painter(&picture);
        painter.drawPixmap(popup->mapToGlobal(QPoint(0, 0)) - w.mapToGlobal(QPoint(0, 0)), popup->grab());
    }
    QVERIFY(picture.save(folder + QStringLiteral("/main-window-password-chooser.png")));
    Controls(w).PasswordCombo->hidePopup();

    QTest::mouseClick(Controls(w).UseCloudBtn, Qt::LeftButton);
    Hover(Fields(w).PasswordCopyBtn, true);
    QVERIFY(w.grab().save(folder + QStringLiteral("/main-window-data-location.png")));
}

QTEST_MAIN(TstMainPasswords)
#include "tst_main_passwords.moc"
