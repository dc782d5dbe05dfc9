#pragma once

#include "core/common/Expected.h"
#include "core/records/ConversionJob.h"
#include "core/tools/CommandLine.h"

#include <QString>

namespace vantrel {

// The option values after the sheet's labels are turned into encoder terms.
struct EncoderValues
{
    CommandLine videoCodec; // VCODEC
    CommandLine audioCodec; // ACODEC
    QString framerate;      // FPS, "Auto" sent as "25"
    QString disableAudio;   // AN: " -an " or empty
    int audioBitrate = 0;   // within the 16-bit range
    int audioChannels = 0;  // within the 16-bit range
};

// Maps codecs, replaces "Auto" and converts the audio bitrate and channel
// count. Fails when either of those two is no number in the 16-bit range.
Expected<EncoderValues> prepareEncoderValues(const ConversionOptions &options);

struct EncoderCommandInput
{
    ConversionJob job;
    QString threadSetting;  // the "thread" setting as stored
    QString encoderPath;    // the encoder executable
    QString statisticsPath; // where the encoder writes its per-frame statistics
};

// The encoder command of one job: head, the body of the profile's shape, tail.
Expected<CommandLine> buildEncoderCommand(const EncoderCommandInput &input);

// Today's video and sound options as command pieces: the codec with its
// speed, constant quality ("CRF 23") or a bitrate, 4:2:0 pictures, a chosen
// rate, and a chosen size with the picture fitted into it; "Same as source"
// sends nothing. Fails on a value these entries do not take.
Expected<CommandLine> todayVideo(const ConversionOptions &options);
Expected<CommandLine> todayAudio(const ConversionOptions &options);

} // namespace vantrel
