#pragma once
// CSV field routines on 8-bit text (QByteArray of Windows-1252 bytes). The separator is ","
// or ";", the quote the double quote, a line break inside a field travels as ";", and a
// prepared line ends each field with a NUL byte.

#include <QByteArray>

bool DetectSeparator(const QByteArray &line, int &count, char &sep);
bool CountSeparators(const QByteArray &line, int &count, char sep);
bool CRLFToSemicolon(QByteArray &s);
bool SemicolonToCRLF(QByteArray &s);
void QuoteCSVField(QByteArray &field);
void UnquoteCSVField(QByteArray &field);
void MarkCSVFieldEnds(QByteArray &line);
void NulToComma(QByteArray &line);
