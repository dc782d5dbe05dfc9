#include "core/convert/CodecMapping.h"

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

} // namespace vantrel
