#pragma once
// Trimming, the password rating pieces, the random password and number reading.
// 8-bit text is a QByteArray of Windows-1252 bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

inline constexpr char PasswordAlphabet[] = "1234567890abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

QByteArray TrimChar(const QByteArray &s, char ch);
QByteArray StripNumerics(const QByteArray &s);
int MatchBalance(const QByteArray &a, const QByteArray &b);
int NumericBalance(const QByteArray &s);
QString RandomPassword();
int StrToIntOrOne(const QByteArray &s);
// Trims every character with a code up to 32 at both ends (the store's and the log's trimming).
QByteArray TrimBlanks(const QByteArray &s);
QByteArrayView TrimmedBlankBytes(QByteArrayView s); // the same, as a view into s
// Upper-cases with the plain ASCII rule: only a-z change.
QByteArray AsciiUpper(const QByteArray &s);
QString AsciiUpper(const QString &s);
