#include "core/convert/ConversionOptions.h"

namespace vantrel {

const std::vector<OptionField> &conversionOptionFields()
{
    using O = ConversionOptions;
    static const std::vector<OptionField> fields = {
        {"Video Options", "Video Codec", &O::VideoCodec},
        {"Video Options", "Video Size", &O::VideoSize},
        {"Video Options", "Video Bitrate", &O::VideoBitrate},
        {"Video Options", "Video Framerate", &O::VideoFramerate},
        {"Video Options", "Aspect Ratio", &O::AspectRatio},
        {"Audio Options", "Audio Codec", &O::AudioCodec},
        {"Audio Options", "Audio Bitrate", &O::AudioBitrate},
        {"Audio Options", "Sample Rate", &O::SampleRate},
        {"Audio Options", "Audio Channel", &O::AudioChannel},
        {"Audio Options", "Disable Audio", &O::DisableAudio},
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
