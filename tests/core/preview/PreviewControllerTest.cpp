#include "MediaClips.h"
#include "PreviewFakes.h"
#include "TestSupport.h"

#include "core/common/TimeText.h"
#include "core/preview/PlayerCommand.h"
#include "core/sources/SourceList.h"
#include "core/tools/MediaProbe.h"
#include "core/tools/ToolLocator.h"

#include <QTest>

using namespace vantrel;

namespace {

const QString kFixedOptions = qs("-wid 4242 -framedrop -colorkey 0 -framedrop "
                                 "-autosync 100 -vo xv,gl,x11, -vf screenshot");

// What a start of `file` at `offset` looks like in the recorded events.
QString startOf(const char *file, const char *offset = nullptr)
{
    QString text = qs("start -slave ");
    if (offset)
        text += qs("-ss ") + qs(offset) + u' ';
    return text + kFixedOptions + u' ' + qs(file);
}

} // namespace

TEST(PlayerCommand, ArgumentsAndText)
{
    struct Case
    {
        std::optional<int> offset;
        const char *file;
        QStringList arguments; // after the program
    };
    const QStringList fixed = kFixedOptions.split(u' ');
    const Case cases[] = {
        {std::nullopt, "/v/a.avi", QStringList{qs("-slave")} + fixed + QStringList{qs("/v/a.avi")}},
        {0, "/v/a.avi",
         QStringList{qs("-slave"), qs("-ss"), qs("0")} + fixed + QStringList{qs("/v/a.avi")}},
        {75, "/my videos/a \"b\".avi",
         QStringList{qs("-slave"), qs("-ss"), qs("75")} + fixed +
             QStringList{qs("/my videos/a \"b\".avi")}},
        // A relative path that looks like an option is made harmless.
        {std::nullopt, "-vo null.avi",
         QStringList{qs("-slave")} + fixed + QStringList{qs("./-vo null.avi")}},
    };
    for (const Case &c : cases) {
        PlayerCommand command;
        command.playerPath = qs("/usr/bin/mplayer");
        command.offsetSeconds = c.offset;
        command.windowId = 4242;
        command.file = qs(c.file);
        const QStringList args = command.build().arguments();
        EXPECT_EQ(args.constFirst(), qs("/usr/bin/mplayer"));
        EXPECT_EQ(args.mid(1), c.arguments) << c.file;
    }
}

// The player's command as the program gave it on Windows, and what is
// different here: the player reads its keys in slave mode; a raised priority
// needs privileges and is left out; gl2 does not exist, an X11 list stands in;
// the picture keeps its shape (bars, not stretched) and stands upright.
TEST(PlayerCommand, DiffersFromTheWindowsCommandOnlyWhereItMust)
{
    const QString windows = qs("\"C:\\Vantrel\\mp.dll\" -ss 75 -wid 4242 -priority   abovenormal   "
                               "-framedrop   -colorkey  0  -nokeepaspect   -framedrop   -autosync"
                               "   100   -vo gl2  -vf   screenshot \"C:\\v\\a.avi\"");
    QString expected = windows;
    expected.replace(qs("\"C:\\Vantrel\\mp.dll\""), qs("\"/usr/bin/mplayer\" -slave"));
    expected.remove(qs("-priority   abovenormal   "));
    expected.replace(qs("-vo gl2"), qs("-vo xv,gl,x11,"));
    expected.remove(qs("-nokeepaspect   "));
    expected.replace(qs("-vf   screenshot"), qs("-vf   rotate=1,screenshot"));
    expected.replace(qs("C:\\v\\a.avi"), qs("/v/a.avi"));

    PlayerCommand command;
    command.playerPath = qs("/usr/bin/mplayer");
    command.offsetSeconds = 75;
    command.windowId = 4242;
    command.file = qs("/v/a.avi");
    command.rotation = 90;
    EXPECT_EQ(command.build().text(), expected);
    // The other turns, and none.
    const struct
    {
        int rotation;
        const char *filters;
    } turns[] = {{0, "screenshot"}, {180, "flip,mirror,screenshot"}, {270, "rotate=2,screenshot"}};
    for (const auto &turn : turns) {
        command.rotation = turn.rotation;
        const QStringList args = command.build().arguments();
        EXPECT_EQ(args.at(args.indexOf(qs("-vf")) + 1), qs(turn.filters)) << turn.rotation;
    }
}

TEST(PreviewController, StartsIdle)
{
    FakePreview p;
    EXPECT_EQ(p.controller->positionText(), qs("0:00:00"));
    EXPECT_EQ(p.controller->totalText(), qs("Total time: 0:00:00"));
    EXPECT_EQ(p.controller->sliderValue(), 0);
    EXPECT_FALSE(p.controller->isTimerEnabled());
}

// The position counts one second per tick; the slider shows it in percent of
// the duration, rounded half to even; the timer stops at the end.
TEST(PreviewController, CountsThePositionAndRoundsTheSliderHalfToEven)
{
    struct Case
    {
        const char *duration;
        QList<int> sliders; // after each tick until the timer stops
    };
    const Case cases[] = {
        {"0:00:03", {33, 67, 100}},
        {"0:00:08", {12, 25, 38, 50, 62, 75, 88, 100}}, // 12.5 -> 12, 37.5 -> 38, 62.5 -> 62
        {"0:00:40", {2, 5, 8, 10}},                     // 2.5 -> 2, 7.5 -> 8 (first four)
    };
    for (const Case &c : cases) {
        FakePreview p;
        p.controller->playFile(qs("/v/a.avi"), qs(c.duration));
        EXPECT_EQ(p.player->take(), (QStringList{qs("Q"), startOf("/v/a.avi")}));
        EXPECT_EQ(p.controller->totalText(), qs("Total time:") + qs(c.duration));
        EXPECT_EQ(p.controller->state().duration, secondsOfTimeText(qs(c.duration)).value());
        for (int i = 0; i < c.sliders.size(); ++i) {
            ASSERT_TRUE(p.controller->isTimerEnabled()) << c.duration << " tick " << i;
            p.timer->tick();
            EXPECT_EQ(p.controller->sliderValue(), c.sliders.at(i)) << c.duration << " tick " << i;
            EXPECT_EQ(p.controller->positionText(), timeText(i + 1));
        }
        EXPECT_EQ(p.controller->isTimerEnabled(), qs(c.duration) == qs("0:00:40"));
    }
}

TEST(PreviewController, DurationZeroStopsOnTheFirstTickWithTheSliderUnmoved)
{
    FakePreview p;
    p.controller->playFile(qs("/v/a.avi"), qs("0:00:10"));
    p.ticks(4);
    ASSERT_EQ(p.controller->sliderValue(), 40);
    p.controller->playFile(qs("/v/empty.avi"), qs("0:00:00"));
    EXPECT_TRUE(p.controller->isTimerEnabled());
    p.timer->tick();
    EXPECT_FALSE(p.controller->isTimerEnabled());
    EXPECT_EQ(p.controller->sliderValue(), 40);
    EXPECT_EQ(p.controller->positionText(), qs("0:00:01"));
}

TEST(PreviewController, LastFramesShowsDurationPlusOneWithoutPassingOneHundred)
{
    FakePreview p;
    p.controller->playFile(qs("/v/a.avi"), qs("0:01:40"));
    p.ticks(30);
    p.player->take();
    p.controller->lastFrames();
    EXPECT_EQ(p.player->take(), (QStringList{qs("Q"), startOf("/v/a.avi", "100")}));
    EXPECT_EQ(p.controller->state().position, 100);
    p.timer->tick();
    EXPECT_FALSE(p.controller->isTimerEnabled());
    EXPECT_EQ(p.controller->positionText(), qs("0:01:41"));
    EXPECT_EQ(p.controller->sliderValue(), 30); // 101 % is no slider value
    // A player started at the end that is still there has nothing to play.
    EXPECT_EQ(p.player->take(), QStringList{qs("Q")});

    // Played to its end, a file's player is left to end by itself (its real
    // length may pass the measured one); a file of no known length too.
    for (const char *duration : {"0:00:02", "0:00:00"}) {
        p.controller->playFile(qs("/v/b.avi"), qs(duration));
        p.controller->lastFrames();
        p.controller->firstFrame();
        p.player->take();
        p.ticks(3);
        EXPECT_FALSE(p.controller->isTimerEnabled());
        EXPECT_EQ(p.player->take(), QStringList()) << duration;
    }
}

TEST(PreviewController, SeekRestartsAtTheRoundedOffsetOrOnlyStopsAtTheEnd)
{
    struct Case
    {
        const char *duration;
        int slider;
        const char *position;
        const char *offset; // nullptr: the timer stops, no player starts
    };
    const Case cases[] = {
        {"0:00:10", 0, "0:00:00", "0"},  // -ss 0 is passed
        {"0:00:05", 50, "0:00:02", "2"}, // 2.5 -> 2
        {"0:00:07", 50, "0:00:04", "4"}, // 3.5 -> 4
        {"1:00:00", 99, "0:59:24", "3564"},  {"0:00:10", 100, "0:00:10", nullptr},
        {"0:00:00", 30, "0:00:00", nullptr}, // nothing to play: position = duration
    };
    for (const Case &c : cases) {
        FakePreview p;
        p.controller->playFile(qs("/v/a.avi"), qs(c.duration));
        p.player->take();
        p.controller->seek(c.slider);
        EXPECT_EQ(p.controller->positionText(), qs(c.position)) << c.duration << " " << c.slider;
        EXPECT_EQ(p.controller->sliderValue(), c.slider);
        if (c.offset) {
            EXPECT_EQ(p.player->take(), (QStringList{qs("Q"), startOf("/v/a.avi", c.offset)}));
            EXPECT_TRUE(p.controller->isTimerEnabled()); // keeps its state
        } else {
            EXPECT_EQ(p.player->take(), QStringList());
            EXPECT_FALSE(p.controller->isTimerEnabled());
        }
    }
    // A seek while paused starts a player that plays: the window counts again.
    FakePreview p;
    p.controller->playFile(qs("/v/a.avi"), qs("0:00:10"));
    p.controller->pause();
    p.controller->seek(20);
    EXPECT_TRUE(p.controller->isTimerEnabled());
}

TEST(PreviewController, PauseTogglesTheTimerWithOrWithoutAPlayer)
{
    FakePreview p;
    p.controller->pause(); // nothing was ever played
    EXPECT_EQ(p.player->take(), QStringList{qs("space")});
    EXPECT_TRUE(p.controller->isTimerEnabled());
    p.controller->pause();
    EXPECT_FALSE(p.controller->isTimerEnabled());
    p.controller->pause();
    EXPECT_TRUE(p.controller->isTimerEnabled());
}

TEST(PreviewController, BackAndForwardMoveThePictureNotThePosition)
{
    FakePreview p;
    p.controller->playFile(qs("/v/a.avi"), qs("0:00:30"));
    p.ticks(5);
    p.player->take();
    p.controller->back();
    p.controller->forward();
    p.controller->forward();
    EXPECT_EQ(p.player->take(), (QStringList{qs("left"), qs("right"), qs("right")}));
    EXPECT_EQ(p.controller->positionText(), qs("0:00:05"));
    p.timer->tick();
    EXPECT_EQ(p.controller->positionText(), qs("0:00:06"));
}

TEST(PreviewController, StopClearsThePositionTextAndKeepsTheRest)
{
    FakePreview p;
    p.controller->playFile(qs("/v/a.avi"), qs("0:00:10"));
    p.ticks(3);
    p.player->take();
    p.controller->stop();
    EXPECT_EQ(p.player->take(), QStringList{qs("Q")});
    EXPECT_FALSE(p.controller->isTimerEnabled());
    EXPECT_EQ(p.controller->positionText(), QString());
    EXPECT_EQ(p.controller->sliderValue(), 30);
    EXPECT_EQ(p.controller->totalText(), qs("Total time:0:00:10"));
    // Counting starts over from 0.
    p.controller->pause();
    p.timer->tick();
    EXPECT_EQ(p.controller->positionText(), qs("0:00:01"));
}

TEST(PreviewController, FirstFrameRestartsTheCurrentFileFromItsStart)
{
    FakePreview p;
    p.controller->setCurrentFile(qs("/v/clicked.avi"));
    p.controller->firstFrame(); // Q also when nothing plays
    EXPECT_EQ(p.player->take(), (QStringList{qs("Q"), startOf("/v/clicked.avi")}));
    EXPECT_TRUE(p.controller->isTimerEnabled());
    EXPECT_EQ(p.controller->totalText(), qs("Total time: 0:00:00")); // labels stay
    EXPECT_TRUE(p.controller->state().commandLine.startsWith(qs("\"/opt/mplayer\" -slave -wid")));

    p.controller->playFile(qs("/v/a.avi"), qs("0:00:20"));
    p.ticks(6);
    p.controller->stop();
    p.player->take();
    p.controller->firstFrame();
    EXPECT_EQ(p.player->take(), (QStringList{qs("Q"), startOf("/v/a.avi")}));
    EXPECT_EQ(p.controller->state().duration, 20);
    p.timer->tick();
    EXPECT_EQ(p.controller->positionText(), qs("0:00:01"));
    EXPECT_EQ(p.controller->sliderValue(), 5);
}

TEST(PreviewController, ADurationThatIsNoTimeKeepsTheOneBefore)
{
    FakePreview p;
    p.controller->playFile(qs("/v/a.avi"), qs("0:00:20"));
    p.controller->playFile(qs("/v/b.avi"), QString());
    EXPECT_EQ(p.controller->state().duration, 20);
    EXPECT_EQ(p.controller->totalText(), qs("Total time:"));
    EXPECT_EQ(p.controller->state().currentFile, qs("/v/b.avi"));
}

// Play in the main window takes the selected row of the list.
TEST(PreviewController, PlayTakesTheSelectedRow)
{
    MediaClips clips;
    const QString first = clips.video(qs("first.avi"), 2);
    const QString second = clips.video(qs("second.avi"), 4);
    MediaProbe probe(ToolLocator::find(ToolLocator::kPlayer));
    SourceList list(&probe);
    FakePreview p;

    p.controller->playRow(list, std::nullopt); // an empty list: nothing at all
    p.controller->playRow(list, 0);
    EXPECT_EQ(p.player->take(), QStringList());
    EXPECT_FALSE(p.controller->isTimerEnabled());

    list.addSourceFile(first);
    list.addSourceFile(second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.pendingProbes() == 0; }, 30000));
    p.controller->playRow(list, 1);
    EXPECT_EQ(p.player->take(), (QStringList{qs("Q"), startOf("") + second}));
    EXPECT_EQ(p.controller->totalText(), qs("Total time:0:00:04"));
    EXPECT_EQ(p.controller->state().duration, 4);

    // No selection: the file clicked last plays, the duration and label stay.
    p.ticks(2);
    p.controller->setCurrentFile(first);
    p.controller->playRow(list, std::nullopt);
    EXPECT_EQ(p.player->take(), (QStringList{qs("Q"), startOf("") + first}));
    EXPECT_EQ(p.controller->state().currentFile, first);
    EXPECT_EQ(p.controller->state().duration, 4);
    EXPECT_EQ(p.controller->state().position, 0);
    EXPECT_EQ(p.controller->totalText(), qs("Total time:0:00:04"));
    EXPECT_TRUE(p.controller->isTimerEnabled());
}
