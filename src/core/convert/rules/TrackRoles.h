#pragma once

#include "core/tools/SourceFacts.h"

#include <QString>
#include <QStringList>

namespace vantrel {

// What a sound or subtitle track is for. A main track carries the film
// itself; the others (a director's commentary, a description for the blind,
// subtitles for the deaf, a sing-along) are kept only when asked for.
enum class TrackRole
{
    Main,
    Commentary,
    Descriptive,     // audio description, for the visually impaired
    HearingImpaired, // SDH subtitles, captions
    Karaoke
};

// The role of `stream`: by its disposition where the container sets one,
// otherwise by its title ("Commentary", "Audio Description", "SDH", ...).
TrackRole trackRole(const StreamFacts &stream);
bool isMainTrack(const StreamFacts &stream);

// A role as a track's name ("Commentary", "Audio Description") and as the
// tip says it ("a commentary"); empty for a main track.
QString trackRoleTitle(TrackRole role);
QString trackRolePhrase(TrackRole role);

// The words a track's flags are listed by (`vantrel-cli probe --tracks`):
// "default", "forced", "original", "dub", "cover", and its role when it is
// not main ("commentary", "descriptive", "hearing-impaired", "karaoke").
QStringList trackFlags(const StreamFacts &stream);

} // namespace vantrel
