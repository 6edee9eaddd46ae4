#pragma once
// Text rules the entry managers share with the store: blanks are every character with a code up
// to 32, and a name is compared in the form the record stores it.

#include <QString>
#include <QStringView>

#include <array>

// Removes every character with a code up to 32 at both ends.
QString TrimBlankChars(const QString &text);
QStringView TrimmedBlankView(QStringView text); // the same, without a copy
// The name as a record stores it: converted to Windows-1252 (a character it cannot hold
// becomes "?") and cut to the name field's 111 characters.
QString StoredNameText(const QString &name);
// Whether an entry's field keeps the character as it is: the data file's code page holds it and
// it is no control character. The notes keep their line breaks and tabs as well, but no ";",
// which their stored form gives back as a line break.
bool EntryFieldKeeps(QChar ch, bool notes);
// The same for each byte of Windows-1252 text (the import's fields), indexed by the byte: a
// table made once, since the import asks it of every byte it reads.
const std::array<bool, 256> &EntryFieldKeptBytes(bool notes);
// The first character of text that the field does not keep; -1 when it keeps them all.
qsizetype FirstUnkeptChar(QStringView text, bool notes);
// Line breaks as the record keeps them: every lone LF or CR becomes CR LF, so that each break
// is stored as one ";" and reads back as a break.
QString WithCRLFBreaks(const QString &text);
// Whether text, upper-cased by the plain ASCII rule, contains upperNeedle (already upper-cased)
// or equals it; without making the upper-cased copy.
bool ContainsAsciiUpper(QStringView text, QStringView upperNeedle);
bool EqualsAsciiUpper(QStringView text, QStringView upperNeedle);
