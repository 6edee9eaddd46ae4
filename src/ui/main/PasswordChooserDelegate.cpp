#include "ui/main/PasswordChooserDelegate.h"

#include <QApplication>
#include <QPainter>

namespace
{

QSize LogicalSize(const QPixmap &pixmap)
{
    return (QSizeF(pixmap.size()) / pixmap.devicePixelRatio()).toSize();
}

} // namespace

TPasswordChooserDelegate::TPasswordChooserDelegate(const QPixmap &checked, const QPixmap &unchecked,
                                                   std::function<bool(int)> isAccessPassword, QObject *parent)
    : QStyledItemDelegate(parent), checked_(checked), unchecked_(unchecked),
      isAccessPassword_(std::move(isAccessPassword))
{
}

int TPasswordChooserDelegate::LineHeight() const
{
    return LogicalSize(checked_).height();
}

void TPasswordChooserDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const
{
    QStyleOptionViewItem look = option;
    initStyleOption(&look, index);
    const QRect line = option.rect;

    painter->save();
    // The line's background and its highlight when picked, in the view's own look.
    look.text.clear();
    const QWidget *view = option.widget;
    QStyle *style = view ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &look, painter, view);

    int textLeft = line.left();
    if (index.row() > 0) {
        const bool access = isAccessPassword_ && isAccessPassword_(index.row());
        const QPixmap &mark = access ? checked_ : unchecked_;
        const QPoint markAt(line.left() + MarkLeft, line.top() + MarkTop);
        painter->drawPixmap(markAt, mark);
        textLeft = markAt.x() + LogicalSize(mark).width() + TextGap;
    }
    const bool picked = option.state & QStyle::State_Selected;
    painter->setPen(option.palette.color(QPalette::Normal, picked ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(look.font);
    const QRect textRect(textLeft, line.top() + TextTop, line.right() - textLeft, line.height() - TextTop);
    const QString text = index.data(Qt::DisplayRole).toString();
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      look.fontMetrics.elidedText(text, Qt::ElideRight, textRect.width()));
    painter->restore();
}

QSize TPasswordChooserDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize text = QStyledItemDelegate::sizeHint(option, index);
    const int markWidth = LogicalSize(checked_).width() + MarkLeft + TextGap;
    // Fixed line height: every line as high as the mark, whatever its text.
    return QSize(text.width() + markWidth, qMax(LineHeight(), option.fontMetrics.height() + TextTop));
}
