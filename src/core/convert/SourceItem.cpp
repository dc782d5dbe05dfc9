#include "core/convert/SourceItem.h"

namespace vantrel {

QString rowStatusText(RowStatus status)
{
    switch (status) {
    case RowStatus::None:
        return QString();
    case RowStatus::Processing:
        return QStringLiteral("Processing");
    case RowStatus::Ok:
        return QStringLiteral("OK");
    case RowStatus::Fail:
        return QStringLiteral("Fail");
    case RowStatus::Cancel:
        return QStringLiteral("Cancel");
    }
    return QString();
}

} // namespace vantrel
