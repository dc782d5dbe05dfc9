#include "core/convert/plans/LoudnessFilters.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vantrel {

namespace {

// The loudness range loudnorm is given: at least the sound's own, so that
// its range never keeps it from applying one gain.
constexpr double kLeastRange = 7;
constexpr double kWidestRange = 50;
// The rates an encoder takes, when it does not take them all; FFmpeg
// encodes at the one nearest the sound's (the first of two as near).
struct EncoderRates
{
    const char *codec;
    std::vector<int> rates;
};
const std::vector<EncoderRates> &encoderRates()
{
    static const std::vector<EncoderRates> table = {
        {"AAC",
         {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 7350}},
        {"Opus", {48000, 24000, 16000, 12000, 8000}},
    };
    return table;
}
// What a sound of unknown rate is encoded at.
constexpr int kCommonRate = 48000;

QString number(double value)
{
    return QString::number(value, 'f', 2);
}

} // namespace

double limiterCeiling(const QString &audioCodec)
{
    return kLoudnessCeiling - (audioCodec == QLatin1String("Opus") ? 1.0 : 0.5);
}

bool appliesLinearly(double target, double ceiling, const LoudnessMeasure &measure)
{
    // loudnorm's own test, on the values it is given.
    const double gain = target - std::clamp(measure.integrated, -99.0, 0.0);
    return std::clamp(measure.truePeak, -99.0, 99.0) + gain <= ceiling;
}

QString loudnessFilter(double target, double ceiling, const LoudnessMeasure &measure)
{
    // loudnorm takes a range of 0 as "not measured" and then never applies
    // one gain; a steady sound's range rounds to 0.
    const double range = std::clamp(std::max(measure.range, 0.01), 0.0, 99.0);
    return QStringLiteral("loudnorm=I=%1:TP=%2:LRA=%3:measured_I=%4:measured_TP=%5:"
                          "measured_LRA=%6:measured_thresh=%7:offset=0:linear=true")
        .arg(QString::number(target), QString::number(ceiling, 'f', 1),
             number(std::clamp(range, kLeastRange, kWidestRange)),
             number(std::clamp(measure.integrated, -99.0, 0.0)),
             number(std::clamp(measure.truePeak, -99.0, 99.0)), number(range),
             number(std::clamp(measure.threshold, -99.0, 0.0)));
}

int outputSampleRate(const QString &audioCodec, std::optional<int> sampleRate, int sourceRate)
{
    if (sampleRate)
        return *sampleRate;
    if (sourceRate <= 0)
        return kCommonRate;
    for (const EncoderRates &row : encoderRates()) {
        if (audioCodec != QLatin1String(row.codec))
            continue;
        int nearest = row.rates.front();
        for (const int candidate : row.rates) {
            if (std::abs(candidate - sourceRate) < std::abs(nearest - sourceRate))
                nearest = candidate;
        }
        return nearest;
    }
    return sourceRate;
}

QString encoderBandFilter(const QString &audioCodec, int rate, int channels, int kilobits)
{
    int top = rate / 2;
    if (audioCodec == QLatin1String("AAC") && kilobits > 0 && channels > 0) {
        // FFmpeg's AAC encoder cuts its band by the rate each channel gets.
        const int perChannel = kilobits * 1000 / channels;
        top = std::min({std::max(perChannel / 5, perChannel * 15 / 32 - 5500),
                        3000 + perChannel / 4, 12000 + perChannel / 16, 22000, top});
    } else if (audioCodec == QLatin1String("Opus")) {
        top = std::min(20000, top); // Opus codes up to 20 kHz
    }
    if (top >= rate / 2)
        return QString();
    return QStringLiteral("firequalizer=gain='if(lt(f,%1),0,-120)'").arg(top);
}

} // namespace vantrel
