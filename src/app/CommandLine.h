#pragma once
// The program's command line. "--help" and "--version" print and end the program before it
// touches any file or opens a window; an option it does not know, or an argument, prints the usage
// and ends it with status 2. The options of Qt's own GUI (-platform, -display, -style and the
// like) pass through to the application object.

#include <optional>

// Reads the command line. Empty: start the program; otherwise end it at once with this status.
std::optional<int> HandleCommandLine(int argc, char *argv[]);
