#pragma once
// The gradient band across the top of the program's windows: the product name, a line of text
// under it, room for a few controls (a HELP button) and the padlock at the right edge.
//
// The owner names the band and its two labels as its window describes them (for instance
// "LockvexLabel" and "LockvexTextLabel") and reads or sets their texts through the accessors.

#include <QFrame>

class QHBoxLayout;
class QLabel;

class THeaderBand : public QFrame
{
    Q_OBJECT

public:
    // scale: the window's drawing scale (LockvexStyle::WindowScale()).
    THeaderBand(const QString &title, const QString &text, QWidget *parent, double scale = 1.0);

    QLabel *TitleLabel() const { return title_; }
    QLabel *TextLabel() const { return text_; }
    // Puts a control on the band, right of the texts and left of the padlock, in call order.
    void AddTrailingWidget(QWidget *widget);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *title_ = nullptr;
    QLabel *text_ = nullptr;
    QHBoxLayout *trailing_ = nullptr;
};
