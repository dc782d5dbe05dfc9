#include "core/convert/command/TodayOptions.h"

#include "core/convert/command/CodecMapping.h"
#include "core/convert/command/PictureFit.h"

#include <QCoreApplication>

namespace vantrel {

namespace {

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

} // namespace

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

} // namespace vantrel
