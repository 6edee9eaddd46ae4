#pragma once
// The import's private folder: the view copies of import files are written there, never beside
// the import file, where «name.txt» could be a file of the user's. It lies in the home folder's
// cache (not in the data folder, which a cloud client may synchronise), is readable by its owner
// only, and is deleted when the program ends and, when a killed run left it, at the next start.

#include <QString>

// The folder's path: «<home>/.cache/lockvex-import»; empty while the home folder is unknown.
QString ImportViewFolder();
// Makes the folder, owner-only (0700), and answers its path; empty when it cannot be made.
QString CreateImportViewFolder();
// Deletes the folder and everything in it. Failures are ignored.
void RemoveImportViewFolder();
// Copies the import file to target, a file that only its owner may read or write (0600),
// replacing an earlier copy. Answers an empty text, or the reason for the user when it failed;
// nothing of a failed copy is left.
QString WriteImportViewCopy(const QString &importFile, const QString &target);
