#include "TestSupport.h"

#include "core/convert/rules/TrackChoice.h"

using namespace vantrel;

namespace {

using Kind = StreamFacts::Kind;

StreamFacts stream(int index, Kind kind, const char *codec, const char *language, int channels,
                   const char *title = "", StreamFacts::Disposition disposition = {})
{
    StreamFacts s;
    s.index = index;
    s.kind = kind;
    s.codec = qs(codec);
    s.language = qs(language);
    s.channels = channels;
    s.sampleRate = channels ? 48000 : 0;
    s.title = qs(title);
    s.disposition = disposition;
    return s;
}

// A film as a disc copy holds it: the original French sound first, English
// in 5.1 and stereo, a commentary, a German description; text, forced,
// picture and SDH subtitles.
SourceFacts film()
{
    using D = StreamFacts::Disposition;
    SourceFacts f;
    StreamFacts picture = stream(0, Kind::Video, "h264", "", 0);
    picture.width = 1920;
    picture.height = 1080;
    f.streams = {
        picture,
        stream(1, Kind::Audio, "aac", "fre", 2, "", D{true, false, false, false, false, true}),
        stream(2, Kind::Audio, "ac3", "eng", 6),
        stream(3, Kind::Audio, "aac", "eng", 2),
        stream(4, Kind::Audio, "aac", "eng", 2, "Director's Commentary"),
        stream(5, Kind::Audio, "aac", "ger", 2, "", D{false, false, false, false, true}),
        stream(6, Kind::Subtitle, "subrip", "eng", 0),
        stream(7, Kind::Subtitle, "subrip", "fre", 0, "", D{false, true}),
        stream(8, Kind::Subtitle, "hdmv_pgs_subtitle", "deu", 0),
        stream(9, Kind::Subtitle, "ass", "eng", 0, "English SDH"),
    };
    f.streams[3].bitsPerSecond = 128000;
    return f;
}

QString kept(const TrackChoice &c)
{
    QStringList sounds;
    for (const KeptSound &s : c.sounds)
        sounds << QString::number(s.stream->index) + (s.copied ? qs("=") : QString());
    QStringList subtitles;
    for (const KeptSubtitle &s : c.subtitles)
        subtitles << QStringLiteral("%1:%2").arg(s.stream->index).arg(s.codec);
    return sounds.join(u',') + u'|' + subtitles.join(u',') + u'|' +
           (c.burned ? QString::number(c.burned->index) : QString());
}

} // namespace

// Which sounds and subtitles a conversion keeps, in the output's order (the
// sound that plays first leads; "=" a sound copied as it is), by the sheet's
// rules, the preferred languages or the row's own choice.
TEST(TrackChoice, KeepsTheTracksTheRulesAsk)
{
    const struct
    {
        const char *name;
        const char *sounds;
        const char *subtitles;
        const char *languages;
        const char *extension;
        std::optional<TrackPick> pick;
        bool soundOnly;
        const char *expected;
        const char *note; // a part of one note; empty: none asked
    } cases[] = {
        {"default rules", "Best one", "None", "", ".mp4", {}, false, "2||", ""},
        {"languages, B and T codes",
         "Preferred languages",
         "None",
         "eng,deu",
         ".mp4",
         {},
         false,
         "2||",
         "Stream 5 (ger, 2 ch) was left out: a description for the blind."},
        {"languages in their order",
         "Preferred languages",
         "None",
         "fre,eng",
         ".mp4",
         {},
         false,
         "1,2||",
         "Stream 4 (eng, 2 ch, \"Director's Commentary\") was left out: a commentary."},
        {"no language matches",
         "Preferred languages",
         "None",
         "jpn",
         ".mp4",
         {},
         false,
         "1||",
         "No sound is in the preferred languages (jpn): Stream 1 (fre, 2 ch) was kept."},
        {"main tracks, the default first",
         "All main tracks",
         "None",
         "",
         ".mp4",
         {},
         false,
         "1,2,3=||",
         "Stream 3 (eng, 2 ch) was copied as it is"},
        {"all tracks", "All tracks", "None", "", ".webm", {}, false, "1,2,3=,4,5||", ""},
        {"subtitles by language",
         "Best one",
         "Preferred languages",
         "eng",
         ".mp4",
         {},
         false,
         "2|6:mov_text,9:mov_text|",
         "Stream 7 (fre) was left out: not in the preferred languages."},
        {"all subtitles in WebM",
         "Best one",
         "All",
         "",
         ".webm",
         {},
         false,
         "2|6:webvtt,7:webvtt,9:webvtt|",
         "Stream 8 (deu) was left out: WebM holds only text subtitles"},
        {"the forced subtitle of the sound's language",
         "Preferred languages",
         "Forced only, burned in",
         "fre",
         ".mp4",
         {},
         false,
         "1||7",
         "forced, was burned"},
        {"no forced subtitle in the sound's language",
         "Best one",
         "Forced only, burned in",
         "",
         ".mp4",
         {},
         false,
         "2||",
         "No forced subtitle is in the sound's language (eng)"},
        {"the row's own choice", "Best one", "None", "", ".mp4", TrackPick{{4, 3, 8, 6}, 4}, false,
         "4,3=|6:mov_text|", "Stream 8 (deu) was left out"},
        {"a sound file holds one sound",
         "All main tracks",
         "All",
         "",
         ".opus",
         {},
         true,
         "1||",
         "a sound file holds one sound"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ConversionOptions texts;
        texts.audioCodec = qs("AAC");
        texts.audioBitrate = qs("160");
        texts.disableAudio = qs("No");
        texts.soundTracks = qs(c.sounds);
        texts.subtitles = qs(c.subtitles);
        texts.languages = qs(c.languages);
        ConversionJob job;
        job.outputExtension = qs(c.extension);
        job.options = texts;
        job.tracks = c.pick;
        const TrackChoice choice = chooseTracks(film(), job, c.soundOnly);
        EXPECT_EQ(kept(choice), qs(c.expected));
        EXPECT_EQ(choice.asBuilt, qs(c.expected) == qs("2||") && qs(c.sounds) == qs("Best one"));
        if (*c.note) {
            EXPECT_TRUE(choice.notes.join(u'\n').contains(qs(c.note)))
                << choice.notes.join(u'\n').toStdString();
        }
    }
}
