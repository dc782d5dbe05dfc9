#pragma once

#include <QLoggingCategory>

namespace vantrel {

// What a user's report can show of a session. All are off unless
// QT_LOGGING_RULES turns them on, e.g. "vantrel.*.info=true".

// Tool command lines and how each run ended.
Q_DECLARE_LOGGING_CATEGORY(lcTools)
// The batch's rows: their jobs, their encoders' endings and the judgements.
Q_DECLARE_LOGGING_CATEGORY(lcBatch)
// Where the program found its files: the skin, the first settings.
Q_DECLARE_LOGGING_CATEGORY(lcApp)

} // namespace vantrel
