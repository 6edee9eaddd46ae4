#include "common/CsvFields.h"

#include <gtest/gtest.h>

namespace
{

const QByteArray Q("\"");
const QByteArray Nul(1, '\0');

TEST(CsvFields, DetectSeparatorCountsOutsideQuotes)
{
    struct Case {
        QByteArray line;
        int count;
        char sep;
        bool endsOutside;
    } cases[] = {
        {"a;b;c," + Q + "x;y;z" + Q, 2, ';', true},
        {"a,b;c", 1, ',', true}, // a tie chooses the comma
        {Q, 0, ',', false},
        {"", 0, ',', true},
        {"a;b;" + Q + "c,d,e", 2, ';', false},
        {Q + "a,b" + Q + Q + ",c" + Q + ";d", 1, ';', true}, // a doubled quote flips twice
    };
    for (const Case &c : cases) {
        int count = -5;
        char sep = 'x';
        EXPECT_EQ(DetectSeparator(c.line, count, sep), c.endsOutside) << c.line.constData();
        EXPECT_EQ(count, c.count) << c.line.constData();
        EXPECT_EQ(sep, c.sep) << c.line.constData();
    }
}

TEST(CsvFields, CountSeparatorsTellsWhenAQuotedFieldGoesOn)
{
    struct Case {
        QByteArray line;
        char sep;
        int count;
        bool continues;
    } cases[] = {
        {"a," + Q + "b,c", ',', 1, true},
        {"", ',', 0, false},
        {"a;b;" + Q + ";" + Q, ';', 2, false},
        {"a,b;c", ';', 1, false},
    };
    for (const Case &c : cases) {
        int count = -5;
        EXPECT_EQ(CountSeparators(c.line, count, c.sep), c.continues) << c.line.constData();
        EXPECT_EQ(count, c.count) << c.line.constData();
    }
}

TEST(CsvFields, LineBreaksTravelAsSemicolons)
{
    QByteArray s("one\r\ntwo\r\rthree\n\r\n");
    EXPECT_TRUE(CRLFToSemicolon(s));
    EXPECT_EQ(s, QByteArray("one;two\r\rthree\n;"));
    QByteArray plain("no breaks\r here\n");
    EXPECT_FALSE(CRLFToSemicolon(plain));
    EXPECT_EQ(plain, QByteArray("no breaks\r here\n"));

    QByteArray back("a;b;");
    EXPECT_TRUE(SemicolonToCRLF(back));
    EXPECT_EQ(back, QByteArray("a\r\nb\r\n"));
    QByteArray none;
    EXPECT_FALSE(SemicolonToCRLF(none));
    EXPECT_TRUE(none.isEmpty());
}

TEST(CsvFields, QuoteCSVField)
{
    struct Case {
        QByteArray field, quoted;
    } cases[] = {
        {"say " + Q + "hi" + Q, Q + "say " + Q + Q + "hi" + Q + Q + Q},
        {"a,b", Q + "a,b" + Q},
        {"x;y", "x;y"},
        {"one\r\ntwo", Q + "one;two" + Q},
        {"", ""},
        {"plain", "plain"},
        {Q, Q + Q + Q + Q},
    };
    for (const Case &c : cases) {
        QByteArray field = c.field;
        QuoteCSVField(field);
        EXPECT_EQ(field, c.quoted) << c.field.constData();
    }
}

TEST(CsvFields, UnquoteCSVField)
{
    struct Case {
        QByteArray field, clean;
    } cases[] = {
        {Q + "a,b" + Q, "a,b"},
        {Q + "say " + Q + Q + "hi" + Q + Q + " now" + Q, "say " + Q + "hi" + Q + " now"},
        {Q + "say " + Q + Q + "hi" + Q + Q + Q, "say " + Q + "hi"}, // the text's closing quote is lost
        {Q + Q + Q + Q, ""},
        {"a" + Q + Q + Q + Q + "b", "a" + Q + Q + "b"},
        {"", ""},
        {"plain", "plain"},
        {QByteArray(300, 'x'), QByteArray(255, 'x')},
        {Q + QByteArray(300, 'x') + Q, QByteArray(254, 'x')}, // cut first, so the closing quote is gone
    };
    for (const Case &c : cases) {
        QByteArray field = c.field;
        UnquoteCSVField(field);
        EXPECT_EQ(field, c.clean) << c.field.left(40).constData();
    }
}

TEST(CsvFields, QuotedFieldsComeBackUnquoted)
{
    for (QByteArray text : {QByteArray("a,b"), "say " + Q + "hi" + Q + " now", QByteArray("x;y"), QByteArray("")}) {
        QByteArray field = text;
        QuoteCSVField(field);
        UnquoteCSVField(field);
        EXPECT_EQ(field, text);
    }
}

TEST(CsvFields, MarkCSVFieldEnds)
{
    struct Case {
        QByteArray line, marked;
    } cases[] = {
        {"a," + Q + "b,c" + Q + ",d", "a" + Nul + Q + "b,c" + Q + Nul + "d" + Nul},
        {"a,b,", "a" + Nul + "b" + Nul},
        {"", ""},
        {"a;b,c;d", "a" + Nul + "b,c" + Nul + "d" + Nul},
        {Q + "x" + Q + Q + ",y" + Q + ",z", Q + "x" + Q + Q + ",y" + Q + Nul + "z" + Nul},
        {",", Nul},
        {Q + "open,never closed", Q + "open,never closed" + Nul},
    };
    for (const Case &c : cases) {
        QByteArray line = c.line;
        MarkCSVFieldEnds(line);
        EXPECT_EQ(line, c.marked) << c.line.constData();
    }
}

TEST(CsvFields, NulToCommaRestoresTheLine)
{
    QByteArray line = "a," + Q + "b,c" + Q + ",d";
    QByteArray marked = line;
    MarkCSVFieldEnds(marked);
    NulToComma(marked);
    EXPECT_EQ(marked, line + ",");
    QByteArray empty;
    NulToComma(empty);
    EXPECT_TRUE(empty.isEmpty());
}

} // namespace
