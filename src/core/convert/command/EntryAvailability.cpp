#include "core/convert/command/EntryAvailability.h"

#include "core/convert/command/CommandBuilder.h"
#include "core/convert/command/EncoderArguments.h"
#include "core/convert/command/EncoderList.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/profiles/ProfileDefaults.h"

namespace vantrel {

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
