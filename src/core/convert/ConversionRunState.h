#pragma once

#include <QtGlobal>

namespace vantrel {

// The state of the one batch that can run at a time, shared by the batch run,
// the progress tick and the progress panel's Cancel button.
struct ConversionRunState
{
    bool cancelRequested = false;
    int elapsedSeconds = 0;
    int startSeconds = 0;
    int durationSeconds = 0;
    int totalPercent = 0;
};

} // namespace vantrel
