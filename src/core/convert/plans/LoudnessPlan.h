#pragma once

#include "core/convert/plans/LoudnessMeasure.h"
#include "core/convert/plans/PassPlan.h"

#include <optional>

namespace vantrel {

// Brings a row's sound to a loudness. It measures the sound of the row's
// clip alone (the picture is not decoded), as it is and within the band
// the encoder will keep, and picks the filters: loudnorm applying one gain
// when the peaks allow it; else the sound is evened out (loudnorm's dynamic
// mode, or for a sound shorter than its window the gain with its peaks
// limited). An evened-out sound, and a single gain near the ceiling, is
// tried: encoded alone by a lossy encoder, then measured; a miss is made
// good with more or less gain and the peaks limited, a few times at most,
// the closest kept.
// The conversion gets the filters and the output's sample rate (loudnorm
// works at 192 kHz). A silent sound, a source without sound or one that
// could not be read ahead is left as it is. The row's tip says which, with
// what was measured. A row that keeps several sounds has a plan for each.
class LoudnessPlan : public PassPlan
{
public:
    // The sound a plan brings to the target: the source's `stream`, the
    // output's sound `at` of `kept`.
    struct Sound
    {
        int stream = -1; // its index in the source; -1: the row's sound
        int at = 0;
        int kept = 1;
    };

    LoudnessPlan(PassContext context, double target);
    LoudnessPlan(PassContext context, double target, Sound sound);

    PassStep begin(const EncoderCommand &command) override;
    PassStep next(const PassOutcome &outcome) override;
    EncoderCommand leaves() const override { return m_leaves; }
    QList<EncoderPass> outline(Outline &at) const override;
    QStringList notes() const override { return m_notes; }

private:
    // A try: loudnorm as the measure allows (none: the gain alone), with
    // `gain` dB more and the peaks limited under `limit` dBTP when `limited`.
    struct Try
    {
        QString picked;
        bool limited = false;
        double gain = 0;
        double limit = 0;
    };
    struct Tried
    {
        Try filters;
        double shortfall = 0; // LU under the target
        bool underCeiling = true;
        LoudnessMeasure measure;
    };

    // The note of a sound left as it is without a measure (empty: none to
    // make, as no sound is asked for); none when it is measured.
    std::optional<QString> unmeasuredNote() const;
    EncoderPass passOf(EncoderCommand command, const QString &title) const;
    // A pass that runs the sound of `command`'s source through `chain`.
    EncoderPass soundPass(const EncoderCommand &command, const QString &chain,
                          const QString &title) const;
    // A pass that encodes the sound alone, as the conversion will, after
    // `chain` into `path`; and one that measures the sound in `path`.
    EncoderPass encodingPass(const QString &chain, const QString &path) const;
    EncoderPass checkingPass(const QString &path) const;
    bool encodesTries() const;
    bool bandUnknown() const;
    QString tryPath() const;
    // The sound in the output's channels and at its rate; and that within
    // the encoder's band.
    QString outputFormat() const;
    QString asEncoded() const;
    int outputRate() const;
    int outputChannels() const;
    PassStep afterMeasure(const PassOutcome &outcome);
    // The gain to the target from the measure, the peaks limited; the
    // first of such tries.
    Try limitedGain();
    PassStep startTry();
    PassStep afterTry(const PassOutcome &outcome);
    // Leaves the closest try.
    PassStep finish();
    QString filtersOf(const Try &t) const;
    // `command` with `filter` on its sound `at` and the output's rate restored.
    EncoderCommand withFilter(const EncoderCommand &command, const QString &filter, int at) const;
    const StreamFacts *sound() const;
    QString prefix() const;

    PassContext m_context;
    double m_target;
    Sound m_sound;
    double m_ceiling;         // loudnorm's and the limiter's
    EncoderCommand m_command; // the command the plan began with
    enum class Stage
    {
        Measure, // the source's sound
        Encode,  // a try's sound, encoded apart
        Check    // a try measured
    };
    Stage m_stage = Stage::Measure;
    double m_measured = 0;  // LUFS, as the output will hold the sound
    bool m_dynamic = false; // the first try is loudnorm's dynamic mode
    Try m_try;
    double m_firstGain = 0;
    std::optional<Tried> m_last; // to aim the next try
    std::optional<Tried> m_best;
    int m_tries = 0;
    int m_mostTries = 0;
    EncoderCommand m_leaves;
    QStringList m_notes;
};

} // namespace vantrel
