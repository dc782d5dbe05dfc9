#pragma once

#include "core/convert/command/EncoderCommand.h"

#include <QSet>
#include <QString>
#include <QStringList>

namespace vantrel {

// The names of the encoders in the output of "ffmpeg -encoders".
QSet<QString> parseEncoderList(const QString &output);

// The encoders a run's arguments name (after "-c:v", "-c:a", "-vcodec",
// "-acodec") that `installed` lacks; none when the list is unknown (empty).
QStringList missingEncoders(const QStringList &runArguments, const QSet<QString> &installed);

// Whether a run of `command` depends on the list of installed encoders: it
// names a codec that builds of the encoder may lack, or one of today's
// encoders. Other commands run as they are, without waiting for the list.
bool needsEncoderList(const EncoderCommand &command);

// The codec the installed encoder runs for `codec`: its built-in
// equivalent when it lacks a codec of the tables that builds may lack
// (libfaac -> aac); `codec` itself otherwise, and whenever `available` is
// empty (unknown).
QString installedCodec(const QString &codec, const QSet<QString> &available);

// Why a profile cannot be converted on this computer: its FFmpeg lacks
// `encoders`. The row's reason and the profile combo's tip.
QString missingEncoderReason(const QStringList &encoders);

} // namespace vantrel
