#pragma once

#include <QString>

namespace vantrel {

// One row of the source list.
struct SourceItem
{
    QString FileName;  // full path of the source file
    QString ClipStart; // time text, "0:00:00" when added
    QString ClipEnd;   // time text, the probed duration when added
    QString FrameSize; // "640x480"
    QString VideoFormat;
    QString Status;    // "", "Processing", "OK", "Fail" or "Cancel"
    QString VideoTime; // time text, the full duration of the source
};

} // namespace vantrel
