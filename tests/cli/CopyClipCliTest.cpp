#include "CliConversion.h"

#include <QJsonArray>
#include <QProcess>

namespace {

// The decoded pictures of `file`, one hash each, in the order shown.
QStringList pictureHashes(const QString &file)
{
    QProcess ffmpeg;
    ffmpeg.start(qs("ffmpeg"), {qs("-v"), qs("error"), qs("-i"), file, qs("-map"), qs("0:v:0"),
                                qs("-f"), qs("framemd5"), qs("-")});
    EXPECT_TRUE(ffmpeg.waitForFinished(60000));
    QStringList hashes;
    for (const QString &line : QString::fromUtf8(ffmpeg.readAllStandardOutput()).split(u'\n')) {
        if (!line.startsWith(u'#') && line.count(u',') >= 5)
            hashes << line.section(u',', 5).trimmed();
    }
    return hashes;
}

// What decoding `file` says went wrong; empty when nothing did.
QString decodingErrors(const QString &file)
{
    QProcess ffmpeg;
    ffmpeg.start(qs("ffmpeg"),
                 {qs("-v"), qs("error"), qs("-i"), file, qs("-f"), qs("null"), qs("-")});
    EXPECT_TRUE(ffmpeg.waitForFinished(60000));
    return QString::fromUtf8(ffmpeg.readAllStandardError());
}

// Picture `index` of `file`, as a PNG named `name` among `clips`.
QString pictureOf(MediaClips &clips, const QString &file, qsizetype index, const char *name)
{
    const QString png = clips.path(qs(name));
    QProcess ffmpeg;
    ffmpeg.start(qs("ffmpeg"),
                 {qs("-v"), qs("error"), qs("-y"), qs("-i"), file, qs("-vf"),
                  QStringLiteral("select=eq(n\\,%1)").arg(index), qs("-frames:v"), qs("1"), png});
    EXPECT_TRUE(ffmpeg.waitForFinished(60000));
    return png;
}

// How alike two pictures are, in dB (1000 when equal).
double psnr(const QString &a, const QString &b)
{
    QProcess ffmpeg;
    ffmpeg.start(qs("ffmpeg"), {qs("-i"), a, qs("-i"), b, qs("-lavfi"), qs("psnr"), qs("-f"),
                                qs("null"), qs("-")});
    EXPECT_TRUE(ffmpeg.waitForFinished(60000));
    const QString said = QString::fromUtf8(ffmpeg.readAllStandardError());
    const QString average = said.section(qs("average:"), 1).section(u' ', 0, 0);
    return average == qs("inf") ? 1000 : average.toDouble();
}

} // namespace

// A clip copied from a file whose key frames stand 4 s apart starts on the
// very picture asked for: the pictures up to the next key frame are encoded
// again with the source's codec, the rest are the source's own, and the
// output decodes across the joint with its sound from the start. A start on
// a key frame, and a file of key frames only, are copied as they are. A key
// frame that opens a GOP leaning on the one before keeps the start at the
// key frame before, and says so.
TEST(CopyClips, StartOnThePictureAsked)
{
    MediaClips clips;
    const QStringList tenSeconds = {
        qs("-f"),       qs("lavfi"),  qs("-i"), qs("testsrc=size=160x120:rate=25:duration=10"),
        qs("-f"),       qs("lavfi"),  qs("-i"), qs("sine=duration=10"),
        qs("-pix_fmt"), qs("yuv420p")};
    const QStringList gop = {qs("-g"), qs("100"), qs("-keyint_min"), qs("100"), qs("-bf"), qs("2")};
    const auto make = [&](const char *name, const QStringList &codec) {
        return clips.encoded(qs(name), tenSeconds + gop + codec);
    };
    const QString h264 =
        make("camera.mp4", {qs("-c:v"), qs("libx264"), qs("-sc_threshold"), qs("0")});
    const QString openGop = make("open.mp4", {qs("-c:v"), qs("libx264"), qs("-sc_threshold"),
                                              qs("0"), qs("-x264-params"), qs("open-gop=1")});
    const QString h265 =
        make("phone.mkv", {qs("-c:v"), qs("libx265"), qs("-x265-params"),
                           qs("keyint=100:min-keyint=100:scenecut=0:open-gop=0:log-level=error")});
    const QString mpeg2 =
        make("broadcast.ts",
             {qs("-c:v"), qs("mpeg2video"), qs("-flags"), qs("+cgop+ildct+ilme"), qs("-top"),
              qs("1"), qs("-sc_threshold"), qs("1000000000"), qs("-c:a"), qs("mp2")});
    // The camera's film in Matroska with a text subtitle: its times shifted
    // by the B-frames' delay, its subtitle made MP4's own by 108.
    writeFile(clips.path(qs("words.srt")), "1\n00:00:00,500 --> 00:00:09,000\nHello\n");
    const QString subtitled =
        clips.encoded(qs("subtitled.mkv"),
                      {qs("-i"), h264, qs("-i"), clips.path(qs("words.srt")), qs("-map"), qs("0"),
                       qs("-map"), qs("1"), qs("-c"), qs("copy"), qs("-c:s"), qs("srt")});
    const QString mjpeg =
        clips.encoded(qs("webcam.mkv"), tenSeconds + QStringList{qs("-c:v"), qs("mjpeg"),
                                                                 qs("-c:a"), qs("pcm_s16le")});
    const struct
    {
        QString source;
        int entry;
        int start, end;   // seconds
        int firstPicture; // about the source's picture the copy starts with
        bool encodesHead; // its first pictures are encoded again
        const char *tip;  // what the tip says of the start; empty: nothing
    } rows[] = {
        {h264, 108, 1, 9, 25, true,
         "Exact cut: 75 pictures up to the first key frame and 25 "
         "pictures after the last"},
        {h264, 107, 1, 6, 25, true, "no whole group of pictures"},
        {h264, 107, 4, 6, 100, true, "no whole group of pictures"},
        {h264, 107, 4, 8, 100, false, ""}, // key frame to key frame
        {h265, 107, 1, 9, 25, true, "Exact cut: 75 pictures"},
        {mpeg2, 107, 1, 9, 25, true, "Exact cut: 75 pictures"},
        {mpeg2, 108, 5, 7, 125, true, "no whole group of pictures"},
        {subtitled, 108, 1, 9, 25, true, "Exact cut: 75 pictures"},
        {mjpeg, 107, 1, 3, 25, false, ""},
        {openGop, 107, 1, 4, 25, true, "no whole group of pictures"},
        {openGop, 107, 1, 9, 0, false, "started 1 s early"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(QStringLiteral("%1 %2 %3-%4")
                         .arg(row.source)
                         .arg(row.entry)
                         .arg(row.start)
                         .arg(row.end)
                         .toStdString());
        const ConvertedRow copied = convertOne(
            clips, row.entry, row.source, {},
            {qs("--start"), QString::number(row.start), qs("--end"), QString::number(row.end)});
        ASSERT_EQ(copied.status, qs("OK")) << copied.detail.toStdString();
        if (*row.tip) {
            EXPECT_TRUE(copied.detail.contains(qs(row.tip))) << copied.detail.toStdString();
        } else {
            EXPECT_FALSE(copied.detail.contains(qs("start")) || copied.detail.contains(qs("again")))
                << copied.detail.toStdString();
        }
        EXPECT_EQ(decodingErrors(copied.output), QString());

        // The output is a run of the source's pictures: those encoded again,
        // then the source's own from the joint on, none twice, none left out.
        const QStringList output = pictureHashes(copied.output);
        const QStringList source = pictureHashes(row.source);
        qsizetype joint = 0;
        while (joint < output.size() && !source.contains(output.at(joint)))
            ++joint;
        EXPECT_EQ(joint > 0, row.encodesHead) << joint;
        // A clip without a whole group of pictures is all encoded again.
        const qsizetype first = joint < output.size() ? source.indexOf(output.at(joint)) - joint
                                                      : qsizetype(row.firstPicture);
        EXPECT_NEAR(double(first), row.firstPicture, 2);
        // Copied pictures are the source's own, up to the pictures encoded
        // again at the end.
        qsizetype own = joint;
        while (own < output.size() && output.at(own) == source.value(first + own))
            ++own;
        if (joint < output.size()) {
            EXPECT_GE(own, output.size() - 26) << joint;
        }
        if (joint > 0) {
            for (const qsizetype at : {qsizetype(0), joint - 1}) {
                EXPECT_GT(psnr(pictureOf(clips, copied.output, at, "out.png"),
                               pictureOf(clips, row.source, first + at, "in.png")),
                          40)
                    << at;
            }
        }
        // Every picture of the clip and none after it; an open GOP's copy
        // keeps its early start and ends on decoding times.
        const int clip = (row.end - row.start) * 25 + (row.firstPicture == 0 ? 25 : 0);
        if (row.source == openGop && !row.encodesHead) {
            EXPECT_NEAR(double(output.size()), clip, 3);
        } else {
            EXPECT_EQ(output.size(), clip);
        }
        // The sound starts with the picture (Matroska delays a picture with
        // B-frames by their reordering).
        const QJsonArray streams = probe(copied.output).value(qs("streams")).toArray();
        ASSERT_EQ(streams.size(), row.source == subtitled ? 3 : 2);
        EXPECT_NEAR(streams.at(0).toObject().value(qs("start_time")).toString().toDouble(),
                    streams.at(1).toObject().value(qs("start_time")).toString().toDouble(), 0.12);
    }
}
