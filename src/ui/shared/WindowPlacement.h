#pragma once
// Where a window stands on the screen. The screens are the ones the platform reports, so that a
// test can stand in for them; no window asks Qt for a screen itself.

#include <QPoint>
#include <QRect>

class QWidget;

namespace WindowPlacement
{

// Sizes the window to its contents and centres it on the free part of the primary screen. Sizes
// here are frame sizes: a window that has not been shown yet has no frame, its size stands for it.
void CentreOnScreen(QWidget &window);

// The frame moved as little as needed to lie inside the area; a frame larger than the area keeps
// its top left corner inside it.
QRect KeptInside(QRect frame, const QRect &area);

// A stored position is kept while the user can reach the window there: while its top strip, where
// the title bar is, lies on a screen for at least 100 x 20 pixels. Otherwise (a screen that is
// gone, a settings file written on another computer) the nearest place on the primary screen.
QPoint Reachable(const QRect &frame);

// Centred on the point and kept inside the free part of the screen that holds it.
QPoint CentredOn(const QPoint &centre, const QSize &size);

} // namespace WindowPlacement
