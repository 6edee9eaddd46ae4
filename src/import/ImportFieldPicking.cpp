#include "import/ImportFieldPicking.h"

#include <algorithm>
#include <cstring>

namespace
{

constexpr char Quote = '"';

enum class QuoteState { ValueStart, Plain, Quoted };

// Reads the character at i (and the second quote of a doubled pair inside a quoted value, moving
// i onto it); true when it is a separator outside quoted values.
inline bool StepOver(const char *line, qsizetype size, qsizetype &i, char sep, QuoteState &state)
{
    const char c = line[i];
    if (state == QuoteState::Quoted) {
        if (c == Quote) {
            if (i + 1 < size && line[i + 1] == Quote)
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
    const char *data = line.constData();
    const qsizetype size = line.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (StepOver(data, size, i, sep, state))
            ++scan.Separators;
    }
    scan.EndsInsideQuotes = state == QuoteState::Quoted;
    return scan;
}

bool ClosesQuotedValue(QByteArrayView line, char sep)
{
    const qsizetype size = line.size();
    for (qsizetype i = line.indexOf(Quote); i >= 0; i = line.indexOf(Quote, i + 2)) {
        if (i + 1 < size && line[i + 1] == Quote)
            continue; // a quote of the value
        return i + 1 == size || line[i + 1] == sep;
    }
    return false;
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
    const char *data = line.constData();
    const qsizetype size = line.size();
    for (qsizetype i = 0; i + 1 < size; ++i) {
        if (StepOver(data, size, i, sep, state) && ++passed == column - 1) {
            pos = i + 1;
            return true;
        }
    }
    return false;
}

QByteArray ExtractCSVField(const QByteArray &line, qsizetype pos, char sep)
{
    pos = std::clamp<qsizetype>(pos, 0, line.size());
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
    QByteArray scratch;
    const CSVColumn column{pos, end < 0 ? line.size() : end};
    return CSVColumnValue(line, column, scratch).toByteArray();
}

// Reads the line as StepOver does, a value at a time: a quoted value runs to its closing quote
// and any other text to the next separator, both found with memchr.
CSVLineScan SplitCSVLine(QByteArrayView line, char sep, std::vector<CSVColumn> &columns)
{
    columns.clear();
    CSVLineScan scan;
    const char *data = line.data();
    const qsizetype size = line.size();
    CSVColumn column;
    qsizetype i = 0; // where a value begins
    for (;;) {
        if (i < size && data[i] == Quote) {
            // A doubled quote is a quote of the value; a single one closes it.
            qsizetype close = i + 1;
            for (;;) {
                const void *quote = close < size ? std::memchr(data + close, Quote, size - close) : nullptr;
                if (!quote) {
                    scan.EndsInsideQuotes = true;
                    break;
                }
                close = static_cast<const char *>(quote) - data;
                if (close + 1 < size && data[close + 1] == Quote) {
                    close += 2;
                    continue;
                }
                break;
            }
            if (scan.EndsInsideQuotes)
                break;
            i = close + 1;
        }
        const void *found = i < size ? std::memchr(data + i, sep, size - i) : nullptr;
        if (!found)
            break;
        const qsizetype at = static_cast<const char *>(found) - data;
        ++scan.Separators;
        column.End = at;
        columns.push_back(column);
        i = at + 1;
        column.Begin = i;
        // A separator that ends the line opens no further column.
        if (i == size)
            return scan;
    }
    column.End = size;
    columns.push_back(column);
    return scan;
}

QByteArrayView CSVColumnValue(QByteArrayView line, CSVColumn column, QByteArray &scratch)
{
    const char *data = line.data();
    qsizetype begin = column.Begin;
    qsizetype end = column.End;
    while (end > begin && static_cast<unsigned char>(data[end - 1]) <= 32)
        --end;
    while (begin < end && static_cast<unsigned char>(data[begin]) <= 32)
        ++begin;
    QByteArrayView value(data + begin, end - begin);
    // Only the one pair of enclosing quotes is removed, and only the quotes a CSV writer doubled
    // become single: every other character is the user's own (a password may well begin or end
    // with a quote or an apostrophe).
    if (value.size() >= 2 && value.front() == Quote && value.back() == Quote) {
        value = value.sliced(1, value.size() - 2);
        if (value.contains("\"\"")) {
            scratch = value.toByteArray();
            scratch.replace("\"\"", "\"");
            return scratch;
        }
    }
    return value;
}
