#pragma once
// 8-bit text is Windows-1252 whatever the locale. Every byte 0x00-0xFF maps to one Unicode
// character and back; a character the code page cannot hold becomes "?".

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace win1252 {

QString ToUnicode(QByteArrayView bytes);
QByteArray FromUnicode(const QString &text);
// The Unicode character of one byte, and the byte of one character ('?' when it has none).
QChar CharOf(unsigned char byte);
char ByteOf(QChar ch);

} // namespace win1252
