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
// ...and stream them into a failure's message.
inline std::ostream &operator<<(std::ostream &os, const QString &text)
{
    return os << text.toStdString();
}
QT_END_NAMESPACE

inline QString qs(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

#include <QDir>
#include <QFile>

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

#include <QCoreApplication>

// Lets whatever is already posted run (queued signals, zero timers) without
// waiting for anything new: what a negative check needs before it looks.
inline void settle()
{
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// A whole file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(data);
}
