#include "MediaClips.h"
#include "TestSupport.h"

#include "core/preview/PreviewPlayer.h"
#include "core/tools/Process.h"
#include "core/tools/ToolControl.h"
#include "core/tools/ToolLocator.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

using namespace vantrel;

namespace {

// The real player with no picture and no sound, reading its keys like the
// preview's player does.
CommandLine headlessPlayer(const QString &file, const char *more = "")
{
    CommandLine command;
    command.appendPath(ToolLocator::find(ToolLocator::kPlayer));
    command.appendLiteral(qs(" -slave -vo null -ao null ") + qs(more));
    command.appendPath(file);
    return command;
}

class PreviewPlayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (ToolLocator::find(ToolLocator::kPlayer).isEmpty())
            GTEST_SKIP() << "no player installed";
        ASSERT_TRUE(childProcesses(qs("mplayer")).isEmpty());
    }
    void TearDown() override
    {
        // Whatever a test left running is gone within the grace.
        EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); }, 5000));
    }

    MediaClips clips;
    ToolControl tools;
};

} // namespace

TEST_F(PreviewPlayerTest, AStartedPlayerIsTheCurrentOneAndQuitsOnQ)
{
    const QString clip = clips.video(qs("clip.avi"), 2);
    ProcessPreviewPlayer player(tools);
    player.start(headlessPlayer(clip, "-loop 0"));
    ASSERT_EQ(player.running().size(), 1);
    Process *first = player.running().constFirst();
    EXPECT_EQ(tools.playerProcessId(), first->processId());
    EXPECT_TRUE(tools.isRunning(first->processId()));

    // A new start while the old one is told to quit: both run for a moment,
    // the new one is the current player.
    player.quit();
    player.start(headlessPlayer(clip, "-loop 0"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.running().size() == 1; }, 5000));
    Process *second = player.running().constFirst();
    EXPECT_NE(second, first);
    EXPECT_EQ(tools.playerProcessId(), second->processId());

    player.quit();
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.running().isEmpty(); }, 5000));
}

TEST_F(PreviewPlayerTest, AMissingPlayerLeavesNoCurrentPlayer)
{
    ProcessPreviewPlayer player(tools);
    player.start(headlessPlayer(clips.video(qs("clip.avi"), 1), "-loop 0"));
    CommandLine missing;
    missing.appendPath(clips.path(qs("no-such-player")));
    player.start(missing);
    EXPECT_EQ(tools.playerProcessId(), 0);
    EXPECT_EQ(player.running().size(), 1); // the first is not touched
}

// No player outlives its owner for long: one that hears quit ends by itself,
// one that cannot (stuck opening a pipe nobody writes) is killed after the grace.
TEST_F(PreviewPlayerTest, DestroyingEndsEveryPlayerWithoutWaiting)
{
    const QString clip = clips.video(qs("clip.avi"), 2);
    const QString pipe = clips.fifo(qs("pipe.avi"));
    auto player = std::make_unique<ProcessPreviewPlayer>(tools);
    player->start(headlessPlayer(clip, "-loop 0"));
    player->start(headlessPlayer(pipe));
    ASSERT_EQ(player->running().size(), 2);
    ASSERT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).size() == 2; }, 10000));

    player.reset();
    // Nothing waited: the stuck player is still there when the owner has gone...
    EXPECT_FALSE(childProcesses(qs("mplayer")).isEmpty());
    // ...and go on their own soon after.
    EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); },
                                ProcessPreviewPlayer::kQuitGraceMs + 3000));
}
