#pragma once

#include "core/common/Expected.h"
#include "core/convert/CommandShapes.h"
#include "core/records/ConversionJob.h"
#include "core/tools/CommandLine.h"

#include <QHash>
#include <QList>
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

// One stretch of an encoder command: what it does, and its pieces.
struct CommandPart
{
    CommandRole role;
    CommandLine pieces;
};

// An encoder command as a value: its stretches, each with its role, in the
// order the profile tables write them. It renders two ways: as the tables
// write it (`text`, what vantrel-cli's `command` prints and the tables'
// tests hold), and as the installed encoder runs it (encoderRunArguments,
// what `command --as-run` prints and the batch starts). Work of several
// passes is several of these values.
class EncoderCommand
{
public:
    void append(CommandRole role, const CommandLine &pieces);
    void append(const QList<CommandPart> &parts);
    // Every stretch of `role` goes; `pieces` takes the place of the first
    // (or stands before the output when there was none).
    void replace(CommandRole role, const CommandLine &pieces);
    void remove(CommandRole role);

    const QList<CommandPart> &parts() const { return m_parts; }
    bool has(CommandRole role) const;
    // The arguments of the stretches of `role`, in order.
    QStringList argumentsOf(CommandRole role) const;
    // The value after the last `option` of the whole command ("-s", "-r");
    // empty when the command has none.
    QString lastValueOf(const QString &option) const;

    // The command as the tables write it, as one command line.
    CommandLine tableForm() const;
    QString text() const { return tableForm().text(); }
    QStringList arguments() const { return tableForm().arguments(); }

private:
    QList<CommandPart> m_parts;
};

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

// Today's video and sound options as command stretches: the codec with its
// speed, constant quality ("CRF 23") or a bitrate, 4:2:0 pictures, a chosen
// rate, and a chosen size with the picture fitted into it; "Same as source"
// sends nothing. Fails on a value these entries do not take.
Expected<QList<CommandPart>> todayVideo(const ConversionOptions &options);
Expected<QList<CommandPart>> todayAudio(const ConversionOptions &options);

} // namespace vantrel
