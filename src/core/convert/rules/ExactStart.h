#pragma once

#include "core/records/ConversionJob.h"
#include "core/tools/SourceFacts.h"

#include <QStringList>

#include <optional>

namespace vantrel {

// How a copy of a clip starts and ends on the very pictures asked for when
// those are no key frames: the pictures from the start to the next key frame
// (the joint) are encoded again with the source's own codec and parameters,
// the rest is copied from the joint on up to the last key frame before the
// end (the tail), and the pictures from there to the end are encoded again
// too. Times are seconds from the file's start.
struct ExactStart
{
    int picture = 0;           // the picture's stream
    double keyFrameBefore = 0; // where decoding the start begins
    double start = 0;
    // Where the copied pictures take over: the first of them shown; the end
    // when the whole clip is encoded again.
    double joint = 0;
    double jointKeyFrame = 0; // the key frame the copy begins on
    // Where the pictures encoded again at the end begin (the first shown of
    // the last key frame's), and that key frame; none: the copy ends it.
    std::optional<double> tail;
    double tailKeyFrame = 0;
    bool endCounted = false; // the copied pictures end by their count, not a length
    double end = 0;
    QStringList encoder; // the encoder and its parameters, matching the source's picture
};

// The exact start and end of a copy of a clip whose start or end is no key
// frame; none when the copy starts and ends on key frames anyway (a clip from
// 0 to the file's end, a file of key frames only), when the key frames were
// not read, or when the picture cannot be matched: then `why` says what
// stops it.
std::optional<ExactStart> exactStart(const SourceFacts &facts, const ConversionJob &job,
                                     QString *why = nullptr);

// The encoder arguments ("-c:v libx264 ... -pix_fmt yuv420p") that encode
// pictures the way `picture`'s own are: its codec, profile, level, pixel
// format and field order; none, with `why`, when no encoder here matches it.
std::optional<QStringList> matchingEncoder(const StreamFacts &picture, QString *why = nullptr);

} // namespace vantrel
