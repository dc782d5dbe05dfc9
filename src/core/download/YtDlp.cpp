#include "core/download/YtDlp.h"

#include "core/download/WebAddress.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("YtDlp", text);
}

// The options every run shares: nothing read from configuration files, no
// local file ever fetched, a cache of the program's own, no colours or
// warnings in the messages, and a time limit on silent sockets.
QStringList common(const QString &cacheFolder)
{
    return {QStringLiteral("--ignore-config"),  QStringLiteral("--no-playlist"),
            QStringLiteral("--no-color"),       QStringLiteral("--no-warnings"),
            QStringLiteral("--socket-timeout"), QStringLiteral("30"),
            QStringLiteral("--cache-dir"),      cacheFolder};
}

bool isNone(const QJsonValue &codec)
{
    return codec.toString() == QLatin1String("none");
}

YtFormat formatOf(const QJsonObject &object)
{
    YtFormat format;
    format.id = object.value(QStringLiteral("format_id")).toString();
    format.url = object.value(QStringLiteral("url")).toString();
    format.ext = object.value(QStringLiteral("ext")).toString();
    format.protocol = object.value(QStringLiteral("protocol")).toString();
    format.width = object.value(QStringLiteral("width")).toInt();
    format.height = object.value(QStringLiteral("height")).toInt();
    format.video = !isNone(object.value(QStringLiteral("vcodec")));
    format.audio = !isNone(object.value(QStringLiteral("acodec")));
    format.bitrate = object.value(QStringLiteral("tbr")).toDouble();
    format.size = qint64(object.value(QStringLiteral("filesize")).toDouble());
    if (format.size == 0)
        format.size = qint64(object.value(QStringLiteral("filesize_approx")).toDouble());
    return format;
}

// Whether a format is fetched over http(s) alone: its protocol one file or
// HLS or DASH pieces, and every address it names a web address.
bool isFetchedOverTheWeb(const QJsonObject &object)
{
    static const QStringList kProtocols = {QStringLiteral("http"),
                                           QStringLiteral("https"),
                                           QStringLiteral("m3u8"),
                                           QStringLiteral("m3u8_native"),
                                           QStringLiteral("http_dash_segments"),
                                           QStringLiteral("http_dash_segments_generator")};
    if (!kProtocols.contains(object.value(QStringLiteral("protocol")).toString()))
        return false;
    QStringList addresses = {object.value(QStringLiteral("url")).toString()};
    for (const char *key : {"manifest_url", "fragment_base_url"}) {
        if (object.contains(QLatin1String(key)))
            addresses << object.value(QLatin1String(key)).toString();
    }
    for (const QJsonValue &fragment : object.value(QStringLiteral("fragments")).toArray()) {
        if (fragment.toObject().contains(QStringLiteral("url")))
            addresses << fragment.toObject().value(QStringLiteral("url")).toString();
    }
    return std::all_of(addresses.cbegin(), addresses.cend(),
                       [](const QString &address) { return isWebAddress(QUrl(address)); });
}

// "20091026" -> "2009-10-26".
QString dateText(const QString &yyyymmdd)
{
    if (yyyymmdd.size() != 8)
        return yyyymmdd;
    return yyyymmdd.left(4) + u'-' + yyyymmdd.mid(4, 2) + u'-' + yyyymmdd.mid(6, 2);
}

// Better for a user: more lines, then one file rather than pieces, then
// more bits.
bool better(const YtFormat &a, const YtFormat &b)
{
    if (a.height != b.height)
        return a.height > b.height;
    if (a.isProgressive() != b.isProgressive())
        return a.isProgressive();
    return a.bitrate > b.bitrate;
}

// The sound that joins a picture without its own: one that fits its
// container (MP4 with M4A, WebM with WebM) before more bits.
std::optional<YtFormat> soundFor(const YtFormat &picture, const QList<YtFormat> &formats)
{
    const auto fits = [&picture](const YtFormat &sound) {
        return picture.ext == sound.ext ||
               (picture.ext == QLatin1String("mp4") && sound.ext == QLatin1String("m4a"));
    };
    std::optional<YtFormat> chosen;
    for (const YtFormat &sound : formats) {
        if (sound.video || !sound.audio)
            continue;
        if (!chosen || std::make_pair(fits(sound), sound.bitrate) >
                           std::make_pair(fits(*chosen), chosen->bitrate))
            chosen = sound;
    }
    return chosen;
}

} // namespace

bool YtFormat::isProgressive() const
{
    return protocol == QLatin1String("http") || protocol == QLatin1String("https");
}

QString YtFormat::description() const
{
    QString text = ext.toUpper();
    if (width > 0 && height > 0)
        text += QStringLiteral(", %1x%2").arg(width).arg(height);
    else if (height > 0)
        text += QStringLiteral(", %1p").arg(height);
    if (protocol.startsWith(QLatin1String("m3u8")))
        text += tr(" stream (HLS)");
    else if (protocol.contains(QLatin1String("dash")))
        text += tr(" stream (DASH)");
    if (!audio)
        text += tr(", no sound of its own");
    return text;
}

QString openGraphPicture(const QString &page, const QString &address)
{
    // <meta property="og:image" content="..."> with its attributes in either order.
    static const QRegularExpression kMeta(
        QStringLiteral("<meta\\s[^>]*(?:property|name)\\s*=\\s*[\"']og:image(?::url)?[\"'][^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression kContent(
        QStringLiteral("content\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch meta = kMeta.match(page);
    if (!meta.hasMatch())
        return QString();
    const QRegularExpressionMatch content = kContent.match(meta.captured(0));
    QString picture = content.captured(1) + content.captured(2);
    picture.replace(QLatin1String("&quot;"), QLatin1String("\""));
    picture.replace(QLatin1String("&#39;"), QLatin1String("'"));
    picture.replace(QLatin1String("&amp;"), QLatin1String("&"));
    picture = picture.trimmed();
    return picture.isEmpty() ? picture
                             : QUrl(address).resolved(QUrl(picture)).toString(QUrl::FullyEncoded);
}

Expected<YtVideo> parseYtDlpVideo(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (!document.isObject())
        return Expected<YtVideo>::failure(
            tr("yt-dlp said something that is no video: %1").arg(error.errorString()));
    const QJsonObject object = document.object();
    YtVideo video;
    VideoPageInfo &info = video.info;
    info.videoId = object.value(QStringLiteral("id")).toString();
    info.title = object.value(QStringLiteral("title")).toString();
    info.author = object.value(QStringLiteral("uploader")).toString();
    info.published = dateText(object.value(QStringLiteral("upload_date")).toString());
    QStringList categories;
    for (const QJsonValue &category : object.value(QStringLiteral("categories")).toArray())
        categories << category.toString();
    info.category = categories.join(QStringLiteral(", "));
    info.description = object.value(QStringLiteral("description")).toString();
    const double duration = object.value(QStringLiteral("duration")).toDouble();
    info.length = duration > 0 ? QString::number(qRound64(duration)) : QString();
    const QJsonValue rating = object.value(QStringLiteral("average_rating"));
    const QJsonValue likes = object.value(QStringLiteral("like_count"));
    if (rating.isDouble())
        info.rating = QString::number(rating.toDouble());
    else if (likes.isDouble())
        info.rating = tr("%1 likes").arg(qint64(likes.toDouble()));
    info.thumbnail = object.value(QStringLiteral("thumbnail")).toString();
    video.site = object.value(QStringLiteral("webpage_url_domain")).toString();
    if (video.site.isEmpty())
        video.site = object.value(QStringLiteral("extractor_key")).toString();

    QList<QJsonObject> listed;
    for (const QJsonValue &format : object.value(QStringLiteral("formats")).toArray())
        listed.append(format.toObject());
    // A page with one stream may list it at the top level only.
    if (listed.isEmpty() && object.contains(QStringLiteral("url")))
        listed.append(object);
    for (const QJsonObject &format : std::as_const(listed)) {
        if (isFetchedOverTheWeb(format))
            video.formats.append(formatOf(format));
    }
    video.formats.erase(std::remove_if(video.formats.begin(), video.formats.end(),
                                       [](const YtFormat &f) { return f.id.isEmpty(); }),
                        video.formats.end());
    if (video.formats.isEmpty())
        return Expected<YtVideo>::failure(tr("The page names no video yt-dlp can fetch."));
    return video;
}

QMap<int, YtButton> buttonsForFormats(const QList<YtFormat> &formats)
{
    QList<YtFormat> videos;
    for (const YtFormat &format : formats) {
        if (format.video)
            videos.append(format);
    }
    const auto pick = [](const QList<YtFormat> &candidates,
                         const std::function<bool(const YtFormat &)> &fits,
                         const std::function<bool(const YtFormat &, const YtFormat &)> &first)
        -> std::optional<YtFormat> {
        std::optional<YtFormat> chosen;
        for (const YtFormat &format : candidates) {
            if (fits(format) && (!chosen || first(format, *chosen)))
                chosen = format;
        }
        return chosen;
    };
    const auto smaller = [](const YtFormat &a, const YtFormat &b) {
        if (a.height != b.height)
            return a.height > 0 && (b.height == 0 || a.height < b.height);
        return a.bitrate < b.bitrate;
    };
    const auto any = [](const YtFormat &) {
        return true;
    };
    const struct
    {
        int button;
        std::optional<YtFormat> format;
    } choices[] = {
        {22, pick(
                 videos,
                 [](const YtFormat &f) {
                     return f.isProgressive() && f.audio && f.ext == QLatin1String("mp4");
                 },
                 better)},
        {35, pick(videos, any, better)},
        {34,
         pick(
             videos, [](const YtFormat &f) { return f.height > 0 && f.height <= 720; }, better)},
        {5, pick(videos, any, smaller)},
    };
    QMap<int, YtButton> buttons;
    for (const auto &choice : choices) {
        if (!choice.format)
            continue;
        YtButton button{*choice.format, choice.format->id};
        if (!choice.format->audio) {
            if (const std::optional<YtFormat> sound = soundFor(*choice.format, formats))
                button.formatSelector += QLatin1Char('+') + sound->id;
        }
        buttons.insert(choice.button, button);
    }
    return buttons;
}

std::optional<QString> formatSelectorFor(const QString &wanted, const QList<YtFormat> &formats)
{
    bool isKey = false;
    const int key = wanted.toInt(&isKey);
    const QMap<int, YtButton> buttons = buttonsForFormats(formats);
    if (isKey && buttons.contains(key))
        return buttons.value(key).formatSelector;
    const QStringList parts = wanted.split(u'+');
    for (const QString &part : parts) {
        const bool listed = std::any_of(formats.cbegin(), formats.cend(),
                                        [&part](const YtFormat &f) { return f.id == part; });
        if (!listed)
            return std::nullopt;
    }
    return wanted;
}

std::optional<YtProgress> parseYtDlpProgress(const QString &line)
{
    const QLatin1String mark(YtDlpCommand::kProgressMark);
    if (!line.startsWith(mark))
        return std::nullopt;
    const QJsonObject progress = QJsonDocument::fromJson(line.mid(mark.size()).toUtf8()).object();
    if (!progress.contains(QStringLiteral("downloaded_bytes")))
        return std::nullopt;
    YtProgress result;
    result.downloaded = qint64(progress.value(QStringLiteral("downloaded_bytes")).toDouble());
    for (const char *key : {"total_bytes", "total_bytes_estimate"}) {
        const double total = progress.value(QLatin1String(key)).toDouble();
        if (total > 0 && !result.total)
            result.total = qint64(total);
    }
    return result;
}

bool isWholeMediaFile(QIODevice &file, const QString &extension)
{
    static const QStringList kIsoFamily = {QStringLiteral("mp4"), QStringLiteral("m4v"),
                                           QStringLiteral("m4a"), QStringLiteral("mov"),
                                           QStringLiteral("3gp")};
    if (!kIsoFamily.contains(extension))
        return true;
    const qint64 size = file.size();
    bool index = false;
    qint64 at = 0;
    // Each box: a 32-bit size (1: a 64-bit one follows the type; 0: to the
    // end) and a four-letter type.
    for (int boxes = 0; at < size && boxes < 100000; ++boxes) {
        if (!file.seek(at))
            return false;
        const QByteArray head = file.read(16);
        if (head.size() < 8)
            return false;
        const auto bigEndian = [&head](int offset, int bytes) {
            quint64 value = 0;
            for (int i = 0; i < bytes; ++i)
                value = (value << 8) | quint8(head.at(offset + i));
            return value;
        };
        quint64 box = bigEndian(0, 4);
        if (box == 1)
            box = head.size() == 16 ? bigEndian(8, 8) : 0;
        else if (box == 0)
            box = quint64(size - at);
        if (box < 8 || box > quint64(size - at))
            return false; // cut short, or no box at all
        index = index || head.mid(4, 4) == "moov";
        at += qint64(box);
    }
    return index && at == size;
}

LineAssembler ytDlpLineAssembler()
{
    LineAssembler lines;
    lines.setLineMarks({QString::fromLatin1(YtDlpCommand::kProgressMark).trimmed(),
                        QString::fromLatin1(YtDlpCommand::kFileMark).trimmed()});
    lines.setSkipsEmptyLines(true);
    return lines;
}

QString ytDlpError(const QString &errorOutput)
{
    // Python's last line, or a runtime's that yt-dlp started; yt-dlp itself
    // says a bare "ERROR:" for a MemoryError, which has no words of its own.
    static const QRegularExpression kOutOfMemory(
        QStringLiteral("^(?:MemoryError\\b|terminate called after .*std::bad_alloc|ERROR:\\s*$)"),
        QRegularExpression::MultilineOption);
    if (kOutOfMemory.match(errorOutput).hasMatch())
        return tr("yt-dlp needed more than the %1 MB of memory it may use (what it read never "
                  "ended); it was stopped")
            .arg(YtDlpCommand::kMemoryLimitBytes / (1024 * 1024));
    // FFmpeg rewrites its status line in place: every CR ends a line too.
    QString text = errorOutput;
    text.replace(u'\r', u'\n');
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    const QLatin1String error("ERROR:");
    qsizetype at = lines.size() - 1;
    while (at >= 0 && !lines.at(at).startsWith(error))
        --at;
    if (at < 0)
        return lines.isEmpty() ? QString() : lines.constLast().trimmed();
    const QString said = QStringLiteral("yt-dlp: ") + lines.at(at).mid(error.size()).trimmed();
    if (!said.contains(QLatin1String("ffmpeg"), Qt::CaseInsensitive))
        return said;
    // FFmpeg's own lines stand among yt-dlp's ("[download] ...") without a
    // mark of their own; its status and its summary tell nothing.
    static const QRegularExpression kNotFfmpegsOwn(QStringLiteral(
        "^(?:\\[[\\w:+-]+\\] |WARNING:|ERROR:|frame=|size=|video:|Conversion failed!|"
        "Press \\[q\\])"));
    QStringList own;
    for (qsizetype i = at - 1; i >= 0 && own.size() < 2; --i) {
        const QString line = lines.at(i).trimmed();
        if (!line.isEmpty() && !kNotFfmpegsOwn.match(line).hasMatch())
            own.prepend(line);
    }
    return (own << said).join(u'\n');
}

bool isMediaExtension(const QString &extension)
{
    static const QStringList kMedia = {
        QStringLiteral("mp4"), QStringLiteral("m4v"),  QStringLiteral("webm"),
        QStringLiteral("mkv"), QStringLiteral("flv"),  QStringLiteral("3gp"),
        QStringLiteral("mov"), QStringLiteral("m4a"),  QStringLiteral("mp3"),
        QStringLiteral("ogg"), QStringLiteral("opus"), QStringLiteral("aac"),
        QStringLiteral("wav"), QStringLiteral("flac"), QStringLiteral("ts")};
    return kMedia.contains(extension.toLower());
}

std::optional<QString> savedExtension(const QString &extension, const QByteArray &head)
{
    // Text is no media, whatever its name says (a script called "clip.mp4").
    const bool text = std::all_of(head.cbegin(), head.cend(), [](char c) {
        const auto byte = static_cast<quint8>(c);
        return byte >= 0x20 || byte == '\t' || byte == '\n' || byte == '\r';
    });
    if (text)
        return std::nullopt;
    if (isMediaExtension(extension))
        return extension.toLower();
    const auto at = [&head](int offset, const char *bytes) {
        return head.mid(offset, qsizetype(qstrlen(bytes))) == QByteArray(bytes);
    };
    const auto byte = [&head](int offset) {
        return offset < head.size() ? quint8(head.at(offset)) : 0;
    };
    if (at(4, "ftyp")) {
        if (at(8, "qt  "))
            return QStringLiteral("mov");
        if (at(8, "M4A "))
            return QStringLiteral("m4a");
        return at(8, "3g") ? QStringLiteral("3gp") : QStringLiteral("mp4");
    }
    for (const char *atom : {"moov", "mdat", "wide", "free"}) {
        if (at(4, atom))
            return QStringLiteral("mov"); // QuickTime without a type box
    }
    if (at(0, "\x1a\x45\xdf\xa3"))
        return head.left(64).contains("webm") ? QStringLiteral("webm") : QStringLiteral("mkv");
    if (at(0, "FLV\x01"))
        return QStringLiteral("flv");
    if (at(0, "OggS"))
        return head.contains("OpusHead") ? QStringLiteral("opus") : QStringLiteral("ogg");
    if (at(0, "RIFF") && at(8, "WAVE"))
        return QStringLiteral("wav");
    if (at(0, "fLaC"))
        return QStringLiteral("flac");
    if (at(0, "ID3"))
        return QStringLiteral("mp3");
    if (byte(0) == 0x47 && head.size() > 376 && byte(188) == 0x47 && byte(376) == 0x47)
        return QStringLiteral("ts");
    if (byte(0) == 0xff && (byte(1) & 0xf6) == 0xf0)
        return QStringLiteral("aac"); // an ADTS frame
    if (byte(0) == 0xff && (byte(1) & 0xe0) == 0xe0)
        return QStringLiteral("mp3"); // an MPEG audio frame
    return std::nullopt;
}

QStringList YtDlpCommand::info(const QString &address, const QString &cacheFolder)
{
    return common(cacheFolder) + QStringList{QStringLiteral("-J"), QStringLiteral("--"), address};
}

QStringList YtDlpCommand::download(const QString &address, const QString &formatSelector,
                                   const QString &outputTemplate, const QString &cacheFolder)
{
    return common(cacheFolder) +
           QStringList{QStringLiteral("--newline"),
                       QStringLiteral("--progress"),
                       QStringLiteral("--progress-template"),
                       QStringLiteral("download:") + QLatin1String(kProgressMark) +
                           QStringLiteral("%(progress)j"),
                       QStringLiteral("--no-simulate"),
                       QStringLiteral("--print"),
                       QStringLiteral("after_move:") + QLatin1String(kFileMark) +
                           QStringLiteral("%(filepath)s"),
                       QStringLiteral("--no-mtime"),
                       QStringLiteral("-f"),
                       formatSelector,
                       QStringLiteral("-o"),
                       outputTemplate,
                       QStringLiteral("--"),
                       address};
}

QString ytDlpVersion(const QString &output)
{
    static const QRegularExpression version(QStringLiteral("^(\\d[\\w.+-]{0,39})\\s*$"));
    return version.match(output.section(u'\n', 0, 0).trimmed()).captured(1);
}

QStringList YtDlpCommand::version()
{
    return {QStringLiteral("--version")};
}

} // namespace vantrel
