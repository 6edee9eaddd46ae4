#include "ui/shared/WindowPlacement.h"

#include "platform/Platform.h"

#include <QWidget>

namespace WindowPlacement
{

void CentreOnScreen(QWidget &window)
{
    window.adjustSize();
    const QRect area = platform::Current().Screen().PrimaryArea();
    QRect frame(QPoint(0, 0), window.frameGeometry().size());
    frame.moveCenter(area.center());
    window.move(frame.topLeft());
}

QRect KeptInside(QRect frame, const QRect &area)
{
    frame.moveLeft(qBound(area.left(), frame.left(), qMax(area.left(), area.right() - frame.width() + 1)));
    frame.moveTop(qBound(area.top(), frame.top(), qMax(area.top(), area.bottom() - frame.height() + 1)));
    return frame;
}

QPoint Reachable(const QRect &frame)
{
    const platform::ScreenMetrics screen = platform::Current().Screen();
    const QRect titleStrip(frame.topLeft(), QSize(frame.width(), 20));
    for (const QRect &area : screen.AllAreas()) {
        const QRect part = area.intersected(titleStrip);
        if (part.width() >= 100 && part.height() >= 20)
            return frame.topLeft();
    }
    return KeptInside(frame, screen.PrimaryArea()).topLeft();
}

QPoint CentredOn(const QPoint &centre, const QSize &size)
{
    QRect frame(QPoint(0, 0), size);
    frame.moveCenter(centre);
    return KeptInside(frame, platform::Current().Screen().AreaAt(centre)).topLeft();
}

} // namespace WindowPlacement
