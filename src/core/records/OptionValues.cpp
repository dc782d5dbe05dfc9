#include "core/records/OptionValues.h"

#include "core/records/OutputTargets.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace vantrel {

namespace {

// A whole number above zero: today's items take no other.
std::optional<int> wholeNumber(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value > 0 ? std::optional<int>(value) : std::nullopt;
}

QString notTakenError(const char *item, const QString &text)
{
    return QCoreApplication::translate("EncoderCommand", "%1 \"%2\" is not one this profile takes")
        .arg(QLatin1String(item), text);
}

Expected<VideoRate> videoRateOf(const QString &text)
{
    static const QString kCrf = QStringLiteral("CRF ");
    if (text.startsWith(kCrf)) {
        if (const std::optional<int> quality = wholeNumber(text.mid(kCrf.size())))
            return VideoRate{VideoRate::Kind::Quality, *quality};
    } else if (const std::optional<int> kilobits = wholeNumber(text)) {
        return VideoRate{VideoRate::Kind::Kilobits, *kilobits};
    }
    return Expected<VideoRate>::failure(notTakenError("Video Bitrate", text));
}

} // namespace

std::optional<QSize> frameSizeOf(const QString &text)
{
    static const QRegularExpression frame(QStringLiteral("^(\\d+)x(\\d+)$"));
    const QRegularExpressionMatch match = frame.match(text);
    const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
    return match.hasMatch() && size.width() > 0 && size.height() > 0 ? std::optional<QSize>(size)
                                                                     : std::nullopt;
}

OptionValues::OptionValues(const ConversionOptions &texts)
    : m_texts(texts), m_soundWanted(texts.disableAudio == QLatin1String("No")),
      m_videoRate(videoRateOf(texts.videoBitrate)), m_frameSize(frameSizeOf(texts.videoSize)),
      m_soundKbps(wholeNumber(texts.audioBitrate)), m_sampleRate(wholeNumber(texts.sampleRate)),
      m_channels(wholeNumber(texts.audioChannel)), m_sizeLimit(fitSizeBytes(texts.fitSize)),
      m_loudness(loudnessTarget(texts.loudness)), m_soundTracks(soundTracksOf(texts.soundTracks)),
      m_subtitleTracks(subtitleTracksOf(texts.subtitles)),
      m_languages(languageCodesOf(texts.languages))
{
    if (wholeNumber(texts.videoFramerate) || texts.videoFramerate.contains(u'.'))
        m_frameRateText = texts.videoFramerate;
}

QString OptionValues::displayAspect() const
{
    return m_texts.aspectRatio.contains(u':') ? m_texts.aspectRatio : QString();
}

std::optional<double> OptionValues::framesPerSecond() const
{
    bool ok = false;
    const double rate = m_frameRateText.toDouble(&ok);
    return ok && rate > 0 ? std::optional<double>(rate) : std::nullopt;
}

} // namespace vantrel
