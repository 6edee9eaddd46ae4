// Where the windows stand on a small screen of the platform double's: a window made while the
// windows are drawn for the screen (ScaleForms) is centred on the free part of the primary
// screen, whatever screen Qt itself has. And the program's own platform reports Qt's screens.

#include "StickSession.h"

#include "app/DLockvexPassword.h"
#include "import/DLockvexDataImport.h"
#include "platform/desktop/DesktopPlatform.h"
#include "ui/DLockvexItem.h"
#include "ui/DLockvexList.h"

#include <QGuiApplication>
#include <QScreen>

#include <functional>

using stick_session::TStickSession;

namespace
{

// Makes the window as the program does; the sign-in dialog places itself when it shows.
std::unique_ptr<QWidget> MakeWindow(const QString &kind)
{
    if (kind == QLatin1String("sign-in")) {
        auto window = std::make_unique<TLockvexPasswordDlg>([](const QString &) { return false; });
        window->show();
        return window;
    }
    if (kind == QLatin1String("entry"))
        return std::make_unique<TLockvexItemDlg>();
    if (kind == QLatin1String("quick list"))
        return std::make_unique<TLockvexListDlg>();
    return std::make_unique<TLockvexDataImportDlg>();
}

} // namespace

class TstWindowPlacement : public QObject
{
    Q_OBJECT

private slots:
    void init() { session_ = std::make_unique<TStickSession>(); }
    void cleanup() { session_.reset(); }

    void scaledWindowIsCentredOnTheScreen_data();
    void scaledWindowIsCentredOnTheScreen();
    void desktopPlatformReportsEveryScreenPrimaryFirst();

private:
    std::unique_ptr<TStickSession> session_;
};

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
    ScreenHeight = 768;
    ScaleForms = true;

    const std::unique_ptr<QWidget> window = MakeWindow(kind);
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
