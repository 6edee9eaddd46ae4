#pragma once
// Path and file-name splitting, the file-name builder, folder copy and wipe. The separator is "/".

#include <QString>

// Dir is the folder with a trailing "/" (the root gives «//», a bare name an empty Dir), Name the
// file name up to its first ".", Ext the text from its last "." on.
void SplitFileName(const QString &fullName, QString &dir, QString &name, QString &ext);
void SplitAtFirstDot(const QString &s, QString &ext, QString &base);
// SplitAtFirstDot for a path: only the file name is split at its first dot, never a folder of
// the path (home folders such as «/home/john.smith» are common). Base keeps the folder:
// «/home/john.smith/pw.backup.csv» gives «/home/john.smith/pw» and «backup.csv».
void SplitFileAtFirstDot(const QString &path, QString &ext, QString &base);
// LastName upper-cased (a-z only); Parent without its trailing "/": «/Tools» and «/» give an empty Parent.
void SplitLastFolder(const QString &path, QString &lastName, QString &parent);
QString BuildFileName(const QString &name, const QString &folder, const QString &subFolder, const QString &ext);
// Copies src over dst when dst is missing or older (two-second steps). True when the copy
// succeeded or none was due, a missing src included.
bool CopyNewerFile(const QString &src, const QString &dst);
// Creates dstFolder (one level) and copies every regular file of srcFolder that is missing or
// older there; subfolders are not entered. False when srcFolder cannot be listed or any copy failed.
bool CopyFolderFiles(const QString &srcFolder, const QString &dstFolder);
// Deletes the regular files of folder, then the folder itself when it is empty. Failures are ignored.
void DeleteFolder(const QString &folder);
