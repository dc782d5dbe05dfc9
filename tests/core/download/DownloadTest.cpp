#include "MediaClips.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include "core/download/OnlineVideoController.h"
#include "core/download/StreamDownload.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileDefaults.h"
#include "core/sources/SourceList.h"
#include "core/tools/MediaProbe.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vantrel;

namespace {

// The files a folder holds, hidden ones included: nothing half-written may stay.
QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

// A watch page of the 2009 layout whose picture and stream live on `server`.
QByteArray watchPage(const TestHttpServer &server, const char *id, const char *title)
{
    // The map's addresses are encoded twice: the map as a whole, and each one.
    const QString map = qs("5|") +
                        QString::fromLatin1(QUrl::toPercentEncoding(server.url("/stream.flv"))) +
                        qs(",18|x");
    const QByteArray picture = QUrl::toPercentEncoding(server.url("/vi/related/default.jpg"));
    return "<script>yt.setConfig({'VIDEO_ID': '" + QByteArray(id) + "',\n'VIDEO_TITLE': '" +
           QByteArray(title) + "',\n'SWF_ARGS': {\"rv.2.thumbnailUrl\": \"" + picture +
           "\", \"length_seconds\": \"2\", \"fmt_url_map\": \"" + QUrl::toPercentEncoding(map) +
           "\"}});</script>\n<a data-discoverbox-username=\"someone\" >"
           "<span class=\"watch-video-added post-date\">1 May 2009</span>"
           "<a onclick=\"x('VideoCategoryLink');\">Music</a>"
           "<div class=\"watch-video-desc description\">\n<span >Words.</span>"
           "<button class=\"master-sprite ratingL ratingL-4.5\" title=\"\">";
}

struct Finished
{
    explicit Finished(StreamDownload &download)
    {
        QObject::connect(&download, &StreamDownload::progressChanged, &context,
                         [this](std::optional<int>, const QString &text) { labels << text; });
        QObject::connect(&download, &StreamDownload::finished, &context,
                         [this](bool good, const QString &text) {
                             ok = good;
                             result = text;
                             done = true;
                         });
    }
    QObject context;
    QStringList labels;
    bool done = false;
    bool ok = false;
    QString result;
};

} // namespace

TEST(StreamDownload, OnlyAWholeBodyTakesTheName)
{
    TestHttpServer server;
    QByteArray mega(1 << 20, 'm');
    for (int i = 0; i < mega.size(); i += 997)
        mega[i] = char(i % 251);
    using R = TestHttpServer::Route;
    const struct
    {
        const char *what;
        R route;
        bool ok;
        QStringList labels; // the first ones; empty: not looked at
    } cases[] = {
        {"empty", R{"", 200}, true, {qs("100 % ")}},
        {"2049 bytes",
         R{QByteArray(2049, 'x'), 200},
         true,
         {qs("50 % "), qs("100 % "), qs("100 % ")}},
        {"1 MB", R{mega, 200}, true, {qs("0 % "), qs("0 % ")}},
        {"no length", R{mega, 200, false}, true, {qs("1 kB "), qs("2 kB ")}},
        {"cut half way", R{mega, 200, true, true}, false, {}},
        {"not found", R{"gone", 404}, false, {}},
        {"server error", R{"oops", 500}, false, {}},
        {"silent", R{"", 200, true, false, true}, false, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        server.route("/file", c.route);
        StreamDownload download(folder.path());
        download.setTimeoutMs(500);
        Finished finished(download);
        ASSERT_TRUE(download.start(server.url("/file") + qs("  "), qs("clip.flv")));
        EXPECT_FALSE(download.start(server.url("/file"), qs("other.flv"))); // one at a time
        ASSERT_TRUE(QTest::qWaitFor([&] { return finished.done; }, 10000));
        EXPECT_EQ(finished.ok, c.ok) << finished.result.toStdString();
        if (c.ok) {
            EXPECT_EQ(finished.result, folder.filePath(qs("clip.flv")));
            EXPECT_EQ(readFile(finished.result), c.route.body);
            EXPECT_EQ(filesIn(folder.path()), QStringList{qs("clip.flv")});
            EXPECT_EQ(finished.labels.mid(0, c.labels.size()), c.labels);
        } else {
            EXPECT_TRUE(finished.result.startsWith(qs("Error-"))) << finished.result.toStdString();
            EXPECT_TRUE(filesIn(folder.path()).isEmpty())
                << filesIn(folder.path()).join(u' ').toStdString();
        }
    }
}

// Whatever a page names, only http and https leave the program: a stream, a
// picture or a redirect to anything else is refused with its scheme named,
// and nothing is written.
TEST(HostilePages, OnlyWebAddressesAreFetched)
{
    TestHttpServer server;
    server.route("/to-file", TestHttpServer::Route::redirect("file:///etc/passwd"));
    server.route("/to-data", TestHttpServer::Route::redirect("data:text/plain,secret"));
    const struct
    {
        QString address;
        const char *named; // in the refusal
    } cases[] = {
        {qs("file:///etc/passwd"), "\"file:\""},
        {qs("data:text/plain,secret"), "\"data:\""},
        {qs("ftp://127.0.0.1/x"), "\"ftp:\""},
        {qs("tv://"), "\"tv:\""},
        {qs("/relative/stream.flv"), "without a scheme"},
        {server.url("/to-file"), "\"file:\""},
        {server.url("/to-data"), "\"data:\""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        QTemporaryDir folder;
        StreamDownload download(folder.path());
        Finished finished(download);
        ASSERT_TRUE(download.start(c.address, qs("clip.flv")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return finished.done; }, 10000));
        EXPECT_FALSE(finished.ok);
        EXPECT_TRUE(finished.result.contains(qs(c.named))) << finished.result.toStdString();
        EXPECT_TRUE(filesIn(folder.path()).isEmpty());

        TransferService page; // a page or a picture, fetched whole
        QSignalSpy done(&page, &TransferService::finished);
        ASSERT_TRUE(page.fetch(QUrl(c.address)));
        ASSERT_TRUE(done.wait(10000));
        EXPECT_EQ(page.failure(), TransferService::Failure::Refused);
        EXPECT_TRUE(page.body().isEmpty());
    }
}

// An endless page is refused at its limit, a trickling one at its deadline;
// a download that keeps moving earns the time it needs, and one that never
// ends stops at the most a download may hold.
TEST(HostilePages, ReadsAreBoundedInSizeAndTime)
{
    TestHttpServer server;
    server.route("/endless", TestHttpServer::Route::endlessBody());
    server.route("/trickle", TestHttpServer::Route::trickling(QByteArray(200, 't'), 150));
    server.route("/moving", TestHttpServer::Route::trickling(QByteArray(150, 'm'), 5));
    TransferService::Limits limits;
    limits.maxBodyBytes = 1024 * 1024;
    limits.deadlineMs = 300;
    limits.bytesPerExtraSecond = 20; // each 20 bytes buy a second

    for (const char *path : {"/endless", "/trickle"}) {
        TransferService page;
        page.setLimits({limits.maxBodyBytes, limits.deadlineMs, 0});
        QSignalSpy done(&page, &TransferService::finished);
        page.fetch(QUrl(server.url(path)));
        ASSERT_TRUE(done.wait(10000)) << path;
        EXPECT_EQ(page.failure(), qs(path) == qs("/endless") ? TransferService::Failure::TooLarge
                                                             : TransferService::Failure::TimedOut)
            << path << page.responseText().toStdString();
        EXPECT_TRUE(page.body().isEmpty());
    }

    const struct
    {
        const char *path;
        bool ok;
    } downloads[] = {{"/moving", true}, {"/trickle", false}, {"/endless", false}};
    for (const auto &d : downloads) {
        QTemporaryDir folder;
        StreamDownload download(folder.path());
        download.setLimits(limits);
        download.setMaxBytes(limits.maxBodyBytes);
        Finished finished(download);
        download.start(server.url(d.path), qs("clip.flv"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return finished.done; }, 20000)) << d.path;
        EXPECT_EQ(finished.ok, d.ok) << d.path << finished.result.toStdString();
        EXPECT_EQ(filesIn(folder.path()).size(), d.ok ? 1 : 0);
        if (qstrcmp(d.path, "/endless") == 0) {
            EXPECT_TRUE(finished.result.contains(qs("grew past 1 MB"))) << finished.result;
        }
    }
}

// A download never replaces a file, and a name from a page fits the file
// system: cut on a character boundary, the extension kept.
TEST(StreamDownload, NeverReplacesAFileAndFitsTheName)
{
    TestHttpServer server;
    server.route("/s.flv", {"stream"});
    const QString cjk = QString(90, QChar(0x6f22)); // 270 bytes in UTF-8
    const struct
    {
        QString name;
        QString expected; // empty: only its length is known
    } cases[] = {
        {qs("precious.flv"), qs("precious_New.flv")},
        {cjk + qs("_HD.flv"), QString()},
        {QString(10000, u'x') + qs(".mp4"), QString(251, u'x') + qs(".mp4")},
    };
    QTemporaryDir folder;
    writeFile(folder.filePath(qs("precious.flv")), "keep me");
    for (const auto &c : cases) {
        StreamDownload download(folder.path());
        Finished finished(download);
        download.start(server.url("/s.flv"), c.name);
        ASSERT_TRUE(QTest::qWaitFor([&] { return finished.done; }, 10000));
        ASSERT_TRUE(finished.ok) << finished.result.toStdString();
        const QString name = QFileInfo(finished.result).fileName();
        EXPECT_LE(QFile::encodeName(name).size(), 255);
        EXPECT_TRUE(name.endsWith(c.name.mid(c.name.lastIndexOf(u'.'))));
        if (!c.expected.isEmpty()) {
            EXPECT_EQ(name, c.expected);
        }
        EXPECT_EQ(readFile(finished.result), QByteArray("stream"));
    }
    EXPECT_EQ(readFile(folder.filePath(qs("precious.flv"))), QByteArray("keep me"));
    EXPECT_EQ(filesIn(folder.path()).size(), 4);
}

class OnlineVideo : public ::testing::Test
{
protected:
    OnlineVideoController &controller()
    {
        if (!m_controller) {
            m_controller = std::make_unique<OnlineVideoController>(
                downloads.path(), cache.filePath(qs("Cache")), &prompt);
            m_controller->setTimeoutMs(1000);
        }
        return *m_controller;
    }
    void read(const QString &address)
    {
        QSignalSpy read(&controller(), &OnlineVideoController::pageRead);
        controller().getDirectLink(address);
        ASSERT_TRUE(read.wait(10000));
    }

    TestHttpServer server;
    QTemporaryDir downloads;
    QTemporaryDir cache;
    RecordingPrompt prompt;
    std::unique_ptr<OnlineVideoController> m_controller;
};

TEST_F(OnlineVideo, ReadsAPageItsPictureAndItsStreams)
{
    MediaClips clips;
    const QString clip =
        clips.encoded(qs("stream.flv"),
                      {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=s=160x120:r=25:d=2"), qs("-f"),
                       qs("lavfi"), qs("-i"), qs("sine=d=2"), qs("-ar"), qs("22050")});
    server.route("/watch", {watchPage(server, "../../up/here", "a/b: (c)")});
    // The picture's address takes the hostile id as it stands.
    server.route("/up/here/default.jpg", {"JPEG bytes"});
    server.route("/stream.flv", {readFile(clip)});

    QSignalSpy thumbnail(&controller(), &OnlineVideoController::thumbnailChanged);
    EXPECT_TRUE(controller().canGetDirectLink());
    read(server.url("/watch"));
    EXPECT_FALSE(controller().canGetDirectLink()); // until the address changes
    controller().addressChanged();
    EXPECT_TRUE(controller().canGetDirectLink());

    const VideoPageInfo &info = controller().info();
    EXPECT_EQ(info.title, qs("ab c"));
    EXPECT_EQ(info.author, qs("someone"));
    EXPECT_EQ(info.published, qs("1 May 2009"));
    EXPECT_EQ(info.category, qs("Music"));
    EXPECT_EQ(info.description, qs("Words."));
    EXPECT_EQ(info.rating, qs("4.5"));
    EXPECT_EQ(controller().lengthText(), qs("2 Sec."));
    EXPECT_EQ(controller().statusText(), qs("Complete!"));
    EXPECT_EQ(controller().enabledFormats(), QSet<int>{5});
    EXPECT_TRUE(prompt.errors.isEmpty());

    // The picture is cached under the cleaned id, inside the cache folder.
    ASSERT_TRUE(thumbnail.count() == 2 || thumbnail.wait(5000));
    const QString picture = thumbnail.last().at(0).toString();
    EXPECT_EQ(QFileInfo(picture).absolutePath(), cache.filePath(qs("Cache")));
    EXPECT_EQ(readFile(picture), QByteArray("JPEG bytes"));

    // The stream downloads under the title, and the batch converts it.
    QSignalSpy downloaded(&controller(), &OnlineVideoController::downloadFinished);
    ASSERT_TRUE(controller().download(5));
    ASSERT_TRUE(downloaded.wait(10000));
    ASSERT_TRUE(downloaded.at(0).at(0).toBool()) << prompt.errors.join(u' ').toStdString();
    const QString file = downloaded.at(0).at(1).toString();
    EXPECT_EQ(file, downloads.filePath(qs("ab c.flv")));

    QTemporaryDir data;
    TestSurroundings surroundings;
    MediaProbe probe;
    SourceList list(&probe);
    OptionSheet sheet;
    sheet.build();
    applyProfileDefaults(sheet, 73);
    list.addSourceFile(file);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.pendingProbes() == 0; }, 30000));
    BatchRun batch(
        list, sheet, [] { return std::optional<int>(73); }, surroundings.batch(data, nullptr));
    QSignalSpy finished(&batch, &BatchRun::finished);
    Settings settings = TestSurroundings::settings(data);
    settings.outputFolder = data.filePath(qs("out"));
    ASSERT_TRUE(batch.start(settings));
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(list.item(0).status, RowStatus::Ok) << batch.rowMessages(0).toStdString();
}

// A page whose streams and picture point at local things gets nothing of
// them: no download, no preview, no cached picture.
TEST_F(OnlineVideo, AHostilePageReachesNothingLocal)
{
    const QByteArray map = QUrl::toPercentEncoding(
        qs("35|") + QString::fromLatin1(QUrl::toPercentEncoding(qs("file:///etc/shadow"))) +
        qs(",5|") + QString::fromLatin1(QUrl::toPercentEncoding(qs("data:text/plain,secret"))));
    server.route(
        "/watch",
        {"<script>yt.setConfig({'VIDEO_ID': 'id9',\n'VIDEO_TITLE': 'Bait',\n"
         "'SWF_ARGS': {\"rv.2.thumbnailUrl\": \"file%3A%2F%2F%2Fetc%2Fvi%2Fx%2Fhostname\", "
         "\"fmt_url_map\": \"" +
         map + "\"}});</script>"});
    read(server.url("/watch"));
    EXPECT_EQ(controller().enabledFormats(), (QSet<int>{35, 5}));

    EXPECT_FALSE(controller().previewAddress(35));
    EXPECT_TRUE(controller().statusText().contains(qs("\"file:\""))) << controller().statusText();
    QSignalSpy downloaded(&controller(), &OnlineVideoController::downloadFinished);
    ASSERT_TRUE(controller().download(5));
    ASSERT_TRUE(downloaded.wait(10000));
    EXPECT_FALSE(downloaded.at(0).at(0).toBool());
    EXPECT_TRUE(prompt.errors.value(0).contains(qs("\"data:\""))) << prompt.errors.value(0);
    EXPECT_TRUE(QDir(downloads.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(QDir(cache.filePath(qs("Cache"))).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(controller().thumbnailFile().isEmpty());
}

// The picture shown is always the read video's own: a late picture of an
// earlier page is cached but not shown, a picture that cannot be fetched
// gives way to the cached one, and without any the window stops loading.
TEST_F(OnlineVideo, ThePictureShownIsTheVideosOwn)
{
    const auto page = [this](const char *id, const char *picture) -> QByteArray {
        return QByteArray("'VIDEO_ID': '") + id +
               "',\n'VIDEO_TITLE': 'T',\n"
               "\"rv.2.thumbnailUrl\": \"" +
               QUrl::toPercentEncoding(server.url(picture)) + "\",";
    };
    server.route("/one", {page("one", "/slow.jpg")});
    server.route("/two", {page("two", "/gone.jpg")});
    server.route("/slow.jpg", TestHttpServer::Route::trickling("ONE", 300));
    QDir().mkpath(cache.filePath(qs("Cache")));
    writeFile(cache.filePath(qs("Cache/two.jpg")), "TWO, cached by an earlier read");

    read(server.url("/one"));
    EXPECT_TRUE(controller().isPictureLoading());
    read(server.url("/two")); // while one's picture still comes
    EXPECT_FALSE(controller().isPictureLoading());
    EXPECT_EQ(controller().thumbnailFile(), cache.filePath(qs("Cache/two.jpg")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return readFile(cache.filePath(qs("Cache/one.jpg"))) == "ONE"; }, 10000));
    EXPECT_EQ(controller().thumbnailFile(), cache.filePath(qs("Cache/two.jpg")));

    server.route("/three", {page("three", "/gone.jpg")}); // 404, nothing cached
    QSignalSpy shown(&controller(), &OnlineVideoController::thumbnailChanged);
    read(server.url("/three"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller().isPictureLoading(); }, 10000));
    EXPECT_TRUE(controller().thumbnailFile().isEmpty());
}

// The status line follows a download to its end, and tells where it went.
TEST_F(OnlineVideo, TheStatusLineFollowsADownload)
{
    RecordingDesktop desktop;
    m_controller = std::make_unique<OnlineVideoController>(
        downloads.path(), cache.filePath(qs("Cache")), &prompt, &desktop);
    server.route("/watch", {watchPage(server, "id1", "Clip")});
    read(server.url("/watch"));
    QSignalSpy finished(&controller(), &OnlineVideoController::downloadFinished);

    controller().download(5); // /stream.flv is not served: 404
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_TRUE(controller().statusText().startsWith(qs("Error-"))) << controller().statusText();
    controller().openDownloadFolder(); // nothing downloaded yet
    EXPECT_TRUE(desktop.opened.isEmpty());

    server.route("/stream.flv", {"FLV"});
    controller().download(5);
    ASSERT_TRUE(finished.wait(10000));
    const QString file = downloads.filePath(qs("Clip.flv"));
    EXPECT_EQ(controller().statusText(), qs("Saved as ") + file);
    EXPECT_EQ(controller().downloadedFile(), file);
    controller().openDownloadFolder();
    EXPECT_EQ(desktop.opened, QStringList{downloads.path()});
    // Where no file browser opens, the user is told where the file is.
    desktop.opens = false;
    controller().openDownloadFolder();
    EXPECT_EQ(prompt.notices.value(prompt.notices.size() - 1),
              qs("No file browser opened. The files are in:\n") + downloads.path());
}

TEST_F(OnlineVideo, FailuresSayWhatWentWrong)
{
    if (!QDir(qs(VANTREL_TESTDATA_DIR "/pages")).exists())
        GTEST_SKIP() << "no real watch pages here";
    server.route("/removed", {readFile(qs(VANTREL_TESTDATA_DIR
                                          "/pages/watch-2009-10-26-removed-video-homepage.html"))});
    server.route("/missing", {"no such page", 404});
    server.route("/slow", {"", 200, true, false, true});

    // Nothing read yet: the preview says so rather than wait for nothing.
    EXPECT_FALSE(controller().previewAddress(35));
    EXPECT_TRUE(controller().statusText().startsWith(qs("Nothing to preview yet")));

    read(server.url("/removed"));
    EXPECT_TRUE(controller().statusText().contains(qs("no video")))
        << controller().statusText().toStdString();
    EXPECT_TRUE(controller().info().title.isEmpty());
    // A read that found no video may be tried again on the same address.
    EXPECT_TRUE(controller().canGetDirectLink());

    read(server.url("/missing"));
    ASSERT_EQ(prompt.errors.size(), 1);
    EXPECT_TRUE(prompt.errors[0].startsWith(qs("Something Went Wrong\n")))
        << prompt.errors[0].toStdString();
    EXPECT_EQ(controller().lengthText(), QString());
    EXPECT_TRUE(controller().canGetDirectLink());
    EXPECT_TRUE(controller().statusText().startsWith(qs("Error 404")));
    EXPECT_FALSE(controller().previewAddress(35));
    EXPECT_EQ(controller().statusText(), qs("The page read last offers no stream to preview."));

    read(server.url("/slow"));
    EXPECT_EQ(controller().statusText(), qs("Slow Connection"));
    EXPECT_EQ(prompt.errors.size(), 2);
}
