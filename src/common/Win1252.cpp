#include "common/Win1252.h"

#include <algorithm>
#include <array>

namespace win1252
{

namespace
{

// Unicode of the bytes 0x80-0x9F. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for the control characters of the same number, so that every byte
// survives a round trip.
constexpr char16_t HighControlRange[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char Unmappable = '?';

// The Unicode character of every byte.
constexpr std::array<char16_t, 256> CharTable = [] {
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = b >= 0x80 && b <= 0x9F ? HighControlRange[b - 0x80] : char16_t(b);
    return table;
}();

char ByteOfCode(char16_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<char>(code);
    for (int i = 0; i < 32; ++i)
        if (HighControlRange[i] == code)
            return static_cast<char>(0x80 + i);
    return Unmappable;
}

} // namespace

QChar CharOf(unsigned char byte)
{
    return QChar(CharTable[byte]);
}

char ByteOf(QChar ch)
{
    if (ch.isSurrogate())
        return Unmappable;
    return ByteOfCode(ch.unicode());
}

bool Holds(QChar ch)
{
    return ch == QLatin1Char(Unmappable) || ByteOf(ch) != Unmappable;
}

bool HoldsAll(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar ch) { return Holds(ch); });
}

QString ToUnicode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const char *in = bytes.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = CharTable[static_cast<unsigned char>(in[i])];
    return text;
}

QByteArray FromUnicode(const QString &text, char unmappable)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar ch = text[i];
        // A character outside the basic plane is one character, so it becomes one "?".
        if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        bytes.append(Holds(ch) ? ByteOf(ch) : unmappable);
    }
    return bytes;
}

} // namespace win1252
