#pragma once
// Where a window stands on the screen. The screens are the ones the platform reports, so that a
// test can stand in for them; no window asks Qt for a screen itself.
//
// Every window lies wholly on the free part of one screen (what panels and docks leave), so that
// none of its controls is out of reach. Sizes here are frame sizes: the window with its title bar
// and borders. A window that has not been shown yet has no frame of its own; the frame of the
// last window placed stands for it.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace WindowPlacement
{

// Sizes the window to its contents and centres it on the free part of the primary screen.
void CentreOnScreen(QWidget &window);

// The frame moved as little as needed to lie inside the area; a frame larger than the area keeps
// its top left corner inside it.
QRect KeptInside(QRect frame, const QRect &area);

// Where a frame may stand: where it is while it lies wholly on the free part of one screen.
// Otherwise (a screen that is gone, a position stored at another scaling or on another computer)
// it is made no larger than the free part of the primary screen allows, though not below
// minimum, and moved onto it as little as it must.
QRect OnOneScreen(const QRect &frame, const QSize &minimum = QSize());

// The title bar and borders around the window's contents.
QMargins FrameMargins(const QWidget &window);

// Moves the window, and shrinks it where it must and may, so that its frame lies where
// OnOneScreen puts the wanted frame. A window not shown yet whose frame is not known yet (no
// window of the run has been framed) is placed again once the window manager has framed it.
void Place(QWidget &window, const QRect &wantedFrame);

// The window's own size, no larger than the free part of the primary screen leaves for it
// (frame included), nor smaller than its minimum: the size a resizable window opens with.
QSize SizeForScreen(const QWidget &window);

// Centred on the point and kept inside the free part of the screen that holds it.
QPoint CentredOn(const QPoint &centre, const QSize &size);

} // namespace WindowPlacement
