#include "core/convert/CommandShapes.h"

namespace vantrel {

namespace {

struct ShapeRow
{
    Shape shape;
    const char *text;
};

// Every blank counts: the fragments are joined exactly as written.
constexpr ShapeRow kShapes[] = {
    {Shape::VideoSoundAspect,
     "{FORMAT}{VCODEC}  -ab {AB}000  -ac {CH} -ar {SR} -b {VB}000 -r {FPS} -ss {SS} -t {T}"
     " -s {SIZE} -aspect {ASPECT} -acodec {ACODEC}{AN} {OUT}"},
    {Shape::VideoSound,
     "{FORMAT}{VCODEC}  -ab {AB}000  -ac {CH} -ar {SR} -b {VB}000 -r {FPS} -ss {SS} -t {T}"
     " -s {SIZE} -acodec {ACODEC}{AN} {OUT}"},
    {Shape::VideoSoundCodec, "{FORMAT}{VCODEC} -b {VB}000 -r {FPS} -ss {SS} -t {T} -s {SIZE}"
                             " -acodec {ACODEC} {AN}{OUT}"},
    {Shape::VideoSoundCodecAspect,
     "{FORMAT}{VCODEC} -b {VB}000 -r {FPS} -ss {SS} -t {T} -s {SIZE} -aspect {ASPECT}"
     " -acodec {ACODEC} {AN}{OUT}"},
    {Shape::MobileVideo,
     "{FORMAT}{VCODEC}{MIDDLE} -b {VB}000 -r {FPS} -ss {SS} -t {T} -s {SIZE} -aspect {ASPECT}"
     " -acodec {ACODEC}{AN} {OUT}"},
    {Shape::ContainerVideo,
     "  -ab {AB}000  -ac {CH} -ar {SR} -b {VB}000 -r {FPS} -ss {SS} -t {T} -s {SIZE}"
     " -acodec {ACODEC}{AN} {OUT}"},
    {Shape::DiscTarget, "{FORMAT} -b {VB}000 -r {FPS} -ss {SS} -t {T} -s {SIZE}{AN} {OUT}"},
    {Shape::SoundSettings, "  -ab {AB}000  -ac {CH} -ar {SR}{SOUND}{OUT}"},
    {Shape::SoundCodecOnly, " -acodec {ACODEC} -vn {OUT}"},
    // The first picture that is no cover image and the first sound: a song
    // with its cover becomes sound alone rather than a failed film.
    {Shape::TodayVideo, "{FORMAT} -map 0:V:0? -map 0:a:0?{VIDEO}{AUDIO} -sn -dn -map_metadata 0"
                        " -map_chapters 0 -ss {SS} -t {T}{SOUND} {OUT}"},
    {Shape::TodayCopy, "{FORMAT} -c copy{MIDDLE} -map_metadata 0 -map_chapters 0"
                       " -ss {SS} -t {T}{SOUND} {OUT}"},
    {Shape::TodaySound,
     "{FORMAT} -vn{AUDIO} -map_metadata 0 -map_chapters 0 -ss {SS} -t {T} {OUT}"},
};

} // namespace

const char *shapeTemplate(Shape shape)
{
    for (const ShapeRow &row : kShapes) {
        if (row.shape == shape)
            return row.text;
    }
    return "";
}

bool isAudioOnlyShape(Shape shape)
{
    return shape == Shape::SoundSettings || shape == Shape::SoundCodecOnly ||
           shape == Shape::TodaySound;
}

const char *headTemplate(Shape shape)
{
    // A copy keeps the packets as they come, so the reader gives a time to
    // those that lack one (MPEG program streams), which Matroska needs; an
    // encoder makes its own.
    return shape == Shape::TodayCopy ? "{ENCODER} -fflags +genpts -i {SRC}" : "{ENCODER} -i {SRC}";
}

const char *tailTemplate()
{
    return " -threads {THREADS} -vstats_file {STATS}";
}

const std::vector<ProfileCommandRow> &profileCommandTable()
{
    // entries, shape, format, middle, sound
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
         " -f matroska -map 0:v? -map 0:a? -map 0:s? -map 0:t?",
         nullptr,
         nullptr},
        {{{108, 108}},
         Shape::TodayCopy,
         " -f mp4 -map 0:v? -map 0:a? -map 0:s?",
         " -c:s mov_text",
         " -movflags +faststart"},
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
