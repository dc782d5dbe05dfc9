#include "core/convert/command/CommandShapes.h"

namespace vantrel {

namespace {

using R = CommandRole;

struct ShapeRow
{
    Shape shape;
    CommandTemplate body;
};

// The bodies of the shapes, stretch by stretch; the texts of a row joined
// are its command body exactly, blanks included.
const ShapeRow kShapes[] = {
    {Shape::VideoSoundAspect,
     {{R::VideoCodec, "{FORMAT}{VCODEC}"},
      {R::Other, "  -ab {AB}000  -ac {CH} -ar {SR}"},
      {R::VideoRate, " -b {VB}000"},
      {R::FrameRate, " -r {FPS}"},
      {R::Clip, " -ss {SS} -t {T}"},
      {R::Size, " -s {SIZE}"},
      {R::Other, " -aspect {ASPECT}"},
      {R::SoundCodec, " -acodec {ACODEC}{AN}"},
      {R::Output, " {OUT}"}}},
    {Shape::VideoSound,
     {{R::VideoCodec, "{FORMAT}{VCODEC}"},
      {R::Other, "  -ab {AB}000  -ac {CH} -ar {SR}"},
      {R::VideoRate, " -b {VB}000"},
      {R::FrameRate, " -r {FPS}"},
      {R::Clip, " -ss {SS} -t {T}"},
      {R::Size, " -s {SIZE}"},
      {R::SoundCodec, " -acodec {ACODEC}{AN}"},
      {R::Output, " {OUT}"}}},
    {Shape::VideoSoundCodec,
     {{R::VideoCodec, "{FORMAT}{VCODEC}"},
      {R::VideoRate, " -b {VB}000"},
      {R::FrameRate, " -r {FPS}"},
      {R::Clip, " -ss {SS} -t {T}"},
      {R::Size, " -s {SIZE}"},
      {R::SoundCodec, " -acodec {ACODEC} {AN}"},
      {R::Output, "{OUT}"}}},
    {Shape::VideoSoundCodecAspect,
     {{R::VideoCodec, "{FORMAT}{VCODEC}"},
      {R::VideoRate, " -b {VB}000"},
      {R::FrameRate, " -r {FPS}"},
      {R::Clip, " -ss {SS} -t {T}"},
      {R::Size, " -s {SIZE}"},
      {R::Other, " -aspect {ASPECT}"},
      {R::SoundCodec, " -acodec {ACODEC} {AN}"},
      {R::Output, "{OUT}"}}},
    {Shape::MobileVideo,
     {{R::VideoCodec, "{FORMAT}{VCODEC}"},
      {R::Other, "{MIDDLE}"},
      {R::VideoRate, " -b {VB}000"},
      {R::FrameRate, " -r {FPS}"},
      {R::Clip, " -ss {SS} -t {T}"},
      {R::Size, " -s {SIZE}"},
      {R::Other, " -aspect {ASPECT}"},
      {R::SoundCodec, " -acodec {ACODEC}{AN}"},
      {R::Output, " {OUT}"}}},
    {Shape::ContainerVideo,
     {{R::Other, "  -ab {AB}000  -ac {CH} -ar {SR}"},
      {R::VideoRate, " -b {VB}000"},
      {R::FrameRate, " -r {FPS}"},
      {R::Clip, " -ss {SS} -t {T}"},
      {R::Size, " -s {SIZE}"},
      {R::SoundCodec, " -acodec {ACODEC}{AN}"},
      {R::Output, " {OUT}"}}},
    {Shape::DiscTarget,
     {{R::Other, "{FORMAT}"},
      {R::VideoRate, " -b {VB}000"},
      {R::FrameRate, " -r {FPS}"},
      {R::Clip, " -ss {SS} -t {T}"},
      {R::Size, " -s {SIZE}"},
      {R::SoundCodec, "{AN}"},
      {R::Output, " {OUT}"}}},
    {Shape::SoundSettings,
     {{R::Other, "  -ab {AB}000  -ac {CH} -ar {SR}"},
      {R::SoundCodec, "{SOUND}"},
      {R::Output, "{OUT}"}}},
    {Shape::SoundCodecOnly, {{R::SoundCodec, " -acodec {ACODEC} -vn"}, {R::Output, " {OUT}"}}},
    // The first picture that is no cover image and the first sound: a song
    // with its cover becomes sound alone rather than a failed film.
    {Shape::TodayVideo,
     {{R::Container, "{FORMAT}"},
      {R::Maps, " -map 0:V:0? -map 0:a:0?"},
      {R::Other, "{VIDEO}"},
      {R::Other, "{AUDIO}"},
      {R::Other, " -dn -map_metadata 0 -map_chapters 0"},
      {R::Clip, " -ss {SS} -t {T}"},
      {R::Container, "{SOUND}"},
      {R::Output, " {OUT}"}}},
    {Shape::TodayCopy,
     {{R::Other, "{FORMAT}"},
      {R::Maps, "{MAPS}"},
      {R::Other, " -c copy{MIDDLE} -map_metadata 0 -map_chapters 0"},
      {R::Clip, " -ss {SS} -t {T}"},
      {R::Other, "{SOUND}"},
      {R::Output, " {OUT}"}}},
    {Shape::TodaySound,
     {{R::Other, "{FORMAT} -vn"},
      {R::Other, "{AUDIO}"},
      {R::Other, " -map_metadata 0 -map_chapters 0"},
      {R::Clip, " -ss {SS} -t {T}"},
      {R::Output, " {OUT}"}}},
};

} // namespace

CommandTemplate commandTemplate(Shape shape)
{
    // A copy keeps the packets as they come, so the reader gives a time to
    // those that lack one (MPEG program streams), which Matroska needs; an
    // encoder makes its own.
    CommandTemplate parts = {
        {R::Program, "{ENCODER}"},
        {R::Input, shape == Shape::TodayCopy ? " -fflags +genpts -i {SRC}" : " -i {SRC}"}};
    for (const ShapeRow &row : kShapes) {
        if (row.shape == shape)
            parts.insert(parts.end(), row.body.begin(), row.body.end());
    }
    parts.push_back({R::Threads, " -threads {THREADS}"});
    parts.push_back({R::Statistics, " -vstats_file {STATS}"});
    return parts;
}

bool isAudioOnlyShape(Shape shape)
{
    return shape == Shape::SoundSettings || shape == Shape::SoundCodecOnly ||
           shape == Shape::TodaySound;
}

bool isTodayShape(Shape shape)
{
    return shape == Shape::TodayVideo || shape == Shape::TodayCopy || shape == Shape::TodaySound;
}

const std::vector<ProfileCommandRow> &profileCommandTable()
{
    // entries, shape, format, middle, sound, maps
    static const std::vector<ProfileCommandRow> table = {
        {{{1, 18}}, Shape::VideoSoundAspect, " -f mp4 -vcodec  ", nullptr, nullptr},
        {{{19, 24}}, Shape::VideoSoundAspect, "  -vcodec  ", nullptr, nullptr},
        {{{25, 27}}, Shape::VideoSoundAspect, " -f psp -vcodec   ", nullptr, nullptr},
        {{{28, 31}}, Shape::VideoSoundAspect, "  -vcodec   ", nullptr, nullptr},
        {{{32, 34}}, Shape::VideoSoundAspect, "  -vcodec   ", nullptr, nullptr},
        {{{35, 35}}, Shape::VideoSoundCodec, "  -vcodec ", nullptr, nullptr},
        {{{36, 37}, {39, 39}}, Shape::VideoSoundCodec, "  -vcodec ", nullptr, nullptr},
        {{{38, 38}, {40, 40}}, Shape::VideoSoundAspect, " -f mp4  -vcodec  ", nullptr, nullptr},
        {{{41, 47}}, Shape::VideoSoundCodec, "  -vcodec ", nullptr, nullptr},
        {{{48, 52}}, Shape::VideoSoundAspect, " -f avi  -vcodec ", nullptr, nullptr},
        {{{53, 59}}, Shape::VideoSoundAspect, " -f avi  -vcodec ", nullptr, nullptr},
        {{{60, 61}}, Shape::VideoSound, " -f avi  -vcodec ", nullptr, nullptr},
        {{{62, 62}}, Shape::VideoSoundCodec, "  -vcodec ", nullptr, nullptr},
        {{{63, 63}}, Shape::VideoSoundAspect, " -f mp4  -vcodec  ", nullptr, nullptr},
        {{{64, 65}}, Shape::VideoSoundCodec, "  -vcodec ", nullptr, nullptr},
        {{{66, 66}}, Shape::VideoSoundAspect, " -f avi  -vcodec ", nullptr, nullptr},
        {{{67, 67}}, Shape::VideoSoundAspect, " -f mp4  -vcodec ", nullptr, nullptr},
        {{{68, 69}}, Shape::VideoSoundAspect, "   -vcodec ", nullptr, nullptr},
        {{{70, 71}},
         Shape::MobileVideo,
         "   -vcodec ",
         "  -f 3gp -ac 1 -ar 8000 -ab 12.2k   ",
         nullptr},
        {{{72, 72}},
         Shape::MobileVideo,
         " -f 3g2  -vcodec ",
         "  -ac 1 -ar 8000 -ab 12.2k   ",
         nullptr},
        {{{73, 74}}, Shape::VideoSoundAspect, " -f mp4  -vcodec   ", nullptr, nullptr},
        {{{75, 76}}, Shape::VideoSoundAspect, " -f mp4  -vcodec   ", nullptr, nullptr},
        {{{77, 78}}, Shape::VideoSoundAspect, " -f mp4  -vcodec   ", nullptr, nullptr},
        {{{79, 81}}, Shape::VideoSoundCodec, "  -vcodec ", nullptr, nullptr},
        {{{82, 83}}, Shape::ContainerVideo, nullptr, nullptr, nullptr},
        {{{84, 84}}, Shape::ContainerVideo, nullptr, nullptr, nullptr},
        {{{85, 86}}, Shape::VideoSoundCodec, "  -vcodec ", nullptr, nullptr},
        {{{87, 88}}, Shape::DiscTarget, " -target ntsc-dvd ", nullptr, nullptr},
        {{{89, 89}}, Shape::DiscTarget, " -target pal-dvd ", nullptr, nullptr},
        {{{90, 90}}, Shape::VideoSound, "   -vcodec ", nullptr, nullptr},
        {{{91, 91}}, Shape::VideoSound, "   -vcodec ", nullptr, nullptr},
        {{{92, 92}}, Shape::VideoSoundAspect, " -f avi   -vcodec   ", nullptr, nullptr},
        {{{93, 93}}, Shape::VideoSoundCodecAspect, "  -vcodec ", nullptr, nullptr},
        {{{94, 94}}, Shape::VideoSoundAspect, " -f mp4  -vcodec    ", nullptr, nullptr},
        {{{95, 96}}, Shape::SoundSettings, nullptr, nullptr, "  -vn -f  mp3  -acodec  libmp3lame "},
        {{{97, 97}}, Shape::SoundSettings, nullptr, nullptr, "  -vn -f  ogg -acodec  libvorbis "},
        {{{98, 98}}, Shape::SoundSettings, nullptr, nullptr, "  -vn -f  wav -acodec  pcm_s16le "},
        {{{99, 99}}, Shape::SoundSettings, nullptr, nullptr, "  -vn -acodec  libfaac "},
        {{{100, 100}}, Shape::SoundCodecOnly, nullptr, nullptr, nullptr},
        {{{101, 101}}, Shape::SoundSettings, nullptr, nullptr, "  -vn -acodec  libfaac "},
        // Today's: MP4 starts playing before it has all arrived; a copy keeps
        // every stream (MP4 turns text subtitles into its own kind).
        {{{103, 104}}, Shape::TodayVideo, " -f mp4", nullptr, " -movflags +faststart"},
        {{{105, 106}}, Shape::TodayVideo, " -f webm", nullptr, nullptr},
        {{{107, 107}},
         Shape::TodayCopy,
         " -f matroska",
         nullptr,
         nullptr,
         " -map 0:v? -map 0:a? -map 0:s? -map 0:t?"},
        {{{108, 108}},
         Shape::TodayCopy,
         " -f mp4",
         " -c:s mov_text",
         " -movflags +faststart",
         " -map 0:v? -map 0:a? -map 0:s?"},
        {{{110, 110}}, Shape::TodaySound, " -f opus", nullptr, nullptr},
        {{{111, 111}}, Shape::TodaySound, " -f flac", nullptr, nullptr},
    };
    return table;
}

const ProfileCommandRow *profileCommandRow(int entry)
{
    for (const ProfileCommandRow &row : profileCommandTable()) {
        for (const EntryRange &range : row.entries) {
            if (entry >= range.first && entry <= range.last)
                return &row;
        }
    }
    return nullptr;
}

} // namespace vantrel
