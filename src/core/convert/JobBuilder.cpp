#include "core/convert/JobBuilder.h"

#include "core/common/TimeText.h"
#include "core/convert/EncoderCommand.h"
#include "core/convert/EncoderInvocation.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/profiles/ProfileDefaults.h"

#include <QCoreApplication>

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

QString missingEncoderReason(const QStringList &encoders)
{
    return QCoreApplication::translate(
               "JobBuilder", "This computer's FFmpeg has no %1 encoder, which this profile needs: "
                             "install an FFmpeg built with it, or pick another profile.")
        .arg(QLatin1Char('"') + encoders.join(QStringLiteral("\", \"")) + QLatin1Char('"'));
}

QMap<int, QString> unavailableEntries(const QSet<QString> &installed, const QString &encoderPath)
{
    QMap<int, QString> unavailable;
    OptionSheet sheet;
    sheet.build();
    for (const CatalogueEntry &entry : profileCatalogue()) {
        applyProfileDefaults(sheet, entry.number);
        if (entry.isGroup())
            continue;
        EncoderCommandInput input;
        input.job.profileIndex = entry.number;
        input.job.options = sheet.conversionOptions();
        input.encoderPath = encoderPath;
        const Expected<EncoderCommand> command = buildEncoderCommand(input);
        if (!command)
            continue;
        const QStringList missing = missingEncoders(
            encoderRunArguments(*command, ExistingFilePolicy::AddNew, installed), installed);
        if (!missing.isEmpty())
            unavailable.insert(entry.number, missingEncoderReason(missing));
    }
    return unavailable;
}

} // namespace vantrel
