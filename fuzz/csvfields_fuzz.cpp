// The CSV field routines on arbitrary bytes, with the properties that hold for every input:
// - DetectSeparator and CountSeparators agree on the count and (in opposite senses) on whether
//   the line ends inside quotes; the separator is the more frequent of "," and ";" outside quotes.
// - MarkCSVFieldEnds turns exactly the separators outside quotes into field ends, adds one end
//   when the line does not end with one, and changes nothing else.
// - CRLFToSemicolon then SemicolonToCRLF gives the text back when it held no ";", and each
//   answers whether it replaced anything.
// - QuoteCSVField then UnquoteCSVField gives the field back when it holds no line break, does not
//   begin or end with a quote and stays within a short string.
// - Log fields written by the log writer and read back by the log reader are the fields, trimmed,
//   each line break (CR LF, then a lone CR or LF) as one ";" and a NUL as "?", cut to the
//   capacity of the record field they fill.
//
// Input: the bytes are used as one line, as one field, and split at 0x1F as the fields of a
// log line.

#include "FuzzSupport.h"

#include "common/CsvFields.h"
#include "store/Lockvextypes.h"

using namespace fuzz_support;

namespace
{

constexpr char FieldSplit = 0x1F;

int CountOutside(const QByteArray &line, char wanted, bool &endsInside)
{
    int count = 0;
    endsInside = false;
    for (char c : line) {
        if (c == '"')
            endsInside = !endsInside;
        else if (!endsInside && c == wanted)
            ++count;
    }
    return count;
}

void CheckSeparators(const QByteArray &line)
{
    bool inside = false;
    const int commas = CountOutside(line, ',', inside);
    const int semicolons = CountOutside(line, ';', inside);
    int count = -1;
    char sep = 0;
    const bool endsOutside = DetectSeparator(line, count, sep);
    Require(endsOutside == !inside, "DetectSeparator: wrong end-of-line quote state");
    Require(sep == (semicolons > commas ? ';' : ','), "DetectSeparator: wrong separator");
    Require(count == std::max(commas, semicolons), "DetectSeparator: wrong count");
    int counted = -1;
    Require(CountSeparators(line, counted, sep) == inside, "CountSeparators: wrong end-of-line quote state");
    Require(counted == count, "CountSeparators and DetectSeparator disagree");
}

void CheckMarking(const QByteArray &line)
{
    if (line.contains('\0'))
        return; // a NUL already in the line cannot be told from a field end
    int count = 0;
    char sep = ',';
    DetectSeparator(line, count, sep);
    QByteArray marked = line;
    MarkCSVFieldEnds(marked);
    if (line.isEmpty()) {
        Require(marked.isEmpty(), "MarkCSVFieldEnds: an empty line changed");
        return;
    }
    Require(marked.endsWith('\0'), "MarkCSVFieldEnds: the line does not end with a field end");
    const bool appended = marked.size() == line.size() + 1;
    Require(appended || marked.size() == line.size(), "MarkCSVFieldEnds: the line changed length");
    Require(marked.count('\0') == count + (appended ? 1 : 0), "MarkCSVFieldEnds: wrong number of field ends");
    QByteArray restored = marked.left(line.size());
    restored.replace('\0', sep);
    Require(restored == line, "MarkCSVFieldEnds: changed more than the separators");
}

void CheckLineBreaks(const QByteArray &input)
{
    QByteArray text = input;
    Require(CRLFToSemicolon(text) == input.contains("\r\n"), "CRLFToSemicolon: wrong answer");
    Require(!text.contains("\r\n"), "CRLFToSemicolon: a CR LF is left");
    const bool hadSemicolon = text.contains(';');
    Require(SemicolonToCRLF(text) == hadSemicolon, "SemicolonToCRLF: wrong answer");
    Require(!text.contains(';'), "SemicolonToCRLF: a semicolon is left");
    if (!input.contains(';'))
        Require(text == input, "CRLFToSemicolon then SemicolonToCRLF does not give the text back");
}

void CheckQuoteRoundTrip(const QByteArray &input)
{
    QByteArray field = input;
    QuoteCSVField(field);
    if (input.contains("\r\n") || input.startsWith('"') || input.endsWith('"') || field.size() > 255)
        return;
    QByteArray back = field;
    UnquoteCSVField(back);
    Require(back == input, "UnquoteCSVField does not give back the field QuoteCSVField quoted");
}

// What a field reads back as: trimmed, line breaks as ";", NUL as "?".
QByteArray LogForm(const QByteArray &value)
{
    qsizetype start = 0, end = value.size();
    while (end > 0 && uint8_t(value[end - 1]) <= 32)
        --end;
    while (start < end && uint8_t(value[start]) <= 32)
        ++start;
    QByteArray text = value.mid(start, end - start);
    text.replace("\r\n", ";");
    text.replace('\r', ';');
    text.replace('\n', ';');
    text.replace('\0', '?');
    return text;
}

template <int N> void RequireField(const ShortString<N> &field, const QByteArray &expected, const char *what)
{
    Require(field.Bytes() == expected.left(N), what);
}

void CheckLogRoundTrip(const QByteArray &input)
{
    QList<QByteArray> values = input.split(FieldSplit);
    while (values.size() > LockvexCSVFieldCount)
        values.removeLast();
    for (QByteArray &value : values)
        value = value.left(255);
    QByteArray line;
    for (const QByteArray &value : values)
        line += LogFieldText(value) + ',';

    // Field by field, as the log reader splits and cleans them.
    QByteArray marked = line;
    MarkCSVFieldEnds(marked);
    QList<QByteArray> fields = marked.split('\0');
    fields.removeLast();
    Require(fields.size() == values.size(), "a log line reads back with another number of fields");
    for (qsizetype i = 0; i < values.size(); ++i)
        Require(LogFieldValue(fields[i]) == LogForm(values[i]), "a log field reads back changed");

    // Into a record, as the rebuild from the log reads it.
    V9LockvexData rec{};
    ReadLockvexLogLine(line, rec);
    const auto expected = [&](int column) { return column <= values.size() ? LogForm(values[column - 1]) : QByteArray(); };
    if (values.size() >= 1)
        RequireField(rec.RecHdr.Name, expected(1), "the name reads back changed");
    if (values.size() >= 2)
        RequireField(rec.RecHdr.NameTag, expected(2), "the name tag reads back changed");
    if (values.size() >= 7)
        RequireField(rec.URL, expected(7), "the address reads back changed");
    const Var31string *shortFields[] = {&rec.CustID,   &rec.PIN,       &rec.Password,  &rec.Question1,
                                        &rec.MemData1, &rec.Question2, &rec.MemData2,  &rec.Question3,
                                        &rec.MemData3, &rec.Question4, &rec.MemData4};
    for (int column = 8; column <= 18 && column <= values.size(); ++column)
        RequireField(*shortFields[column - 8], expected(column), "a short field reads back changed");
    if (values.size() >= 19)
        Require((rec.EntryPassword != 0) == (expected(19) == "Yes"), "the access password flag reads back changed");
    if (values.size() >= 20)
        RequireField(rec.AccountNotes, expected(20), "the notes read back changed");
    if (values.size() >= 21)
        Require((rec.AutoPWCopy != 0) == (expected(21) == "Yes"), "the copy flag reads back changed");
}

void WriteSeeds()
{
    WriteSeed("plain", "a,b,c");
    WriteSeed("semicolons-in-quotes", "a;b;c,\"x;y;z\"");
    WriteSeed("quotes", "\"say \"\"hi\"\"\",\"\"\"\"");
    // "|" stands for the field split of the log line check
    const auto fields = [](const char *text) { return QByteArray(text).replace('|', FieldSplit); };
    WriteSeed("line-breaks", fields("  one\r\ntwo\rthree\nfour ||Bank, \"main\"|?nul|Yes").replace('?', '\0'));
    WriteSeed("open-quote", "a,\"b,c");
    WriteSeed("fields", fields("Name|Tag|12|-1|46090||http://x|id|pin|p;w|q1|a1|q2|a2|q3|a3|q4|a4|Yes|note;s|No"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (SeedFolder().isEmpty())
        return 0;
    WriteSeeds();
    std::exit(0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    CheckSeparators(input);
    CheckMarking(input);
    CheckLineBreaks(input);
    CheckQuoteRoundTrip(input);
    CheckLogRoundTrip(input);
    return 0;
}
