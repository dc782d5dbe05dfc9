#include "TestSupport.h"

#include "core/tools/Process.h"
#include "core/tools/ToolControl.h"
#include "core/tools/ToolLocator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace vantrel;

namespace {

bool waitFor(const std::function<bool()> &condition, int ms = 3000)
{
    return QTest::qWaitFor(condition, ms);
}

CommandLine program(const QString &path, const char *arguments = "")
{
    CommandLine cmd;
    cmd.appendPath(path);
    cmd.appendLiteral(qs(arguments));
    return cmd;
}

// Runs the tool to its end; whether it exited with code 0.
bool runToEnd(Process &process, const CommandLine &command)
{
    process.start(command);
    return waitFor([&] { return process.result().has_value(); }, 30000) &&
           process.result()->succeeded();
}

// A running `cat`: whatever reaches its standard input comes back as output,
// so a test reads exactly what a key became.
std::unique_ptr<Process> startEcho()
{
    auto process = std::make_unique<Process>();
    process->start(program(qs("cat")));
    return process;
}

// Writes a sentinel behind whatever was posted and returns what arrived before it.
QString receivedSince(Process &echo, int offset)
{
    static int serial = 0;
    const QString sentinel = QStringLiteral("|%1|").arg(++serial);
    if (!echo.write(sentinel.toUtf8()))
        return qs("<not running>");
    if (!waitFor([&] { return echo.output().endsWith(sentinel); }))
        return qs("<no sentinel>");
    const QString all = echo.output();
    return all.mid(offset, all.size() - offset - sentinel.size());
}

std::optional<double> lastAnswer(const QString &output, const char *property)
{
    const QRegularExpression answer(QStringLiteral("ANS_%1=(\\S+)").arg(qs(property)));
    std::optional<double> value;
    QRegularExpressionMatchIterator it = answer.globalMatch(output);
    while (it.hasNext())
        value = it.next().captured(1).toDouble();
    return value;
}

} // namespace

TEST(ToolControl, KeyTableGivesEachToolItsInputText)
{
    struct Row
    {
        int key;
        const char *player;
        const char *encoder;
    };
    const Row rows[] = {
        {KeySpace, "pause\n", ""},
        {KeyLeft, "pausing_keep seek -10 0\n", ""},
        {KeyRight, "pausing_keep seek 10 0\n", ""},
        {KeyQ, "quit\n", "q"},
        // Keys the tools have no use for give nothing.
        {0, "", ""},
        {-1, "", ""},
        {13, "", ""},
        {38, "", ""},
        {65, "", ""},
        {113, "", ""}, // the character code of 'q' is no key code
        {81 + 256, "", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(ToolControl::playerKeyText(row.key), QByteArray(row.player));
        EXPECT_EQ(ToolControl::encoderKeyText(row.key), QByteArray(row.encoder));
    }
}

TEST(ToolControl, CommandsReachToolsAsTheirInputText)
{
    ToolControl control;
    auto player = startEcho();
    auto encoder = startEcho();
    control.setPlayer(player.get());
    control.addEncoder(encoder.get());
    ASSERT_NE(control.playerProcessId(), 0);
    ASSERT_EQ(control.encoderProcessIds(), QList<qint64>{encoder->processId()});
    ASSERT_NE(control.playerProcessId(), encoder->processId());

    struct Row
    {
        const char *name;
        bool (ToolControl::*command)();
        const char *player;
        const char *encoder;
    };
    const Row rows[] = {
        {"pause", &ToolControl::pausePlayer, "pause\n", ""},
        {"seek back", &ToolControl::seekPlayerBack, "pausing_keep seek -10 0\n", ""},
        {"seek forward", &ToolControl::seekPlayerForward, "pausing_keep seek 10 0\n", ""},
        {"quit", &ToolControl::quitPlayer, "quit\n", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const int playerBefore = player->output().size();
        const int encoderBefore = encoder->output().size();
        EXPECT_TRUE((control.*row.command)());
        EXPECT_EQ(receivedSince(*player, playerBefore), qs(row.player));
        EXPECT_EQ(receivedSince(*encoder, encoderBefore), qs(row.encoder));
    }
}

TEST(ToolControl, IdOfNoRunningToolPostsNothing)
{
    using Setup = std::function<void(ToolControl &, std::unique_ptr<Process> &)>;
    struct Row
    {
        const char *name;
        Setup setup;
        bool idKept; // the id of the last tool stays, matching nothing
    };
    const Row rows[] = {
        {"nothing registered", [](ToolControl &, std::unique_ptr<Process> &) {}, false},
        {"no tool",
         [](ToolControl &control, std::unique_ptr<Process> &) {
             control.setPlayer(nullptr);
             control.addEncoder(nullptr);
         },
         false},
        {"never launched",
         [](ToolControl &control, std::unique_ptr<Process> &tool) {
             tool = std::make_unique<Process>();
             control.setPlayer(tool.get());
             control.addEncoder(tool.get());
         },
         false},
        {"failed to start",
         [](ToolControl &control, std::unique_ptr<Process> &tool) {
             tool = std::make_unique<Process>();
             tool->start(program(qs("/nonexistent/folder/tool")));
             control.setPlayer(tool.get());
             control.addEncoder(tool.get());
         },
         false},
        {"failed to start, by a bare name",
         [](ToolControl &control, std::unique_ptr<Process> &tool) {
             tool = std::make_unique<Process>();
             tool->start(program(qs("vantrel-no-such-player")));
             control.setPlayer(tool.get());
             control.addEncoder(tool.get());
         },
         false},
        {"ended on its own",
         [](ToolControl &control, std::unique_ptr<Process> &tool) {
             tool = std::make_unique<Process>();
             tool->start(program(qs("sleep"), " 0.2"));
             control.setPlayer(tool.get());
             control.addEncoder(tool.get());
             ASSERT_TRUE(waitFor([&] { return !tool->isRunning(); }));
         },
         true},
        {"stopped",
         [](ToolControl &control, std::unique_ptr<Process> &tool) {
             tool = startEcho();
             control.setPlayer(tool.get());
             control.addEncoder(tool.get());
             tool->stop();
         },
         true},
        {"destroyed",
         [](ToolControl &control, std::unique_ptr<Process> &tool) {
             tool = startEcho();
             control.setPlayer(tool.get());
             control.addEncoder(tool.get());
             tool.reset();
         },
         true},
        {"launched again under a new id",
         [](ToolControl &control, std::unique_ptr<Process> &tool) {
             tool = startEcho();
             control.setPlayer(tool.get());
             control.addEncoder(tool.get());
             tool->start(program(qs("cat")));
             ASSERT_TRUE(tool->isRunning());
         },
         true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ToolControl control;
        std::unique_ptr<Process> tool;
        row.setup(control, tool);
        const qint64 playerId = control.playerProcessId();
        EXPECT_EQ(playerId != 0, row.idKept);
        EXPECT_TRUE(control.encoderProcessIds().isEmpty());
        EXPECT_FALSE(control.isRunning(playerId));
        EXPECT_FALSE(control.pausePlayer());
        EXPECT_FALSE(control.seekPlayerBack());
        EXPECT_FALSE(control.seekPlayerForward());
        EXPECT_FALSE(control.quitPlayer());
        EXPECT_EQ(control.playerProcessId(), playerId);
        if (tool && tool->isRunning()) {
            // A relaunched tool hears nothing meant for its old run.
            EXPECT_EQ(receivedSince(*tool, 0), QString());
        }
    }
}

TEST(ToolControl, PlayerAndEncoderAreKeptApart)
{
    ToolControl control;
    auto encoder = startEcho();
    control.addEncoder(encoder.get());
    EXPECT_EQ(control.playerProcessId(), 0);
    EXPECT_FALSE(control.quitPlayer());
    EXPECT_EQ(receivedSince(*encoder, 0), QString());

    // A new player replaces the old one; the old one hears nothing more.
    auto first = startEcho();
    auto second = startEcho();
    control.setPlayer(first.get());
    control.setPlayer(second.get());
    EXPECT_EQ(control.playerProcessId(), second->processId());
    const int encoderBefore = encoder->output().size();
    EXPECT_TRUE(control.pausePlayer());
    EXPECT_EQ(receivedSince(*second, 0), qs("pause\n"));
    EXPECT_EQ(receivedSince(*first, 0), QString());
    EXPECT_EQ(receivedSince(*encoder, encoderBefore), QString());
}

// Several rows convert at once: every running encoder is known until it ends.
TEST(ToolControl, EveryRunningEncoderIsKnown)
{
    ToolControl control;
    auto first = startEcho();
    auto second = startEcho();
    control.addEncoder(first.get());
    control.addEncoder(second.get());
    EXPECT_EQ(control.encoderProcessIds(),
              (QList<qint64>{first->processId(), second->processId()}));
    const qint64 secondId = second->processId();
    first->stop();
    EXPECT_EQ(control.encoderProcessIds(), QList<qint64>{secondId});
    second.reset();
    EXPECT_TRUE(control.encoderProcessIds().isEmpty());
}

// A row of several passes starts its encoder again for each: each run is
// registered once, and what the registry hears of it goes with it.
TEST(ToolControl, AnEncoderStartedForEachPassIsKnownOnce)
{
    // The receivers of a tool's end, as Qt counts them.
    struct CountedProcess : Process
    {
        int endReceivers() const { return receivers(SIGNAL(finished(vantrel::ProcessResult))); }
    };
    ToolControl control;
    CountedProcess encoder;
    const int unregistered = encoder.endReceivers();
    for (int pass = 0; pass < 5; ++pass) {
        encoder.start(program(qs("cat")));
        control.addEncoder(&encoder);
        EXPECT_EQ(control.encoderProcessIds(), QList<qint64>{encoder.processId()});
        encoder.stop();
        EXPECT_TRUE(control.encoderProcessIds().isEmpty());
        EXPECT_EQ(encoder.endReceivers(), unregistered) << pass;
    }
}

// A player that does not read its quit (busy with a stream) is ended once
// the grace has passed.
TEST(ToolControl, PlayerThatStaysIsEndedAfterTheGrace)
{
    ToolControl control;
    auto player = startEcho(); // hears "quit" and goes on
    control.setPlayer(player.get());
    ASSERT_TRUE(control.quitPlayer());
    ASSERT_TRUE(
        waitFor([&] { return player->result().has_value(); }, ToolControl::kPlayerGraceMs + 5000));
    EXPECT_EQ(player->result()->ending, ProcessResult::Ending::Stopped);
    EXPECT_EQ(player->output(), qs("quit\n"));
}

// The real tools on a clip generated for the suite.
class ToolControlWithTools : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        if (ToolLocator::find(ToolLocator::kEncoder).isEmpty())
            return;
        // 20 seconds, so that natural playback never gets near a 10 s seek.
        Process make;
        CommandLine command =
            program(ToolLocator::encoder(), " -hide_banner -loglevel error -nostdin"
                                            " -f lavfi -i testsrc=size=64x48:rate=10:duration=20"
                                            " -f lavfi -i sine=duration=20"
                                            " -c:v mpeg4 -c:a mp2 -b:a 32k -y ");
        command.appendPath(s_dir->filePath(qs("clip.mkv")));
        if (runToEnd(make, command))
            s_clip = s_dir->filePath(qs("clip.mkv"));
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    void SetUp() override
    {
        if (s_clip.isEmpty())
            GTEST_SKIP() << "the encoder could not make a test clip";
    }

    // The player in slave mode, playing the clip, registered with the control.
    std::unique_ptr<Process> startPlayer()
    {
        if (ToolLocator::find(ToolLocator::kPlayer).isEmpty())
            return nullptr;
        auto player = std::make_unique<Process>();
        CommandLine command = program(ToolLocator::player(), " -slave -quiet -vo null -ao null ");
        command.appendPath(s_clip);
        player->start(command);
        control.setPlayer(player.get());
        if (!waitFor([&] { return player->output().contains(qs("Starting playback")); }))
            ADD_FAILURE() << "player did not start: " << player->output().toStdString();
        return player;
    }

    // Asks the player for a property without changing its pause state.
    std::optional<double> ask(Process &player, const char *property, const char *expected = nullptr)
    {
        const int before = player.output().size();
        const QString needle = qs("ANS_") + qs(property) + qs("=");
        player.write(qs("pausing_keep_force get_property %1\n").arg(qs(property)).toUtf8());
        if (!waitFor([&] { return player.output().indexOf(needle, before) >= 0; }))
            return std::nullopt;
        const QString answer = player.output().mid(before);
        if (expected) {
            EXPECT_TRUE(answer.contains(needle + qs(expected))) << answer.toStdString();
        }
        return lastAnswer(answer, property);
    }

    static QTemporaryDir *s_dir;
    static QString s_clip;
    ToolControl control;
};

QTemporaryDir *ToolControlWithTools::s_dir = nullptr;
QString ToolControlWithTools::s_clip;

TEST_F(ToolControlWithTools, PlayerQuitsOnQ)
{
    auto player = startPlayer();
    if (!player)
        GTEST_SKIP() << "no player";
    EXPECT_TRUE(control.isRunning(control.playerProcessId()));
    EXPECT_TRUE(control.quitPlayer());
    ASSERT_TRUE(waitFor([&] { return !player->isRunning(); }, 10000));
    EXPECT_TRUE(player->output().contains(qs("(Quit)"))) << player->output().toStdString();
    EXPECT_TRUE(player->result()->succeeded());
    EXPECT_FALSE(control.quitPlayer());
}

TEST_F(ToolControlWithTools, PlayerPausesAndResumesOnSpace)
{
    auto player = startPlayer();
    if (!player)
        GTEST_SKIP() << "no player";
    ask(*player, "pause", "no");
    // Playing, the position moves; paused, it stands still for three times
    // as long as the playing one took to move on this machine.
    const std::optional<double> start = ask(*player, "time_pos");
    QElapsedTimer moving;
    moving.start();
    ASSERT_TRUE(waitFor([&] { return ask(*player, "time_pos") != start; }, 10000));
    const int moveMs = int(moving.elapsed());
    EXPECT_TRUE(control.pausePlayer());
    ask(*player, "pause", "yes");
    const std::optional<double> at = ask(*player, "time_pos");
    EXPECT_FALSE(waitFor([&] { return ask(*player, "time_pos") != at; }, 3 * moveMs + 100));
    // A seek moves the picture of a paused player, which stays paused.
    EXPECT_TRUE(control.seekPlayerForward());
    ask(*player, "pause", "yes");
    EXPECT_TRUE(control.pausePlayer());
    ask(*player, "pause", "no");
    EXPECT_TRUE(control.quitPlayer());
    EXPECT_TRUE(waitFor([&] { return !player->isRunning(); }));
}

TEST_F(ToolControlWithTools, PlayerSeeksOnArrows)
{
    auto player = startPlayer();
    if (!player)
        GTEST_SKIP() << "no player";
    const auto positionSatisfies = [&](const std::function<bool(double)> &test) {
        return waitFor(
            [&] {
                const std::optional<double> pos = ask(*player, "time_pos");
                return pos && test(*pos);
            },
            2500);
    };
    EXPECT_TRUE(control.seekPlayerForward());
    EXPECT_TRUE(positionSatisfies([](double pos) { return pos >= 9.5; }));
    EXPECT_TRUE(control.seekPlayerBack());
    EXPECT_TRUE(positionSatisfies([](double pos) { return pos < 5.0; }));
    EXPECT_TRUE(control.quitPlayer());
    EXPECT_TRUE(waitFor([&] { return !player->isRunning(); }));
}

TEST_F(ToolControlWithTools, EncoderFinishesOutputOnQ)
{
    const QString output = s_dir->filePath(qs("stopped.mp4"));
    Process encoder;
    // A minute of input at its own pace: it only ends early when stopped.
    CommandLine command =
        program(ToolLocator::encoder(),
                " -hide_banner -re -f lavfi -i testsrc=size=64x48:rate=10:duration=60"
                " -c:v mpeg4 -y ");
    command.appendPath(output);
    encoder.start(command);
    control.addEncoder(&encoder);
    ASSERT_TRUE(waitFor([&] { return encoder.output().contains(qs("frame=")); }))
        << encoder.output().toStdString();

    // Commands meant for the player do nothing to the encoder.
    EXPECT_FALSE(control.pausePlayer());
    EXPECT_FALSE(control.quitPlayer());
    EXPECT_TRUE(encoder.isRunning());

    ToolControl::encoderStop(3000).apply(encoder);
    ASSERT_TRUE(waitFor([&] { return !encoder.isRunning(); }, 3000));
    EXPECT_TRUE(encoder.result()->succeeded()) << encoder.output().toStdString();
    EXPECT_TRUE(control.encoderProcessIds().isEmpty());

    // The stopped encoder finished its file: it is playable and as long as it ran.
    Process probe;
    CommandLine query =
        program(ToolLocator::mediaInfo(), " -v error -show_entries format=duration -of csv=p=0 ");
    query.appendPath(output);
    ASSERT_TRUE(runToEnd(probe, query)) << probe.output().toStdString();
    bool ok = false;
    const double duration = probe.output().trimmed().toDouble(&ok);
    EXPECT_TRUE(ok) << probe.output().toStdString();
    EXPECT_GT(duration, 0.0);
    EXPECT_LT(duration, 10.0);
}

TEST(ToolControlWithRealFiles, PlayerObeysKeysOnAssortedFormats)
{
    const QDir media(qs(VANTREL_TESTDATA_DIR "/media"));
    if (!media.exists() || ToolLocator::find(ToolLocator::kPlayer).isEmpty())
        GTEST_SKIP() << "no sample files or no player";
    struct Row
    {
        const char *file;
        bool playsLong; // long enough to be paused and quit; else it ends by itself
    };
    const Row rows[] = {
        {"asf_msmpeg4v3_wmav2_vfr.asf", true},    {"flv_sorenson_mp3_truncated.flv", true},
        {"ios_h263_amrnb_176x144.3gp", true},     {"iphone6_rot90_568x320.mov", true},
        {"kodak_camera_mjpeg_320x240.avi", true}, {"m4b_audiobook_chapters_truncated.m4b", false},
        {"mpeg2ps_192x240_misnamed.m2v", true},   {"panasonic_camera_mjpeg.mov", false},
    };

    // All players at once, each with its own control, to keep the test short.
    struct Running
    {
        const Row *row;
        std::unique_ptr<Process> player;
        std::unique_ptr<ToolControl> control;
    };
    std::vector<Running> players;
    for (const Row &row : rows) {
        const QString path = media.filePath(qs(row.file));
        if (!QFile::exists(path))
            continue;
        Running run{&row, std::make_unique<Process>(), std::make_unique<ToolControl>()};
        CommandLine command = program(ToolLocator::player(), " -slave -quiet -vo null -ao null ");
        command.appendPath(path);
        run.player->start(command);
        run.control->setPlayer(run.player.get());
        players.push_back(std::move(run));
    }
    for (Running &run : players) {
        SCOPED_TRACE(run.row->file);
        Process &player = *run.player;
        if (!run.row->playsLong) {
            EXPECT_TRUE(waitFor([&] { return !player.isRunning(); }, 2500));
            continue;
        }
        ASSERT_TRUE(waitFor([&] { return player.output().contains(qs("Starting playback")); }))
            << player.output().toStdString();
        EXPECT_TRUE(run.control->pausePlayer());
        const int before = player.output().size();
        player.write("pausing_keep_force get_property pause\n");
        EXPECT_TRUE(
            waitFor([&] { return player.output().indexOf(qs("ANS_pause="), before) >= 0; }));
        EXPECT_TRUE(player.output().mid(before).contains(qs("ANS_pause=yes")));
    }
    for (Running &run : players) {
        SCOPED_TRACE(run.row->file);
        const qint64 id = run.control->playerProcessId();
        EXPECT_EQ(run.control->quitPlayer(), run.row->playsLong);
        EXPECT_TRUE(waitFor([&] { return !run.player->isRunning(); }, 2000));
        if (run.row->playsLong) {
            EXPECT_TRUE(run.player->output().contains(qs("(Quit)")));
        }
        EXPECT_FALSE(run.control->quitPlayer());
        EXPECT_EQ(run.control->playerProcessId(), id);
    }
}
