#include "entries/EntryText.h"

#include "common/Win1252.h"
#include "store/LockvexIndexRec.h"

QString TrimBlankChars(const QString &text)
{
    const QStringView trimmed = TrimmedBlankView(text);
    return trimmed.size() == text.size() ? text : trimmed.toString();
}

QStringView TrimmedBlankView(QStringView text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].unicode() <= 32)
        --end;
    qsizetype start = 0;
    while (start < end && text[start].unicode() <= 32)
        ++start;
    return text.mid(start, end - start);
}

QString StoredNameText(const QString &name)
{
    constexpr int capacity = TTDStandardIndexRec::NameCapacity;
    // At most two UTF-16 units make one character, so the cut before converting loses nothing.
    return win1252::ToUnicode(win1252::FromUnicode(name.left(2 * capacity)).left(capacity));
}

bool EntryFieldKeeps(QChar ch, bool notes)
{
    // The notes are stored with each line break as ";": a ";" of their own would come back as a
    // line break.
    if (notes && ch == u';')
        return false;
    if (notes &&
        (ch == u'\n' || ch == u'\r' || ch == u'\t' || ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator))
        return true; // the note box turns the two separators into line breaks
    return win1252::Holds(ch) && ch.category() != QChar::Other_Control;
}

const std::array<bool, 256> &EntryFieldKeptBytes(bool notes)
{
    // [notes][byte]
    static const std::array<std::array<bool, 256>, 2> keeps = [] {
        std::array<std::array<bool, 256>, 2> table{};
        for (int b = 0; b < 256; ++b)
            for (int n = 0; n < 2; ++n)
                table[n][b] = EntryFieldKeeps(win1252::CharOf(static_cast<unsigned char>(b)), n == 1);
        return table;
    }();
    return keeps[notes ? 1 : 0];
}

qsizetype FirstUnkeptChar(QStringView text, bool notes)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!EntryFieldKeeps(text[i], notes))
            return i;
    return -1;
}

QString WithCRLFBreaks(const QString &text)
{
    QString result;
    result.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            result.append(u"\r\n");
            ++i;
        } else if (ch == u'\r' || ch == u'\n') {
            result.append(u"\r\n");
        } else {
            result.append(ch);
        }
    }
    return result;
}

namespace
{

char16_t AsciiUpperChar(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool MatchesAt(QStringView text, qsizetype at, QStringView upperNeedle)
{
    for (qsizetype j = 0; j < upperNeedle.size(); ++j)
        if (AsciiUpperChar(text[at + j].unicode()) != upperNeedle[j].unicode())
            return false;
    return true;
}

} // namespace

bool ContainsAsciiUpper(QStringView text, QStringView upperNeedle)
{
    for (qsizetype at = 0; at + upperNeedle.size() <= text.size(); ++at)
        if (MatchesAt(text, at, upperNeedle))
            return true;
    return false;
}

bool EqualsAsciiUpper(QStringView text, QStringView upperNeedle)
{
    return text.size() == upperNeedle.size() && MatchesAt(text, 0, upperNeedle);
}
