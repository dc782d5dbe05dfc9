#pragma once

#include "core/common/Expected.h"
#include "core/common/PlatformServices.h"
#include "core/download/StreamDownload.h"
#include "core/download/TransferService.h"
#include "core/download/VideoSource.h"

#include <QObject>
#include <QSet>

#include <memory>

namespace vantrel {

class YtDlpDownload;
class YtDlpReader;

// The online-video window without the window: reads a watch page (Get
// Direct Link), keeps what it offers as the current VideoSource, caches the
// video's picture, and downloads a stream. A page of the watch-page layouts
// of 2009 and 2010 is read here; any other page, through yt-dlp, whose
// formats stand behind the same four buttons. Nothing waits: the window
// follows the signals.
class OnlineVideoController : public QObject
{
    Q_OBJECT

public:
    // Downloads go to `downloadFolder`, pictures to `cacheFolder` (made when
    // missing); `prompt` shows failures, `desktop` opens a download's folder.
    OnlineVideoController(QString downloadFolder, QString cacheFolder, Prompt *prompt,
                          Desktop *desktop = nullptr, QObject *parent = nullptr);

    ~OnlineVideoController() override;

    void setTimeoutMs(int milliseconds);
    // The yt-dlp that reads today's pages (ToolLocator::ytDlp); only while
    // nothing runs.
    // The version of the yt-dlp in use, once it told it; empty before.
    const QString &ytDlpVersion() const { return m_ytDlpVersion; }
    void setYtDlpProgram(const QString &program);
    // The most a download may hold (the settings' maxdownload).
    void setMaxDownloadBytes(qint64 bytes);

    // The status line's text for a state of the transfer service; empty for
    // a state that changes nothing.
    static QString stateText(TransferService::State state, int responseCode,
                             const QString &responseText);

    // The address box changed: Get Direct Link may be used again.
    void addressChanged();
    bool canGetDirectLink() const { return m_getEnabled; }
    // Get Direct Link: reads the page; the fields, the streams and the
    // picture follow.
    void getDirectLink(const QString &address);

    QString statusText() const { return m_status; }
    const VideoPageInfo &info() const { return m_source->info(); }
    // The buttons that may be used: for the old layouts, every format a page
    // of this window has offered; for a page read by yt-dlp, its own.
    QSet<int> enabledFormats() const { return m_source->formats(); }
    // Whether the page read last was read by yt-dlp.
    bool isReadByYtDlp() const;
    // What a button brings, for its tip ("MP4, 1280x720 (yt-dlp format 22)");
    // empty where a page of the old layouts tells nothing of it.
    QString streamDescription(int format) const { return m_source->streamDescription(format); }
    // The format the Preview button plays: HD High for the old layouts; for
    // a page read by yt-dlp the first button whose format the player can
    // open over http(s), none when there is no such one.
    std::optional<int> previewFormat() const { return m_source->previewFormat(); }
    // "213 Sec."
    QString lengthText() const { return m_source->lengthText(); }
    // The cached picture of the video read last; empty while there is none
    // to show.
    QString thumbnailFile() const { return m_thumbnail; }
    // Whether the picture of the page read last may still come.
    bool isPictureLoading() const { return m_pictureLoading; }

    // The address a stream's preview uses (decoded once more).
    QString streamAddress(int format) const { return m_source->streamAddress(format); }
    // The address the preview may play: a web address only, since the
    // player would open local files and devices too. A refusal also shows
    // on the status line.
    Expected<QString> previewAddress(int format);
    // Downloads a stream under the title and the format's suffix; false when
    // a download already runs.
    bool download(int format);
    // Stops a running download (either kind); nothing of it stays.
    void cancelDownload();
    bool isDownloading() const;
    QString downloadFolder() const { return m_downloadFolder; }
    // The file the last download wrote; empty before one succeeded.
    QString downloadedFile() const { return m_downloaded; }
    // Shows the last download's folder in the file browser.
    void openDownloadFolder();

Q_SIGNALS:
    void getEnabledChanged(bool enabled);
    void statusTextChanged(const QString &text);
    // A page was read (or failed): the fields and the stream buttons are new.
    void pageRead();
    // The picture to show: a cached file, or none (see isPictureLoading).
    void thumbnailChanged(const QString &file);
    void downloadProgress(std::optional<int> percent, const QString &text);
    void downloadFinished(bool ok, const QString &pathOrError);

private:
    void setStatus(const QString &text);
    void setGetEnabled(bool enabled);
    void onPageFinished();
    // Hands a page that is none of the old layouts to yt-dlp; `page` may
    // name the video's picture.
    void readWithYtDlp(const QString &page);
    void onYtDlpRead();
    // Either kind of download.
    void onDownloadProgress(std::optional<int> percent, const QString &text);
    void onDownloadFinished(bool ok, const QString &pathOrError);
    void cacheThumbnail();
    void onPictureFetched();
    // The picture file of a video in the cache folder.
    QString pictureFileOf(const QString &pictureKey) const;
    // Shows the cached picture of the video read last, if one is there;
    // nothing more will come for it.
    void showCachedPicture();
    void setThumbnail(const QString &file);

    QString m_downloadFolder;
    QString m_cacheFolder;
    Prompt *m_prompt;
    Desktop *m_desktop;
    TransferService m_pages;
    TransferService m_pictures;
    StreamDownload m_download;
    QString m_ytDlpPath;
    QString m_ytDlpVersion; // empty until yt-dlp told it
    std::unique_ptr<YtDlpReader> m_reader;
    std::unique_ptr<YtDlpDownload> m_ytDownload;
    QString m_address;                     // the page read last
    QString m_pagePicture;                 // the picture that page names for sharing
    std::unique_ptr<VideoSource> m_source; // what the page read last offers
    qint64 m_maxDownloadBytes = kDefaultMaxDownloadBytes;
    bool m_cancelling = false; // the running download was cancelled by the user
    bool m_getEnabled = true;
    QString m_status;
    QString m_thumbnail;
    bool m_pictureLoading = false;
    QString m_pictureFile;     // the name the picture being fetched will have
    QString m_pictureFetchKey; // the video whose picture is being fetched
    QString m_downloaded;
};

} // namespace vantrel
