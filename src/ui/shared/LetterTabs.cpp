#include "ui/shared/LetterTabs.h"

#include "ui/shared/LockvexStyle.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using namespace LockvexStyle;

TLetterTabs::TLetterTabs(QWidget *parent, double scale) : QWidget(parent), scale_(scale)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

QString TLetterTabs::TabText(int index)
{
    if (index == 0)
        return QStringLiteral("*");
    if (index > 0 && index < TabCount)
        return QString(QChar(u'A' + (index - 1)));
    return QString();
}

void TLetterTabs::SetCurrentIndex(int index)
{
    if (index < 0 || index >= TabCount || index == current_)
        return;
    current_ = index;
    update();
}

QRect TLetterTabs::TabRect(int index) const
{
    // Whole pixels shared out evenly, so the column is filled from top to bottom.
    const int top = height() * index / TabCount;
    const int bottom = height() * (index + 1) / TabCount;
    return QRect(0, top, width(), bottom - top);
}

int TLetterTabs::TabAt(const QPoint &point) const
{
    if (!rect().contains(point) || height() <= 0)
        return -1;
    const int index = point.y() * TabCount / height();
    return index >= 0 && index < TabCount ? index : -1;
}

QSize TLetterTabs::sizeHint() const
{
    return QSize(Px(24, scale_), Px(16, scale_) * TabCount);
}

QSize TLetterTabs::minimumSizeHint() const
{
    return QSize(Px(24, scale_), Px(11, scale_) * TabCount);
}

void TLetterTabs::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(Px(11, scale_));
    font.setBold(true);
    p.setFont(font);
    const qreal radius = Px(4, scale_);
    for (int i = 0; i < TabCount; ++i) {
        const QRectF tab = QRectF(TabRect(i)).adjusted(0, 0.5, -1, -0.5);
        // A tab is open to the list on its left and rounded on the right.
        QPainterPath shape;
        shape.moveTo(tab.topLeft());
        shape.lineTo(tab.right() - radius, tab.top());
        shape.quadTo(tab.topRight(), QPointF(tab.right(), tab.top() + radius));
        shape.lineTo(tab.right(), tab.bottom() - radius);
        shape.quadTo(tab.bottomRight(), QPointF(tab.right() - radius, tab.bottom()));
        shape.lineTo(tab.bottomLeft());
        shape.closeSubpath();
        QColor fill = Colour::ButtonBack;
        QColor text = Colour::MutedText;
        if (i == current_) {
            fill = Colour::Focus;
            text = Qt::white;
        } else if (i == hot_) {
            fill = Colour::ButtonHover;
            text = Colour::Text;
        }
        p.setPen(QPen(Colour::PanelBorder, 1));
        p.setBrush(fill);
        p.drawPath(shape);
        p.setPen(text);
        p.drawText(tab, Qt::AlignCenter, TabText(i));
    }
}

void TLetterTabs::mousePressEvent(QMouseEvent *event)
{
    const int index = TabAt(event->position().toPoint());
    if (index < 0)
        return;
    pressed_ = true;
    SetCurrentIndex(index);
    emit TabPressed(index);
}

void TLetterTabs::mouseReleaseEvent(QMouseEvent *)
{
    if (!pressed_)
        return;
    pressed_ = false;
    emit TabReleased(current_);
}

void TLetterTabs::mouseMoveEvent(QMouseEvent *event)
{
    const int index = TabAt(event->position().toPoint());
    if (index != hot_) {
        hot_ = index;
        update();
    }
}

void TLetterTabs::leaveEvent(QEvent *)
{
    hot_ = -1;
    update();
}
