#pragma once
// 8-bit text is Windows-1252 whatever the locale. Every byte 0x00-0xFF maps to one Unicode
// character and back; a character the code page cannot hold becomes "?".

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace win1252
{

QString ToUnicode(QByteArrayView bytes);
// unmappable: the byte of a character the code page cannot hold.
QByteArray FromUnicode(const QString &text, char unmappable = '?');
// The Unicode character of one byte, and the byte of one character ('?' when it has none).
QChar CharOf(unsigned char byte);
char ByteOf(QChar ch);
// Whether the code page holds the character, so that it comes back from the 8-bit text as it was.
// Half of a pair of UTF-16 units (a character outside the basic plane) never.
bool Holds(QChar ch);
// Whether every character of text comes back from the 8-bit text as it was.
bool HoldsAll(QStringView text);

} // namespace win1252
