#pragma once

#include "core/convert/command/EncoderCommand.h"
#include "core/convert/command/RunAdaptation.h"
#include "core/settings/Settings.h"

#include <QSet>
#include <QStringList>

namespace vantrel {

// The arguments that run a built encoder command on the installed encoder
// (the program itself not included): the command as the tables write it,
// adapted stretch by stretch, each rule on a role of the command:
// - "-hide_banner" keeps the encoder's messages to what concerns the file,
//   and "-n" (AddNew: a taken name was already avoided, so never overwrite)
//   or "-y" (Overwrite) comes first, so the encoder never stops to ask;
// - the codecs: one the encoder lacks is replaced by its built-in
//   equivalent when that exists (libfaac -> aac; `available` empty means
//   unknown: no codec is replaced);
// - the video rate: "-b" becomes "-b:v", which the encoder no longer takes
//   as ambiguous;
// - the clip: for a whole file, "-ss N" and "-t N" go (the clip the player
//   measured in whole seconds, or as 0, would cut the file short);
// - the maps: the adaptation's streams (today's entries, for what the
//   source holds) take the place of the command's own;
// - the filters: the picture keeps its shape: after "-s WxH" without a
//   filter of the command's own, one scales it (as the source's rotation
//   leaves it) to fit inside the frame at the display aspect "-aspect" asks
//   for, with black bars; the adaptation's filters come before the
//   command's; a filtered picture at a constant rate ("-r", or the
//   adaptation's) ends with the fps filter, which holds the last picture as
//   long as the source does (the filter alone would cut it to one frame's
//   time);
// - the output: the adaptation's tags, then "-threads N" stand before the
//   output path, where the encoder applies them (after it they would be
//   ignored).
QStringList encoderRunArguments(const EncoderCommand &command, ExistingFilePolicy policy,
                                const QSet<QString> &available, bool wholeFile = false,
                                const RunAdaptation &adaptation = {});

} // namespace vantrel
