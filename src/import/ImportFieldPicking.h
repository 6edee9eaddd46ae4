#pragma once
// Picking one column out of a CSV line of the import file, and cleaning the value found there.
// Positions count from 0.

#include <QByteArray>

// Finds where column `column` (counted from 1) begins: just after the (column - 1)-th `sep`
// outside quotes, where every quote character flips the inside-quotes state. The last
// character of the line is not looked at, so a separator that ends the line opens no further
// column. False when the line has too few separators or the column is below 1.
bool FindCSVColumn(const QByteArray &line, int column, char sep, qsizetype &pos);

// The value of the column that begins at `pos`, whole: the entry record cuts it to its field
// later, and the import tells the user which fields were cut. A value that opens with a quote
// character runs up to its closing quote (not one of a doubled pair) and the separator after
// it; any other value up to the first `sep`. Blanks and control characters are trimmed off
// both ends. A value then enclosed in quotes loses exactly that pair and each doubled quote
// inside it becomes one; any other value keeps every character, quotes and apostrophes too.
QByteArray ExtractCSVField(const QByteArray &line, qsizetype pos, char sep);
