#pragma once

#include "core/common/Expected.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace vantrel {

// Which sounds a conversion keeps ("Sound Tracks").
enum class SoundTracks
{
    Best,      // the one with the most channels, as always
    Languages, // each preferred language's best main sound
    Main,      // every main sound (no commentary, description, karaoke)
    All
};

// Which subtitles a conversion keeps ("Subtitles").
enum class SubtitleTracks
{
    None,
    Languages, // the preferred languages' subtitles, forced ones included
    All,
    ForcedBurned // the kept sound's forced subtitle drawn into the picture
};

// The sheet's words for each rule and the command line's.
struct SoundTracksName
{
    SoundTracks rule;
    const char *sheet; // "Best one"
    const char *word;  // "best"
};
struct SubtitleTracksName
{
    SubtitleTracks rule;
    const char *sheet;
    const char *word;
};
const std::vector<SoundTracksName> &soundTracksNames();
const std::vector<SubtitleTracksName> &subtitleTracksNames();

// A rule from the sheet's words or the command line's; an empty text is the
// default ("Best one", "None"). Fails on any other text.
Expected<SoundTracks> soundTracksOf(const QString &text);
Expected<SubtitleTracks> subtitleTracksOf(const QString &text);

// Preferred languages as ISO 639-2 codes, "eng,deu" or "eng, deu": lower-cased,
// each once; fails on an item that is no three-letter code.
Expected<QStringList> languageCodesOf(const QString &text);

} // namespace vantrel
