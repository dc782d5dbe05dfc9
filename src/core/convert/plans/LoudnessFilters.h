#pragma once

#include "core/convert/plans/LoudnessMeasure.h"

#include <QString>

#include <optional>

namespace vantrel {

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
int outputSampleRate(const QString &audioCodec, std::optional<int> sampleRate, int sourceRate);

// The filter that keeps the band today's encoder of `audioCodec` keeps of
// a sound at `rate` Hz in `channels` channels at `kilobits` per second
// (empty: the whole band). What lies above is not heard in the output and
// takes its loudness with it: white noise loses about 1 LU to AAC in two
// channels at 160 kbit/s.
QString encoderBandFilter(const QString &audioCodec, int rate, int channels, int kilobits);

} // namespace vantrel
