#pragma once

#include <QString>

#include <gtest/gtest.h>

#include <ostream>

// Lets GoogleTest print QStrings in failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

inline QString qs(const char *utf8)
{
    return QString::fromUtf8(utf8);
}
