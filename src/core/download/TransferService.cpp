#include "core/download/TransferService.h"

#include "core/common/Logging.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace vantrel {

TransferService::TransferService(QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        if (!m_running)
            return;
        m_timedOut = true;
        m_reply->abort();
    });
}

TransferService::~TransferService()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply;
    }
}

bool TransferService::fetch(const QUrl &url)
{
    m_whole = true;
    return begin(url);
}

bool TransferService::startGet(const QUrl &url)
{
    m_whole = false;
    return begin(url);
}

bool TransferService::begin(const QUrl &url)
{
    if (m_running)
        return false;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->deleteLater();
    }
    m_body.clear();
    m_headers.clear();
    m_responseCode = 0;
    m_responseText.clear();
    m_failure = Failure::None;
    m_timedOut = false;
    m_started = false;
    m_running = true;
    qCInfo(lcTools).noquote() << "get:" << url.toString();

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::socketStartedConnecting, this,
            [this] { Q_EMIT stateChanged(Connecting); });
    connect(m_reply, &QNetworkReply::requestSent, this, [this] {
        m_silence.start(m_timeoutMs);
        Q_EMIT stateChanged(RequestSent);
    });
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        m_silence.start(m_timeoutMs);
        m_responseCode = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        m_responseText = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        m_headers = m_reply->rawHeaderPairs();
        if (!std::exchange(m_started, true))
            Q_EMIT stateChanged(ReceivingResponse);
        Q_EMIT responseStarted();
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &TransferService::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &TransferService::onFinished);
    m_silence.start(m_timeoutMs);
    return true;
}

void TransferService::onReadyRead()
{
    m_silence.start(m_timeoutMs);
    if (m_whole)
        m_body += m_reply->readAll();
    Q_EMIT bodyReceived();
}

void TransferService::onFinished()
{
    m_silence.stop();
    m_running = false;
    if (m_whole && m_reply->isOpen()) // an aborted reply is closed
        m_body += m_reply->readAll();
    const QNetworkReply::NetworkError error = m_reply->error();
    if (m_timedOut) {
        m_failure = Failure::TimedOut;
        m_responseText =
            QCoreApplication::translate("TransferService", "The server did not answer in time.");
    } else if (error == QNetworkReply::NoError) {
        m_failure = Failure::None;
    } else {
        m_failure = m_responseCode >= 400 ? Failure::Http : Failure::Network;
        m_responseText = m_reply->errorString();
    }
    qCInfo(lcTools).noquote() << "got:" << m_reply->url().toString() << m_responseCode
                              << m_responseText;
    if (m_failure == Failure::None) {
        Q_EMIT stateChanged(ResponseReceived);
        Q_EMIT stateChanged(Completed);
    } else {
        Q_EMIT stateChanged(Error);
    }
    Q_EMIT finished();
}

void TransferService::abort()
{
    if (m_running)
        m_reply->abort();
}

QByteArray TransferService::header(const QByteArray &name) const
{
    for (const auto &[key, value] : m_headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return QByteArray();
}

QByteArray TransferService::nextPiece(qint64 maxBytes)
{
    return m_reply && !m_whole && m_reply->isOpen() ? m_reply->read(maxBytes) : QByteArray();
}

qint64 TransferService::bytesWaiting() const
{
    return m_reply && !m_whole && m_reply->isOpen() ? m_reply->bytesAvailable() : 0;
}

} // namespace vantrel
