#pragma once

#include "core/convert/PassPlan.h"

#include <optional>

namespace vantrel {

// What loudnorm measured of a sound, from the summary it prints in JSON.
struct LoudnessMeasure
{
    double integrated = 0; // LUFS; -inf when the sound is silent
    double truePeak = 0;   // dBTP; -inf when silent
    double range = 0;      // LU
    double threshold = 0;  // LUFS, the gate
    double offset = 0;     // dB loudnorm's limiter may still need; inf when silent
};

// The last loudnorm summary in an encoder's messages ("input_i",
// "input_tp", "input_lra", "input_thresh", "target_offset"); none when the
// messages hold no whole one.
std::optional<LoudnessMeasure> parseLoudnessMeasure(const QString &messages);

// The loudest true peak an output may reach, in dBTP.
constexpr double kLoudnessCeiling = -1.0;
// What loudnorm is given as its ceiling for today's `audioCodec`: lower, as
// the resampling back to the output's rate and a lossy encoder raise the
// peaks it left (AAC by a few tenths of a dB, Opus by up to one on clipped
// sound).
double limiterCeiling(const QString &audioCodec);

// The filter that brings a sound measured as `measure` to `target` LUFS in
// one go: linearly (one gain for the whole) when its peaks stay under the
// ceiling, else in loudnorm's dynamic mode, which loudnorm chooses itself.
QString loudnessFilter(double target, double ceiling, const LoudnessMeasure &measure);
// Whether loudnessFilter applies one gain for the whole: the gain keeps the
// true peak under `ceiling`.
bool appliesLinearly(double target, double ceiling, const LoudnessMeasure &measure);

// The rate the sound of today's `audioCodec` ("AAC", "Opus", "FLAC") is
// encoded at: `sampleRate` as the sheet gives it, or for "Same as source"
// the rate FFmpeg picks for a source of `sourceRate` Hz (0: unknown), the
// encoder's nearest (Opus: 48 kHz and its lower rates).
int outputSampleRate(const QString &audioCodec, const QString &sampleRate, int sourceRate);

// Brings a row's sound to a loudness in two passes: it measures the sound
// of the row's clip alone (the picture is not decoded), then leaves the
// command with loudnorm given what it measured, and the sound resampled
// back to the output's rate (loudnorm works at 192 kHz). A sound too short
// for loudnorm's dynamic mode, whose peaks keep one gain from reaching the
// target, gets the gain its peaks allow. A silent sound, a source without
// sound or one that could not be read ahead is left as it is. The row's tip
// says which, with what was measured.
class LoudnessPlan : public PassPlan
{
public:
    LoudnessPlan(PassContext context, double target);

    PassStep begin(const EncoderCommand &command) override;
    PassStep next(const PassOutcome &outcome) override;
    EncoderCommand leaves() const override { return m_leaves; }
    QList<EncoderPass> outline(const EncoderCommand &command,
                               EncoderCommand &leaves) const override;
    QStringList notes() const override { return m_notes; }

private:
    // The note of a sound left as it is without a measure (empty: none to
    // make, as no sound is asked for); none when it is measured.
    std::optional<QString> unmeasuredNote() const;
    EncoderPass measuringPass(const EncoderCommand &command) const;
    // `command` with `filter` on its sound and the output's rate restored.
    EncoderCommand withFilter(const EncoderCommand &command, const QString &filter) const;
    QString prefix() const;

    PassContext m_context;
    double m_target;
    double m_ceiling;         // loudnorm's
    EncoderCommand m_command; // the command the plan began with
    EncoderCommand m_leaves;
    QStringList m_notes;
};

} // namespace vantrel
