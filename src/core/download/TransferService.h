#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace vantrel {

// One HTTP transfer at a time, over QNetworkAccessManager: a page or picture
// fetched whole, or a download whose body is taken piece by piece as it
// comes. Nothing waits: the owner continues on the signals. Redirects are
// followed; HTTPS works.
//
// What a page names is not trusted: only http and https addresses are asked
// for (redirects included), a body fetched whole is refused beyond a size,
// and a transfer ends when it hears nothing for the silence limit or when
// its deadline passes, so a server that trickles a byte now and then cannot
// hold it for ever.
class TransferService : public QObject
{
    Q_OBJECT

public:
    // How far a request has come. The numbers are those the status line's
    // table has always used for the steps of a request; the network layer
    // does not report resolving and disconnecting, so those never come.
    enum State
    {
        Resolving = 1,
        Resolved = 2,
        Connecting = 3,
        Connected = 4,
        SendingRequest = 5,
        RequestSent = 6,
        ReceivingResponse = 7,
        ResponseReceived = 8,
        Disconnecting = 9,
        Disconnected = 10,
        Error = 11,
        Completed = 12
    };
    Q_ENUM(State)

    enum class Failure
    {
        None,
        TimedOut, // silent for too long, or past the deadline
        Network,  // no answer: refused, unreachable, cut off
        Http,     // the server answered with an error status
        Refused,  // not a web address (or redirected to one that is not)
        TooLarge  // a body fetched whole grew past its limit
    };

    // How much and how long a transfer may take.
    struct Limits
    {
        // The most a body fetched whole may hold (real watch pages are
        // under 2 MB); 0 for no limit.
        qint64 maxBodyBytes = 4 * 1024 * 1024;
        // The whole transfer ends by then...
        int deadlineMs = 60000;
        // ...moved on by a second for every this many bytes received, so
        // that a slow but moving download finishes; 0 keeps it fixed.
        qint64 bytesPerExtraSecond = 0;
    };

    static constexpr int kDefaultTimeoutMs = 30000;

    explicit TransferService(QObject *parent = nullptr);
    ~TransferService() override;

    // The longest the transfer may go without hearing from the server.
    void setTimeoutMs(int milliseconds) { m_timeoutMs = milliseconds; }
    void setLimits(const Limits &limits) { m_limits = limits; }
    const Limits &limits() const { return m_limits; }

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
    void stateChanged(vantrel::TransferService::State state);
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
    void onDeadline();
    // Ends the running request; `finished` then reports `failure` and `text`.
    void end(Failure failure, const QString &text);
    qint64 bytesReceived() const;

    QNetworkAccessManager *m_network;
    QNetworkReply *m_reply = nullptr; // the last request's, kept for its last bytes
    QTimer m_silence;
    QTimer m_deadline;
    QElapsedTimer m_clock; // since the request began
    int m_timeoutMs = kDefaultTimeoutMs;
    Limits m_limits;
    bool m_running = false;
    bool m_whole = false; // fetch: the body is collected whole
    qint64 m_taken = 0;   // bytes the owner took with nextPiece
    // Why the program ended the request itself; None when it did not.
    Failure m_ended = Failure::None;
    QString m_endedText;
    bool m_started = false;
    QByteArray m_body;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    int m_responseCode = 0;
    QString m_responseText;
    Failure m_failure = Failure::None;
};

} // namespace vantrel
