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

// What a stretch of an encoder command does. The command runs on the
// installed encoder adapted stretch by stretch, each rule on its own role
// (see encoderRunArguments); `Other` is run as it stands.
enum class CommandRole
{
    Program,     // the encoder
    Input,       // how the source is read, and the source
    VideoCodec,  // the video codec with its options (old entries: the container first)
    VideoRate,   // the picture's bitrate or constant quality
    FrameRate,   // "-r"
    Clip,        // "-ss" and "-t"
    Size,        // "-s WxH"
    Filter,      // the picture's own filters ("-vf")
    Maps,        // the streams taken ("-map")
    SoundCodec,  // the sound's codec with its settings, or "-an"/"-vn"
    SoundRate,   // today's "-b:a"
    SampleRate,  // today's "-ar"
    SoundFilter, // "-af"
    Container,   // today's "-f" and the muxer's options
    Pass,        // which of an encoder's two passes, and where its statistics go
    Other,       // what no rule changes: container, sound settings, aspect, metadata
    Output,      // the output path
    Threads,     // "-threads N"
    Statistics   // "-vstats_file"
};

// A stretch of a template: its role and its text, in which placeholders in
// braces stand for values: {FORMAT}, {MAPS}, {MIDDLE}, {SOUND} are the
// profile's fragments, {OUT} the quoted output path, the others the option
// values of the job. {VIDEO} and {AUDIO} stand for today's video and sound
// options, which bring their own roles (built from the sheet by todayVideo
// and todayAudio).
struct TemplatePart
{
    CommandRole role;
    const char *text;
};
using CommandTemplate = std::vector<TemplatePart>;

// The template of a shape: the head (the encoder and its source), the body
// of the shape and the tail (threads and statistics), in command order. Every
// blank counts: the parts' texts joined are the command text exactly.
CommandTemplate commandTemplate(Shape shape);

// Shapes that convert only the sound, and the whole source: the clip times
// are not sent.
bool isAudioOnlyShape(Shape shape);
// Today's shapes, which take their options with roles of their own and
// whose runs are fitted to what their source holds.
bool isTodayShape(Shape shape);

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
    const char *format;         // the container and the lead-in of the video codec
    const char *middle;         // fixed sound settings after the video codec
    const char *sound;          // a sound-only shape's container and codec
    const char *maps = nullptr; // the streams a copy takes
};

const std::vector<ProfileCommandRow> &profileCommandTable();
// The row that covers entry number `entry`, or null.
const ProfileCommandRow *profileCommandRow(int entry);

} // namespace vantrel
