#pragma once

#include "core/records/ConversionJob.h"
#include "core/tools/SourceFacts.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vantrel {

// A sound a conversion keeps, and whether it is copied as it is: it already
// is what the entry writes (its codec, channels, sample rate and a rate no
// higher), and no loudness is asked for.
struct KeptSound
{
    const StreamFacts *stream = nullptr;
    bool copied = false;
};

// A subtitle a conversion keeps, in the codec its container holds.
struct KeptSubtitle
{
    const StreamFacts *stream = nullptr;
    QString codec; // "mov_text", "webvtt"
};

// The sounds and subtitles a conversion of today's entries keeps, by the
// sheet's "Sound Tracks" and "Subtitles" and the preferred languages, or
// by the row's own choice.
struct TrackChoice
{
    QList<KeptSound> sounds; // in the output's order
    int defaultSound = 0;    // of `sounds`: the one that plays first
    QList<KeptSubtitle> subtitles;
    // A subtitle drawn into the picture; none when none is.
    const StreamFacts *burned = nullptr;
    // What was left out and why, what was copied, for the row's tip.
    QStringList notes;
    // The choice is the one the command makes by itself: the best sound
    // alone, encoded, without subtitles.
    bool asBuilt = false;
};

// The tracks `job` keeps of `facts`: `soundOnly` for the sound entries,
// whose file holds one sound and no subtitle.
TrackChoice chooseTracks(const SourceFacts &facts, const ConversionJob &job, bool soundOnly);

// Whether two ISO 639-2 codes name one language ("ger" and "deu").
bool sameLanguage(const QString &a, const QString &b);
// Whether a subtitle codec draws pictures (DVD, Blu-ray, DVB) rather than text.
bool isPictureSubtitle(const QString &codec);

} // namespace vantrel
