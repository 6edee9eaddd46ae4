#pragma once
// The column of 27 letter tabs ("*", "A" .. "Z") on the right edge of an entry list. The tabs
// share the column's height evenly and follow the pointer (hot tracking).
//
// Pressing a mouse button on a tab selects it and reports TabPressed; releasing the button
// reports TabReleased with the selected tab. The owner decides what a letter does (a jump in
// the full list) and sets the column back to "*" after its refresh.
//
// The keyboard: the column is one tab stop. The arrow keys (and Home, End) move a focus mark
// from tab to tab without acting, as in a tab list; Return, Enter or Space press the marked tab
// as a click does, and a letter or "*" typed presses its tab at once. Assistive tools see a tab
// list named "Jump to letter" with one tab per letter (TabName).

#include <QWidget>

class TLetterTabs : public QWidget
{
    Q_OBJECT

public:
    static constexpr int TabCount = 27;

    // scale: the window's drawing scale (LockvexStyle::WindowScale()).
    explicit TLetterTabs(QWidget *parent = nullptr, double scale = 1.0);

    // "*" for tab 0, "A" .. "Z" for tabs 1 .. 26; empty outside.
    static QString TabText(int index);
    int CurrentIndex() const { return current_; }
    // Selects a tab (out-of-range indexes are ignored); reports nothing.
    void SetCurrentIndex(int index);
    // The tab drawn and told as selected: the current one, or the tab last pressed by key or by an
    // assistive tool, which stays selected where its jump went until the owner selects a tab again.
    int SelectedIndex() const { return selected_; }
    QString CurrentText() const { return TabText(current_); }
    // The name assistive tools read for a tab: "All entries" for "*", "Letter A" .. "Letter Z".
    static QString TabName(int index);
    // The tab the keyboard's focus mark is on.
    int KeyIndex() const { return key_; }
    // Presses and releases a tab as a click does (out-of-range indexes are ignored).
    void ActivateTab(int index);
    // The tab under a point of the widget, or -1.
    int TabAt(const QPoint &point) const;
    // The rectangle a tab takes in the widget.
    QRect TabRect(int index) const;
    // The letters' font at the tabs' present height: their full size, smaller on short tabs so
    // that each letter stays inside its tab.
    QFont LetterFont() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void TabPressed(int index);
    void TabReleased(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    double scale_;
    int current_ = 0;
    int selected_ = 0;
    int hot_ = -1;
    bool pressed_ = false;
    int key_ = 0; // the keyboard's focus mark

    void MoveKeyIndex(int index);
};
