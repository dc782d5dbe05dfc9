#pragma once

#include "core/common/Expected.h"
#include "core/records/ConversionOptions.h"
#include "core/records/TrackRules.h"

#include <QSize>
#include <QString>

#include <optional>

namespace vantrel {

// A picture's rate as today's entries take it: a constant quality ("CRF
// 23") or a bitrate ("2500", kbit/s).
struct VideoRate
{
    enum class Kind
    {
        Quality,
        Kilobits
    };
    Kind kind = Kind::Quality;
    int value = 0;
};

// "1280x720" as a frame size; none for any other text or a zero side.
std::optional<QSize> frameSizeOf(const QString &text);

// The batch's options as a conversion reads them: the option sheet's texts,
// parsed once, when a job takes them. The texts stay with the values: they
// are what the settings and the kept list store, and the commands of the
// 101 entries of old put them in as they stand. A text that is no value of
// its item keeps the reason, so that an entry using that item fails with it.
class OptionValues
{
public:
    OptionValues() : OptionValues(ConversionOptions()) {}
    // A job takes the sheet's texts as they are: the conversion is implicit.
    OptionValues(const ConversionOptions &texts); // NOLINT(google-explicit-constructor)

    const ConversionOptions &texts() const { return m_texts; }

    // "Disable Audio" is "No".
    bool soundWanted() const { return m_soundWanted; }
    // The codecs as the sheet names them: "H.264", "AAC".
    const QString &videoCodec() const { return m_texts.videoCodec; }
    const QString &audioCodec() const { return m_texts.audioCodec; }

    // "CRF 23" or "2500"; otherwise why it is none of today's rates.
    const Expected<VideoRate> &videoRate() const { return m_videoRate; }
    // "1280x720"; none for "Same as source" or any text that is no size.
    const std::optional<QSize> &frameSize() const { return m_frameSize; }
    // "16:9" and the like; empty when the item says no shape of its own.
    QString displayAspect() const;
    // "25", "29.97" as the sheet writes it, and as a number; empty and none
    // for "Same as source".
    const QString &frameRateText() const { return m_frameRateText; }
    std::optional<double> framesPerSecond() const;

    // Whole numbers of today's sound items; none for "Same as source".
    const std::optional<int> &soundKbps() const { return m_soundKbps; }
    const std::optional<int> &sampleRate() const { return m_sampleRate; }
    const std::optional<int> &channels() const { return m_channels; }

    // Fit To Size in bytes and the loudness target in LUFS; none for "Off"
    // and "Same as source".
    const Expected<std::optional<qint64>> &sizeLimit() const { return m_sizeLimit; }
    const Expected<std::optional<double>> &loudness() const { return m_loudness; }

    // "HDR" is "Keep (10-bit)": an HDR picture stays HDR.
    bool keepsHdr() const { return m_texts.hdr == hdrKept(); }
    static QString hdrKept() { return QStringLiteral("Keep (10-bit)"); }
    static QString hdrStandard() { return QStringLiteral("Standard range (8-bit)"); }

    // Which sounds and subtitles are kept, and the preferred languages.
    const Expected<SoundTracks> &soundTracks() const { return m_soundTracks; }
    const Expected<SubtitleTracks> &subtitleTracks() const { return m_subtitleTracks; }
    const Expected<QStringList> &languages() const { return m_languages; }

private:
    ConversionOptions m_texts;
    bool m_soundWanted = true;
    Expected<VideoRate> m_videoRate = VideoRate();
    std::optional<QSize> m_frameSize;
    QString m_frameRateText;
    std::optional<int> m_soundKbps;
    std::optional<int> m_sampleRate;
    std::optional<int> m_channels;
    Expected<std::optional<qint64>> m_sizeLimit = std::optional<qint64>();
    Expected<std::optional<double>> m_loudness = std::optional<double>();
    Expected<SoundTracks> m_soundTracks = SoundTracks::Best;
    Expected<SubtitleTracks> m_subtitleTracks = SubtitleTracks::None;
    Expected<QStringList> m_languages = QStringList();
};

} // namespace vantrel
