// The windows by keyboard alone and as assistive tools see them: over every window, what Tab
// reaches and in which order, how plainly the focus shows, and the accessible tree (names,
// roles, hidden pictures); then the keys of the main window (Esc over a drop-down, Return on a
// button, the letter tabs, the data-location panel) and copying a secret by keyboard.

#include "MainControls.h"
#include "ProgramWindows.h"
#include "app/DataLocation.h"
#include "support/EntryControls.h"
#include "ui/shared/EntryFieldPanel.h"
#include "ui/shared/LetterTabs.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

using testing_support::Controls;
using testing_support::Fields;

namespace
{

double Luminance(QRgb rgb)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) + 0.0722 * channel(qBlue(rgb));
}

double ContrastRatio(QRgb a, QRgb b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// The controls Tab stops at, in the window's focus chain from its first one.
QList<QWidget *> TabStops(QWidget *window)
{
    QList<QWidget *> stops;
    for (QWidget *w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled() && w->window() == window &&
            !w->focusProxy())
            stops << w;
    return stops;
}

QString NameOf(const QWidget *w)
{
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

// Every accessible object under an interface that is showing, depth first.
void Showing(QAccessibleInterface *iface, QList<QAccessibleInterface *> &out)
{
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface *child = iface->child(i);
        if (child == nullptr || child->state().invisible)
            continue;
        out << child;
        Showing(child, out);
    }
}

QString Describe(QAccessibleInterface *iface)
{
    QString what = QString::number(iface->role(), 16);
    if (iface->object())
        what += QLatin1Char(' ') + iface->object()->objectName() + QLatin1Char(' ') +
                QString::fromLatin1(iface->object()->metaObject()->className());
    return what;
}

// What a screen reader user would trip over in a window.
QStringList AccessProblems(QWidget *window)
{
    QStringList problems;
    QAccessibleInterface *root = QAccessible::queryAccessibleInterface(window);
    if (root->text(QAccessible::Name).trimmed().isEmpty())
        problems << QStringLiteral("the window has no name");
    QList<QAccessibleInterface *> all;
    Showing(root, all);
    QHash<QPair<QString, int>, int> seen;
    for (QAccessibleInterface *iface : std::as_const(all)) {
        const QString name = iface->text(QAccessible::Name).trimmed();
        const QAccessible::State state = iface->state();
        const bool textBox = iface->role() == QAccessible::EditableText;
        if ((state.focusable || textBox) && name.isEmpty())
            problems << QStringLiteral("no name: ") + Describe(iface);
        if (state.focusable && !name.isEmpty() && seen[{name, int(iface->role())}]++ == 1)
            problems << QStringLiteral("two of: ") + name + QLatin1Char(' ') + Describe(iface);
    }
    return problems;
}

// The focus look of a control: pixels whose colour changes by at least 3:1 between the control
// unfocused and focused, as a share of its outline (1.0: a one-pixel ring all round).
double FocusRingShare(QWidget *window, QWidget *control, const QRect &part)
{
    const QRect area(control->mapTo(window, part.topLeft()), part.size());
    window->setFocus(); // nothing of the window focused
    QCoreApplication::processEvents();
    if (QApplication::focusWidget() == control)
        QApplication::focusWidget()->clearFocus();
    QCoreApplication::processEvents();
    const QImage before = window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    control->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    if (!control->hasFocus())
        return -1;
    const QImage after = window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    if (before.size() != after.size())
        return -1;
    int changed = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (ContrastRatio(before.pixel(x, y), after.pixel(x, y)) >= 3.0)
                ++changed;
    const double outline = 2.0 * (before.width() + before.height()) * before.devicePixelRatio();
    return changed / outline;
}

} // namespace

class TstKeyboardAccess : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyWindowTellsWhatEachControlIs_data();
    void everyWindowTellsWhatEachControlIs();
    void tabFollowsTheVisualOrder_data();
    void tabFollowsTheVisualOrder();
    void focusShowsPlainly_data();
    void focusShowsPlainly();
    void letterTabsAreATabListWorkedByKeys();
    void escapeClosesTheDropDownOnly();
    void escapeClosesThePanelThenTheWindow();
    void escapeClearsTheSearchThenClosesTheWindow();
    void returnPressesTheFocusedButton();
    void secretsCopiedByKeyboardCarryTheMark_data();
    void secretsCopiedByKeyboardCarryTheMark();

private:
    QWidget &Open(const QString &name);
    TLockvexMainDlg &Main() { return static_cast<TLockvexMainDlg &>(Open(QStringLiteral("main"))); }

    std::unique_ptr<testing_support::WindowSession> session_;
    std::unique_ptr<QWidget> window_;
};

void TstKeyboardAccess::init()
{
    session_ = std::make_unique<testing_support::WindowSession>();
    QVERIFY(session_->Opened);
    program_windows::MakeEntries(*session_->App);
}

void TstKeyboardAccess::cleanup()
{
    window_.reset();
    session_.reset();
}

QWidget &TstKeyboardAccess::Open(const QString &name)
{
    if (name == QLatin1String("entry") || name == QLatin1String("quick list"))
        session_->SetMemStickMode(true);
    window_ = program_windows::MakeWindow(name, *session_->App);
    testing_support::ShowActive(*window_);
    return *window_;
}

void TstKeyboardAccess::everyWindowTellsWhatEachControlIs_data()
{
    QTest::addColumn<QString>("window");
    for (const QString &name : program_windows::WindowNames)
        QTest::newRow(qPrintable(name)) << name;
}

// Every focusable control and text box has a name, no two focusable controls share name and
// role, and the window has a name: checked over the accessible tree as screen readers get it.
void TstKeyboardAccess::everyWindowTellsWhatEachControlIs()
{
    QFETCH(QString, window);
    QWidget &w = Open(window);
    const QStringList problems = AccessProblems(&w);
    if (!problems.isEmpty())
        QFAIL(qPrintable(problems.join(QLatin1Char('\n'))));
    // The title bar reads what the window is, never a name from the code.
    QVERIFY2(!w.windowTitle().contains(QLatin1String("Dlg")) && w.windowTitle() != w.objectName(),
             qPrintable(w.windowTitle()));
    // Boxes that hide what is typed say they hold a password.
    for (QLineEdit *edit : w.findChildren<QLineEdit *>())
        if (edit->isVisible())
            QCOMPARE(QAccessible::queryAccessibleInterface(edit)->state().passwordEdit,
                     edit->echoMode() != QLineEdit::Normal);
    // Pictures that only decorate, and the support command's hidden button, are not shown to
    // assistive tools.
    for (const char *hidden : {"LogWriteBtn", "HeaderPadlock", "ImagePC", "TypeIcon"})
        if (QWidget *control = w.findChild<QWidget *>(QLatin1String(hidden))) {
            QVERIFY2(QAccessible::queryAccessibleInterface(control)->state().invisible, hidden);
        }
}

void TstKeyboardAccess::tabFollowsTheVisualOrder_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("order");
    const QStringList memorable{"Question1",   "MemData1",    "Ans1CopyBtn", "Question2",   "MemData2",
                                "Ans2CopyBtn", "Question3",   "MemData3",    "Ans3CopyBtn", "Question4",
                                "MemData4",    "Ans4CopyBtn", "ItemDescr"};
    QStringList reviewed = memorable; // the import's review has no Copy buttons
    reviewed.removeIf([](const QString &name) { return name.endsWith(QLatin1String("CopyBtn")); });
    QTest::newRow("main") << "main"
                          << (QStringList{"LockvexHelpBtn",
                                          "SearchArg",
                                          "ItemList",
                                          "ItemListTabs",
                                          "PasswordCombo",
                                          "ImportPasswordsBtn",
                                          "TfrMemStickBtn",
                                          "DeleteItemBtn",
                                          "ItemName",
                                          "NewBtn",
                                          "URL",
                                          "LoginBtn",
                                          "CustID",
                                          "CustIDCopyBtn",
                                          "PIN",
                                          "PINCopyBtn",
                                          "Password",
                                          "PasswordCopyBtn",
                                          "EntryPWChckBox",
                                          "SuppressPWCheckBox"}
                              << memorable
                              << QStringList{"CancelBtn", "SaveCloseBtn", "SendToFriendBtn", "TellTrelBtn",
                                             "FacebookBtn", "TwitterBtn", "TrelLogoImage"});
    QTest::newRow("entry") << "entry"
                           << (QStringList{"LockvexHelpBtn", "ItemName", "URL", "CustID", "CustIDCopyBtn", "PIN",
                                           "PINCopyBtn", "Password", "PasswordCopyBtn"}
                               << memorable << QStringList{"SaveCloseBtn"});
    QStringList import{"LockvexHelpBtn", "FileNameEdit", "FileBrowseBtn", "ViewCSVBtn", "ViewTxtBtn", "ViewLogBtn"};
    for (int k = 1; k <= ImportedEntryFields; ++k)
        import << QStringLiteral("Col%1").arg(k);
    import << QStringList{"HeadersCheckBox", "ResetDefaultsBtn",
                          "ResetZerosBtn",   "ImportCSVBtn",
                          "ItemName",        "URL",
                          "CustID",          "PIN",
                          "Password"}
           << reviewed << QStringLiteral("AcceptAllCheckBox");
    QTest::newRow("import") << "import" << import;
    QTest::newRow("quick list") << "quick list"
                                << QStringList{"SearchArg", "ItemList", "ItemListTabs", "DoneBtn", "LockvexHelpBtn"};
}

void TstKeyboardAccess::tabFollowsTheVisualOrder()
{
    QFETCH(QString, window);
    QFETCH(QStringList, order);
    QWidget &w = Open(window);
    QStringList stops;
    for (QWidget *stop : TabStops(&w))
        stops << NameOf(stop);
    // The chain is a ring: compare from the first expected control on.
    const int first = int(stops.indexOf(order.first()));
    QVERIFY2(first >= 0, qPrintable(stops.join(QLatin1Char(' '))));
    stops = stops.mid(first) + stops.mid(0, first);
    QCOMPARE(stops, order);
    // Tab itself walks it: from the control before the entry's name onto the Copy buttons.
    if (window == QLatin1String("main")) {
        auto &main = static_cast<TLockvexMainDlg &>(w);
        Fields(main).CustID->setFocus(Qt::TabFocusReason);
        QTest::keyClick(Fields(main).CustID, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Fields(main).CustIDCopyBtn);
        Fields(main).ItemName->setFocus(Qt::TabFocusReason);
        QTest::keyClick(Fields(main).ItemName, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Controls(main).NewBtn);
    }
}

void TstKeyboardAccess::focusShowsPlainly_data()
{
    QTest::addColumn<QString>("window");
    for (const QString &name : program_windows::WindowNames)
        QTest::newRow(qPrintable(name)) << name;
}

// Every control Tab reaches changes at least a one-pixel ring's worth of pixels by 3:1 or more
// when it takes the focus (a letter tab: the tab marked, not the whole column).
void TstKeyboardAccess::focusShowsPlainly()
{
    QFETCH(QString, window);
    QWidget &w = Open(window);
    QStringList faint;
    for (QWidget *control : TabStops(&w)) {
        QRect part = control->rect();
        if (auto *tabs = qobject_cast<TLetterTabs *>(control))
            part = tabs->TabRect(tabs->KeyIndex());
        const double share = FocusRingShare(&w, control, part);
        if (share < 1.0)
            faint << QStringLiteral("%1 %2").arg(NameOf(control)).arg(share, 0, 'f', 2);
    }
    if (!faint.isEmpty())
        QFAIL(qPrintable(QStringLiteral("focus hardly seen: ") + faint.join(QStringLiteral(", "))));
}

void TstKeyboardAccess::letterTabsAreATabListWorkedByKeys()
{
    TLockvexMainDlg &main = Main();
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(Controls(main).ItemListTabs);
    QCOMPARE(list->role(), QAccessible::PageTabList);
    QCOMPARE(list->childCount(), TLetterTabs::TabCount);
    QCOMPARE(list->child(0)->text(QAccessible::Name), QStringLiteral("All entries"));
    QCOMPARE(list->child(2)->text(QAccessible::Name), QStringLiteral("Letter B"));
    QCOMPARE(list->child(2)->role(), QAccessible::PageTab);
    QCOMPARE(list->indexOfChild(list->child(2)), 2);

    // A letter typed on the tabs jumps as a click on its tab does.
    Controls(main).ItemListTabs->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Controls(main).ItemListTabs, Qt::Key_B);
    QTRY_COMPARE(Fields(main).ItemName->text(), QStringLiteral("Basket"));
    // The tab jumped to is the selected one, under the focus mark; the list is the full list.
    QCOMPARE(Controls(main).ItemListTabs->SelectedIndex(), 2);
    QVERIFY(list->child(2)->state().selected);
    QVERIFY(!list->child(0)->state().selected);
    QCOMPARE(Controls(main).ItemListTabs->CurrentText(), QStringLiteral("*"));
    // The arrows only move the mark; Return presses the marked tab.
    QTest::keyClick(Controls(main).ItemListTabs, Qt::Key_Home);
    QTest::keyClick(Controls(main).ItemListTabs, Qt::Key_Down);
    QCOMPARE(Fields(main).ItemName->text(), QStringLiteral("Basket"));
    QCOMPARE(list->focusChild()->text(QAccessible::Name), QStringLiteral("Letter A"));
    QTest::keyClick(Controls(main).ItemListTabs, Qt::Key_Return); // "A" selects its second name, as a click does
    QTRY_COMPARE(Fields(main).ItemName->text(), QStringLiteral("Arrow"));
    QCOMPARE(Controls(main).ItemListTabs->SelectedIndex(), 1);
    // A screen reader's press action on a tab does the same.
    list->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(Fields(main).ItemName->text(), QStringLiteral("Basket"));
    // A list shown anew (a search) selects "*" again.
    Controls(main).SearchArg->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(Controls(main).SearchArg, QStringLiteral("Arr"));
    QCOMPARE(Controls(main).ItemListTabs->SelectedIndex(), 0);
}

// Esc in the open drop-down closes it alone: the window stays.
void TstKeyboardAccess::escapeClosesTheDropDownOnly()
{
    TLockvexMainDlg &main = Main();
    Controls(main).PasswordCombo->setFocus(Qt::TabFocusReason);
    Controls(main).PasswordCombo->showPopup();
    QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
    // Keys go where the open drop-down has its focus.
    QWidget *popup = QApplication::activePopupWidget();
    QTest::keyClick(popup->focusWidget() ? popup->focusWidget() : popup, Qt::Key_Escape);
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    QVERIFY(main.isVisible());
    QVERIFY(session_->Messages.Shown.isEmpty());
}

// Esc closes the open data-location panel first; the panel's button closes it too; with nothing
// open Esc is the window's Cancel.
void TstKeyboardAccess::escapeClosesThePanelThenTheWindow()
{
    session_->Run().Location.Clients[CloudDropbox].Exists = true; // "SAVE IN CLOUD" shows
    TLockvexMainDlg &main = Main();
    Controls(main).UseCloudBtn->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Controls(main).UseCloudBtn, Qt::Key_Space);
    QVERIFY(Controls(main).CloudGroupBox->isVisible());
    QTest::keyClick(Controls(main).UseCloudBtn, Qt::Key_Tab);
    QVERIFY(Controls(main).CloudGroupBox->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!Controls(main).CloudGroupBox->isVisible());
    QCOMPARE(QApplication::focusWidget(), Controls(main).UseCloudBtn);
    QVERIFY(main.isVisible());
    QTest::keyClick(Controls(main).UseCloudBtn, Qt::Key_Return);
    QTRY_VERIFY(Controls(main).CloudGroupBox->isVisible());
    QTest::keyClick(Controls(main).UseCloudBtn, Qt::Key_Space);
    QVERIFY(!Controls(main).CloudGroupBox->isVisible());

    QTest::keyClick(Controls(main).UseCloudBtn, Qt::Key_Escape);
    QTRY_VERIFY(!main.isVisible());
}

// Esc in the search box clears a search typed there and the full list comes back; in the empty
// box it is the window's Cancel.
void TstKeyboardAccess::escapeClearsTheSearchThenClosesTheWindow()
{
    TLockvexMainDlg &main = Main();
    const int entries = Controls(main).ItemList->model()->rowCount();
    Controls(main).SearchArg->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(Controls(main).SearchArg, QStringLiteral("Bas"));
    QCOMPARE(Controls(main).ItemList->model()->rowCount(), 1);
    QTest::keyClick(Controls(main).SearchArg, Qt::Key_Escape);
    QVERIFY(main.isVisible());
    QCOMPARE(Controls(main).SearchArg->text(), QString());
    QCOMPARE(Controls(main).ItemList->model()->rowCount(), entries);
    QCOMPARE(QApplication::focusWidget(), Controls(main).SearchArg);
    QTest::keyClick(Controls(main).SearchArg, Qt::Key_Escape);
    QTRY_VERIFY(!main.isVisible());
}

void TstKeyboardAccess::returnPressesTheFocusedButton()
{
    TLockvexMainDlg &main = Main();
    Controls(main).NewBtn->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Controls(main).NewBtn, Qt::Key_Return);
    QTRY_VERIFY(main.Rules().IsNewEntry());
    QCOMPARE(QApplication::focusWidget(), Fields(main).ItemName);
    // The pictures that open web sites take it too.
    Controls(main).TwitterBtn->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Controls(main).TwitterBtn, Qt::Key_Return);
    QVERIFY(!session_->Platform.OpenedUrls.isEmpty());
}

void TstKeyboardAccess::secretsCopiedByKeyboardCarryTheMark_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("removed");
    QTest::newRow("password ctrl+c") << "Password"
                                     << "copy"
                                     << "arrow" << false;
    QTest::newRow("password ctrl+x") << "Password"
                                     << "cut"
                                     << "arrow" << true;
    QTest::newRow("PIN menu copy") << "PIN"
                                   << "menu"
                                   << "2222" << false;
    QTest::newRow("answer ctrl+insert") << "MemData1"
                                        << "insert"
                                        << "Red" << false;
}

// Copies by keyboard or menu from a box that holds a secret go through the program's clipboard
// routine (the platform's, which marks them for clipboard managers), never past it.
void TstKeyboardAccess::secretsCopiedByKeyboardCarryTheMark()
{
    QFETCH(QString, field);
    QFETCH(QString, how);
    QFETCH(QString, expected);
    QFETCH(bool, removed);
    TLockvexMainDlg &main = Main();
    Controls(main).ItemListTabs->ActivateTab(1);
    QTRY_COMPARE(Fields(main).ItemName->text(), QStringLiteral("Arrow"));
    auto *edit = main.findChild<QLineEdit *>(field);
    session_->Platform.Clipboard = QStringLiteral("before");
    edit->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    if (how == QLatin1String("copy"))
        QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    else if (how == QLatin1String("cut"))
        QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    else if (how == QLatin1String("insert"))
        QTest::keyClick(edit, Qt::Key_Insert, Qt::ControlModifier);
    else {
        QTimer::singleShot(0, this, [] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr);
            for (QAction *action : menu->actions())
                if (action->text().startsWith(QLineEdit::tr("&Copy")))
                    action->trigger();
            menu->close();
        });
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(edit, &menuEvent);
    }
    QCOMPARE(session_->Platform.Clipboard, expected);
    QCOMPARE(edit->text().isEmpty(), removed);
}

QTEST_MAIN(TstKeyboardAccess)
#include "tst_keyboard_access.moc"
