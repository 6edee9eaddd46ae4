#pragma once
// Draws the lines of the password chooser: line 0 (" All Passwords") as its text alone, every
// other line as a check mark, ticked when the password is an access password, and the password
// beside it. Every line is as high as the check mark's picture.

#include <QPixmap>
#include <QStyledItemDelegate>

#include <functional>

class TPasswordChooserDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // isAccessPassword answers for a line whether its password is an access password.
    TPasswordChooserDelegate(const QPixmap &checked, const QPixmap &unchecked,
                             std::function<bool(int row)> isAccessPassword, QObject *parent = nullptr);

    // Where the parts of a line stand, relative to the line's top left corner.
    static constexpr int MarkLeft = 1, MarkTop = 1; // the check mark
    static constexpr int TextGap = 3;               // between the mark and the password
    static constexpr int TextTop = 2;               // the text, from the line's top

    int LineHeight() const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QPixmap checked_;
    QPixmap unchecked_;
    std::function<bool(int)> isAccessPassword_;
};
