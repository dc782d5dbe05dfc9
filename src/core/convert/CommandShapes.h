#pragma once

#include <vector>

namespace vantrel {

// The body layouts of the encoder command; which one a profile uses is given
// by the profile command table. Each names what its body carries.
enum class Shape
{
    VideoSoundAspect,      // video codec, sound settings, frame size and aspect
    VideoSound,            // the same without the aspect
    VideoSoundCodec,       // video settings, the sound's codec only
    VideoSoundCodecAspect, // the same with the aspect
    MobileVideo,           // 3GP: fixed sound settings after the video codec, aspect
    ContainerVideo,        // no video codec (the container's own), sound settings
    DiscTarget,            // a disc target ("-target") with video settings
    SoundSettings,         // sound only, with its settings
    SoundCodecOnly,        // sound only, the codec alone
    // Today's entries: metadata and chapters kept, "Same as source" sends nothing.
    TodayVideo, // today's codecs at constant quality or a bitrate, the picture fitted
    TodayCopy,  // every stream the container takes, copied as it is
    TodaySound  // sound only, with today's codecs
};

// The command template of a shape. Placeholders in braces stand for values:
// {FORMAT}, {MIDDLE}, {SOUND} are the profile's fragments, {OUT} the quoted
// output path, the others the option values of the job ({VIDEO} and {AUDIO}:
// today's video and sound options, built from the sheet by todayVideo and
// todayAudio).
const char *shapeTemplate(Shape shape);

// Shapes that convert only the sound, and the whole source: the clip times
// are not sent.
bool isAudioOnlyShape(Shape shape);
const char *headTemplate(Shape shape);
const char *tailTemplate();

struct EntryRange
{
    int first;
    int last;
};

// One row of the profile command table: the entries it covers, their shape
// and the literal fragments spliced into it (null where the shape has none).
struct ProfileCommandRow
{
    std::vector<EntryRange> entries;
    Shape shape;
    const char *format; // the container and the lead-in of the video codec
    const char *middle; // fixed sound settings after the video codec
    const char *sound;  // a sound-only shape's container and codec
};

const std::vector<ProfileCommandRow> &profileCommandTable();
// The row that covers entry number `entry`, or null.
const ProfileCommandRow *profileCommandRow(int entry);

} // namespace vantrel
