#pragma once
// What every window of the program has around its own controls: the header band with the
// product name, a line of text and the HELP button; help on the window's own number from that
// button and from F1; the window's name for assistive tools; the program's look. Its place on
// the screen comes from WindowPlacement (ui/shared/WindowPlacement.h). A window builds its
// controls between these calls and names them as it describes them.

#include <QString>

#include <functional>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;
class THeaderBand;
class TWebHelpSystem;

namespace WindowFrame
{

// The band at the top of a window and what it holds. The labels are named "LockvexLabel" and
// "LockvexTextLabel", the button "LockvexHelpBtn"; a window that describes them by other names
// renames them.
struct THeader {
    THeaderBand *Band = nullptr; // named "HeaderBand"
    QLabel *Title = nullptr;     // "Lockvex"
    QLabel *Text = nullptr;      // the line under it; hidden when the window gives none
    QPushButton *HelpBtn = nullptr;
};

// The window's outer layout: a column from edge to edge, the header band at its top.
QVBoxLayout *MakeRoot(QWidget &window);

// Builds the band for the window. onHelp runs when HELP is pressed (a window asks for help on its
// own number, ShowWindowHelp); without a HELP button when withHelp is false.
THeader MakeHeader(QWidget &window, const QString &text, double scale, std::function<void()> onHelp = {},
                   bool withHelp = true);

// The window's help context number, F1 for help on the focused control from the run's web help,
// and the name assistive tools read for the window (none set when empty).
void SetUp(QWidget &window, TWebHelpSystem *help, int helpContext, const QString &accessibleName = QString());

// The program's look at the window's scale, with the window's own rules after the shared ones
// (written with the style's colour names, see LockvexStyle::Sheet).
void ApplyLook(QWidget &window, double scale, const QString &ownRules = QString());

// A push button with its object name: it does not take Return from the window's default button,
// and the pointer over it shows that it can be pressed.
QPushButton *MakeButton(QWidget *parent, const char *name, const QString &text);

// The row at the foot of a small window: its one button at the right.
QHBoxLayout *ButtonRow(QWidget *button);

} // namespace WindowFrame
