#include "MediaClips.h"
#include "TestSupport.h"

#include "core/common/TimeText.h"
#include "core/tools/MediaProbe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <map>
#include <memory>

using namespace vantrel;

namespace {

const QString kPlayer = qs("/usr/bin/mplayer");
const char kTestData[] = VANTREL_TESTDATA_DIR "/media";

// The row a probe result makes of a fresh SourceItem.
struct Row
{
    const char *clipStart;
    const char *clipEnd;
    const char *frameSize;
    const char *videoFormat;
    const char *videoTime;
};

void expectRow(const SourceItem &item, const Row &row, const std::string &what)
{
    EXPECT_EQ(item.clipStart, qs(row.clipStart)) << what;
    EXPECT_EQ(item.clipEnd, qs(row.clipEnd)) << what;
    EXPECT_EQ(item.frameSize, qs(row.frameSize)) << what;
    EXPECT_EQ(item.videoFormat, qs(row.videoFormat)) << what;
    EXPECT_EQ(item.videoTime, qs(row.videoTime)) << what;
    EXPECT_EQ(item.status, RowStatus::None) << what;
}

SourceItem rowOf(const ProbeFields &fields)
{
    SourceItem item;
    applyProbeFields(fields, item);
    return item;
}

const Row kFailed = {"0:00:00", "", "0x0", "", ""};

// Probes every path and waits for all results, keyed by path.
std::map<QString, ProbeResult> probeAll(MediaProbe &probe, const QStringList &paths,
                                        int timeoutMs = 30000)
{
    std::map<QString, ProbeResult> results;
    std::map<quint64, QString> tickets;
    QObject::connect(&probe, &MediaProbe::probed, &probe,
                     [&](quint64 ticket, const ProbeResult &result) {
                         EXPECT_EQ(tickets.count(ticket), 1u);
                         EXPECT_EQ(tickets[ticket], result.path);
                         EXPECT_EQ(results.count(result.path), 0u);
                         results[result.path] = result;
                     });
    for (const QString &path : paths)
        tickets[probe.probe(path)] = path;
    EXPECT_TRUE(QTest::qWaitFor([&] { return results.size() == size_t(paths.size()); }, timeoutMs));
    EXPECT_EQ(probe.pending(), 0);
    probe.disconnect(&probe);
    return results;
}

QString testDataFile(const QString &name)
{
    const QDir here = QFileInfo(QString::fromUtf8(__FILE__)).dir();
    return here.filePath(qs("../../data/tools/") + name);
}

} // namespace

TEST(ProbeCommand, ArgumentsAndText)
{
    const QStringList options = {qs("-identify"), qs("-frames"), qs("0"),   qs("-vo"),
                                 qs("null"),      qs("-ao"),     qs("null")};
    EXPECT_EQ(probeArguments(qs("/v/a b.avi")), options + QStringList{qs("/v/a b.avi")});
    // A leading dash would read as an option; other relative paths stay as given.
    EXPECT_EQ(probeArguments(qs("-x.avi")).last(), qs("./-x.avi"));
    EXPECT_EQ(probeArguments(qs("v/-x.avi")).last(), qs("v/-x.avi"));

    const CommandLine command = probeCommand(qs("/opt/my player/mplayer"), qs("/v/a \"b\".avi"));
    EXPECT_EQ(command.text(), qs("\"/opt/my player/mplayer\" -identify -frames 0 -vo null "
                                 "-ao null \"/v/a \"b\".avi\""));
    EXPECT_EQ(command.arguments(),
              QStringList{qs("/opt/my player/mplayer")} + probeArguments(qs("/v/a \"b\".avi")));
}

TEST(ProbeCommand, OneRunOverSeveralFilesIsCutPerFile)
{
    const QStringList files = {qs("/v/a.avi"), qs("-odd.avi"), qs("/v/two\nlines.mp3"),
                               qs("/v/c.avi")};
    EXPECT_EQ(probeArguments(files).mid(7), (QStringList{qs("/v/a.avi"), qs("./-odd.avi"),
                                                         qs("/v/two\nlines.mp3"), qs("/v/c.avi")}));
    // As the player prints it: the second file is no media file, and the
    // player stopped before the last.
    const QString output = qs("MPlayer 1.5 (Debian)\n"
                              "Playing /v/a.avi.\nID_VIDEO_WIDTH=160\nID_LENGTH=1.04\n\n"
                              "Playing ./-odd.avi.\nFailed to open ./-odd.avi.\n\n"
                              "Playing /v/two\nlines.mp3.\nID_LENGTH=3.00\n");
    const QStringList parts = splitProbeOutput(output, files);
    ASSERT_EQ(parts.size(), 3);
    EXPECT_EQ(parseProbeOutput(parts[0]).width, 160);
    EXPECT_FALSE(parseProbeOutput(parts[1]).playerCouldRead());
    EXPECT_EQ(parseProbeOutput(parts[2]).duration, qs("0:00:03"));
    EXPECT_TRUE(splitProbeOutput(qs("MPlayer 1.5\n"), files).isEmpty());
}

TEST(ParseProbeOutput, Table)
{
    struct Case
    {
        const char *name;
        const char *output;
        Row row;
        bool ok;
    };
    const Case cases[] = {
        {"the usual four lines",
         "ID_VIDEO_WIDTH=640\nID_VIDEO_HEIGHT=480\nID_LENGTH=205.30\nID_VIDEO_FORMAT=XVID\n",
         {"0:00:00", "0:03:25", "640x480", "XVID", "0:03:25"},
         true},
        {"CR LF line ends",
         "ID_VIDEO_WIDTH=640\r\nID_VIDEO_HEIGHT=480\r\nID_LENGTH=205.30\r\nID_VIDEO_FORMAT="
         "XVID\r\n",
         {"0:00:00", "0:03:25", "640x480", "XVID", "0:03:25"},
         true},
        {"no line end after the last line",
         "ID_VIDEO_FORMAT=H264\r\nID_LENGTH=83.4",
         {"0:00:00", "0:01:23", "0x0", "H264", "0:01:23"},
         true},
        {"keys in other letter case are ignored",
         "id_length=99\nID_VIDEO_width=5\nId_Video_Format=X\nID_LENGTH=1\n",
         {"0:00:00", "0:00:01", "0x0", "", "0:00:01"},
         true},
        {"a value stops at the second =",
         "ID_VIDEO_FORMAT=a=b=c\nID_LENGTH=7=9\nID_VIDEO_WIDTH=32=x\nID_VIDEO_HEIGHT=24=\n",
         {"0:00:00", "0:00:07", "32x24", "a", "0:00:07"},
         true},
        {"lines without = and unhandled keys are skipped",
         "Playing x.avi.\nID_VIDEO_ID=0\nID_CLIP_INFO_VALUE0=ID_LENGTH=5\n=ID_LENGTH\n"
         "[CROP] Crop area: (-vf crop=320:240:0:0).\n=========\n",
         {"0:00:00", "", "0x0", "", ""},
         true},
        {"the last line of a key wins",
         "ID_VIDEO_WIDTH=1\nID_LENGTH=10\nID_VIDEO_FORMAT=A\nID_VIDEO_WIDTH=320\nID_LENGTH=20\n"
         "ID_VIDEO_FORMAT=\n",
         {"0:00:00", "0:00:20", "320x0", "", "0:00:20"},
         true},
        {"an empty format line gives an empty format",
         "ID_VIDEO_FORMAT=\n",
         {"0:00:00", "", "0x0", "", ""},
         true},
        {"only a length: sound only",
         "ID_LENGTH=3.00\n",
         {"0:00:00", "0:00:03", "0x0", "", "0:00:03"},
         true},
        {"only a height", "ID_VIDEO_HEIGHT=144\n", {"0:00:00", "", "0x144", "", ""}, true},
        {"nothing usable", "", kFailed, true},
        {"sizes round half to even",
         "ID_VIDEO_WIDTH=640.5\nID_VIDEO_HEIGHT=  479.5 \n",
         {"0:00:00", "", "640x480", "", ""},
         true},
        {"the largest 32-bit size",
         "ID_VIDEO_WIDTH=2147483647\nID_VIDEO_HEIGHT=-2147483648\n",
         {"0:00:00", "", "2147483647x-2147483648", "", ""},
         true},
        {"lengths: leading number, rounded half to even, wrapping at a day",
         "ID_LENGTH=2.5\n",
         {"0:00:00", "0:00:02", "0x0", "", "0:00:02"},
         true},
        {"length 3.5", "ID_LENGTH=3.5", {"0:00:00", "0:00:04", "0x0", "", "0:00:04"}, true},
        {"length with a unit",
         "ID_LENGTH=12.7s",
         {"0:00:00", "0:00:13", "0x0", "", "0:00:13"},
         true},
        {"length without a number",
         "ID_LENGTH=unknown",
         {"0:00:00", "0:00:00", "0x0", "", "0:00:00"},
         true},
        {"length of 25 hours",
         "ID_LENGTH=90000",
         {"0:00:00", "1:00:00", "0x0", "", "1:00:00"},
         true},
        {"length of a day and a half plus a half second",
         "ID_LENGTH=129600.5",
         {"0:00:00", "12:00:00", "0x0", "", "12:00:00"},
         true},
        {"negative length counts back from midnight",
         "ID_LENGTH=-5",
         {"0:00:00", "23:59:55", "0x0", "", "23:59:55"},
         true},
        {"a width that is no number stops the parse",
         "ID_LENGTH=10\nID_VIDEO_FORMAT=H264\nID_VIDEO_WIDTH=abc\nID_VIDEO_HEIGHT=480\n"
         "ID_VIDEO_FORMAT=late\n",
         {"", "0:00:10", "", "H264", "0:00:10"},
         false},
        {"a height beyond 32 bits stops the parse",
         "ID_VIDEO_WIDTH=640\nID_VIDEO_HEIGHT=2147483648\nID_LENGTH=10\n",
         {"", "", "", "", ""},
         false},
        {"an empty width stops the parse",
         "ID_VIDEO_WIDTH=\nID_LENGTH=10\n",
         {"", "", "", "", ""},
         false},
        {"a width with digit grouping stops the parse",
         "ID_VIDEO_WIDTH=1,024\n",
         {"", "", "", "", ""},
         false},
    };
    for (const Case &c : cases) {
        const ProbeFields fields = parseProbeOutput(qs(c.output));
        EXPECT_EQ(fields.ok(), c.ok) << c.name;
        expectRow(rowOf(fields), c.row, c.name);
    }
}

TEST(ParseProbeOutput, HugeLengthDoesNotOverflow)
{
    // 10^48 seconds: whole days are dropped before the seconds become an integer.
    const ProbeFields fields = parseProbeOutput(qs("ID_LENGTH=1") + QString(48, u'0'));
    ASSERT_TRUE(fields.duration.has_value());
    const double ofDay = std::fmod(1e48, 86400.0);
    EXPECT_EQ(*fields.duration, timeText(static_cast<qint64>(ofDay)));
}

TEST(ParseProbeOutput, RecordedPlayerOutputOfACameraClip)
{
    QFile file(testDataFile(qs("mplayer-identify-camera-avi.txt")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QString lf = QString::fromUtf8(file.readAll());
    QString crlf = lf;
    crlf.replace(u'\n', qs("\r\n"));
    for (const QString &output : {lf, crlf}) {
        const ProbeFields fields = parseProbeOutput(output);
        EXPECT_TRUE(fields.ok()) << fields.error.toStdString();
        expectRow(rowOf(fields), {"0:00:00", "0:00:03", "320x240", "MJPG", "0:00:03"},
                  "recorded output");
    }
}

TEST(ApplyProbeFields, LeavesNameAndStatusAlone)
{
    SourceItem item;
    item.fileName = qs("/v/a.avi");
    item.status = RowStatus::Ok;
    applyProbeFields(parseProbeOutput(qs("ID_VIDEO_WIDTH=x\n")), item);
    EXPECT_EQ(item.fileName, qs("/v/a.avi"));
    EXPECT_EQ(item.status, RowStatus::Ok);
    EXPECT_TRUE(item.clipStart.isEmpty());
    EXPECT_TRUE(item.frameSize.isEmpty());
}

TEST(MediaProbe, GeneratedVideoAndSoundOnlyClips)
{
    MediaClips clips;
    const QString video = clips.video(qs("clip.avi"), 3);
    const QString wide = clips.video(qs("wide.avi"), 2, "176x144");
    const QString ogg = clips.audio(qs("sound.ogg"), 3);
    const QString mp3 = clips.audio(qs("sound.mp3"), 2);
    const QString wav = clips.audio(qs("sound.wav"), 4);
    // The player tells no length of MPEG streams (or guesses one from the
    // bitrate): ffprobe's is taken.
    const QString broadcast = clips.encoded(
        qs("broadcast.ts"), {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=s=64x48:r=25:d=10"),
                             qs("-c:v"), qs("mpeg2video"), qs("-f"), qs("mpegts")});

    MediaProbe probe(kPlayer);
    const auto results = probeAll(probe, {video, wide, ogg, mp3, wav, broadcast});
    const std::map<QString, Row> expected = {
        {video, {"0:00:00", "0:00:03", "160x120", "FMP4", "0:00:03"}},
        {wide, {"0:00:00", "0:00:02", "176x144", "FMP4", "0:00:02"}},
        {ogg, {"0:00:00", "0:00:03", "0x0", "", "0:00:03"}},
        {mp3, {"0:00:00", "0:00:02", "0x0", "", "0:00:02"}},
        {wav, {"0:00:00", "0:00:04", "0x0", "", "0:00:04"}},
        {broadcast, {"0:00:00", "0:00:10", "64x48", "0x10000002", "0:00:10"}},
    };
    for (const auto &[path, row] : expected) {
        ASSERT_EQ(results.count(path), 1u) << path.toStdString();
        EXPECT_EQ(results.at(path).outcome, ProbeResult::Outcome::Probed);
        expectRow(rowOf(results.at(path).fields), row, path.toStdString());
    }
    EXPECT_FALSE(probe.isToolMissing());
}

TEST(MediaProbe, RealWorldFiles)
{
    const std::map<QString, Row> expected = {
        {qs("asf_msmpeg4v3_wmav2_vfr.asf"), {"0:00:00", "0:00:28", "160x120", "MP43", "0:00:28"}},
        {qs("flv_sorenson_mp3_truncated.flv"),
         {"0:00:00", "0:00:47", "320x240", "FLV1", "0:00:47"}},
        {qs("ios_h263_amrnb_176x144.3gp"), {"0:00:00", "0:00:10", "176x144", "s263", "0:00:10"}},
        {qs("iphone6_rot90_568x320.mov"), {"0:00:00", "0:00:04", "568x320", "H264", "0:00:04"}},
        {qs("kodak_camera_mjpeg_320x240.avi"),
         {"0:00:00", "0:00:03", "320x240", "MJPG", "0:00:03"}},
        // Sound only, and cut short: the length comes from the header (991.21 s).
        {qs("m4b_audiobook_chapters_truncated.m4b"), {"0:00:00", "0:16:31", "0x0", "", "0:16:31"}},
        {qs("mpeg2ps_192x240_misnamed.m2v"),
         {"0:00:00", "0:00:05", "192x240", "0x10000002", "0:00:05"}},
        {qs("panasonic_camera_mjpeg.mov"), {"0:00:00", "0:00:02", "640x480", "jpeg", "0:00:02"}},
    };
    const QDir folder(QString::fromUtf8(kTestData));
    const QStringList names = folder.entryList(QDir::Files);
    if (names.isEmpty())
        GTEST_SKIP() << "no test data in " << kTestData;
    QStringList paths;
    for (const QString &name : names) {
        if (!name.endsWith(qs(".md")))
            paths.append(folder.filePath(name));
    }
    MediaProbe probe(kPlayer);
    const auto results = probeAll(probe, paths);
    for (const QString &path : paths) {
        const QString name = QFileInfo(path).fileName();
        ASSERT_EQ(expected.count(name), 1u) << "no expectation for " << name.toStdString();
        expectRow(rowOf(results.at(path).fields), expected.at(name), name.toStdString());
    }
}

TEST(MediaProbe, AwkwardFileNamesReachThePlayerWhole)
{
    MediaClips clips;
    const QString source = clips.video(qs("source.avi"), 1);
    const QStringList names = {
        qs("a b.avi"),          qs("quote \"q\" 'r'.avi"), qs("$(touch pwned).avi"),
        qs("ünïcødé 日本.avi"), qs("-dash.avi"),           qs("semi;colon&amp.avi")};
    QStringList paths;
    for (const QString &name : names)
        paths.append(clips.copy(source, name));

    MediaProbe probe(kPlayer);
    const auto results = probeAll(probe, paths);
    for (const QString &path : paths) {
        expectRow(rowOf(results.at(path).fields),
                  {"0:00:00", "0:00:01", "160x120", "FMP4", "0:00:01"}, path.toStdString());
    }
    EXPECT_FALSE(QFile::exists(clips.path(qs("pwned"))));

    // A relative name with a leading dash, from the folder it lies in.
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(clips.folder()));
    const auto relative = probeAll(probe, {qs("-dash.avi")});
    QDir::setCurrent(before);
    expectRow(rowOf(relative.at(qs("-dash.avi")).fields),
              {"0:00:00", "0:00:01", "160x120", "FMP4", "0:00:01"}, "-dash.avi");
}

TEST(MediaProbe, MissingOrUnreadableFilesFailQuietly)
{
    MediaClips clips;
    const QString text = clips.path(qs("notes.avi"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is no video\n");
    file.close();
    const QString missing = clips.path(qs("missing.avi"));

    MediaProbe probe(kPlayer);
    const auto results = probeAll(probe, {missing, text});
    for (const QString &path : {missing, text}) {
        EXPECT_EQ(results.at(path).outcome, ProbeResult::Outcome::Probed);
        expectRow(rowOf(results.at(path).fields), kFailed, path.toStdString());
    }
}

TEST(MediaProbe, TimeLimitEndsAHangingPlayer)
{
    MediaClips clips;
    const QString fifo = clips.fifo(qs("pipe.avi"));
    const QString video = clips.video(qs("clip.avi"), 1);

    MediaProbe probe(kPlayer);
    // Far more than the clip needs, even for a niced probe on a busy machine.
    probe.setTimeLimitMs(3000);
    QElapsedTimer timer;
    timer.start();
    const auto results = probeAll(probe, {fifo, video}, 30000);
    EXPECT_GE(timer.elapsed(), 2900); // the hanging one had its time
    EXPECT_EQ(results.at(fifo).outcome, ProbeResult::Outcome::TimedOut);
    expectRow(rowOf(results.at(fifo).fields), kFailed, "fifo");
    EXPECT_EQ(results.at(video).outcome, ProbeResult::Outcome::Probed);
    EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); }, 5000));
}

TEST(MediaProbe, MissingPlayerFailsEveryProbeAndSaysSo)
{
    MediaClips clips;
    const QString notAProgram = clips.path(qs("mplayer"));
    QFile file(notAProgram);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    for (const QString &player :
         {qs("/nonexistent/mplayer"), qs("no-such-player-tool"), QString(), notAProgram}) {
        MediaProbe probe(player);
        QSignalSpy missing(&probe, &MediaProbe::toolMissing);
        const auto results = probeAll(probe, {qs("/a.avi"), qs("/b.avi")});
        EXPECT_TRUE(probe.isToolMissing()) << player.toStdString();
        EXPECT_EQ(missing.count(), 1) << player.toStdString();
        for (const auto &[path, result] : results) {
            EXPECT_EQ(result.outcome, ProbeResult::Outcome::ToolMissing);
            expectRow(rowOf(result.fields), kFailed, path.toStdString());
        }
    }
}

TEST(MediaProbe, ResultsNeverComeBeforeTheTicket)
{
    MediaProbe probe(qs("/nonexistent/mplayer"));
    QSignalSpy probed(&probe, &MediaProbe::probed);
    const MediaProbe::Ticket first = probe.probe(qs("/a.avi"));
    const MediaProbe::Ticket second = probe.probe(qs("/a.avi"));
    EXPECT_NE(first, second);
    EXPECT_EQ(probed.count(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return probed.count() == 2; }, 5000));
    EXPECT_EQ(probed.at(0).at(0).value<quint64>(), first);
    EXPECT_EQ(probed.at(1).at(0).value<quint64>(), second);
}

TEST(MediaProbe, RunsAtMostMaxParallelToolsAndCancelsQuietly)
{
    MediaClips clips;
    QStringList fifos;
    for (int i = 0; i < 4; ++i)
        fifos.append(clips.fifo(QString::number(i) + qs(".avi")));
    const QString video = clips.video(qs("clip.avi"), 1);

    MediaProbe probe(kPlayer);
    probe.setMaxParallel(2);
    probe.setTimeLimitMs(0); // no limit: the pipes hang until cancelled
    QSignalSpy probed(&probe, &MediaProbe::probed);
    QList<MediaProbe::Ticket> tickets;
    for (const QString &fifo : fifos)
        tickets.append(probe.probe(fifo));
    const MediaProbe::Ticket last = probe.probe(video);

    ASSERT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).size() == 2; }, 5000));
    settle(); // no third one follows
    EXPECT_EQ(childProcesses(qs("mplayer")).size(), 2);
    EXPECT_EQ(probe.running(), 2);
    EXPECT_EQ(probe.pending(), 5);

    // Two running and two queued hanging probes go; the clip gets its turn.
    for (const MediaProbe::Ticket ticket : tickets)
        probe.cancel(ticket);
    probe.cancel(12345); // unknown: ignored
    ASSERT_TRUE(QTest::qWaitFor([&] { return probed.count() == 1; }, 10000));
    EXPECT_EQ(probed.at(0).at(0).value<quint64>(), last);
    EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); }, 5000));
    settle(); // no cancelled probe reports after all
    EXPECT_EQ(probed.count(), 1);
    EXPECT_EQ(probe.pending(), 0);
    EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); }, 5000));
}

TEST(MediaProbe, DestroyingTheProbeEndsItsTools)
{
    MediaClips clips;
    auto probe = std::make_unique<MediaProbe>(kPlayer);
    probe->setMaxParallel(3);
    for (int i = 0; i < 3; ++i)
        probe->probe(clips.fifo(QString::number(i) + qs(".avi")));
    ASSERT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).size() == 3; }, 5000));
    probe.reset();
    // The killed tools are gone as soon as the loop has reaped them.
    EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); }, 5000));
}
