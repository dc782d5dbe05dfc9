#pragma once

#include "core/records/OptionValues.h"

#include <QString>

namespace vantrel {

// What the batch run derives for one row before the encoder command is built.
struct ConversionJob
{
    QString sourcePath;
    int profileIndex = 0;    // entry number of the selected profile
    QString outputExtension; // ".mp4"
    QString outputPath;
    int startSeconds = 0;
    int durationSeconds = 0;
    OptionValues options; // the sheet's, parsed when the job took them
};

} // namespace vantrel
