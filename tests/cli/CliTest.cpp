#include "MediaClips.h"
#include "TestSupport.h"

#include "core/profiles/ProfileCatalogue.h"

#include <QProcess>
#include <QTemporaryDir>

namespace {

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the real vantrel-cli with its data folder in `dataDir`.
CliRun runCli(const QStringList &args, const QString &dataDir = QString())
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!dataDir.isEmpty())
        env.insert(qs("VANTREL_DATA_DIR"), dataDir);
    process.setProcessEnvironment(env);
    process.start(qs(VANTREL_CLI_PATH), args);
    EXPECT_TRUE(process.waitForFinished(30000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList lines(const QString &text)
{
    QStringList out = text.split(u'\n');
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

void expectUsageError(const CliRun &run)
{
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_EQ(lines(run.err).size(), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith(qs("vantrel-cli: "))) << run.err.toStdString();
}

const QStringList kWorkedExample = {
    qs("command"),
    qs("--profile"),
    qs("2"),
    qs("--set"),
    qs("Video Codec=xvid"),
    qs("--set"),
    qs("Video Size=320x240"),
    qs("--set"),
    qs("Video Bitrate=256"),
    qs("--set"),
    qs("Video Framerate=29.97"),
    qs("--source"),
    qs("D:\\v\\a b.avi"),
    qs("--output"),
    qs("D:\\out\\a b.mp4"),
    qs("--end"),
    qs("0:03:25"),
    qs("--threads"),
    qs("2"),
    qs("--encoder"),
    qs("C:\\Conv\\fp.dll"),
    qs("--stats-file"),
    qs("C:\\Conv\\curconvert.log"),
};

} // namespace

TEST(Cli, ProfilesListsEveryEntry)
{
    const CliRun run = runCli({qs("profiles")});
    ASSERT_EQ(run.exitCode, 0);
    const QStringList rows = lines(run.out);
    // The catalogue, entry by entry: groups with their picture's number.
    ASSERT_EQ(rows.size(), qsizetype(vantrel::profileCatalogue().size()));
    for (const vantrel::CatalogueEntry &entry : vantrel::profileCatalogue()) {
        QString expected = QStringLiteral("%1\t%2\t%3")
                               .arg(entry.number)
                               .arg(entry.isGroup() ? qs("group") : qs("profile"))
                               .arg(entry.captionText());
        if (entry.isGroup())
            expected += u'\t' + QString::number(entry.picture);
        EXPECT_EQ(rows.value(entry.number - 1), expected);
    }
    expectUsageError(runCli({qs("profiles"), qs("extra")}));
}

TEST(Cli, SheetAppliesPicksInOrder)
{
    const CliRun built = runCli({qs("sheet")});
    ASSERT_EQ(built.exitCode, 0);
    const QStringList rows = lines(built.out);
    ASSERT_EQ(rows.size(), 20);
    for (const QString &row : rows)
        EXPECT_EQ(row.count(u'\t'), 3) << row.toStdString();
    EXPECT_EQ(rows[0], qs("General\tItem Name\tAuto\t"));
    EXPECT_EQ(rows[4], qs("Video Options\tVideo Codec\txvid\txvid|mpeg4|x264"));

    const CliRun picked = runCli({qs("sheet"), qs("29"), qs("30"), qs("38")});
    ASSERT_EQ(picked.exitCode, 0);
    const QStringList after = lines(picked.out);
    EXPECT_EQ(after[5], qs("Video Options\tVideo Size\t720x576\t"));
    EXPECT_EQ(after[6], qs("Video Options\tVideo Bitrate\t512\t48|64|128|192|256|512|768|1000|"
                           "1500|1152|2500|2000|2500|3000|2000|2500|3000"));

    expectUsageError(runCli({qs("sheet"), qs("0")}));
    expectUsageError(runCli({qs("sheet"), qs("abc")}));
    expectUsageError(runCli({qs("sheet"), qs("112")}));
}

TEST(Cli, CommandReproducesTheWorkedExample)
{
    const CliRun run = runCli(kWorkedExample);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              qs("\"C:\\Conv\\fp.dll\" -i \"D:\\v\\a b.avi\" -f mp4 -vcodec  libxvid  -aspect 4:3 "
                 "  -ab 128000  -ac 2 -ar 44100 -b 256000 -r 29.97 -ss 0 -t 205 -s 320x240"
                 " -aspect 4:3 -acodec libfaac \"D:\\out\\a b.mp4\" -threads 2 -vstats_file "
                 "\"C:\\Conv\\curconvert.log\"\n"));
}

TEST(Cli, CommandAppliesEarlierPicksThenTheProfileThenTheSets)
{
    // 37 sets no frame rate: the one of 29 stays.
    const CliRun run = runCli({qs("command"),
                               qs("--apply"),
                               qs("29"),
                               qs("--profile"),
                               qs("37"),
                               qs("--set"),
                               qs("Disable Audio=Yes"),
                               qs("--source=-x.avi"),
                               qs("--output"),
                               qs("-x.wmv"),
                               qs("--start"),
                               qs("0:00:30"),
                               qs("--end"),
                               qs("0:01:00"),
                               qs("--encoder"),
                               qs("ffmpeg"),
                               qs("--stats-file"),
                               qs("s.log"),
                               qs("--threads"),
                               qs("abc")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, qs("\"ffmpeg\" -i \"-x.avi\"  -vcodec wmv2 -b 768000 -r 29.976 -ss 30 -t 30"
                          " -s 320x240 -acodec wmav2  -an \"-x.wmv\" -threads 0 -vstats_file "
                          "\"s.log\"\n"));
}

TEST(Cli, CommandDefaultsComeFromTheDataFolder)
{
    QTemporaryDir data;
    QFile settings(data.filePath(qs("settings.dat")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Set]\nthread=3\n");
    settings.close();
    const CliRun run =
        runCli({qs("command"), qs("--profile"), qs("96"), qs("--source"), qs("a.wav"),
                qs("--output"), qs("a.mp3"), qs("--end"), qs("0:00:01")},
               data.path());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(qs(" -threads 3 -vstats_file \"") + data.path() +
                                 qs("/curconvert.log\"\n")))
        << run.out.toStdString();
}

TEST(Cli, RefusesWhatCannotBeBuilt)
{
    const QStringList base = {qs("command"), qs("--source"), qs("a"), qs("--output"), qs("b")};
    const QStringList end = {qs("--end"), qs("0:00:10")};
    expectUsageError(runCli(base + QStringList{qs("--profile"), qs("1")} + end));
    expectUsageError(runCli(base + QStringList{qs("--profile"), qs("95")} + end));
    expectUsageError(runCli(base + QStringList{qs("--profile"), qs("2")})); // no --end
    expectUsageError(
        runCli(base + QStringList{qs("--profile"), qs("2"), qs("--end"), qs("25:00:00")}));
    expectUsageError(
        runCli(base + QStringList{qs("--profile"), qs("2"), qs("--start"), qs("x")} + end));
    expectUsageError(runCli(
        base + QStringList{qs("--profile"), qs("2"), qs("--set"), qs("Audio Bitrate=lots")} + end));
    expectUsageError(runCli(
        base + QStringList{qs("--profile"), qs("2"), qs("--set"), qs("Audio Channel=99999")} +
        end));
    expectUsageError(
        runCli(base + QStringList{qs("--profile"), qs("2"), qs("--set"), qs("Colour=red")} + end));
    expectUsageError(
        runCli(base + QStringList{qs("--profile"), qs("2"), qs("--set"), qs("Item Name=x")} + end));
    expectUsageError(
        runCli(base + QStringList{qs("--profile"), qs("2"), qs("--apply"), qs("0")} + end));
    expectUsageError(runCli(base + QStringList{qs("--profile"), qs("2"), qs("--bogus")} + end));
    expectUsageError(runCli({qs("frobnicate")}));
    expectUsageError(runCli({}));
    // A clip that ends before it starts; one past the end of its source, as
    // the batch would run it (with or without a size to fit).
    expectUsageError(runCli(base + QStringList{qs("--profile"), qs("2"), qs("--start"),
                                               qs("0:00:08"), qs("--end"), qs("0:00:02")}));
    MediaClips clips;
    const QString clip = clips.video(qs("short.avi"), 2);
    for (const QStringList &asRun :
         {QStringList{qs("--start"), qs("0:00:06"), qs("--end"), qs("0:00:09")},
          QStringList{qs("--start"), qs("0:00:01"), qs("--end"), qs("0:00:09")},
          QStringList{qs("--start"), qs("0:00:06"), qs("--end"), qs("0:00:09"), qs("--fit-size"),
                      qs("1MB")}}) {
        SCOPED_TRACE(asRun.join(u' ').toStdString());
        expectUsageError(
            runCli(QStringList{qs("command"), qs("--as-run"), qs("--profile"), qs("103"),
                               qs("--source"), clip, qs("--output"), clips.path(qs("out.mp4"))} +
                   asRun));
    }
}

// `command --as-run` with an encoder that is not there still prints the
// command and ends: the encoder's answer never comes before the command waits.
TEST(Cli, AsRunWithAMissingEncoderEnds)
{
    const QTemporaryDir data;
    const CliRun run = runCli({qs("command"), qs("--profile"), qs("2"), qs("--source"), qs("a.avi"),
                               qs("--output"), qs("b.mp4"), qs("--encoder"),
                               qs("/nonexistent/ffmpeg"), qs("--as-run")},
                              data.path());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(qs("/nonexistent/ffmpeg -hide_banner -n -i a.avi ")))
        << run.out.toStdString();
}

TEST(Cli, EveryCommandHasHelp)
{
    for (const char *command : {"profiles", "sheet", "command"}) {
        const CliRun run = runCli({qs(command), qs("--help")});
        EXPECT_EQ(run.exitCode, 0) << command;
        EXPECT_TRUE(run.out.startsWith(qs("Usage: vantrel-cli ") + qs(command))) << command;
    }
    const CliRun top = runCli({qs("--help")});
    EXPECT_EQ(top.exitCode, 0);
    EXPECT_TRUE(top.out.contains(qs("command")));
}
