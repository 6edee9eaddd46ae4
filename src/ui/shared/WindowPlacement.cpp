#include "ui/shared/WindowPlacement.h"

#include "platform/Platform.h"

#include <QCoreApplication>
#include <QVariant>
#include <QWidget>

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
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                           frame.bottom() - inner.bottom());
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
    window.move(KeptInside(placed, platform::Current().Screen().AreaAt(frame.center())).topLeft());
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
