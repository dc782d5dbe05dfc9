#include "core/download/TransferService.h"

#include "core/common/Logging.h"
#include "core/download/WebAddress.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace vantrel {

TransferService::TransferService(QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this,
            [this] { end(Failure::TimedOut, tr("The server did not answer in time.")); });
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &TransferService::onDeadline);
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
        m_reply = nullptr;
    }
    m_body.clear();
    m_headers.clear();
    m_responseCode = 0;
    m_responseText.clear();
    m_failure = Failure::None;
    m_ended = Failure::None;
    m_endedText.clear();
    m_taken = 0;
    m_started = false;
    m_running = true;

    if (const std::optional<QString> refusal = nonWebAddressReason(url)) {
        // Never handed to the network layer; the owner hears it as it would
        // hear any failure, after this call.
        qCInfo(lcTools).noquote() << "refused:" << url.scheme();
        QTimer::singleShot(0, this, [this, text = *refusal] {
            m_ended = Failure::Refused;
            m_endedText = text;
            onFinished();
        });
        return true;
    }
    qCInfo(lcTools).noquote() << "get:" << url.toString();

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::socketStartedConnecting, this,
            [this] { Q_EMIT stateChanged(Connecting); });
    connect(m_reply, &QNetworkReply::requestSent, this, [this] {
        m_silence.start(m_timeoutMs);
        Q_EMIT stateChanged(RequestSent);
    });
    connect(m_reply, &QNetworkReply::redirected, this, [this](const QUrl &to) {
        if (const std::optional<QString> refusal = nonWebAddressReason(to)) {
            end(Failure::Refused, tr("The page redirects elsewhere. ") + *refusal);
        } else if (m_reply->url().scheme() == QLatin1String("https") &&
                   to.scheme() == QLatin1String("http")) {
            end(Failure::Refused, tr("The https page redirects to plain http; that is refused."));
        } else {
            Q_EMIT m_reply->redirectAllowed();
        }
    });
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        m_silence.start(m_timeoutMs);
        m_responseCode = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        m_responseText = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        m_headers = m_reply->rawHeaderPairs();
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (m_whole && m_limits.maxBodyBytes > 0 && length.isValid() &&
            length.toLongLong() > m_limits.maxBodyBytes) {
            end(Failure::TooLarge, tr("The answer is larger than %1 kB; it is not read.")
                                       .arg(m_limits.maxBodyBytes / 1024));
            return;
        }
        if (!std::exchange(m_started, true))
            Q_EMIT stateChanged(ReceivingResponse);
        Q_EMIT responseStarted();
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &TransferService::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &TransferService::onFinished);
    m_silence.start(m_timeoutMs);
    m_clock.start();
    m_deadline.start(m_limits.deadlineMs);
    return true;
}

qint64 TransferService::bytesReceived() const
{
    if (m_whole)
        return m_body.size();
    return m_taken + bytesWaiting();
}

void TransferService::onReadyRead()
{
    m_silence.start(m_timeoutMs);
    if (m_whole) {
        m_body += m_reply->readAll();
        if (m_limits.maxBodyBytes > 0 && m_body.size() > m_limits.maxBodyBytes) {
            end(Failure::TooLarge, tr("The answer is larger than %1 kB; it is not read.")
                                       .arg(m_limits.maxBodyBytes / 1024));
            return;
        }
    }
    Q_EMIT bodyReceived();
}

void TransferService::onDeadline()
{
    if (!m_running)
        return;
    // A download earns more time with every piece that arrives.
    qint64 allowed = m_limits.deadlineMs;
    if (m_limits.bytesPerExtraSecond > 0)
        allowed += bytesReceived() * 1000 / m_limits.bytesPerExtraSecond;
    const qint64 elapsed = m_clock.elapsed();
    if (elapsed < allowed) {
        m_deadline.start(int(std::min<qint64>(allowed - elapsed, 3600 * 1000)));
        return;
    }
    end(Failure::TimedOut,
        tr("The transfer took too long: the server sends too little, too slowly."));
}

void TransferService::end(Failure failure, const QString &text)
{
    if (!m_running || !m_reply || m_ended != Failure::None)
        return;
    m_ended = failure;
    m_endedText = text;
    m_reply->abort(); // `finished` follows, and reports why
}

void TransferService::onFinished()
{
    m_silence.stop();
    m_deadline.stop();
    m_running = false;
    const QNetworkReply::NetworkError error = m_reply ? m_reply->error() : QNetworkReply::NoError;
    if (m_ended != Failure::None) {
        m_failure = m_ended;
        m_responseText = m_endedText;
        m_body.clear(); // what came of an ended request is not used
    } else {
        if (m_whole && m_reply->isOpen()) // an aborted reply is closed
            m_body += m_reply->readAll();
        const QUrl redirect = m_reply->url().resolved(QUrl::fromEncoded(header("Location")));
        if (error == QNetworkReply::NoError) {
            m_failure = Failure::None;
        } else if (m_responseCode / 100 == 3 && nonWebAddressReason(redirect)) {
            // The network layer refused to follow it before asking us.
            m_failure = Failure::Refused;
            m_responseText = tr("The page redirects elsewhere. ") + *nonWebAddressReason(redirect);
        } else {
            m_failure = m_responseCode >= 400 ? Failure::Http : Failure::Network;
            m_responseText = m_reply->errorString();
        }
    }
    if (m_reply)
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
    if (m_running && m_reply)
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
    if (!m_reply || m_whole || !m_reply->isOpen())
        return QByteArray();
    QByteArray piece = m_reply->read(maxBytes);
    m_taken += piece.size();
    return piece;
}

qint64 TransferService::bytesWaiting() const
{
    return m_reply && !m_whole && m_reply->isOpen() ? m_reply->bytesAvailable() : 0;
}

} // namespace vantrel
