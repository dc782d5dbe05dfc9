#pragma once

#include <QString>

#include <optional>

namespace vantrel {

// The encoder's codec options for the option sheet's codec labels. Labels are
// compared exactly; a label found in no row has no mapping and is passed on as
// it stands.
std::optional<QString> mappedVideoCodec(const QString &label);
std::optional<QString> mappedAudioCodec(const QString &label);

// Today's codecs: the encoder, the options that set its speed (chosen so
// that a 720p film converts faster than it plays, or within three times
// for H.265 and AV1, on two cores), and the option of constant quality.
struct TodayVideoCodec
{
    const char *label;
    const char *encoder;
    const char *speed;
    const char *quality; // "-crf"; what follows a CRF value (VP9 wants "-b:v 0")
    const char *afterQuality;
    // Fitting a size: the options that ask for a picture rate of "{R}"
    // kbit/s, and those of the encoder's first and second pass ("{N}",
    // statistics at "{LOG}", or "{LOGPARAM}" inside a parameter list);
    // none: it encodes once at the rate.
    const char *rate;
    const char *passes;
    // The fewest bits per pixel of each frame at which the picture keeps its
    // size: below it, a smaller picture at the same rate, scaled back up,
    // comes closer to hard motion (bench/fit-floors.sh). And the share of
    // the limit kept back for the error of the encoder's rate.
    double leastBitsPerPixel;
    double rateMargin;
};
const TodayVideoCodec *todayVideoCodec(const QString &label);
// The encoder of today's sound codec label ("Opus" -> "libopus").
std::optional<QString> todayAudioEncoder(const QString &label);
// Whether today's sound codec takes a surround sound only in FFmpeg's own
// layouts ("5.1", not "5.1(side)" as broadcast AC3 has it): Opus refuses the
// others, AAC in MP4 loses them.
bool wantsDefaultLayout(const QString &label);
// The channels today's sound is encoded in: the sheet's Audio Channel when
// it gives a number, else the source's (0: unknown).
int encodedChannels(std::optional<int> chosen, int sourceChannels);
// FFmpeg's layout for a number of channels, as `-ac` makes it; empty past 8.
QString defaultChannelLayout(int channels);

} // namespace vantrel
