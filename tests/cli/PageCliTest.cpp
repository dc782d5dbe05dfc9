#include "MediaClips.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>
#include <string_view>

namespace {

struct CliResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs vantrel-cli while this test's own event loop serves its requests.
CliResult runCli(const QStringList &args)
{
    QProcess cli;
    cli.start(qs(VANTREL_CLI_PATH), args);
    EXPECT_TRUE(QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 30000));
    return {cli.exitCode(), QString::fromUtf8(cli.readAllStandardOutput()),
            QString::fromUtf8(cli.readAllStandardError())};
}

} // namespace

TEST(CliPage, PrintsTheFieldsOfASavedPage)
{
    const QString page = qs(VANTREL_TESTDATA_DIR "/pages/watch-2009-10-26-KVeXIF-txzs.html");
    if (!QFile::exists(page))
        GTEST_SKIP() << "no real watch pages here";
    const CliResult run = runCli({qs("page"), page});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    QStringList keys;
    for (const QString &line : lines)
        keys << line.section(u'\t', 0, 0);
    EXPECT_EQ(keys, (QStringList{qs("title"), qs("author"), qs("video_id"), qs("published"),
                                 qs("category"), qs("description"), qs("length"), qs("rating"),
                                 qs("thumbnail"), qs("stream_22"), qs("stream_34"), qs("stream_35"),
                                 qs("stream_5")}));
    EXPECT_EQ(lines.value(0), qs("title\tYu-gi-oh the Abridged Series Episode 26"));
    EXPECT_EQ(lines.value(9), qs("stream_22\t")); // a field the page does not give
    EXPECT_TRUE(lines.value(12).startsWith(qs("stream_5\thttp://v20.lscache4.c.youtube.com/")));
}

TEST(CliPage, DownloadsAStreamOfAServedPage)
{
    TestHttpServer server;
    const QByteArray stream(5000, 's');
    const QString map =
        qs("5|") + QString::fromLatin1(QUrl::toPercentEncoding(server.url("/s.flv"))) + qs(",18|x");
    server.route("/watch", {"'VIDEO_ID': 'id1',\n'VIDEO_TITLE': 'My clip',\n\"fmt_url_map\": \"" +
                            QUrl::toPercentEncoding(map) + "\", "});
    server.route("/s.flv", {stream});
    QTemporaryDir dir;

    const CliResult run = runCli({qs("download"), server.url("/watch"), qs("--format"), qs("5"),
                                  qs("--output-dir"), dir.path()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, dir.filePath(qs("My clip.flv")) + u'\n');
    EXPECT_EQ(readFile(dir.filePath(qs("My clip.flv"))), stream);
    EXPECT_TRUE(run.err.contains(qs("100 %")));

    const CliResult none = runCli({qs("download"), server.url("/watch"), qs("--format"), qs("22"),
                                   qs("--output-dir"), dir.path()});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains(qs("no stream of format 22"))) << none.err.toStdString();
    EXPECT_EQ(runCli({qs("download"), server.url("/watch"), qs("--format"), qs("7")}).exitCode, 2);
    const CliResult missing = runCli({qs("page"), server.url("/nothing")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.startsWith(qs("vantrel-cli: "))) << missing.err.toStdString();
}

// What a hostile page holds reaches neither the user's files nor the
// terminal: local addresses are refused, an endless page is cut off, and
// control characters print escaped.
TEST(CliPage, HostilePagesGetNothing)
{
    TestHttpServer server;
    const QByteArray map = QUrl::toPercentEncoding(
        qs("5|") + QString::fromLatin1(QUrl::toPercentEncoding(qs("file:///etc/passwd"))));
    server.route("/watch",
                 {QByteArray("'VIDEO_ID': 'id1',\n'VIDEO_TITLE': 'Hi\x1b]2;owned\x07\x1b[2J',"
                             "\n\"fmt_url_map\": \"") +
                  map + "\", "});
    server.route("/endless", TestHttpServer::Route::endlessBody());
    QTemporaryDir dir;

    const CliResult page = runCli({qs("page"), server.url("/watch")});
    EXPECT_EQ(page.exitCode, 0);
    EXPECT_FALSE(page.out.contains(u'\x1b'));
    EXPECT_FALSE(page.out.contains(u'\x07'));
    EXPECT_TRUE(page.out.startsWith(qs("title\tHi\\x1b]2;owned\\x07\\x1b[2J"))) << page.out;
    EXPECT_TRUE(page.out.endsWith(qs("\nstream_5\t\n"))) << page.out; // never offered

    const CliResult local = runCli({qs("download"), server.url("/watch"), qs("--format"), qs("5"),
                                    qs("--output-dir"), dir.path()});
    EXPECT_EQ(local.exitCode, 1);
    EXPECT_TRUE(local.err.contains(qs("\"file:\""))) << local.err;
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    const CliResult endless = runCli({qs("page"), server.url("/endless")});
    EXPECT_EQ(endless.exitCode, 1);
    EXPECT_TRUE(endless.err.contains(qs("larger than"))) << endless.err;
}

// A page of today goes to yt-dlp: its fields, a line per button with the
// format behind it, and a download by a button's code or yt-dlp's own id.
TEST(CliPage, ReadsAndDownloadsAPageOfTodayThroughYtDlp)
{
    if (QStandardPaths::findExecutable(qs("yt-dlp")).isEmpty())
        GTEST_SKIP() << "no yt-dlp installed";
    TestHttpServer server;
    // Matroska's first bytes, then anything: what arrives is saved as it came.
    const QByteArray clip = QByteArray("\x1a\x45\xdf\xa3") + QByteArray(29996, 'v');
    server.route("/v.webm", {clip});
    server.route("/today", {"<html><head><meta property=\"og:title\" content=\"Today\">"
                            "<meta property=\"og:image\" content=\"/p.jpg\"></head><body>"
                            "<video src=\"/v.webm\"></video></body></html>"});
    QTemporaryDir dir;

    const CliResult page = runCli({qs("page"), server.url("/today")});
    EXPECT_EQ(page.exitCode, 0) << page.err;
    const QStringList lines = page.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.value(0), qs("title\tToday (1)"));
    EXPECT_TRUE(lines.contains(qs("thumbnail\t") + server.url("/p.jpg"))) << page.out;
    EXPECT_EQ(lines.mid(9),
              (QStringList{qs("stream_35\t") + server.url("/v.webm"), qs("stream_35_format\t0"),
                           qs("stream_5\t") + server.url("/v.webm"), qs("stream_5_format\t0")}));

    const struct
    {
        const char *format;
        int exitCode;
        const char *said; // on standard error
    } downloads[] = {{"35", 0, "100 %"}, {"0", 0, "100 %"}, {"22", 1, "yt-dlp lists 0"}};
    for (const auto &d : downloads) {
        const CliResult run = runCli({qs("download"), server.url("/today"), qs("--format"),
                                      qs(d.format), qs("--output-dir"), dir.path()});
        EXPECT_EQ(run.exitCode, d.exitCode) << d.format << run.err;
        EXPECT_TRUE(run.err.contains(qs(d.said))) << d.format << run.err;
    }
    EXPECT_EQ(readFile(dir.filePath(qs("Today (1).webm"))), clip);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{qs("Today (1).webm"), qs("Today (1)_New.webm")}));

    // A right-to-left override in a title would turn the terminal's line
    // around: it prints escaped.
    server.route("/turned", {"<html><head><meta property=\"og:title\" content=\"Clip "
                             "\xe2\x80\xae"
                             "exe.mp4\"></head><body><video src=\"/v.webm\">"
                             "</video></body></html>"});
    const CliResult turned = runCli({qs("page"), server.url("/turned")});
    EXPECT_EQ(turned.exitCode, 0) << turned.err;
    EXPECT_FALSE(turned.out.contains(QChar(0x202E))) << turned.out;
    EXPECT_TRUE(turned.out.contains(qs("\\u202eexe.mp4"))) << turned.out;
}

// Ctrl+C or SIGTERM during a download, of either kind: the command ends at
// once with 128 + the signal, and neither the partial file nor a tool that
// yt-dlp started (here a writer of its own) is left.
TEST(CliPage, AnInterruptedDownloadLeavesNothing)
{
    TestHttpServer server;
    const QString map =
        qs("5|") + QString::fromLatin1(QUrl::toPercentEncoding(server.url("/s.flv")));
    server.route("/watch", {"'VIDEO_ID': 'id1',\n'VIDEO_TITLE': 'Old',\n\"fmt_url_map\": \"" +
                            QUrl::toPercentEncoding(map) + "\", "});
    server.route("/s.flv", TestHttpServer::Route::trickling(QByteArray(100000, 's'), 5));
    server.route("/today", {"<html><body>no old layout</body></html>"});
    // A yt-dlp that reads any page and downloads through a child that writes
    // the part file until it is killed.
    QTemporaryDir tools;
    writeFile(tools.filePath(qs("yt-dlp")),
              "#!/bin/sh\n"
              "case \" $* \" in *\" -J \"*) echo '{\"id\":\"v\",\"title\":\"New\",\"formats\":"
              "[{\"format_id\":\"0\",\"url\":\"http://127.0.0.1/v.mp4\",\"ext\":\"mp4\","
              "\"vcodec\":\"h264\",\"acodec\":\"aac\",\"protocol\":\"http\"}]}'; exit 0;; esac\n"
              "while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=\"$2\"; shift; done\n"
              "sh -c 'while :; do echo x >> \"$1.part\"; sleep 0.02; done' sh \"$out\" &\n"
              "setsid sh -c 'sleep 60' sh \"$out\" &\n" // one that left its group
              "wait\n");
    QFile::setPermissions(tools.filePath(qs("yt-dlp")), QFile::ReadOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(qs("PATH"), tools.path() + u':' + environment.value(qs("PATH")));

    const struct
    {
        const char *page;
        int signal;
    } rows[] = {{"/watch", SIGINT}, {"/today", SIGTERM}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.page);
        QTemporaryDir dir;
        const auto files = [&] {
            return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        };
        QProcess cli;
        cli.setProcessEnvironment(environment);
        cli.start(qs(VANTREL_CLI_PATH), {qs("download"), server.url(row.page), qs("--format"),
                                         qs(row.page == std::string_view("/watch") ? "5" : "0"),
                                         qs("--output-dir"), dir.path()});
        ASSERT_TRUE(QTest::qWaitFor([&] { return !files().isEmpty(); }, 30000));
        ::kill(pid_t(cli.processId()), row.signal);
        ASSERT_TRUE(QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 10000));
        EXPECT_EQ(cli.exitCode(), 128 + row.signal);
        EXPECT_TRUE(cli.readAllStandardError().contains("nothing of it was kept"));
        // A writer still running would bring its file back.
        EXPECT_TRUE(QTest::qWaitFor([&] { return processesNaming(dir.path()).isEmpty(); }, 5000));
        EXPECT_TRUE(files().isEmpty()) << files().join(u' ');
    }
}

// A program killed outright (SIGKILL) leaves no tool of yt-dlp's running,
// not even one that left yt-dlp's process group: the guard that yt-dlp runs
// under ends them all. What the killed download left is swept by the next
// download into the folder. Formats that are not fetched over the web are
// never listed.
TEST(CliPage, AKilledProgramLeavesNoToolRunning)
{
    TestHttpServer server;
    server.route("/today", {"<html><body>no old layout</body></html>"});
    // A yt-dlp whose format 0 downloads through two writers that run until
    // killed, one of them in a session of its own; format 1 ends at once.
    QTemporaryDir tools;
    writeFile(
        tools.filePath(qs("yt-dlp")),
        "#!/bin/sh\n"
        "case \" $* \" in *\" -J \"*) echo '{\"id\":\"v\",\"title\":\"New\",\"formats\":["
        "{\"format_id\":\"f\",\"url\":\"ftp://127.0.0.1/v.mp4\",\"protocol\":\"ftp\"},"
        "{\"format_id\":\"l\",\"url\":\"file:///etc/passwd\",\"protocol\":\"file\"},"
        "{\"format_id\":\"d\",\"url\":\"data:video/mp4,x\",\"protocol\":\"https\"},"
        "{\"format_id\":\"0\",\"url\":\"http://127.0.0.1/v.mp4\",\"protocol\":\"http\"},"
        "{\"format_id\":\"1\",\"url\":\"http://127.0.0.1/w.mp4\",\"protocol\":\"http\"}"
        "]}'; exit 0;; esac\n"
        "while [ $# -gt 0 ]; do case \"$1\" in -o) out=\"$2\";; -f) f=\"$2\";; esac; shift; done\n"
        "out=\"${out%\\%(ext)s}mp4\"\n"
        "if [ \"$f\" = 1 ]; then printf '\\0\\0\\0\\20ftypisom\\0\\0\\0\\0\\0\\0\\0\\10moov' > "
        "\"$out\"\n"
        "  echo \"[vantrel-file] $out\"; exit 0; fi\n"
        "setsid sh -c 'while :; do echo x >> \"$1.part\"; sleep 0.02; done' sh \"$out\" &\n"
        "sh -c 'while :; do echo x >> \"$1.ytdl\"; sleep 0.02; done' sh \"$out\" &\n"
        "wait\n");
    QFile::setPermissions(tools.filePath(qs("yt-dlp")), QFile::ReadOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(qs("PATH"), tools.path() + u':' + environment.value(qs("PATH")));
    QTemporaryDir dir;
    const auto files = [&] {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    };
    const auto cli = [&](QProcess &process, const char *format) {
        process.setProcessEnvironment(environment);
        process.start(qs(VANTREL_CLI_PATH), {qs("download"), server.url("/today"), qs("--format"),
                                             qs(format), qs("--output-dir"), dir.path()});
    };

    QProcess page;
    page.setProcessEnvironment(environment);
    page.start(qs(VANTREL_CLI_PATH), {qs("page"), server.url("/today")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return page.state() == QProcess::NotRunning; }, 30000));
    const QStringList streams =
        QString::fromUtf8(page.readAllStandardOutput()).split(u'\n').filter(qs("stream_"));
    ASSERT_FALSE(streams.isEmpty());
    for (const QString &line : streams) {
        EXPECT_TRUE(line.contains(qs("\thttp://127.0.0.1/")) ||
                    QRegularExpression(qs("_format\t[01]$")).match(line).hasMatch())
            << line;
    }

    QProcess killed;
    cli(killed, "0");
    ASSERT_TRUE(QTest::qWaitFor([&] { return files().size() == 2; }, 30000)) << files().join(u' ');
    ::kill(pid_t(killed.processId()), SIGKILL);
    ASSERT_TRUE(QTest::qWaitFor([&] { return killed.state() == QProcess::NotRunning; }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return processesNaming(dir.path()).isEmpty(); }, 10000));
    EXPECT_EQ(files().size(), 2); // left for the next one to sweep

    QProcess next;
    cli(next, "1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return next.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(next.exitCode(), 0) << next.readAllStandardError().toStdString();
    EXPECT_EQ(files(), QStringList{qs("New.mp4")});
}
