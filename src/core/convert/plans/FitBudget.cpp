#include "core/convert/plans/FitBudget.h"

#include <QList>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

// What a container adds to its streams: a fixed part (headers, metadata)
// and a part for every packet (MP4's index: sizes, times and offsets of
// each sample; WebM's block headers and cues), measured on files of both.
struct ContainerCost
{
    const char *extension;
    qint64 fixedBytes;
    double bytesPerPacket;
};
constexpr ContainerCost kContainerCosts[] = {
    {".mp4", 4000, 22},
    {".webm", 3000, 9},
};
// AAC and Opus both write about 50 packets a second.
constexpr double kSoundPacketsPerSecond = 50;

// The sound's rates from the profile's down, as a tight limit lowers them.
constexpr int kSoundSteps[] = {160, 96, 64, 32};
// The picture's shorter side, as a tight limit makes it smaller.
constexpr int kPictureSteps[] = {1080, 720, 480, 360};
// The sound takes at most this share of the rate.
constexpr double kSoundShare = 0.25;
// An encoder's rate overshoots a little when asked again: another try aims
// this much lower than the overshoot alone says.
constexpr double kRetryMargin = 0.97;
// Another try raises the rate at most this much: an output far under the
// limit tells little of what a much higher rate gives.
constexpr double kMostRaise = 2.0;

QList<int> pictureSides(const QSize &frame)
{
    const int own = std::min(frame.width(), frame.height());
    QList<int> sides{own};
    for (const int step : kPictureSteps) {
        if (step < own)
            sides << step;
    }
    return sides;
}

int videoKbpsFor(const FitInput &input, int soundKbps)
{
    FitInput shaped = input;
    shaped.soundKbps = soundKbps;
    const double usable = double(input.limitBytes) * (1 - input.rateMargin) -
                          double(containerOverhead(shaped)) - double(soundBytes(input, soundKbps));
    return int(std::floor(usable * 8 / input.seconds / 1000));
}

double bitsPerPixel(const FitInput &input, const QSize &frame, int videoKbps)
{
    return videoKbps * 1000.0 / (double(frame.width()) * frame.height() * input.framesPerSecond);
}

// The size in bytes that holds `frame` at the codec's floor with
// `soundKbps` of sound, rounded up to a tenth of a MB (a hundredth below 1 MB).
qint64 neededBytes(const FitInput &input, const QSize &frame, int soundKbps)
{
    FitInput shaped = input;
    shaped.soundKbps = soundKbps;
    const double pictureBits =
        input.picture && frame.isValid()
            ? input.leastBitsPerPixel * frame.width() * frame.height() * input.framesPerSecond
            : 0;
    const double bytes = ((pictureBits + soundKbps * 1000.0) * input.seconds / 8 +
                          double(containerOverhead(shaped))) /
                         (1 - input.rateMargin);
    const double grain = bytes < 1e6 ? 1e4 : 1e5;
    return qint64(std::ceil(bytes / grain) * grain);
}

} // namespace

QList<int> fitSoundSteps(int profileKbps)
{
    QList<int> steps{profileKbps};
    for (const int step : kSoundSteps) {
        if (step < profileKbps)
            steps << step;
    }
    return steps;
}

qint64 containerOverhead(const FitInput &input)
{
    const ContainerCost *cost = &kContainerCosts[0];
    for (const ContainerCost &row : kContainerCosts) {
        if (input.extension == QLatin1String(row.extension))
            cost = &row;
    }
    const double packets = input.seconds * ((input.picture ? input.framesPerSecond : 0) +
                                            (input.soundKbps > 0 ? kSoundPacketsPerSecond : 0));
    return cost->fixedBytes + qint64(std::ceil(packets * cost->bytesPerPacket));
}

qint64 soundBytes(const FitInput &input, int kbps)
{
    return qint64(std::ceil(kbps * 1000.0 / 8 * input.seconds));
}

QSize frameWithShorterSide(const QSize &frame, int side)
{
    const auto even = [](double length) {
        return std::max(2, 2 * int(std::lround(length / 2)));
    };
    if (frame.width() <= frame.height())
        return QSize(even(side), even(double(side) * frame.height() / frame.width()));
    return QSize(even(double(side) * frame.width() / frame.height()), even(side));
}

FitBudget fitBudget(const FitInput &input)
{
    FitBudget budget;
    budget.frame = input.frame;
    const QList<int> sounds = input.soundKbps > 0 ? fitSoundSteps(input.soundKbps) : QList<int>{0};
    if (!input.picture) {
        // Sound alone: the highest of its rates that the limit holds.
        for (const int sound : sounds) {
            budget.soundKbps = sound;
            if (videoKbpsFor(input, sound) >= 0)
                return budget;
        }
        budget.neededBytes = neededBytes(input, QSize(), sounds.constLast());
        return budget;
    }
    // The sound's share first: at most a quarter of the rate.
    const double totalKbps = videoKbpsFor(input, 0);
    budget.soundKbps = sounds.constLast();
    for (const int sound : sounds) {
        if (sound <= totalKbps * kSoundShare) {
            budget.soundKbps = sound;
            break;
        }
    }
    budget.videoKbps = videoKbpsFor(input, budget.soundKbps);
    if (!input.frame.isValid()) {
        // The picture's size is not known: no floor to hold it to.
        if (budget.videoKbps <= 0)
            budget.neededBytes = neededBytes(input, QSize(), budget.soundKbps);
        return budget;
    }
    const QList<int> sides = pictureSides(input.frame);
    for (const int side : sides) {
        budget.frame = frameWithShorterSide(input.frame, side);
        if (bitsPerPixel(input, budget.frame, budget.videoKbps) >= input.leastBitsPerPixel)
            return budget;
    }
    // The smallest picture: with the least sound, or not at all.
    budget.soundKbps = sounds.constLast();
    budget.videoKbps = videoKbpsFor(input, budget.soundKbps);
    if (bitsPerPixel(input, budget.frame, budget.videoKbps) < input.leastBitsPerPixel)
        budget.neededBytes = neededBytes(input, budget.frame, budget.soundKbps);
    return budget;
}

int correctedVideoKbps(const FitInput &input, const FitBudget &budget, int videoKbps,
                       qint64 producedBytes)
{
    FitInput shaped = input;
    shaped.soundKbps = budget.soundKbps;
    const double rest = double(containerOverhead(shaped) + soundBytes(input, budget.soundKbps));
    const double wanted = double(input.limitBytes) * (1 - input.rateMargin) - rest;
    const double produced = double(producedBytes) - rest;
    const bool over = producedBytes > input.limitBytes;
    double factor = wanted > 0 && produced > 0 ? wanted / produced : 0;
    // When what is not the picture's went over, the whole is lowered alike.
    if (over && !(factor > 0 && factor < 1))
        factor = double(input.limitBytes) / double(producedBytes);
    const int corrected =
        std::max(1, int(std::floor(videoKbps * std::min(factor, kMostRaise) * kRetryMargin)));
    return over ? std::min(corrected, std::max(1, videoKbps - 1)) : corrected;
}

} // namespace vantrel
