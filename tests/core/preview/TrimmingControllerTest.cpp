#include "MediaClips.h"
#include "PreviewFakes.h"
#include "TestFakes.h"
#include "TestSupport.h"

#include "core/preview/TrimmingController.h"
#include "core/sources/SourceList.h"
#include "core/tools/MediaProbe.h"
#include "core/tools/ToolLocator.h"

#include <QSignalSpy>
#include <QTest>

using namespace vantrel;

namespace {

// One probed 4-second clip in a list, shared by the tests of this file.
class TrimmingTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_clips = new MediaClips;
        s_clip = s_clips->video(qs("clip.avi"), 4);
    }
    static void TearDownTestSuite()
    {
        delete s_clips;
        s_clips = nullptr;
    }

    void SetUp() override
    {
        list.addSourceFile(s_clip);
        ASSERT_TRUE(QTest::qWaitFor([&] { return list.pendingProbes() == 0; }, 30000));
        ASSERT_EQ(list.item(0).videoTime, qs("0:00:04"));
    }

    // The window's logic on row 0, with the row's clip set to start..stop first.
    TrimmingController &open(const char *start, const char *stop)
    {
        list.setClip(0, qs(start), qs(stop));
        FakePreview fake;
        player = fake.player;
        timer = fake.timer;
        trimming =
            std::make_unique<TrimmingController>(list, 0, &prompt, std::move(fake.controller));
        return *trimming;
    }

    static MediaClips *s_clips;
    static QString s_clip;
    MediaProbe probe{ToolLocator::find(ToolLocator::kPlayer)};
    SourceList list{&probe};
    RecordingPrompt prompt;
    RecordingPlayer *player = nullptr;
    HandTimer *timer = nullptr;
    std::unique_ptr<TrimmingController> trimming;
};

MediaClips *TrimmingTest::s_clips = nullptr;
QString TrimmingTest::s_clip;

} // namespace

TEST_F(TrimmingTest, LoadsTheRow)
{
    TrimmingController &t = open("0:00:01", "0:00:03");
    EXPECT_EQ(t.caption(), qs("Clip Time  -  ") + s_clip);
    EXPECT_EQ(t.startText(), qs("0:00:01"));
    EXPECT_EQ(t.stopText(), qs("0:00:03"));
    EXPECT_EQ(t.lengthText(), qs("0:00:02"));
    EXPECT_EQ(t.sliderMaximum(), 4);
    EXPECT_EQ(t.startSliderValue(), 1);
    EXPECT_EQ(t.stopSliderValue(), 3);
    EXPECT_EQ(t.preview().state().currentFile, s_clip);
    EXPECT_EQ(t.preview().state().duration, 4);
    EXPECT_EQ(player->take(), QStringList()); // nothing plays until Play
}

// OK compares the times as seconds: a start must come before the stop.
TEST_F(TrimmingTest, OkComparesSecondsNotTexts)
{
    struct Case
    {
        const char *start;
        const char *stop;
        bool accepted;
        const char *refusal = "Start time or End time is error.";
    };
    const char *pastTheEnd = "The end %1 is past the end of the file (0:00:04).";
    const Case cases[] = {
        {"0:00:01", "0:00:03", true},
        {"0:00:00", "0:00:04", true},
        {"10:00:00", "9:00:00", false}, // as texts "10:..." sorts first
        {"0:00:02", "0:00:02", false},  // equal is refused
        {"0:00:03", "0:00:01", false},
        {"soon", "0:00:04", false}, // no time at all
        {"0:00:01", "0:00:09", false, pastTheEnd},
        {"9:00:00", "10:00:00", false, pastTheEnd},
    };
    for (const Case &c : cases) {
        prompt.errors.clear();
        TrimmingController &t = open("0:00:00", "0:00:04");
        QSignalSpy finished(&t, &TrimmingController::finished);
        t.setStartText(qs(c.start));
        t.setStopText(qs(c.stop));
        EXPECT_EQ(t.accept(), c.accepted) << c.start << " " << c.stop;
        if (c.accepted) {
            EXPECT_TRUE(prompt.errors.isEmpty());
            EXPECT_EQ(list.item(0).clipStart, qs(c.start));
            EXPECT_EQ(list.item(0).clipEnd, qs(c.stop));
            ASSERT_EQ(finished.count(), 1);
            EXPECT_TRUE(finished.at(0).at(0).toBool());
            EXPECT_EQ(player->take(), QStringList{qs("Q")});
        } else {
            EXPECT_EQ(prompt.errors, QStringList{qs(c.refusal).arg(qs(c.stop))});
            EXPECT_EQ(list.item(0).clipStart, qs("0:00:00")); // the row is unchanged
            EXPECT_EQ(list.item(0).clipEnd, qs("0:00:04"));
            EXPECT_EQ(finished.count(), 0); // the window stays open
            EXPECT_EQ(player->take(), QStringList());
        }
    }
}

TEST_F(TrimmingTest, OkWritesOnlyTheClipAndStopsThePreview)
{
    TrimmingController &t = open("0:00:00", "0:00:04");
    const SourceItem before = list.item(0);
    t.play();
    timer->tick();
    t.startSliderReleased(1);
    t.stopSliderReleased(3);
    player->take();
    ASSERT_TRUE(t.accept());
    EXPECT_EQ(player->take(), QStringList{qs("Q")});
    EXPECT_FALSE(timer->enabled);
    const SourceItem &after = list.item(0);
    EXPECT_EQ(after.clipStart, qs("0:00:01"));
    EXPECT_EQ(after.clipEnd, qs("0:00:03"));
    EXPECT_EQ(after.fileName, before.fileName);
    EXPECT_EQ(after.videoTime, before.videoTime);
    EXPECT_EQ(after.frameSize, before.frameSize);
    EXPECT_EQ(after.status, before.status);
}

TEST_F(TrimmingTest, CancelAndCloseLeaveTheRow)
{
    for (const bool viaCancel : {true, false}) {
        TrimmingController &t = open("0:00:01", "0:00:02");
        QSignalSpy finished(&t, &TrimmingController::finished);
        t.play();
        t.startSliderReleased(0);
        t.stopSliderReleased(4);
        player->take();
        if (viaCancel) {
            t.cancel();
            ASSERT_EQ(finished.count(), 1);
            EXPECT_FALSE(finished.at(0).at(0).toBool());
        }
        t.closed(); // the window goes, whichever way
        EXPECT_TRUE(player->take().contains(qs("Q")));
        EXPECT_FALSE(timer->enabled);
        EXPECT_EQ(t.trimmingFile(), QString());
        EXPECT_EQ(list.item(0).clipStart, qs("0:00:01"));
        EXPECT_EQ(list.item(0).clipEnd, qs("0:00:02"));
    }
}

TEST_F(TrimmingTest, SliderReleasesUpdateTheTextsAndTheLengthWithoutSign)
{
    TrimmingController &t = open("0:00:00", "0:00:04");
    QSignalSpy lengths(&t, &TrimmingController::lengthTextChanged);
    QSignalSpy starts(&t, &TrimmingController::startTextChanged);
    t.startSliderReleased(3);
    EXPECT_EQ(t.startText(), qs("0:00:03"));
    EXPECT_EQ(t.lengthText(), qs("0:00:01"));
    t.stopSliderReleased(1); // the start after the stop: the distance, no sign
    EXPECT_EQ(t.stopText(), qs("0:00:01"));
    EXPECT_EQ(t.lengthText(), qs("0:00:02"));
    t.startSliderReleased(0);
    t.startSliderReleased(3); // to a value and back: each release counts
    t.startSliderReleased(0);
    EXPECT_EQ(t.lengthText(), qs("0:00:01"));
    EXPECT_EQ(lengths.count(), 5);
    ASSERT_EQ(starts.count(), 4);
    EXPECT_EQ(starts.at(1).at(0).toString(), qs("0:00:00"));

    // Typing changes what OK stores, and the sliders and the length, as
    // dragging does; a time beyond the file holds its slider at the end,
    // a text that is no time moves nothing and leaves no length.
    QSignalSpy startMoves(&t, &TrimmingController::startSliderChanged);
    QSignalSpy stopMoves(&t, &TrimmingController::stopSliderChanged);
    const struct
    {
        bool start;
        const char *text;
        int startSlider;
        int stopSlider;
        const char *length;
    } typed[] = {
        {true, "0:00:02", 2, 1, "0:00:01"},  {false, "0:00:04", 2, 4, "0:00:02"},
        {false, "0:01:00", 2, 4, "0:00:02"}, {false, "0:00:", 2, 4, ""},
        {false, "0:00:04", 2, 4, "0:00:02"},
    };
    for (const auto &c : typed) {
        (c.start ? t.setStartText(qs(c.text)) : t.setStopText(qs(c.text)));
        EXPECT_EQ(t.startSliderValue(), c.startSlider) << c.text;
        EXPECT_EQ(t.stopSliderValue(), c.stopSlider) << c.text;
        EXPECT_EQ(t.lengthText(), qs(c.length)) << c.text;
    }
    EXPECT_EQ(startMoves.count(), 1);
    EXPECT_EQ(stopMoves.count(), 3); // not for the text that is no time
    EXPECT_EQ(starts.count(), 4);    // the box is the user's while typing
    ASSERT_TRUE(t.accept());
    EXPECT_EQ(list.item(0).clipStart, qs("0:00:02"));
    EXPECT_EQ(list.item(0).clipEnd, qs("0:00:04"));
}

TEST_F(TrimmingTest, PreviewPlaysTheTrimmingFileWithItsDuration)
{
    TrimmingController &t = open("0:00:00", "0:00:04");
    t.preview().lastFrames(); // before Play: the duration is the file's already
    EXPECT_EQ(player->take().last(), qs("start -slave -ss 4 -wid 4242 -framedrop -colorkey 0 "
                                        "-framedrop -autosync 100 -vo xv,gl,x11, "
                                        "-vf screenshot ") +
                                         s_clip);
    t.play();
    EXPECT_EQ(t.preview().totalText(), qs("Total time:0:00:04"));
    EXPECT_EQ(t.preview().state().position, 0);
    timer->tick();
    EXPECT_EQ(t.preview().sliderValue(), 25);
}

// Opening the window ends the main window's preview; its labels stay.
TEST_F(TrimmingTest, OpeningEndsTheMainPreview)
{
    FakePreview main;
    main.controller->playRow(list, 0);
    main.ticks(2);
    main.player->take();
    FakePreview own;
    auto t =
        TrimmingController::open(list, 0, *main.controller, &prompt, std::move(own.controller));
    ASSERT_TRUE(t);
    EXPECT_EQ(main.player->take(), QStringList{qs("Q")});
    EXPECT_FALSE(main.controller->isTimerEnabled());
    EXPECT_EQ(main.controller->positionText(), qs("0:00:02"));
    EXPECT_EQ(main.controller->sliderValue(), 50);

    // No row, no window, and the main preview is left alone.
    FakePreview other;
    list.clear();
    main.controller->pause();
    main.player->take();
    EXPECT_FALSE(
        TrimmingController::open(list, 0, *main.controller, &prompt, std::move(other.controller)));
    EXPECT_EQ(main.player->take(), QStringList());
    EXPECT_TRUE(main.controller->isTimerEnabled());
}
