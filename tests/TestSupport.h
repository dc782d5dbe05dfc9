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

#include <QDir>

// Where window tests leave their pictures: $VANTREL_SCREENSHOT_DIR, else the
// build tree's screenshots folder.
inline QString screenshotFolder()
{
    QString folder = qEnvironmentVariable("VANTREL_SCREENSHOT_DIR");
#ifdef VANTREL_SCREENSHOT_DEFAULT
    if (folder.isEmpty())
        folder = QString::fromUtf8(VANTREL_SCREENSHOT_DEFAULT);
#endif
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    return folder;
}
