#include "core/download/WatchPage.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace vantrel {

namespace {

// The markers of the page layout of 2009.
const QString kTitleStart = QStringLiteral("VIDEO_TITLE': '");
const QString kIdStart = QStringLiteral("'VIDEO_ID': '");

struct Marker
{
    const char *start;
    const char *end;
};

constexpr Marker kTitle = {"VIDEO_TITLE': '", "',"};
constexpr Marker kAuthor = {"data-discoverbox-username=\"", "\" >"};
constexpr Marker kVideoId = {"'VIDEO_ID': '", "'"};
constexpr Marker kPublished = {"watch-video-added post-date\">", "</span>"};
constexpr Marker kCategory = {"VideoCategoryLink');\">", "</a>"};
constexpr Marker kDescription = {"watch-video-desc description\">", "</span>"};
constexpr Marker kThumbnail = {"rv.2.thumbnailUrl\": \"", "\","};
// The video's own length: the key without a related video's "rv.N." before it.
constexpr Marker kLength = {"\"length_seconds\": \"", "\","};
constexpr Marker kRating = {"master-sprite ratingL ratingL-", "\""};

// The forms of the later layout (April 2010), where the markers above are gone.
constexpr Marker kLaterTitle = {"document.title = '", "';"};
constexpr Marker kLaterAuthor = {"'VIDEO_USERNAME': '", "'"};
constexpr Marker kLaterPublished = {"<span class=\"watch-video-date\">", "</span>"};
constexpr Marker kLaterThumbnail = {"rv.2.thumbnailUrl=", "&"};
constexpr Marker kLaterLength = {"&length_seconds=", "&"};
const QString kLaterSitePrefix = QStringLiteral("YouTube - ");

const QString kDescriptionSpan = QStringLiteral("<span >");

QString between(const QString &page, const Marker &marker)
{
    return extractBetween(page, QLatin1String(marker.start), QLatin1String(marker.end));
}

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

QString removeTitleMarks(QString title)
{
    for (const QChar c : {u'/', u'\\', u'\'', u':', u'(', u')'})
        title.remove(c);
    return title;
}

// The four known stream formats: where a page's address of each is kept,
// the suffix a download of it gets, and the caption of its button.
struct StreamFormat
{
    int code;
    QString StreamLinks::*field;
    const char *suffix;
    const char *caption;
};

constexpr StreamFormat kStreamFormats[] = {
    {22, &StreamLinks::hd720Mp4, ".mp4", QT_TRANSLATE_NOOP("StreamButton", "Get MP4")},
    {34, &StreamLinks::hdLowFlv, "_Full_HD.flv", QT_TRANSLATE_NOOP("StreamButton", "Get HD Low")},
    {35, &StreamLinks::hdHighFlv, "_HD.flv", QT_TRANSLATE_NOOP("StreamButton", "Get HD High")},
    {5, &StreamLinks::flv, ".flv", QT_TRANSLATE_NOOP("StreamButton", "Get FLV")},
};

const StreamFormat *streamFormat(int code)
{
    for (const StreamFormat &format : kStreamFormats) {
        if (format.code == code)
            return &format;
    }
    return nullptr;
}

// The related video's picture with this video's id in its place: the page
// holds no address of its own picture.
QString ownPicture(const QString &relatedPicture, const QString &videoId)
{
    static const QRegularExpression id(QStringLiteral("/vi/[^/]+/"));
    if (videoId.isEmpty() || !relatedPicture.contains(id))
        return relatedPicture;
    QString picture = relatedPicture;
    return picture.replace(id, QStringLiteral("/vi/") + videoId + QLatin1Char('/'));
}

} // namespace

QString extractBetween(const QString &text, const QString &start, const QString &end)
{
    const qsizetype found = text.indexOf(start);
    // Counted as the original counts: a marker that is not there stands at
    // position 0 of a text whose first character is at 1.
    const qsizetype from = found < 0 ? start.size() - 1 : found + start.size();
    if (from < 0 || from > text.size())
        return QString();
    const qsizetype to = text.indexOf(end, from);
    return to < 0 ? QString() : text.mid(from, to - from);
}

QString urlDecode(const QString &text)
{
    QString plain = text;
    plain.replace(u'+', u' ');
    QString decoded;
    decoded.reserve(plain.size());
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (plain[i] != u'%') {
            decoded += plain[i];
            continue;
        }
        if (i + 2 >= plain.size())
            continue; // a "%" without two characters after it is dropped
        const int high = hexValue(plain[i + 1]);
        const int low = hexValue(plain[i + 2]);
        if (high < 0 || low < 0) {
            decoded += plain[i]; // no hex: the text stands as it is
            continue;
        }
        decoded += QChar(high * 16 + low);
        i += 2;
    }
    return decoded;
}

bool pageHasVideo(const QString &page)
{
    return page.contains(kIdStart);
}

bool isOldWatchPage(const QString &page)
{
    return pageHasVideo(page) || !findStreamMap(page).isEmpty();
}

VideoPageInfo parseVideoPage(const QString &page)
{
    VideoPageInfo info;
    if (!pageHasVideo(page))
        return info; // what the site serves for a removed video
    // A page of the later layout has none of the markers above; a field
    // whose marker is gone and that has no later form stays empty there.
    const bool later = !page.contains(kTitleStart);
    const auto field = [&page, later](const Marker &marker) {
        return later && !page.contains(QLatin1String(marker.start)) ? QString()
                                                                    : between(page, marker);
    };
    info.videoId = between(page, kVideoId);
    if (!later) {
        info.title = removeTitleMarks(between(page, kTitle));
        info.author = between(page, kAuthor);
        info.published = between(page, kPublished);
        info.length = urlDecode(between(page, kLength));
    } else {
        QString title = between(page, kLaterTitle);
        if (title.startsWith(kLaterSitePrefix))
            title.remove(0, kLaterSitePrefix.size());
        info.title = removeTitleMarks(title);
        info.author = field(kLaterAuthor);
        info.published = field(kLaterPublished);
        info.length = urlDecode(field(kLaterLength));
    }
    info.category = field(kCategory);
    const QString block = field(kDescription);
    const qsizetype span = block.indexOf(kDescriptionSpan);
    info.description =
        block.isEmpty() ? QString() : block.mid(span < 0 ? 6 : span + kDescriptionSpan.size());
    if (later && block.isEmpty()) {
        // The later layout's description follows the date, in its own span.
        const QString afterDate =
            extractBetween(page, QLatin1String(kLaterPublished.start), QStringLiteral("</div>"));
        info.description = extractBetween(afterDate, kDescriptionSpan, QStringLiteral("</span>"));
    }
    const QString picture = later && !page.contains(QLatin1String(kThumbnail.start))
                                ? field(kLaterThumbnail)
                                : between(page, kThumbnail);
    info.thumbnail = ownPicture(urlDecode(picture), info.videoId);
    info.rating = urlDecode(field(kRating));
    return info;
}

QString firstRegexGroup(const QString &text, const QString &pattern)
{
    const QRegularExpressionMatch match = QRegularExpression(pattern).match(text);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString findStreamMap(const QString &page)
{
    const QString map = firstRegexGroup(page, QStringLiteral("\"fmt_url_map\": \"([^\"]+)\""));
    if (!map.isEmpty())
        return map;
    // The later layout: a parameter of the player's flashvars.
    return firstRegexGroup(page, QStringLiteral("[&?\"]fmt_url_map=([^&\"\\\\]+)"));
}

std::optional<QString> StreamLinks::of(int format) const
{
    const StreamFormat *known = streamFormat(format);
    return known ? std::optional<QString>(this->*known->field) : std::nullopt;
}

QString StreamLinks::address(int format) const
{
    return urlDecode(of(format).value_or(QString()));
}

QList<int> readStreamLinks(const QString &page, StreamLinks &links)
{
    QList<int> found;
    const QString map = urlDecode(findStreamMap(page));
    if (map.isEmpty())
        return found;
    for (const QString &entry : map.split(u',')) {
        const qsizetype bar = entry.indexOf(u'|');
        bool ok = false;
        const int code = bar < 0 ? 0 : entry.left(bar).toShort(&ok);
        if (!ok)
            break; // the map's rest cannot be trusted
        if (const StreamFormat *known = streamFormat(code)) {
            links.*known->field = entry.mid(bar + 1);
            found << code;
        }
    }
    return found;
}

QString streamButtonCaption(int format)
{
    const StreamFormat *known = streamFormat(format);
    return known ? QCoreApplication::translate("StreamButton", known->caption) : QString();
}

QString streamFileName(const QString &title, int format)
{
    const StreamFormat *known = streamFormat(format);
    return safeFileName(title, QStringLiteral("video")) +
           QLatin1String(known ? known->suffix : ".flv");
}

QString streamFileName(const VideoPageInfo &info, int format)
{
    return streamFileName(info.title.isEmpty() ? info.videoId : info.title, format);
}

QString safeFileName(const QString &name, const QString &fallback)
{
    QString safe;
    for (const QChar c : name) {
        // Separators and what file systems refuse become "_"; control
        // characters go.
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            continue;
        safe += QStringLiteral("/\\?*<>|\"").contains(c) ? u'_' : c;
    }
    while (safe.contains(QLatin1String("..")))
        safe.replace(QLatin1String(".."), QLatin1String("."));
    // No hidden or trailing-dot names either.
    while (!safe.isEmpty() && (safe.front() == u'.' || safe.front().isSpace()))
        safe.remove(0, 1);
    while (!safe.isEmpty() && (safe.back() == u'.' || safe.back().isSpace()))
        safe.chop(1);
    if (!safe.isEmpty())
        return safe;
    return fallback.isEmpty() || fallback == name ? QStringLiteral("video")
                                                  : safeFileName(fallback, QString());
}

} // namespace vantrel
