#include "import/ImportFieldPicking.h"

#include "common/CsvFields.h"
#include "common/TextRoutines.h"

namespace
{

constexpr char Quote = '"';

enum class QuoteState { ValueStart, Plain, Quoted };

// Reads the character at i (and the second quote of a doubled pair inside a quoted value, moving
// i onto it); true when it is a separator outside quoted values.
bool StepOver(const QByteArray &line, qsizetype &i, char sep, QuoteState &state)
{
    const char c = line[i];
    if (state == QuoteState::Quoted) {
        if (c == Quote) {
            if (i + 1 < line.size() && line[i + 1] == Quote)
                ++i;
            else
                state = QuoteState::Plain; // whatever follows up to the separator is plain text
        }
        return false;
    }
    if (c == sep) {
        state = QuoteState::ValueStart;
        return true;
    }
    state = c == Quote && state == QuoteState::ValueStart ? QuoteState::Quoted : QuoteState::Plain;
    return false;
}

} // namespace

CSVLineScan ScanCSVLine(const QByteArray &line, char sep, bool startsInsideQuotes)
{
    CSVLineScan scan;
    QuoteState state = startsInsideQuotes ? QuoteState::Quoted : QuoteState::ValueStart;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (StepOver(line, i, sep, state))
            ++scan.Separators;
    }
    scan.EndsInsideQuotes = state == QuoteState::Quoted;
    return scan;
}

bool FindCSVColumn(const QByteArray &line, int column, char sep, qsizetype &pos)
{
    if (column < 1)
        return false;
    if (column == 1) {
        pos = 0;
        return true;
    }
    int passed = 0;
    QuoteState state = QuoteState::ValueStart;
    for (qsizetype i = 0; i + 1 < line.size(); ++i) {
        if (StepOver(line, i, sep, state) && ++passed == column - 1) {
            pos = i + 1;
            return true;
        }
    }
    return false;
}

QByteArray ExtractCSVField(const QByteArray &line, qsizetype pos, char sep)
{
    qsizetype end = -1;
    if (pos < line.size() && line[pos] == Quote) {
        // An enclosed value runs to its closing quote (a doubled quote is a quote of the value,
        // not the end), then to the separator after it; without a closing quote, to the end.
        for (qsizetype i = pos + 1; i < line.size(); ++i) {
            if (line[i] != Quote)
                continue;
            if (i + 1 < line.size() && line[i + 1] == Quote) {
                ++i;
                continue;
            }
            end = line.indexOf(sep, i + 1);
            break;
        }
    } else {
        end = line.indexOf(sep, pos);
    }
    QByteArray value = TrimBlanks(line.mid(pos, end < 0 ? -1 : end - pos));
    // Only the one pair of enclosing quotes is removed, and only the quotes a CSV writer doubled
    // become single: every other character is the user's own (a password may well begin or end
    // with a quote or an apostrophe).
    if (value.size() >= 2 && value.startsWith(Quote) && value.endsWith(Quote)) {
        value = value.mid(1, value.size() - 2);
        value.replace("\"\"", "\"");
    }
    return value;
}
