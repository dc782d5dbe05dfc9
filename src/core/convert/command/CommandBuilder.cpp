#include "core/convert/command/CommandBuilder.h"

#include "core/common/NumberText.h"
#include "core/convert/command/CodecMapping.h"
#include "core/convert/command/CommandShapes.h"
#include "core/convert/command/TodayOptions.h"
#include "core/settings/Settings.h"

#include <QCoreApplication>
#include <QHash>

namespace vantrel {

namespace {

CommandLine codecPiece(const std::optional<QString> &mapped, const QString &label)
{
    CommandLine piece;
    if (mapped)
        piece.appendLiteral(*mapped); // encoder syntax, may hold options
    else
        piece.appendValue(label);
    return piece;
}

CommandLine value(const QString &text)
{
    CommandLine piece;
    piece.appendValue(text);
    return piece;
}

CommandLine path(const QString &text)
{
    CommandLine piece;
    piece.appendPath(text);
    return piece;
}

QString audioIntegerError(const char *item, const QString &text)
{
    return QCoreApplication::translate("EncoderCommand",
                                       "%1 \"%2\" is not a number from -32768 to 32767")
        .arg(QLatin1String(item), text);
}

} // namespace

void expandTemplate(CommandLine &out, const char *templ, const QHash<QString, CommandLine> &values)
{
    const QString text = QString::fromLatin1(templ);
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(u'{', pos);
        if (open < 0) {
            out.appendLiteral(text.mid(pos));
            break;
        }
        out.appendLiteral(text.mid(pos, open - pos));
        const qsizetype close = text.indexOf(u'}', open);
        out.append(values.value(text.mid(open + 1, close - open - 1)));
        pos = close + 1;
    }
}

Expected<EncoderValues> prepareEncoderValues(const ConversionOptions &options)
{
    EncoderValues v;
    v.videoCodec = codecPiece(mappedVideoCodec(options.videoCodec), options.videoCodec);
    v.framerate = options.videoFramerate == QLatin1String("Auto") ? QStringLiteral("25")
                                                                  : options.videoFramerate;
    v.audioCodec = codecPiece(mappedAudioCodec(options.audioCodec), options.audioCodec);
    v.disableAudio =
        options.disableAudio == QLatin1String("No") ? QString() : QStringLiteral(" -an ");
    const std::optional<qint16> bitrate = toInt16(options.audioBitrate);
    if (!bitrate)
        return Expected<EncoderValues>::failure(
            audioIntegerError("Audio Bitrate", options.audioBitrate));
    const std::optional<qint16> channels = toInt16(options.audioChannel);
    if (!channels)
        return Expected<EncoderValues>::failure(
            audioIntegerError("Audio Channel", options.audioChannel));
    v.audioBitrate = *bitrate;
    v.audioChannels = *channels;
    return v;
}

Expected<EncoderCommand> buildEncoderCommand(const EncoderCommandInput &input)
{
    using Built = Expected<EncoderCommand>;
    const ConversionJob &job = input.job;
    const ProfileCommandRow *row = profileCommandRow(job.profileIndex);
    if (!row)
        return Built::failure(
            QCoreApplication::translate("EncoderCommand",
                                        "There is no output profile with the entry number %1")
                .arg(job.profileIndex));
    // The 101 entries of old put the sheet's texts in as they stand.
    const ConversionOptions &o = job.options.texts();
    // Today's options come with their own roles.
    QHash<QString, QList<CommandPart>> spliced;
    if (isTodayShape(row->shape)) {
        if (row->shape == Shape::TodayVideo) {
            const Expected<QList<CommandPart>> video = todayVideo(job.options);
            if (!video)
                return Built::failure(video.error());
            spliced.insert(QStringLiteral("{VIDEO}"), *video);
            if (!job.options.sizeLimit())
                return Built::failure(QStringLiteral("Fit To Size: ") +
                                      job.options.sizeLimit().error());
        }
        if (row->shape != Shape::TodayCopy) {
            const Expected<QList<CommandPart>> audio = todayAudio(job.options);
            if (!audio)
                return Built::failure(audio.error());
            spliced.insert(QStringLiteral("{AUDIO}"), *audio);
            if (!job.options.loudness())
                return Built::failure(QStringLiteral("Loudness: ") +
                                      job.options.loudness().error());
        }
    }
    const Expected<EncoderValues> prepared = isTodayShape(row->shape)
                                                 ? Expected<EncoderValues>(EncoderValues())
                                                 : prepareEncoderValues(o);
    if (!prepared)
        return Built::failure(prepared.error());
    const EncoderValues &v = *prepared;
    QHash<QString, CommandLine> values;
    values.insert(QStringLiteral("ENCODER"), path(input.encoderPath));
    values.insert(QStringLiteral("SRC"), path(job.sourcePath));
    values.insert(QStringLiteral("OUT"), path(job.outputPath));
    values.insert(QStringLiteral("STATS"), path(input.statisticsPath));
    values.insert(QStringLiteral("FORMAT"), CommandLine::literal(row->format));
    values.insert(QStringLiteral("MAPS"), CommandLine::literal(row->maps));
    values.insert(QStringLiteral("MIDDLE"), CommandLine::literal(row->middle));
    values.insert(QStringLiteral("SOUND"), CommandLine::literal(row->sound));
    values.insert(QStringLiteral("VCODEC"), v.videoCodec);
    values.insert(QStringLiteral("ACODEC"), v.audioCodec);
    values.insert(QStringLiteral("AN"), CommandLine::literal(v.disableAudio));
    values.insert(QStringLiteral("AB"), value(QString::number(v.audioBitrate)));
    values.insert(QStringLiteral("CH"), value(QString::number(v.audioChannels)));
    values.insert(QStringLiteral("SR"), value(o.sampleRate));
    values.insert(QStringLiteral("VB"), value(o.videoBitrate));
    values.insert(QStringLiteral("FPS"), value(v.framerate));
    values.insert(QStringLiteral("SIZE"), value(o.videoSize));
    values.insert(QStringLiteral("ASPECT"), value(o.aspectRatio));
    values.insert(QStringLiteral("SS"), value(QString::number(job.startSeconds)));
    values.insert(QStringLiteral("T"), value(QString::number(job.durationSeconds)));
    values.insert(QStringLiteral("THREADS"), value(encoderThreadText(input.threadSetting)));

    EncoderCommand command;
    for (const TemplatePart &part : commandTemplate(row->shape)) {
        const QString text = QString::fromLatin1(part.text);
        if (spliced.contains(text)) {
            command.append(spliced.value(text));
            continue;
        }
        CommandLine pieces;
        expandTemplate(pieces, part.text, values);
        command.append(part.role, pieces);
    }
    return command;
}

} // namespace vantrel
