#pragma once

#include "core/convert/PassPlan.h"

#include <QSize>

#include <optional>

namespace vantrel {

struct TodayVideoCodec;

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

// Fits a row's output under a size, never over it and close under it: the
// profile's own quality first (a first pass of the encoder that writes the
// output and, for x264 and x265, the statistics of its picture); a source
// that fits at that quality is kept so, not filled up. Otherwise (after a
// first pass at a picture the budget made smaller, kept only when no rate
// would be watchable) the second pass at the rate the budget leaves, run again at a corrected rate
// while the output comes out over the limit or well under it, at most twice (the last try falls
// back on a rate that fitted); a limit too small for a watchable picture fails the row with the
// size it would need.
class FitPlan : public PassPlan
{
public:
    FitPlan(PassContext context, qint64 limitBytes);

    PassStep begin(const EncoderCommand &command) override;
    PassStep next(const PassOutcome &outcome) override;
    EncoderCommand leaves() const override { return m_command; }
    QList<EncoderPass> outline(const EncoderCommand &command,
                               EncoderCommand &leaves) const override;
    QStringList notes() const override { return m_notes; }

    static constexpr int kMostTries = 3; // the second pass and two runs again

private:
    enum class Stage
    {
        AtQuality,        // the profile's quality, the picture as the command makes it
        AtQualitySmaller, // the same with the budget's smaller picture and sound
        AtRate            // the budget's rate
    };

    // The arithmetic's input for `command`; none when the output's length is
    // not known.
    std::optional<FitInput> inputFor(const EncoderCommand &command) const;
    EncoderPass qualityPass(bool smaller) const;
    EncoderPass ratePass(int videoKbps) const;
    // `command` with the budget's picture frame and sound, and pass `n` of
    // the codec's two (0: none).
    EncoderCommand shaped(EncoderCommand command, bool smaller, int pass) const;
    bool usesSmallerPicture() const;
    QString fittedNote(qint64 bytes) const;

    PassContext m_context;
    qint64 m_limitBytes;
    const TodayVideoCodec *m_codec = nullptr;
    EncoderCommand m_command; // the command the plan began with
    FitInput m_input;
    FitBudget m_budget;
    Stage m_stage = Stage::AtQuality;
    int m_tries = 0;
    int m_videoKbps = 0;
    std::optional<int> m_fittingKbps; // the highest rate tried that fitted
    std::optional<int> m_overKbps;    // the lowest rate tried that went over
    QStringList m_notes;
};

} // namespace vantrel
