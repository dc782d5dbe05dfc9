#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// What the media-info tool tells of a file: its kinds of streams and lengths.
struct MediaFacts
{
    bool hasVideo = false;
    bool hasAudio = false;
    std::optional<double> videoSeconds;
    std::optional<double> audioSeconds;
    std::optional<double> containerSeconds;

    // The length a conversion takes from the file: the sound's when only the
    // sound is taken, else the picture's (the sound's for a file without
    // one); the container's when the stream tells none.
    std::optional<double> length(bool soundOnly) const;
    // The longest stream; the container's length when no stream tells one.
    std::optional<double> longest() const;
};

// The media-info tool's arguments that print a file's streams and lengths,
// one "stream|..." or "format|..." record per line.
QStringList mediaFactsArguments(const QString &path);

// Reads what those arguments make the tool print. Lengths it does not know
// ("N/A") or only estimates from the bitrate stay unknown; a stream's
// DURATION tag stands in for its length.
MediaFacts parseMediaFacts(const QString &output);

// What a line of the encoder's messages says of the output. Either kind makes
// a row fail, even when the encoder exits with 0.
enum class EncoderLine
{
    Plain,
    WriteError, // the output could not be written: a full disk, a write or close error
    Failed      // the encoder's own closing "Conversion failed!"
};
EncoderLine classifyEncoderLine(const QString &line);

// Whether the encoder said that it wrote no sound and no picture (it still
// exits with 0 and leaves a file of bare headers).
bool encoderWroteNothing(const QString &encoderOutput);

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
};

// What is known of a row's output once its encoder ended well.
struct OutputFindings
{
    qint64 fileSize = -1;                 // -1: no output file at all
    std::optional<MediaFacts> output;     // none: the file could not be measured
    std::optional<MediaFacts> source;     // none: the source could not be measured
    std::optional<double> encodedSeconds; // the encoder's own report of what it wrote
    bool nothingEncoded = false;
};

struct OutputVerdict
{
    bool complete = false;
    // Why the output is not complete; for a complete one, a note or nothing.
    QString text;
};

// Judges a row's output by the file itself and by what the encoder decoded,
// never by a header's claim or the player's whole-second length: it must have
// the streams the row asks for and the source has, and hold what the encoder
// says it wrote. A source that holds less than its header claims gives a
// complete output with a note.
OutputVerdict judgeOutput(const OutputRequest &request, const OutputFindings &findings);

} // namespace vantrel
