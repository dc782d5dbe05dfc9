#include "core/records/SourceItem.h"

#include "core/common/TimeText.h"

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
    case RowStatus::Waiting:
        return QStringLiteral("Waiting");
    case RowStatus::Checking:
        return QStringLiteral("Checking");
    }
    return QString();
}

bool isInProgress(RowStatus status)
{
    return status == RowStatus::Processing || status == RowStatus::Waiting ||
           status == RowStatus::Checking;
}

bool isWholeFile(const SourceItem &item)
{
    const std::optional<int> start = secondsOfTimeText(item.clipStart);
    const std::optional<int> end = secondsOfTimeText(item.clipEnd);
    return start == 0 && end && end == secondsOfTimeText(item.videoTime);
}

} // namespace vantrel
