#include "core/convert/EncoderCommand.h"

#include "core/common/NumberText.h"
#include "core/convert/CodecMapping.h"
#include "core/convert/CommandShapes.h"
#include "core/convert/EncoderInvocation.h"
#include "core/records/OutputTargets.h"
#include "core/settings/Settings.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>

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

bool isWhole(const QString &text)
{
    bool ok = false;
    return text.toInt(&ok) > 0 && ok;
}

QString todayError(const char *item, const QString &text)
{
    return QCoreApplication::translate("EncoderCommand", "%1 \"%2\" is not one this profile takes")
        .arg(QLatin1String(item), text);
}

bool isTodayShape(Shape shape)
{
    return shape == Shape::TodayVideo || shape == Shape::TodayCopy || shape == Shape::TodaySound;
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

Expected<QList<CommandPart>> todayVideo(const ConversionOptions &o)
{
    using Parts = Expected<QList<CommandPart>>;
    const TodayVideoCodec *codec = todayVideoCodec(o.videoCodec);
    if (!codec)
        return Parts::failure(todayError("Video Codec", o.videoCodec));
    CommandLine encoder;
    encoder.appendLiteral(QStringLiteral(" -c:v "));
    encoder.appendValue(QString::fromLatin1(codec->encoder));
    encoder.appendLiteral(QLatin1Char(' ') + QString::fromLatin1(codec->speed));
    QList<CommandPart> video{{CommandRole::VideoCodec, encoder}};
    CommandLine rate;
    static const QString kCrf = QStringLiteral("CRF ");
    if (o.videoBitrate.startsWith(kCrf) && isWhole(o.videoBitrate.mid(kCrf.size()))) {
        rate.appendLiteral(QLatin1Char(' ') + QString::fromLatin1(codec->quality) +
                           QLatin1Char(' '));
        rate.appendValue(o.videoBitrate.mid(kCrf.size()));
        rate.appendLiteral(QString::fromLatin1(codec->afterQuality));
    } else if (isWhole(o.videoBitrate)) {
        rate.appendLiteral(QStringLiteral(" -b:v "));
        rate.appendValue(o.videoBitrate);
        rate.appendLiteral(QStringLiteral("k"));
    } else {
        return Parts::failure(todayError("Video Bitrate", o.videoBitrate));
    }
    video.append({CommandRole::VideoRate, rate});
    // Every player takes 4:2:0, whatever the camera recorded.
    video.append({CommandRole::Other, CommandLine::literal(" -pix_fmt yuv420p")});
    if (isWhole(o.videoFramerate) || o.videoFramerate.contains(u'.')) {
        CommandLine frameRate = CommandLine::literal(" -r ");
        frameRate.appendValue(o.videoFramerate);
        video.append({CommandRole::FrameRate, frameRate});
    }
    if (const std::optional<QSize> frame = frameSizeOf(o.videoSize)) {
        const bool aspect = o.aspectRatio.contains(u':');
        CommandLine size = CommandLine::literal(" -s ");
        size.appendValue(o.videoSize);
        video.append({CommandRole::Size, size});
        CommandLine filter = CommandLine::literal(" -vf ");
        filter.appendValue(
            pictureFitFilter(frame->width(), frame->height(), aspect ? o.aspectRatio : QString()));
        video.append({CommandRole::Filter, filter});
        if (aspect) {
            CommandLine shown = CommandLine::literal(" -aspect ");
            shown.appendValue(o.aspectRatio);
            video.append({CommandRole::Other, shown});
        }
    }
    return video;
}

Expected<QList<CommandPart>> todayAudio(const ConversionOptions &o)
{
    if (o.disableAudio != QLatin1String("No"))
        return QList<CommandPart>{{CommandRole::SoundCodec, CommandLine::literal(" -an")}};
    const std::optional<QString> encoder = todayAudioEncoder(o.audioCodec);
    if (!encoder)
        return Expected<QList<CommandPart>>::failure(todayError("Audio Codec", o.audioCodec));
    CommandLine audio = CommandLine::literal(" -c:a ");
    audio.appendValue(*encoder);
    QList<CommandPart> parts{{CommandRole::SoundCodec, audio}};
    const struct
    {
        const QString &text;
        CommandRole role;
        const char *option;
        const char *unit;
    } numbers[] = {{o.audioBitrate, CommandRole::SoundRate, " -b:a ", "k"},
                   {o.sampleRate, CommandRole::SampleRate, " -ar ", ""},
                   {o.audioChannel, CommandRole::Other, " -ac ", ""}};
    for (const auto &n : numbers) {
        if (!isWhole(n.text))
            continue; // "Same as source", or not applying
        CommandLine number = CommandLine::literal(n.option);
        number.appendValue(n.text);
        number.appendLiteral(QString::fromLatin1(n.unit));
        parts.append({n.role, number});
    }
    return parts;
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
    const ConversionOptions &o = job.options;
    // Today's options come with their own roles; they are read where they
    // are used, old ones are not.
    QHash<QString, QList<CommandPart>> spliced;
    if (isTodayShape(row->shape)) {
        if (row->shape == Shape::TodayVideo) {
            const Expected<QList<CommandPart>> video = todayVideo(o);
            if (!video)
                return Built::failure(video.error());
            spliced.insert(QStringLiteral("{VIDEO}"), *video);
            if (const Expected<std::optional<qint64>> limit = fitSizeBytes(o.fitSize); !limit)
                return Built::failure(QStringLiteral("Fit To Size: ") + limit.error());
        }
        if (row->shape != Shape::TodayCopy) {
            const Expected<QList<CommandPart>> audio = todayAudio(o);
            if (!audio)
                return Built::failure(audio.error());
            spliced.insert(QStringLiteral("{AUDIO}"), *audio);
            if (const Expected<std::optional<double>> target = loudnessTarget(o.loudness); !target)
                return Built::failure(QStringLiteral("Loudness: ") + target.error());
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

void EncoderCommand::append(CommandRole role, const CommandLine &pieces)
{
    if (!pieces.pieces().empty())
        m_parts.append({role, pieces});
}

void EncoderCommand::append(const QList<CommandPart> &parts)
{
    for (const CommandPart &part : parts)
        append(part.role, part.pieces);
}

bool EncoderCommand::has(CommandRole role) const
{
    return std::any_of(m_parts.cbegin(), m_parts.cend(),
                       [role](const CommandPart &part) { return part.role == role; });
}

void EncoderCommand::replace(CommandRole role, const CommandLine &pieces)
{
    qsizetype at = -1;
    for (qsizetype i = 0; i < m_parts.size(); ++i) {
        if (m_parts.at(i).role == role && at < 0)
            at = i;
    }
    if (at < 0) {
        at = 0;
        while (at < m_parts.size() && m_parts.at(at).role != CommandRole::Output)
            ++at;
    }
    remove(role);
    m_parts.insert(std::min(at, m_parts.size()), {role, pieces});
}

void EncoderCommand::remove(CommandRole role)
{
    m_parts.removeIf([role](const CommandPart &part) { return part.role == role; });
}

QStringList EncoderCommand::argumentsOf(CommandRole role) const
{
    QStringList args;
    for (const CommandPart &part : m_parts) {
        if (part.role == role)
            args += part.pieces.arguments();
    }
    return args;
}

QString EncoderCommand::lastValueOf(const QString &option) const
{
    const QStringList args = arguments();
    const qsizetype at = args.lastIndexOf(option);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
}

CommandLine EncoderCommand::tableForm() const
{
    CommandLine command;
    for (const CommandPart &part : m_parts)
        command.append(part.pieces);
    return command;
}

} // namespace vantrel
