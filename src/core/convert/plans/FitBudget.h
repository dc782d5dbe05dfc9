#pragma once

#include <QList>
#include <QSize>
#include <QString>

#include <optional>

namespace vantrel {

// What the arithmetic of a file fitted under a limit starts from.
struct FitInput
{
    qint64 limitBytes = 0;
    double seconds = 0;  // the output's length: the clip's, when trimmed
    bool picture = true; // the output has a picture
    QSize frame;         // its frame as the command makes it; empty: not known
    double framesPerSecond = 30;
    int soundKbps = 0;            // the profile's sound; 0: the output has none
    QString extension;            // the container's (".mp4", ".webm")
    double leastBitsPerPixel = 0; // the codec's floor
    double rateMargin = 0;        // share of the limit kept back for the codec's error
};

// How a fitted file spends its limit.
struct FitBudget
{
    QSize frame;       // the picture's frame, smaller than the input's when its floor asks
    int soundKbps = 0; // lowered from the profile's when the limit is tight
    int videoKbps = 0;
    // The limit is too small even for the smallest picture with the least
    // sound: the size that would hold them.
    std::optional<qint64> neededBytes;
};

// The bytes the container adds to the streams (its headers and index, by
// the packets it holds), measured on MP4 and WebM.
qint64 containerOverhead(const FitInput &input);
// The sound's bytes at `kbps` over the output's length.
qint64 soundBytes(const FitInput &input, int kbps);

// The sound's rates a limit may lower it to: the profile's, then the lower
// of 160, 96, 64 and 32 kbit/s.
QList<int> fitSoundSteps(int profileKbps);

// The budget of a file under the limit: the sound gets at most a quarter of
// the rate (lowered 160 -> 96 -> 64 -> 32 kbit/s), the picture the rest; a
// picture whose bits per pixel and frame fall below the codec's floor is made
// smaller (1080p -> 720p -> 480p -> 360p, the shape kept); still too small
// with the least sound, the size it would need.
FitBudget fitBudget(const FitInput &input);

// The picture's rate for another try, after an output of `producedBytes`
// came out at `videoKbps`: lowered by as much as it went over the limit, or
// raised (at most twice) by as much as it fell short of it.
int correctedVideoKbps(const FitInput &input, const FitBudget &budget, int videoKbps,
                       qint64 producedBytes);

// `frame` made smaller so that its shorter side is `side`, its shape kept
// and its sides even.
QSize frameWithShorterSide(const QSize &frame, int side);

} // namespace vantrel
