#include "TestSupport.h"

#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/profiles/ProfileDefaults.h"

#include <QStringList>

using namespace vantrel;

namespace {

const QString kVideo = qs("Video Options");
const QString kAudio = qs("Audio Options");

class ProfileDefaultsTest : public ::testing::Test
{
protected:
    void SetUp() override { sheet.build(); }

    void pick(std::initializer_list<int> entries)
    {
        for (int entry : entries)
            applyProfileDefaults(sheet, entry);
    }
    QString video(const char *item) const { return sheet.value(kVideo, qs(item)); }
    QString audio(const char *item) const { return sheet.value(kAudio, qs(item)); }
    QStringList videoChoices(const char *item) const
    {
        return sheet.item(kVideo, qs(item))->choices;
    }
    QStringList audioChoices(const char *item) const
    {
        return sheet.item(kAudio, qs(item))->choices;
    }
    // Every item as "value|choices", to compare whole sheets.
    QStringList snapshot() const
    {
        QStringList out;
        for (const auto &category : sheet.categories())
            for (const auto &item : category.items)
                out << item.caption + u'=' + item.value + u'|' + item.choices.join(u',');
        return out;
    }

    OptionSheet sheet;
};

QStringList list(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out << qs(t);
    return out;
}

const QStringList kCustomSizes =
    list({"128x96", "176x144", "352x240", "352x288", "480x272", "480x480", "480x576", "640x480",
          "720x480", "720x576", "704x576", "320x240", "720x480", "720x576", "1080x720", "1280x720",
          "1440x1080", "1920x1080"});

} // namespace

TEST_F(ProfileDefaultsTest, AnAudioProfileKeepsTheVideoItemsOfTheLastPick)
{
    pick({2, 96});
    EXPECT_EQ(video("Video Codec"), qs("x264"));
    EXPECT_EQ(video("Video Size"), qs("1024x768"));
    EXPECT_EQ(video("Video Bitrate"), qs("768"));
    EXPECT_EQ(video("Video Framerate"), qs("25"));
    EXPECT_EQ(videoChoices("Video Size"), list({"480x320", "640x480", "1024x768", "1280x720"}));
    EXPECT_EQ(audio("Audio Codec"), qs("mp3"));
    EXPECT_EQ(audioChoices("Audio Codec"), list({"mp3"}));
}

TEST_F(ProfileDefaultsTest, WmvProfilesKeepThePreviousFramerate)
{
    pick({33, 35});
    EXPECT_EQ(video("Video Framerate"), qs("25"));
    pick({26, 35});
    EXPECT_EQ(video("Video Framerate"), qs("29.97"));
    pick({29, 37});
    EXPECT_EQ(video("Video Framerate"), qs("29.976"));
    EXPECT_EQ(audio("Sample Rate"), qs("48000")); // 37 leaves the sample rate too
    EXPECT_EQ(audio("Audio Bitrate"), qs("96"));
}

TEST_F(ProfileDefaultsTest, AppendedBitratesRepeat)
{
    const QStringList built = videoChoices("Video Bitrate");
    pick({29});
    EXPECT_EQ(videoChoices("Video Bitrate"),
              list({"48", "64", "128", "192", "256", "512", "768", "1000", "1500", "1152", "2500",
                    "2000", "2500", "3000"}));
    pick({30});
    EXPECT_EQ(videoChoices("Video Bitrate"),
              built + list({"2000", "2500", "3000", "2000", "2500", "3000"}));
    pick({80, 81});
    EXPECT_EQ(videoChoices("Video Bitrate").mid(built.size() + 6), list({"384", "384"}));
    pick({86});
    EXPECT_EQ(videoChoices("Video Bitrate"), list({"768", "512", "384", "256"}));
}

TEST_F(ProfileDefaultsTest, GroupMatesDifferWhereTheirRulesDo)
{
    pick({4});
    EXPECT_EQ(videoChoices("Video Size"),
              list({"720x576", "480x320", "640x480", "1024x768", "1280x720"}));
    for (int entry : {2, 3, 5}) {
        pick({entry});
        EXPECT_EQ(videoChoices("Video Size"), list({"480x320", "640x480", "1024x768", "1280x720"}))
            << entry;
    }
    pick({73});
    EXPECT_EQ(audio("Sample Rate"), qs("11025"));
    pick({74});
    EXPECT_EQ(audio("Sample Rate"), qs("24000"));
    pick({71});
    EXPECT_EQ(audio("Sample Rate"), qs("8000"));
    EXPECT_EQ(audio("Audio Bitrate"), qs("12.2"));
    EXPECT_EQ(audioChoices("Audio Codec"), list({"amr_nb", "faac"}));
}

TEST_F(ProfileDefaultsTest, FrameratesAreWrittenAsTheRulesHaveThem)
{
    const struct
    {
        int entry;
        const char *fps;
    } cases[] = {{29, "29.976"}, {30, "29.976"}, {31, "23.976"}, {90, "29.970"},
                 {91, "29.970"}, {26, "29.97"},  {27, "29.97"},  {61, "20"},
                 {18, "24"},     {54, "15"},     {65, "30"}};
    for (const auto &c : cases) {
        pick({c.entry});
        EXPECT_EQ(video("Video Framerate"), qs(c.fps)) << c.entry;
    }
}

TEST_F(ProfileDefaultsTest, DvdProfiles)
{
    const QStringList builtFps = videoChoices("Video Framerate");
    pick({89});
    EXPECT_EQ(video("Video Framerate"), qs("25"));
    EXPECT_EQ(videoChoices("Video Framerate"), builtFps);
    EXPECT_EQ(videoChoices("Video Bitrate"), list({"8000", "5000", "2000"}));
    EXPECT_EQ(audioChoices("Audio Bitrate"), list({"128", "192"}));
    pick({88});
    EXPECT_EQ(video("Video Framerate"), qs("25"));
    EXPECT_EQ(videoChoices("Video Framerate"), list({"25"}));
    EXPECT_EQ(video("Video Codec"), qs("mpeg2video"));
    EXPECT_EQ(video("Video Size"), qs("720x480"));
    EXPECT_EQ(audio("Audio Codec"), qs("ac3"));
}

TEST_F(ProfileDefaultsTest, OddOnesOut)
{
    pick({65});
    EXPECT_EQ(video("Video Codec"), qs("WMV V8"));
    EXPECT_EQ(videoChoices("Video Codec"), list({"WMV V9", "WMV V8"}));
    pick({93});
    EXPECT_EQ(audio("Audio Codec"), qs("WMA"));
    EXPECT_EQ(audioChoices("Audio Codec"), list({"WMA"}));
    pick({35});
    EXPECT_EQ(audio("Audio Codec"), qs("WMA9"));
    for (int entry : {91, 92, 93, 94}) {
        pick({entry});
        EXPECT_EQ(videoChoices("Video Size"), kCustomSizes) << entry;
    }
    pick({92});
    EXPECT_EQ(videoChoices("Video Codec"),
              list({"xvid", "mpeg4", "msmpeg4", "msmpeg4v2", "mjpeg", "wmv1", "wmv2", "mpeg2",
                    "mpeg1", "h263p", "x264", "huffyuv", "ffv1"}));
    EXPECT_EQ(audioChoices("Audio Codec"), list({"ac3", "mp3", "mp2", "aac"}));
}

TEST_F(ProfileDefaultsTest, ZuneMpeg4EmptiesTheSizesAndKeepsTheSize)
{
    pick({13, 38});
    EXPECT_EQ(video("Video Size"), qs("480x320"));
    EXPECT_TRUE(videoChoices("Video Size").isEmpty());
    EXPECT_EQ(video("Video Codec"), qs("mpeg4"));
    EXPECT_EQ(videoChoices("Video Codec"), list({"mpeg4", "xvid"}));
    pick({37});
    EXPECT_EQ(video("Video Size"), qs("320x240"));
    pick({40});
    EXPECT_EQ(videoChoices("Video Size").size(), 5);
}

TEST_F(ProfileDefaultsTest, FullRuleOfOneEntry)
{
    pick({92});
    const QStringList expected = {
        qs("Item Name=Auto|"),
        qs("All Clip Duration=00:00:00|"),
        qs("Start Time=00:00:00|"),
        qs("Stop Time=00:00:00|"),
        qs("Video Codec=xvid|xvid,mpeg4,msmpeg4,msmpeg4v2,mjpeg,wmv1,wmv2,mpeg2,mpeg1,h263p,x264,"
           "huffyuv,ffv1"),
        qs("Video Size=720x480|") + kCustomSizes.join(u','),
        qs("Video Bitrate=768|768,2000,4000,5000,6000,8000,10000,12000"),
        qs("Video Framerate=25|Auto,8,10,12,15,23.976,24,25,29.97,30"),
        qs("Aspect Ratio=4:3|4:3,16:9"),
        qs("Fit To Size=Off|"),
        qs("Subtitles=None|"),
        qs("HDR=Standard range (8-bit)|"),
        qs("Audio Codec=mp3|ac3,mp3,mp2,aac"),
        qs("Audio Bitrate=128|32,40,48,56,64,80,96,112,128,160,192,224,256,320"),
        qs("Sample Rate=44100|8000,11025,22050,24000,32000,44100,48000"),
        qs("Audio Channel=2|1,2"),
        qs("Loudness=Same as source|"),
        qs("Sound Tracks=Best one|"),
        qs("Disable Audio=No|No,Yes"),
        qs("A/V Sync=Basic|Basic,Default"),
    };
    EXPECT_EQ(snapshot(), expected);
}

TEST_F(ProfileDefaultsTest, GroupHeaders)
{
    const QStringList built = snapshot();
    pick({1});
    EXPECT_EQ(snapshot(), built);
    EXPECT_TRUE(profileDefaults(1).changesNothing());
    applyProfileDefaults(sheet, std::nullopt);
    EXPECT_EQ(snapshot(), built);
    applyProfileDefaults(sheet, 0);
    applyProfileDefaults(sheet, 102);
    EXPECT_EQ(snapshot(), built);

    pick({17, 6});
    EXPECT_EQ(video("Video Codec"), qs("x264"));
    EXPECT_EQ(video("Video Size"), qs("720x432")); // kept from 17
    EXPECT_EQ(video("Video Bitrate"), qs("768"));
    EXPECT_EQ(videoChoices("Video Codec"), list({"xvid", "mpeg4", "x264"}));
    EXPECT_TRUE(videoChoices("Video Size").isEmpty());
    EXPECT_EQ(audioChoices("Audio Codec"), list({"aac"}));

    pick({92, 87});
    EXPECT_TRUE(videoChoices("Video Codec").isEmpty());
    EXPECT_TRUE(videoChoices("Video Size").isEmpty());
    EXPECT_TRUE(videoChoices("Video Bitrate").isEmpty());
    EXPECT_TRUE(audioChoices("Audio Codec").isEmpty());
    EXPECT_EQ(video("Video Codec"), qs("xvid"));

    pick({28});
    EXPECT_EQ(video("Video Bitrate"), qs("512"));
    EXPECT_EQ(video("Video Framerate"), qs("29.97"));
    EXPECT_EQ(audio("Audio Bitrate"), qs("64"));

    OptionSheet other;
    other.build();
    applyProfileDefaults(other, 96);
    pick({95});
    EXPECT_EQ(audio("Audio Codec"), other.value(kAudio, qs("Audio Codec")));
    EXPECT_EQ(audioChoices("Audio Codec"), list({"mp3"}));
    EXPECT_EQ(audio("Sample Rate"), qs("44100"));
}

TEST_F(ProfileDefaultsTest, NoRuleTouchesTheUserOnlyItems)
{
    for (const char *item : {"Aspect Ratio", "Audio Channel", "Disable Audio", "A/V Sync"}) {
        const QString category = sheet.findItem(qs(item))->category;
        sheet.setValue(category, qs(item), qs("user"));
    }
    for (int entry = 1; entry <= 101; ++entry) {
        pick({entry});
        for (const char *item : {"Aspect Ratio", "Audio Channel", "Disable Audio", "A/V Sync"})
            EXPECT_EQ(sheet.value(sheet.findItem(qs(item))->category, qs(item)), qs("user"))
                << entry << " " << item;
    }
}

TEST_F(ProfileDefaultsTest, EveryProfileSetsItsAudioCodecAndChoices)
{
    for (int entry = 2; entry <= 101; ++entry) {
        if (catalogueEntry(entry)->isGroup())
            continue;
        const ProfileDefaults rule = profileDefaults(entry);
        EXPECT_TRUE(rule.value(DefaultItem::AudioCodec).has_value()) << entry;
        EXPECT_EQ(rule.choiceRule(DefaultItem::AudioCodec).op, ChoiceOp::Replace) << entry;
        const bool audioOnly = entry >= 96;
        EXPECT_EQ(rule.value(DefaultItem::VideoCodec).has_value(), !audioOnly) << entry;
        // A profile offers the value it sets among its codec choices.
        if (!audioOnly) {
            EXPECT_TRUE(rule.choiceRule(DefaultItem::VideoCodec)
                            .choices.contains(*rule.value(DefaultItem::VideoCodec)))
                << entry;
        }
    }
}

// Today's entries set every video and audio item, and show read-only the
// ones that do not apply; an old entry picked after one of them finds the
// sheet as it would have been without it, with today's size and loudness off.
TEST_F(ProfileDefaultsTest, TodaysEntriesSetTheirWholeOptionsAndGiveThemBack)
{
    const auto readOnly = [this](const QString &category) {
        QStringList fixed;
        for (const auto &c : sheet.categories()) {
            if (c.caption != category)
                continue;
            for (const auto &item : c.items)
                if (item.readOnly)
                    fixed << item.caption;
        }
        return fixed;
    };
    const struct
    {
        int entry;
        QStringList fixedVideo;
        QStringList fixedAudio;
    } cases[] = {
        {103, list({"HDR"}), {}}, // H.264 plays everywhere: standard range only
        {107,
         list({"Video Codec", "Video Size", "Video Bitrate", "Video Framerate", "Aspect Ratio",
               "Fit To Size", "Subtitles", "HDR"}),
         list({"Audio Codec", "Audio Bitrate", "Sample Rate", "Audio Channel", "Loudness",
               "Sound Tracks", "Disable Audio"})},
        {110,
         list({"Video Codec", "Video Size", "Video Bitrate", "Video Framerate", "Aspect Ratio",
               "Fit To Size", "Subtitles", "HDR"}),
         {}},
        {111,
         list({"Video Codec", "Video Size", "Video Bitrate", "Video Framerate", "Aspect Ratio",
               "Fit To Size", "Subtitles", "HDR"}),
         list({"Audio Bitrate"})},
    };
    for (const auto &c : cases) {
        sheet.build();
        pick({c.entry});
        EXPECT_EQ(readOnly(kVideo), c.fixedVideo) << c.entry;
        EXPECT_EQ(readOnly(kAudio), c.fixedAudio) << c.entry;

        pick({7}); // an old entry after it
        const QStringList after = snapshot();
        sheet.build();
        pick({7});
        EXPECT_EQ(after, snapshot()) << c.entry;
        EXPECT_EQ(readOnly(kVideo), list({"Fit To Size", "Subtitles", "HDR"}));
        EXPECT_EQ(readOnly(kAudio), list({"Loudness", "Sound Tracks"}));
    }
}
