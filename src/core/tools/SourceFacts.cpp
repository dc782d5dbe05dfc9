#include "core/tools/SourceFacts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SourceFacts", text);
}

// What ffprobe is asked for: only what a conversion, its rules and its
// checks decide by. The packets are listed, not decoded.
const QString kEntries = QStringLiteral(
    "format=format_name,duration,start_time"
    ":stream=index,codec_type,codec_name,width,height,pix_fmt,field_order,color_space,"
    "color_transfer,color_primaries,color_range,r_frame_rate,avg_frame_rate,channels,"
    "sample_rate,sample_fmt,bit_rate,duration,nb_frames,profile,level"
    ":stream_disposition:stream_tags=rotate,language,title,BPS:stream_side_data"
    ":packet=stream_index,pts_time,duration_time");

// Packets read at the head: enough for every stream of a film to show
// itself, few enough to be read at once whatever the file.
constexpr int kCountedPackets = 600;
// A held last picture is told by the last seconds' packets: when no more
// than this is read ahead, the whole file is read.
constexpr double kShortFileSeconds = 8;
// Of a picture, the seconds and frames idet looks at.
constexpr int kFieldCountSeconds = 5;
constexpr int kFieldCountFrames = 150;
// Of the file's end, the seconds whose packets tell how long the last
// picture is held.
constexpr double kLastSeconds = 5;
// Packets that end this near the length the header tells reached the end.
constexpr double kEndTolerance = 1;
// Seconds without a packet of picture or sound that make a gap worth telling.
constexpr double kGapSeconds = 10;

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

std::optional<double> secondsOf(const QJsonValue &value)
{
    bool ok = false;
    const double seconds = value.toString().toDouble(&ok);
    return ok && std::isfinite(seconds) ? std::optional<double>(seconds) : std::nullopt;
}

// "35400/50000" as a number; a plain number as it is.
double fractionOf(const QJsonValue &value)
{
    if (value.isDouble())
        return value.toDouble();
    const QStringList parts = value.toString().split(u'/');
    const double num = parts.value(0).toDouble();
    const double den = parts.size() == 2 ? parts[1].toDouble() : 1;
    return den != 0 ? num / den : 0;
}

StreamFacts::Disposition dispositionOf(const QJsonObject &d)
{
    const auto on = [&d](const char *key) {
        return d.value(QLatin1String(key)).toInt() != 0;
    };
    StreamFacts::Disposition disposition;
    disposition.isDefault = on("default");
    disposition.forced = on("forced");
    disposition.comment = on("comment");
    disposition.hearingImpaired = on("hearing_impaired");
    disposition.visualImpaired = on("visual_impaired");
    disposition.original = on("original");
    disposition.dub = on("dub");
    disposition.karaoke = on("karaoke");
    return disposition;
}

// The side data a stream's header carries: its rotation (the display
// matrix turns counter-clockwise), HDR10's static metadata, Dolby Vision.
void readSideData(const QJsonArray &sideData, StreamFacts &stream)
{
    for (const QJsonValue &value : sideData) {
        const QJsonObject data = value.toObject();
        const QString type = data.value(QLatin1String("side_data_type")).toString();
        const auto number = [&data](const char *key) {
            return fractionOf(data.value(QLatin1String(key)));
        };
        if (data.contains(QLatin1String("rotation"))) {
            stream.rotation = clockwiseDegrees(-data.value(QLatin1String("rotation")).toDouble());
        } else if (type == QLatin1String("Mastering display metadata") &&
                   data.contains(QLatin1String("red_x"))) {
            stream.masteringDisplay = StreamFacts::MasteringDisplay{
                number("red_x"),         number("red_y"),         number("green_x"),
                number("green_y"),       number("blue_x"),        number("blue_y"),
                number("white_point_x"), number("white_point_y"), number("min_luminance"),
                number("max_luminance")};
        } else if (type == QLatin1String("Content light level metadata")) {
            stream.contentLight =
                StreamFacts::ContentLight{data.value(QLatin1String("max_content")).toInt(),
                                          data.value(QLatin1String("max_average")).toInt()};
        } else if (data.contains(QLatin1String("dv_profile"))) {
            stream.dolbyVisionProfile = data.value(QLatin1String("dv_profile")).toInt();
        }
    }
}

// What the listed packets tell: each stream's count, where the last of them
// ends, and for each stream the packet shown last (its time and how long it
// is held).
struct PacketList
{
    QHash<int, qint64> counts;
    std::optional<double> end;
    QHash<int, std::pair<double, double>> shownLast;
    std::optional<SourceFacts::Gap> gap;
};

// The longest span that no packet covers among `spans` (start, end), when
// longer than kGapSeconds.
std::optional<SourceFacts::Gap> longestGap(std::vector<std::pair<double, double>> spans)
{
    std::sort(spans.begin(), spans.end());
    std::optional<SourceFacts::Gap> longest;
    std::optional<double> covered;
    for (const auto &[start, end] : spans) {
        if (covered && start - *covered > std::max(kGapSeconds, longest ? longest->seconds : 0))
            longest = SourceFacts::Gap{*covered, start - *covered};
        covered = std::max(covered.value_or(end), end);
    }
    return longest;
}

// `media`: the streams of picture and sound, whose packets tell a gap.
PacketList readPackets(const QJsonArray &packets, const QSet<int> &media)
{
    PacketList list;
    // The head's packets are read in one run; the end's, after a seek, are
    // apart from them by design.
    std::vector<std::pair<double, double>> headSpans;
    int read = 0;
    for (const QJsonValue &value : packets) {
        ++read;
        const QJsonObject packet = value.toObject();
        const int stream = packet.value(QLatin1String("stream_index")).toInt();
        ++list.counts[stream];
        const std::optional<double> pts = secondsOf(packet.value(QLatin1String("pts_time")));
        const std::optional<double> duration =
            secondsOf(packet.value(QLatin1String("duration_time")));
        if (!pts)
            continue;
        list.end = std::max(list.end.value_or(*pts), *pts + duration.value_or(0));
        if (media.contains(stream) && read <= kCountedPackets)
            headSpans.emplace_back(*pts, *pts + duration.value_or(0));
        const auto last = list.shownLast.constFind(stream);
        if (duration && (last == list.shownLast.constEnd() || *pts >= last->first))
            list.shownLast.insert(stream, {*pts, *duration});
    }
    list.gap = longestGap(std::move(headSpans));
    return list;
}

} // namespace

std::optional<double> frameRateValue(const QString &fraction)
{
    return rateOf(fraction);
}

std::optional<double> StreamFacts::framesPerSecond() const
{
    return rateOf(frameRate);
}

QString StreamFacts::frameRateOfFrames() const
{
    const std::optional<double> rate = rateOf(frameRate);
    const std::optional<double> average = rateOf(averageRate);
    if (rate && average && std::abs(*rate - 2 * *average) < 0.01 * *rate)
        return averageRate;
    return frameRate;
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

bool StreamFacts::mayCarryFields() const
{
    // Codecs that code whole pictures only.
    static const QStringList kProgressiveOnly = {
        QStringLiteral("vp8"),    QStringLiteral("vp9"),        QStringLiteral("av1"),
        QStringLiteral("mjpeg"),  QStringLiteral("mpeg1video"), QStringLiteral("png"),
        QStringLiteral("apng"),   QStringLiteral("gif"),        QStringLiteral("webp"),
        QStringLiteral("theora"), QStringLiteral("flv1"),       QStringLiteral("vp6"),
        QStringLiteral("vp6f"),   QStringLiteral("vp6a")};
    return !kProgressiveOnly.contains(codec);
}

bool SourceFacts::fieldsToCount() const
{
    const StreamFacts *p = picture();
    return p && fieldOrderUnknown() && p->mayCarryFields() && !fieldsCounted;
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

bool SourceFacts::hdrMetadataToRead() const
{
    const StreamFacts *p = picture();
    return p && range() == Range::Pq && !p->masteringDisplay && !p->contentLight && !hdrFramesRead;
}

bool SourceFacts::closesGaps() const
{
    const QStringList names = container.split(u',');
    return names.contains(QLatin1String("mpegts")) || names.contains(QLatin1String("mpeg"));
}

std::optional<double> SourceFacts::heldSeconds() const
{
    const double gap = closesGaps() && timestampGap ? timestampGap->seconds : 0;
    if (lastPacketsRead && packetsEndSeconds)
        return std::max(0.0, *packetsEndSeconds - startSeconds - gap);
    if (!seconds)
        return std::nullopt;
    return std::max(0.0, *seconds - gap);
}

std::optional<double> SourceFacts::claimedSeconds() const
{
    std::optional<double> claimed = seconds;
    const StreamFacts *p = picture();
    const std::optional<double> rate = p ? p->framesPerSecond() : std::nullopt;
    const std::optional<double> average = p ? rateOf(p->averageRate) : std::nullopt;
    // The higher of the two rates: a count of fields is not taken for frames.
    if (p && p->frames && rate)
        claimed = std::max(claimed.value_or(0), *p->frames / std::max(*rate, average.value_or(0)));
    return claimed;
}

QString localFileArgument(const QString &path)
{
    return QStringLiteral("file:") + QFileInfo(path).absoluteFilePath();
}

QStringList sourceFactsArguments(const QString &path, std::optional<double> expectedSeconds)
{
    // The head's packets, and the last seconds' when the length is known:
    // a short file is read whole.
    QString intervals = QStringLiteral("%+#%1").arg(kCountedPackets);
    if (expectedSeconds && *expectedSeconds <= kShortFileSeconds)
        intervals = QStringLiteral("%");
    else if (expectedSeconds)
        intervals += QStringLiteral(",%1%").arg(*expectedSeconds - kLastSeconds, 0, 'f', 3);
    // Warnings too: one of them tells a length guessed from the bitrate.
    return {QStringLiteral("-v"),
            QStringLiteral("warning"),
            QStringLiteral("-hide_banner"),
            QStringLiteral("-probesize"),
            QStringLiteral("10M"),
            QStringLiteral("-analyzeduration"),
            QStringLiteral("10M"),
            QStringLiteral("-read_intervals"),
            intervals,
            QStringLiteral("-show_entries"),
            kEntries,
            QStringLiteral("-of"),
            QStringLiteral("json=c=1"),
            QStringLiteral("-i"),
            localFileArgument(path)};
}

QStringList sourceHeaderArguments(const QString &path)
{
    QStringList arguments = sourceFactsArguments(path, std::nullopt);
    const qsizetype at = arguments.indexOf(QStringLiteral("-read_intervals"));
    arguments.remove(at, 2);
    arguments[arguments.indexOf(kEntries)] = kEntries.section(QStringLiteral(":packet="), 0, 0);
    return arguments;
}

void forgetGuessedLength(SourceFacts &facts, const QString &messages)
{
    if (!messages.contains(QLatin1String("Estimating duration from bitrate")))
        return;
    facts.lengthGuessed = true;
    facts.seconds.reset();
    for (StreamFacts &stream : facts.streams)
        stream.seconds.reset();
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
    // Packets were counted when listed, or when any stream tells its count;
    // a stream that then has none had none.
    const bool listed = root.contains(QLatin1String("packets"));
    bool counted = listed;
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
        const QJsonObject disposition = s.value(QLatin1String("disposition")).toObject();
        stream.coverPicture = disposition.value(QLatin1String("attached_pic")).toInt() != 0;
        stream.disposition = dispositionOf(disposition);
        stream.fieldOrder = toldOrEmpty(s.value(QLatin1String("field_order")));
        stream.colourMatrix = toldOrEmpty(s.value(QLatin1String("color_space")));
        stream.colourTransfer = toldOrEmpty(s.value(QLatin1String("color_transfer")));
        stream.colourPrimaries = toldOrEmpty(s.value(QLatin1String("color_primaries")));
        stream.pixelFormat = s.value(QLatin1String("pix_fmt")).toString();
        stream.profile = s.value(QLatin1String("profile")).toString();
        stream.level = std::max(0, s.value(QLatin1String("level")).toInt());
        stream.frameRate = guessedRate(s.value(QLatin1String("r_frame_rate")).toString(),
                                       s.value(QLatin1String("avg_frame_rate")).toString());
        stream.averageRate = s.value(QLatin1String("avg_frame_rate")).toString();
        stream.colourRange = toldOrEmpty(s.value(QLatin1String("color_range")));
        stream.seconds = secondsOf(s.value(QLatin1String("duration")));
        if (const qint64 frames = s.value(QLatin1String("nb_frames")).toString().toLongLong();
            frames > 0)
            stream.frames = frames;
        // An older "rotate" tag tells the clockwise turn.
        const QJsonArray sideData = s.value(QLatin1String("side_data_list")).toArray();
        const QJsonObject tags = s.value(QLatin1String("tags")).toObject();
        readSideData(sideData, stream);
        if (stream.rotation == 0 && tags.contains(QLatin1String("rotate")))
            stream.rotation =
                clockwiseDegrees(tags.value(QLatin1String("rotate")).toString().toDouble());
        const QString language = tags.value(QLatin1String("language")).toString();
        stream.language = language == QLatin1String("und") ? QString() : language;
        stream.title = tags.value(QLatin1String("title")).toString();
        // Matroska tells a stream's rate in a tag of its muxer's.
        for (const QJsonValue &rate :
             {s.value(QLatin1String("bit_rate")), tags.value(QLatin1String("BPS"))}) {
            if (const qint64 bits = rate.toString().toLongLong(); bits > 0 && !stream.bitsPerSecond)
                stream.bitsPerSecond = bits;
        }
        facts.streams.push_back(stream);
    }
    if (listed) {
        QSet<int> media;
        for (const StreamFacts &stream : facts.streams) {
            if (stream.kind == StreamFacts::Kind::Audio ||
                (stream.kind == StreamFacts::Kind::Video && !stream.coverPicture))
                media.insert(stream.index);
        }
        const PacketList packets =
            readPackets(root.value(QLatin1String("packets")).toArray(), media);
        facts.timestampGap = packets.gap;
        for (StreamFacts &stream : facts.streams)
            stream.packets = packets.counts.value(stream.index);
        facts.packetsEndSeconds = packets.end;
        // The packets reached the file's end: its last picture is known.
        facts.lastPacketsRead = packets.end && facts.seconds &&
                                *packets.end >= facts.startSeconds + *facts.seconds - kEndTolerance;
        const StreamFacts *picture = facts.picture();
        if (facts.lastPacketsRead && picture && packets.shownLast.contains(picture->index))
            facts.lastPictureSeconds = packets.shownLast.value(picture->index).second;
    }
    return facts;
}

QStringList lastPacketsArguments(const QString &path, const SourceFacts &facts, int streamIndex)
{
    const double from =
        facts.seconds ? std::max(0.0, facts.startSeconds + *facts.seconds - kLastSeconds) : 0;
    return {QStringLiteral("-v"),
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

LastPackets parseLastPackets(const QString &packets)
{
    LastPackets last;
    std::optional<double> lastShown;
    for (const QString &line : packets.split(u'\n')) {
        const QStringList fields = line.trimmed().split(u',');
        bool ptsOk = false;
        bool durationOk = false;
        const double pts = fields.value(0).toDouble(&ptsOk);
        const double duration = fields.value(1).toDouble(&durationOk);
        if (fields.size() != 2 || !ptsOk || !std::isfinite(pts))
            continue;
        const double shown = durationOk && std::isfinite(duration) ? duration : 0;
        last.endSeconds = std::max(last.endSeconds.value_or(pts), pts + shown);
        if (durationOk && (!lastShown || pts >= *lastShown)) {
            lastShown = pts;
            last.shownLastSeconds = duration;
        }
    }
    return last;
}

QStringList keyFrameArguments(const QString &path, const SourceFacts &facts, int streamIndex,
                              double clipStart, double before, double after)
{
    const double at = facts.startSeconds + clipStart;
    const double from = std::max(0.0, at - before);
    return {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-hide_banner"),
            QStringLiteral("-select_streams"), QString::number(streamIndex),
            QStringLiteral("-read_intervals"),
            QString::number(from, 'f', 3) + u'%' + QString::number(at + after, 'f', 3),
            QStringLiteral("-show_entries"), QStringLiteral("packet=pts_time,flags"),
            QStringLiteral("-of"), QStringLiteral("csv=p=0"),
            // A program stream's key frames may come without a time.
            QStringLiteral("-fflags"), QStringLiteral("+genpts"), QStringLiteral("-i"),
            localFileArgument(path)};
}

KeyFrames keyFramesAround(const QString &packets, double startSeconds, double clipStart)
{
    // A key frame within half a millisecond of the start is on it: the
    // listed times are rounded to microseconds.
    constexpr double kOnTheStart = 0.0005;
    // Each key frame with the pictures decoded after it up to the next one:
    // the earliest of them is shown first.
    struct Group
    {
        double key;
        double shownFrom;
    };
    std::vector<Group> groups;
    for (const QString &line : packets.split(u'\n')) {
        const QStringList fields = line.trimmed().split(u',');
        bool ok = false;
        const double pts = fields.value(0).toDouble(&ok);
        if (fields.size() < 2 || !ok || !std::isfinite(pts))
            continue;
        const double at = pts - startSeconds;
        if (fields.at(1).startsWith(u'K'))
            groups.push_back({at, at});
        else if (!groups.empty())
            groups.back().shownFrom = std::min(groups.back().shownFrom, at);
    }
    KeyFrames found;
    for (const Group &group : groups) {
        if (group.key <= clipStart + kOnTheStart) {
            if (!found.before || group.key > *found.before) {
                found.before = std::max(0.0, group.key);
                found.beforeShownFrom = std::max(0.0, group.shownFrom);
            }
        } else if (!found.after || group.key < *found.after) {
            found.after = group.key;
            found.afterShownFrom = group.shownFrom;
        }
    }
    return found;
}

QStringList keyFrameHeaderArguments(const QString &path, int streamIndex, double before,
                                    double seconds)
{
    const double from = std::max(0.0, before - 1);
    return {QStringLiteral("-hide_banner"),
            QStringLiteral("-nostdin"),
            QStringLiteral("-ss"),
            QString::number(from, 'f', 3),
            QStringLiteral("-i"),
            localFileArgument(path),
            QStringLiteral("-map"),
            QStringLiteral("0:%1").arg(streamIndex),
            QStringLiteral("-c"),
            QStringLiteral("copy"),
            QStringLiteral("-ss"),
            QString::number((before + seconds) / 2 - from, 'f', 3),
            QStringLiteral("-frames:v"),
            QStringLiteral("1"),
            QStringLiteral("-bsf:v"),
            QStringLiteral("trace_headers"),
            QStringLiteral("-f"),
            QStringLiteral("null"),
            QStringLiteral("-")};
}

std::optional<bool> startsClosedGroup(const QString &codec, const QString &trace)
{
    // "[trace_headers @ 0x55] 3  nal_unit_type   00101 = 5": the value ends the line.
    const auto valueOf = [](const QString &line) {
        bool ok = false;
        const int value = line.section(u'=', -1).trimmed().toInt(&ok);
        return ok ? std::optional<int>(value) : std::nullopt;
    };
    for (const QString &line : trace.split(u'\n')) {
        const QString field = line.section(u']', 1).simplified().section(u' ', 1, 1);
        const std::optional<int> value = valueOf(line);
        if (!value)
            continue;
        if (codec == QLatin1String("h264") && field == QLatin1String("nal_unit_type") &&
            (*value == 1 || *value == 5))
            return *value == 5;
        if (codec == QLatin1String("hevc") && field == QLatin1String("nal_unit_type") &&
            *value <= 31)
            return *value >= 16 && *value <= 20;
        if (codec == QLatin1String("mpeg2video") && field == QLatin1String("closed_gop") &&
            *value == 1)
            return true;
        if (codec == QLatin1String("mpeg2video") && field == QLatin1String("broken_link"))
            return *value == 1;
    }
    return std::nullopt;
}

QStringList hdrFrameArguments(const QString &path, int streamIndex)
{
    // A few packets: the first key frame carries the metadata.
    return {QStringLiteral("-v"),
            QStringLiteral("error"),
            QStringLiteral("-select_streams"),
            QString::number(streamIndex),
            QStringLiteral("-read_intervals"),
            QStringLiteral("%+#8"),
            QStringLiteral("-show_frames"),
            QStringLiteral("-show_entries"),
            QStringLiteral("frame=side_data_list"),
            QStringLiteral("-of"),
            QStringLiteral("json"),
            QStringLiteral("-i"),
            localFileArgument(path)};
}

void readFramesSideData(const QByteArray &json, StreamFacts &stream)
{
    const QJsonArray frames =
        QJsonDocument::fromJson(json).object().value(QLatin1String("frames")).toArray();
    for (const QJsonValue &frame : frames) {
        readSideData(frame.toObject().value(QLatin1String("side_data_list")).toArray(), stream);
        if (stream.masteringDisplay || stream.contentLight)
            return;
    }
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
