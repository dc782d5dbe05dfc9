#include "core/download/OnlineVideoController.h"

#include "core/common/FileNames.h"
#include "core/download/WebAddress.h"
#include "core/download/YtDlpAge.h"
#include "core/download/YtDlpRun.h"
#include "core/settings/AppPaths.h"
#include "core/tools/Process.h"
#include "core/tools/ToolLocator.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <utility>

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
    : QObject(parent), m_downloadFolder(downloadFolder), m_cacheFolder(std::move(cacheFolder)),
      m_prompt(prompt), m_desktop(desktop), m_download(std::move(downloadFolder)),
      m_source(std::make_unique<WatchPageSource>())
{
    setYtDlpProgram(ToolLocator::ytDlp(QString()));
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
            &OnlineVideoController::onDownloadProgress);
    connect(&m_download, &StreamDownload::finished, this,
            &OnlineVideoController::onDownloadFinished);
}

OnlineVideoController::~OnlineVideoController() = default;

void OnlineVideoController::setYtDlpProgram(const QString &program)
{
    if (isDownloading() || (m_reader && m_reader->isRunning()))
        return;
    // yt-dlp keeps what it learns of sites beside the pictures.
    const QString cache = AppPaths::join(m_cacheFolder, QStringLiteral("yt-dlp"));
    m_reader = std::make_unique<YtDlpReader>(program, cache);
    connect(m_reader.get(), &YtDlpReader::finished, this, &OnlineVideoController::onYtDlpRead);
    m_ytDownload = std::make_unique<YtDlpDownload>(program, m_downloadFolder, cache);
    m_ytDownload->setMaxBytes(m_maxDownloadBytes);
    connect(m_ytDownload.get(), &YtDlpDownload::progressChanged, this,
            &OnlineVideoController::onDownloadProgress);
    connect(m_ytDownload.get(), &YtDlpDownload::finished, this,
            &OnlineVideoController::onDownloadFinished);
    // Its age, asked once: a failed page then says when it is too old.
    m_ytDlpPath = program;
    m_ytDlpVersion.clear();
    queryYtDlpVersion(program, m_reader.get(),
                      [this](const QString &version) { m_ytDlpVersion = version; });
}

void OnlineVideoController::setMaxDownloadBytes(qint64 bytes)
{
    m_maxDownloadBytes = bytes;
    m_download.setMaxBytes(bytes);
    m_ytDownload->setMaxBytes(bytes);
}

void OnlineVideoController::onDownloadProgress(std::optional<int> percent, const QString &text)
{
    setStatus(tr("Downloading... %1").arg(text.trimmed()));
    Q_EMIT downloadProgress(percent, text);
}

void OnlineVideoController::onDownloadFinished(bool ok, const QString &pathOrError)
{
    const bool cancelled = std::exchange(m_cancelling, false);
    if (!ok && cancelled) {
        // The user's own choice: said on the status line, no error box.
        setStatus(tr("The download was cancelled; nothing of it was kept."));
    } else if (ok) {
        m_downloaded = pathOrError;
        setStatus(tr("Saved as %1").arg(QDir::toNativeSeparators(pathOrError)));
    } else {
        setStatus(pathOrError);
        if (m_prompt)
            m_prompt->error(pathOrError);
    }
    Q_EMIT downloadFinished(ok, pathOrError);
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
    if (m_pages.isBusy() || m_reader->isRunning())
        return; // one page at a time
    setGetEnabled(false);
    m_pictureLoading = true;
    setThumbnail(QString()); // the placeholder while the page is read
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    m_address = url.toString(QUrl::FullyEncoded);
    m_pages.fetch(url);
}

void OnlineVideoController::onPageFinished()
{
    const TransferService::Failure failure = m_pages.failure();
    QString page;
    if (failure == TransferService::Failure::None)
        page = QString::fromUtf8(m_pages.body());
    // Today's pages are no watch pages of the old layouts; a page too large
    // to read here is not handed on either.
    if (failure == TransferService::Failure::None && !isOldWatchPage(page)) {
        readWithYtDlp(page);
        return;
    }
    auto *pages = dynamic_cast<WatchPageSource *>(m_source.get());
    if (!pages) {
        // The buttons of an old page were never the yt-dlp page's.
        auto fresh = std::make_unique<WatchPageSource>();
        pages = fresh.get();
        m_source = std::move(fresh);
    }
    pages->addPage(page);
    if (failure == TransferService::Failure::None) {
        setStatus(tr("Complete!"));
    } else {
        if (m_pages.failure() == TransferService::Failure::TimedOut)
            setStatus(tr("Slow Connection"));
        if (m_prompt)
            m_prompt->error(tr("Something Went Wrong") + QLatin1Char('\n') +
                            m_pages.responseText());
    }
    const bool video = !page.isEmpty() && pageHasVideo(page);
    if (!page.isEmpty() && !video)
        setStatus(tr("The page names no video: it may have been removed."));
    // A read that found no video may be tried again on the same address.
    if (!video)
        setGetEnabled(true);
    cacheThumbnail();
    Q_EMIT pageRead();
}

void OnlineVideoController::readWithYtDlp(const QString &page)
{
    // Said where the user looks: what yt-dlp starts could outlive the program.
    const std::optional<QString> unguarded = Process::guardMissingReason();
    setStatus(tr("Reading the page with yt-dlp...") +
              (unguarded ? QLatin1Char(' ') + *unguarded : QString()));
    m_pagePicture = openGraphPicture(page, m_address);
    m_reader->read(m_address);
}

void OnlineVideoController::onYtDlpRead()
{
    // Nothing of an earlier page stays behind the buttons.
    if (m_reader->failure() == YtDlpReader::Failure::None) {
        auto source = std::make_unique<YtDlpSource>(m_address, m_reader->video(), m_pagePicture);
        const QString offered = source->offerText();
        m_source = std::move(source);
        setStatus(tr("Complete! ") + offered);
    } else {
        m_source = std::make_unique<YtDlpSource>(m_address);
        setGetEnabled(true); // the same address may be tried again
        if (m_reader->failure() == YtDlpReader::Failure::NoVideo) {
            setStatus(tr("The page names no video: it may have been removed."));
        } else {
            const QDate today = QDate::currentDate();
            const QString error = ytDlpIsStale(m_ytDlpVersion, today)
                                      ? m_reader->errorText() + u'\n' +
                                            ytDlpAdvice(m_ytDlpVersion, m_ytDlpPath, today)
                                      : m_reader->errorText();
            setStatus(error);
            if (m_prompt)
                m_prompt->error(error);
        }
    }
    cacheThumbnail();
    Q_EMIT pageRead();
}

QString OnlineVideoController::pictureFileOf(const QString &pictureKey) const
{
    // Named by the video, made safe: a page can never write outside the cache.
    return AppPaths::join(
        m_cacheFolder,
        fitFileName(safeFileName(pictureKey, QStringLiteral("video")), QStringLiteral(".jpg")));
}

void OnlineVideoController::cacheThumbnail()
{
    // A picture still being fetched for an earlier page keeps the line; this
    // page shows what the cache holds of its video.
    if (m_pictures.isBusy() || m_source->info().thumbnail.isEmpty()) {
        showCachedPicture();
        return;
    }
    m_pictureFetchKey = m_source->pictureKey();
    m_pictureFile = pictureFileOf(m_pictureFetchKey);
    m_pictures.fetch(QUrl(m_source->info().thumbnail));
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
    if (m_pictureFetchKey == m_source->pictureKey() && m_pictureLoading)
        showCachedPicture();
}

void OnlineVideoController::showCachedPicture()
{
    m_pictureLoading = false;
    const QString key = m_source->pictureKey();
    const QString cached = key.isEmpty() ? QString() : pictureFileOf(key);
    setThumbnail(QFileInfo::exists(cached) ? cached : QString());
}

void OnlineVideoController::setThumbnail(const QString &file)
{
    m_thumbnail = file;
    Q_EMIT thumbnailChanged(file);
}

void OnlineVideoController::openDownloadFolder()
{
    if (!m_downloaded.isEmpty())
        showFolder(m_desktop, m_prompt, QFileInfo(m_downloaded).absolutePath());
}

bool OnlineVideoController::isReadByYtDlp() const
{
    return dynamic_cast<const YtDlpSource *>(m_source.get()) != nullptr;
}

Expected<QString> OnlineVideoController::previewAddress(int format)
{
    if (const std::optional<QString> refusal = m_source->previewRefusal(format)) {
        setStatus(*refusal);
        return Expected<QString>::failure(*refusal);
    }
    const QString address = streamAddress(format).trimmed();
    if (address.isEmpty()) {
        const QString nothing =
            m_address.isEmpty()
                ? tr("Nothing to preview yet: Get Direct Link reads a video's page first.")
                : tr("The page read last offers no stream to preview.");
        setStatus(nothing);
        return Expected<QString>::failure(nothing);
    }
    if (const std::optional<QString> refusal = nonWebAddressReason(QUrl(address))) {
        setStatus(*refusal);
        return Expected<QString>::failure(*refusal);
    }
    return address;
}

bool OnlineVideoController::download(int format)
{
    if (isDownloading())
        return false; // one at a time
    const std::optional<StreamRequest> request = m_source->downloadRequest(format);
    if (!request)
        return false;
    setStatus(tr("Downloading %1...").arg(request->name));
    if (request->formatSelector.isEmpty())
        return m_download.start(request->address, request->name);
    return m_ytDownload->start(request->address, request->formatSelector, request->name);
}

void OnlineVideoController::cancelDownload()
{
    m_cancelling = isDownloading();
    m_download.cancel();
    m_ytDownload->cancel();
}

bool OnlineVideoController::isDownloading() const
{
    return m_download.isRunning() || (m_ytDownload && m_ytDownload->isRunning());
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
