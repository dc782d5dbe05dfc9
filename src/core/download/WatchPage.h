#pragma once

#include <QString>

#include <optional>

namespace vantrel {

// The text between the first `start` and the next `end` after it, compared
// exactly. A missing `start` counts as found at the beginning (the text from
// position start.size() on); a missing `end` gives an empty text.
QString extractBetween(const QString &text, const QString &start, const QString &end);

// "+" becomes a blank, "%" and two hex digits the character of that byte
// (Latin-1). A "%" with fewer than two characters after it is dropped; a "%"
// whose two characters are no hex digits stays as it is.
QString urlDecode(const QString &text);

// What a watch page says of its video.
struct VideoPageInfo
{
    QString title; // "/", "\", "'", ":", "(" and ")" removed
    QString author;
    QString videoId;
    QString published;
    QString category;
    QString description;
    QString thumbnail; // the address of the video's picture
    QString length;    // whole seconds, as text
    QString rating;
};

// Reads a watch page. The markers of the page layout of 2009 come first;
// where they are gone, the forms of the later layout (flashvars, the page's
// document.title) stand in. A page without a video id (what the site serves
// for a removed video) gives no field at all.
VideoPageInfo parseVideoPage(const QString &page);

// Whether the page names a video at all.
bool pageHasVideo(const QString &page);
// Whether a page is one of the watch-page layouts read here (2009, 2010):
// it names a video id or a stream map. Any other page is yt-dlp's to read.
bool isOldWatchPage(const QString &page);

// The first capture group of the first match of `pattern` in `text`; empty
// when nothing matches.
QString firstRegexGroup(const QString &text, const QString &pattern);

// The page's stream map as it stands in the page (still percent-encoded), or
// an empty text.
QString findStreamMap(const QString &page);

// The streams a page offers in the four known formats: their addresses as
// the map gives them after its first decoding. A format the page lacks keeps
// the address an earlier page gave.
struct StreamLinks
{
    QString hd720Mp4;  // format 22
    QString hdLowFlv;  // format 34
    QString hdHighFlv; // format 35
    QString flv;       // format 5

    static constexpr int kFormats[] = {22, 34, 35, 5};
    // The address of a known format; none for another code.
    std::optional<QString> of(int format) const;
    // The address a download or preview of `format` requests: the map's
    // address decoded once more; empty when the page gave none.
    QString address(int format) const;
};

// Fills `links` from the page's stream map, entry by entry; an entry without
// "|" or whose code is no number ends the scan. Returns the formats found.
QList<int> readStreamLinks(const QString &page, StreamLinks &links);

// The caption of the window's button for `format` ("Get MP4"); empty for
// another code.
QString streamButtonCaption(int format);

// The name a download of `format` gets: the title and the format's suffix
// (".mp4", "_Full_HD.flv", "_HD.flv", ".flv").
QString streamFileName(const QString &title, int format);
// The same for a page: its title, or its video id when it has none.
QString streamFileName(const VideoPageInfo &info, int format);

// A name taken from a page made safe to name a file: no path separators, no
// "..", no control characters or characters file systems refuse, never empty.
QString safeFileName(const QString &name, const QString &fallback);

} // namespace vantrel
