#pragma once

#include "core/download/WatchPage.h"
#include "core/download/YtDlp.h"

#include <QMap>
#include <QSet>
#include <QString>

#include <optional>

namespace vantrel {

// What a button's download fetches.
struct StreamRequest
{
    QString name;           // what the file is called (yt-dlp adds the extension)
    QString address;        // the stream itself, or the page yt-dlp reads
    QString formatSelector; // yt-dlp's; empty when the address is the stream
};

// What the page read last offers the online-video window: the video's
// fields, and the streams behind the window's four buttons (22, 35, 34, 5),
// with how each is previewed and downloaded. One kind per reader: the watch
// pages of 2009 and 2010, and yt-dlp for the pages of today.
class VideoSource
{
public:
    virtual ~VideoSource() = default;

    virtual const VideoPageInfo &info() const = 0;
    // The video's picture is cached under this key, unique among sites;
    // empty when the page named no video.
    virtual QString pictureKey() const = 0;
    // The buttons that may be used.
    virtual QSet<int> formats() const = 0;
    // The address a stream's preview uses; empty when the page gave none.
    virtual QString streamAddress(int format) const = 0;
    // What a button brings, for its tip; empty where the page tells nothing.
    virtual QString streamDescription(int format) const = 0;
    // The format the Preview button plays; none when none can be played.
    virtual std::optional<int> previewFormat() const = 0;
    // Why `format` cannot be previewed; none when it can.
    virtual std::optional<QString> previewRefusal(int format) const = 0;
    // "213 Sec."; empty when the page does not tell.
    virtual QString lengthText() const = 0;
    // What a download of `format` fetches; none when the page offers no such stream.
    virtual std::optional<StreamRequest> downloadRequest(int format) const = 0;
};

// The watch pages of 2009 and 2010, read here. The buttons keep every
// format a page of these layouts has offered in a row of them.
class WatchPageSource : public VideoSource
{
public:
    // One more page (an empty one when it could not be fetched): its fields
    // replace the last page's, its streams join the earlier pages'.
    void addPage(const QString &page);

    const VideoPageInfo &info() const override { return m_info; }
    QString pictureKey() const override { return m_info.videoId; }
    QSet<int> formats() const override { return m_formats; }
    QString streamAddress(int format) const override { return m_links.address(format); }
    QString streamDescription(int) const override { return QString(); }
    std::optional<int> previewFormat() const override;
    std::optional<QString> previewRefusal(int) const override { return std::nullopt; }
    QString lengthText() const override;
    std::optional<StreamRequest> downloadRequest(int format) const override;

private:
    VideoPageInfo m_info;
    StreamLinks m_links;
    QSet<int> m_formats;
};

// A page of today, read by yt-dlp: each button stands for the format that
// means it to a user (buttonsForFormats).
class YtDlpSource : public VideoSource
{
public:
    // A page at `address` where yt-dlp found no video, or that it could not
    // read: nothing stands behind the buttons.
    explicit YtDlpSource(QString address);
    // The video yt-dlp read at `address`; `pagePicture` (the page's own)
    // stands in for a picture yt-dlp does not name.
    YtDlpSource(QString address, const YtVideo &video, const QString &pagePicture);

    // "Get MP4: MP4, 1280x720; Get FLV: ..." in the buttons' order.
    QString offerText() const;

    const VideoPageInfo &info() const override { return m_info; }
    QString pictureKey() const override { return m_pictureKey; }
    QSet<int> formats() const override;
    QString streamAddress(int format) const override;
    QString streamDescription(int format) const override;
    std::optional<int> previewFormat() const override;
    std::optional<QString> previewRefusal(int format) const override;
    QString lengthText() const override;
    std::optional<StreamRequest> downloadRequest(int format) const override;

private:
    QString m_address;
    VideoPageInfo m_info;
    QString m_pictureKey;
    QMap<int, YtButton> m_buttons;
};

} // namespace vantrel
