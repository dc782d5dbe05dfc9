#include "core/download/OnlineVideoController.h"

#include "core/common/FileNames.h"
#include "core/download/WebAddress.h"
#include "core/settings/AppPaths.h"

#include <QDir>
#include <QSaveFile>

namespace vantrel {

namespace {

struct StateText
{
    int state;
    const char *text;
};

// What the status line says as a request proceeds; the states the network
// layer does not report (resolving, disconnecting) never show.
constexpr StateText kStateTexts[] = {
    {1, QT_TRANSLATE_NOOP("OnlineVideoController", "Looking up IP address")},
    {2, QT_TRANSLATE_NOOP("OnlineVideoController", "IP address found")},
    {3, QT_TRANSLATE_NOOP("OnlineVideoController", "Connecting Host")},
    {4, QT_TRANSLATE_NOOP("OnlineVideoController", "Connected.")},
    {5, QT_TRANSLATE_NOOP("OnlineVideoController", "Making Request...")},
    {6, QT_TRANSLATE_NOOP("OnlineVideoController", "Request sent.")},
    {7, QT_TRANSLATE_NOOP("OnlineVideoController", "Receiving Response..")},
    {8, QT_TRANSLATE_NOOP("OnlineVideoController", "Response received.")},
    {9, QT_TRANSLATE_NOOP("OnlineVideoController", "Disconnecting...")},
    {10, QT_TRANSLATE_NOOP("OnlineVideoController", "Disconnected.")},
};

} // namespace

OnlineVideoController::OnlineVideoController(QString downloadFolder, QString cacheFolder,
                                             Prompt *prompt, QObject *parent)
    : QObject(parent), m_cacheFolder(std::move(cacheFolder)), m_prompt(prompt),
      m_download(std::move(downloadFolder))
{
    const auto showState = [this](const TransferService &transfer, int state) {
        const QString text = stateText(state, transfer.responseCode(), transfer.responseText());
        if (!text.isEmpty())
            setStatus(text);
    };
    connect(&m_pages, &TransferService::stateChanged, this,
            [this, showState](int state) { showState(m_pages, state); });
    connect(&m_pages, &TransferService::bodyReceived, this,
            [this] { setStatus(tr("Reading Data...")); });
    connect(&m_pages, &TransferService::finished, this, &OnlineVideoController::onPageFinished);
    connect(&m_pictures, &TransferService::finished, this, [this] {
        if (m_pictures.failure() != TransferService::Failure::None || m_pictureFile.isEmpty())
            return; // the placeholder stays
        QDir().mkpath(m_cacheFolder);
        QSaveFile file(m_pictureFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(m_pictures.body()) < 0 || !file.commit())
            return;
        m_thumbnail = m_pictureFile;
        Q_EMIT thumbnailChanged(m_thumbnail);
    });
    connect(&m_download, &StreamDownload::progressChanged, this,
            &OnlineVideoController::downloadProgress);
    connect(&m_download, &StreamDownload::finished, this,
            [this](bool ok, const QString &pathOrError) {
                if (!ok && m_prompt)
                    m_prompt->error(pathOrError);
                Q_EMIT downloadFinished(ok, pathOrError);
            });
}

void OnlineVideoController::setTimeoutMs(int milliseconds)
{
    m_pages.setTimeoutMs(milliseconds);
    m_pictures.setTimeoutMs(milliseconds);
    m_download.setTimeoutMs(milliseconds);
}

QString OnlineVideoController::stateText(int state, int responseCode, const QString &responseText)
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
    m_thumbnail.clear();
    Q_EMIT thumbnailChanged(QString()); // the placeholder while the page is read
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

void OnlineVideoController::cacheThumbnail()
{
    // A picture still being fetched for an earlier page keeps the line.
    if (m_pictures.isBusy() || m_info.thumbnail.isEmpty())
        return;
    // Named by the video id, made safe: a page can never write outside the cache.
    m_pictureFile = AppPaths::join(
        m_cacheFolder,
        fitFileName(safeFileName(m_info.videoId, QStringLiteral("video")), QStringLiteral(".jpg")));
    m_pictures.fetch(QUrl(m_info.thumbnail));
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
    return m_download.start(streamAddress(format), streamFileName(m_info, format));
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
