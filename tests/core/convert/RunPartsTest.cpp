#include "TestSupport.h"

#include "core/convert/batch/OutputNaming.h"
#include "core/convert/batch/ProgressTicker.h"
#include "core/convert/batch/TimeLeft.h"
#include "core/convert/checks/EncoderStatus.h"
#include "core/convert/checks/OutputJudgement.h"
#include "core/convert/command/CommandBuilder.h"
#include "core/convert/command/EncoderArguments.h"
#include "core/convert/command/EncoderList.h"
#include "core/convert/command/PictureFit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <set>

using namespace vantrel;

namespace {

// Lines as the installed encoder writes them with -vstats_file.
const char kStatsLines[] = "out=  0 st=  0 frame=     1 q= 2.0 f_size=   2714 s_size=        3kB "
                           "time= 0.000 br=     0.0kbits/s avg_br=     0.0kbits/s type= I\n"
                           "out=  0 st=  0 frame=    24 q= -1.0 f_size=     86 s_size=        6kB "
                           "time= 0.880 br=    17.2kbits/s avg_br=    51.7kbits/s type= P\n";

} // namespace

TEST(ConversionProgress, LastCompleteLineOfLfAndCrLfText)
{
    const struct
    {
        QByteArray text;
        const char *line;
    } cases[] = {
        {"a\nb\n", "b"},
        {"a\r\nb\r\n", "b"},
        {"a\r\nb\r\nhalf a li", "b"}, // the last line is still being written
        {"abc", ""},
        {"", ""},
        {"\n", ""},
        {"only\n", "only"},
        {"x\r\n\r\n", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(lastCompleteLine(c.text), qs(c.line)) << c.text.toStdString();
}

TEST(ConversionProgress, EncodedTimeIsReadByItsKey)
{
    EXPECT_EQ(encodedSecondsOfStatsLine(lastCompleteLine(kStatsLines)), 0.88);
    // The old layout without out= and st= reads the same.
    EXPECT_EQ(encodedSecondsOfStatsLine(qs("frame= 250 q= 2.0 f_size= 9 s_size= 10kB time= 10.000 "
                                           "br= 1.0kbits/s avg_br= 1kbits/s type= P")),
              10.0);
    EXPECT_EQ(encodedSecondsOfStatsLine(qs("time=12.5 br=1")), 12.5);
    EXPECT_FALSE(encodedSecondsOfStatsLine(qs("frame= 1 q= 2.0")).has_value());
    EXPECT_FALSE(encodedSecondsOfStatsLine(QString()).has_value());
    EXPECT_FALSE(encodedSecondsOfStatsLine(qs("xtime= 3.0")).has_value());
}

TEST(ConversionProgress, EncodedTimeFromTheEncoderStatusOutput)
{
    const QString status =
        qs("size=       0kB time=-577014:32:22.77 bitrate=N/A speed=N/A    \r"
           "size=       0kB time=00:00:00.00 bitrate=N/A speed=   0x    \r"
           "size=      16kB time=00:01:02.01 bitrate=  65.7kbits/s speed= 167x    \n");
    EXPECT_DOUBLE_EQ(*encodedSecondsOfStatusText(status), 62.01);
    EXPECT_FALSE(encodedSecondsOfStatusText(qs("Input #0, lavfi")).has_value());
}

// The size a status line gives, as FFmpeg 6 and older write it (kB) and as
// FFmpeg 7 does (KiB): the size stop of a fitting pass and the check that
// the file holds what was written read both.
TEST(EncoderStatus, WrittenSizeInTheUnitsOfEveryFFmpeg)
{
    const struct
    {
        const char *line;
        std::optional<qint64> kilobytes;
    } cases[] = {
        {"frame=   75 fps=0.0 q=2.0 Lsize=     107kB time=00:00:03.01 bitrate= 290.3kbits/s "
         "speed=41.5x",
         107},
        // FFmpeg 7.0, as it reports the end of a run.
        {"[info] frame=    5 fps=0.0 q=-1.0 Lsize=      10KiB time=00:00:03.00 bitrate=  "
         "27.2kbits/s speed= 283x",
         10},
        {"frame=  122 fps=0.0 q=28.0 size=     256KiB time=00:00:04.80 bitrate= 437.0kbits/s "
         "speed=9.58x",
         256},
        {"size=N/A time=00:00:06.02 bitrate=N/A speed= 221x", std::nullopt},
        {"video:77KiB audio:26KiB subtitle:0KiB other streams:0KiB", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(writtenKilobytesOfStatusLine(qs(c.line)), c.kilobytes) << c.line;
    // A file far smaller than the encoder says it wrote is no complete file.
    OutputFindings findings{2048, parseEncoderReport(qs(cases[2].line) + u'\n')};
    EXPECT_EQ(judgeOutput(OutputRequest(), findings).text,
              qs("The output file holds 2 kB, but the encoder wrote 256 kB."));
}

TEST(ConversionProgress, PercentRoundsHalfToEven)
{
    const struct
    {
        double encoded;
        int duration;
        int percent;
    } cases[] = {{10.0, 40, 25}, {10.02, 40, 25}, {20.1, 201, 10}, {0.5, 4, 12},
                 {1.5, 4, 38},   {0, 40, 0},      {50, 40, 125},   {3, -30, -10}};
    for (const auto &c : cases)
        EXPECT_EQ(filePercent(c.encoded, c.duration), c.percent) << c.encoded << "/" << c.duration;
    EXPECT_FALSE(filePercent(3, 0).has_value());
}

TEST(ConversionProgress, TimeLeftKnowsEachRowsStages)
{
    const struct
    {
        const char *what;
        BatchProgress progress;
        std::optional<int> left;
    } cases[] = {
        {"nothing encoded yet", {{}, {{3, 0, 0, 20}}, {20, 20}, 1}, std::nullopt},
        {"too early to tell a speed", {{}, {{1.5, 0.5, 10, 20}}, {20}, 1}, std::nullopt},
        // 8 s reading, then 20 % of 20 s in 2 s: 8 s more for it, 8 + 10 for the next.
        {"a long reading is no slow encoding", {{}, {{10, 2, 20, 20}}, {20}, 1}, 26},
        // Measured per media second on the rows done (reading and passes included).
        {"rows done tell the cost of the rest",
         {{{6, 15}, {6, 15}}, {{1, 0, 0, 15}}, {15, 15}, 1},
         17},
        {"two at once", {{}, {{4, 4, 50, 20}, {4, 4, 50, 20}}, {20, 20}, 2}, 12},
        {"one left of two slots", {{}, {{4, 4, 50, 20}}, {}, 2}, 4},
        {"several passes: the row's percent over all of them", {{}, {{9, 9, 90, 10}}, {}, 1}, 1},
        {"all done", {{{5, 10}}, {}, {}, 1}, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(batchSecondsLeft(c.progress), c.left) << c.what;
}

TEST(ConversionProgress, TickerCountsAndReadsOnlyTheTail)
{
    QTemporaryDir dir;
    const QString stats = dir.filePath(qs("curconvert.log"));
    ProgressTicker ticker(stats);
    QSignalSpy elapsed(&ticker, &ProgressTicker::elapsedTextChanged);
    QSignalSpy percent(&ticker, &ProgressTicker::filePercentChanged);

    ticker.start(4);
    EXPECT_EQ(ticker.elapsedSeconds(), 0);
    ticker.tick(); // no file yet: nothing encoded
    EXPECT_EQ(elapsed.takeLast().at(0).toString(), qs("0:00:01"));
    EXPECT_EQ(percent.takeLast().at(0).toInt(), 0);

    QFile file(stats);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // A large file: only its end is read.
    const QByteArray filler(200000, 'x');
    file.write(filler + "\n" + kStatsLines);
    file.flush();
    ticker.tick();
    EXPECT_EQ(percent.takeLast().at(0).toInt(), 22); // 0.88 of 4 s
    ticker.tick();
    EXPECT_TRUE(percent.isEmpty()); // sent only when it changes

    file.write("out= 0 st= 0 frame= 200 q= 1 f_size= 1 s_size= 1kB time= 8.000 br= 1 avg_br= 1 "
               "type= P\r\n");
    file.flush();
    ticker.tick();
    EXPECT_EQ(percent.takeLast().at(0).toInt(), 100); // shown within 0..100
    for (int i = 0; i < 61; ++i)
        ticker.tick();
    EXPECT_EQ(elapsed.takeLast().at(0).toString(), qs("0:01:05"));

    ticker.setDurationSeconds(0); // the bar keeps its value
    ticker.tick();
    EXPECT_TRUE(percent.isEmpty());
    ticker.stop();
    EXPECT_FALSE(ticker.isActive());
}

TEST(ConversionProgress, AudioOnlyProgressComesFromTheStatusOutput)
{
    QTemporaryDir dir;
    ProgressTicker ticker(dir.filePath(qs("none.log")));
    ticker.setDurationSeconds(10);
    QSignalSpy percent(&ticker, &ProgressTicker::filePercentChanged);
    ticker.setEncodedSeconds(
        encodedSecondsOfStatusText(qs("size= 16kB time=00:00:05.00 bitrate= 1\r")).value());
    EXPECT_EQ(percent.takeLast().at(0).toInt(), 50);
}

TEST(EncoderInvocation, ReadsTheEncoderList)
{
    const QString listing = qs("Encoders:\n"
                               " V..... = Video\n"
                               " A..... = Audio\n"
                               " ------\n"
                               " V....D a64multi             Multicolor charset (codec a64_multi)\n"
                               " V..... libxvid              libxvidcore MPEG-4 part 2\n"
                               " A..... aac                  AAC (Advanced Audio Coding)\n"
                               " VFS... mjpeg                MJPEG (Motion JPEG)\n");
    EXPECT_EQ(parseEncoderList(listing),
              (QSet<QString>{qs("a64multi"), qs("libxvid"), qs("aac"), qs("mjpeg")}));
    EXPECT_TRUE(parseEncoderList(QString()).isEmpty());
}

TEST(EncoderInvocation, RunArgumentsAdaptTheCommandToTheInstalledEncoder)
{
    EncoderCommandInput in;
    in.job.sourcePath = qs("/in/-a b.avi");
    in.job.profileIndex = 2;
    in.job.outputPath = qs("/out/a.mp4");
    in.job.durationSeconds = 3;
    ConversionOptions options;
    options.videoCodec = qs("xvid");
    options.videoSize = qs("320x240");
    options.videoBitrate = qs("256");
    options.videoFramerate = qs("25");
    options.aspectRatio = qs("4:3");
    options.audioCodec = qs("aac");
    options.audioBitrate = qs("128");
    options.sampleRate = qs("44100");
    options.audioChannel = qs("2");
    options.disableAudio = qs("No");
    in.job.options = options;
    in.threadSetting = qs("2");
    in.encoderPath = qs("/usr/bin/ffmpeg");
    in.statisticsPath = qs("/d/curconvert.log");
    const EncoderCommand command = buildEncoderCommand(in).value();

    const QSet<QString> installed = {qs("aac"), qs("mpeg4"), qs("libx264")};
    const QStringList args = encoderRunArguments(command, ExistingFilePolicy::AddNew, installed);
    EXPECT_EQ(args.join(u' '),
              qs("-hide_banner -n -i /in/-a b.avi -f mp4 -vcodec mpeg4 -aspect 4:3 -ab 128000 -ac "
                 "2 -ar 44100 "
                 "-b:v 256000 -r 25 -ss 0 -t 3 -s 320x240 -vf ") +
                  pictureFitFilter(320, 240, qs("4:3")) +
                  qs(",fps=25 -aspect 4:3 -acodec aac -threads 2 /out/a.mp4 -vstats_file "
                     "/d/curconvert.log"));
    // The frame's pixel shape comes from the display aspect asked for.
    EXPECT_TRUE(pictureFitFilter(320, 240, qs("4:3")).endsWith(qs("setsar=1/1")));
    EXPECT_TRUE(pictureFitFilter(720, 480, qs("16:9")).endsWith(qs("setsar=32/27")));
    EXPECT_TRUE(pictureFitFilter(720, 480, QString()).endsWith(qs("setsar=1/1")));
    EXPECT_EQ(encoderRunArguments(command, ExistingFilePolicy::Overwrite, installed).at(1),
              qs("-y"));
    // The source stays one argument.
    EXPECT_EQ(args.at(3), qs("/in/-a b.avi"));

    // Codecs that are there, or an unknown list, are left alone.
    const QStringList asBuilt = encoderRunArguments(command, ExistingFilePolicy::AddNew, {});
    EXPECT_TRUE(asBuilt.contains(qs("libfaac")));
    EXPECT_TRUE(asBuilt.contains(qs("libxvid")));
    EXPECT_TRUE(encoderRunArguments(command, ExistingFilePolicy::AddNew, {qs("libfaac"), qs("aac")})
                    .contains(qs("libfaac")));
    // No equivalent installed: nothing to replace with.
    EXPECT_TRUE(encoderRunArguments(command, ExistingFilePolicy::AddNew, {qs("x")})
                    .contains(qs("libfaac")));
}

TEST(OutputNaming, NamesAndTakenNames)
{
    using P = ExistingFilePolicy;
    const QString longBase(300, u'\u00e9'); // 600 bytes in UTF-8
    const struct
    {
        const char *source;
        P policy;
        std::set<QString> taken;   // there before the batch
        std::set<QString> claimed; // written or being written by the batch
        QString expected;
        NameClash clash;
    } cases[] = {
        {"/v/a.avi", P::AddNew, {}, {}, qs("/out/a.mp4"), NameClash::None},
        {"/v/my.holiday.avi", P::AddNew, {}, {}, qs("/out/my.mp4"), NameClash::None},
        {"/v/noext", P::AddNew, {}, {}, qs("/out/noext.mp4"), NameClash::None},
        {"/v/a.mpg", P::AddNew, {qs("/out/a.mp4")}, {}, qs("/out/a_New.mp4"), NameClash::None},
        {"/v/a.avi",
         P::AddNew,
         {qs("/out/a.mp4"), qs("/out/a_New.mp4")},
         {},
         qs("/out/a_New_New.mp4"),
         NameClash::None},
        {"/v/a.avi", P::AddNew, {}, {qs("/out/a.mp4")}, qs("/out/a_New.mp4"), NameClash::None},
        {"/v/ünï $(x) 'q'.avi", P::AddNew, {}, {}, qs("/out/ünï $(x) 'q'.mp4"), NameClash::None},
        // Overwrite replaces what was there, but not what this batch wrote.
        {"/v/a.avi", P::Overwrite, {qs("/out/a.mp4")}, {}, qs("/out/a.mp4"), NameClash::None},
        {"/v/talk.part2.avi",
         P::Overwrite,
         {qs("/out/talk.mp4")},
         {qs("/out/talk.mp4")},
         qs("/out/talk_New.mp4"),
         NameClash::SameBatch},
    };
    for (const auto &c : cases) {
        const OutputName name = outputPathFor(
            qs(c.source), qs("/out"), qs(".mp4"), c.policy,
            [&](const QString &p) { return c.taken.count(p) == 1; },
            [&](const QString &p) { return c.claimed.count(p) == 1; });
        EXPECT_EQ(name.path, c.expected) << c.source;
        EXPECT_EQ(name.clash, c.clash) << c.source;
    }

    // A name longer than the file system takes is cut on a character boundary.
    const QString fitted =
        outputPathFor(qs("/v/") + longBase + qs(".avi"), qs("/out"), qs(".mp4"), P::AddNew,
                      [](const QString &p) { return !p.contains(qs("_New_New")); })
            .path;
    EXPECT_EQ(QFile::encodeName(QFileInfo(fitted).fileName()).size(), 254);
    EXPECT_TRUE(fitted.endsWith(qs("\u00e9_New_New.mp4"))) << fitted.toStdString();
}

// The source itself, reached by a link or "..", is never the output of "overwrite".
TEST(OutputNaming, OverwriteNeverNamesTheSource)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(qs("holiday.mp4"));
    writeFile(source, "source");
    QDir(dir.path()).mkpath(qs("other"));
    QFile::link(source, dir.filePath(qs("link.mp4")));
    QFile::link(source, dir.filePath(qs("other/holiday.mp4")));
    const struct
    {
        QString source;
        QString folder;
    } cases[] = {
        {source, dir.path()},
        {source, dir.filePath(qs("other/.."))},
        {dir.filePath(qs("link.mp4")), dir.path()},
        {source, dir.filePath(qs("other"))}, // a link to the source stands there
    };
    for (const auto &c : cases) {
        const OutputName name =
            outputPathFor(c.source, c.folder, qs(".mp4"), ExistingFilePolicy::Overwrite,
                          [](const QString &) { return true; });
        EXPECT_EQ(name.clash, NameClash::Source) << c.folder.toStdString();
        EXPECT_TRUE(name.path.endsWith(qs("_New.mp4"))) << name.path.toStdString();
    }
}

// The encoder's messages as it wrote them, CR-rewritten status lines included.
QString recordedRun(const char *name)
{
    const QDir here = QFileInfo(QString::fromUtf8(__FILE__)).dir();
    return QString::fromUtf8(readFile(here.filePath(qs("../../data/encoder/") + qs(name))));
}

// The file bar follows the encoder's own status lines as they come, in
// pieces as a pipe delivers them: it never goes back and never lags behind
// the time the encoder has told by a second.
TEST(ConversionProgress, FollowsTheEncodersStatusLinesOfARecordedRun)
{
    const QString run = recordedRun("x264-status-lines.txt");
    ASSERT_FALSE(run.isEmpty());
    static const QRegularExpression told(qs("time=(\\d+):(\\d+):([\\d.]+)"));
    for (const int piece : {7, 37, 4096}) {
        QTemporaryDir dir;
        ProgressTicker ticker(dir.filePath(qs("curconvert.log"))); // never written
        ticker.start(20);
        EncoderReportReader reader;
        QList<int> shown;
        QObject::connect(&ticker, &ProgressTicker::filePercentChanged, &ticker,
                         [&](int percent) { shown << percent; });
        for (qsizetype at = 0; at < run.size(); at += piece) {
            reader.add(run.mid(at, piece));
            if (const std::optional<double> seconds = reader.statusSeconds())
                ticker.setEncodedSeconds(*seconds);
            // What the encoder has told so far, by its last complete status.
            const QString so = run.left(at + piece);
            const qsizetype end = std::max(so.lastIndexOf(u'\r'), so.lastIndexOf(u'\n'));
            double last = 0;
            for (auto it = told.globalMatch(so.left(end < 0 ? 0 : end)); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                last = m.captured(1).toDouble() * 3600 + m.captured(2).toDouble() * 60 +
                       m.captured(3).toDouble();
            }
            if (!shown.isEmpty()) {
                EXPECT_LE(std::abs(shown.last() * 20 / 100.0 - last), 1.0) << piece << " " << at;
            }
        }
        ticker.tick(); // the statistics file is not read once the status has told
        EXPECT_TRUE(std::is_sorted(shown.cbegin(), shown.cend())) << piece;
        EXPECT_GE(shown.size(), piece < 100 ? 10 : 1) << piece; // a step per status line
        EXPECT_EQ(shown.value(shown.size() - 1), 100) << piece;
    }
}

TEST(OutputCheck, ReadsTheEncodersReportOfARun)
{
    // Sound taken from a Matroska file whose sound is shorter than its picture
    // (the streams' lengths only in their tags).
    const EncoderReport mkv = parseEncoderReport(recordedRun("mkv-short-sound-to-mp3.txt"));
    ASSERT_TRUE(mkv.input && mkv.output);
    EXPECT_TRUE(mkv.input->hasVideo && mkv.input->hasAudio);
    EXPECT_EQ(mkv.input->containerSeconds, 4.03);
    EXPECT_EQ(mkv.input->length(true), 1.025);
    EXPECT_EQ(mkv.input->length(false), 4.025);
    EXPECT_TRUE(!mkv.output->hasVideo && mkv.output->hasAudio);
    EXPECT_EQ(mkv.encodedSeconds, 1.04);
    EXPECT_EQ(mkv.writtenKilobytes, 9);
    EXPECT_TRUE(mkv.writeErrorLine.isEmpty() && mkv.failureLine.isEmpty());

    // A file written to a pipe: the length is a guess from the bitrate.
    const EncoderReport piped = parseEncoderReport(recordedRun("piped-mkv-to-mp4.txt"));
    ASSERT_TRUE(piped.input && piped.output);
    EXPECT_FALSE(piped.input->length(false).has_value());
    EXPECT_TRUE(piped.output->hasVideo && piped.output->hasAudio);
    EXPECT_EQ(piped.encodedSeconds, 3.01);
    EXPECT_EQ(piped.writtenKilobytes, 107);

    // A transport stream: its streams stand under a program.
    const EncoderReport ts = parseEncoderReport(recordedRun("short-ts-to-mp4.txt"));
    ASSERT_TRUE(ts.input && ts.output);
    EXPECT_TRUE(ts.input->hasVideo && !ts.input->hasAudio);
    EXPECT_EQ(ts.input->containerSeconds, 0.52);
    EXPECT_TRUE(ts.output->hasVideo);

    // A film cut off before its index: the encoder cannot open it, which
    // the row says before the encoder's words; a silent film asked for sound.
    const EncoderReport cut = parseEncoderReport(recordedRun("cut-mp4-unreadable.txt"));
    EXPECT_TRUE(cut.sourceUnreadable && !cut.input);
    EXPECT_TRUE(missingSourceStreamReason({}, cut).value_or(QString()).startsWith(
        qs("The source is damaged or no media file")));
    EXPECT_FALSE(missingSourceStreamReason({}, piped));
    OutputRequest soundOnly;
    soundOnly.soundOnly = true;
    EXPECT_FALSE(missingSourceStreamReason(soundOnly, mkv));

    // A camera clip through x264: the last packet written is a reordered
    // picture at 2.53 s, but 41 pictures at 15 a second make 2.73 s.
    const EncoderReport camera = parseEncoderReport(recordedRun("camera-mjpeg-to-h264.txt"));
    EXPECT_NEAR(camera.encodedSeconds.value_or(0), 41.0 / 15, 1e-9);

    // A full disk: the encoder's complaint, and the end it still reports.
    const EncoderReport full = parseEncoderReport(recordedRun("full-disk-mp3.txt"));
    EXPECT_TRUE(full.writeErrorLine.contains(qs("No space left on device")))
        << full.writeErrorLine.toStdString();
    EXPECT_EQ(full.failureLine, qs("Conversion failed!"));

    // A source whose header points at sound that is not in the file.
    const EncoderReport nothing = parseEncoderReport(recordedRun("truncated-m4b-to-mp4.txt"));
    ASSERT_TRUE(nothing.input && nothing.output);
    EXPECT_TRUE(nothing.input->hasAudio);
    EXPECT_EQ(nothing.encodedSeconds, 0.0);

    // Lines may arrive in pieces.
    EncoderReportReader reader;
    for (const QChar c : recordedRun("mkv-short-sound-to-mp3.txt"))
        reader.add(QString(c));
    EXPECT_EQ(reader.report().encodedSeconds, 1.04);
    EXPECT_EQ(reader.report().input->length(true), 1.025);
}

TEST(OutputCheck, EncoderLinesThatFailARow)
{
    using L = EncoderLine;
    const struct
    {
        const char *line;
        EncoderLine kind;
    } cases[] = {
        {"av_interleaved_write_frame(): No space left on device", L::WriteError},
        {"Error writing trailer of /o/a.mp4: No space left on device", L::WriteError},
        {"Error closing file /o/a.mp3: No space left on device", L::WriteError},
        {"[mp4 @ 0x55] Disk quota exceeded", L::WriteError},
        {"Conversion failed!", L::Failed},
        // A damaged source's complaints do not fail the output.
        {"[flv @ 0x56] Packet mismatch 0 371 371", L::Plain},
        {"Invalid data found when processing input", L::Plain},
        {"size=     16kB time=00:00:02.48 bitrate=  52.8kbits/s speed=39.5x", L::Plain},
    };
    for (const auto &c : cases)
        EXPECT_EQ(classifyEncoderLine(qs(c.line)), c.kind) << c.line;
    EXPECT_TRUE(encoderWroteNothing(
        qs("video:0kB audio:0kB subtitle:0kB\nOutput file is empty, nothing was encoded \n")));
    EXPECT_FALSE(encoderWroteNothing(qs("video:45kB audio:15kB")));
}

TEST(OutputCheck, JudgesTheOutputByTheFileAndWhatTheEncoderWrote)
{
    const std::optional<double> none;
    const double unknown = -1; // a stream whose length the header does not tell
    const auto facts = [](std::optional<double> video, std::optional<double> audio,
                          std::optional<double> container) {
        MediaFacts f;
        f.hasVideo = video.has_value();
        f.hasAudio = audio.has_value();
        f.videoSeconds = video.value_or(-1) >= 0 ? video : std::nullopt;
        f.audioSeconds = audio.value_or(-1) >= 0 ? audio : std::nullopt;
        f.containerSeconds = container;
        return f;
    };
    // The encoder's report: what it read, what it wrote, how long and how much.
    const auto run = [](std::optional<MediaFacts> input, std::optional<MediaFacts> output,
                        std::optional<double> seconds, qint64 kilobytes = 10) {
        EncoderReport report;
        report.input = input;
        report.output = output;
        report.encodedSeconds = seconds;
        report.writtenKilobytes = kilobytes;
        return report;
    };
    EncoderReport nothingEncoded = run(facts(3, 3, 3), facts(3, 3, none), 0.0);
    nothingEncoded.nothingEncoded = true;
    OutputRequest whole;
    OutputRequest clip;
    clip.wholeFile = false;
    clip.startSeconds = 5;
    clip.durationSeconds = 5;
    OutputRequest sound;
    sound.soundOnly = true;
    OutputRequest silent; // the sheet disables the sound
    silent.soundWanted = false;
    const qint64 kb10 = 10 * 1024;

    const struct
    {
        const char *what;
        OutputRequest request;
        OutputFindings findings;
        bool complete;
        const char *says; // a part of the text, "" for none
    } cases[] = {
        // clang-format off
        {"no file", whole, {-1, run(facts(3, 3, 3), facts(3, 3, none), 3.0)}, false, "no output file"},
        {"empty file", whole, {0, run(facts(3, 3, 3), facts(3, 3, none), 3.0)}, false, "empty"},
        {"nothing encoded", whole, {kb10, nothingEncoded}, false, "nothing to convert"},
        {"bare headers", whole, {kb10, run(facts(3, 3, 3), MediaFacts(), 1.0)}, false, "no picture and no sound"},
        {"nothing decodable", whole, {400, run(facts(none, 991, 991), facts(none, 991, none), 0.0, 0)}, false, "could decode nothing"},
        {"picture lost", whole, {kb10, run(facts(3, 3, 3), facts(none, 3, none), 3.0)}, false, "no picture"},
        {"sound lost", whole, {kb10, run(facts(3, 3, 3), facts(3, none, none), 3.0)}, false, "no sound"},
        {"silent source", whole, {kb10, run(facts(3, none, 3), facts(3, none, none), 3.0)}, true, ""},
        {"sound disabled", silent, {kb10, run(facts(3, 3, 3), facts(3, none, none), 3.0)}, true, ""},
        {"file cut short", sound, {16 * 1024, run(facts(none, 2.48, 2.48), facts(none, 2.48, none), 2.48, 40)}, false, "holds 16 kB, but the encoder wrote 40 kB"},
        {"whole file", whole, {kb10, run(facts(10, 10, 10), facts(10, 10, none), 10.0)}, true, ""},
        {"sub-second", whole, {kb10, run(facts(0.4, none, 0.4), facts(0.4, none, none), 0.4)}, true, ""},
        {"truncated source", whole, {kb10, run(facts(unknown, unknown, 46.94), facts(1, 1, none), 12.1)}, true, "12.1 s of 46.9 s"},
        {"clip of a longer file", clip, {kb10, run(facts(20, 20, 20), facts(5, 5, none), 5.0)}, true, ""},
        {"clip past the source's end", clip, {kb10, run(facts(7, 7, 7), facts(2, 2, none), 2.0)}, true, ""},
        {"short sound track", sound, {kb10, run(facts(10, 3, 10), facts(none, 3, none), 3.0)}, true, ""},
        {"no length in the header", whole, {kb10, run(facts(unknown, unknown, none), facts(3, 3, none), 3.0)}, true, ""},
        {"nothing reported", whole, {kb10, EncoderReport()}, true, ""},
        // clang-format on
    };
    for (const auto &c : cases) {
        const OutputVerdict verdict = judgeOutput(c.request, c.findings);
        EXPECT_EQ(verdict.complete, c.complete) << c.what << ": " << verdict.text.toStdString();
        EXPECT_TRUE(qstrlen(c.says) == 0 ? verdict.text.isEmpty()
                                         : verdict.text.contains(qs(c.says)))
            << c.what << ": " << verdict.text.toStdString();
    }
}
