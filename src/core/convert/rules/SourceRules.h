#pragma once

#include "core/convert/command/RunAdaptation.h"
#include "core/records/ConversionJob.h"
#include "core/tools/SourceFacts.h"
#include "core/tools/SourceReading.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// Whether a job's run is adapted to its source's facts (today's entries).
bool adaptsToSource(const ConversionJob &job);
// Whether its rules look at how the picture is made (today's converting
// entries): its field order and its held last picture.
bool convertsPicture(const ConversionJob &job);

// What the rules of `job` must know of its source beyond its streams;
// none for an entry that takes its command as built.
std::optional<ReadingNeeds> sourceNeeds(const ConversionJob &job);

// The adaptation of `job` to `facts`: the rules below, together.
RunAdaptation adaptToSource(const SourceFacts &facts, const ConversionJob &job);

// The rules, each on its own.

// The picture and the sound a conversion takes, when not the first of each
// (an empty first picture stream, a sound with no channels), and the
// unusable streams named for the tip.
RunAdaptation streamChoice(const SourceFacts &facts, bool soundOnly);
// The sounds and subtitles kept by the sheet's rules or the row's choice,
// each as its container holds it, the sound that plays first flagged
// default; only the notes when the choice is the command's own.
RunAdaptation keptTracks(const SourceFacts &facts, const ConversionJob &job, bool soundOnly);
// An interlaced picture is deinterlaced, one picture per frame (each two
// fields make one), or one per field when the sheet asks for the field rate
// (smoother motion, twice the pictures, none of them twice).
RunAdaptation deinterlacing(const SourceFacts &facts, const OptionValues &options);
// A source whose timestamps jump far ahead is said to, where and how far:
// the output keeps the gap.
RunAdaptation gapNote(const SourceFacts &facts);
// A sound of more than two channels reaches AAC and Opus in FFmpeg's own
// layout for its number of channels (the best sound, taken alone).
RunAdaptation surroundLayout(const SourceFacts &facts, const OptionValues &options);
// A YUV picture whose colour matrix is RGB or untold is tagged BT.601 or
// BT.709 by its size.
RunAdaptation colourTags(const SourceFacts &facts);
// A last picture held longer than two frames (a phone's, when nothing
// moves) is kept as long in WebM, where FFmpeg would end it after one
// frame's time; each other picture keeps its own time. MP4 keeps it through
// its constant rate.
RunAdaptation heldLastPicture(const SourceFacts &facts, const QString &extension);
// A copy keeps each stream its container can hold and leaves out the rest,
// except the film's own picture and sound (a container that cannot hold
// those fails the row with the encoder's reason).
RunAdaptation copyStreams(const SourceFacts &facts, const QString &extension);
// A copy of a clip that starts after 0 begins at the picture's key frame at
// or before the start (the file's start when none was found), and says how
// early when that shows; none before the key frame was read.
RunAdaptation copyStart(const SourceFacts &facts, const ConversionJob &job);
// A turned picture copied into Matroska shows turned: said in the tip.
RunAdaptation rotationNote(const SourceFacts &facts, const QString &extension);

} // namespace vantrel
