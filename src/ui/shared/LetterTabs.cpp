#include "ui/shared/LetterTabs.h"

#include "ui/shared/Accessibility.h"
#include "ui/shared/LockvexStyle.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using namespace LockvexStyle;

TLetterTabs::TLetterTabs(QWidget *parent, double scale) : QWidget(parent), scale_(scale)
{
    Accessibility::InstallInterfaces();
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    // Reached by Tab; a click acts on its tab without taking the focus from where the user works.
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(QStringLiteral("Jump to letter"));
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

QString TLetterTabs::TabName(int index)
{
    if (index == 0)
        return QStringLiteral("All entries");
    const QString letter = TabText(index);
    return letter.isEmpty() ? QString() : QStringLiteral("Letter ") + letter;
}

void TLetterTabs::ActivateTab(int index)
{
    if (index < 0 || index >= TabCount)
        return;
    SetCurrentIndex(index);
    emit TabPressed(index);
    // The owner refuses the jump by selecting another tab before the release.
    const bool taken = current_ == index;
    emit TabReleased(current_);
    // The owner's refresh selects "*" again; by key the tab jumped to stays marked as selected,
    // under the focus mark, as a tab list shows it.
    if (taken && selected_ != index) {
        selected_ = index;
        update();
    }
}

void TLetterTabs::SetCurrentIndex(int index)
{
    if (index < 0 || index >= TabCount || (index == current_ && index == selected_))
        return;
    current_ = selected_ = index;
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
    // Short enough for the smallest screens, tall enough for a letter of 10 px with a pixel of
    // room above and below it.
    return QSize(Px(24, scale_), Px(13, scale_) * TabCount);
}

QFont TLetterTabs::LetterFont() const
{
    QFont letters = font();
    const int tabHeight = height() / TabCount;
    letters.setPixelSize(qMax(1, qMin(Px(11, scale_), tabHeight - Px(3, scale_))));
    letters.setBold(true);
    return letters;
}

void TLetterTabs::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(LetterFont());
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
        const bool marked = hasFocus() && i == key_;
        QColor text = Colour::MutedText;
        if (i == selected_) {
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
        if (marked) {
            // The focus mark: a ring inside the tab, white on the selected tab's own colour.
            const qreal ring = Px(2, scale_);
            p.setPen(QPen(i == selected_ ? QColor(Qt::white) : Colour::FocusRing, ring));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(tab.adjusted(ring / 2 + 1, ring / 2, -ring / 2 - 1, -ring / 2), radius / 2, radius / 2);
        }
    }
}

void TLetterTabs::MoveKeyIndex(int index)
{
    index = qBound(0, index, TabCount - 1);
    if (index == key_)
        return;
    key_ = index;
    update();
    if (hasFocus() && QAccessible::isActive()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(key_);
        QAccessible::updateAccessibility(&focus);
    }
}

void TLetterTabs::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        MoveKeyIndex(key_ - 1);
        return;
    case Qt::Key_Down:
    case Qt::Key_Right:
        MoveKeyIndex(key_ + 1);
        return;
    case Qt::Key_Home:
    case Qt::Key_PageUp:
        MoveKeyIndex(0);
        return;
    case Qt::Key_End:
    case Qt::Key_PageDown:
        MoveKeyIndex(TabCount - 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        ActivateTab(key_);
        return;
    default:
        break;
    }
    // A letter or "*" typed presses its tab.
    const QString typed = event->text().toUpper();
    for (int i = 0; typed.size() == 1 && i < TabCount; ++i) {
        if (TabText(i) == typed) {
            MoveKeyIndex(i);
            ActivateTab(i);
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void TLetterTabs::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void TLetterTabs::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
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
