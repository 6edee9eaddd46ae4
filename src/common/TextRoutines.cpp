#include "common/TextRoutines.h"

#include "platform/Platform.h"

#include <chrono>
#include <climits>
#include <random>

namespace
{

constexpr int ShortStringMax = 255;
constexpr int PasswordClassSize = 4;

QByteArray AsShortString(const QByteArray &s)
{
    return s.size() > ShortStringMax ? s.left(ShortStringMax) : s;
}

bool IsNumericChar(char c)
{
    return (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// 0 when either count is 0, 100 when they are equal, else the smaller in percent of the larger.
int Balance(qsizetype x, qsizetype y)
{
    if (x == 0 || y == 0)
        return 0;
    if (x == y)
        return 100;
    qsizetype lo = std::min(x, y), hi = std::max(x, y);
    return static_cast<int>(lo * 100 / hi);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// 0 = digit, 1 = lower case, 2 = upper case, by position in PasswordAlphabet.
int PasswordClassOf(int index)
{
    return index < 10 ? 0 : (index < 36 ? 1 : 2);
}

} // namespace

QByteArray TrimChar(const QByteArray &s, char ch)
{
    QByteArray text = AsShortString(s);
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == ch)
        --end;
    qsizetype start = 0;
    while (start < end && text[start] == ch)
        ++start;
    return text.mid(start, end - start);
}

QByteArray StripNumerics(const QByteArray &s)
{
    QByteArray result;
    result.reserve(s.size());
    for (char c : s)
        if (!IsNumericChar(c))
            result.append(c);
    return result;
}

int MatchBalance(const QByteArray &a, const QByteArray &b)
{
    qsizetype same = 0, different = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (i < b.size() && a[i] == b[i])
            ++same;
        else
            ++different;
    }
    return Balance(same, different);
}

int NumericBalance(const QByteArray &s)
{
    qsizetype numeric = 0;
    for (char c : s)
        if (IsNumericChar(c))
            ++numeric;
    return Balance(numeric, s.size() - numeric);
}

QString RandomPassword()
{
    // A fresh seed at every call: the clock's milliseconds and a high-resolution counter, so that
    // two calls within the same millisecond differ, mixed with the system's entropy source so that
    // knowing the time of a call does not give the password away.
    auto &clock = platform::Current();
    auto counter = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::random_device entropy;
    std::seed_seq seed{static_cast<unsigned>(clock.Now().toMSecsSinceEpoch()),
                       static_cast<unsigned>(counter),
                       static_cast<unsigned>(static_cast<unsigned long long>(counter) >> 32),
                       entropy(),
                       entropy(),
                       entropy(),
                       entropy()};
    std::mt19937 generator(seed);
    constexpr int alphabetSize = sizeof(PasswordAlphabet) - 1;
    std::uniform_int_distribution<int> draw(0, alphabetSize - 1);

    int counts[3] = {0, 0, 0};
    QString result;
    while (counts[0] < PasswordClassSize || counts[1] < PasswordClassSize || counts[2] < PasswordClassSize) {
        int index = draw(generator);
        int &count = counts[PasswordClassOf(index)];
        if (count < PasswordClassSize) {
            result.append(QLatin1Char(PasswordAlphabet[index]));
            ++count;
        }
    }
    return result;
}

int StrToIntOrOne(const QByteArray &s)
{
    const QByteArray text = AsShortString(s);
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return 1;
    // Accumulate in 64 bits and stop as soon as the magnitude leaves the 32-bit range.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; i < n; ++i) {
        int digit = base == 16 ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0)
            return 1;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return 1;
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

QByteArrayView TrimmedBlankBytes(QByteArrayView s)
{
    qsizetype end = s.size();
    while (end > 0 && static_cast<unsigned char>(s[end - 1]) <= 32)
        --end;
    qsizetype start = 0;
    while (start < end && static_cast<unsigned char>(s[start]) <= 32)
        ++start;
    return s.sliced(start, end - start);
}

QByteArray TrimBlanks(const QByteArray &s)
{
    const QByteArrayView kept = TrimmedBlankBytes(s);
    return kept.size() == s.size() ? s : kept.toByteArray(); // untrimmed text stays shared
}

QByteArray AsciiUpper(const QByteArray &s)
{
    QByteArray result = s;
    for (char &c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

QString AsciiUpper(const QString &s)
{
    QString result = s;
    for (QChar &c : result)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return result;
}
