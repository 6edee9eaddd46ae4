#include "common/CsvFields.h"

#include "common/TextRoutines.h"

namespace
{

constexpr char Quote = '"';
constexpr char Nul = '\0';
constexpr int ShortStringMax = 255;

// Counts one character outside quotes, where every quote character flips the inside-quotes
// state. Returns true when the line ends inside quotes.
bool CountOutsideQuotes(const QByteArray &line, char wanted, int &count)
{
    bool inside = false;
    count = 0;
    for (char c : line) {
        if (c == Quote)
            inside = !inside;
        else if (!inside && c == wanted)
            ++count;
    }
    return inside;
}

} // namespace

bool DetectSeparator(const QByteArray &line, int &count, char &sep)
{
    int commas = 0, semicolons = 0;
    bool endsInside = CountOutsideQuotes(line, ',', commas);
    CountOutsideQuotes(line, ';', semicolons);
    if (commas >= semicolons) {
        sep = ',';
        count = commas;
    } else {
        sep = ';';
        count = semicolons;
    }
    return !endsInside;
}

bool CountSeparators(const QByteArray &line, int &count, char sep)
{
    return CountOutsideQuotes(line, sep, count);
}

bool CRLFToSemicolon(QByteArray &s)
{
    if (!s.contains("\r\n"))
        return false;
    s.replace("\r\n", ";");
    return true;
}

bool SemicolonToCRLF(QByteArray &s)
{
    if (!s.contains(';'))
        return false;
    s.replace(";", "\r\n");
    return true;
}

void QuoteCSVField(QByteArray &field)
{
    bool needQuotes = CRLFToSemicolon(field);
    if (field.contains(Quote)) {
        field.replace("\"", "\"\"");
        needQuotes = true;
    }
    if (needQuotes || field.contains(','))
        field = Quote + field + Quote;
}

void UnquoteCSVField(QByteArray &field)
{
    field = TrimChar(field.left(ShortStringMax), Quote);
    QByteArray result;
    result.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        // A doubled quote keeps one quote character; the scan goes on after the one kept.
        if (field[i] == Quote && i + 1 < field.size() && field[i + 1] == Quote)
            ++i;
        result.append(field[i]);
    }
    field = result;
}

void MarkCSVFieldEnds(QByteArray &line)
{
    int count = 0;
    char sep = ',';
    DetectSeparator(line, count, sep);
    bool inside = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (!inside) {
            if (c == Quote)
                inside = true;
            else if (c == sep)
                line[i] = Nul;
        } else if (c == Quote) {
            if (i + 1 < line.size() && line[i + 1] == Quote)
                ++i; // a literal quote inside the field
            else
                inside = false;
        }
    }
    if (!line.isEmpty() && !line.endsWith(Nul))
        line.append(Nul);
}

void NulToComma(QByteArray &line)
{
    line.replace(Nul, ',');
}
