#pragma once

#include "core/convert/checks/EncoderReport.h"
#include "core/tools/Process.h"
#include "core/tools/SourceFacts.h"

#include <QString>

#include <optional>

namespace vantrel {

// How much shorter than `seconds` a length may be and still count as the
// same: a little for a short clip (which is judged too), more for a long one.
double lengthTolerance(double seconds);

// What a row asked for.
struct OutputRequest
{
    bool soundOnly = false;  // an audio profile: the sound alone is converted
    bool soundWanted = true; // the option sheet does not disable the sound
    bool wholeFile = true;   // no clip: the whole source is converted
    double startSeconds = 0; // the clip, when there is one
    double durationSeconds = 0;
    std::optional<qint64> sizeLimit; // the file must fit under this many bytes
    // The length the source claims where the encoder tells less or none (an
    // AVI's header counting frames the file lost, an ASF's that FFmpeg does
    // not read), known to within `claimedWithin` seconds.
    std::optional<double> claimedSeconds;
    double claimedWithin = 0;
    // A jump of the source's timestamps the encoder runs on over (a
    // transport stream joined from pieces): the header's length less it.
    double closedGapSeconds = 0;
};

// What is known of a row's output once its encoder ended well.
struct OutputFindings
{
    qint64 fileSize = -1; // -1: no output file at all
    EncoderReport report;
};

struct OutputVerdict
{
    bool complete = false;
    // Why the output is not complete; for a complete one, a note or nothing.
    QString text;
};

// Judges a row's output by the file itself and by what the encoder decoded,
// never by a header's claim or the player's whole-second length: it must have
// the streams the row asks for and the source has, and the file must hold
// what the encoder says it wrote. A source that holds less than its header
// claims gives a complete output with a note. A file over the row's size
// limit is never complete.
OutputVerdict judgeOutput(const OutputRequest &request, const OutputFindings &findings);

// Sets what `request` takes the source to claim: the header's length as read
// ahead (`facts`; its frames counted, for a picture; a sound kept alone, its
// own stream's), else, when no header tells a length, the one the list shows
// (`listedTime`, whole seconds).
void setClaimedLength(OutputRequest &request, const std::optional<SourceFacts> &facts,
                      const QString &listedTime);

// Why an encode must stop before it ends: its output has run far past the
// length of the source (`sourceSeconds`), which only a damaged source's
// timestamps do (a flipped bit puts a frame hours later, and the encoder
// fills the gap). None while the output stays within twice the length and
// half a minute.
std::optional<QString> runawayReason(double outputSeconds, double sourceSeconds);

// Why a failed encoder could not have done better: the source is no media
// it can read, or lacks what the row converts (no sound for a sound-only
// row); none when nothing tells.
std::optional<QString> missingSourceStreamReason(const OutputRequest &request,
                                                 const EncoderReport &report);

// Why a row's encoder did not deliver, in words: how it ended, or which tool
// is missing when it could not start.
QString encoderFailureReason(const ProcessResult &result, const QString &encoderPath);

} // namespace vantrel
