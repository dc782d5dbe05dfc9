#include "CliConversion.h"

#include "core/tools/SourceFacts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

// Today's entries on real files: each converts (or copies) what the source
// holds into its container and codecs, as long as the source, with its
// metadata and chapters, the picture upright and in its shape; a copy's
// streams are the source's, packet for packet.

namespace {

// "h264 aac", the codecs of the picture and sound streams in order (an MP4's
// chapter track is no stream of the film).
QString codecsOf(const QJsonObject &facts)
{
    QStringList codecs;
    for (const QJsonValue &stream : facts.value(qs("streams")).toArray()) {
        const QString type = stream.toObject().value(qs("codec_type")).toString();
        if (type == qs("video") || type == qs("audio"))
            codecs << stream.toObject().value(qs("codec_name")).toString();
    }
    return codecs.join(u' ');
}

// The title, where the container keeps it: the file's tags, or the stream's
// (Ogg).
QString titleOf(const QJsonObject &facts)
{
    QJsonObject tags = facts.value(qs("format")).toObject().value(qs("tags")).toObject();
    if (!tags.contains(qs("title")) && !tags.contains(qs("TITLE")))
        tags = facts.value(qs("streams")).toArray().first().toObject().value(qs("tags")).toObject();
    return tags.value(qs("title")).toString() + tags.value(qs("TITLE")).toString();
}

// What the encoder decodes of a file, in seconds.
double decodedSeconds(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(qs("ffmpeg"), {qs("-i"), path, qs("-f"), qs("null"), qs("-")});
    ffmpeg.waitForFinished(60000);
    const QString text = QString::fromUtf8(ffmpeg.readAllStandardError());
    const qsizetype at = text.lastIndexOf(qs("time="));
    const QStringList hms = text.mid(at + 5, 11).split(u':');
    return hms.size() == 3 ? hms[0].toDouble() * 3600 + hms[1].toDouble() * 60 + hms[2].toDouble()
                           : -1;
}

QString pictureSizeOf(const QJsonObject &facts)
{
    for (const QJsonValue &stream : facts.value(qs("streams")).toArray()) {
        const QJsonObject s = stream.toObject();
        if (s.value(qs("codec_type")).toString() == qs("video"))
            return QStringLiteral("%1x%2")
                .arg(s.value(qs("width")).toInt())
                .arg(s.value(qs("height")).toInt());
    }
    return QString();
}

// One checksum per stream of the packets as they are stored.
QStringList streamHashes(const QString &path, const QStringList &maps)
{
    QStringList args = {qs("-v"), qs("error"), qs("-i"), path};
    for (const QString &map : maps)
        args << qs("-map") << map;
    QProcess ffmpeg;
    ffmpeg.start(qs("ffmpeg"),
                 args + QStringList{qs("-c"), qs("copy"), qs("-f"), qs("streamhash"), qs("-")});
    ffmpeg.waitForFinished(30000);
    QStringList hashes;
    for (const QString &line : QString::fromUtf8(ffmpeg.readAllStandardOutput()).split(u'\n'))
        if (!line.isEmpty())
            hashes << line.section(u',', 2); // the stream's index stays out
    return hashes;
}

// The pictures a file decodes to, and how many repeat the one before.
std::pair<int, int> picturesAndRepeats(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(qs("ffmpeg"), {qs("-v"), qs("error"), qs("-i"), path, qs("-map"), qs("0:v"),
                                qs("-f"), qs("framemd5"), qs("-")});
    ffmpeg.waitForFinished(60000);
    int pictures = 0;
    int repeats = 0;
    QString before;
    for (const QString &line : QString::fromUtf8(ffmpeg.readAllStandardOutput()).split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QString hash = line.section(u',', 5).trimmed();
        ++pictures;
        repeats += hash == before ? 1 : 0;
        before = hash;
    }
    return {pictures, repeats};
}

} // namespace

TEST(TodayFormats, EveryEntryConvertsRealFilesKeepingWhatTheSourceCarries)
{
    const QString media = qs(VANTREL_TESTDATA_DIR "/media/");
    if (!QFile::exists(media + qs("iphone6_rot90_568x320.mov")))
        GTEST_SKIP() << "no real media files here";
    MediaClips clips;
    // A film with a title and two chapters, H.264 and AAC in MP4.
    writeFile(clips.path(qs("chapters.txt")),
              ";FFMETADATA1\ntitle=Holiday\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1500\n"
              "title=Arrival\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=1500\nEND=3000\ntitle=Beach\n");
    const QString film = clips.encoded(
        qs("film.mp4"),
        {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=s=320x180:r=25:d=3"), qs("-f"), qs("lavfi"),
         qs("-i"), qs("sine=d=3"), qs("-i"), clips.path(qs("chapters.txt")), qs("-map_metadata"),
         qs("2"), qs("-map_chapters"), qs("2"), qs("-c:v"), qs("libx264"), qs("-c:a"), qs("aac"),
         qs("-shortest")});
    const QString phone = media + qs("iphone6_rot90_568x320.mov");
    // A song with its cover picture.
    const QString song = clips.encoded(qs("song.mp3"), {qs("-f"),
                                                        qs("lavfi"),
                                                        qs("-i"),
                                                        qs("sine=d=2"),
                                                        qs("-f"),
                                                        qs("lavfi"),
                                                        qs("-i"),
                                                        qs("color=red:s=64x64:d=1"),
                                                        qs("-map"),
                                                        qs("0"),
                                                        qs("-map"),
                                                        qs("1"),
                                                        qs("-c:v"),
                                                        qs("mjpeg"),
                                                        qs("-frames:v"),
                                                        qs("1"),
                                                        qs("-disposition:v"),
                                                        qs("attached_pic"),
                                                        qs("-c:a"),
                                                        qs("libmp3lame")});
    const struct
    {
        int entry;
        QString source;
        QStringList set;    // sheet items changed
        const char *codecs; // of the output, in stream order; empty: the row fails
        const char *size;   // of the picture; empty: none or not looked at
        bool title;         // the title kept
        bool chapters;      // the chapters kept
        bool copy;          // the streams are the source's
    } cases[] = {
        {103, phone, {}, "h264 aac", "320x568", false, false, false}, // upright
        {103, phone, {qs("Video Size=1280x720")}, "h264 aac", "1280x720", false, false, false},
        {104, film, {}, "hevc aac", "320x180", true, true, false},
        {104, song, {}, "aac", "", false, false, false}, // the cover is no film
        {105,
         media + qs("kodak_camera_mjpeg_320x240.avi"),
         {},
         "vp9 opus",
         "320x240",
         false,
         false,
         false},
        {106,
         media + qs("asf_msmpeg4v3_wmav2_vfr.asf"),
         {},
         "av1 opus",
         "160x120",
         false,
         false,
         false},
        {107, phone, {}, "h264 aac", "568x320", false, false, true}, // turned when shown, as it was
        {107,
         media + qs("mpeg2ps_192x240_misnamed.m2v"),
         {},
         "mpeg2video mp2",
         "192x240",
         false,
         false,
         true}, // a program stream: pictures without a time of their own
        {108, film, {}, "h264 aac", "320x180", true, true, true},
        {108,
         media + qs("kodak_camera_mjpeg_320x240.avi"),
         {},
         "mjpeg aac",
         "320x240",
         false,
         false,
         false}, // the camera's PCM sound converted to AAC, the picture copied
        {110, film, {}, "opus", "", true, true, false},
        {111, film, {}, "flac", "", true, false, false}, // FLAC keeps no chapters
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QStringLiteral("entry %1 %2 %3")
                         .arg(c.entry)
                         .arg(QFileInfo(c.source).fileName(), c.set.join(u' '))
                         .toStdString());
        QStringList args = {qs("convert"),
                            qs("--profile"),
                            QString::number(c.entry),
                            qs("--output-dir"),
                            clips.path(QStringLiteral("out%1").arg(c.entry)),
                            qs("--existing"),
                            qs("new")};
        for (const QString &set : c.set)
            args << qs("--set") << set;
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(qs("VANTREL_DATA_DIR"), clips.path(qs("data")));
        cli.setProcessEnvironment(env);
        cli.start(qs(VANTREL_CLI_PATH), args + QStringList{qs("--"), c.source});
        ASSERT_TRUE(cli.waitForFinished(180000));
        const QString record = QString::fromUtf8(cli.readAllStandardOutput());
        ASSERT_TRUE(record.startsWith(qs("OK\t")))
            << record << QString::fromUtf8(cli.readAllStandardError());
        const QString output = record.section(u'\t', 2, 2).section(u'\n', 0, 0);
        const QJsonObject facts = probe(output);
        EXPECT_EQ(codecsOf(facts), qs(c.codecs));
        if (*c.size) {
            EXPECT_EQ(pictureSizeOf(facts), qs(c.size));
        }
        // As long as what the source holds.
        EXPECT_NEAR(decodedSeconds(output), decodedSeconds(c.source), 0.35);
        if (c.title) {
            EXPECT_EQ(titleOf(facts), qs("Holiday"));
        }
        if (c.chapters) {
            EXPECT_EQ(facts.value(qs("chapters")).toArray().size(), 2);
        }
        if (c.copy) {
            const QStringList maps = {qs("0:v"), qs("0:a")};
            EXPECT_EQ(streamHashes(output, maps), streamHashes(c.source, maps));
        }
    }
}

namespace {

QString streamValue(const QJsonObject &facts, const char *key)
{
    for (const QJsonValue &stream : facts.value(qs("streams")).toArray()) {
        const QJsonObject s = stream.toObject();
        if (s.value(qs("codec_type")).toString() == qs("video"))
            return s.value(qs(key)).toVariant().toString();
    }
    return QString();
}

// What the encoder's messages say when it decodes `path` through `filter`.
QString filtered(const QString &path, const QString &filter)
{
    QProcess ffmpeg;
    ffmpeg.start(qs("ffmpeg"), {qs("-hide_banner"), qs("-nostats"), qs("-i"), path, qs("-map"),
                                qs("0:v:0"), qs("-vf"), filter, qs("-f"), qs("null"), qs("-")});
    ffmpeg.waitForFinished(60000);
    return QString::fromUtf8(ffmpeg.readAllStandardError());
}

// The share of a picture's frames idet finds interlaced.
double interlacedShare(const QString &path)
{
    const std::optional<vantrel::FieldCount> c =
        vantrel::parseFieldCount(filtered(path, qs("idet")));
    const int all = c ? c->topFirst + c->bottomFirst + c->progressive : 0;
    return all > 0 ? double(c->topFirst + c->bottomFirst) / all : -1;
}

// How colourful the picture is on average (signalstats' SATAVG of its frames).
double saturation(const QString &path)
{
    const QString text =
        filtered(path, qs("signalstats,metadata=print:key=lavfi.signalstats.SATAVG"));
    const qsizetype at = text.lastIndexOf(qs("SATAVG="));
    return at < 0 ? -1 : text.mid(at + 7).section(u'\n', 0, 0).toDouble();
}

} // namespace

// Footage as cameras, phones and broadcasts make it, one conversion each,
// checked by what the output holds: deinterlaced, the right streams, colour
// tags a decoder can use, upright or said to be sideways, the held last
// picture kept, HDR tone-mapped; and an output that does not play fails.
TEST(TodayFormats, CameraPhoneAndBroadcastFootage)
{
    MediaClips clips;
    const QStringList lavfi = {qs("-f"), qs("lavfi"), qs("-i")};
    // A box moving over gradients, its two fields taken 1/50 s apart.
    const QString moving = qs("gradients=s=320x240:r=50:speed=0.05:d=1[g];color=white:s=40x80:"
                              "r=50[b];[g][b]overlay=x='mod(t*300,280)':y=80:shortest=1[out0]");
    const QStringList interlace = {qs("-vf"), qs("tinterlace=mode=interleave_top,setfield=tff")};
    const QString broadcast = clips.encoded(
        qs("broadcast.mpg"), lavfi + QStringList{moving} + interlace +
                                 QStringList{qs("-c:v"), qs("mpeg2video"), qs("-flags"),
                                             qs("+ilme+ildct"), qs("-top"), qs("1")});
    const QString untold =
        clips.encoded(qs("untold.avi"), lavfi + QStringList{moving} + interlace +
                                            QStringList{qs("-c:v"), qs("mpeg4")});
    // A camera's 576i50: H.264 with interlaced macroblocks in MPEG-TS.
    const QString avchd = clips.encoded(
        qs("camera.mts"), lavfi + QStringList{moving} + interlace +
                              QStringList{qs("-c:v"), qs("libx264"), qs("-flags"),
                                          qs("+ilme+ildct"), qs("-x264opts"), qs("tff=1")});
    const QString dv = clips.encoded(
        qs("camcorder.avi"),
        lavfi + QStringList{qs("gradients=s=720x576:r=50:speed=0.05:d=1"), qs("-f"), qs("lavfi"),
                            qs("-i"), qs("sine=d=1:sample_rate=48000"), qs("-vf"),
                            qs("tinterlace=mode=interleave_bottom,setfield=bff,format=yuv420p"),
                            qs("-c:v"), qs("dvvideo"), qs("-c:a"), qs("pcm_s16le"), qs("-ac"),
                            qs("2")});
    // A larger first picture and a stereo first sound, both without packets.
    const QString windows = clips.encoded(
        qs("windows.wmv"),
        lavfi + QStringList{qs("testsrc=s=320x240:r=25:d=2"),
                            qs("-f"),
                            qs("lavfi"),
                            qs("-i"),
                            qs("sine=d=2"),
                            qs("-f"),
                            qs("lavfi"),
                            qs("-i"),
                            qs("sine=d=2:frequency=500:sample_rate=22050"),
                            qs("-f"),
                            qs("lavfi"),
                            qs("-i"),
                            qs("testsrc=s=160x120:r=25:d=2"),
                            qs("-filter_complex"),
                            qs("[0:v]trim=end_frame=0[ev];[1:a]aformat=channel_layouts=stereo,"
                               "atrim=end_sample=0[ea]"),
                            qs("-map"),
                            qs("[ev]"),
                            qs("-map"),
                            qs("[ea]"),
                            qs("-map"),
                            qs("2:a"),
                            qs("-map"),
                            qs("3:v"),
                            qs("-c:v"),
                            qs("wmv2"),
                            qs("-c:a"),
                            qs("wmav2")});
    const QString rgbTagged = clips.encoded(
        qs("rgb.mpg"), lavfi + QStringList{qs("testsrc=s=160x120:r=25:d=1"), qs("-c:v"),
                                           qs("mpeg2video"), qs("-colorspace"), qs("rgb")});
    // Turned by its tag, as a phone's: this FFmpeg writes a phone's matrix (-90) for 270.
    const QString stored =
        clips.encoded(qs("stored.mp4"), lavfi + QStringList{qs("testsrc=s=160x120:r=25:d=1"),
                                                            qs("-c:v"), qs("libx264")});
    const QString phone = clips.encoded(qs("phone.mp4"), {qs("-i"), stored, qs("-c"), qs("copy"),
                                                          qs("-metadata:s:v"), qs("rotate=270")});
    writeFile(clips.path(qs("words.srt")), "1\n00:00:00,000 --> 00:00:01,000\nHello\n");
    const QString camera =
        clips.encoded(qs("camera.mkv"), lavfi + QStringList{qs("testsrc=s=160x120:r=25:d=1"),
                                                            qs("-f"),
                                                            qs("lavfi"),
                                                            qs("-i"),
                                                            qs("sine=d=1"),
                                                            qs("-f"),
                                                            qs("lavfi"),
                                                            qs("-i"),
                                                            qs("sine=d=1"),
                                                            qs("-i"),
                                                            clips.path(qs("words.srt")),
                                                            qs("-map"),
                                                            qs("0"),
                                                            qs("-map"),
                                                            qs("1"),
                                                            qs("-map"),
                                                            qs("2"),
                                                            qs("-map"),
                                                            qs("3"),
                                                            qs("-c:v"),
                                                            qs("libx264"),
                                                            qs("-c:a:0"),
                                                            qs("aac"),
                                                            qs("-c:a:1"),
                                                            qs("pcm_s16le"),
                                                            qs("-c:s"),
                                                            qs("ass")});
    // 50 pictures, the last one held for 1.5 s: 3.46 s in all.
    const QString steady = clips.encoded(
        qs("steady.mp4"),
        lavfi + QStringList{qs("testsrc=s=160x120:r=25:d=2"), qs("-c:v"), qs("libx264"), qs("-bf"),
                            qs("0"), qs("-video_track_timescale"), qs("1000")});
    const QString held =
        clips.encoded(qs("held.mp4"), {qs("-i"), steady, qs("-c"), qs("copy"), qs("-bsf:v"),
                                       qs("setts=duration='if(eq(N\\,49)\\,24000\\,DURATION)'")});
    const auto hdr = [&](const char *name, const char *transfer) {
        return clips.encoded(
            qs(name),
            lavfi + QStringList{qs("testsrc2=s=320x240:r=25:d=1"), qs("-vf"),
                                qs("zscale=tin=bt709:min=bt709:pin=bt709:t=") + qs(transfer) +
                                    qs(":m=bt2020nc:p=bt2020,format=yuv420p10le"),
                                qs("-c:v"), qs("libx265"), qs("-x265-params"),
                                qs("log-level=error"), qs("-color_primaries"), qs("bt2020"),
                                qs("-color_trc"), qs(transfer), qs("-colorspace"), qs("bt2020nc")});
    };
    // Broadcast AC3 in 5.1 with side channels, a layout Opus refuses.
    const QString surround = clips.encoded(
        qs("surround.mkv"),
        lavfi + QStringList{qs("testsrc=s=160x120:r=25:d=1"), qs("-f"), qs("lavfi"), qs("-i"),
                            qs("anoisesrc=d=1:a=0.1,aformat=channel_layouts=5.1(side)"), qs("-c:v"),
                            qs("mpeg4"), qs("-c:a"), qs("ac3")});
    // Pictures that jump 300 s ahead after two seconds; the sound runs on to four.
    const QString plain = clips.encoded(
        qs("plain.mkv"),
        lavfi + QStringList{qs("testsrc=s=160x120:r=25:d=4"), qs("-f"), qs("lavfi"), qs("-i"),
                            qs("sine=d=4"), qs("-c:v"), qs("libx264"), qs("-bf"), qs("0")});
    const QString jumping =
        clips.encoded(qs("jumping.mkv"), {qs("-i"), plain, qs("-c"), qs("copy"), qs("-bsf:v"),
                                          qs("setts=pts=if(gte(N\\,50)\\,PTS+300/TB\\,PTS):"
                                             "dts=if(gte(N\\,50)\\,DTS+300/TB\\,DTS)")});
    ASSERT_NEAR(inspect(held).seconds, 3.46, 0.05);
    const QString hlg = hdr("hlg.mp4", "arib-std-b67");
    const QString pq = hdr("pq.mp4", "smpte2084");

    enum Check
    {
        Deinterlaced,
        PicturePerFrame,
        PicturePerField,
        PictureFromThirdStream,
        TaggedBt601,
        SaidSideways,
        KeepsRotation,
        Upright,
        PcmConverted,
        WholeLength,
        ToneMapped,
        SurroundInFFmpegsLayout,
        GapTold,
        DoesNotPlay
    };
    const struct
    {
        int entry;
        QString source;
        QStringList set;
        Check check;
    } cases[] = {
        {103, broadcast, {}, Deinterlaced},
        {105, untold, {}, Deinterlaced},
        {103, dv, {}, Deinterlaced},
        {103, avchd, {}, PicturePerFrame},
        {105, avchd, {}, PicturePerFrame},
        {103, avchd, {qs("Video Framerate=50")}, PicturePerField},
        {103, windows, {}, PictureFromThirdStream},
        {107, windows, {}, PictureFromThirdStream},
        {105, rgbTagged, {}, TaggedBt601},
        {107, phone, {}, SaidSideways},
        {108, phone, {}, KeepsRotation},
        {103, phone, {}, Upright},
        {108, camera, {}, PcmConverted},
        {13, held, {}, WholeLength},
        {103, held, {qs("Video Size=1280x720")}, WholeLength},
        {105, held, {}, WholeLength},
        {103, hlg, {}, ToneMapped},
        {106, pq, {qs("HDR=Standard range (8-bit)")}, ToneMapped}, // AV1 keeps HDR unless asked
        {105, surround, {}, SurroundInFFmpegsLayout},
        {110, surround, {}, SurroundInFFmpegsLayout},
        {103, surround, {}, SurroundInFFmpegsLayout},
        {103, jumping, {}, GapTold},
        // An old entry is not adapted: this camera file's RGB tag reaches VP9.
        {94,
         qs(VANTREL_TESTDATA_DIR "/media/mpeg2ps_192x240_misnamed.m2v"),
         {qs("Video Codec=libvpx-vp9")},
         DoesNotPlay},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QStringLiteral("entry %1 %2")
                         .arg(c.entry)
                         .arg(QFileInfo(c.source).fileName())
                         .toStdString());
        if (!QFile::exists(c.source))
            continue; // a real file that is not here
        const ConvertedRow row = convertOne(clips, c.entry, c.source, c.set);
        if (c.check == DoesNotPlay) {
            EXPECT_EQ(row.status, qs("Fail"));
            EXPECT_TRUE(row.detail.contains(qs("does not play"))) << row.detail;
            // Nothing stays, not even the hidden temporary file.
            EXPECT_TRUE(QDir(QFileInfo(row.output).path())
                            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                            .isEmpty());
            continue;
        }
        ASSERT_EQ(row.status, qs("OK")) << row.detail;
        const QJsonObject facts = probe(row.output);
        switch (c.check) {
        case Deinterlaced:
            EXPECT_GT(interlacedShare(c.source), 0.9);
            EXPECT_LT(interlacedShare(row.output), 0.2);
            EXPECT_EQ(streamValue(facts, "field_order"), qs("progressive"));
            EXPECT_TRUE(row.detail.contains(qs("deinterlaced"))) << row.detail;
            break;
        case PicturePerFrame:
        case PicturePerField: {
            // A second of 25 frames: one picture each, or one per field,
            // never a picture shown twice.
            const auto [pictures, repeats] = picturesAndRepeats(row.output);
            EXPECT_EQ(pictures, c.check == PicturePerFrame ? 25 : 50);
            EXPECT_EQ(repeats, 0);
            EXPECT_TRUE(row.detail.contains(qs("deinterlaced"))) << row.detail;
            break;
        }
        case PictureFromThirdStream:
            EXPECT_EQ(pictureSizeOf(facts), qs("160x120"));
            EXPECT_EQ(codecsOf(facts).count(u' '), 1); // one picture, one sound
            EXPECT_NEAR(decodedSeconds(row.output), 2, 0.2);
            EXPECT_TRUE(row.detail.contains(qs("Stream 0 was left out"))) << row.detail;
            break;
        case TaggedBt601:
            EXPECT_EQ(streamValue(facts, "color_space"), qs("smpte170m"));
            EXPECT_NEAR(decodedSeconds(row.output), 1, 0.1);
            break;
        case SaidSideways:
            EXPECT_TRUE(row.detail.contains(qs("plays on its side"))) << row.detail;
            break;
        case KeepsRotation:
            EXPECT_TRUE(QJsonDocument(facts).toJson().contains("\"rotation\": -90"));
            break;
        case Upright:
            EXPECT_EQ(pictureSizeOf(facts), qs("120x160"));
            break;
        case PcmConverted:
            // The AAC copied, the PCM converted beside it.
            EXPECT_EQ(codecsOf(facts), qs("h264 aac aac"));
            EXPECT_TRUE(QJsonDocument(facts).toJson().contains("mov_text"));
            EXPECT_TRUE(row.detail.contains(
                qs("Stream 2 was converted to AAC: MP4 cannot hold pcm_s16le sound")))
                << row.detail;
            break;
        case WholeLength:
            EXPECT_NEAR(decodedSeconds(row.output), 3.46, 0.1);
            EXPECT_FALSE(row.detail.contains(qs("holds less"))) << row.detail;
            break;
        case ToneMapped:
            EXPECT_EQ(streamValue(facts, "pix_fmt"), qs("yuv420p"));
            EXPECT_EQ(streamValue(facts, "color_transfer"), qs("bt709"));
            // Grey and washed out untouched (about 20 to 40), in colour again.
            EXPECT_GT(saturation(row.output), 60);
            EXPECT_TRUE(row.detail.contains(qs("tone-mapped"))) << row.detail;
            break;
        case SurroundInFFmpegsLayout:
            EXPECT_TRUE(QJsonDocument(facts).toJson().contains("\"channel_layout\": \"5.1\""))
                << QJsonDocument(facts).toJson().toStdString();
            break;
        case GapTold:
            EXPECT_TRUE(row.detail.contains(qs("holds nothing from 0:00:04 for 298 s")))
                << row.detail;
            break;
        case DoesNotPlay:
            break;
        }
    }
}

// Every real file through every entry of today: each row ends as it should
// (a file with nothing in it fails; MP4 cannot take some sources' own
// picture or sound), and every output holds streams.
TEST(TodayFormats, EveryRealFileThroughEveryEntry)
{
    const QDir media(qs(VANTREL_TESTDATA_DIR "/media"));
    const QStringList files = media.entryList(QDir::Files, QDir::Name);
    if (files.isEmpty())
        GTEST_SKIP() << "no real media files here";
    MediaClips clips;
    // Pictures MP4 cannot hold (the cameras' PCM sound is converted).
    const QStringList mp4Refuses = {qs("asf_"), qs("flv_"), qs("ios_")};
    for (const int entry : {103, 104, 105, 106, 107, 108, 110, 111}) {
        QStringList args = {qs("convert"),
                            qs("--profile"),
                            QString::number(entry),
                            qs("--jobs"),
                            qs("2"),
                            qs("--output-dir"),
                            clips.path(QStringLiteral("all%1").arg(entry)),
                            qs("--")};
        for (const QString &file : files)
            args << media.filePath(file);
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(qs("VANTREL_DATA_DIR"), clips.path(qs("data")));
        cli.setProcessEnvironment(env);
        cli.start(qs(VANTREL_CLI_PATH), args);
        ASSERT_TRUE(cli.waitForFinished(300000));
        for (const QString &line : QString::fromUtf8(cli.readAllStandardOutput()).split(u'\n')) {
            if (line.startsWith(u' ') || line.isEmpty())
                continue;
            const QString name = QFileInfo(line.section(u'\t', 1, 1)).fileName();
            SCOPED_TRACE(QStringLiteral("entry %1 %2").arg(entry).arg(name).toStdString());
            const bool nothingThere = name.startsWith(qs("m4b_"));
            const bool refused =
                entry == 108 && std::any_of(mp4Refuses.cbegin(), mp4Refuses.cend(),
                                            [&](const QString &p) { return name.startsWith(p); });
            EXPECT_EQ(line.section(u'\t', 0, 0), nothingThere || refused ? qs("Fail") : qs("OK"));
            // The program decoded both its ends; here, what it holds.
            if (line.startsWith(qs("OK\t"))) {
                EXPECT_FALSE(inspect(line.section(u'\t', 2, 2)).codecs.isEmpty());
            }
        }
    }
}

// A copy puts its tracks' flags right: exactly one default sound (a main one,
// never the commentary), and a forced subtitle that is not also the default.
TEST(TodayFormats, CopiesKeepOneDefaultSoundAndForcedSubtitlesApart)
{
    MediaClips clips;
    writeFile(clips.path(qs("s.srt")), "1\n00:00:00,000 --> 00:00:01,000\nHallo\n");
    const auto film = [&](const char *name, const QString &flags) {
        const QString command =
            qs("-f lavfi -i testsrc=s=160x120:r=25:d=1 -f lavfi -i sine=d=1 -f lavfi -i sine=d=1 "
               "-i %1 -map 0 -map 1 -map 2 -map 3 -c:v mpeg4 -c:a aac -c:s srt ")
                .arg(clips.path(qs("s.srt"))) +
            flags;
        return clips.encoded(qs(name), command.split(u' '));
    };
    const struct
    {
        QString source;
        const char *flags; // "default,forced,comment" of each stream of the copy, in order
    } cases[] = {
        {film("both default.mkv", qs("-disposition:a:0 default -disposition:a:1 default+comment "
                                     "-disposition:s:0 default+forced")),
         "1,0,0 1,0,0 0,0,1 0,1,0"},
        {film("none default.mkv", qs("-disposition:a:0 0 -disposition:a:1 0 -metadata:s:a:0 "
                                     "title=Commentary -disposition:s:0 0")),
         "1,0,0 0,0,0 1,0,0 0,0,0"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.source.toStdString());
        const ConvertedRow row = convertOne(clips, 107, c.source);
        ASSERT_EQ(row.status, qs("OK")) << row.detail;
        QStringList flags;
        for (const QJsonValue &stream : probe(row.output).value(qs("streams")).toArray()) {
            const QJsonObject d = stream.toObject().value(qs("disposition")).toObject();
            flags << QStringLiteral("%1,%2,%3")
                         .arg(d.value(qs("default")).toInt())
                         .arg(d.value(qs("forced")).toInt())
                         .arg(d.value(qs("comment")).toInt());
        }
        EXPECT_EQ(flags.join(u' '), qs(c.flags));
    }
}
