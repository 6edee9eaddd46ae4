#include "entries/EntryText.h"

#include "common/Win1252.h"
#include "store/LockvexIndexRec.h"

QString TrimBlankChars(const QString &text)
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
