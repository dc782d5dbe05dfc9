#include "core/convert/command/TodayOptions.h"

#include "core/convert/command/CodecMapping.h"
#include "core/convert/command/PictureFit.h"

#include <QCoreApplication>

namespace vantrel {

namespace {

QString todayError(const char *item, const QString &text)
{
    return QCoreApplication::translate("EncoderCommand", "%1 \"%2\" is not one this profile takes")
        .arg(QLatin1String(item), text);
}

CommandLine numberPart(const char *option, int value, const char *unit = "")
{
    CommandLine part = CommandLine::literal(option);
    part.appendValue(QString::number(value));
    part.appendLiteral(QString::fromLatin1(unit));
    return part;
}

} // namespace

Expected<QList<CommandPart>> todayVideo(const OptionValues &o)
{
    using Parts = Expected<QList<CommandPart>>;
    const TodayVideoCodec *codec = todayVideoCodec(o.videoCodec());
    if (!codec)
        return Parts::failure(todayError("Video Codec", o.videoCodec()));
    if (!o.videoRate())
        return Parts::failure(o.videoRate().error());
    CommandLine encoder;
    encoder.appendLiteral(QStringLiteral(" -c:v "));
    encoder.appendValue(QString::fromLatin1(codec->encoder));
    encoder.appendLiteral(QLatin1Char(' ') + QString::fromLatin1(codec->speed));
    QList<CommandPart> video{{CommandRole::VideoCodec, encoder}};
    CommandLine rate;
    if (o.videoRate()->kind == VideoRate::Kind::Quality) {
        rate = CommandLine::literal(QLatin1Char(' ') + QString::fromLatin1(codec->quality));
        rate.append(numberPart(" ", o.videoRate()->value, codec->afterQuality));
    } else {
        rate = numberPart(" -b:v ", o.videoRate()->value, "k");
    }
    video.append({CommandRole::VideoRate, rate});
    // Every player takes 4:2:0, whatever the camera recorded.
    video.append({CommandRole::Other, CommandLine::literal(" -pix_fmt yuv420p")});
    if (!o.frameRateText().isEmpty()) {
        CommandLine frameRate = CommandLine::literal(" -r ");
        frameRate.appendValue(o.frameRateText());
        video.append({CommandRole::FrameRate, frameRate});
    }
    if (const std::optional<QSize> &frame = o.frameSize()) {
        CommandLine size = CommandLine::literal(" -s ");
        size.appendValue(QStringLiteral("%1x%2").arg(frame->width()).arg(frame->height()));
        video.append({CommandRole::Size, size});
        CommandLine filter = CommandLine::literal(" -vf ");
        filter.appendValue(pictureFitFilter(frame->width(), frame->height(), o.displayAspect()));
        video.append({CommandRole::Filter, filter});
        if (!o.displayAspect().isEmpty()) {
            CommandLine shown = CommandLine::literal(" -aspect ");
            shown.appendValue(o.displayAspect());
            video.append({CommandRole::Other, shown});
        }
    }
    return video;
}

Expected<QList<CommandPart>> todayAudio(const OptionValues &o)
{
    if (!o.soundWanted())
        return QList<CommandPart>{{CommandRole::SoundCodec, CommandLine::literal(" -an")}};
    const std::optional<QString> encoder = todayAudioEncoder(o.audioCodec());
    if (!encoder)
        return Expected<QList<CommandPart>>::failure(todayError("Audio Codec", o.audioCodec()));
    CommandLine audio = CommandLine::literal(" -c:a ");
    audio.appendValue(*encoder);
    QList<CommandPart> parts{{CommandRole::SoundCodec, audio}};
    // "Same as source" sends nothing.
    if (o.soundKbps())
        parts.append({CommandRole::SoundRate, numberPart(" -b:a ", *o.soundKbps(), "k")});
    if (o.sampleRate())
        parts.append({CommandRole::SampleRate, numberPart(" -ar ", *o.sampleRate())});
    if (o.channels())
        parts.append({CommandRole::Other, numberPart(" -ac ", *o.channels())});
    return parts;
}

} // namespace vantrel
