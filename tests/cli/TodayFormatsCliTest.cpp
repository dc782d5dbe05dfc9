#include "MediaClips.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

// Today's entries on real files: each converts (or copies) what the source
// holds into its container and codecs, as long as the source, with its
// metadata and chapters, the picture upright and in its shape; a copy's
// streams are the source's, packet for packet.

namespace {

QJsonObject probe(const QString &path)
{
    QProcess ffprobe;
    ffprobe.start(qs("ffprobe"), {qs("-v"), qs("error"), qs("-show_format"), qs("-show_streams"),
                                  qs("-show_chapters"), qs("-of"), qs("json"), path});
    ffprobe.waitForFinished(30000);
    return QJsonDocument::fromJson(ffprobe.readAllStandardOutput()).object();
}

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
         "",
         "",
         false,
         false,
         false}, // PCM in MP4
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
        if (qs(c.codecs).isEmpty()) {
            EXPECT_TRUE(record.startsWith(qs("Fail\t"))) << record;
            EXPECT_TRUE(record.contains(qs("not currently supported in container"))) << record;
            continue;
        }
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
