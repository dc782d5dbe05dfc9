#include "core/convert/checks/EncoderReport.h"

#include "core/convert/checks/EncoderStatus.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>

namespace vantrel {

namespace {

// "3.040000" or the tag form "00:00:01.025000000"; none for "N/A".
std::optional<double> secondsOf(const QString &text)
{
    static const QRegularExpression clock(QStringLiteral("^(\\d+):(\\d{2}):(\\d{2}(?:\\.\\d+)?)$"));
    const QRegularExpressionMatch match = clock.match(text);
    if (match.hasMatch()) {
        return match.captured(1).toDouble() * 3600 + match.captured(2).toDouble() * 60 +
               QLocale::c().toDouble(match.captured(3));
    }
    bool ok = false;
    const double seconds = QLocale::c().toDouble(text, &ok);
    return ok && seconds >= 0 ? std::optional<double>(seconds) : std::nullopt;
}

// "…, 320x240, q=2-31, 15 fps, 15360 tbn": the stream's frames a second,
// when it states a plausible rate.
std::optional<double> frameRateOf(const QString &streamText)
{
    static const QRegularExpression rate(QStringLiteral("(?:^|, )(\\d+(?:\\.\\d+)?) fps(?:,|$)"));
    const QRegularExpressionMatch match = rate.match(streamText);
    const double fps = match.hasMatch() ? QLocale::c().toDouble(match.captured(1)) : 0;
    return fps >= 1 && fps <= 240 ? std::optional<double>(fps) : std::nullopt;
}

// The encoder's messages that mean the output was not written, whatever its
// exit code says.
constexpr const char *kWriteErrorMarks[] = {
    "No space left on device", "Disk quota exceeded", "File too large",
    "Error writing trailer",   "Error closing file",
};

} // namespace

std::optional<double> MediaFacts::length(bool soundOnly) const
{
    const std::optional<double> stream = soundOnly || !hasVideo ? audioSeconds : videoSeconds;
    return stream ? stream : containerSeconds;
}

void EncoderReportReader::add(const QString &text)
{
    for (const QString &line : m_lines.add(text))
        addLine(line);
}

EncoderReport EncoderReportReader::report() const
{
    EncoderReportReader reader = *this;
    if (const QString rest = reader.m_lines.takeRest(); !rest.isEmpty())
        reader.addLine(rest);
    EncoderReport report = reader.m_report;
    if (report.input && reader.m_inputEstimated) {
        // A length the encoder guessed from the bitrate is no length.
        report.input->containerSeconds.reset();
        report.input->videoSeconds.reset();
        report.input->audioSeconds.reset();
        report.input->lengthGuessed = true;
    }
    // A picture stream that got no frame is no picture.
    if (report.output && reader.m_frames == 0)
        report.output->hasVideo = false;
    // The status time is the last packet written, which with reordered
    // pictures (B-frames) is not the last picture: the picture count at its
    // rate tells the length the picture has.
    if (report.output && report.output->hasVideo && reader.m_frames && reader.m_outputRate)
        report.encodedSeconds = std::max(report.encodedSeconds.value_or(0),
                                         double(*reader.m_frames) / *reader.m_outputRate);
    return report;
}

void EncoderReportReader::addLine(const QString &line)
{
    static const QRegularExpression section(QStringLiteral("^(Input|Output) #\\d+, "));
    static const QRegularExpression stream(
        QStringLiteral("^\\s+Stream #\\d+:\\d+\\S*: (Video|Audio|\\w+): (.*)$"));
    static const QRegularExpression duration(QStringLiteral("^\\s+Duration: (\\S+?),"));
    static const QRegularExpression tag(QStringLiteral("^\\s+DURATION\\s*: (\\S+)"));

    switch (classifyEncoderLine(line)) {
    case EncoderLine::WriteError:
        if (m_report.writeErrorLine.isEmpty())
            m_report.writeErrorLine = line.trimmed();
        return;
    case EncoderLine::Failed:
        m_report.failureLine = line.trimmed();
        return;
    case EncoderLine::Plain:
        break;
    }
    if (line.contains(QLatin1String("Estimating duration from bitrate")))
        m_inputEstimated = true;
    if (m_report.decodeErrorLine.isEmpty() &&
        line.startsWith(QLatin1String("Error while decoding")))
        m_report.decodeErrorLine = line.trimmed();
    if (encoderWroteNothing(line))
        m_report.nothingEncoded = true;
    // Said of the source before its section, when the encoder cannot open it.
    if (!m_report.input &&
        line.endsWith(QLatin1String(": Invalid data found when processing input")))
        m_report.sourceUnreadable = true;
    if (m_inSectionName) {
        // A file name with line breaks goes on until "':".
        m_inSectionName = !line.endsWith(QLatin1String("':"));
        return;
    }
    if (const QRegularExpressionMatch m = section.match(line); m.hasMatch()) {
        m_section = m.captured(1) == QLatin1String("Input") ? Section::Input : Section::Output;
        (m_section == Section::Input ? m_report.input : m_report.output) = MediaFacts();
        m_inStreamMetadata = false;
        m_inSectionName = !line.endsWith(QLatin1String("':"));
        return;
    }
    if (!line.startsWith(u' ')) {
        // The sections end at the first line that is not indented.
        m_section = Section::None;
        if (const std::optional<qint64> written = writtenKilobytesOfStatusLine(line))
            m_report.writtenKilobytes = written;
        if (const std::optional<qint64> frames = framesOfStatusLine(line))
            m_frames = frames;
        if (const std::optional<double> encoded = encodedSecondsOfStatusText(line))
            m_report.encodedSeconds = encoded;
        return;
    }
    if (m_section == Section::None)
        return;
    MediaFacts &facts = *(m_section == Section::Input ? m_report.input : m_report.output);
    if (const QRegularExpressionMatch m = stream.match(line); m.hasMatch()) {
        m_streamType = m.captured(1);
        m_inStreamMetadata = true;
        // A cover picture of a sound file is no video.
        const bool picture = m.captured(2).contains(QLatin1String("(attached pic)"));
        if (m_streamType == QLatin1String("Video") && !picture) {
            // The first picture stream's is the one the status counts.
            if (m_section == Section::Output && !facts.hasVideo)
                m_outputRate = frameRateOf(m.captured(2));
            facts.hasVideo = true;
        } else if (m_streamType == QLatin1String("Audio"))
            facts.hasAudio = true;
        return;
    }
    if (const QRegularExpressionMatch m = duration.match(line); m.hasMatch()) {
        facts.containerSeconds = secondsOf(m.captured(1));
        return;
    }
    const QRegularExpressionMatch m = tag.match(line);
    if (!m.hasMatch() || !m_inStreamMetadata)
        return;
    const std::optional<double> tagged = secondsOf(m.captured(1));
    if (m_streamType == QLatin1String("Video") && tagged)
        facts.videoSeconds = std::max(*tagged, facts.videoSeconds.value_or(0));
    else if (m_streamType == QLatin1String("Audio") && tagged)
        facts.audioSeconds = std::max(*tagged, facts.audioSeconds.value_or(0));
}

EncoderReport parseEncoderReport(const QString &messages)
{
    EncoderReportReader reader;
    reader.add(messages);
    return reader.report();
}

EncoderLine classifyEncoderLine(const QString &line)
{
    if (std::any_of(std::begin(kWriteErrorMarks), std::end(kWriteErrorMarks),
                    [&line](const char *mark) { return line.contains(QLatin1String(mark)); }))
        return EncoderLine::WriteError;
    if (line.trimmed() == QLatin1String("Conversion failed!"))
        return EncoderLine::Failed;
    return EncoderLine::Plain;
}

bool encoderWroteNothing(const QString &encoderOutput)
{
    return encoderOutput.contains(QLatin1String("Output file is empty, nothing was encoded"));
}

} // namespace vantrel
