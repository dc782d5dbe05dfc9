#pragma once

#include "core/common/Expected.h"
#include "core/convert/command/EncoderCommand.h"
#include "core/records/ConversionJob.h"
#include "core/tools/CommandLine.h"

#include <QHash>
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

// Appends a template to `out`: text outside braces is literal, {NAME} is
// replaced by the pieces bound to NAME.
void expandTemplate(CommandLine &out, const char *templ, const QHash<QString, CommandLine> &values);

// The encoder command of one job: head, the body of the profile's shape, tail.
Expected<EncoderCommand> buildEncoderCommand(const EncoderCommandInput &input);

} // namespace vantrel
