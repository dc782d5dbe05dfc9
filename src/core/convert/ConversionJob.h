#pragma once

#include "core/convert/ConversionOptions.h"

#include <QString>

namespace vantrel {

// What the batch run derives for one row before the encoder command is built.
struct ConversionJob
{
    QString SourcePath;
    qint32 ProfileIndex = 0; // entry number of the selected profile, 1..101
    QString OutputExtension; // ".mp4"
    QString OutputPath;
    qint32 StartSeconds = 0;
    qint32 DurationSeconds = 0;
    ConversionOptions Options;
};

} // namespace vantrel
