#include "CliConversion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <utility>

// HDR sources through the entries that can keep HDR, with either choice:
// kept means 10 bits, the source's transfer, and its mastering display and
// light levels exactly (within what each codec stores); standard range
// means 8 bits in BT.709.

namespace {

// What a picture says of its HDR: "yuv420p10le smpte2084 G(0.2650,0.6900)...
// 1000,400", the metadata rounded to what every codec keeps.
QString hdrOf(const QString &path)
{
    QProcess ffprobe;
    ffprobe.start(qs("ffprobe"),
                  {qs("-v"), qs("error"), qs("-select_streams"), qs("v:0"), qs("-read_intervals"),
                   qs("%+#5"), qs("-show_frames"), qs("-show_entries"),
                   qs("frame=pix_fmt,color_transfer,side_data_list"), qs("-of"), qs("json"), path});
    ffprobe.waitForFinished(30000);
    const QJsonArray frames = QJsonDocument::fromJson(ffprobe.readAllStandardOutput())
                                  .object()
                                  .value(qs("frames"))
                                  .toArray();
    if (frames.isEmpty())
        return qs("no picture");
    const QJsonObject first = frames.first().toObject();
    QStringList said{first.value(qs("pix_fmt")).toString(),
                     first.value(qs("color_transfer")).toString()};
    const auto value = [](const QJsonObject &data, const char *key) {
        const QStringList fraction = data.value(qs(key)).toString().split(u'/');
        return fraction.value(0).toDouble() / std::max(1.0, fraction.value(1).toDouble());
    };
    bool display = false, light = false;
    for (const QJsonValue &frame : frames) {
        for (const QJsonValue &item : frame.toObject().value(qs("side_data_list")).toArray()) {
            const QJsonObject data = item.toObject();
            const QString type = data.value(qs("side_data_type")).toString();
            if (type == qs("Mastering display metadata") && !std::exchange(display, true)) {
                const auto xy = [&](const char *x, const char *y) {
                    return QStringLiteral("(%1,%2)")
                        .arg(value(data, x), 0, 'f', 4)
                        .arg(value(data, y), 0, 'f', 4);
                };
                said << qs("G") + xy("green_x", "green_y") + qs("B") + xy("blue_x", "blue_y") +
                            qs("R") + xy("red_x", "red_y") + qs("WP") +
                            xy("white_point_x", "white_point_y") +
                            QStringLiteral("L(%1,%2)")
                                .arg(value(data, "max_luminance"), 0, 'f', 0)
                                .arg(value(data, "min_luminance"), 0, 'f', 3);
            } else if (type == qs("Content light level metadata") && !std::exchange(light, true)) {
                said << QStringLiteral("%1,%2")
                            .arg(data.value(qs("max_content")).toInt())
                            .arg(data.value(qs("max_average")).toInt());
            }
        }
    }
    return said.join(u' ');
}

QStringList x265Source(const char *params, const char *transfer)
{
    return {qs("-f"),
            qs("lavfi"),
            qs("-i"),
            qs("testsrc2=s=160x120:r=25:d=1"),
            qs("-pix_fmt"),
            qs("yuv420p10le"),
            qs("-c:v"),
            qs("libx265"),
            qs("-preset"),
            qs("ultrafast"),
            qs("-x265-params"),
            qs("log-level=error:colorprim=bt2020:colormatrix=bt2020nc:transfer=") + qs(transfer) +
                qs(params),
            qs("-color_primaries"),
            qs("bt2020"),
            qs("-colorspace"),
            qs("bt2020nc"),
            qs("-color_trc"),
            qs(transfer)};
}

const char *const kHdr10 = "yuv420p10le smpte2084 G(0.2650,0.6900)B(0.1500,0.0600)"
                           "R(0.6800,0.3200)WP(0.3127,0.3290)L(1000,0.005) 1000,400";

} // namespace

TEST(HdrCli, KeptWithItsMetadataOrStandardRangeAsAsked)
{
    MediaClips clips;
    const QString hdr10 =
        clips.encoded(qs("hdr10.mkv"),
                      x265Source(":hdr10=1:master-display=G(13250,34500)B(7500,3000)R(34000,16000)"
                                 "WP(15635,16450)L(10000000,50):max-cll=1000,400",
                                 "smpte2084"));
    const QString bare = clips.encoded(qs("pq bare.mp4"), x265Source("", "smpte2084"));
    const QString hlg = clips.encoded(qs("hlg.mp4"), x265Source("", "arib-std-b67"));
    QStringList sdr10Arguments = x265Source("", "bt709");
    sdr10Arguments.replaceInStrings(qs("bt2020nc"), qs("bt709"));
    sdr10Arguments.replaceInStrings(qs("bt2020"), qs("bt709"));
    const QString sdr10 = clips.encoded(qs("sdr10.mkv"), sdr10Arguments);
    const QString sdr8 = clips.video(qs("sdr8.avi"), 1);
    ASSERT_EQ(hdrOf(hdr10), qs(kHdr10)); // as made, read back

    const struct
    {
        int entry;
        const char *choice;
        const char *hdr10, *bare, *hlg; // what each output says of its HDR
    } cases[] = {
        {104, "Keep (10-bit)", kHdr10, "yuv420p10le smpte2084", "yuv420p10le arib-std-b67"},
        {106, "Keep (10-bit)", kHdr10, "yuv420p10le smpte2084", "yuv420p10le arib-std-b67"},
        // VP9, as this FFmpeg writes it, carries the colours but not the metadata.
        {105, "Keep (10-bit)", "yuv420p10le smpte2084", "yuv420p10le smpte2084",
         "yuv420p10le arib-std-b67"},
        {104, "Standard range (8-bit)", "yuv420p bt709", "yuv420p bt709", "yuv420p bt709"},
        {105, "Standard range (8-bit)", "yuv420p bt709", "yuv420p bt709", "yuv420p bt709"},
        {106, "Standard range (8-bit)", "yuv420p bt709", "yuv420p bt709", "yuv420p bt709"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.entry).arg(qs(c.choice)).toStdString());
        const QStringList sources{hdr10, bare, hlg, sdr10, sdr8};
        // An SDR picture stays 8-bit; an untagged one is tagged BT.601 by its size.
        const QStringList expected{qs(c.hdr10), qs(c.bare), qs(c.hlg), qs("yuv420p bt709"),
                                   qs("yuv420p smpte170m")};
        for (qsizetype i = 0; i < sources.size(); ++i) {
            SCOPED_TRACE(sources[i].toStdString());
            const ConvertedRow row =
                convertOne(clips, c.entry, sources[i], {qs("HDR=") + qs(c.choice)});
            ASSERT_EQ(row.status, qs("OK")) << row.detail.toStdString();
            EXPECT_EQ(hdrOf(row.output).trimmed(), expected[i]) << row.detail.toStdString();
        }
    }
}
