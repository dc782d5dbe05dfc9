#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// What is known of a media file's streams and lengths.
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
};

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

// What the encoder's own messages tell of one run: the input and output as
// it opened them, what it wrote, and whether it said that the output could
// not be written.
struct EncoderReport
{
    std::optional<MediaFacts> input;        // as the encoder read the source's header
    std::optional<MediaFacts> output;       // the streams it wrote
    std::optional<double> encodedSeconds;   // the last "time=" it reported
    std::optional<qint64> writtenKilobytes; // the last "size=" it reported
    bool nothingEncoded = false;            // "Output file is empty, nothing was encoded"
    bool sourceUnreadable = false;          // "<source>: Invalid data found when processing input"
    QString writeErrorLine;                 // the first EncoderLine::WriteError
    QString failureLine; // its "Conversion failed!", or why the program stopped it
};

// Reads the encoder's messages line by line as they come, however long the
// encoder talks: the sections that describe the input and output stand at
// the start, the final report at the end. Lines end at LF or CR.
class EncoderReportReader
{
public:
    void add(const QString &text);
    // What the lines read so far tell; a last line without its end included.
    EncoderReport report() const;
    // The time the last complete status line gave, as the encoder wrote it.
    std::optional<double> statusSeconds() const { return m_report.encodedSeconds; }
    // The size the last complete status line gave.
    std::optional<qint64> writtenKilobytes() const { return m_report.writtenKilobytes; }

private:
    void addLine(const QString &line);

    enum class Section
    {
        None,
        Input,
        Output
    };
    EncoderReport m_report;
    Section m_section = Section::None;
    bool m_inputEstimated = false;
    bool m_inStreamMetadata = false;
    bool m_inSectionName = false; // the section's file name goes on over lines
    QString m_streamType;         // of the stream whose metadata is being read
    std::optional<qint64> m_frames;
    std::optional<double> m_outputRate; // the output picture's frames a second
    QString m_partial;
};

// The same for a whole recorded text.
EncoderReport parseEncoderReport(const QString &messages);

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

} // namespace vantrel
