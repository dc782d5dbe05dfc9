#pragma once

#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <memory>

// A small HTTP/1.1 server on the loopback address, run by the test's own event
// loop: each path answers as its route says.
class TestHttpServer : public QObject
{
public:
    struct Route
    {
        Route(QByteArray body = {}, int status = 200, bool withLength = true,
              bool cutHalfWay = false, bool silent = false)
            : body(std::move(body)), status(status), withLength(withLength), cutHalfWay(cutHalfWay),
              silent(silent)
        {}
        QByteArray body;
        int status;
        bool withLength;        // send Content-Length
        bool cutHalfWay;        // close the connection after half the body
        bool silent;            // never answer
        int trickleMs = 0;      // one byte of the body every so many milliseconds
        bool endless = false;   // the body never ends
        QByteArray location;    // a redirect's target
        QByteArray contentType; // sent when set
        bool headOnly = false;  // answering a HEAD request

        static Route redirect(const QByteArray &to)
        {
            Route r({}, 302);
            r.location = to;
            return r;
        }
        static Route trickling(const QByteArray &body, int everyMs)
        {
            Route r(body);
            r.trickleMs = everyMs;
            return r;
        }
        static Route endlessBody()
        {
            Route r({}, 200, false);
            r.endless = true;
            return r;
        }
    };

    TestHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    void route(const QByteArray &path, const Route &route) { m_routes.insert(path, {route}); }
    // The first request of `path` gets the first route, the next the next;
    // the last one answers all that follow.
    void routes(const QByteArray &path, const QList<Route> &routes)
    {
        m_routes.insert(path, routes);
    }
    QString url(const char *path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2")
            .arg(m_server.serverPort())
            .arg(QLatin1String(path));
    }
    int requests(const QByteArray &path) const { return m_requests.value(path); }

private:
    void serve(QTcpSocket *socket)
    {
        socket->setParent(this);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            m_pending[socket] += socket->readAll();
            const QByteArray request = m_pending.value(socket);
            if (!request.contains("\r\n\r\n"))
                return;
            m_pending.remove(socket);
            const QByteArray path = request.split(' ').value(1);
            const QList<Route> routes = m_routes.value(path, {Route("not here", 404)});
            Route route = routes.value(std::min<qsizetype>(m_requests[path]++, routes.size() - 1));
            if (request.startsWith("HEAD ")) { // the head alone, its length as for a GET
                route.headOnly = true;
                route.trickleMs = 0;
                route.endless = false;
            }
            answer(socket, route);
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    static void answer(QTcpSocket *socket, const Route &route)
    {
        if (route.silent)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(route.status) +
                          (route.status < 400    ? " OK"
                           : route.status == 404 ? " Not Found"
                                                 : " Server Error") +
                          "\r\nConnection: close\r\n";
        if (route.withLength)
            head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
        if (!route.location.isEmpty())
            head += "Location: " + route.location + "\r\n";
        if (!route.contentType.isEmpty())
            head += "Content-Type: " + route.contentType + "\r\n";
        socket->write(head + "\r\n");
        if (route.headOnly) {
            socket->disconnectFromHost();
            return;
        }
        if (route.endless) {
            // The body as it begins, then another 64 kB whenever the last
            // went out, until the client goes.
            socket->write(route.body);
            const QByteArray block(64 * 1024, 'e');
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket, block] {
                if (socket->bytesToWrite() < block.size())
                    socket->write(block);
            });
            socket->write(block);
            return;
        }
        if (route.trickleMs > 0) {
            auto *timer = new QTimer(socket);
            auto sent = std::make_shared<int>(0);
            QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, sent, route] {
                if (*sent >= route.body.size()) {
                    timer->stop();
                    socket->disconnectFromHost();
                    return;
                }
                socket->write(route.body.mid((*sent)++, 1));
            });
            timer->start(route.trickleMs);
            return;
        }
        socket->write(route.cutHalfWay ? route.body.left(route.body.size() / 2) : route.body);
        if (route.cutHalfWay) {
            socket->flush();
            socket->abort();
            return;
        }
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QByteArray, QList<Route>> m_routes;
    QHash<QByteArray, int> m_requests;
    QHash<QTcpSocket *, QByteArray> m_pending;
};
