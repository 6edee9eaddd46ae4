#pragma once
// Typing any text as a keyboard that has every character on it would: one key press and release
// per character, the character carried as the events' text. QTest::keyClicks types Latin-1 only,
// so "Ł" or "Ω" would arrive as something else.

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace testing_support
{

inline void TypeText(QWidget *widget, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length - 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace testing_support
