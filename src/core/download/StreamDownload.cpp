#include "core/download/StreamDownload.h"

#include "core/common/FileNames.h"
#include "core/common/LeftoverSweep.h"
#include "core/common/NumberText.h"
#include "core/settings/AppPaths.h"

#include <QDir>
#include <QFileInfo>

namespace vantrel {

StreamDownload::StreamDownload(QString folder, QObject *parent)
    : QObject(parent), m_folder(std::move(folder)), m_maxBytes(kDefaultMaxDownloadBytes)
{
    // No limit on a body fetched whole (pieces go to the file), and a
    // deadline that a download moving at 1 kB/s or more never meets.
    TransferService::Limits limits;
    limits.maxBodyBytes = 0;
    limits.bytesPerExtraSecond = kBytesPerExtraSecond;
    m_transfer.setLimits(limits);
    connect(&m_transfer, &TransferService::responseStarted, this, [this] {
        bool ok = false;
        const qint64 length = m_transfer.header("Content-Length").trimmed().toLongLong(&ok);
        m_total = ok && length >= 0 ? length : -1;
    });
    connect(&m_transfer, &TransferService::bodyReceived, this, &StreamDownload::takePieces);
    connect(&m_transfer, &TransferService::finished, this, &StreamDownload::onFinished);
}

StreamDownload::~StreamDownload()
{
    if (m_file)
        m_file->remove();
}

QString StreamDownload::progressText(std::optional<int> percent, qint64 bytes)
{
    if (percent)
        return QString::number(*percent) + QStringLiteral(" % ");
    return tr("%1 kB ").arg(bytes / 1024);
}

QString StreamDownload::grewPastText(qint64 maxBytes)
{
    return tr("the download grew past %1, the most a download may hold (maxdownload in the "
              "settings); it was stopped")
        .arg(byteSizeText(maxBytes));
}

bool StreamDownload::start(const QString &address, const QString &fileName)
{
    if (isRunning())
        return false;
    m_total = -1;
    m_done = 0;
    m_cancelled = false;
    QDir().mkpath(m_folder);
    sweepLeftovers(m_folder);
    const qsizetype dot = fileName.lastIndexOf(u'.');
    m_fileName = dot < 0 ? fitFileName(fileName, QString())
                         : fitFileName(fileName.left(dot), fileName.mid(dot));
    m_file = std::make_unique<QFile>(temporaryPathFor(AppPaths::join(m_folder, m_fileName)));
    if (m_file->open(QIODevice::WriteOnly | QIODevice::NewOnly))
        m_transfer.startGet(QUrl(address.trimmed())); // not busy: checked above
    else
        fail(m_file->errorString());
    return true;
}

void StreamDownload::cancel()
{
    m_cancelled = true;
    m_transfer.abort();
}

void StreamDownload::takePieces()
{
    if (!m_file || m_transfer.failure() != TransferService::Failure::None)
        return;
    // Whole pieces while the body comes, the rest at its end: the progress
    // moves in the same steps however the network hands the bytes over.
    while (m_transfer.bytesWaiting() >= kPieceBytes ||
           (!m_transfer.isBusy() && m_transfer.bytesWaiting() > 0)) {
        const QByteArray piece = m_transfer.nextPiece(kPieceBytes);
        if (m_done + piece.size() > m_maxBytes) {
            fail(grewPastText(m_maxBytes));
            m_transfer.abort();
            return;
        }
        if (m_file->write(piece) != piece.size()) {
            fail(m_file->errorString());
            m_transfer.abort();
            return;
        }
        m_done += piece.size();
        std::optional<int> percent;
        if (m_total > 0)
            percent = static_cast<int>(roundHalfEven(100.0 / double(m_total) * double(m_done)));
        Q_EMIT progressChanged(percent, progressText(percent, m_done));
    }
}

void StreamDownload::onFinished()
{
    if (!m_file)
        return;
    if (m_transfer.failure() == TransferService::Failure::None)
        takePieces(); // the last bytes
    if (!m_file)
        return;
    if (m_cancelled) {
        fail(tr("the download was cancelled"));
        return;
    }
    if (m_transfer.failure() != TransferService::Failure::None) {
        fail(m_transfer.responseText());
        return;
    }
    if (m_total >= 0 && m_done != m_total) {
        fail(tr("the connection ended after %1 of %2 bytes").arg(m_done).arg(m_total));
        return;
    }
    if (m_total == 0)
        Q_EMIT progressChanged(100, progressText(100, 0));
    const Expected<QString> path = commit();
    if (!path) {
        fail(path.error());
        return;
    }
    Q_EMIT finished(true, *path);
}

Expected<QString> StreamDownload::commit()
{
    if (!m_file->flush())
        return Expected<QString>::failure(m_file->errorString());
    m_file->close();
    const qsizetype dot = m_fileName.lastIndexOf(u'.');
    const QString base = dot < 0 ? m_fileName : m_fileName.left(dot);
    const QString extension = dot < 0 ? QString() : m_fileName.mid(dot);
    // Renaming never replaces a file; one that appears meanwhile only moves
    // the name on.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString path = freeFileName(m_folder, base, extension, isNameTaken);
        if (m_file->rename(path)) {
            m_file.reset();
            return path;
        }
    }
    return Expected<QString>::failure(m_file->errorString());
}

void StreamDownload::fail(const QString &reason)
{
    if (m_file) {
        m_file->remove();
        m_file.reset();
    }
    Q_EMIT finished(false, tr("Error-") + reason);
}

} // namespace vantrel
