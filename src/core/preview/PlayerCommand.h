#pragma once

#include "core/tools/CommandLine.h"

#include <optional>

namespace vantrel {

// The player's command line for playing a file inside one of the program's
// windows:
//   "player" -slave [-ss n] -wid h -framedrop -colorkey 0 -framedrop
//   -autosync 100 -vo xv,gl,x11, -vf [rotate=1,]screenshot "file"
// -slave makes the player read its commands (pause, seek, quit) from standard
// input; -wid makes it draw into the given native window, keeping the
// picture's shape with black bars; a turned picture (a phone's) is turned
// upright first.
class PlayerCommand
{
public:
    // The video outputs tried in order; the empty last entry lets the player
    // fall back to any other output it has.
    static const QString kVideoOutputs; // "xv,gl,x11,"

    QString playerPath;
    // Whole seconds to start at; none plays from the beginning (an offset of
    // 0 is still passed as "-ss 0").
    std::optional<int> offsetSeconds;
    quint64 windowId = 0; // the native window the player draws into
    QString file;
    int rotation = 0; // clockwise degrees the picture turns to stand upright

    CommandLine build() const;

    // The file as the player must receive it: a path that begins with "-"
    // would read as an option and goes as "./" + path.
    static QString fileArgument(const QString &path);
};

} // namespace vantrel
