#pragma once
// What the keyboard and assistive tools (screen readers) need beyond what the controls tell by
// themselves: pictures kept out of the accessibility tree, clickable pictures reported as links,
// windows reported as windows under a readable name, the letter tabs as a tab list with one tab
// per letter, and Return pressing the focused button in every window.
//
// The controls' own names are set where they are built (setAccessibleName, QLabel::setBuddy);
// this module holds the interfaces Qt has no ready form for. They are installed the first time a
// helper here (or a letter tab column) is used, before any window is shown.

class QKeyEvent;
class QLabel;
class QString;
class QWidget;

namespace Accessibility
{

// Installs the program's accessible interfaces once; later calls do nothing.
void InstallInterfaces();

// A picture or control that only decorates, or that only exists for an accelerator key:
// assistive tools are told it is not there (not showing, no name, not focusable).
void HideFromAssistiveTools(QWidget *widget);

// A picture that acts when clicked: reported as a link of this name and reached by Tab. The
// window presses it on the keys of IsPressKey, as it does on a click.
void MakeLink(QLabel *picture, const QString &name);

// The window's name for assistive tools; its title stays what it is. A window built on a plain
// widget is reported as a window rather than as a filler.
void NameWindow(QWidget *window, const QString &name);

// Return and Enter press the focused push button of the window (Space already does).
void PressFocusedButtonOnEnter(QWidget *window);

// Return, Enter or Space without a modifier (other than the keypad's).
bool IsPressKey(const QKeyEvent *event);

} // namespace Accessibility
