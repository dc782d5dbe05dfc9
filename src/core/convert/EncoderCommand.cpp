#include "core/convert/EncoderCommand.h"

#include "core/common/NumberText.h"
#include "core/convert/CodecMapping.h"
#include "core/convert/CommandShapes.h"
#include "core/convert/EncoderInvocation.h"
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

CommandLine literal(const char *text)
{
    CommandLine piece;
    if (text)
        piece.appendLiteral(QString::fromLatin1(text));
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

// Expands a template: text outside braces is literal, {NAME} is replaced by
// the pieces bound to NAME.
void expand(CommandLine &out, const char *templ, const QHash<QString, CommandLine> &values)
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

Expected<CommandLine> todayVideo(const ConversionOptions &o)
{
    const TodayVideoCodec *codec = todayVideoCodec(o.videoCodec);
    if (!codec)
        return Expected<CommandLine>::failure(todayError("Video Codec", o.videoCodec));
    CommandLine video;
    video.appendLiteral(QStringLiteral(" -c:v "));
    video.appendValue(QString::fromLatin1(codec->encoder));
    video.appendLiteral(QLatin1Char(' ') + QString::fromLatin1(codec->speed));
    static const QString kCrf = QStringLiteral("CRF ");
    if (o.videoBitrate.startsWith(kCrf) && isWhole(o.videoBitrate.mid(kCrf.size()))) {
        video.appendLiteral(QLatin1Char(' ') + QString::fromLatin1(codec->quality) +
                            QLatin1Char(' '));
        video.appendValue(o.videoBitrate.mid(kCrf.size()));
        video.appendLiteral(QString::fromLatin1(codec->afterQuality));
    } else if (isWhole(o.videoBitrate)) {
        video.appendLiteral(QStringLiteral(" -b:v "));
        video.appendValue(o.videoBitrate);
        video.appendLiteral(QStringLiteral("k"));
    } else {
        return Expected<CommandLine>::failure(todayError("Video Bitrate", o.videoBitrate));
    }
    // Every player takes 4:2:0, whatever the camera recorded.
    video.appendLiteral(QStringLiteral(" -pix_fmt yuv420p"));
    if (isWhole(o.videoFramerate) || o.videoFramerate.contains(u'.')) {
        video.appendLiteral(QStringLiteral(" -r "));
        video.appendValue(o.videoFramerate);
    }
    if (const std::optional<QSize> frame = frameSizeOf(o.videoSize)) {
        const bool aspect = o.aspectRatio.contains(u':');
        video.appendLiteral(QStringLiteral(" -s "));
        video.appendValue(o.videoSize);
        video.appendLiteral(QStringLiteral(" -vf "));
        video.appendValue(
            pictureFitFilter(frame->width(), frame->height(), aspect ? o.aspectRatio : QString()));
        if (aspect) {
            video.appendLiteral(QStringLiteral(" -aspect "));
            video.appendValue(o.aspectRatio);
        }
    }
    return video;
}

Expected<CommandLine> todayAudio(const ConversionOptions &o)
{
    CommandLine audio;
    if (o.disableAudio != QLatin1String("No")) {
        audio.appendLiteral(QStringLiteral(" -an"));
        return audio;
    }
    const std::optional<QString> encoder = todayAudioEncoder(o.audioCodec);
    if (!encoder)
        return Expected<CommandLine>::failure(todayError("Audio Codec", o.audioCodec));
    audio.appendLiteral(QStringLiteral(" -c:a "));
    audio.appendValue(*encoder);
    const struct
    {
        const QString &text;
        const char *option;
        const char *unit;
    } numbers[] = {{o.audioBitrate, " -b:a ", "k"},
                   {o.sampleRate, " -ar ", ""},
                   {o.audioChannel, " -ac ", ""}};
    for (const auto &n : numbers) {
        if (!isWhole(n.text))
            continue; // "Same as source", or not applying
        audio.appendLiteral(QString::fromLatin1(n.option));
        audio.appendValue(n.text);
        audio.appendLiteral(QString::fromLatin1(n.unit));
    }
    return audio;
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

Expected<CommandLine> buildEncoderCommand(const EncoderCommandInput &input)
{
    const ConversionJob &job = input.job;
    const ProfileCommandRow *row = profileCommandRow(job.profileIndex);
    if (!row)
        return Expected<CommandLine>::failure(
            QCoreApplication::translate("EncoderCommand",
                                        "There is no output profile with the entry number %1")
                .arg(job.profileIndex));
    const ConversionOptions &o = job.options;
    QHash<QString, CommandLine> values;
    if (isTodayShape(row->shape)) {
        // Today's options are read where they are used; old ones are not.
        if (row->shape == Shape::TodayVideo) {
            const Expected<CommandLine> video = todayVideo(o);
            if (!video)
                return Expected<CommandLine>::failure(video.error());
            values.insert(QStringLiteral("VIDEO"), *video);
        }
        if (row->shape != Shape::TodayCopy) {
            const Expected<CommandLine> audio = todayAudio(o);
            if (!audio)
                return Expected<CommandLine>::failure(audio.error());
            values.insert(QStringLiteral("AUDIO"), *audio);
        }
    }
    const Expected<EncoderValues> prepared = isTodayShape(row->shape)
                                                 ? Expected<EncoderValues>(EncoderValues())
                                                 : prepareEncoderValues(o);
    if (!prepared)
        return Expected<CommandLine>::failure(prepared.error());
    const EncoderValues &v = *prepared;
    values.insert(QStringLiteral("ENCODER"), path(input.encoderPath));
    values.insert(QStringLiteral("SRC"), path(job.sourcePath));
    values.insert(QStringLiteral("OUT"), path(job.outputPath));
    values.insert(QStringLiteral("STATS"), path(input.statisticsPath));
    values.insert(QStringLiteral("FORMAT"), literal(row->format));
    values.insert(QStringLiteral("MIDDLE"), literal(row->middle));
    values.insert(QStringLiteral("SOUND"), literal(row->sound));
    values.insert(QStringLiteral("VCODEC"), v.videoCodec);
    values.insert(QStringLiteral("ACODEC"), v.audioCodec);
    CommandLine an;
    an.appendLiteral(v.disableAudio);
    values.insert(QStringLiteral("AN"), an);
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

    CommandLine command;
    expand(command, headTemplate(row->shape), values);
    expand(command, shapeTemplate(row->shape), values);
    expand(command, tailTemplate(), values);
    return command;
}

} // namespace vantrel
