#include "import/ImportFieldPicking.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace
{

struct PickCase {
    const char *line;
    int column;
    char sep;
    const char *expected; // nullptr: the column is not found
};

// One column found and taken by itself, reading the line from its start.
QByteArray PickColumn(const QByteArray &line, int column, char sep)
{
    qsizetype pos = -1;
    if (!FindCSVColumn(line, column, sep, pos))
        return QByteArray("<none>");
    return ExtractCSVField(line, pos, sep);
}

QByteArray Pick(const PickCase &c)
{
    return PickColumn(c.line, c.column, c.sep);
}

// The same column through the line split once, as the import engine reads its records.
QByteArray PickFromSplit(const QByteArray &line, int column, char sep)
{
    std::vector<CSVColumn> columns;
    SplitCSVLine(line, sep, columns);
    if (column < 1 || static_cast<size_t>(column) > columns.size())
        return QByteArray("<none>");
    QByteArray scratch;
    return CSVColumnValue(line, columns[column - 1], scratch).toByteArray();
}

TEST(ImportFieldPicking, PicksAndCleansColumns)
{
    const PickCase cases[] = {
        {"Bank,,,,,,site7,id7,,pw", 1, ',', "Bank"},
        {"Bank,,,,,,site7,id7,,pw", 7, ',', "site7"},
        {"Bank,,,,,,site7,id7,,pw", 8, ',', "id7"},
        {"Bank,,,,,,site7,id7,,pw", 10, ',', "pw"},
        {"Bank,,,,,,site7,id7,,pw", 2, ',', ""},
        {"Bank,,,,,,site7,id7,,pw", 11, ',', nullptr},
        // a separator that ends the line opens no further column
        {"a,b,", 2, ',', "b"},
        {"a,b,", 3, ',', nullptr},
        // a quoted last column, and quoted columns holding the separator
        {"y,\"Beta, the second\"", 2, ',', "Beta, the second"},
        {"\"a,b\",c", 2, ',', "c"},
        {"\"a,b\",c", 1, ',', "a,b"},
        {"\"Smith, J\";\"x,y\";z", 2, ';', "x,y"},
        // a quote that does not begin a value is a plain character and hides no later column
        {"Monitor,12\" monitor,pw", 3, ',', "pw"},
        {"Monitor,12\" monitor,pw", 2, ',', "12\" monitor"},
        {"a,b\"c,d\"e,f", 4, ',', "f"},
        {"a,\"b,c\"d,e", 3, ',', "e"},
        // commas count for nothing in a semicolon line
        {"a,b;c", 2, ';', "c"},
        // blanks and control characters go from both ends; an enclosed value loses exactly its
        // one pair of quotes and its doubled quotes become single
        {"  \t\"Quoted \"\"inner\"\" name\"  ,x", 1, ',', "Quoted \"inner\" name"},
        {"x,\"say \"\"hi\"\"\"\"\",y", 2, ',', "say \"hi\"\""},
        {"x,\"\"\"pw\"\"\"", 2, ',', "\"pw\""},
        {"x,\"a\"\",b\",y", 2, ',', "a\",b"},
        {"x,\"\"", 2, ',', ""},
        // a value that is not enclosed keeps every character: quotes and apostrophes are the user's
        {"'pa55',x", 1, ',', "'pa55'"},
        {"x,pw'", 2, ',', "pw'"},
        {"x,'  spaced '", 2, ',', "'  spaced '"},
        {"x,ab\"\"c\",y", 2, ',', "ab\"\"c\""},
        {"x,\"", 2, ',', "\""},
        // a quote that never closes: the value runs to the end of the line, as it stands
        {"\"open, still open", 1, ',', "\"open, still open"},
        // columns below 1 do not exist; column 1 always does
        {"a,b", 0, ',', nullptr},
        {"a,b", -3, ',', nullptr},
        {"", 1, ',', ""},
    };
    for (const PickCase &c : cases) {
        const QByteArray expected(c.expected ? c.expected : "<none>");
        EXPECT_EQ(Pick(c), expected) << c.line << " column " << c.column;
        EXPECT_EQ(PickFromSplit(c.line, c.column, c.sep), expected) << "split: " << c.line << " column " << c.column;
    }
}

// The one-pass split against the column-by-column reading on generated lines made mostly of
// quotes, separators and blanks: the same separator count, the same open quote at the end and,
// for every column, the same value (or none).
TEST(ImportFieldPicking, SplitReadsEveryColumnAsTheColumnSearchDoes)
{
    static const char *const pieces[] = {"\"", "\"", "\"\"", ",", ",", ";", " ", "\t", "a", "bc", "'", "\x93", "\0"};
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> length(0, 24);
    std::uniform_int_distribution<size_t> piece(0, std::size(pieces) - 1);
    std::vector<CSVColumn> columns;
    for (int n = 0; n < 20000; ++n) {
        QByteArray line;
        for (int i = length(random); i > 0; --i) {
            const char *p = pieces[piece(random)];
            line.append(p, *p ? qsizetype(std::strlen(p)) : 1);
        }
        for (const char sep : {',', ';'}) {
            const CSVLineScan split = SplitCSVLine(line, sep, columns);
            const CSVLineScan scan = ScanCSVLine(line, sep);
            ASSERT_EQ(split.Separators, scan.Separators) << line.toHex().constData();
            ASSERT_EQ(split.EndsInsideQuotes, scan.EndsInsideQuotes) << line.toHex().constData();
            for (int column = 1; column <= scan.Separators + 2; ++column) {
                ASSERT_EQ(PickFromSplit(line, column, sep), PickColumn(line, column, sep))
                    << line.toHex().constData() << " column " << column << " sep " << sep;
            }
        }
    }
}

TEST(ImportFieldPicking, TakesAColumnWholeEvenWhenLong)
{
    // The record cuts it to its field; here an enclosed value keeps no stray quote however long.
    QByteArray line = "x,\"" + QByteArray(300, 'v') + "\",y";
    qsizetype pos = 0;
    ASSERT_TRUE(FindCSVColumn(line, 2, ',', pos));
    EXPECT_EQ(ExtractCSVField(line, pos, ','), QByteArray(300, 'v'));
}

TEST(ImportFieldPicking, CopesWithThousandsOfColumns)
{
    QByteArray line;
    for (int i = 1; i <= 5000; ++i)
        line += QByteArray::number(i) + ',';
    qsizetype pos = 0;
    ASSERT_TRUE(FindCSVColumn(line, 4321, ',', pos));
    EXPECT_EQ(ExtractCSVField(line, pos, ','), QByteArray("4321"));
    EXPECT_FALSE(FindCSVColumn(line, 5001, ',', pos));
    EXPECT_EQ(PickFromSplit(line, 4321, ','), QByteArray("4321"));
    EXPECT_EQ(PickFromSplit(line, 5001, ','), QByteArray("<none>"));
}

} // namespace
