#pragma once

#include "core/convert/plans/FitBudget.h"
#include "core/convert/plans/PassPlan.h"

#include <optional>

namespace vantrel {

struct TodayVideoCodec;

// Fits a row's output under a size, never over it and close under it: the
// profile's own quality first (a first pass of the encoder that writes the
// output and, for x264 and x265, the statistics of its picture); a source
// that fits at that quality is kept so, not filled up. Otherwise (after a
// first pass at a picture the budget made smaller, kept only when no rate
// would be watchable) the second pass at the rate the budget leaves, run again
// while the output comes out over the limit or well under it, at most twice:
// at a corrected rate, or between a rate that fitted and one that went over,
// where their sizes place the limit; when the last of them went over, once
// more at the rate that fitted. A limit too small for a watchable picture
// fails the row with the size it would need.
class FitPlan : public PassPlan
{
public:
    FitPlan(PassContext context, qint64 limitBytes);

    PassStep begin(const EncoderCommand &command) override;
    PassStep next(const PassOutcome &outcome) override;
    EncoderCommand leaves() const override { return m_command; }
    QList<EncoderPass> outline(Outline &at) const override;
    QStringList notes() const override { return m_notes; }

    // The second pass and two runs again at new rates; one more at the
    // rate that fitted when the last of them went over.
    static constexpr int kMostTries = 3;

private:
    enum class Stage
    {
        AtQuality,        // the profile's quality, the picture as the command makes it
        AtQualitySmaller, // the same with the budget's smaller picture and sound
        AtRate            // the budget's rate
    };

    // The arithmetic's input, from the row's options and its source's
    // facts; none when the output's length is not known.
    std::optional<FitInput> input() const;
    EncoderPass qualityPass(bool smaller) const;
    EncoderPass ratePass(int videoKbps) const;
    // `command` with the budget's picture frame and sound, and pass `n` of
    // the codec's two (0: none).
    EncoderCommand shaped(EncoderCommand command, bool smaller, int pass) const;
    bool usesSmallerPicture() const;
    // A smaller picture that fits at the quality with room to spare: the
    // room filled at a rate.
    PassStep fillFrom(qint64 qualityBytes);
    QString qualityNote(qint64 bytes) const;
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
    struct Tried
    {
        int kbps = 0;
        qint64 bytes = 0;
        bool atQuality = false; // the smaller picture's quality pass, its rate as its size tells
    };
    std::optional<Tried> m_fitting; // the highest rate tried that fitted
    std::optional<Tried> m_over;    // the lowest rate tried that went over
    bool m_fallingBack = false;     // the last run, at the rate that fitted
    QStringList m_notes;
};

} // namespace vantrel
