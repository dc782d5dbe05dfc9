#include "MediaClips.h"
#include "ScreenSupport.h"
#include "TestEnvironment.h"
#include "TestSupport.h"

#include "core/app/MainController.h"
#include "core/preview/PreviewController.h"
#include "core/preview/TrimmingController.h"
#include "core/settings/IniFile.h"
#include "core/sources/SourceList.h"
#include "core/tools/Process.h"
#include "core/tools/ToolLocator.h"
#include "gui/app/MainWindow.h"
#include "gui/app/Skin.h"
#include "gui/preview/PreviewPanel.h"
#include "gui/preview/TrimmingDialog.h"
#include "gui/sources/SourceListWidget.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace vantrel;

namespace {

// The value after `option` in a command, empty when it is not there.
QString optionValue(const QStringList &args, const char *option)
{
    const qsizetype at = args.indexOf(qs(option));
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
}

// The seconds a position label shows; -1 while it shows none. A busy
// machine may pass a second between two looks, so tests wait for "at least".
int shownSeconds(const QLabel *label)
{
    const QStringList parts = label->text().split(u':');
    if (parts.size() != 3)
        return -1;
    return parts.at(0).toInt() * 3600 + parts.at(1).toInt() * 60 + parts.at(2).toInt();
}

double durationOf(const QString &file)
{
    QProcess probe;
    probe.start(ToolLocator::find(ToolLocator::kMediaInfo),
                {qs("-v"), qs("error"), qs("-show_entries"), qs("format=duration"), qs("-of"),
                 qs("default=nw=1:nk=1"), file});
    probe.waitForFinished(30000);
    return QString::fromLatin1(probe.readAllStandardOutput()).trimmed().toDouble();
}

class PreviewWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs an X server (run under xvfb-run)";
        if (ToolLocator::find(ToolLocator::kPlayer).isEmpty())
            GTEST_SKIP() << "no player installed";
        iniWrite(data.filePath(qs("settings.dat")), qs("Set"), qs("outputfolder"),
                 clips.path(qs("out")));
    }

    void TearDown() override
    {
        window.reset();
        controller.reset();
        EXPECT_TRUE(noPlayerWithin(ProcessPreviewPlayer::kQuitGraceMs + 3000));
    }

    MainWindow &open(int profile = 73)
    {
        iniWrite(data.filePath(qs("settings.dat")), qs("Set"), qs("profile"),
                 QString::number(profile));
        const MainEnvironment env = surroundings.main(data);
        controller = std::make_unique<MainController>(env);
        window = std::make_unique<MainWindow>(*controller);
        window->startUp();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    void addProbed(const QStringList &paths)
    {
        window->setFileChooser([paths](QWidget *, const FilesAnswer &done) { done(paths); });
        window->addFiles();
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return controller->sources().pendingProbes() == 0; }, 30000));
    }

    void clickRow(int row, bool twice = false)
    {
        SourceListWidget *list = window->sourceList();
        const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    static void click(PreviewPanel *panel, const char *caption)
    {
        QPushButton *button = panel->button(qs(caption));
        ASSERT_TRUE(button) << caption;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    static QList<int> players() { return childProcesses(qs("mplayer")); }

    static bool noPlayerWithin(int ms)
    {
        return QTest::qWaitFor([] { return players().isEmpty(); }, ms);
    }

    // Waits until exactly one player runs that is not one of `old`, and
    // returns its arguments.
    static QStringList newPlayer(const QList<int> &old = {})
    {
        QStringList args;
        (void)QTest::qWaitFor(
            [&] {
                const QList<int> now = players();
                if (now.size() != 1 || old.contains(now.constFirst()))
                    return false;
                args = commandLineOf(now.constFirst());
                return !args.isEmpty();
            },
            10000);
        return args;
    }

    static bool showsPicture(const QWidget *surface)
    {
        return QTest::qWaitFor([&] { return colourShare(screenOf(surface)) > 0.5; }, 10000);
    }

    // Double-clicks `row` and runs `act` on the trimming window once it
    // shows; the window is rejected afterwards if `act` left it open.
    void whileTrimming(int row, const std::function<void(TrimmingDialog &)> &act)
    {
        clickRow(row, true);
        QPointer<TrimmingDialog> dialog;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                dialog = window->findChild<TrimmingDialog *>();
                return dialog && dialog->isVisible();
            },
            10000))
            << "no trimming window came";
        EXPECT_TRUE(dialog->isModal());
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        act(*dialog);
        if (dialog && dialog->isVisible())
            dialog->reject();
        // Closed, it goes.
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.isNull(); }, 5000));
    }

    MediaClips clips;
    QTemporaryDir data;
    TestSurroundings surroundings;
    RecordingPrompt &prompt = surroundings.prompt;
    std::unique_ptr<MainController> controller;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(PreviewWindowTest, PlayDrawsIntoTheSurfaceAndPauseAndStopReachThePlayer)
{
    MainWindow &w = open();
    const QString clip = clips.video(qs("holiday.avi"), 10);
    addProbed({clip});
    PreviewPanel *panel = w.previewPanel();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->positionLabel()->text(), qs("0:00:00"));
    EXPECT_EQ(panel->totalLabel()->text(), qs("Total time: 0:00:00"));
    EXPECT_LT(colourShare(screenOf(panel->videoSurface())), 0.01); // black before playing

    clickRow(0);
    click(panel, "Play");
    const QStringList args = newPlayer();
    ASSERT_FALSE(args.isEmpty());
    EXPECT_EQ(optionValue(args, "-wid"), QString::number(panel->videoSurface()->winId()));
    EXPECT_TRUE(args.contains(qs("-slave")));
    EXPECT_FALSE(args.contains(qs("-ss")));
    EXPECT_EQ(args.constLast(), clip);
    EXPECT_EQ(panel->totalLabel()->text(), qs("Total time:0:00:10"));
    EXPECT_TRUE(showsPicture(panel->videoSurface())) << "the player drew nothing";
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownSeconds(panel->positionLabel()) >= 1; }, 3000));
    EXPECT_EQ(panel->positionSlider()->value(), shownSeconds(panel->positionLabel()) * 10);

    auto &player = static_cast<ProcessPreviewPlayer &>(w.preview().player());
    ASSERT_EQ(player.running().size(), 1);
    Process *running = player.running().constFirst();
    QString lastOutput;
    QObject::connect(running, &Process::finished, running,
                     [&lastOutput, running] { lastOutput = running->output(); });

    click(panel, "Pause");
    EXPECT_FALSE(w.preview().isTimerEnabled());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return running->output().contains(qs("=====  PAUSE")); }, 5000));
    const QString paused = panel->positionLabel()->text();
    settle(); // the timer is off: nothing counts on
    EXPECT_EQ(panel->positionLabel()->text(), paused);
    click(panel, "Pause");
    EXPECT_TRUE(w.preview().isTimerEnabled());
    click(panel, "Back");
    click(panel, "Forward");

    click(panel, "Stop");
    EXPECT_TRUE(noPlayerWithin(5000));
    EXPECT_TRUE(lastOutput.contains(qs("(Quit)"))) << "the player did not hear quit";
    EXPECT_EQ(panel->positionLabel()->text(), QString());
    EXPECT_FALSE(w.preview().isTimerEnabled());
    // The player's last frame does not stay: the surface is as it started.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return colourShare(screenOf(panel->videoSurface())) < 0.02; }, 3000));
    screenOf(&w).save(QDir(screenshotFolder()).filePath(qs("preview-after-stop.png")));
}

TEST_F(PreviewWindowTest, FirstFrameAndSeekingRestartTheFileAtTheirOffsets)
{
    MainWindow &w = open();
    addProbed({clips.video(qs("walk.avi"), 10)});
    PreviewPanel *panel = w.previewPanel();
    QSlider *slider = panel->positionSlider();
    clickRow(0);
    w.action(qs("play"))->trigger(); // the menu entry plays the selected row
    QStringList args = newPlayer();
    ASSERT_FALSE(args.isEmpty());

    // A drag released at 40 % of 10 seconds.
    QList<int> old = players();
    slider->setSliderDown(true);
    slider->setSliderPosition(40);
    slider->setSliderDown(false);
    // At once: the timer moves it on a second later, sooner than a busy
    // machine may start the player.
    EXPECT_EQ(panel->positionLabel()->text(), qs("0:00:04"));
    args = newPlayer(old);
    EXPECT_EQ(optionValue(args, "-ss"), qs("4"));
    EXPECT_EQ(optionValue(args, "-wid"), QString::number(panel->videoSurface()->winId()));
    EXPECT_TRUE(showsPicture(panel->videoSurface()));

    old = players();
    click(panel, "First Frame");
    args = newPlayer(old);
    ASSERT_FALSE(args.isEmpty());
    EXPECT_FALSE(args.contains(qs("-ss")));

    // The keyboard: Home seeks to 0 (and passes -ss 0), End only stops the timer.
    old = players();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    args = newPlayer(old);
    EXPECT_EQ(optionValue(args, "-ss"), qs("0"));
    const QList<int> before = players();
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_FALSE(w.preview().isTimerEnabled());
    EXPECT_EQ(panel->positionLabel()->text(), qs("0:00:10"));
    settle();
    EXPECT_EQ(players(), before); // no new player

    click(panel, "Last Frames");
    args = newPlayer(before);
    EXPECT_EQ(optionValue(args, "-ss"), qs("10"));
    // Nothing is left to play: the player ends and the surface is as it started.
    EXPECT_TRUE(noPlayerWithin(1000 + ProcessPreviewPlayer::kQuitGraceMs + 3000));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return colourShare(screenOf(panel->videoSurface())) < 0.02; }, 3000));
}

TEST_F(PreviewWindowTest, TheTrimmingWindowStopsTheMainPreviewAndLeavesNoPlayer)
{
    MainWindow &w = open();
    const QString clip = clips.video(qs("party.avi"), 8);
    addProbed({clip});
    clickRow(0);
    click(w.previewPanel(), "Play");
    ASSERT_FALSE(newPlayer().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return shownSeconds(w.previewPanel()->positionLabel()) >= 1; }, 3000));

    for (const char *way : {"Cancel", "close box", "Escape"}) {
        whileTrimming(0, [&](TrimmingDialog &dialog) {
            EXPECT_EQ(dialog.windowTitle(), qs("Clip Time  -  ") + clip);
            EXPECT_TRUE(noPlayerWithin(5000)) << "the main preview still plays";
            EXPECT_FALSE(w.preview().isTimerEnabled());
            PreviewPanel *panel = dialog.previewPanel();
            click(panel, "Play");
            const QStringList args = newPlayer();
            EXPECT_EQ(optionValue(args, "-wid"), QString::number(panel->videoSurface()->winId()));
            EXPECT_TRUE(showsPicture(panel->videoSurface()));
            dialog.startSlider()->setFocus();
            QTest::keyClick(dialog.startSlider(), Qt::Key_Right);
            EXPECT_EQ(dialog.startEdit()->text(), qs("0:00:01"));
            if (qs(way) == qs("Cancel"))
                QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
            else if (qs(way) == qs("close box"))
                dialog.close();
            else
                QTest::keyClick(&dialog, Qt::Key_Escape);
            EXPECT_FALSE(dialog.isVisible()) << way;
        });
        EXPECT_TRUE(noPlayerWithin(5000)) << way;
        EXPECT_EQ(controller->sources().item(0).clipStart, qs("0:00:00")) << way;
        EXPECT_EQ(controller->sources().item(0).clipEnd, qs("0:00:08")) << way;
    }
    // The main preview's labels keep their last values.
    EXPECT_EQ(w.previewPanel()->totalLabel()->text(), qs("Total time:0:00:08"));
    EXPECT_FALSE(w.previewPanel()->positionLabel()->text().isEmpty());
}

// The trimmed row converts to a file as long as the clip.
TEST_F(PreviewWindowTest, OkStoresTheClipAndTheConversionFollowsIt)
{
    open(73);
    const QString clip = clips.video(qs("trip.avi"), 8);
    addProbed({clip});
    whileTrimming(0, [&](TrimmingDialog &dialog) {
        dialog.startSlider()->setFocus();
        QTest::keyClick(dialog.startSlider(), Qt::Key_Right);
        QTest::keyClick(dialog.startSlider(), Qt::Key_Right);
        dialog.stopSlider()->setFocus();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(dialog.stopSlider(), Qt::Key_Left);
        EXPECT_EQ(dialog.startEdit()->text(), qs("0:00:02"));
        EXPECT_EQ(dialog.stopEdit()->text(), qs("0:00:05"));
        EXPECT_EQ(dialog.lengthEdit()->text(), qs("0:00:03"));

        // A start typed after the stop is refused and the window stays.
        dialog.startEdit()->selectAll();
        QTest::keyClicks(dialog.startEdit(), qs("0:00:06"));
        EXPECT_EQ(dialog.startSlider()->value(), 6); // typing moves the slider, as dragging does
        EXPECT_EQ(dialog.lengthEdit()->text(), qs("0:00:01"));
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        EXPECT_EQ(prompt.errors, QStringList{qs("Start time or End time is error.")});
        EXPECT_TRUE(dialog.isVisible());
        dialog.startEdit()->selectAll();
        QTest::keyClicks(dialog.startEdit(), qs("0:00:02"));
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(controller->sources().item(0).clipStart, qs("0:00:02"));
    EXPECT_EQ(controller->sources().item(0).clipEnd, qs("0:00:05"));

    QSignalSpy finished(&controller->batch(), &BatchRun::finished);
    ASSERT_TRUE(controller->convert());
    ASSERT_TRUE(finished.wait(120000));
    EXPECT_EQ(controller->sources().item(0).status, RowStatus::Ok)
        << controller->batch().rowMessages(0).toStdString();
    const QString output = controller->batch().rowOutput(0);
    EXPECT_TRUE(output.endsWith(qs(".mp4"))) << output.toStdString();
    EXPECT_NEAR(durationOf(output), 3.0, 1.0);
}

TEST_F(PreviewWindowTest, NoPlayerOutlivesTheWindows)
{
    // The trimming window destroyed while it plays.
    MainWindow &w = open();
    const QString clip = clips.video(qs("long.avi"), 20);
    addProbed({clip});
    {
        auto trimming = TrimmingController::open(
            controller->sources(), 0, w.preview(), &prompt,
            std::make_unique<PreviewController>(ToolLocator::find(ToolLocator::kPlayer),
                                                controller->tools()));
        ASSERT_TRUE(trimming);
        TrimmingDialog dialog(*trimming, &w);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        click(dialog.previewPanel(), "Play");
        ASSERT_FALSE(newPlayer().isEmpty());
    }
    EXPECT_TRUE(noPlayerWithin(ProcessPreviewPlayer::kQuitGraceMs + 3000));

    // The main window destroyed while it plays, after a seek left two players
    // overlapping for a moment.
    clickRow(0);
    click(w.previewPanel(), "Play");
    ASSERT_FALSE(newPlayer().isEmpty());
    click(w.previewPanel(), "Last Frames");
    window.reset();
    EXPECT_TRUE(noPlayerWithin(ProcessPreviewPlayer::kQuitGraceMs + 3000));
}

TEST_F(PreviewWindowTest, ExitQuitsThePlayerAndStopsTheTimer)
{
    MainWindow &w = open();
    addProbed({clips.video(qs("clip.avi"), 10)});
    clickRow(0);
    click(w.previewPanel(), "Play");
    ASSERT_FALSE(newPlayer().isEmpty());
    w.exitProgram();
    EXPECT_FALSE(w.preview().isTimerEnabled());
    EXPECT_TRUE(noPlayerWithin(3000)); // it heard quit; the window still exists
}

// A phone's turned picture plays upright in the clip window and keeps its
// shape: black bars beside it, nothing stretched.
TEST_F(PreviewWindowTest, TheClipWindowShowsATurnedPictureUprightInItsShape)
{
    MainWindow &w = open();
    // Stored on its side, red left and blue right; shown a quarter turned
    // clockwise, red is on top. The tag is only written by a copy, and this
    // FFmpeg's 270 makes the display matrix a phone writes (-90).
    const QString stored = clips.encoded(
        qs("stored.mp4"),
        {qs("-f"), qs("lavfi"), qs("-i"),
         qs("color=red:s=80x120:d=6[a];color=blue:s=80x120:d=6[b];[a][b]hstack[out0]"), qs("-c:v"),
         qs("libx264"), qs("-pix_fmt"), qs("yuv420p")});
    addProbed({clips.encoded(qs("phone.mp4"), {qs("-i"), stored, qs("-c"), qs("copy"),
                                               qs("-metadata:s:v"), qs("rotate=270")})});
    const auto near = [](const QColor &c, int r, int g, int b) {
        return qAbs(c.red() - r) < 70 && qAbs(c.green() - g) < 70 && qAbs(c.blue() - b) < 70;
    };
    whileTrimming(0, [&](TrimmingDialog &dialog) {
        click(dialog.previewPanel(), "Play");
        const QStringList args = newPlayer();
        ASSERT_TRUE(args.contains(qs("rotate=1,screenshot"))) << args.join(u' ');
        const QWidget *surface = dialog.previewPanel()->videoSurface();
        QImage shown;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                shown = screenOf(surface);
                const int wide = shown.width();
                const int high = shown.height();
                return !shown.isNull() && near(shown.pixelColor(wide / 2, high / 4), 255, 0, 0) &&
                       near(shown.pixelColor(wide / 2, high * 3 / 4), 0, 0, 255) &&
                       near(shown.pixelColor(3, high / 2), 0, 0, 0) &&
                       near(shown.pixelColor(wide - 4, high / 2), 0, 0, 0);
            },
            10000))
            << "not upright between bars";
        screenOf(&dialog).save(QDir(screenshotFolder()).filePath(qs("trimming-window-turned.png")));
    });
    Q_UNUSED(w)
}

// The player shows an HDR picture without its range: the panel says so
// while one plays, and nothing for a standard one.
TEST_F(PreviewWindowTest, AnHdrPictureIsSaidToBeShownPaler)
{
    MainWindow &w = open();
    const QString hlg = clips.encoded(
        qs("hlg.mp4"),
        {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc2=s=160x120:d=2"), qs("-pix_fmt"),
         qs("yuv420p10le"), qs("-c:v"), qs("libx265"), qs("-x265-params"),
         qs("log-level=error:colorprim=bt2020:transfer=arib-std-b67:colormatrix=bt2020nc"),
         qs("-color_primaries"), qs("bt2020"), qs("-color_trc"), qs("arib-std-b67"),
         qs("-colorspace"), qs("bt2020nc")});
    addProbed({hlg, clips.video(qs("plain.avi"), 2)});
    PreviewPanel *panel = w.previewPanel();
    const auto *note = panel->findChild<QLabel *>(qs("pictureNote"));
    ASSERT_TRUE(note);
    EXPECT_FALSE(note->isVisible());
    for (const int row : {0, 1}) {
        clickRow(row);
        click(panel, "Play");
        ASSERT_FALSE(newPlayer().isEmpty());
        EXPECT_TRUE(QTest::qWaitFor([&] { return note->isVisible() == (row == 0); }, 5000)) << row;
        EXPECT_EQ(note->text().startsWith(qs("HDR picture")), row == 0);
        if (row == 0)
            panel->grab().save(QDir(screenshotFolder()).filePath(qs("preview-hdr.png")));
    }
}

TEST_F(PreviewWindowTest, Screenshots)
{
    const QString folder = screenshotFolder();
    ASSERT_FALSE(folder.isEmpty());
    {
        // Without the skin: the desktop's own look.
        MainWindow &plain = open(13);
        QWidget *frame = plain.previewFrame();
        const QRect area(frame->mapTo(&plain, QPoint()), frame->size());
        EXPECT_TRUE(screenOf(&plain).copy(area).save(
            QDir(folder).filePath(qs("preview-panel-unskinned.png"))));
        window.reset();
    }
    ASSERT_TRUE(applySkin(*qApp, qs(VANTREL_SOURCE_DIR "/resources/skins/frmmain.qss")));
    MainWindow &w = open(13);
    addProbed(
        {clips.video(qs("holiday.avi"), 12, "320x240"), clips.video(qs("birthday party.avi"), 5)});
    // At the size it opens with, every column shows; only the name gives up
    // width, and the tip shows it whole.
    const QHeaderView *header = w.sourceList()->header();
    const int last = header->count() - 1;
    EXPECT_LE(header->sectionViewportPosition(last) + header->sectionSize(last),
              w.sourceList()->viewport()->width());
    for (const QString &status : {qs("Processing 100%"), qs("Cannot be read")})
        EXPECT_GT(header->sectionSize(SourceList::StatusColumn),
                  w.sourceList()->fontMetrics().horizontalAdvance(status));
    EXPECT_EQ(w.sourceList()->model()->index(0, 0).data(Qt::ToolTipRole).toString(),
              clips.path(qs("holiday.avi")));

    clickRow(0);
    click(w.previewPanel(), "Play");
    ASSERT_FALSE(newPlayer().isEmpty());
    EXPECT_TRUE(showsPicture(w.previewPanel()->videoSurface()));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return shownSeconds(w.previewPanel()->positionLabel()) >= 2; }, 4000));
    EXPECT_TRUE(screenOf(&w).save(QDir(folder).filePath(qs("main-window-playing.png"))));

    whileTrimming(0, [&](TrimmingDialog &dialog) {
        dialog.resize(dialog.sizeHint());
        click(dialog.previewPanel(), "Play");
        ASSERT_FALSE(newPlayer().isEmpty());
        EXPECT_TRUE(showsPicture(dialog.previewPanel()->videoSurface()));
        dialog.startSlider()->setFocus();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(dialog.startSlider(), Qt::Key_Right);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return shownSeconds(dialog.previewPanel()->positionLabel()) >= 2; }, 4000));
        EXPECT_TRUE(screenOf(&dialog).save(QDir(folder).filePath(qs("trimming-window.png"))));
    });
    qApp->setStyleSheet(QString());
}
