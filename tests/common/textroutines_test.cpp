#include "common/TextRoutines.h"

#include "support/TestPlatform.h"

#include <QSet>

#include <gtest/gtest.h>

namespace
{

const QByteArray Q("\"");

TEST(TextRoutines, TrimChar)
{
    struct Case {
        QByteArray s;
        char ch;
        QByteArray trimmed;
    } cases[] = {
        {Q + Q + Q + "a" + Q + Q + Q, '"', "a"},
        {Q + Q + Q + Q, '"', ""},
        {"", '"', ""},
        {"xa xbx", 'x', "a xb"},
        {"  a  ", ' ', "a"},
        {QByteArray(300, 'y') + "x", 'y', ""}, // cut to 255 characters first: the x is gone
    };
    for (const Case &c : cases)
        EXPECT_EQ(TrimChar(c.s, c.ch), c.trimmed) << c.s.left(40).constData();
}

TEST(TextRoutines, RatingPieces)
{
    EXPECT_EQ(StripNumerics("a1b2-c.d9"), QByteArray("abcd"));
    EXPECT_EQ(StripNumerics("123-."), QByteArray(""));
    EXPECT_EQ(StripNumerics(""), QByteArray(""));

    struct Match {
        QByteArray a, b;
        int balance;
    } matches[] = {
        {"ABCD", "ABcd", 100}, {"ABC", "abc", 0}, {"abc", "ab", 50},    {"abc", "abc", 0},
        {"", "abc", 0},        {"abcd", "", 0},   {"abcd", "abcX", 33}, {"a", "b", 0},
    };
    for (const Match &m : matches)
        EXPECT_EQ(MatchBalance(m.a, m.b), m.balance) << m.a.constData() << " / " << m.b.constData();

    struct Numeric {
        QByteArray s;
        int balance;
    } numerics[] = {{"a1b2-", 66}, {"123", 0}, {"abc", 0}, {"", 0}, {"ab12", 100}, {"a.b-c9d", 75}};
    for (const Numeric &n : numerics)
        EXPECT_EQ(NumericBalance(n.s), n.balance) << n.s.constData();
}

TEST(TextRoutines, RandomPasswordHasFourOfEachClass)
{
    testing_support::TestPlatform fixedClock; // the same millisecond at every call
    platform::ScopedInstall guard(fixedClock);
    QSet<QChar> seen;
    QSet<QString> passwords;
    for (int i = 0; i < 400; ++i) {
        QString password = RandomPassword();
        passwords.insert(password);
        ASSERT_EQ(password.size(), 12);
        int digits = 0, lower = 0, upper = 0;
        for (QChar c : password) {
            seen.insert(c);
            digits += c.isDigit();
            lower += c >= QLatin1Char('a') && c <= QLatin1Char('z');
            upper += c >= QLatin1Char('A') && c <= QLatin1Char('Z');
        }
        EXPECT_EQ(digits, 4) << password.toStdString();
        EXPECT_EQ(lower, 4) << password.toStdString();
        EXPECT_EQ(upper, 4) << password.toStdString();
    }
    EXPECT_EQ(passwords.size(), 400); // calls in the same clock millisecond still differ
    EXPECT_EQ(seen.size(), 62);       // every character, the last "Z" included, turns up
    EXPECT_TRUE(seen.contains(QLatin1Char('Z')));
}

TEST(TextRoutines, StrToIntOrOne)
{
    struct Case {
        QByteArray s;
        int value;
    } cases[] = {
        {"12", 12},
        {" -7", -7},
        {"$1F", 31},
        {"", 1},
        {"12a", 1},
        {"0", 0},
        {"+5", 5},
        {"0x1f", 31},
        {"0XFF", 255},
        {"-$10", -16},
        {"   ", 1},
        {"-", 1},
        {"$", 1},
        {"0x", 1},
        {"12 ", 1},
        {"1 2", 1},
        {"\t5", 1},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", 1},
        {"-2147483649", 1},
        {"$7FFFFFFF", 2147483647},
        {"$80000000", 1},
        {"99999999999999999999999", 1},
        {"007", 7},
        {"1e3", 1},
        {"3.0", 1},
        {"--1", 1},
        {"$-1", 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(StrToIntOrOne(c.s), c.value) << "«" << c.s.constData() << "»";
}

TEST(TextRoutines, TrimBlanksAndAsciiUpper)
{
    EXPECT_EQ(TrimBlanks(QByteArray("\t\r\n a b \0\x1F", 10)), QByteArray("a b"));
    EXPECT_EQ(TrimBlanks("   "), QByteArray(""));
    EXPECT_EQ(TrimBlanks("\xA0x\xA0"), QByteArray("\xA0x\xA0")); // only codes up to 32 are blanks
    EXPECT_EQ(AsciiUpper(QByteArray("abz-\xE9{`")), QByteArray("ABZ-\xE9{`"));
    EXPECT_EQ(AsciiUpper(QString::fromUtf8("straße é z")), QString::fromUtf8("STRAßE é Z"));
    EXPECT_EQ(AsciiUpper(QString()), QString());
}

} // namespace
