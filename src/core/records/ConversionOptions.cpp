#include "core/records/ConversionOptions.h"

namespace vantrel {

const std::vector<OptionField> &conversionOptionFields()
{
    using O = ConversionOptions;
    static const std::vector<OptionField> fields = {
        {"Video Options", "Video Codec", &O::videoCodec},
        {"Video Options", "Video Size", &O::videoSize},
        {"Video Options", "Video Bitrate", &O::videoBitrate},
        {"Video Options", "Video Framerate", &O::videoFramerate},
        {"Video Options", "Aspect Ratio", &O::aspectRatio},
        {"Video Options", "Fit To Size", &O::fitSize},
        {"Video Options", "Subtitles", &O::subtitles},
        {"Video Options", "HDR", &O::hdr},
        {"Audio Options", "Audio Codec", &O::audioCodec},
        {"Audio Options", "Audio Bitrate", &O::audioBitrate},
        {"Audio Options", "Sample Rate", &O::sampleRate},
        {"Audio Options", "Audio Channel", &O::audioChannel},
        {"Audio Options", "Disable Audio", &O::disableAudio},
        {"Audio Options", "Loudness", &O::loudness},
        {"Audio Options", "Sound Tracks", &O::soundTracks},
    };
    return fields;
}

ConversionOptions readConversionOptions(const OptionLookup &lookup)
{
    ConversionOptions options;
    for (const OptionField &f : conversionOptionFields())
        options.*f.field = lookup(QString::fromUtf8(f.category), QString::fromUtf8(f.item));
    return options;
}

} // namespace vantrel
