#include "core/convert/batch/BatchOutcome.h"

#include <QCoreApplication>

namespace vantrel {

QString batchEndMessage(const BatchOutcome &outcome)
{
    switch (outcome.ending) {
    case BatchEnding::Completed:
        return QCoreApplication::translate("BatchRun", "Conversion completed!");
    case BatchEnding::Cancelled:
        return QCoreApplication::translate("BatchRun", "Conversion Canceled by the user!");
    case BatchEnding::Stopped:
        return QCoreApplication::translate("BatchRun", "Invalid input file name. ") +
               outcome.missingSource;
    }
    return QString();
}

} // namespace vantrel
