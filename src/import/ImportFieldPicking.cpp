#include "import/ImportFieldPicking.h"

#include "common/CsvFields.h"
#include "common/TextRoutines.h"

namespace
{

constexpr char Quote = '"';
constexpr char Apostrophe = '\'';

// The character stands at the start or at the end of the value.
bool AtEitherEnd(const QByteArray &value, char ch)
{
    return value.startsWith(ch) || value.endsWith(ch);
}

} // namespace

bool FindCSVColumn(const QByteArray &line, int column, char sep, qsizetype &pos)
{
    if (column < 1)
        return false;
    if (column == 1) {
        pos = 0;
        return true;
    }
    int passed = 0;
    bool inside = false;
    for (qsizetype i = 0; i + 1 < line.size(); ++i) {
        char c = line[i];
        if (c == Quote)
            inside = !inside;
        else if (!inside && c == sep && ++passed == column - 1) {
            pos = i + 1;
            return true;
        }
    }
    return false;
}

QByteArray ExtractCSVField(const QByteArray &line, qsizetype pos, char sep)
{
    QByteArray value = line.mid(pos, ImportFieldMaxLength);
    if (value.startsWith(Quote)) {
        // A quoted value ends at the first quote that a separator follows; without one it
        // runs to the end of what was taken.
        for (qsizetype i = 0; i + 1 < value.size(); ++i) {
            if (value[i] == Quote && value[i + 1] == sep) {
                value.truncate(i + 1);
                break;
            }
        }
    } else {
        qsizetype end = value.indexOf(sep);
        if (end >= 0)
            value.truncate(end);
    }
    value = TrimBlanks(value);
    // Most values have nothing to trim or unquote, and the routines copy what they are given.
    if (AtEitherEnd(value, Quote))
        value = TrimChar(value, Quote);
    // Spreadsheets mark a cell as text with an apostrophe in front.
    if (AtEitherEnd(value, Apostrophe))
        value = TrimChar(value, Apostrophe);
    if (value.contains(Quote))
        UnquoteCSVField(value);
    return value;
}
