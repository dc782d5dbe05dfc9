#pragma once

#include <QList>

#include <optional>

namespace vantrel {

// A row's own choice of its source's tracks, made in its "Tracks…" dialog:
// the sounds and subtitles kept, by their stream index in the source, and
// the sound that plays first. It stands in for the sheet's "Sound Tracks"
// and "Subtitles" rules for that row; the picture is always kept.
struct TrackPick
{
    QList<int> kept;
    std::optional<int> defaultSound;

    bool operator==(const TrackPick &other) const
    {
        return kept == other.kept && defaultSound == other.defaultSound;
    }
    bool operator!=(const TrackPick &other) const { return !(*this == other); }
};

} // namespace vantrel
