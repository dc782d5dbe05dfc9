#include "TestSupport.h"

#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileSelection.h"
#include "core/settings/IniFile.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace vantrel;

TEST(OptionSheet, BuildsFourCategoriesInDisplayOrder)
{
    OptionSheet sheet;
    sheet.build();
    ASSERT_EQ(sheet.categories().size(), 4u);
    QStringList layout;
    for (const auto &category : sheet.categories()) {
        for (const auto &item : category.items) {
            layout << category.caption + u'/' + item.caption +
                          (item.readOnly ? qs(" ro") : QString()) +
                          (item.kind == OptionSheet::ItemKind::Choice ? qs(" choice") : QString());
        }
    }
    EXPECT_EQ(layout, (QStringList{qs("General/Item Name ro"),
                                   qs("Output Duration/All Clip Duration ro"),
                                   qs("Output Duration/Start Time ro"),
                                   qs("Output Duration/Stop Time ro"),
                                   qs("Video Options/Video Codec choice"),
                                   qs("Video Options/Video Size choice"),
                                   qs("Video Options/Video Bitrate choice"),
                                   qs("Video Options/Video Framerate choice"),
                                   qs("Video Options/Aspect Ratio choice"),
                                   qs("Video Options/Fit To Size ro"),
                                   qs("Video Options/Subtitles ro choice"),
                                   qs("Video Options/HDR ro choice"),
                                   qs("Audio Options/Audio Codec choice"),
                                   qs("Audio Options/Audio Bitrate choice"),
                                   qs("Audio Options/Sample Rate choice"),
                                   qs("Audio Options/Audio Channel choice"),
                                   qs("Audio Options/Loudness ro"),
                                   qs("Audio Options/Sound Tracks ro choice"),
                                   qs("Audio Options/Disable Audio choice"),
                                   qs("Audio Options/A/V Sync choice")}));
    EXPECT_EQ(sheet.item(qs("Video Options"), qs("Video Bitrate"))->choices.join(u','),
              qs("48,64,128,192,256,512,768,1000,1500,1152,2500"));
    const ConversionOptions o = sheet.conversionOptions();
    EXPECT_EQ(o.videoCodec, qs("xvid"));
    EXPECT_EQ(o.videoSize, qs("320x240"));
    EXPECT_EQ(o.videoBitrate, qs("256"));
    EXPECT_EQ(o.videoFramerate, qs("29.97"));
    EXPECT_EQ(o.aspectRatio, qs("4:3"));
    EXPECT_EQ(o.audioCodec, qs("aac"));
    EXPECT_EQ(o.audioBitrate, qs("128"));
    EXPECT_EQ(o.sampleRate, qs("44100"));
    EXPECT_EQ(o.audioChannel, qs("2"));
    EXPECT_EQ(o.disableAudio, qs("No"));
    EXPECT_EQ(o.fitSize, qs("Off"));
    EXPECT_EQ(o.loudness, qs("Same as source"));
}

TEST(OptionSheet, ItemsAreAddressedByCategoryAndCaption)
{
    OptionSheet sheet;
    sheet.build();
    QSignalSpy changed(&sheet, &OptionSheet::itemChanged);
    EXPECT_TRUE(sheet.setValue(qs("Video Options"), qs("Video Framerate"), qs("29.970")));
    EXPECT_EQ(sheet.conversionOptions().videoFramerate, qs("29.970")); // not among the choices
    EXPECT_EQ(changed.count(), 1);
    // The category counts: "Video Codec" is no audio item.
    EXPECT_FALSE(sheet.setValue(qs("Audio Options"), qs("Video Codec"), qs("x")));
    EXPECT_FALSE(sheet.clearChoices(qs("Video Options"), qs("video codec")));
    EXPECT_FALSE(sheet.appendChoice(qs("Nope"), qs("Video Codec"), qs("x")));
    EXPECT_EQ(sheet.value(qs("Nope"), qs("Nope")), QString());
    EXPECT_EQ(changed.count(), 1);

    EXPECT_TRUE(sheet.clearChoices(qs("Audio Options"), qs("Audio Codec")));
    EXPECT_TRUE(sheet.appendChoice(qs("Audio Options"), qs("Audio Codec"), qs("mp3")));
    EXPECT_TRUE(sheet.appendChoice(qs("Audio Options"), qs("Audio Codec"), qs("mp3")));
    EXPECT_EQ(sheet.item(qs("Audio Options"), qs("Audio Codec"))->choices,
              (QStringList{qs("mp3"), qs("mp3")}));
    EXPECT_EQ(sheet.value(qs("Audio Options"), qs("Audio Codec")), qs("aac"));

    EXPECT_EQ(sheet.findItem(qs("Sample Rate"))->category, qs("Audio Options"));
    EXPECT_FALSE(sheet.findItem(qs("Options")).has_value());

    sheet.build(); // starts over
    EXPECT_EQ(sheet.item(qs("Audio Options"), qs("Audio Codec"))->choices.size(), 3);
}

TEST(OptionSheet, ShowsTheClickedRowOnly)
{
    OptionSheet sheet;
    sheet.build();
    sheet.setValue(qs("Video Options"), qs("Video Size"), qs("640x480"));
    sheet.showSourceRow(nullptr);
    EXPECT_EQ(sheet.value(qs("General"), qs("Item Name")), qs("Auto"));
    EXPECT_EQ(sheet.value(qs("Output Duration"), qs("All Clip Duration")), qs("00:00:00"));

    SourceItem row;
    row.fileName = qs("/v/a b.avi");
    row.clipStart = qs("0:00:00");
    row.clipEnd = qs("0:03:25");
    row.frameSize = qs("640x480");
    sheet.showSourceRow(&row);
    EXPECT_EQ(sheet.value(qs("General"), qs("Item Name")), qs("/v/a b.avi"));
    EXPECT_EQ(sheet.value(qs("Output Duration"), qs("All Clip Duration")), QString());
    EXPECT_EQ(sheet.value(qs("Output Duration"), qs("Start Time")), qs("0:00:00"));
    EXPECT_EQ(sheet.value(qs("Output Duration"), qs("Stop Time")), qs("0:03:25"));
    EXPECT_EQ(sheet.value(qs("Video Options"), qs("Video Size")), qs("640x480"));
}

TEST(ProfileSelection, StoredTextNamesAnEntryOrNone)
{
    const struct
    {
        const char *text;
        int entry; // 0: none
    } cases[] = {{"13", 13}, {"1", 1},     {"101", 101}, {" 96", 96}, {"13abc", 13},
                 {"", 0},    {"abc", 0},   {"0", 0},     {"150", 0},  {"13.5", 0},
                 {"-5", 0},  {"111", 111}, {"112", 0}};
    for (const auto &c : cases)
        EXPECT_EQ(entryOfStoredText(qs(c.text)).value_or(0), c.entry) << c.text;
}
