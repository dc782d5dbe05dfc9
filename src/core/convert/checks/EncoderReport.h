#pragma once

#include "core/tools/LineAssembler.h"

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
    // The lengths were guessed from the bitrate, and so are not kept.
    bool lengthGuessed = false;

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
    QString decodeErrorLine;                // the first "Error while decoding stream ..."
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
    LineAssembler m_lines;
    Section m_section = Section::None;
    bool m_inputEstimated = false;
    bool m_inStreamMetadata = false;
    bool m_inSectionName = false; // the section's file name goes on over lines
    QString m_streamType;         // of the stream whose metadata is being read
    std::optional<qint64> m_frames;
    std::optional<double> m_outputRate; // the output picture's frames a second
};

// The same for a whole recorded text.
EncoderReport parseEncoderReport(const QString &messages);

} // namespace vantrel
