#pragma once

#include "core/tools/LineAssembler.h"

#include "core/common/Expected.h"
#include "core/download/WatchPage.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vantrel {

// yt-dlp reads the pages of today's sites (and any page that embeds a video,
// through its generic extractor). These are the pure parts: its command
// lines, and what its outputs say.

// One format yt-dlp lists for a video.
struct YtFormat
{
    QString id;
    QString url;
    QString ext;      // "mp4", "webm"
    QString protocol; // "https", "m3u8_native", "http_dash_segments"
    int width = 0;    // 0: unknown
    int height = 0;
    bool video = true; // a codec "none" says there is none; unknown counts as there
    bool audio = true;
    double bitrate = 0; // kbit/s, 0: unknown
    qint64 size = 0;    // bytes, 0: unknown

    // Played and downloaded as one file over http(s).
    bool isProgressive() const;
    // "MP4, 1280x720", "MP4 stream (HLS)".
    QString description() const;
};

// The picture a page at `address` names for sharing (its Open Graph
// "og:image"), with its HTML entities read and resolved against the
// address; empty when it names none. yt-dlp's generic extractor gives no
// picture of its own.
QString openGraphPicture(const QString &page, const QString &address);

// What yt-dlp's JSON (`-J`) says of a video: the fields the window shows and
// its formats.
struct YtVideo
{
    VideoPageInfo info; // title, author, published, category, description, length, rating, picture
    QString site;       // where it is ("example.com"): ids are unique only there
    QList<YtFormat> formats;
};

// Reads yt-dlp's JSON; why it cannot be read otherwise. Only formats that
// are fetched over http(s) are kept: one file, or HLS and DASH pieces, with
// every address it names (the file, the manifest, the pieces) a web address.
// A file:, data: or ftp: stream never reaches a button.
Expected<YtVideo> parseYtDlpVideo(const QByteArray &json);

// A window button for a yt-dlp video: what to ask yt-dlp for, and what it is.
struct YtButton
{
    YtFormat format;
    // yt-dlp's format selector: the format id, "+" the sound's id when it has none
    QString formatSelector;
};

// The formats that stand behind the window's four buttons, by what each
// means to a user: Get MP4 (22) a progressive MP4 with sound, Get HD High (35)
// the best there is, Get HD Low (34) the best up to 720p, Get FLV (5) the
// smallest. A button without a matching format is not in the map.
QMap<int, YtButton> buttonsForFormats(const QList<YtFormat> &formats);

// The format selector to give yt-dlp when a user names `wanted`: the format
// behind a button's key ("22"), else format ids the video lists, one or
// joined by "+" ("137+140"); none when the video has no such format.
std::optional<QString> formatSelectorFor(const QString &wanted, const QList<YtFormat> &formats);

// A download's progress line (the program's own template): bytes so far and
// the total when known.
struct YtProgress
{
    qint64 downloaded = 0;
    std::optional<qint64> total;
};
std::optional<YtProgress> parseYtDlpProgress(const QString &line);
// What cuts yt-dlp's output into its lines: the program's marked ones set
// apart even where yt-dlp wrote them without a line end (post-processing
// messages), empty lines left out.
LineAssembler ytDlpLineAssembler();

// The line that tells why yt-dlp failed ("ERROR: x" as "yt-dlp: x"), or its
// last line. When the FFmpeg that yt-dlp ran failed, FFmpeg's own last lines
// come first ("No space left on device"). When yt-dlp ran out of the memory
// it may use, that is said.
QString ytDlpError(const QString &errorOutput);

// The version `yt-dlp --version` states ("2023.03.04"); empty when its first
// line is no version (a broken installation's error).
QString ytDlpVersion(const QString &output);

// The extensions a download may be saved with: media files only.
bool isMediaExtension(const QString &extension);
// The extension a downloaded file is saved with: the one yt-dlp gave when it
// is a media extension, else the one of the container its first bytes show
// (a server that calls a video "x.sh" gets an .mp4); none when they show no
// media container (a script is never saved).
std::optional<QString> savedExtension(const QString &extension, const QByteArray &head);
// Whether a downloaded file is whole as far as its container tells: a file
// of the MP4 family (mp4, m4v, m4a, mov, 3gp) must be filled exactly by its
// top-level boxes, one of them its index ("moov"); FFmpeg that yt-dlp runs to
// join pieces may leave one cut short on a full disk and still report
// success. Other containers are taken as they are.
bool isWholeMediaFile(QIODevice &file, const QString &extension);

// yt-dlp's command lines. Every one keeps yt-dlp from reading configuration
// files (of the user or of the current folder) and local files, keeps its
// cache in the program's cache folder, and ends its options before the
// address, so that no address is ever taken for an option.
class YtDlpCommand
{
public:
    static constexpr char kProgressMark[] = "[vantrel] ";
    static constexpr char kFileMark[] = "[vantrel-file] ";
    // The data yt-dlp and the tools it starts may hold: a page read takes
    // about 60 MB (it fails under 40 MB), today's JavaScript runtimes that
    // yt-dlp runs for some sites a few hundred; a page that never ends takes
    // it to the limit and fails there.
    static constexpr qint64 kMemoryLimitBytes = qint64(1024) * 1024 * 1024;

    static QStringList info(const QString &address, const QString &cacheFolder);
    // Downloads `formatSelector` to `outputTemplate` ("folder/.name.vantrel-1-2.%(ext)s"),
    // with a progress line of the program's own per step and the final path.
    static QStringList download(const QString &address, const QString &formatSelector,
                                const QString &outputTemplate, const QString &cacheFolder);
    static QStringList version();
};

} // namespace vantrel
