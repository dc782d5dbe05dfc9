#pragma once

#include <QString>

namespace vantrel {

// What a preview area knows about the file it plays. The position is not read
// from the player: the preview counts it, one second per timer tick.
struct PreviewState
{
    QString currentFile; // the file the preview plays
    int position = 0;    // counted position, seconds
    int duration = 0;    // duration of the file being played, seconds
    QString commandLine; // the last player command line built, as text
};

} // namespace vantrel
