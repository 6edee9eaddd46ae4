#pragma once
// Picking one column out of a CSV line of the import file, and cleaning the value found there.
// Positions count from 0.

#include <QByteArray>

// The longest value taken from a column, before the entry record cuts it to its field.
inline constexpr int ImportFieldMaxLength = 255;

// Finds where column `column` (counted from 1) begins: just after the (column - 1)-th `sep`
// outside quotes, where every quote character flips the inside-quotes state. The last
// character of the line is not looked at, so a separator that ends the line opens no further
// column. False when the line has too few separators or the column is below 1.
bool FindCSVColumn(const QByteArray &line, int column, char sep, qsizetype &pos);

// The value of the column that begins at `pos`: at most 255 characters; a value that opens
// with a quote character runs up to the first quote followed by `sep`, any other up to the
// first `sep`. Blanks and control characters, quote characters and apostrophes are trimmed
// off both ends, and each doubled quote inside becomes one.
QByteArray ExtractCSVField(const QByteArray &line, qsizetype pos, char sep);
