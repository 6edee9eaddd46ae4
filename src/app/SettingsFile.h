#pragma once
// The settings file is read and written by name through Qt's INI support, which opens whatever
// bears the name, waits on a pipe and writes through a link. Before every access the name is
// looked at: only a plain file (or no file yet) is used.

#include <QString>

// Whether the settings file may be opened by name: there is none yet, or it is a plain file.
// Anything else at the name (a link, a folder, a pipe, a device) is never read, written through
// or waited on: it is moved aside once, under «Lockvex.INI.set-aside-YYYYMMDD-HHMMSS», with a
// note on the error output, and the settings are the defaults until a write makes a new file.
// False when it could not be moved: it is left as it is, and the settings are not used.
bool SettingsFileUsable(const QString &path);
