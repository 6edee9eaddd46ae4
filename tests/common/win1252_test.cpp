#include "common/Win1252.h"

#include <gtest/gtest.h>

namespace
{

TEST(Win1252, EveryByteSurvivesTheRoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    QString text = win1252::ToUnicode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(win1252::FromUnicode(text), all);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(static_cast<unsigned char>(win1252::ByteOf(win1252::CharOf(static_cast<unsigned char>(b)))), b)
            << "byte " << b;
}

TEST(Win1252, HighRangeFollowsTheCodePage)
{
    struct Case {
        unsigned char byte;
        char16_t code;
    } cases[] = {{0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F},
                 {0x90, 0x0090}, {0x92, 0x2019}, {0x99, 0x2122}, {0x9D, 0x009D}, {0x9F, 0x0178},
                 {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}, {0x00, 0x0000}, {0x7F, 0x007F}};
    for (const Case &c : cases) {
        EXPECT_EQ(win1252::CharOf(c.byte).unicode(), c.code) << "byte " << int(c.byte);
        EXPECT_EQ(static_cast<unsigned char>(win1252::ByteOf(QChar(c.code))), c.byte) << "byte " << int(c.byte);
    }
}

TEST(Win1252, CharactersTheCodePageCannotHoldBecomeQuestionMarks)
{
    // U+0080 and U+009F are replaced in the code page by the euro sign and Y diaeresis.
    QString text = QString::fromUtf8("a\u0080\u009F\u0100\u4E2D\U0001F600z");
    EXPECT_EQ(win1252::FromUnicode(text), QByteArray("a?????z")); // the emoji is one character
    EXPECT_EQ(win1252::FromUnicode(QString(QChar(0xD800))), QByteArray("?"));
    EXPECT_EQ(win1252::FromUnicode(QString::fromUtf8("€ café")), QByteArray("\x80 caf\xE9"));
    EXPECT_TRUE(win1252::FromUnicode(QString()).isEmpty());
    EXPECT_TRUE(win1252::ToUnicode(QByteArray()).isEmpty());
    EXPECT_EQ(win1252::FromUnicode(text, '\x7f'), QByteArray("a\x7f\x7f\x7f\x7f\x7fz"));
}

TEST(Win1252, HoldsTellsWhatComesBackUnchanged)
{
    for (int b = 0; b < 256; ++b)
        EXPECT_TRUE(win1252::Holds(win1252::CharOf(static_cast<unsigned char>(b)))) << "byte " << b;
    EXPECT_TRUE(win1252::HoldsAll(QString::fromUtf8("€ café ?")));
    EXPECT_TRUE(win1252::HoldsAll(QString()));
    for (const char *text : {"Łódź", "\u0080", "ΩΩ", "пароль", "\U0001F600", "a\u2028b"})
        EXPECT_FALSE(win1252::HoldsAll(QString::fromUtf8(text))) << text;
}

} // namespace
