#pragma once

#include <QtGlobal>

namespace vantrel {

class Process;

// The state of the one batch that can run at a time, shared by the batch run,
// the progress tick and the progress panel's Cancel button.
struct ConversionRunState
{
    bool CancelRequested = false;
    Process *EncoderProcessHandle = nullptr; // the running encoder, not owned; null when none
    qint64 EncoderProcessId = 0;
    qint32 ElapsedSeconds = 0;
    qint32 StartSeconds = 0;
    qint32 DurationSeconds = 0;
    qint16 TotalPercent = 0;
};

} // namespace vantrel
