#include "core/convert/checks/OutputJudgement.h"

#include "core/common/TimeText.h"
#include "core/records/OutputTargets.h"
#include "core/tools/ToolLocator.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("OutputCheck", text);
}

QString seconds(double value)
{
    return QString::number(value, 'f', value < 10 ? 2 : 1);
}

} // namespace

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
    // than the source's header claims is all that the source held. A sound
    // kept alone is held to its own stream's length: a file's length is its
    // picture's too, which a camera's sound may fall short of.
    const double header = !source ? 0
                          : request.soundOnly && source->hasVideo
                              ? source->audioSeconds.value_or(0)
                              : source->length(request.soundOnly).value_or(0);
    const double told = std::max(0.0, header - request.closedGapSeconds);
    // A claim known only roughly (the player's listing, a film's length for
    // its sound) stands in only where the source tells no length and the
    // encoder guessed none.
    const bool rough = request.claimedWithin > 0;
    const double claimed = rough && (told > 0 || (source && source->lengthGuessed))
                               ? 0
                               : request.claimedSeconds.value_or(0);
    const double sourceLength = std::max(told, claimed);
    const double within = claimed > told ? request.claimedWithin : 0;
    const std::optional<double> written = report.encodedSeconds;
    if (!written || sourceLength <= 0)
        return {true, QString()};
    const double expected =
        request.wholeFile ? sourceLength
                          : std::min(request.durationSeconds, sourceLength - request.startSeconds);
    if (expected > 0 && *written + lengthTolerance(expected) + within < expected)
        return {true, tr("The source holds less than it claims: %1 s of %2 s could be "
                         "converted.")
                          .arg(seconds(*written), seconds(expected))};
    return {true, QString()};
}

void setClaimedLength(OutputRequest &request, const std::optional<SourceFacts> &facts,
                      const QString &listedTime)
{
    if (facts) {
        // A sound kept alone claims its own stream's length; where that is not
        // told, the file's, to within a second (a camera's sound may end
        // before its picture).
        const StreamFacts *sound = facts->sound();
        const bool ownLength = !request.soundOnly || !facts->picture() || (sound && sound->seconds);
        request.claimedSeconds = !request.soundOnly        ? facts->claimedSeconds()
                                 : sound && sound->seconds ? sound->seconds
                                                           : facts->seconds;
        request.claimedWithin = ownLength ? 0 : 1;
        request.closedGapSeconds =
            facts->closesGaps() && facts->timestampGap ? facts->timestampGap->seconds : 0;
        if (request.claimedSeconds)
            request.claimedSeconds =
                std::max(0.0, *request.claimedSeconds - request.closedGapSeconds);
    }
    // Where the length was a guess, the player's listing is one too.
    if (request.claimedSeconds || (facts && facts->lengthGuessed))
        return;
    // The player reads headers FFmpeg does not (an ASF's play time).
    if (const std::optional<int> listed = secondsOfTimeText(listedTime); listed && *listed > 0) {
        request.claimedSeconds = *listed;
        request.claimedWithin = 1;
    }
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

QString encoderFailureReason(const ProcessResult &result, const QString &encoderPath)
{
    switch (result.ending) {
    case ProcessResult::Ending::Exited:
        return QCoreApplication::translate("EncoderRun", "The encoder failed (exit code %1).")
            .arg(result.exitCode);
    case ProcessResult::Ending::Crashed:
        return QCoreApplication::translate("EncoderRun", "The encoder crashed (signal %1).")
            .arg(result.exitCode);
    case ProcessResult::Ending::Stopped:
        return QCoreApplication::translate("EncoderRun", "The encoder was stopped.");
    case ProcessResult::Ending::FailedToStart:
        break;
    }
    return ToolLocator::missingToolMessage(encoderPath);
}

} // namespace vantrel
