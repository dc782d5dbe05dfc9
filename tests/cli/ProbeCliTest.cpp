#include "MediaClips.h"
#include "TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ProbeRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the real `vantrel-cli probe` in `workDir`, with `path` as PATH when given.
ProbeRun runProbe(const QStringList &args, const QString &workDir = QString(),
                  const QString &path = QString())
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!path.isNull())
        env.insert(qs("PATH"), path);
    process.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        process.setWorkingDirectory(workDir);
    process.start(qs(VANTREL_CLI_PATH), QStringList{qs("probe")} + args);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

void expectOneLineError(const ProbeRun &run, const char *mentions)
{
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_TRUE(run.err.startsWith(qs("vantrel-cli: "))) << run.err.toStdString();
    EXPECT_EQ(run.err.count(u'\n'), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(qs(mentions))) << run.err.toStdString();
}

} // namespace

TEST(CliProbe, PrintsOneLinePerFileInTheOrderGiven)
{
    MediaClips clips;
    const QString video = clips.video(qs("clip one.avi"), 3);
    const QString sound = clips.audio(qs("sound.wav"), 2);
    clips.copy(video, qs("-dash.avi"));

    // Relative names are made absolute; "--" lets a name begin with "-".
    const ProbeRun run =
        runProbe({sound, qs("missing.avi"), qs("clip one.avi"), qs("--"), qs("-dash.avi"), sound},
                 clips.folder());
    // The file that is not there is still listed, and named as the reason for exit code 1.
    const QString dir = clips.folder() + u'/';
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(run.err, qs("vantrel-cli: \"") + dir + qs("missing.avi\" does not exist.\n"));
    EXPECT_EQ(run.out, sound + qs("\t0:00:00\t0:00:02\t0x0\t\t0:00:02\n") + dir +
                           qs("missing.avi\t0:00:00\t\t0x0\t\t\n") + video +
                           qs("\t0:00:00\t0:00:03\t160x120\tMPEG-4\t0:00:03\n") + dir +
                           qs("-dash.avi\t0:00:00\t0:00:03\t160x120\tMPEG-4\t0:00:03\n") + sound +
                           qs("\t0:00:00\t0:00:02\t0x0\t\t0:00:02\n"));
}

TEST(CliProbe, TimeLimitAndUsageErrors)
{
    MediaClips clips;
    const QString fifo = clips.fifo(qs("pipe.avi"));
    // A pipe would leave the player waiting: it is refused before any starts.
    expectOneLineError(runProbe({qs("--time-limit"), qs("0.5"), fifo}), "is a pipe or a device");

    expectOneLineError(runProbe({}), "FILE");
    expectOneLineError(runProbe({qs("-x.avi")}), "x.avi");
    expectOneLineError(runProbe({qs("--time-limit"), qs("soon"), fifo}), "time-limit");

    const ProbeRun help = runProbe({qs("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(qs("Usage: vantrel-cli probe"))) << help.out.toStdString();
}

// With --tracks each file's streams follow its line: kind, codec, language,
// shape, title and flags, the role read from the title where no flag tells it.
TEST(CliProbe, TracksAreListedWithTheirLanguagesAndRoles)
{
    MediaClips clips;
    writeFile(clips.path(qs("s.srt")), "1\n00:00:00,000 --> 00:00:01,000\nHallo\n");
    const QString film = clips.encoded(
        qs("film.mkv"),
        qs("-f lavfi -i testsrc=s=160x120:r=25:d=1 -f lavfi -i sine=d=1 -f lavfi -i "
           "sine=d=1,aformat=channel_layouts=5.1 -i %1 -map 0 -map 1 -map 2 -map 3 -c:v mpeg4 "
           "-c:a aac -c:s srt -metadata:s:a:0 language=eng -metadata:s:a:1 language=deu "
           "-metadata:s:a:1 title=Commentary -metadata:s:s:0 language=deu -disposition:s:0 "
           "forced -disposition:a:0 default")
            .arg(clips.path(qs("s.srt")))
            .split(u' '));
    const ProbeRun run = runProbe({qs("--tracks"), film});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.mid(1), (QStringList{qs("track\t0\tvideo\tmpeg4\t\t160x120\t\t"),
                                         qs("track\t1\taudio\taac\teng\t1 ch\t\tdefault"),
                                         qs("track\t2\taudio\taac\tdeu\t6 ch\tCommentary\t"
                                            "commentary"),
                                         qs("track\t3\tsubtitle\tsubrip\tdeu\t\t\tforced")}))
        << run.out.toStdString();
}

TEST(CliProbe, MissingPlayerIsAUsageError)
{
    MediaClips clips;
    const QString video = clips.video(qs("clip.avi"), 1);
    QTemporaryDir emptyPath;
    expectOneLineError(runProbe({video}, QString(), emptyPath.path()), "apt-get install mplayer");
    expectOneLineError(runProbe({qs("--player"), clips.path(qs("none")), video}),
                       "is not an executable file");
}
