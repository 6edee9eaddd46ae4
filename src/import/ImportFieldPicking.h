#pragma once
// Picking one column out of a CSV line of the import file, and cleaning the value found there.
// Positions count from 0.

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// How the import reads the quotes of a line. A quote opens a quoted value only where a value
// begins: at the start of the line or straight after a separator. Inside a quoted value a doubled
// quote is a quote of the value and a single one closes it. Any other quote is a plain
// character, as CSV writers mean it (12" monitor); the program's own log never writes one.
struct CSVLineScan {
    int Separators = 0;            // separators outside quoted values
    bool EndsInsideQuotes = false; // a quoted value goes on in the next line
};
// startsInsideQuotes: the line goes on with a quoted value of the line before it.
CSVLineScan ScanCSVLine(const QByteArray &line, char sep, bool startsInsideQuotes = false);

// For a line that goes on with a quoted value of the line before it: true when the value ends
// in this line, that is when its first quote that is not one of a doubled pair stands right
// before a separator or at the line's end. A line whose first such quote is followed by other
// text, or that holds none, does not end the value.
bool ClosesQuotedValue(QByteArrayView line, char sep);

// Finds where column `column` (counted from 1) begins: just after the (column - 1)-th `sep`
// outside quoted values, read as ScanCSVLine reads them. The last character of the line is not
// looked at, so a separator that ends the line opens no further column. False when the line has
// too few separators or the column is below 1.
bool FindCSVColumn(const QByteArray &line, int column, char sep, qsizetype &pos);

// The value of the column that begins at `pos`, whole: the entry record cuts it to its field
// later, and the import tells the user which fields were cut. A value that opens with a quote
// character runs up to its closing quote (not one of a doubled pair) and the separator after
// it; any other value up to the first `sep`. Blanks and control characters are trimmed off
// both ends. A value then enclosed in quotes loses exactly that pair and each doubled quote
// inside it becomes one; any other value keeps every character, quotes and apostrophes too.
QByteArray ExtractCSVField(const QByteArray &line, qsizetype pos, char sep);

// Where one column of a line lies: from Begin up to End, the separator after it or the line's end.
struct CSVColumn {
    qsizetype Begin = 0;
    qsizetype End = 0;
};

// Reads the line once, as ScanCSVLine does, and gives every column in `columns`: column c
// (counted from 1) is columns[c - 1], beginning where FindCSVColumn finds it and ending where
// ExtractCSVField ends its value. The first column always exists, even in an empty line.
CSVLineScan SplitCSVLine(QByteArrayView line, char sep, std::vector<CSVColumn> &columns);

// The value of one column as ExtractCSVField gives it. The value is a view of the line, or of
// `scratch` when doubled quotes had to become single; it is valid until either changes.
QByteArrayView CSVColumnValue(QByteArrayView line, CSVColumn column, QByteArray &scratch);
