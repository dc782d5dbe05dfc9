#pragma once

#include "TestSupport.h"

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QStringList>
#include <QWidget>

// Helpers of the window tests that watch the real X server and the player.

// A running process's arguments, read from /proc; empty when it has gone.
inline QStringList commandLineOf(int pid)
{
    return QString::fromLocal8Bit(readFile(QStringLiteral("/proc/%1/cmdline").arg(pid)))
        .split(QChar(0), Qt::SkipEmptyParts);
}

// What the X server shows in a native window, the player's drawing included.
inline QImage screenOf(const QWidget *widget)
{
    return QGuiApplication::primaryScreen()->grabWindow(widget->winId()).toImage();
}

// The screen where `widget` is, as a person sees it: every window on top of
// it included, whoever draws them.
inline QImage screenAt(const QWidget *widget)
{
    const QPoint at = widget->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, at.x(), at.y(), widget->width(), widget->height())
        .toImage();
}

// The share of pixels that are not near black.
inline double colourShare(const QImage &image)
{
    if (image.isNull())
        return 0;
    qint64 coloured = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() + c.green() + c.blue() > 90)
                ++coloured;
        }
    }
    return double(coloured) / (qint64(image.width()) * image.height());
}
