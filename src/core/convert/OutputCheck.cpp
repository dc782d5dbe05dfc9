#include "core/convert/OutputCheck.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

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

// The encoder's messages that mean the output was not written, whatever its
// exit code says.
constexpr const char *kWriteErrorMarks[] = {
    "No space left on device", "Disk quota exceeded", "File too large",
    "Error writing trailer",   "Error closing file",
};

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

std::optional<double> MediaFacts::longest() const
{
    if (videoSeconds && audioSeconds)
        return std::max(*videoSeconds, *audioSeconds);
    if (videoSeconds || audioSeconds)
        return videoSeconds ? videoSeconds : audioSeconds;
    return containerSeconds;
}

QStringList mediaFactsArguments(const QString &path)
{
    // Warnings stay on: the one about estimating tells that no length is known.
    return {QStringLiteral("-v"),
            QStringLiteral("warning"),
            QStringLiteral("-show_entries"),
            QStringLiteral("format=duration:stream=codec_type,duration:stream_tags=DURATION"),
            QStringLiteral("-of"),
            QStringLiteral("compact"),
            path};
}

MediaFacts parseMediaFacts(const QString &output)
{
    MediaFacts facts;
    const bool estimated = output.contains(QLatin1String("Estimating duration from bitrate"));
    const QStringList lines = output.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringList fields = line.split(u'|');
        const QString kind = fields.value(0);
        if (kind != QLatin1String("stream") && kind != QLatin1String("format"))
            continue; // streams of a program are listed once more on their own
        QString type;
        std::optional<double> duration;
        std::optional<double> tagged;
        for (const QString &field : fields) {
            const qsizetype eq = field.indexOf(u'=');
            const QString key = field.left(eq);
            const QString value = field.mid(eq + 1);
            if (key == QLatin1String("codec_type"))
                type = value;
            else if (key == QLatin1String("duration"))
                duration = secondsOf(value);
            else if (key.compare(QLatin1String("tag:DURATION"), Qt::CaseInsensitive) == 0)
                tagged = secondsOf(value);
        }
        if (!duration)
            duration = tagged;
        if (estimated)
            duration.reset(); // a guess from the bitrate is no length
        if (kind == QLatin1String("format")) {
            facts.containerSeconds = duration;
        } else if (type == QLatin1String("video")) {
            facts.hasVideo = true;
            if (duration)
                facts.videoSeconds = std::max(duration.value(), facts.videoSeconds.value_or(0));
        } else if (type == QLatin1String("audio")) {
            facts.hasAudio = true;
            if (duration)
                facts.audioSeconds = std::max(duration.value(), facts.audioSeconds.value_or(0));
        }
    }
    return facts;
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

OutputVerdict judgeOutput(const OutputRequest &request, const OutputFindings &findings)
{
    const auto problem = [](const QString &text) {
        return OutputVerdict{false, text};
    };
    if (findings.fileSize < 0)
        return problem(tr("The encoder wrote no output file."));
    if (findings.fileSize == 0)
        return problem(tr("The output file is empty."));
    if (findings.nothingEncoded)
        return problem(tr("The encoder found nothing to convert in the source."));

    std::optional<double> measured = findings.encodedSeconds;
    if (const std::optional<MediaFacts> &output = findings.output) {
        if (!output->hasVideo && !output->hasAudio)
            return problem(findings.encodedSeconds.value_or(0) > 0
                               ? tr("The output holds no picture and no sound.")
                               : tr("The encoder could decode nothing of the source."));
        const MediaFacts *source = findings.source ? &*findings.source : nullptr;
        // A stream the source does not have cannot be asked of the output.
        if (!request.soundOnly && (!source || source->hasVideo) && !output->hasVideo)
            return problem(tr("The output has no picture."));
        const bool soundAsked =
            request.soundOnly || (request.soundWanted && source && source->hasAudio);
        if (soundAsked && !output->hasAudio)
            return problem(tr("The output has no sound."));
        if (const std::optional<double> length = output->longest()) {
            if (findings.encodedSeconds &&
                *length + lengthTolerance(*findings.encodedSeconds) < *findings.encodedSeconds)
                return problem(tr("The output holds %1 s, but the encoder wrote %2 s.")
                                   .arg(seconds(*length), seconds(*findings.encodedSeconds)));
            measured = std::max(*length, findings.encodedSeconds.value_or(0));
        }
    }

    // The encoder ended well after reading all it could: an output shorter
    // than the source's header claims is all that the source held.
    const std::optional<double> sourceLength =
        findings.source ? findings.source->length(request.soundOnly) : std::nullopt;
    if (!measured || !sourceLength)
        return {true, QString()};
    const double expected =
        request.wholeFile ? *sourceLength
                          : std::min(request.durationSeconds, *sourceLength - request.startSeconds);
    if (expected > 0 && *measured + lengthTolerance(expected) < expected)
        return {true, tr("The source holds less than it claims: %1 s of %2 s could be "
                         "converted.")
                          .arg(seconds(*measured), seconds(expected))};
    return {true, QString()};
}

} // namespace vantrel
