#include "core/convert/command/CodecMapping.h"

namespace vantrel {

namespace {

struct CodecRow
{
    const char *label;
    const char *encoderText;
};

// Sheet label -> encoder text. "xvid" carries its own aspect option and
// "x264" its rate-control tuning; both are command fragments, not names.
constexpr CodecRow kVideoCodecs[] = {
    {"xvid", "libxvid  -aspect 4:3 "},
    {"x264", "libx264 -qmin 10 -qmax 51 -qdiff 4 -me_range 16 -keyint_min 25 -qcomp 0.6 "},
    {"mpeg4", "mpeg4"},
    {"WMV V9", "wmv2"},
    {"WMV V8", "wmv2"},
    {"mjpeg", "mjpeg"},
    {"h263", "h263"},
    {"mpeg1", "mpeg1video"},
    {"mpeg2", "mpeg2video"},
};

constexpr CodecRow kAudioCodecs[] = {
    {"aac", "libfaac"},   {"mp3", "libmp3lame"}, {"WMA9", "wmav2"},   {"WMA8", "wmav2"},
    {"pcm", "pcm_s16le"}, {"amr_nb", "libfaac"}, {"faac", "libfaac"}, {"ac3", "ac3"},
    {"ogg", "libvorbis"}, {"wav", "pcm_s16le"},  {"WMA", "wmav2"},    {"mp2", "mp2"},
};

// A fitted VP9 is one pass at a constant rate: libvpx takes two passes only
// at its "good" speed, nine times the time of the real-time one. SVT-AV1
// takes two passes only through its own program, not through FFmpeg 5.1:
// one pass of its variable rate, which looks ahead.
// The floors: where a 480p picture overtakes the 720p one on hard motion.
// VP9 at its real-time speed has no one such point (hard motion is better
// smaller even at 0.07, a calm picture keeps its size down to 0.01): 0.05
// lies between. Its constant rate lands a little under what is asked.
constexpr TodayVideoCodec kTodayVideoCodecs[] = {
    {"H.264", "libx264", "-preset veryfast", "-crf", "", " -b:v {R}k",
     " -pass {N} -passlogfile {LOG}", 0.03, 0.02},
    {"H.265", "libx265", "-preset superfast -tag:v hvc1 -x265-params log-level=error", "-crf", "",
     " -b:v {R}k", " -x265-params log-level=error:pass={N}:stats={LOGPARAM}", 0.04, 0.02},
    {"VP9", "libvpx-vp9", "-deadline realtime -cpu-used 8 -row-mt 1", "-crf", " -b:v 0",
     " -b:v {R}k -minrate {R}k -maxrate {R}k", nullptr, 0.05, 0.015},
    {"AV1", "libsvtav1", "-preset 10", "-crf", "", " -b:v {R}k", nullptr, 0.02, 0.04},
};

constexpr CodecRow kTodayAudioCodecs[] = {
    {"AAC", "aac"},
    {"Opus", "libopus"},
    {"FLAC", "flac"},
};

template <std::size_t N>
std::optional<QString> lookup(const CodecRow (&rows)[N], const QString &label)
{
    for (const CodecRow &row : rows) {
        if (label == QLatin1String(row.label))
            return QString::fromLatin1(row.encoderText);
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> mappedVideoCodec(const QString &label)
{
    return lookup(kVideoCodecs, label);
}

std::optional<QString> mappedAudioCodec(const QString &label)
{
    return lookup(kAudioCodecs, label);
}

const TodayVideoCodec *todayVideoCodec(const QString &label)
{
    for (const TodayVideoCodec &codec : kTodayVideoCodecs) {
        if (label == QLatin1String(codec.label))
            return &codec;
    }
    return nullptr;
}

std::optional<QString> todayAudioEncoder(const QString &label)
{
    return lookup(kTodayAudioCodecs, label);
}

bool wantsDefaultLayout(const QString &label)
{
    return label == QLatin1String("AAC") || label == QLatin1String("Opus");
}

int encodedChannels(std::optional<int> chosen, int sourceChannels)
{
    return chosen.value_or(sourceChannels);
}

QString defaultChannelLayout(int channels)
{
    static const char *const kLayouts[] = {"mono", "stereo", "2.1", "4.0",
                                           "5.0",  "5.1",    "6.1", "7.1"};
    return channels >= 1 && channels <= 8 ? QString::fromLatin1(kLayouts[channels - 1]) : QString();
}

} // namespace vantrel
