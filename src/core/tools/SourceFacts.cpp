#include "core/tools/SourceFacts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SourceFacts", text);
}

// What ffprobe is asked for: only what a conversion decides by.
const QString kEntries = QStringLiteral(
    "format=format_name,duration,start_time"
    ":stream=index,codec_type,codec_name,width,height,pix_fmt,field_order,color_space,"
    "color_transfer,color_primaries,r_frame_rate,avg_frame_rate,channels,sample_rate,sample_fmt,"
    "nb_read_packets"
    ":stream_disposition=attached_pic:stream_tags=rotate:stream_side_data=rotation");

// Packets counted at the head: enough for every stream of a film to show
// itself, few enough to be read at once whatever the file.
constexpr int kCountedPackets = 600;
// Of a picture, the seconds and frames idet looks at.
constexpr int kFieldCountSeconds = 5;
constexpr int kFieldCountFrames = 150;
// Of the file's end, the seconds whose packets tell how long the last
// picture is held.
constexpr double kLastSeconds = 5;

StreamFacts::Kind kindOf(const QString &type)
{
    if (type == QLatin1String("video"))
        return StreamFacts::Kind::Video;
    if (type == QLatin1String("audio"))
        return StreamFacts::Kind::Audio;
    if (type == QLatin1String("subtitle"))
        return StreamFacts::Kind::Subtitle;
    if (type == QLatin1String("attachment"))
        return StreamFacts::Kind::Attachment;
    return StreamFacts::Kind::Data;
}

// "unknown", "reserved" and the like tell nothing.
QString toldOrEmpty(const QJsonValue &value)
{
    const QString text = value.toString();
    return text == QLatin1String("unknown") || text == QLatin1String("reserved") ||
                   text == QLatin1String("unspecified")
               ? QString()
               : text;
}

std::optional<double> rateOf(const QString &fraction)
{
    const QStringList parts = fraction.split(u'/');
    const double num = parts.value(0).toDouble();
    const double den = parts.size() == 2 ? parts[1].toDouble() : 1;
    return num > 0 && den > 0 ? std::optional<double>(num / den) : std::nullopt;
}

// The rate FFmpeg takes for a stream: the real base rate, unless that is a
// time base in disguise and the average is plausible.
QString guessedRate(const QString &base, const QString &average)
{
    const std::optional<double> r = rateOf(base);
    const std::optional<double> avg = rateOf(average);
    if (r && avg && *r > 210 && *avg < 70)
        return average;
    return r ? base : QString();
}

int clockwiseDegrees(double rotation)
{
    const int quarter = static_cast<int>(std::lround(rotation / 90.0));
    return ((quarter % 4) + 4) % 4 * 90;
}

int intOf(const QJsonValue &value)
{
    return value.isString() ? value.toString().toInt() : value.toInt();
}

} // namespace

std::optional<double> StreamFacts::framesPerSecond() const
{
    return rateOf(frameRate);
}

std::optional<QString> StreamFacts::unusableReason(bool packetsElsewhere) const
{
    const bool empty = packets == 0 && packetsElsewhere;
    switch (kind) {
    case Kind::Video:
        if (width <= 0 || height <= 0)
            return tr("a picture without a size");
        if (empty)
            return tr("a picture stream that holds no pictures");
        break;
    case Kind::Audio:
        if (channels <= 0)
            return tr("a sound with no channels");
        if (sampleRate <= 0)
            return tr("a sound without a sample rate");
        if (empty)
            return tr("a sound stream that holds no sound");
        break;
    case Kind::Subtitle:
    case Kind::Attachment:
    case Kind::Data:
        break;
    }
    return std::nullopt;
}

std::optional<QString> SourceFacts::unusableReason(const StreamFacts &stream) const
{
    bool packetsElsewhere = false;
    for (const StreamFacts &other : streams) {
        if (other.index != stream.index && other.kind == stream.kind && !other.coverPicture &&
            other.packets.value_or(0) > 0)
            packetsElsewhere = true;
    }
    return stream.unusableReason(packetsElsewhere);
}

const StreamFacts *SourceFacts::picture() const
{
    const StreamFacts *best = nullptr;
    for (const StreamFacts &s : streams) {
        if (s.kind != StreamFacts::Kind::Video || s.coverPicture || unusableReason(s))
            continue;
        if (!best || qint64(s.width) * s.height > qint64(best->width) * best->height)
            best = &s;
    }
    return best;
}

const StreamFacts *SourceFacts::sound() const
{
    const StreamFacts *best = nullptr;
    for (const StreamFacts &s : streams) {
        if (s.kind != StreamFacts::Kind::Audio || unusableReason(s))
            continue;
        if (!best || s.channels > best->channels)
            best = &s;
    }
    return best;
}

bool SourceFacts::fieldOrderUnknown() const
{
    const StreamFacts *p = picture();
    return p && (p->fieldOrder.isEmpty() || p->fieldOrder == QLatin1String("unknown"));
}

bool SourceFacts::interlaced() const
{
    const StreamFacts *p = picture();
    if (!p)
        return false;
    if (!fieldOrderUnknown())
        return p->fieldOrder != QLatin1String("progressive");
    if (!measuredFields)
        return false;
    const FieldCount &c = *measuredFields;
    // Still pictures and fades are undetermined; of the rest, most must be
    // interlaced, and enough of them to be sure.
    const int fields = c.topFirst + c.bottomFirst;
    return fields >= 5 && fields > c.progressive;
}

bool SourceFacts::topFieldFirst() const
{
    const StreamFacts *p = picture();
    if (p && !fieldOrderUnknown())
        return p->fieldOrder.startsWith(u't');
    return !measuredFields || measuredFields->topFirst >= measuredFields->bottomFirst;
}

SourceFacts::Range SourceFacts::range() const
{
    const StreamFacts *p = picture();
    if (!p)
        return Range::Standard;
    if (p->colourTransfer == QLatin1String("smpte2084"))
        return Range::Pq;
    if (p->colourTransfer == QLatin1String("arib-std-b67"))
        return Range::Hlg;
    return Range::Standard;
}

bool SourceFacts::matrixSaysRgb() const
{
    const StreamFacts *p = picture();
    return p && p->pixelFormat.startsWith(QLatin1String("yuv")) &&
           p->colourMatrix == QLatin1String("gbr");
}

bool SourceFacts::matrixUnusable() const
{
    const StreamFacts *p = picture();
    return p && p->pixelFormat.startsWith(QLatin1String("yuv")) &&
           (p->colourMatrix.isEmpty() || matrixSaysRgb());
}

int SourceFacts::rotation() const
{
    const StreamFacts *p = picture();
    return p ? p->rotation : 0;
}

QString localFileArgument(const QString &path)
{
    return QStringLiteral("file:") + QFileInfo(path).absoluteFilePath();
}

QStringList sourceFactsArguments(const QString &path, bool countPackets)
{
    QStringList args = {QStringLiteral("-v"),           QStringLiteral("error"),
                        QStringLiteral("-hide_banner"), QStringLiteral("-probesize"),
                        QStringLiteral("10M"),          QStringLiteral("-analyzeduration"),
                        QStringLiteral("10M")};
    if (countPackets)
        args << QStringLiteral("-count_packets") << QStringLiteral("-read_intervals")
             << QStringLiteral("%+#%1").arg(kCountedPackets);
    args << QStringLiteral("-show_entries") << kEntries << QStringLiteral("-of")
         << QStringLiteral("json") << QStringLiteral("-i") << localFileArgument(path);
    return args;
}

std::optional<SourceFacts> parseSourceFacts(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    const QJsonObject format = root.value(QLatin1String("format")).toObject();
    const QJsonArray streams = root.value(QLatin1String("streams")).toArray();
    if (format.isEmpty() && streams.isEmpty())
        return std::nullopt;

    SourceFacts facts;
    facts.container = format.value(QLatin1String("format_name")).toString();
    bool ok = false;
    const double seconds = format.value(QLatin1String("duration")).toString().toDouble(&ok);
    if (ok && seconds >= 0 && std::isfinite(seconds))
        facts.seconds = seconds;
    const double start = format.value(QLatin1String("start_time")).toString().toDouble(&ok);
    if (ok && std::isfinite(start))
        facts.startSeconds = start;
    // Packets were counted when any stream tells its count; a stream that
    // then tells none had none.
    bool counted = false;
    for (const QJsonValue &value : streams)
        counted = counted || value.toObject().contains(QLatin1String("nb_read_packets"));
    for (const QJsonValue &value : streams) {
        const QJsonObject s = value.toObject();
        StreamFacts stream;
        stream.index = s.value(QLatin1String("index")).toInt();
        stream.kind = kindOf(s.value(QLatin1String("codec_type")).toString());
        stream.codec = s.value(QLatin1String("codec_name")).toString();
        stream.width = s.value(QLatin1String("width")).toInt();
        stream.height = s.value(QLatin1String("height")).toInt();
        stream.channels = s.value(QLatin1String("channels")).toInt();
        stream.sampleRate = intOf(s.value(QLatin1String("sample_rate")));
        stream.sampleFormat = s.value(QLatin1String("sample_fmt")).toString();
        if (counted)
            stream.packets = s.value(QLatin1String("nb_read_packets")).toString().toLongLong();
        stream.coverPicture = s.value(QLatin1String("disposition"))
                                  .toObject()
                                  .value(QLatin1String("attached_pic"))
                                  .toInt() != 0;
        stream.fieldOrder = toldOrEmpty(s.value(QLatin1String("field_order")));
        stream.colourMatrix = toldOrEmpty(s.value(QLatin1String("color_space")));
        stream.colourTransfer = toldOrEmpty(s.value(QLatin1String("color_transfer")));
        stream.colourPrimaries = toldOrEmpty(s.value(QLatin1String("color_primaries")));
        stream.pixelFormat = s.value(QLatin1String("pix_fmt")).toString();
        stream.frameRate = guessedRate(s.value(QLatin1String("r_frame_rate")).toString(),
                                       s.value(QLatin1String("avg_frame_rate")).toString());
        // The display matrix turns counter-clockwise; an older "rotate" tag
        // tells the clockwise turn.
        const QJsonArray sideData = s.value(QLatin1String("side_data_list")).toArray();
        const QJsonObject tags = s.value(QLatin1String("tags")).toObject();
        for (const QJsonValue &data : sideData) {
            if (data.toObject().contains(QLatin1String("rotation")))
                stream.rotation =
                    clockwiseDegrees(-data.toObject().value(QLatin1String("rotation")).toDouble());
        }
        if (sideData.isEmpty() && tags.contains(QLatin1String("rotate")))
            stream.rotation =
                clockwiseDegrees(tags.value(QLatin1String("rotate")).toString().toDouble());
        facts.streams.push_back(stream);
    }
    return facts;
}

std::optional<QStringList> lastPacketsArguments(const QString &path, const SourceFacts &facts,
                                                int streamIndex)
{
    if (!facts.seconds)
        return std::nullopt;
    const double from = std::max(0.0, facts.startSeconds + *facts.seconds - kLastSeconds);
    return QStringList{QStringLiteral("-v"),
                       QStringLiteral("error"),
                       QStringLiteral("-hide_banner"),
                       QStringLiteral("-select_streams"),
                       QString::number(streamIndex),
                       QStringLiteral("-read_intervals"),
                       QString::number(from, 'f', 3) + QLatin1Char('%'),
                       QStringLiteral("-show_entries"),
                       QStringLiteral("packet=pts_time,duration_time"),
                       QStringLiteral("-of"),
                       QStringLiteral("csv=p=0"),
                       QStringLiteral("-i"),
                       localFileArgument(path)};
}

std::optional<double> parseLastPictureSeconds(const QString &packets)
{
    std::optional<double> lastShown;
    std::optional<double> held;
    for (const QString &line : packets.split(u'\n')) {
        const QStringList fields = line.trimmed().split(u',');
        bool ptsOk = false;
        bool durationOk = false;
        const double pts = fields.value(0).toDouble(&ptsOk);
        const double duration = fields.value(1).toDouble(&durationOk);
        if (fields.size() != 2 || !ptsOk || !durationOk)
            continue;
        if (!lastShown || pts >= *lastShown) {
            lastShown = pts;
            held = duration;
        }
    }
    return held;
}

QStringList fieldCountArguments(const QString &path, int streamIndex)
{
    return {QStringLiteral("-hide_banner"),
            QStringLiteral("-nostdin"),
            QStringLiteral("-nostats"),
            QStringLiteral("-v"),
            QStringLiteral("info"),
            QStringLiteral("-noautorotate"),
            QStringLiteral("-t"),
            QString::number(kFieldCountSeconds),
            QStringLiteral("-i"),
            localFileArgument(path),
            QStringLiteral("-map"),
            QStringLiteral("0:%1").arg(streamIndex),
            QStringLiteral("-frames:v"),
            QString::number(kFieldCountFrames),
            QStringLiteral("-vf"),
            QStringLiteral("idet"),
            QStringLiteral("-f"),
            QStringLiteral("null"),
            QStringLiteral("-")};
}

std::optional<FieldCount> parseFieldCount(const QString &messages)
{
    static const QRegularExpression line(
        QStringLiteral("Multi frame detection: TFF:\\s*(\\d+) BFF:\\s*(\\d+) "
                       "Progressive:\\s*(\\d+) Undetermined:\\s*(\\d+)"));
    std::optional<FieldCount> count;
    QRegularExpressionMatchIterator it = line.globalMatch(messages);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        count = FieldCount{m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                           m.captured(4).toInt()};
    }
    return count;
}

} // namespace vantrel
