#include "MediaClips.h"
#include "RunningProgram.h"
#include "ScreenSupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>

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

namespace {

// The screen where a window of the program is, kept as a picture once the
// window is drawn (a window not yet painted is black).
void keepScreenshot(const QString &window, const char *name)
{
    const QRect where = RunningProgram::geometry(window);
    QImage shot;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            shot = QGuiApplication::primaryScreen()
                       ->grabWindow(0, where.x(), where.y(), where.width(), where.height())
                       .toImage();
            return colourShare(shot) > 0.3;
        },
        5000))
        << name << " was never drawn";
    shot.save(QDir(screenshotFolder()).filePath(qs(name)));
}

} // namespace

// A person's first minutes: files on the command line (one refused), more
// through the open dialog, two conversions with two profiles, and every
// window opened from the menus and keys, each closed with Escape.
TEST(AssembledProgram, AFirstJourneyThroughTheProgram)
{
    if (!RunningProgram::canRun())
        GTEST_SKIP() << "needs an X server and xdotool";
    MediaClips clips;
    clips.video(qs("a.avi"), 1);
    clips.video(qs("b.avi"), 1);
    clips.audio(qs("song.mp3"), 1);
    const QString more = clips.video(qs("more.mkv"), 1);
    QTemporaryDir data;
    writeFile(data.filePath(qs("settings.dat")),
              "[Set]\nprofile=73\noutputfolder=" + QFile::encodeName(clips.path(qs("out"))) + "\n");
    // The file browser the program opens after a batch, as a record.
    QTemporaryDir bin;
    writeFile(bin.filePath(qs("xdg-open")), "#!/bin/sh\necho \"$@\" >> \"" +
                                                QFile::encodeName(bin.filePath(qs("opened"))) +
                                                "\"\n");
    QFile::setPermissions(bin.filePath(qs("xdg-open")), QFile::ReadOwner | QFile::ExeOwner);
    QProcessEnvironment extra;
    extra.insert(qs("VANTREL_DATA_DIR"), data.path());
    extra.insert(qs("PATH"), bin.path() + u':' + qEnvironmentVariable("PATH"));
    RunningProgram program({qs("a.avi"), qs("b.avi"), qs("song.mp3")}, clips.folder(), extra);

    const QString box = program.waitForWindow(qs("^Vantrel Video Converter$"));
    ASSERT_FALSE(box.isEmpty()) << program.log();
    program.key(box, qs("Return")); // "Only Video files are allowed!"
    const QString main = program.waitForWindow(qs("^Vantrel Video Converter 3"));
    ASSERT_FALSE(main.isEmpty());

    // One more through the open dialog: its name typed, as a person does.
    program.key(main, qs("ctrl+a"));
    const QString open = program.waitForWindow(qs("^Open Video File$"));
    ASSERT_FALSE(open.isEmpty());
    program.key(open, qs("ctrl+a"));
    RunningProgram::type(more);
    program.key(open, qs("Return"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return program.windows(qs("^Open Video File$")).isEmpty(); }, 10000));

    // Converted with the profile of the last session, then with MP3.
    const QRegularExpression rowEnd(qs("row (\\d) (OK|Fail|Cancel)"));
    const QRegularExpression batchEnd(qs("batch ends"));
    program.key(main, qs("ctrl+n"));
    ASSERT_TRUE(program.waitForLog(batchEnd)) << program.log();
    const QString done = program.waitForWindow(qs("^Vantrel Video Converter$"));
    ASSERT_FALSE(done.isEmpty()); // "Conversion completed!"
    program.key(done, qs("Return"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return program.windows(qs("^Vantrel Video Converter$")).isEmpty(); }, 10000));
    keepScreenshot(main, "journey-converted.png");
    const QRect where = RunningProgram::geometry(main);
    const qsizetype windowsBefore = program.windows(qs(".*")).size();
    RunningProgram::click(main, QPoint(where.width() - 220, 41)); // the profile box
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.windows(qs(".*")).size() > windowsBefore; },
                                10000)); // its list
    RunningProgram::type(qs("MP3"));
    QProcess::execute(qs("xdotool"), {qs("key"), qs("Return")});
    ASSERT_TRUE(program.waitForLog(QRegularExpression(qs("profile picked: 96")))) << program.log();
    program.key(main, qs("ctrl+n"));
    ASSERT_TRUE(program.waitForLog(batchEnd, 2)) << program.log();
    const QString doneAgain = program.waitForWindow(qs("^Vantrel Video Converter$"));
    ASSERT_FALSE(doneAgain.isEmpty());
    program.key(doneAgain, qs("Return"));

    QStringList statuses;
    QRegularExpressionMatchIterator rows = rowEnd.globalMatch(program.log());
    while (rows.hasNext())
        statuses << rows.next().captured(2);
    EXPECT_EQ(statuses, QStringList(6, qs("OK"))) << program.log();
    for (const char *output : {"a.mp4", "b.mp4", "more.mp4", "a.mp3", "b.mp3", "more.mp3"})
        EXPECT_NEAR(inspect(clips.path(qs("out/") + qs(output))).seconds, 1.0, 0.3) << output;
    EXPECT_EQ(readFile(bin.filePath(qs("opened"))).count('\n'), 2); // the folder, after each

    // Every window, from its menu entry or key; Escape closes each.
    RunningProgram::click(main, QPoint(100, 123)); // the first row, for the trimming window
    const struct
    {
        QStringList keys;
        const char *title;
        const char *picture;
    } windows[] = {
        {{qs("ctrl+s")}, "^Video Settings$", "journey-preferences.png"},
        {{qs("ctrl+v")}, "^Clip Time", "journey-trimming.png"},
        {{qs("alt+f"), qs("Down"), qs("Down"), qs("Down"), qs("Down"), qs("Return")},
         "^Import Video From Youtube$",
         "journey-online-video.png"},
        {{qs("alt+f"), qs("Down"), qs("Down"), qs("Down"), qs("Return")},
         "^Capture Video From DV$",
         "journey-capture.png"},
        {{qs("F1")}, "Help$", "journey-help.png"},
    };
    for (const auto &w : windows) {
        for (const QString &key : w.keys)
            program.key(main, key);
        const QString shown = program.waitForWindow(qs(w.title));
        ASSERT_FALSE(shown.isEmpty()) << w.title << program.log();
        keepScreenshot(shown, w.picture);
        program.key(shown, qs("Escape"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return program.windows(qs(w.title)).isEmpty(); }, 10000))
            << w.title;
    }

    const RunningProgram::Ending ending = program.terminate();
    EXPECT_EQ(ending.status, QProcess::NormalExit) << program.log();
    EXPECT_EQ(ending.exitCode, 0);
}

// Killed with two files in its list, the program offers the list back at its
// next start; answered yes, the rows are there again; a clean exit leaves
// nothing to offer.
TEST(AssembledProgram, AKilledProgramOffersItsListBack)
{
    if (!RunningProgram::canRun())
        GTEST_SKIP() << "needs an X server and xdotool";
    MediaClips clips;
    clips.video(qs("a.avi"), 1);
    clips.video(qs("b.avi"), 1);
    QTemporaryDir data;
    QProcessEnvironment extra;
    extra.insert(qs("VANTREL_DATA_DIR"), data.path());
    const QString kept = data.filePath(qs("list.json"));
    {
        RunningProgram first({qs("a.avi"), qs("b.avi")}, clips.folder(), extra);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return readFile(kept).contains("b.avi") && readFile(kept).contains("FMP4"); },
            20000))
            << first.log();
        first.killNow();
    }
    RunningProgram second({}, clips.folder(), extra);
    const QString question = second.waitForWindow(qs("^Vantrel Video Converter$"));
    ASSERT_FALSE(question.isEmpty()) << second.log();
    keepScreenshot(question, "restore-question.png");
    second.key(question, qs("Return")); // Yes
    EXPECT_TRUE(second.waitForLog(QRegularExpression(qs("list restored: 2 rows")))) << second.log();
    EXPECT_EQ(second.terminate().exitCode, 0);
    EXPECT_FALSE(QFile::exists(kept));

    RunningProgram third({}, clips.folder(), extra);
    EXPECT_FALSE(third.waitForWindow(qs("^Vantrel Video Converter 3")).isEmpty());
    EXPECT_TRUE(third.windows(qs("^Vantrel Video Converter$")).isEmpty()); // no question
    EXPECT_EQ(third.terminate().exitCode, 0);
}
