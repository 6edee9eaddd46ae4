#pragma once
// The program's window for the mode it runs in, shown after a successful sign-in and run until
// it closes: the main window in normal mode, the quick list on a memory stick. The window is wired into the program: an ending
// signal runs its save-and-close, catalogue messages are centred over it.

class LockvexSession;
class QApplication;

int RunProgramWindows(QApplication &app, LockvexSession &session);
