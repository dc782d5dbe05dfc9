#include "core/convert/batch/JobBuilder.h"

#include "core/common/TimeText.h"
#include "core/profiles/ProfileCatalogue.h"

#include <QCoreApplication>

#include <cmath>

namespace vantrel {

Expected<ConversionJob> buildConversionJob(const QString &sourcePath, int entry,
                                           const ConversionOptions &options,
                                           const QString &clipStart, const QString &clipEnd)
{
    const std::optional<QString> extension = outputExtension(entry);
    if (!extension)
        return Expected<ConversionJob>::failure(QCoreApplication::translate(
            "JobBuilder", "The selected entry is a group, not an output profile."));
    const std::optional<int> start = secondsOfTimeText(clipStart);
    const std::optional<int> end = secondsOfTimeText(clipEnd);
    if (!start || !end)
        return Expected<ConversionJob>::failure(
            QCoreApplication::translate("JobBuilder",
                                        "The clip start \"%1\" or end \"%2\" is no time of day.")
                .arg(clipStart, clipEnd));
    ConversionJob job;
    job.sourcePath = sourcePath;
    job.profileIndex = entry;
    job.outputExtension = *extension;
    job.options = options;
    job.startSeconds = *start;
    job.durationSeconds = *end - *start;
    return job;
}

std::optional<QString> clipPastEndReason(const ConversionJob &job, double heldSeconds)
{
    const QString length = timeText(qRound(heldSeconds));
    if (job.startSeconds >= heldSeconds)
        return QCoreApplication::translate(
                   "JobBuilder", "The clip starts at %1, past the end of the source (%2).")
            .arg(timeText(job.startSeconds), length);
    if (job.startSeconds + job.durationSeconds > std::ceil(heldSeconds))
        return QCoreApplication::translate("JobBuilder",
                                           "The clip ends at %1, past the end of the source (%2).")
            .arg(timeText(job.startSeconds + job.durationSeconds), length);
    return std::nullopt;
}

} // namespace vantrel
