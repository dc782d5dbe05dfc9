#include "MediaClips.h"
#include "TestSupport.h"

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

struct Result
{
    int exitCode = -1;
    QStringList lines; // stdout
    QString err;
};

class ConvertCli : public ::testing::Test
{
protected:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(qs("VANTREL_DATA_DIR"), data.path());
        return env;
    }

    void startCli(QProcess &cli, const QStringList &args, const QProcessEnvironment &env) const
    {
        cli.setProcessEnvironment(env);
        cli.setWorkingDirectory(clips.folder());
        cli.start(qs(VANTREL_CLI_PATH), QStringList{qs("convert")} + args);
        ASSERT_TRUE(cli.waitForStarted(10000));
    }

    Result convert(const QStringList &args)
    {
        QProcess cli;
        startCli(cli, args, environment());
        EXPECT_TRUE(cli.waitForFinished(120000));
        Result r{cli.exitCode(), {}, QString::fromUtf8(cli.readAllStandardError())};
        r.lines = QString::fromUtf8(cli.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        return r;
    }

    QString out(const char *name) const { return clips.path(qs("out/") + qs(name)); }

    MediaClips clips;
    QTemporaryDir data;
};

// ffmpeg processes anywhere on the machine that write into `folder`.
int encodersWritingInto(const QString &folder)
{
    int count = 0;
    const QStringList entries = QDir(qs("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        QFile cmdline(qs("/proc/") + entry + qs("/cmdline"));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = cmdline.readAll();
        if (text.contains("ffmpeg") && text.contains(QFile::encodeName(folder)))
            ++count;
    }
    return count;
}

// Waits until an encoder writes into `folder` and its (hidden) output holds
// some of the picture: the conversion is under way.
bool outputGrows(const QString &folder)
{
    return QTest::qWaitFor(
        [&] {
            if (encodersWritingInto(folder) == 0)
                return false;
            const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
            return std::any_of(files.cbegin(), files.cend(),
                               [](const QFileInfo &file) { return file.size() > 64 * 1024; });
        },
        60000);
}

} // namespace

TEST_F(ConvertCli, ConvertsAndPrintsOneLinePerRow)
{
    clips.video(qs("a b.avi"), 1);
    clips.video(qs("-x.avi"), 1);
    // Two at once: the same source twice still gets two names.
    const Result r =
        convert({qs("--profile"), qs("73"), qs("--output-dir"), qs("out"), qs("--jobs"), qs("2"),
                 qs("--"), qs("a b.avi"), qs("-x.avi"), qs("a b.avi")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines, (QStringList{
                           qs("OK\t") + clips.path(qs("a b.avi")) + u'\t' + out("a b.mp4"),
                           qs("OK\t") + clips.path(qs("-x.avi")) + u'\t' + out("-x.mp4"),
                           qs("OK\t") + clips.path(qs("a b.avi")) + u'\t' + out("a b_New.mp4"),
                       }));
    EXPECT_TRUE(r.err.contains(qs("Conversion completed!")));
    // Not a terminal: plain progress lines, no control codes.
    EXPECT_TRUE(r.err.contains(qs("row 1/3")));
    EXPECT_FALSE(r.err.contains(u'\x1b'));

    const Result again = convert({qs("--profile"), qs("73"), qs("--output-dir"), qs("out"),
                                  qs("--existing"), qs("overwrite"), qs("a b.avi")});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.lines.value(0).section(u'\t', 2), out("a b.mp4"));
}

// Two rows at once: each is named with its own percent, which never goes back.
TEST_F(ConvertCli, EachRunningRowIsNamedWithItsOwnPercent)
{
    clips.video(qs("first.avi"), 4);
    clips.video(qs("second.avi"), 3);
    const Result r = convert({qs("--profile"), qs("5"), qs("--output-dir"), qs("out"), qs("--jobs"),
                              qs("2"), qs("first.avi"), qs("second.avi")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    static const QRegularExpression line(qs("^  row (\\d)/2 (\\S+): (\\d+)%"),
                                         QRegularExpression::MultilineOption);
    QMap<QString, QList<int>> percents;
    for (auto it = line.globalMatch(r.err); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        EXPECT_EQ(m.captured(2), m.captured(1) == qs("1") ? qs("first.avi") : qs("second.avi"))
            << m.captured(0);
        percents[m.captured(2)] << m.captured(3).toInt();
    }
    EXPECT_FALSE(percents.isEmpty()) << r.err;
    for (auto it = percents.cbegin(); it != percents.cend(); ++it)
        EXPECT_TRUE(std::is_sorted(it->cbegin(), it->cend())) << it.key() << r.err;
}

TEST_F(ConvertCli, SettingsFillWhatTheFlagsLeaveOut)
{
    QFile settings(data.filePath(qs("settings.dat")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Set]\noutputfolder=" + QFile::encodeName(clips.path(qs("fromsettings"))) +
                   "\nexistedfile=0\nthread=1\n");
    settings.close();
    clips.video(qs("s.avi"), 1);
    const Result r = convert({qs("--profile"), qs("96"), qs("s.avi")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines.value(0).section(u'\t', 2), clips.path(qs("fromsettings/s.mp3")));
}

TEST_F(ConvertCli, FailedRowsExitOneAndSayWhy)
{
    clips.video(qs("good.avi"), 1);
    const Result r = convert({qs("--profile"), qs("73"), qs("--output-dir"), qs("out"), qs("--set"),
                              qs("Video Size=abc"), qs("good.avi")});
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_GE(r.lines.size(), 2);
    EXPECT_TRUE(r.lines[0].startsWith(qs("Fail\t")));
    EXPECT_TRUE(r.lines[1].startsWith(qs("  The encoder failed")));
    EXPECT_TRUE(r.lines.join(u'\n').contains(qs("Invalid frame size")));

    // A sound profile on a silent film says what is missing before the
    // encoder's own words.
    clips.encoded(qs("silent.mp4"),
                  {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=s=160x120:d=1"), qs("-an")});
    const Result silent =
        convert({qs("--profile"), qs("96"), qs("--output-dir"), qs("out"), qs("silent.mp4")});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_EQ(silent.lines.value(1), qs("  The source has no sound to convert."));
}

TEST_F(ConvertCli, CtrlCCancelsAndLeavesNoEncoder)
{
    clips.video(qs("long.avi"), 30);
    QProcess cli;
    // x264 at 1280x720: slow enough to be interrupted.
    startCli(cli, {qs("--profile"), qs("5"), qs("--output-dir"), qs("out"), qs("long.avi")},
             environment());
    ASSERT_TRUE(outputGrows(clips.path(qs("out"))));
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(30000));
    EXPECT_EQ(cli.exitCode(), 130);
    const QString stdoutText = QString::fromUtf8(cli.readAllStandardOutput());
    EXPECT_TRUE(stdoutText.startsWith(qs("Cancel\t"))) << stdoutText.toStdString();
    EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardError())
                    .contains(qs("Conversion Canceled by the user!")));
    EXPECT_EQ(encodersWritingInto(clips.path(qs("out"))), 0);
    EXPECT_TRUE(QFile::exists(out("long.mp4"))); // finished, not torn
}

// Ended by the system or by its terminal going, nobody saw a Cancel: the
// running row's partial output goes instead of taking its name.
TEST_F(ConvertCli, EndedBySignalLeavesNoPartialOutput)
{
    clips.video(qs("long.avi"), 30);
    for (const int signal : {SIGHUP, SIGTERM}) {
        SCOPED_TRACE(signal);
        QProcess cli;
        startCli(cli, {qs("--profile"), qs("5"), qs("--output-dir"), qs("out"), qs("long.avi")},
                 environment());
        ASSERT_TRUE(outputGrows(clips.path(qs("out"))));
        ::kill(static_cast<pid_t>(cli.processId()), signal);
        ASSERT_TRUE(cli.waitForFinished(30000));
        EXPECT_EQ(cli.exitCode(), 128 + signal);
        EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardOutput()).startsWith(qs("Cancel\t")));
        EXPECT_EQ(encodersWritingInto(clips.path(qs("out"))), 0);
        EXPECT_TRUE(QDir(clips.path(qs("out"))).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

// Killed outright, the command takes its encoder with it, and nothing
// unfinished stands under the output's name.
TEST_F(ConvertCli, KilledItLeavesNoEncoderAndNoFile)
{
    clips.video(qs("long.avi"), 30);
    QProcess cli;
    startCli(cli, {qs("--profile"), qs("5"), qs("--output-dir"), qs("out"), qs("long.avi")},
             environment());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return encodersWritingInto(clips.path(qs("out"))) > 0; }, 30000));
    ::kill(static_cast<pid_t>(cli.processId()), SIGKILL);
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return encodersWritingInto(clips.path(qs("out"))) == 0; }, 5000));
    EXPECT_FALSE(QFile::exists(out("long.mp4")));
}

// A name with a line break stays one record; the end says what came of the rows.
TEST_F(ConvertCli, OddNamesStayOneRecordAndTheEndIsSummed)
{
    clips.video(qs("two\nlines.avi"), 1);
    writeFile(clips.path(qs("noise.avi")), QByteArray(20000, 'x'));
    const Result r = convert({qs("--profile"), qs("73"), qs("--output-dir"), qs("out"),
                              qs("two\nlines.avi"), qs("noise.avi")});
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_FALSE(r.lines.isEmpty());
    EXPECT_EQ(r.lines[0], qs("OK\t") + clips.folder() + qs("/two\\nlines.avi\t") +
                              clips.path(qs("out/two\\nlines.mp4")));
    EXPECT_TRUE(r.err.contains(qs("Conversion completed!\n1 converted, 1 failed\n")))
        << r.err.toStdString();
    // This run's statistics file went with it.
    EXPECT_TRUE(QDir(data.path()).entryList({qs("curconvert*")}).isEmpty());

    const Result none = convert({qs("--profile"), qs("73"), qs("noise.avi")});
    EXPECT_FALSE(none.err.contains(qs("Conversion completed!")));
    EXPECT_TRUE(none.err.contains(qs("0 converted, 1 failed")));
}

TEST_F(ConvertCli, MissingToolsAndBadArguments)
{
    clips.video(qs("a.avi"), 1);
    QProcessEnvironment noTools = environment();
    noTools.insert(qs("PATH"), clips.path(qs("empty")));
    QProcess cli;
    startCli(cli, {qs("--profile"), qs("73"), qs("a.avi")}, noTools);
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_EQ(cli.exitCode(), 2);
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    EXPECT_TRUE(err.contains(qs("\"ffmpeg\""))) << err.toStdString();
    EXPECT_TRUE(err.contains(qs("apt-get install ffmpeg")));

    for (const QStringList &args :
         {QStringList{qs("--profile"), qs("73")}, QStringList{qs("a.avi")},
          QStringList{qs("--profile"), qs("73"), qs("--existing"), qs("maybe"), qs("a.avi")},
          QStringList{qs("--profile"), qs("0"), qs("a.avi")}}) {
        const Result r = convert(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.lines.isEmpty());
        EXPECT_TRUE(r.err.startsWith(qs("vantrel-cli: ")));
    }
}

// A settings file that is no file, or holds values out of range, never hangs
// or fails the batch: the defaults (or the nearest allowed value) are used,
// and one line on stderr says so.
TEST_F(ConvertCli, BadSettingsAreSetRightAndToldOnce)
{
    clips.video(qs("a.avi"), 1);
    const QString settings = data.filePath(qs("settings.dat"));
    const auto fifo = [&] {
        EXPECT_EQ(::mkfifo(QFile::encodeName(settings).constData(), 0600), 0);
    };
    const auto link = [&] {
        QFile::link(qs("/dev/zero"), settings);
    };
    const auto huge = [&] {
        writeFile(settings, QByteArray(2 * 1024 * 1024, '\n'));
    };
    const auto threads = [&](const char *count) {
        return [&settings, count] {
            writeFile(settings, QByteArray("[Set]\nthread=") + count);
        };
    };
    const auto folder = [&] {
        writeFile(settings, "[Set]\noutputfolder=/" + QByteArray(200000, 'f') + "\n");
    };
    const struct
    {
        const char *what;
        std::function<void()> make;
        int exitCode;
        const char *told; // in the one stderr line, or the row's reason
    } cases[] = {
        {"a FIFO", fifo, 0, "is not a regular file"},
        {"a link to /dev/zero", link, 0, "is not a regular file"},
        {"2 MB", huge, 0, "is larger than 1024 kB"},
        {"a trillion threads", threads("1000000000000"), 0, "outside 0 to 8; 8 is used"},
        {"negative threads", threads("-3"), 0, "outside 0 to 8; 0 is used"},
        {"a folder longer than a path", folder, 1, "200001 characters long, longer than a path"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(settings);
        c.make();
        const QStringList args = {qs("--profile"), qs("73"), qs("a.avi")};
        const Result r =
            convert(c.exitCode == 0 ? QStringList{qs("--output-dir"), qs("out")} + args : args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        const QString told = r.err + r.lines.join(u'\n');
        EXPECT_EQ(told.count(qs(c.told)), 1) << told;
        EXPECT_LT(told.size(), 2000);
    }
}

// A missing file fails its own row and the others convert; a group header or
// a number that is no entry is refused at once, naming the option.
TEST_F(ConvertCli, MistakesFailTheirRowOrAreRefusedAtOnce)
{
    clips.video(qs("a.avi"), 1);
    clips.video(qs("b.avi"), 1);
    const Result r = convert({qs("--profile"), qs("73"), qs("--output-dir"), qs("out"), qs("a.avi"),
                              qs("gone.avi"), qs("b.avi")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.lines.value(0).section(u'\t', 0, 0), qs("OK"));
    EXPECT_EQ(r.lines.value(1), qs("Fail\t") + clips.path(qs("gone.avi")) + u'\t');
    EXPECT_TRUE(r.lines.value(2).contains(qs("does not exist")));
    EXPECT_EQ(r.lines.value(3).section(u'\t', 0, 0), qs("OK"));
    EXPECT_TRUE(r.err.contains(qs("2 converted, 1 failed")));

    const struct
    {
        const char *profile;
        const char *told;
    } refused[] = {
        {"1", "--profile 1 is the group \"Apple iPad\", not a profile; the profiles beside it are "
              "2 \"Apple iPad MPEG-4 Movie(*.mp4)\"; vantrel-cli profiles lists them all"},
        {"12", "the profiles beside it are 11 \"Apple iPod Touch MPEG-4 Movie(*.mp4)\" and 13"},
        {"x", "--profile takes an entry number, a whole number from 1 to 111, not \"x\""},
    };
    for (const auto &c : refused) {
        const Result no = convert({qs("--profile"), qs(c.profile), qs("a.avi")});
        EXPECT_EQ(no.exitCode, 2) << c.profile;
        EXPECT_TRUE(no.err.contains(qs(c.told))) << no.err;
        EXPECT_FALSE(no.err.contains(qs("row 1"))) << no.err; // nothing ran
    }
    const Result jobs = convert({qs("--profile"), qs("73"), qs("--jobs"), qs("0"), qs("a.avi")});
    EXPECT_EQ(jobs.exitCode, 2);
    EXPECT_TRUE(jobs.err.contains(qs("--jobs takes a whole number from 1 to"))) << jobs.err;

    // A clip for every file: a time that is none is refused, an end before
    // the start too; a file shorter than the start fails its row.
    const struct
    {
        QStringList clip;
        int exitCode;
        const char *told;
    } clipped[] = {
        {{qs("--start"), qs("1:xx")}, 2, "--start takes a time like 0:01:30 or seconds"},
        {{qs("--start"), qs("0:00:02"), qs("--end"), qs("1")}, 2, "is not after its start"},
        {{qs("--start"), qs("5")}, 1, "The clip starts at 0:00:05, past the end of the source"},
    };
    for (const auto &c : clipped) {
        const Result r =
            convert(QStringList{qs("--profile"), qs("73"), qs("--output-dir"), qs("out")} + c.clip +
                    QStringList{qs("a.avi")});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.told;
        EXPECT_TRUE(QString(r.err + r.lines.join(u'\n')).contains(qs(c.told))) << r.err;
    }
}

// The README's recipe for many machines, run on this one: GNU parallel hands
// the files to several vantrel-cli at once on one output folder. Every file
// converts once, a clash between two runs takes the "_New" name, and the
// records join into one list.
TEST_F(ConvertCli, ParallelRunsShareOneOutputFolder)
{
    if (QStandardPaths::findExecutable(qs("parallel")).isEmpty())
        GTEST_SKIP() << "GNU parallel is not installed";
    const QStringList files = {qs("a.avi"), qs("a.mkv"), qs("b.avi"), qs("c.avi")};
    for (const QString &file : files)
        clips.video(file, 1);
    QProcess parallel;
    parallel.setProcessEnvironment(environment());
    parallel.setWorkingDirectory(clips.folder());
    parallel.start(qs("parallel"),
                   QStringList{qs("--will-cite"), qs("-j2"), qs("-n"), qs("1"),
                               qs(VANTREL_CLI_PATH), qs("convert"), qs("--profile"), qs("73"),
                               qs("--output-dir"), qs("out"), qs("--"), qs(":::")} +
                       files);
    ASSERT_TRUE(parallel.waitForFinished(120000));
    EXPECT_EQ(parallel.exitCode(), 0) << parallel.readAllStandardError().toStdString();
    QStringList records =
        QString::fromUtf8(parallel.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    records.sort();
    QStringList sources;
    QStringList outputs;
    for (const QString &record : std::as_const(records)) {
        EXPECT_EQ(record.section(u'\t', 0, 0), qs("OK")) << record;
        sources << QFileInfo(record.section(u'\t', 1, 1)).fileName();
        outputs << QFileInfo(record.section(u'\t', 2, 2)).fileName();
    }
    sources.sort();
    outputs.sort();
    QStringList expectedSources = files;
    expectedSources.sort();
    EXPECT_EQ(sources, expectedSources);
    EXPECT_EQ(outputs, (QStringList{qs("a.mp4"), qs("a_New.mp4"), qs("b.mp4"), qs("c.mp4")}));
    EXPECT_EQ(QDir(out("")).entryList(QDir::Files | QDir::Hidden), outputs);
}

// `command --as-run` prints the arguments a batch starts the encoder with:
// an old entry's (codecs, "-b:v", the fitted picture, threads before the
// output), today's entries' after reading their source (an interlaced one is
// deinterlaced), a copy's and a sound entry's, and the passes of a fit and
// of a loudness target known before any ran.
TEST_F(ConvertCli, CommandAsRunIsWhatTheBatchStarts)
{
    const QString film = clips.video(qs("film.avi"), 1);
    const QString interlaced = clips.encoded(
        qs("tv.mpg"), {qs("-f"), qs("lavfi"), qs("-i"),
                       qs("testsrc=s=160x120:r=25:d=1,tinterlace=mode=interleave_top,setfield=tff"),
                       qs("-c:v"), qs("mpeg2video"), qs("-flags"), qs("+ilme+ildct")});
    // Too much for 60 kB at the profile's quality: both passes of a fit run.
    const QString motion = clips.encoded(
        qs("motion.mkv"), {qs("-f"), qs("lavfi"), qs("-i"), qs("mandelbrot=s=320x180:r=25"),
                           qs("-t"), qs("2"), qs("-c:v"), qs("libx264"), qs("-crf"), qs("5")});
    const struct
    {
        const char *entry;
        QString source;
        const char *output;
        QStringList sheet;
        int known; // passes whose arguments are known before any ran
    } cases[] = {{"2", film, "film.mp4", {}, 1},
                 {"103", interlaced, "tv.mp4", {}, 1},
                 {"108", film, "film.mp4", {}, 1},
                 {"96", film, "film.mp3", {}, 1},
                 {"103", motion, "motion.mp4", {qs("--fit-size"), qs("60kB")}, 2},
                 {"103", film, "film.mp4", {qs("--loudness"), qs("-16")}, 1}};
    QProcessEnvironment logging = environment();
    logging.insert(qs("QT_LOGGING_RULES"), qs("vantrel.tools.info=true"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.entry);
        QProcess command;
        command.setProcessEnvironment(environment());
        command.start(qs(VANTREL_CLI_PATH),
                      QStringList{qs("command"), qs("--profile"), qs(c.entry), qs("--source"),
                                  c.source, qs("--output"), out(c.output), qs("--threads"), qs("2"),
                                  qs("--as-run")} +
                          c.sheet);
        ASSERT_TRUE(command.waitForFinished(60000));
        ASSERT_EQ(command.exitCode(), 0) << command.readAllStandardError().toStdString();
        // Each printed pass, read back by a shell; a comment line says what it does.
        QList<QStringList> printed;
        for (const QString &line :
             QString::fromUtf8(command.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(u'#'))
                continue;
            QProcess shell;
            shell.start(qs("sh"), {qs("-c"), qs("printf '%s\\n' ") + line});
            ASSERT_TRUE(shell.waitForFinished(10000));
            printed << QString::fromUtf8(shell.readAllStandardOutput())
                           .split(u'\n', Qt::SkipEmptyParts);
        }

        QProcess cli;
        startCli(cli,
                 QStringList{qs("--profile"), qs(c.entry), qs("--output-dir"), qs("out"),
                             qs("--threads"), qs("2"), c.source} +
                     c.sheet,
                 logging);
        ASSERT_TRUE(cli.waitForFinished(120000));
        // The encoder's passes as the tools log tells them (no blank in these
        // names), not the reading of the source or the check of the output.
        static const QRegularExpression start(qs("start: \"([^\"]+)\" (-hide_banner -[ny] .*)$"),
                                              QRegularExpression::MultilineOption);
        QList<QStringList> ran;
        for (QRegularExpressionMatchIterator it =
                 start.globalMatch(QString::fromUtf8(cli.readAllStandardError()));
             it.hasNext();) {
            const QRegularExpressionMatch started = it.next();
            ran << QStringList{started.captured(1)} + started.captured(2).split(u' ');
        }
        // The fit may run its last pass again at another rate.
        ASSERT_GE(ran.size(), printed.size());
        ran = ran.mid(0, printed.size());
        ASSERT_EQ(printed.size(), c.known);
        // The batch writes a hidden name first (and the next free one when
        // taken), and statistics of its own.
        for (QList<QStringList> *passes : {&printed, &ran}) {
            for (QStringList &args : *passes) {
                // A measuring pass writes nothing.
                const qsizetype stats = args.indexOf(qs("-vstats_file"));
                if (stats > 1) {
                    args[stats - 1] = qs("OUT");
                    args[stats + 1] = qs("STATS");
                }
                const qsizetype passLog = args.indexOf(qs("-passlogfile"));
                if (passLog > 0)
                    args[passLog + 1] = qs("PASSLOG");
            }
        }
        EXPECT_EQ(printed, ran);
    }
}
