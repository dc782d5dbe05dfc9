#include "core/convert/OutputCheck.h"

#include "core/common/TimeText.h"
#include "core/convert/ConversionProgress.h"
#include "core/records/OutputTargets.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("OutputCheck", text);
}

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

// The longest line kept while it is still being written.
constexpr qsizetype kLongestLine = 4096;

QString seconds(double value)
{
    return QString::number(value, 'f', value < 10 ? 2 : 1);
}

} // namespace

std::optional<double> MediaFacts::length(bool soundOnly) const
{
    const std::optional<double> stream = soundOnly || !hasVideo ? audioSeconds : videoSeconds;
    return stream ? stream : containerSeconds;
}

void EncoderReportReader::add(const QString &text)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\n' && text[i] != u'\r')
            continue;
        addLine(m_partial + text.mid(start, i - start));
        m_partial.clear();
        start = i + 1;
    }
    // A line longer than any the encoder writes is cut rather than kept growing.
    m_partial = QString(m_partial + text.mid(start)).right(kLongestLine);
}

EncoderReport EncoderReportReader::report() const
{
    EncoderReportReader reader = *this;
    if (!reader.m_partial.isEmpty())
        reader.addLine(std::exchange(reader.m_partial, QString()));
    EncoderReport report = reader.m_report;
    if (report.input && reader.m_inputEstimated) {
        // A length the encoder guessed from the bitrate is no length.
        report.input->containerSeconds.reset();
        report.input->videoSeconds.reset();
        report.input->audioSeconds.reset();
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
    static const QRegularExpression size(QStringLiteral("(?:^|\\s)L?size=\\s*(\\d+)kB"));
    static const QRegularExpression frames(QStringLiteral("^frame=\\s*(\\d+)\\s"));

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
        if (const QRegularExpressionMatch m = size.match(line); m.hasMatch())
            m_report.writtenKilobytes = m.captured(1).toLongLong();
        if (const QRegularExpressionMatch m = frames.match(line); m.hasMatch())
            m_frames = m.captured(1).toLongLong();
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

double lengthTolerance(double seconds)
{
    return std::clamp(0.05 * seconds, 0.15, 1.5);
}

std::optional<QString> missingSourceStreamReason(const OutputRequest &request,
                                                 const EncoderReport &report)
{
    if (report.sourceUnreadable)
        return tr("The source is damaged or no media file: the encoder cannot read it.");
    if (!report.input)
        return std::nullopt; // the encoder stopped before it read the source
    if (request.soundOnly && !report.input->hasAudio)
        return tr("The source has no sound to convert.");
    if (!report.input->hasAudio && !report.input->hasVideo)
        return tr("The source has neither picture nor sound.");
    return std::nullopt;
}

OutputVerdict judgeOutput(const OutputRequest &request, const OutputFindings &findings)
{
    const auto problem = [](const QString &text) {
        return OutputVerdict{false, text};
    };
    const EncoderReport &report = findings.report;
    if (findings.fileSize < 0)
        return problem(tr("The encoder wrote no output file."));
    if (findings.fileSize == 0)
        return problem(tr("The output file is empty."));
    if (request.sizeLimit && findings.fileSize > *request.sizeLimit)
        return problem(tr("The output came out at %1 (%2 bytes), over the limit of %3; it was "
                          "not kept.")
                           .arg(megabytesText(findings.fileSize))
                           .arg(findings.fileSize)
                           .arg(fitSizeText(*request.sizeLimit)));
    if (report.nothingEncoded)
        return problem(tr("The encoder found nothing to convert in the source."));
    // The file itself must hold what the encoder says it wrote (its size is
    // reported in whole kilobytes).
    if (report.writtenKilobytes && (findings.fileSize + 1023) / 1024 + 1 < *report.writtenKilobytes)
        return problem(tr("The output file holds %1 kB, but the encoder wrote %2 kB.")
                           .arg(findings.fileSize / 1024)
                           .arg(*report.writtenKilobytes));

    if (report.encodedSeconds && *report.encodedSeconds <= 0)
        return problem(tr("The encoder could decode nothing of the source."));
    const MediaFacts *source = report.input ? &*report.input : nullptr;
    if (const std::optional<MediaFacts> &output = report.output) {
        if (!output->hasVideo && !output->hasAudio)
            return problem(tr("The output holds no picture and no sound."));
        // A stream the source does not have cannot be asked of the output.
        if (!request.soundOnly && (!source || source->hasVideo) && !output->hasVideo)
            return problem(tr("The output has no picture."));
        const bool soundAsked =
            request.soundOnly || (request.soundWanted && source && source->hasAudio);
        if (soundAsked && !output->hasAudio)
            return problem(tr("The output has no sound."));
    }

    // The encoder ended well after reading all it could: an output shorter
    // than the source's header claims is all that the source held.
    const std::optional<double> sourceLength =
        source ? source->length(request.soundOnly) : std::nullopt;
    const std::optional<double> written = report.encodedSeconds;
    if (!written || !sourceLength)
        return {true, QString()};
    const double expected =
        request.wholeFile ? *sourceLength
                          : std::min(request.durationSeconds, *sourceLength - request.startSeconds);
    if (expected > 0 && *written + lengthTolerance(expected) < expected)
        return {true, tr("The source holds less than it claims: %1 s of %2 s could be "
                         "converted.")
                          .arg(seconds(*written), seconds(expected))};
    return {true, QString()};
}

std::optional<QString> runawayReason(double outputSeconds, double sourceSeconds)
{
    constexpr double kMarginSeconds = 30;
    if (sourceSeconds <= 0 || outputSeconds <= 2 * sourceSeconds + kMarginSeconds)
        return std::nullopt;
    return QCoreApplication::translate(
               "OutputCheck", "The source is damaged: its timestamps run past its length (the "
                              "output reached %1 of a source of %2); the conversion was stopped.")
        .arg(timeText(qint64(outputSeconds)), timeText(qint64(std::ceil(sourceSeconds))));
}

} // namespace vantrel
