#pragma once

#include <QList>
#include <QString>

namespace vantrel {

// What FFmpeg's EBU R128 meter (`ebur128`) sums up of a sound.
struct LoudnessMeasure
{
    double integrated = 0; // LUFS; -70 when the sound is silent
    double truePeak = 0;   // dBTP; -inf when silent or not measured
    double range = 0;      // LU
    double threshold = 0;  // LUFS, the integrated measure's gate
};

// Every summary of the meter in an encoder's messages, in the order of the
// meters in the filter chain (FFmpeg prints them in any order): "I:", the first "Threshold:",
// "LRA:" and, when measured, the true "Peak:". A summary cut short is left out.
QList<LoudnessMeasure> parseLoudnessSummaries(const QString &messages);

} // namespace vantrel
