#pragma once
// Path and file-name splitting, the file-name builder, folder copy and wipe. The separator is "/".

#include <QString>

void SplitFileName(const QString &fullName, QString &dir, QString &name, QString &ext);
void SplitAtFirstDot(const QString &s, QString &ext, QString &base);
void SplitLastFolder(const QString &path, QString &lastName, QString &parent);
QString BuildFileName(const QString &name, const QString &folder, const QString &subFolder, const QString &ext);
bool CopyNewerFile(const QString &src, const QString &dst);
bool CopyFolderFiles(const QString &srcFolder, const QString &dstFolder);
void DeleteFolder(const QString &folder);
