#include "MediaClips.h"
#include "RunningProgram.h"
#include "ScreenSupport.h"
#include "TestEnvironment.h"

#include "core/app/MainController.h"
#include "core/profiles/OptionSheetItemModel.h"
#include "gui/app/MainWindow.h"
#include "gui/app/Skin.h"
#include "gui/convert/ProgressPanel.h"
#include "gui/profiles/OptionSheetWidget.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QScreen>

using namespace vantrel;

// The program as a person runs it: the real executable on the X server,
// its windows answered with keys.

TEST(AssembledProgram, RefusedFilesOnTheCommandLineLeaveTheProgramRunning)
{
    if (!RunningProgram::canRun())
        GTEST_SKIP() << "needs an X server and xdotool";
    MediaClips clips;
    writeFile(clips.path(qs("notes.txt")), "not a video");
    clips.video(qs("clip.mp4"), 1);
    RunningProgram program({qs("notes.txt"), qs("clip.mp4")}, clips.folder());

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
    writeFile(clips.path(qs("notes.txt")), "not a video");
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
    RunningProgram program({qs("a.avi"), qs("b.avi"), qs("notes.txt")}, clips.folder(), extra);

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

namespace {

// Where the program's window has the parts the journey clicks, measured on
// the same window built here with the program's skin: the strip and the
// progress panel lie where the program lays them, whatever its width.
struct WindowPoints
{
    QPoint convertCaption;
    QPoint cancelButton;
    QPoint fitToSize; // the item's value cell in the sheet of the H.264 entry
};

WindowPoints measureMainWindow()
{
    EXPECT_TRUE(applySkin(*qApp, qs(VANTREL_SOURCE_DIR "/resources/skins/frmmain.qss")));
    QTemporaryDir data;
    TestSurroundings surroundings;
    MainController controller(surroundings.main(data));
    MainWindow window(controller);
    window.startUp();
    controller.pickEntry(103);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.progressPanel()->show();
    settle(); // laid out as shown
    const QWidget *caption = window.findChild<QWidget *>(qs("Label11"));
    const QWidget *cancel = window.progressPanel()->cancelButton();
    const auto *sheet = window.findChild<OptionSheetWidget *>();
    const QRect fit =
        sheet->visualRect(sheet->sheetModel()->itemIndex(qs("Video Options"), qs("Fit To Size")));
    const WindowPoints points{caption->mapTo(&window, caption->rect().center()),
                              cancel->mapTo(&window, cancel->rect().center()),
                              sheet->viewport()->mapTo(&window, fit.center())};
    qApp->setStyleSheet(QString());
    return points;
}

// What the program starts with: a data folder whose settings pick `profile`
// and write into `out`, and a file browser (xdg-open) that exits with
// `browserExit` (0: it opened the folder).
struct ProgramFolders
{
    ProgramFolders(int profile, const QString &out, int browserExit)
    {
        writeFile(data.filePath(qs("settings.dat")),
                  "[Set]\nprofile=" + QByteArray::number(profile) +
                      "\noutputfolder=" + QFile::encodeName(out) + "\n");
        writeFile(bin.filePath(qs("xdg-open")),
                  "#!/bin/sh\nexit " + QByteArray::number(browserExit) + "\n");
        QFile::setPermissions(bin.filePath(qs("xdg-open")), QFile::ReadOwner | QFile::ExeOwner);
        environment.insert(qs("VANTREL_DATA_DIR"), data.path());
        environment.insert(qs("PATH"), bin.path() + u':' + qEnvironmentVariable("PATH"));
    }
    QString keptList() const { return data.filePath(qs("list.json")); }

    QTemporaryDir data;
    QTemporaryDir bin;
    QProcessEnvironment environment;
};

// The rows' statuses as the kept list has them now ("ok", "waiting", ...).
QStringList keptStatuses(const QString &file)
{
    QStringList statuses;
    const QJsonArray rows =
        QJsonDocument::fromJson(readFile(file)).object().value(qs("rows")).toArray();
    for (const QJsonValue &row : rows)
        statuses << row.toObject().value(qs("status")).toString();
    return statuses;
}

} // namespace

// Camera and web files on the command line (a text file refused by name), the
// caption that converts, statuses that stay true from one run to the next, a
// Cancel that leaves no file without streams, a kill that keeps the list with
// its profile, and a Clear All that Ctrl+Z takes back.
TEST(AssembledProgram, CameraFilesTrueStatusesAndAListThatIsNeverLost)
{
    if (!RunningProgram::canRun())
        GTEST_SKIP() << "needs an X server and xdotool";
    const WindowPoints points = measureMainWindow();
    MediaClips clips;
    // A camera's, a camcorder's and a web page's file, each with stereo sound.
    const auto record = [&clips](const char *name, const char *picture, const char *codecs) {
        clips.encoded(qs(name), qs("-f lavfi -i testsrc=rate=25:%1 -f lavfi -i "
                                   "sine=sample_rate=48000 -ac 2 -shortest %2")
                                    .arg(qs(picture), qs(codecs))
                                    .split(u' '));
    };
    record("cam.mts", "size=320x240:duration=4", "-c:v mpeg2video -c:a mp2 -f mpegts");
    record("tape.dv", "size=720x576:duration=1",
           "-c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -f dv");
    record("web.webm", "size=160x120:duration=1", "-c:v libvpx -c:a libvorbis");
    writeFile(clips.path(qs("notes.txt")), "not a video");
    const QString out = clips.path(qs("out"));
    // x264 at 1280x720: slow enough for the statuses to be seen mid-run.
    const ProgramFolders folders(5, out, 0);
    const QProcessEnvironment &extra = folders.environment;
    const QString kept = folders.keptList();
    const QRegularExpression batchEnd(qs("batch ends"));
    const auto closeMessage = [](RunningProgram &program, const char *picture) {
        const QString box = program.waitForWindow(qs("^Vantrel Video Converter$"));
        ASSERT_FALSE(box.isEmpty()) << program.log();
        if (picture)
            keepScreenshot(box, picture);
        program.key(box, qs("Return"));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return program.windows(qs("^Vantrel Video Converter$")).isEmpty(); }, 10000));
    };
    {
        RunningProgram program({qs("cam.mts"), qs("tape.dv"), qs("notes.txt"), qs("web.webm")},
                               clips.folder(), extra);
        // One message names the refused file; the three others are listed.
        closeMessage(program, "camera-refused.png");
        // The program's log reaches the test a moment after its window shows.
        const QString refused = qs("message: Only Video files are allowed!\nNot added:\n") +
                                clips.path(qs("notes.txt"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return program.log().contains(refused); }, 10000))
            << program.log();
        const QString main = program.waitForWindow(qs("^Vantrel Video Converter 3"));
        ASSERT_FALSE(main.isEmpty());
        ASSERT_TRUE(QTest::qWaitFor([&] { return keptStatuses(kept).size() == 3; }, 10000));
        for (const char *file : {"cam.mts", "tape.dv", "web.webm"})
            EXPECT_TRUE(readFile(kept).contains(file)) << file;
        keepScreenshot(main, "camera-listed.png");

        // The caption converts, as its picture does.
        RunningProgram::click(main, points.convertCaption);
        ASSERT_TRUE(program.waitForLog(batchEnd)) << program.log();
        closeMessage(program, nullptr); // "Conversion completed!"
        EXPECT_EQ(program.log().count(QRegularExpression(qs("row \\d OK"))), 3) << program.log();

        // Run again: the rows still to come wait, they are not the last run's "OK".
        program.key(main, qs("ctrl+n"));
        QStringList seen;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                seen = keptStatuses(kept);
                return seen.value(0) == qs("processing");
            },
            30000))
            << seen.join(u' ');
        EXPECT_EQ(seen, (QStringList{qs("processing"), qs("waiting"), qs("waiting")}));
        keepScreenshot(main, "camera-second-run.png");
        ASSERT_TRUE(program.waitForLog(batchEnd, 2)) << program.log();
        closeMessage(program, nullptr);

        // Cancelled as it starts: no file without streams under a final name.
        program.key(main, qs("ctrl+n"));
        ASSERT_TRUE(program.waitForLog(QRegularExpression(qs("row 1 \\(whole file\\)")), 3));
        RunningProgram::click(main, points.cancelButton);
        closeMessage(program, "camera-cancelled.png");
        EXPECT_TRUE(program.waitForLog(QRegularExpression(qs("message: Conversion Canceled"))))
            << program.log();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return QDir(out).entryList({qs(".*")}, QDir::Files | QDir::Hidden).isEmpty(); },
            20000))
            << QDir(out).entryList(QDir::Files | QDir::Hidden).join(u' ') << program.log();
        const QStringList outputs = QDir(out).entryList(QDir::Files);
        EXPECT_GE(outputs.size(), 6) << outputs.join(u' ');
        for (const QString &file : outputs)
            EXPECT_FALSE(inspect(QDir(out).filePath(file)).codecs.isEmpty()) << file;
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return keptStatuses(kept).value(0) == qs("cancel"); }, 5000));

        // Another profile, then the program dies.
        const QRect where = RunningProgram::geometry(main);
        const qsizetype windowsBefore = program.windows(qs(".*")).size();
        RunningProgram::click(main, QPoint(where.width() - 220, 41)); // the profile box
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return program.windows(qs(".*")).size() > windowsBefore; }, 10000));
        RunningProgram::type(qs("MP3"));
        QProcess::execute(qs("xdotool"), {qs("key"), qs("Return")});
        ASSERT_TRUE(program.waitForLog(QRegularExpression(qs("profile picked: 96"))));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return readFile(kept).contains("\"profile\":96"); }, 5000));
        program.killNow();
    }

    RunningProgram again({}, clips.folder(), extra);
    closeMessage(again, "camera-restore-question.png"); // Yes
    EXPECT_TRUE(again.waitForLog(QRegularExpression(qs("profile restored: 96")))) << again.log();
    EXPECT_TRUE(again.waitForLog(QRegularExpression(qs("list restored: 3 rows"))));
    const QString main = again.waitForWindow(qs("^Vantrel Video Converter 3"));
    ASSERT_FALSE(main.isEmpty());
    EXPECT_EQ(keptStatuses(kept), (QStringList{qs("cancel"), QString(), QString()}));
    keepScreenshot(main, "camera-restored.png");

    // Ctrl+C clears the list; Ctrl+Z brings it back.
    again.key(main, qs("ctrl+c"));
    EXPECT_TRUE(again.waitForLog(QRegularExpression(qs("list cleared: 3 rows"))));
    keepScreenshot(main, "camera-cleared.png");
    again.key(main, qs("ctrl+z"));
    EXPECT_TRUE(again.waitForLog(QRegularExpression(qs("clear undone: 3 rows"))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return keptStatuses(kept).size() == 3; }, 5000));
    keepScreenshot(main, "camera-undone.png");
    EXPECT_EQ(again.terminate().exitCode, 0);
}

// A new user's first hour on today's profiles: a file the player cannot read
// says so in its row, a size typed into the sheet stays as typed when the
// arrows move on, a clip's end past the file is refused, and a batch of
// several stages ends in one message that also says where the files are.
TEST(AssembledProgram, AFirstHourOnTodaysProfiles)
{
    if (!RunningProgram::canRun())
        GTEST_SKIP() << "needs an X server and xdotool";
    const WindowPoints points = measureMainWindow();
    MediaClips clips;
    clips.video(qs("holiday.mp4"), 4, "320x240");
    writeFile(clips.path(qs("broken.mkv")), QByteArray(30000, '\x5a'));
    const QString out = clips.path(qs("out"));
    const ProgramFolders folders(103, out, 3); // no file browser answers
    const QString kept = folders.keptList();
    RunningProgram program({qs("holiday.mp4"), qs("broken.mkv")}, clips.folder(),
                           folders.environment);
    const QString main = program.waitForWindow(qs("^Vantrel Video Converter 3"));
    ASSERT_FALSE(main.isEmpty()) << program.log();
    // Both probed: the clip's size and the broken file's reason are kept.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QByteArray list = readFile(kept);
            return list.contains(R"("size":"320x240")") &&
                   list.contains("is not a video or sound file");
        },
        10000))
        << readFile(kept).toStdString();
    keepScreenshot(main, "first-hour-listed.png");

    // "300 kB" typed and taken with Enter; the arrows then move on, changing
    // nothing. The click opens the editor as it is handled, before the keys.
    RunningProgram::click(main, points.fitToSize);
    program.key(main, qs("End"));
    program.key(main, qs("shift+Home"));
    RunningProgram::type(qs("300 kB"));
    program.key(main, qs("Return"));
    program.key(main, qs("Down"));
    program.key(main, qs("Down"));
    const QByteArray typed = R"("item":"Fit To Size","value":"300 kB")";
    EXPECT_TRUE(QTest::qWaitFor([&] { return readFile(kept).contains(typed); }, 5000))
        << readFile(kept).toStdString();
    keepScreenshot(main, "first-hour-typed.png");

    // A clip's end typed past the file is refused, and the window stays.
    RunningProgram::click(main, QPoint(100, 123)); // the first row
    program.key(main, qs("ctrl+v"));
    const QString clip = program.waitForWindow(qs("^Clip Time"));
    ASSERT_FALSE(clip.isEmpty()) << program.log();
    // The window came after the arrows were handled: they changed nothing.
    EXPECT_TRUE(readFile(kept).contains(typed)) << readFile(kept).toStdString();
    for (int i = 0; i < 4; ++i) // from the first control back to the End Time box
        program.key(clip, qs("shift+Tab"));
    program.key(clip, qs("End"));
    program.key(clip, qs("shift+Home"));
    RunningProgram::type(qs("0:00:09"));
    keepScreenshot(clip, "first-hour-clip-end.png");
    program.key(clip, qs("Return"));
    EXPECT_TRUE(program.waitForLog(
        QRegularExpression(qs("message: The end 0:00:09 is past the end of the file"))))
        << program.log();
    const QString refusal = program.waitForWindow(qs("^Vantrel Video Converter$"));
    ASSERT_FALSE(refusal.isEmpty());
    program.key(refusal, qs("Return"));
    EXPECT_FALSE(program.windows(qs("^Clip Time")).isEmpty());
    program.key(clip, qs("Escape"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return program.windows(qs("^Clip Time")).isEmpty(); }, 10000));

    // The fitted row runs its passes with the time left shown; the batch ends
    // in one message.
    program.key(main, qs("ctrl+n"));
    ASSERT_TRUE(program.waitForLog(QRegularExpression(qs("pass: ")))) << program.log();
    keepScreenshot(main, "first-hour-converting.png");
    ASSERT_TRUE(program.waitForLog(QRegularExpression(qs("batch ends")))) << program.log();
    const QString done = program.waitForWindow(qs("^Vantrel Video Converter$"));
    ASSERT_FALSE(done.isEmpty());
    keepScreenshot(done, "first-hour-done.png");
    program.key(done, qs("Return"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return program.windows(qs("^Vantrel Video Converter$")).isEmpty(); }, 10000));
    EXPECT_TRUE(program.waitForLog(QRegularExpression(QRegularExpression::escape(
        qs("see why.\nNo file browser opened. The files are in:\n") + out))))
        << program.log();
    EXPECT_EQ(program.log().count(qs("message: ")), 2) << program.log(); // the refusal, the end
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return keptStatuses(kept) == QStringList{qs("ok"), qs("fail")};
        },
        5000))
        << keptStatuses(kept).join(u' ');
    const qint64 size = QFileInfo(QDir(out).filePath(qs("holiday.mp4"))).size();
    EXPECT_GT(size, 0);
    EXPECT_LE(size, 300000);
    EXPECT_EQ(program.terminate().exitCode, 0);
}
