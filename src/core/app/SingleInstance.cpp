#include "core/app/SingleInstance.h"

#include "core/common/Logging.h"

#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace vantrel {

namespace {

constexpr char kTaken = 'k';

QByteArray encodeFiles(const QStringList &files)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_0);
    stream << files;
    return data;
}

} // namespace

SingleInstance::SingleInstance(QString name, QObject *parent)
    : QObject(parent), m_name(std::move(name))
{
    m_answerTimeout.setSingleShot(true);
    m_answerTimeout.setInterval(kAnswerTimeoutMs);
    // A program that does not answer is taken for gone.
    connect(&m_answerTimeout, &QTimer::timeout, this, &SingleInstance::becomePrimary);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName()
{
    // In the user's runtime folder when there is one, else a name of the
    // user's own in the temporary folder.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(QStringLiteral("vantrel.socket"));
#if defined(Q_OS_UNIX)
    return QDir::temp().filePath(QStringLiteral("vantrel-%1.socket").arg(::getuid()));
#else
    return QStringLiteral("vantrel-") + qEnvironmentVariable("USERNAME");
#endif
}

void SingleInstance::start(const QStringList &files)
{
    m_client = new QLocalSocket(this);
    connect(m_client, &QLocalSocket::connected, this,
            [this, files] { m_client->write(encodeFiles(files)); });
    connect(m_client, &QLocalSocket::readyRead, this, [this] {
        if (m_decided || !m_client->read(1).contains(kTaken))
            return;
        m_decided = true;
        m_answerTimeout.stop();
        m_client->disconnectFromServer();
        qCInfo(lcApp) << "handed the files to the running converter";
        Q_EMIT handedOver();
    });
    // No program listens (or it went away before it answered). The socket
    // reports that from inside connectToServer, so the decision waits for
    // the event loop: the socket is still at work on the stack and must not
    // go (nor must whatever `primary` starts run) before it has returned.
    connect(m_client, &QLocalSocket::errorOccurred, this, [this] {
        if (!m_decided)
            QMetaObject::invokeMethod(this, &SingleInstance::becomePrimary, Qt::QueuedConnection);
    });
    m_answerTimeout.start();
    m_client->connectToServer(m_name);
}

void SingleInstance::becomePrimary()
{
    if (m_decided)
        return;
    m_decided = true;
    m_answerTimeout.stop();
    if (m_client) {
        m_client->disconnect(this);
        m_client->abort();
        m_client->deleteLater();
        m_client = nullptr;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection())
            serve(socket);
    });
    // A socket left by a program that crashed is in the way: it goes.
    if (!m_server->listen(m_name)) {
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            qCWarning(lcApp).noquote()
                << "cannot listen for other programs:" << m_server->errorString();
    }
    Q_EMIT primary();
}

void SingleInstance::serve(QLocalSocket *socket)
{
    socket->setParent(this);
    auto *stream = new QDataStream(socket);
    stream->setVersion(QDataStream::Qt_6_0);
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket, stream] {
        stream->startTransaction();
        QStringList files;
        *stream >> files;
        if (!stream->commitTransaction())
            return; // more is coming
        socket->write(QByteArray(1, kTaken));
        socket->flush();
        Q_EMIT filesReceived(files);
    });
    connect(socket, &QLocalSocket::disconnected, socket, [socket, stream] {
        delete stream;
        socket->deleteLater();
    });
}

} // namespace vantrel
