#include "core/common/Logging.h"

namespace vantrel {

Q_LOGGING_CATEGORY(lcTools, "vantrel.tools", QtWarningMsg)
Q_LOGGING_CATEGORY(lcBatch, "vantrel.batch", QtWarningMsg)
Q_LOGGING_CATEGORY(lcApp, "vantrel.app", QtWarningMsg)

} // namespace vantrel
