#include "MediaClips.h"
#include "RunningProgram.h"

// The program as a person runs it: the real executable on the X server,
// its windows answered with keys.

TEST(AssembledProgram, RefusedFilesOnTheCommandLineLeaveTheProgramRunning)
{
    if (!RunningProgram::canRun())
        GTEST_SKIP() << "needs an X server and xdotool";
    MediaClips clips;
    clips.audio(qs("song.mp3"), 1);
    clips.video(qs("clip.mp4"), 1);
    RunningProgram program({qs("song.mp3"), qs("clip.mp4")}, clips.folder());

    // "Only Video files are allowed!" in a box titled with the program's name.
    const QString box = program.waitForWindow(qs("^Vantrel Video Converter$"));
    ASSERT_FALSE(box.isEmpty()) << program.log();
    program.key(box, qs("Return"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return program.windows(qs("^Vantrel Video Converter$")).isEmpty(); }, 10000));
    EXPECT_FALSE(program.waitForWindow(qs("^Vantrel Video Converter 3")).isEmpty());

    const RunningProgram::Ending ending = program.terminate();
    EXPECT_EQ(ending.status, QProcess::NormalExit) << program.log();
    EXPECT_EQ(ending.exitCode, 0);
}
