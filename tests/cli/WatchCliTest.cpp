#include "CliConversion.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>

namespace {

// vantrel-cli watch over a folder of the test, with outputs and the data
// folder beside it.
class WatchCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(in()));
        ASSERT_TRUE(QDir().mkpath(out()));
    }

    QString in() const { return clips.path(qs("in")); }
    QString out() const { return clips.path(qs("out")); }

    void start(QProcess &cli, const QStringList &extra = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(qs("VANTREL_DATA_DIR"), clips.path(qs("data")));
        cli.setProcessEnvironment(env);
        cli.start(qs(VANTREL_CLI_PATH),
                  QStringList{qs("watch"), qs("--profile"), qs("103"), qs("--settle"), qs("1"),
                              qs("--no-inhibit"), qs("--output-dir"), out()} +
                      extra + QStringList{in()});
        ASSERT_TRUE(cli.waitForStarted(10000));
    }

    // Waits for a record line (stdout) or a message (stderr) holding `text`.
    static bool waitFor(QProcess &cli, QString &seen, const QString &text, bool onStdout = true)
    {
        return QTest::qWaitFor(
            [&] {
                seen += QString::fromUtf8(onStdout ? cli.readAllStandardOutput()
                                                   : cli.readAllStandardError());
                return seen.contains(text);
            },
            90000);
    }

    static void stop(QProcess &cli, int signal)
    {
        ::kill(pid_t(cli.processId()), signal);
        EXPECT_TRUE(cli.waitForFinished(30000));
        EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(cli.exitCode(), 0);
    }

    // Moves a made clip into the folder by a rename, as a finished copy
    // lands, over a file of that name.
    void drop(const QString &clip, const QString &name) const
    {
        ASSERT_EQ(std::rename(QFile::encodeName(clip).constData(),
                              QFile::encodeName(QDir(in()).filePath(name)).constData()),
                  0);
    }

    MediaClips clips;
};

} // namespace

// Each file converts once: a restart converts nothing twice, a file replaced
// by another of the same name converts again, and SIGTERM ends the command
// with exit code 0.
TEST_F(WatchCli, ConvertsEachFileOnceAcrossRestarts)
{
    QProcess first;
    start(first);
    QString seen;
    drop(clips.video(qs("a.mp4"), 2), qs("a.mp4"));
    ASSERT_TRUE(waitFor(first, seen, qs("OK\t%1/a.mp4\t%2/a.mp4").arg(in(), out())))
        << seen.toStdString();
    stop(first, SIGTERM);

    QProcess second;
    start(second);
    seen.clear();
    drop(clips.video(qs("b.mp4"), 2), qs("b.mp4"));
    ASSERT_TRUE(waitFor(second, seen, qs("/b.mp4\t"))) << seen.toStdString();
    drop(clips.video(qs("a2.mp4"), 3, "176x144"), qs("a.mp4")); // replaced
    ASSERT_TRUE(waitFor(second, seen, qs("OK\t%1/a.mp4\t%2/a_New.mp4").arg(in(), out())))
        << seen.toStdString();
    stop(second, SIGINT);
    EXPECT_EQ(seen.count(qs("/a.mp4\t")), 1) << seen.toStdString();
    EXPECT_EQ(inspect(QDir(out()).filePath(qs("a_New.mp4"))).height, 144);
}

// Stopped while a file converts, the command leaves no output under a final
// name: the file is either whole (it finished first) or not there at all.
TEST_F(WatchCli, StoppingLeavesNothingHalfWritten)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        QProcess cli;
        start(cli);
        QString told;
        const QString name = QStringLiteral("long%1.mp4").arg(signal);
        drop(clips.video(name, 20, "640x480"), name);
        ASSERT_TRUE(waitFor(cli, told, qs("joined:"), false)) << told.toStdString();
        // Stopped once the encoder writes its hidden output, or has finished.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !QDir(out()).entryList(QDir::Files | QDir::Hidden).isEmpty(); }, 30000));
        stop(cli, signal);
        const QString output = QDir(out()).filePath(name);
        const bool finished = QString::fromUtf8(cli.readAllStandardOutput()).contains(qs("OK\t"));
        if (finished)
            EXPECT_NEAR(inspect(output).seconds, 20.0, 0.5);
        else
            EXPECT_EQ(QDir(out()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

// Outputs that would land in the watched folder, and a folder that is not
// there, are refused before anything is watched.
TEST_F(WatchCli, RefusesOutputsInsideAndMissingFolders)
{
    const struct
    {
        QStringList args;
        const char *message;
    } cases[] = {
        {{qs("--output-dir"), clips.path(qs("in"))}, "inside"},
        {{qs("--subfolders"), qs("--output-dir"), clips.path(qs("in/converted"))}, "sub-folders"},
        {{clips.path(qs("missing"))}, "no folder"},
    };
    for (const auto &c : cases) {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(qs("VANTREL_DATA_DIR"), clips.path(qs("data")));
        cli.setProcessEnvironment(env);
        QStringList args{qs("watch"), qs("--profile"), qs("103")};
        args << c.args;
        if (!c.args.last().endsWith(qs("missing")))
            args << in();
        cli.start(qs(VANTREL_CLI_PATH), args);
        ASSERT_TRUE(cli.waitForFinished(30000));
        EXPECT_EQ(cli.exitCode(), 2) << c.message;
        EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardError()).contains(qs(c.message)))
            << c.message;
    }
}
