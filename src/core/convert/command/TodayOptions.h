#pragma once

#include "core/common/Expected.h"
#include "core/convert/command/EncoderCommand.h"
#include "core/records/OptionValues.h"

#include <QList>

namespace vantrel {

// Today's video and sound options as command stretches: the codec with its
// speed, constant quality ("CRF 23") or a bitrate, 4:2:0 pictures, a chosen
// rate, and a chosen size with the picture fitted into it; "Same as source"
// sends nothing. Fails on a value these entries do not take.
Expected<QList<CommandPart>> todayVideo(const OptionValues &options);
Expected<QList<CommandPart>> todayAudio(const OptionValues &options);

} // namespace vantrel
