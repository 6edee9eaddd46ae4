// Where the windows stand on the platform double's screens: every window, at the first start and
// with a position stored at another scaling, lies wholly on the free part of one screen with
// every control inside it; a window made while the windows are drawn for the screen (ScaleForms)
// is centred on the free part of the primary screen, whatever screen Qt itself has. And the
// program's own platform reports Qt's screens. With LOCKVEX_SCREENSHOT_DIR set, the main window
// is also saved as pictures on a small screen and at its smallest.

#include "MainControls.h"
#include "StickSession.h"
#include "support/EntryControls.h"

#include "ui/signin/DLockvexPassword.h"
#include "app/DataLocation.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "ui/import/DLockvexDataImport.h"
#include "platform/desktop/DesktopPlatform.h"
#include "ui/entry/DLockvexItem.h"
#include "ui/quicklist/DLockvexList.h"
#include "ui/main/DLockvexMain.h"
#include "ui/shared/WindowPlacement.h"

#include <QApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QListView>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <functional>

using testing_support::Controls;
using testing_support::Fields;

using stick_session::TStickSession;

namespace
{

// Makes the window as the program does; the sign-in dialog places itself when it shows, the
// entry window shows the entry with key entryKey.
std::unique_ptr<QWidget> MakeWindow(const QString &kind, LockvexSession &session, int entryKey = NoKey)
{
    if (kind == QLatin1String("sign-in")) {
        auto window = std::make_unique<TLockvexPasswordDlg>(TSignInNeeds{
            [](const QString &) { return false; }, *session.ListManager, *session.LVDlgProcs, session.Run});
        window->show();
        return window;
    }
    if (kind == QLatin1String("entry"))
        return std::make_unique<TLockvexItemDlg>(*session.ItemManager, *session.LVDlgProcs, entryKey);
    if (kind == QLatin1String("quick list"))
        return std::make_unique<TLockvexListDlg>(session);
    return std::make_unique<TLockvexDataImportDlg>(*session.ItemManager, *session.LVDlgProcs);
}

// A screen as the desktop reports it: its size and free part in the program's pixels, which at a
// scaling of 150 % are two thirds of the device's.
struct TScreen {
    QRect Whole;
    QRect Free;
};

TScreen Screen(int x, int width, int height, double scaling, int panel)
{
    const QRect whole(qRound(x / scaling), 0, qRound(width / scaling), qRound(height / scaling));
    return {whole, whole.adjusted(0, panel, 0, 0)};
}

QString Describe(const QRect &r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The frame lies on one screen's free part, every control shown lies inside the window, and no
// button is narrower or lower than its text needs.
void CheckFits(QWidget &window, const QList<QRect> &areas)
{
    const QRect frame = window.frameGeometry();
    QVERIFY2(std::any_of(areas.begin(), areas.end(), [&](const QRect &area) { return area.contains(frame); }),
             qPrintable(window.objectName() + QLatin1Char(' ') + Describe(frame)));
    for (QWidget *control : window.findChildren<QWidget *>()) {
        if (!control->isVisible() || control->window() != &window)
            continue;
        const QRect placed(control->mapTo(&window, QPoint(0, 0)), control->size());
        QVERIFY2(window.rect().contains(placed),
                 qPrintable(control->objectName() + QLatin1Char(' ') + Describe(placed) + QStringLiteral(" in ") +
                            Describe(window.rect())));
        // A command reached by its key alone stands as a 1 x 1 button covered by the others.
        if (qobject_cast<QAbstractButton *>(control) && control->width() > 1) {
            const QSize wanted = control->minimumSizeHint();
            QVERIFY2(control->width() >= wanted.width() && control->height() >= wanted.height(),
                     qPrintable(control->objectName() + QLatin1Char(' ') + Describe(placed) + QStringLiteral(" for ") +
                                QString::number(wanted.width()) + QLatin1Char('x') + QString::number(wanted.height())));
        }
    }
}

// Runs check on the modal window the action opens, then closes that window.
void OnModal(const std::function<void()> &action, const std::function<void(QWidget &)> &check)
{
    bool checked = false;
    QTimer::singleShot(0, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        check(*modal);
        checked = true;
        QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
    });
    action();
    QVERIFY(checked);
}

} // namespace

class TstWindowPlacement : public QObject
{
    Q_OBJECT

private slots:
    void init() { session_ = std::make_unique<TStickSession>(); }
    void cleanup() { session_.reset(); }

    void everyWindowFitsTheScreen_data();
    void everyWindowFitsTheScreen();
    void storedPlaceKeptWhereTheWindowFits_data();
    void storedPlaceKeptWhereTheWindowFits();
    void mainWindowShrinksToItsMinimum();
    void screenshots();
    void scaledWindowIsCentredOnTheScreen_data();
    void scaledWindowIsCentredOnTheScreen();
    void desktopPlatformReportsEveryScreenPrimaryFirst();

private:
    std::unique_ptr<TStickSession> session_;
};

void TstWindowPlacement::everyWindowFitsTheScreen_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QList<QRect>>("areas");
    QTest::addColumn<bool>("stored");
    const struct {
        const char *Name;
        QList<TScreen> Screens;
    } desktops[] = {
        {"1280x720", {Screen(0, 1280, 720, 1.0, 0)}},
        {"1366x768 with a panel", {Screen(0, 1366, 768, 1.0, 32)}},
        {"1920x1080", {Screen(0, 1920, 1080, 1.0, 27)}},
        {"1920x1080 at 150 %", {Screen(0, 1920, 1080, 1.5, 32)}},
        {"3200x1800 at 200 %", {Screen(0, 3200, 1800, 2.0, 32)}},
        {"1366x768 beside 1920x1080", {Screen(0, 1366, 768, 1.0, 32), Screen(1366, 1920, 1080, 1.0, 0)}},
    };
    for (const char *kind : {"main", "import", "entry", "quick list", "sign-in", "message"})
        for (const auto &desktop : desktops) {
            QList<QRect> areas;
            for (const TScreen &screen : desktop.Screens)
                areas << screen.Free;
            for (bool stored : {false, true})
                QTest::addRow("%s, %s, %s", kind, desktop.Name, stored ? "stored at another scaling" : "first start")
                    << QString::fromLatin1(kind) << areas << stored;
        }
}

// A position and size written at 100 % on a 1920 x 1080 screen, the window at its right edge.
void TstWindowPlacement::everyWindowFitsTheScreen()
{
    QFETCH(QString, kind);
    QFETCH(QList<QRect>, areas);
    QFETCH(bool, stored);
    platform::ScreenMetrics &screen = session_->Platform.ScreenInfo;
    screen.Width = areas.first().right() + 1;
    screen.Height = areas.first().bottom() + 1;
    screen.Areas = areas;
    session_->Add(stick_session::Entry(QStringLiteral("Anvil"), QString(), QStringLiteral("anvil-id"),
                                       QStringLiteral("1234"), QStringLiteral("Harbour7Lantern2")));
    if (stored) {
        QVERIFY(session_->App->LVDlgProcs->SetDlgPosnInfo(QStringLiteral("DialogTop"), QStringLiteral("DialogLeft"),
                                                          140, 910, QStringLiteral("DialogWidth"),
                                                          QStringLiteral("DialogHeight"), QSize(1010, 800)));
        QVERIFY(session_->App->LVDlgProcs->SetDlgPosnInfo(QStringLiteral("AppDialogTop"),
                                                          QStringLiteral("AppDialogLeft"), 140, 1590));
    }

    if (kind == QLatin1String("main") || kind == QLatin1String("import") || kind == QLatin1String("message")) {
        TLockvexMainDlg main(*session_->App->ListManager, *session_->App->ItemManager, *session_->App->LVDlgProcs);
        testing_support::ShowActive(main);
        if (kind == QLatin1String("main"))
            return CheckFits(main, areas);
        if (kind == QLatin1String("import"))
            return OnModal([&] { TLockvexDataImportDlg::RunModal(*session_->App->ItemManager, *session_->App->LVDlgProcs, nullptr, main.pos()); },
                           [&](QWidget &import) { CheckFits(import, areas); });
        session_->MessageDialogs.SetMessageResponder(nullptr);
        return OnModal([&] { session_->MessageDialogs.ShowMessageDlg(MsgCatalogue[MsgQuitWithoutSaving]); },
                       [&](QWidget &message) { CheckFits(message, areas); });
    }
    session_->SetMemStickMode(true);
    const std::unique_ptr<QWidget> window =
        MakeWindow(kind, *session_->App, session_->App->LockvexTbl->GetKey(QStringLiteral("Anvil")));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    CheckFits(*window, areas);
}

void TstWindowPlacement::storedPlaceKeptWhereTheWindowFits_data()
{
    QTest::addColumn<QPoint>("stored");
    QTest::addColumn<bool>("kept");
    // The primary screen 1366 x 768 under a panel, a 1920 x 1080 screen on its right.
    QTest::newRow("on the primary screen") << QPoint(20, 40) << true;
    QTest::newRow("on the second screen") << QPoint(1500, 100) << true;
    QTest::newRow("under the panel") << QPoint(20, 10) << false;
    QTest::newRow("across both screens") << QPoint(900, 40) << false;
    QTest::newRow("left of every screen") << QPoint(-30, 40) << false;
    QTest::newRow("on a screen that is gone") << QPoint(4000, 100) << false;
}

// A stored place is kept while the whole window lies on one screen; otherwise the window moves
// onto the primary screen no further than it must.
void TstWindowPlacement::storedPlaceKeptWhereTheWindowFits()
{
    QFETCH(QPoint, stored);
    QFETCH(bool, kept);
    const QRect primary(0, 32, 1366, 736);
    const QList<QRect> areas{primary, QRect(1366, 0, 1920, 1080)};
    session_->Platform.ScreenInfo.Areas = areas;
    session_->Add(stick_session::Entry(QStringLiteral("Anvil"), QString(), QStringLiteral("anvil-id"),
                                       QStringLiteral("1234"), QStringLiteral("Harbour7Lantern2")));
    const QSize size(1010, 660);
    QVERIFY(session_->App->LVDlgProcs->SetDlgPosnInfo(QStringLiteral("DialogTop"), QStringLiteral("DialogLeft"),
                                                      stored.y(), stored.x(), QStringLiteral("DialogWidth"),
                                                      QStringLiteral("DialogHeight"), size));
    TLockvexMainDlg main(*session_->App->ListManager, *session_->App->ItemManager, *session_->App->LVDlgProcs);
    testing_support::ShowActive(main);
    CheckFits(main, areas);
    if (kept) {
        QCOMPARE(main.pos(), stored);
        QCOMPARE(main.size(), size);
        return;
    }
    const QRect expected = WindowPlacement::KeptInside(QRect(stored, main.frameGeometry().size()), primary);
    QCOMPARE(main.pos(), expected.topLeft());
}

// The window can be made as small as its minimum on the smallest screen and still shows every
// control whole, the open data-location panel staying at its button; its extra room goes to the
// entry list and the notes. Closing stores its size.
void TstWindowPlacement::mainWindowShrinksToItsMinimum()
{
    session_->Platform.ScreenInfo.Areas = {QRect(0, 0, 1920, 1080)};
    session_->Add(stick_session::Entry(QStringLiteral("Anvil"), QString(), QStringLiteral("anvil-id"),
                                       QStringLiteral("1234"), QStringLiteral("Harbour7Lantern2")));
    session_->Run().Location.Clients[CloudDropbox].Exists = true;
    TLockvexMainDlg main(*session_->App->ListManager, *session_->App->ItemManager, *session_->App->LVDlgProcs);
    testing_support::ShowActive(main);
    QTest::mouseClick(Controls(main).UseCloudBtn, Qt::LeftButton);
    QVERIFY(Controls(main).CloudGroupBox->isVisible());
    const QSize natural = main.size();
    const int listHeight = Controls(main).ItemList->height();
    const int notesHeight = Fields(main).ItemDescr->height();
    main.resize(natural + QSize(200, 150));
    QCoreApplication::processEvents();
    QVERIFY(Controls(main).ItemList->height() > listHeight);
    QVERIFY(Fields(main).ItemDescr->height() > notesHeight);

    main.move(0, 0);
    main.resize(main.minimumSize());
    QCoreApplication::processEvents();
    const auto atItsButton = [&] {
        const QRect button(Controls(main).UseCloudBtn->mapTo(&main, QPoint(0, 0)), Controls(main).UseCloudBtn->size());
        const QRect panel = Controls(main).CloudGroupBox->geometry();
        return panel.top() == button.bottom() + 1 || panel.bottom() + 1 == button.top();
    };
    QTRY_VERIFY(atItsButton());
    CheckFits(main, {QRect(0, 0, 1280, 720)});
    // Every letter tab still holds its letter whole, at a size that reads.
    const TLetterTabs *tabs = Controls(main).ItemListTabs;
    const QFontMetrics letters(tabs->LetterFont());
    QVERIFY2(tabs->LetterFont().pixelSize() >= 10, qPrintable(QString::number(tabs->LetterFont().pixelSize())));
    for (int i = 0; i < TLetterTabs::TabCount; ++i) {
        const QRect ink = letters.tightBoundingRect(TLetterTabs::TabText(i));
        QVERIFY2(ink.height() + 2 <= tabs->TabRect(i).height() - 1,
                 qPrintable(QStringLiteral("%1: %2 px in %3 px").arg(TLetterTabs::TabText(i)).arg(ink.height()).arg(tabs->TabRect(i).height())));
    }
    QVERIFY(main.width() <= 1280 && main.height() <= 720 - 32 - 40); // a panel and a title bar on 1280 x 720

    const QString folder = qEnvironmentVariable("LOCKVEX_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        QVERIFY(main.grab().save(folder + QStringLiteral("/main-window-minimum.png")));

    main.close();
    QCOMPARE(session_->Setting(QStringLiteral("DialogWidth")), QString::number(main.minimumWidth()));
    QCOMPARE(session_->Setting(QStringLiteral("DialogHeight")), QString::number(main.minimumHeight()));
}

// The main window as it opens at the first start on 1366 x 768, or on 1920 x 1080 when the test
// runs with QT_SCALE_FACTOR=1.5.
void TstWindowPlacement::screenshots()
{
    const QString folder = qEnvironmentVariable("LOCKVEX_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("LOCKVEX_SCREENSHOT_DIR not set");
    const bool scaled = qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("1.5");
    const TScreen screen = scaled ? Screen(0, 1920, 1080, 1.5, 32) : Screen(0, 1366, 768, 1.0, 32);
    session_->Platform.ScreenInfo.Areas = {screen.Free};
    for (const char *name : {"Amazon", "Barclaycard", "First Direct", "GitHub", "Netflix", "PayPal"})
        session_->Add(stick_session::Entry(QString::fromLatin1(name), QStringLiteral("https://example.com"),
                                           QStringLiteral("j.smith"), QStringLiteral("4812"),
                                           QStringLiteral("Harbour7Lantern2")));
    TLockvexMainDlg main(*session_->App->ListManager, *session_->App->ItemManager, *session_->App->LVDlgProcs);
    testing_support::ShowActive(main);
    CheckFits(main, {screen.Free});
    const QString file =
        scaled ? QStringLiteral("/main-window-1920x1080-150.png") : QStringLiteral("/main-window-1366x768.png");
    QVERIFY(main.grab().save(folder + file));
}

void TstWindowPlacement::scaledWindowIsCentredOnTheScreen_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QList<QRect>>("areas");
    QTest::addColumn<QRect>("centredIn");
    const struct {
        const char *Name;
        QList<QRect> Areas;
        QRect CentredIn;
    } screens[] = {
        {"1024 x 768", {}, QRect(0, 0, 1024, 768)},
        {"panel at the top", {QRect(0, 40, 1024, 728)}, QRect(0, 40, 1024, 728)},
        {"a larger screen on the left",
         {QRect(1280, 0, 1024, 768), QRect(0, 0, 1280, 1024)},
         QRect(1280, 0, 1024, 768)},
    };
    for (const char *kind : {"sign-in", "entry", "quick list", "import"})
        for (const auto &screen : screens)
            QTest::addRow("%s, %s", kind, screen.Name) << QString::fromLatin1(kind) << screen.Areas << screen.CentredIn;
}

void TstWindowPlacement::scaledWindowIsCentredOnTheScreen()
{
    QFETCH(QString, kind);
    QFETCH(QList<QRect>, areas);
    QFETCH(QRect, centredIn);
    session_->Platform.ScreenInfo.Width = 1024;
    session_->Platform.ScreenInfo.Height = 768;
    session_->Platform.ScreenInfo.Areas = areas;
    session_->Run().Screen.ScreenHeight = 768;
    session_->Run().Screen.ScaleForms = true;

    const std::unique_ptr<QWidget> window = MakeWindow(kind, *session_->App);
    const QRect placed(window->pos(), window->frameGeometry().size());
    QVERIFY2(
        centredIn.contains(placed),
        qPrintable(
            QStringLiteral("%1,%2 %3x%4").arg(placed.x()).arg(placed.y()).arg(placed.width()).arg(placed.height())));
    // Centred up to the frame, which a window gets only when it first shows.
    QVERIFY(qAbs(placed.center().x() - centredIn.center().x()) <= 2);
    QVERIFY(qAbs(placed.center().y() - centredIn.center().y()) <= 2);
}

// The running program's platform takes the screens from Qt, the primary one first.
void TstWindowPlacement::desktopPlatformReportsEveryScreenPrimaryFirst()
{
    const platform::ScreenMetrics screen = platform::DesktopPlatform().Screen();
    const QScreen *primary = QGuiApplication::primaryScreen();
    QVERIFY(primary != nullptr);
    QCOMPARE(QSize(screen.Width, screen.Height), primary->size());
    QCOMPARE(screen.Areas.size(), QGuiApplication::screens().size());
    QCOMPARE(screen.PrimaryArea(), primary->availableGeometry());
    QCOMPARE(screen.AreaAt(primary->geometry().center()), primary->availableGeometry());
}

QTEST_MAIN(TstWindowPlacement)
#include "tst_window_placement.moc"
