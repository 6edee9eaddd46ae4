#pragma once
// Shared by the entries tests: readable QString output in failure messages.

#include <QString>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
