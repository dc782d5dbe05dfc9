#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace vantrel {

// The version each tool states in its own first line; empty when the text is
// not that tool's.
// "ffmpeg version 5.1.9-0+deb12u1 Copyright (c) ..." gives "5.1.9-0+deb12u1".
QString ffmpegVersion(const QString &output);
// "MPlayer 1.5-12.2.0 (C) 2000-2022 MPlayer Team" gives "1.5-12.2.0".
QString mplayerVersion(const QString &output);

// Asks a tool for its version without waiting: runs `program` with
// `arguments` (its output bounded, stopped after a few seconds) and gives
// `done` what `parse` reads of what it wrote, or an empty text when it could
// not run or did not end well. Nothing is told once `context` has gone.
void queryToolVersion(const QString &program, const QStringList &arguments,
                      const std::function<QString(const QString &)> &parse, QObject *context,
                      const std::function<void(const QString &)> &done);

// The same for the encoder (FFmpeg) and the player (MPlayer).
void queryEncoderVersion(const QString &program, QObject *context,
                         const std::function<void(const QString &)> &done);
void queryPlayerVersion(const QString &program, QObject *context,
                        const std::function<void(const QString &)> &done);

} // namespace vantrel
