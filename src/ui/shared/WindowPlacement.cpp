#include "ui/shared/WindowPlacement.h"

#include "platform/Platform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace WindowPlacement
{

namespace
{

// The frame of the last window that had one, which a window not shown yet will get the same: the
// window system's, so kept by the application object (main.cpp's) that speaks to it for the run.
constexpr char LastFrameMarginsProperty[] = "lockvexLastFrameMargins";

QMargins LastFrameMargins()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app ? app->property(LastFrameMarginsProperty).value<QMargins>() : QMargins();
}

void KeepFrameMargins(const QMargins &margins)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->setProperty(LastFrameMarginsProperty, QVariant::fromValue(margins));
}

// A window placed before the window manager has framed any window of the run was placed as if it
// had no frame: its title bar could lie above the screen and its lower border below it. Once the
// window manager has put its frame around it, the window is placed again with that frame. The
// frame may come a moment after the window shows, with no event of its own: it is looked for
// as the window shows, moves and takes the focus, and for a short while after.
class TFrameWatch : public QObject
{
public:
    // wanted: the frame's place and the window's size, as asked for before the frame was known.
    TFrameWatch(QWidget &window, const QRect &wanted) : QObject(&window), window_(window), wanted_(wanted)
    {
        setObjectName(QLatin1String(Name));
        window.installEventFilter(this);
        poll_.setInterval(50);
        connect(&poll_, &QTimer::timeout, this, [this] { Look(); });
        if (window.isVisible()) {
            since_.start();
            poll_.start();
        }
    }

    void SetWanted(const QRect &wanted) { wanted_ = wanted; }

    // The watch over a window, if it has one.
    static TFrameWatch *Of(QWidget &window)
    {
        return dynamic_cast<TFrameWatch *>(
            window.findChild<QObject *>(QLatin1String(Name), Qt::FindDirectChildrenOnly));
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            if (!since_.isValid()) {
                since_.start();
                poll_.start();
            }
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
            if (since_.isValid())
                QTimer::singleShot(0, this, [this] { Look(); });
            break;
        default:
            break;
        }
        return false;
    }

private:
    static constexpr int LookForMs = 3000;
    static constexpr char Name[] = "lockvexFrameWatch";

    void Look()
    {
        if (done_)
            return;
        const bool framed = window_.isVisible() && !FrameMargins(window_).isNull();
        const bool timeUp = since_.elapsed() >= LookForMs;
        // Placed once framed; placed again while the frame still does not lie on the screen (a
        // window manager may finish its own placement after the first), until the time is up.
        if (framed && (!placed_ || !OnScreen())) {
            placed_ = true;
            // The window keeps the size it was given where the screen has room for it with its frame.
            Place(window_, QRect(wanted_.topLeft(), wanted_.size().grownBy(FrameMargins(window_))));
        }
        if (!timeUp)
            return;
        // Framed and placed, or no window manager frames this window.
        done_ = true;
        poll_.stop();
        window_.removeEventFilter(this);
        deleteLater();
    }

    bool OnScreen() const
    {
        const QRect frame = window_.frameGeometry();
        return platform::Current().Screen().AreaAt(frame.center()).contains(frame);
    }

    QWidget &window_;
    QRect wanted_;
    QTimer poll_;
    QElapsedTimer since_;
    bool placed_ = false;
    bool done_ = false;
};

} // namespace

void CentreOnScreen(QWidget &window)
{
    window.adjustSize();
    const QRect area = platform::Current().Screen().PrimaryArea();
    QRect frame(QPoint(0, 0), window.size().grownBy(FrameMargins(window)));
    frame.moveCenter(area.center());
    Place(window, frame);
}

QRect KeptInside(QRect frame, const QRect &area)
{
    frame.moveLeft(qBound(area.left(), frame.left(), qMax(area.left(), area.right() - frame.width() + 1)));
    frame.moveTop(qBound(area.top(), frame.top(), qMax(area.top(), area.bottom() - frame.height() + 1)));
    return frame;
}

QRect OnOneScreen(const QRect &frame, const QSize &minimum)
{
    const platform::ScreenMetrics screen = platform::Current().Screen();
    for (const QRect &area : screen.AllAreas())
        if (area.contains(frame))
            return frame;
    const QRect area = screen.PrimaryArea();
    QRect fitted(frame.topLeft(), frame.size().boundedTo(area.size()).expandedTo(minimum));
    return KeptInside(fitted, area);
}

QMargins FrameMargins(const QWidget &window)
{
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                     frame.bottom() - inner.bottom());
    // A frame that does not hold the window is not one yet (a window system may report a frame of
    // 1 x 1 while the window manager is still framing the window).
    if (margins.left() < 0 || margins.top() < 0 || margins.right() < 0 || margins.bottom() < 0)
        margins = QMargins();
    // At a fractional scale the frame's whole device pixels come rounded to whole pixels here, up
    // to one short: a pixel more on each framed side keeps the whole frame on the screen.
    const qreal ratio = window.devicePixelRatioF();
    if (!margins.isNull() && ratio != std::floor(ratio))
        margins += QMargins(margins.left() > 0, margins.top() > 0, margins.right() > 0, margins.bottom() > 0);
    if (!margins.isNull())
        KeepFrameMargins(margins);
    else if (window.isWindow() && !window.isVisible())
        return LastFrameMargins();
    return margins;
}

void Place(QWidget &window, const QRect &wantedFrame)
{
    const QMargins margins = FrameMargins(window);
    const QRect frame = OnOneScreen(wantedFrame, window.minimumSize().grownBy(margins));
    const QSize size = frame.size().shrunkBy(margins);
    if (size != window.size())
        window.resize(size);
    // A window that cannot be made so small keeps at least its top left corner on the screen.
    const QRect placed(frame.topLeft(), window.size().grownBy(margins));
    const QPoint topLeft = KeptInside(placed, platform::Current().Screen().AreaAt(frame.center())).topLeft();
    window.move(topLeft);
    // Not framed yet, or the frame is not known yet: placed again once the window manager has
    // framed it (a window shown a moment ago may not have heard of its frame yet).
    if (margins.isNull() && window.isWindow() && !window.testAttribute(Qt::WA_DontShowOnScreen)) {
        if (TFrameWatch *watch = TFrameWatch::Of(window))
            watch->SetWanted(wantedFrame);
        else
            new TFrameWatch(window, wantedFrame);
    }
}

QSize SizeForScreen(const QWidget &window)
{
    const QMargins margins = FrameMargins(window);
    const QSize room = platform::Current().Screen().PrimaryArea().size().shrunkBy(margins);
    return window.sizeHint().boundedTo(room).expandedTo(window.minimumSizeHint()).expandedTo(window.minimumSize());
}

QPoint CentredOn(const QPoint &centre, const QSize &size)
{
    QRect frame(QPoint(0, 0), size);
    frame.moveCenter(centre);
    return KeptInside(frame, platform::Current().Screen().AreaAt(centre)).topLeft();
}

} // namespace WindowPlacement
