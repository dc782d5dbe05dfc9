#pragma once

#include "core/convert/SourceAdaptation.h"
#include "core/settings/Settings.h"
#include "core/tools/CommandLine.h"

#include <QSet>
#include <QSize>
#include <QStringList>

#include <optional>

namespace vantrel {

// The names of the encoders in the output of "ffmpeg -encoders".
QSet<QString> parseEncoderList(const QString &output);

// The encoders a run's arguments name (after "-c:v", "-c:a", "-vcodec",
// "-acodec") that `installed` lacks; none when the list is unknown (empty).
QStringList missingEncoders(const QStringList &runArguments, const QSet<QString> &installed);

// Whether a run of `command` depends on the list of installed encoders: it
// names a codec that builds of the encoder may lack, or one of today's
// encoders. Other commands run as they are, without waiting for the list.
bool needsEncoderList(const CommandLine &command);

// The arguments that run a built encoder command on the installed encoder
// (the program itself not included). The command text stays as the tables
// build it; only the run differs:
// - "-n" (AddNew: a taken name was already avoided, so never overwrite) or
//   "-y" (Overwrite) comes first, so the encoder never stops to ask;
// - a codec the encoder lacks is replaced by its built-in equivalent when that
//   exists (libfaac -> aac);
// - "-b" (the video bitrate) becomes "-b:v", which the encoder no longer
//   takes as ambiguous;
// - "-threads N" moves before the output path, where the encoder applies it
//   (after the output it would be ignored);
// - "-hide_banner" keeps the encoder's messages to what concerns the file;
// - for a whole file, "-ss N" and "-t N" go: the clip the player measured in
//   whole seconds (or as 0) would cut the file short;
// - the picture keeps its shape: after "-s WxH" a filter scales it (as the
//   source's rotation leaves it) to fit inside the frame at the display
//   aspect "-aspect" asks for, and fills the rest with black bars;
// - `adaptation` (today's entries, for what the source holds) takes its
//   streams, filters the picture before the command's own filter, and tags
//   the output;
// - a filtered picture at a constant rate ("-r", or the adaptation's) ends
//   with the fps filter, which holds the last picture as long as the source
//   does (the filter alone would cut it to one frame's time).
// `available` empty means unknown: no codec is replaced.
// "1280x720" as a frame size; none for any other text or a zero side.
std::optional<QSize> frameSizeOf(const QString &text);

// The filter that fits a picture into a frame of `width` x `height` pixels
// shown at `displayAspect` ("4:3", "16:9", "1.78"; empty: square pixels),
// keeping the picture's own display aspect, with black bars around it.
QString pictureFitFilter(int width, int height, const QString &displayAspect);

QStringList encoderRunArguments(const CommandLine &command, ExistingFilePolicy policy,
                                const QSet<QString> &available, bool wholeFile = false,
                                const RunAdaptation &adaptation = {});

} // namespace vantrel
