#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace vantrel {

// One HTTP transfer at a time, over QNetworkAccessManager: a page or picture
// fetched whole, or a download whose body is taken piece by piece as it
// comes. Nothing waits: the owner continues on the signals. Redirects are
// followed; HTTPS works. A transfer that hears nothing for the time limit is
// ended and reported as timed out.
class TransferService : public QObject
{
    Q_OBJECT

public:
    // How far a request has come, numbered as the status line knows them.
    enum State
    {
        Connecting = 3,
        RequestSent = 6,
        ReceivingResponse = 7,
        ResponseReceived = 8,
        Error = 11,
        Completed = 12
    };
    Q_ENUM(State)

    enum class Failure
    {
        None,
        TimedOut,
        Network, // no answer: refused, unreachable, cut off
        Http     // the server answered with an error status
    };

    static constexpr int kDefaultTimeoutMs = 30000;

    explicit TransferService(QObject *parent = nullptr);
    ~TransferService() override;

    // The longest the transfer may go without hearing from the server.
    void setTimeoutMs(int milliseconds) { m_timeoutMs = milliseconds; }

    bool isBusy() const { return m_running; }

    // Fetches the whole body; `finished` follows. Refused (false) while busy.
    bool fetch(const QUrl &url);
    // Starts a GET whose body is taken with nextPiece as it arrives.
    bool startGet(const QUrl &url);
    // Ends the transfer; `finished` follows with Network.
    void abort();

    // A fetched body, whole.
    QByteArray body() const { return m_body; }
    // A response header of the last request; empty when it had none.
    QByteArray header(const QByteArray &name) const;
    // Up to `maxBytes` of a GET's body that arrived and was not taken yet;
    // the last of it may still be taken after `finished`.
    QByteArray nextPiece(qint64 maxBytes);
    qint64 bytesWaiting() const;

    // The HTTP status of the last response (0 without one) and the text of
    // the last failure (or the status's reason).
    int responseCode() const { return m_responseCode; }
    QString responseText() const { return m_responseText; }
    Failure failure() const { return m_failure; }

Q_SIGNALS:
    void stateChanged(int state);
    // The status and headers of a response are in.
    void responseStarted();
    // More of the body arrived.
    void bodyReceived();
    // The request is over; failure() says how it ended.
    void finished();

private:
    bool begin(const QUrl &url);
    void onReadyRead();
    void onFinished();

    QNetworkAccessManager *m_network;
    QNetworkReply *m_reply = nullptr; // the last request's, kept for its last bytes
    QTimer m_silence;
    int m_timeoutMs = kDefaultTimeoutMs;
    bool m_running = false;
    bool m_whole = false; // fetch: the body is collected whole
    bool m_timedOut = false;
    bool m_started = false;
    QByteArray m_body;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    int m_responseCode = 0;
    QString m_responseText;
    Failure m_failure = Failure::None;
};

} // namespace vantrel
