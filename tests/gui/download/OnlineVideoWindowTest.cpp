#include "MediaClips.h"
#include "ScreenSupport.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include "core/download/OnlineVideoController.h"
#include "core/preview/PreviewController.h"
#include "core/preview/PreviewPlayer.h"
#include "core/tools/ToolControl.h"
#include "core/tools/ToolLocator.h"
#include "gui/download/OnlineVideoWindow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

using namespace vantrel;

namespace {

// The window as the X server shows it, the player's picture included.
void saveScreenshot(QWidget &window, const char *name)
{
    const QString folder = screenshotFolder();
    if (!folder.isEmpty())
        screenAt(&window).save(QDir(folder).filePath(qs(name)));
}

// The share of a widget's place on the screen that shows something other
// than the widget itself: near 0 when it is on top, high when covered.
double coveredShare(QWidget *widget)
{
    const QImage own = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage shown = screenAt(widget).convertToFormat(QImage::Format_RGB32);
    if (own.size() != shown.size()) {
        ADD_FAILURE() << "sizes " << own.width() << "x" << own.height() << " " << shown.width()
                      << "x" << shown.height();
        return 0;
    }
    qint64 other = 0;
    for (int y = 0; y < own.height(); ++y) {
        for (int x = 0; x < own.width(); ++x) {
            const QColor a = own.pixelColor(x, y);
            const QColor b = shown.pixelColor(x, y);
            if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                    std::abs(a.blue() - b.blue()) >
                60)
                ++other;
        }
    }
    return double(other) / (qint64(own.width()) * own.height());
}

// A click where the user sees `widget`, through the X server: it reaches
// whatever window is on top there.
void clickOnScreen(QWidget *widget)
{
    const QPoint at = widget->mapToGlobal(widget->rect().center());
    QProcess::execute(qs("xdotool"), {qs("mousemove"), qs("--sync"), QString::number(at.x()),
                                      QString::number(at.y()), qs("click"), qs("1")});
}

// The arguments of the one player this test runs, once it runs; empty when
// none came.
QStringList playerArguments()
{
    QStringList args;
    [[maybe_unused]] const bool started = QTest::qWaitFor(
        [&] {
            const QList<int> players = childProcesses(qs("mplayer"));
            args = players.size() == 1 ? commandLineOf(players.constFirst()) : QStringList();
            return !args.isEmpty();
        },
        10000);
    return args;
}

} // namespace

// The window on a served watch page: the page's fields, the picture, a
// download through a stream button, and the preview playing a stream in the
// panel, with nothing left running once the window has gone.
TEST(OnlineVideoWindow, ReadsAPageDownloadsAndPreviewsAStream)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    const QString player = ToolLocator::find(ToolLocator::kPlayer);
    if (player.isEmpty())
        GTEST_SKIP() << "no player installed";

    MediaClips clips;
    const QString flv = clips.encoded(qs("s.flv"), {qs("-f"), qs("lavfi"), qs("-i"),
                                                    qs("testsrc=rate=25:size=160x120:duration=8")});
    const QString jpg =
        clips.encoded(qs("t.jpg"), {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=size=120x90"),
                                    qs("-frames:v"), qs("1")});
    TestHttpServer server;
    server.route("/s.flv", {readFile(flv)});
    server.route("/vi/id7/default.jpg", {readFile(jpg)});
    const QString map =
        qs("35|") + QString::fromLatin1(QUrl::toPercentEncoding(server.url("/s.flv")));
    server.route("/watch",
                 {"'VIDEO_ID': 'id7',\n'VIDEO_TITLE': 'Served clip',\n"
                  "data-discoverbox-username=\"someone\" >\n"
                  "watch-video-added post-date\">May 05, 2009</span>\n"
                  "VideoCategoryLink');\">Comedy</a>\n"
                  "watch-video-desc description\"><span >A clip served by the test.</span>\n"
                  "master-sprite ratingL ratingL-4.5\"\n"
                  "\"length_seconds\": \"3\", \"fmt_url_map\": \"" +
                  QUrl::toPercentEncoding(map) +
                  "\", \n"
                  "\"rv.2.thumbnailUrl\": \"" +
                  server.url("/vi/id7/default.jpg").toLatin1() + "\",\n"});

    QTemporaryDir data;
    ToolControl tools;
    OnlineVideoController controller(data.path(), data.filePath(qs("Cache")), nullptr);
    {
        OnlineVideoWindow window(controller, std::make_unique<PreviewController>(player, tools));
        window.setQuestion([](QWidget *, const YesNoAnswer &done) { done(true); });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

        auto *address = window.findChild<QLineEdit *>(qs("txtWatchUrl"));
        address->clear();
        QTest::keyClicks(address, server.url("/watch"));
        QTest::mouseClick(window.findChild<QPushButton *>(qs("cmdG")), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.thumbnailFile().isEmpty(); }, 10000));
        EXPECT_EQ(window.findChild<QLabel *>(qs("lblTitle1"))->text(), qs("Served clip"));
        EXPECT_EQ(window.findChild<QLabel *>(qs("lblDur"))->text(), qs("3 Sec."));
        EXPECT_TRUE(window.streamButton(35)->isEnabled());
        EXPECT_FALSE(window.streamButton(22)->isEnabled());
        EXPECT_FALSE(window.findChild<QLabel *>(qs("picTitle"))->pixmap().isNull());
        saveScreenshot(window, "online-video-page.png");

        QTest::mouseClick(window.streamButton(35), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.isDownloading(); }, 10000));
        EXPECT_EQ(readFile(data.filePath(qs("Served clip_HD.flv"))), readFile(flv));
        EXPECT_EQ(window.findChild<QProgressBar *>(qs("pbDownload"))->value(), 100);

        // Preview: the player draws into the panel's surface.
        QTest::mouseClick(window.findChild<QPushButton *>(qs("cmdPR")), Qt::LeftButton);
        EXPECT_TRUE(window.previewPanel()->isVisible());
        const QStringList args = playerArguments();
        ASSERT_FALSE(args.isEmpty());
        EXPECT_EQ(args.value(args.indexOf(qs("-wid")) + 1),
                  QString::number(window.videoSurface()->winId()));
        EXPECT_TRUE(args.contains(server.url("/s.flv")));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return colourShare(screenAt(window.videoSurface())) > 0.5; }, 10000));
        // The panel covers the window's middle: where the details were, the
        // video shows; the panel's own "X" is on top.
        auto *hide = window.previewPanel()->findChild<QPushButton *>(qs("Label6"));
        for (const char *covered : {"lblAuthor", "lblCat", "picTitle"}) {
            QWidget *widget = window.findChild<QWidget *>(qs(covered));
            EXPECT_TRUE(QTest::qWaitFor([&] { return coveredShare(widget) > 0.5; }, 5000))
                << covered;
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return coveredShare(hide) < 0.05; }, 5000));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return colourShare(screenAt(window.videoSurface())) > 0.5; }, 10000));
        saveScreenshot(window, "online-video-preview.png");

        // Its "X", clicked where it shows, hides the panel and ends the player.
        if (QStandardPaths::findExecutable(qs("xdotool")).isEmpty())
            QTest::mouseClick(hide, Qt::LeftButton);
        else
            clickOnScreen(hide);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window.previewPanel()->isVisible(); }, 5000));
        EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); },
                                    ProcessPreviewPlayer::kQuitGraceMs + 3000));

        // Closing while it plays leaves no player.
        QTest::mouseClick(window.findChild<QPushButton *>(qs("cmdPR")), Qt::LeftButton);
        ASSERT_TRUE(
            QTest::qWaitFor([] { return !childProcesses(qs("mplayer")).isEmpty(); }, 10000));
        QTest::mouseClick(window.findChild<QPushButton *>(qs("cmdCLose")), Qt::LeftButton);
        EXPECT_FALSE(window.isVisible());
    }
    EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); },
                                ProcessPreviewPlayer::kQuitGraceMs + 3000));
}

// Long texts from a page are cut with "…" (whole in their tip) and never
// widen the window; after a download the status line says where it went.
TEST(OnlineVideoWindow, LongTextsNeitherWidenTheWindowNorGoUncut)
{
    const QString title = QString(20, u'T') + QString(200, u'x');
    TestHttpServer server;
    const QString map =
        qs("5|") + QString::fromLatin1(QUrl::toPercentEncoding(server.url("/s.flv")));
    server.route("/watch", {"'VIDEO_ID': 'id8',\n'VIDEO_TITLE': '" + title.toLatin1() +
                            "',\n\"fmt_url_map\": \"" + QUrl::toPercentEncoding(map) + "\", "});
    server.route("/s.flv", {"FLV"});
    QTemporaryDir data;
    ToolControl tools;
    OnlineVideoController controller(data.path(), data.filePath(qs("Cache")), nullptr);
    OnlineVideoWindow window(controller, std::make_unique<PreviewController>(QString(), tools));
    window.setQuestion([](QWidget *, const YesNoAnswer &done) { done(true); });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const int width = window.width();

    controller.getDirectLink(server.url("/watch"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.isPictureLoading(); }, 10000));
    QTest::mouseClick(window.streamButton(5), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.downloadedFile().isEmpty(); }, 10000));
    QApplication::processEvents();
    EXPECT_EQ(window.width(), width);
    auto *shownTitle = window.findChild<QLabel *>(qs("lblTitle1"));
    shownTitle->repaint();
    EXPECT_EQ(shownTitle->text(), title);
    EXPECT_EQ(shownTitle->toolTip(), title); // cut on the window, whole in the tip
    auto *status = window.findChild<QLabel *>(qs("lblTitle"));
    EXPECT_EQ(status->text(), qs("Saved as ") + controller.downloadedFile());
    EXPECT_TRUE(window.findChild<QPushButton *>(qs("cmdOpenFolder"))->isEnabled());
}

// The window on a page of today, read through yt-dlp: its fields and
// picture, the buttons its formats fill with their tips, Get MP4 with
// progress, and the preview playing the page's video in the panel.
TEST(OnlineVideoWindow, ReadsAPageOfTodayThroughYtDlp)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    const QString player = ToolLocator::find(ToolLocator::kPlayer);
    if (player.isEmpty() || QStandardPaths::findExecutable(qs("yt-dlp")).isEmpty())
        GTEST_SKIP() << "no player or no yt-dlp installed";

    MediaClips clips;
    const QString mp4 = clips.encoded(
        qs("v.mp4"),
        {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=rate=25:size=320x240:duration=8"), qs("-f"),
         qs("lavfi"), qs("-i"), qs("sine=duration=8"), qs("-c:v"), qs("libx264"), qs("-preset"),
         qs("ultrafast"), qs("-c:a"), qs("aac"), qs("-movflags"), qs("+faststart")});
    const QString jpg =
        clips.encoded(qs("t.jpg"), {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=size=120x90"),
                                    qs("-frames:v"), qs("1")});
    TestHttpServer server;
    server.route("/v.mp4", {readFile(mp4)});
    server.route("/t.jpg", {readFile(jpg)});
    server.route("/today", {"<html><head><meta property=\"og:title\" content=\"Served today\">"
                            "<meta property=\"og:image\" content=\"/t.jpg\"></head><body>"
                            "<video controls src=\"/v.mp4\"></video></body></html>"});

    QTemporaryDir data;
    ToolControl tools;
    OnlineVideoController controller(data.path(), data.filePath(qs("Cache")), nullptr);
    OnlineVideoWindow window(controller, std::make_unique<PreviewController>(player, tools));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto *address = window.findChild<QLineEdit *>(qs("txtWatchUrl"));
    address->clear();
    QTest::keyClicks(address, server.url("/today"));
    QTest::keyClick(address, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.thumbnailFile().isEmpty(); }, 60000));
    EXPECT_EQ(window.findChild<QLabel *>(qs("lblTitle1"))->text(), qs("Served today (1)"));
    EXPECT_FALSE(window.findChild<QLabel *>(qs("picTitle"))->pixmap().isNull());
    for (const int format : {22, 35, 5})
        EXPECT_TRUE(window.streamButton(format)->toolTip().startsWith(qs("MP4"))) << format;
    EXPECT_FALSE(window.streamButton(34)->isEnabled()); // no size known: nothing "up to 720p"
    saveScreenshot(window, "online-video-today.png");

    QSignalSpy progress(&controller, &OnlineVideoController::downloadProgress);
    QTest::mouseClick(window.streamButton(22), Qt::LeftButton);
    EXPECT_TRUE(window.findChild<QPushButton *>(qs("cmdCancel"))->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.isDownloading(); }, 60000));
    EXPECT_GE(progress.count(), 1);
    EXPECT_EQ(readFile(data.filePath(qs("Served today (1).mp4"))), readFile(mp4));
    EXPECT_EQ(window.findChild<QProgressBar *>(qs("pbDownload"))->value(), 100);
    EXPECT_FALSE(window.findChild<QPushButton *>(qs("cmdCancel"))->isEnabled());

    QTest::mouseClick(window.findChild<QPushButton *>(qs("cmdPR")), Qt::LeftButton);
    const QStringList args = playerArguments();
    ASSERT_FALSE(args.isEmpty());
    EXPECT_EQ(args.value(args.indexOf(qs("-wid")) + 1),
              QString::number(window.videoSurface()->winId()));
    EXPECT_TRUE(args.contains(server.url("/v.mp4")));
    // The video shows where the details were.
    QWidget *details = window.findChild<QWidget *>(qs("txtDesc"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return coveredShare(details) > 0.5; }, 10000));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return colourShare(screenAt(window.videoSurface())) > 0.5; }, 10000));
    saveScreenshot(window, "online-video-today-preview.png");
    window.close();
    EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); },
                                ProcessPreviewPlayer::kQuitGraceMs + 3000));
}
