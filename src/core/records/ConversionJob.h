#pragma once

#include "core/records/OptionValues.h"
#include "core/records/TrackPick.h"

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
    // The clip is cut at its end time rather than run to the file's end.
    bool endTrimmed = false;
    OptionValues options; // the sheet's, parsed when the job took them
    // The row's own choice of tracks, in place of the sheet's rules.
    std::optional<TrackPick> tracks;
};

} // namespace vantrel
