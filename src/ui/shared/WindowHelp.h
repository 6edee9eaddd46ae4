#pragma once
// Help on a window: the help context numbers that windows and controls carry, the HELP button's
// request and the F1 key. The requests go to the web help (app/MgrLockvexHelp.h).

#include "app/MgrLockvexHelp.h"

class QWidget;

// The dynamic property that holds a widget's help context number.
inline constexpr char HelpContextProperty[] = "helpContext";

void SetHelpContext(QWidget *widget, int context);
// The widget's own number; 0 when it has none.
int HelpContext(const QWidget *widget);
// The number a help request on the widget uses: its own, else the nearest enclosing control's,
// else its window's; 0 when none of them has one.
int HelpContextFor(const QWidget *widget);

// A window's HELP button: help on the window's own number, from the run's web help (none asked
// while there is none, as in a test without a session).
void ShowWindowHelp(QWidget *window, TWebHelpSystem *help);
// Gives the window F1 handling: help on the focused control as above, from the web help. A window
// calls it once, when it is created; further calls do nothing.
void InstallHelpKey(QWidget *window, TWebHelpSystem *help);
