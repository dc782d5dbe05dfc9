#include "CliConversion.h"

#include <QJsonArray>
#include <QProcess>

namespace {

// A picture of `file`: the `index`-th it decodes, as a PNG.
QString pictureOf(MediaClips &clips, const QString &file, int index, const QString &name)
{
    const QString png = clips.path(name);
    QProcess ffmpeg;
    ffmpeg.start(qs("ffmpeg"),
                 {qs("-v"), qs("error"), qs("-y"), qs("-i"), file, qs("-vf"),
                  QStringLiteral("select=eq(n\\,%1)").arg(index), qs("-frames:v"), qs("1"), png});
    EXPECT_TRUE(ffmpeg.waitForFinished(60000));
    return png;
}

// How alike two pictures are, in dB (inf when equal).
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

// A clip copied from a file whose key frames stand 4 s apart starts at the
// key frame at or before its start, never later and never empty, with its
// sound from there too; the tip says how early. A file of key frames only
// starts where it was asked.
TEST(CopyClips, StartAtTheKeyFrameBeforeTheClip)
{
    MediaClips clips;
    const QStringList tenSeconds = {
        qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=size=160x120:rate=25:duration=10"),
        qs("-f"), qs("lavfi"), qs("-i"), qs("sine=duration=10")};
    const QStringList gop = {qs("-g"), qs("100"), qs("-keyint_min"), qs("100"), qs("-bf"), qs("2")};
    const QString h264 = clips.encoded(
        qs("camera.mp4"),
        tenSeconds + gop + QStringList{qs("-c:v"), qs("libx264"), qs("-sc_threshold"), qs("0")});
    const QString mpeg2 = clips.encoded(qs("broadcast.ts"),
                                        tenSeconds + gop +
                                            QStringList{qs("-c:v"), qs("mpeg2video"), qs("-flags"),
                                                        qs("+cgop"), qs("-sc_threshold"),
                                                        qs("1000000000"), qs("-c:a"), qs("mp2")});
    const QString mjpeg =
        clips.encoded(qs("webcam.mkv"), tenSeconds + QStringList{qs("-c:v"), qs("mjpeg"),
                                                                 qs("-c:a"), qs("pcm_s16le")});
    const struct
    {
        QString source;
        int entry;
        const char *start;
        const char *end;
        int firstPicture;  // the source's picture the copy starts with
        double seconds;    // the copy's length
        const char *early; // the tip's words; empty: none
    } rows[] = {
        {h264, 108, "1", "3", 0, 3, "started 1 s early"}, // no key frame in the clip at all
        {h264, 108, "1", "6", 0, 6, "started 1 s early"},
        {h264, 107, "4", "6", 100, 2, ""}, // on a key frame
        // A seek in a transport stream lands some packets early: its sound
        // begins up to 0.2 s before the key frame.
        {mpeg2, 107, "5", "7", 100, 3.1, "early, at the key frame before the clip"},
        {mjpeg, 107, "1", "3", 25, 2, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(QStringLiteral("%1 %2 %3-%4")
                         .arg(row.source)
                         .arg(row.entry)
                         .arg(qs(row.start), qs(row.end))
                         .toStdString());
        const ConvertedRow copied =
            convertOne(clips, row.entry, row.source, {},
                       {qs("--start"), qs(row.start), qs("--end"), qs(row.end)});
        ASSERT_EQ(copied.status, qs("OK")) << copied.detail.toStdString();
        EXPECT_EQ(copied.detail.contains(qs("early")), *row.early != 0)
            << copied.detail.toStdString();
        if (*row.early) {
            EXPECT_TRUE(copied.detail.contains(qs(row.early))) << copied.detail.toStdString();
        }
        const FileFacts facts = inspect(copied.output);
        // Its end within a few pictures: B-frames after the end still come.
        EXPECT_NEAR(facts.seconds, row.seconds, 0.25);
        EXPECT_GT(psnr(pictureOf(clips, copied.output, 0, qs("first.png")),
                       pictureOf(clips, row.source, row.firstPicture, qs("wanted.png"))),
                  40);
        // The sound starts with the picture.
        const QJsonArray streams = probe(copied.output).value(qs("streams")).toArray();
        ASSERT_EQ(streams.size(), 2);
        EXPECT_NEAR(streams.at(0).toObject().value(qs("start_time")).toString().toDouble(),
                    streams.at(1).toObject().value(qs("start_time")).toString().toDouble(), 0.25);
    }
}
