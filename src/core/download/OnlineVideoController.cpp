#include "core/download/OnlineVideoController.h"

#include "core/common/FileNames.h"
#include "core/download/WebAddress.h"
#include "core/settings/AppPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace vantrel {

namespace {

struct StateText
{
    TransferService::State state;
    const char *text;
};

// What the status line says as a request proceeds.
constexpr StateText kStateTexts[] = {
    {TransferService::Resolving,
     QT_TRANSLATE_NOOP("OnlineVideoController", "Looking up IP address")},
    {TransferService::Resolved, QT_TRANSLATE_NOOP("OnlineVideoController", "IP address found")},
    {TransferService::Connecting, QT_TRANSLATE_NOOP("OnlineVideoController", "Connecting Host")},
    {TransferService::Connected, QT_TRANSLATE_NOOP("OnlineVideoController", "Connected.")},
    {TransferService::SendingRequest,
     QT_TRANSLATE_NOOP("OnlineVideoController", "Making Request...")},
    {TransferService::RequestSent, QT_TRANSLATE_NOOP("OnlineVideoController", "Request sent.")},
    {TransferService::ReceivingResponse,
     QT_TRANSLATE_NOOP("OnlineVideoController", "Receiving Response..")},
    {TransferService::ResponseReceived,
     QT_TRANSLATE_NOOP("OnlineVideoController", "Response received.")},
    {TransferService::Disconnecting,
     QT_TRANSLATE_NOOP("OnlineVideoController", "Disconnecting...")},
    {TransferService::Disconnected, QT_TRANSLATE_NOOP("OnlineVideoController", "Disconnected.")},
};

} // namespace

OnlineVideoController::OnlineVideoController(QString downloadFolder, QString cacheFolder,
                                             Prompt *prompt, Desktop *desktop, QObject *parent)
    : QObject(parent), m_cacheFolder(std::move(cacheFolder)), m_prompt(prompt), m_desktop(desktop),
      m_download(std::move(downloadFolder))
{
    const auto showState = [this](const TransferService &transfer, TransferService::State state) {
        const QString text = stateText(state, transfer.responseCode(), transfer.responseText());
        if (!text.isEmpty())
            setStatus(text);
    };
    connect(&m_pages, &TransferService::stateChanged, this,
            [this, showState](TransferService::State state) { showState(m_pages, state); });
    connect(&m_pages, &TransferService::bodyReceived, this,
            [this] { setStatus(tr("Reading Data...")); });
    connect(&m_pages, &TransferService::finished, this, &OnlineVideoController::onPageFinished);
    connect(&m_pictures, &TransferService::finished, this,
            &OnlineVideoController::onPictureFetched);
    connect(&m_download, &StreamDownload::progressChanged, this,
            [this](std::optional<int> percent, const QString &text) {
                setStatus(tr("Downloading... %1").arg(text.trimmed()));
                Q_EMIT downloadProgress(percent, text);
            });
    connect(&m_download, &StreamDownload::finished, this,
            [this](bool ok, const QString &pathOrError) {
                if (ok) {
                    m_downloaded = pathOrError;
                    setStatus(tr("Saved as %1").arg(QDir::toNativeSeparators(pathOrError)));
                } else {
                    setStatus(pathOrError);
                    if (m_prompt)
                        m_prompt->error(pathOrError);
                }
                Q_EMIT downloadFinished(ok, pathOrError);
            });
}

void OnlineVideoController::setTimeoutMs(int milliseconds)
{
    m_pages.setTimeoutMs(milliseconds);
    m_pictures.setTimeoutMs(milliseconds);
    m_download.setTimeoutMs(milliseconds);
}

QString OnlineVideoController::stateText(TransferService::State state, int responseCode,
                                        const QString &responseText)
{
    if (state == TransferService::Error)
        return tr("Error ") + QString::number(responseCode) + QLatin1Char(' ') + responseText;
    for (const StateText &row : kStateTexts) {
        if (row.state == state)
            return tr(row.text);
    }
    return QString();
}

void OnlineVideoController::addressChanged()
{
    setGetEnabled(true);
}

void OnlineVideoController::getDirectLink(const QString &address)
{
    if (m_pages.isBusy())
        return; // one page at a time
    setGetEnabled(false);
    m_pictureLoading = true;
    setThumbnail(QString()); // the placeholder while the page is read
    m_pages.fetch(QUrl::fromUserInput(address.trimmed()));
}

void OnlineVideoController::onPageFinished()
{
    QString page;
    if (m_pages.failure() == TransferService::Failure::None) {
        page = QString::fromUtf8(m_pages.body());
        setStatus(tr("Complete!"));
    } else {
        if (m_pages.failure() == TransferService::Failure::TimedOut)
            setStatus(tr("Slow Connection"));
        if (m_prompt)
            m_prompt->error(tr("Something Went Wrong") + QLatin1Char('\n') +
                            m_pages.responseText());
    }
    for (const int format : readStreamLinks(page, m_links))
        m_enabled.insert(format);
    m_info = parseVideoPage(page);
    if (!page.isEmpty() && !pageHasVideo(page))
        setStatus(tr("The page names no video: it may have been removed."));
    cacheThumbnail();
    Q_EMIT pageRead();
}

QString OnlineVideoController::pictureFileOf(const QString &videoId) const
{
    // Named by the video id, made safe: a page can never write outside the cache.
    return AppPaths::join(m_cacheFolder, fitFileName(safeFileName(videoId, QStringLiteral("video")),
                                                     QStringLiteral(".jpg")));
}

void OnlineVideoController::cacheThumbnail()
{
    // A picture still being fetched for an earlier page keeps the line; this
    // page shows what the cache holds of its video.
    if (m_pictures.isBusy() || m_info.thumbnail.isEmpty()) {
        showCachedPicture();
        return;
    }
    m_pictureVideoId = m_info.videoId;
    m_pictureFile = pictureFileOf(m_info.videoId);
    m_pictures.fetch(QUrl(m_info.thumbnail));
}

void OnlineVideoController::onPictureFetched()
{
    // Kept in the cache for its own video, whichever page is shown now.
    if (m_pictures.failure() == TransferService::Failure::None) {
        QDir().mkpath(m_cacheFolder);
        QSaveFile file(m_pictureFile);
        if (file.open(QIODevice::WriteOnly) && file.write(m_pictures.body()) >= 0)
            file.commit();
    }
    if (m_pictureVideoId == m_info.videoId && m_pictureLoading)
        showCachedPicture();
}

void OnlineVideoController::showCachedPicture()
{
    m_pictureLoading = false;
    const QString cached = m_info.videoId.isEmpty() ? QString() : pictureFileOf(m_info.videoId);
    setThumbnail(QFileInfo::exists(cached) ? cached : QString());
}

void OnlineVideoController::setThumbnail(const QString &file)
{
    m_thumbnail = file;
    Q_EMIT thumbnailChanged(file);
}

void OnlineVideoController::openDownloadFolder()
{
    if (m_desktop && !m_downloaded.isEmpty())
        m_desktop->openFolder(QFileInfo(m_downloaded).absolutePath());
}

QString OnlineVideoController::lengthText() const
{
    return m_info.length + tr(" Sec.");
}

QString OnlineVideoController::streamAddress(int format) const
{
    return m_links.address(format);
}

Expected<QString> OnlineVideoController::previewAddress(int format)
{
    const QString address = streamAddress(format).trimmed();
    if (address.isEmpty())
        return address; // no page gave one: the panel shows, nothing plays
    if (const std::optional<QString> refusal = nonWebAddressReason(QUrl(address))) {
        setStatus(*refusal);
        return Expected<QString>::failure(*refusal);
    }
    return address;
}

bool OnlineVideoController::download(int format)
{
    if (m_download.isRunning())
        return false; // one at a time
    const QString name = streamFileName(m_info, format);
    setStatus(tr("Downloading %1...").arg(name));
    return m_download.start(streamAddress(format), name);
}

void OnlineVideoController::setStatus(const QString &text)
{
    m_status = text;
    Q_EMIT statusTextChanged(text);
}

void OnlineVideoController::setGetEnabled(bool enabled)
{
    if (enabled == m_getEnabled)
        return;
    m_getEnabled = enabled;
    Q_EMIT getEnabledChanged(enabled);
}

} // namespace vantrel
