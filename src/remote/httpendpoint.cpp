// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/httpendpoint.h"

#include "remote/listenerror.h"

#include <QAbstractHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>

namespace {

QByteArray closingAnswer(int status, const char* reason, const char* error)
{
    const QByteArray body = QByteArrayLiteral("{\"error\":\"") + error + "\"}";
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
           "\r\nContent-Type: application/json\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// Watches one connection from before the HTTP server reads it: the server's
// own reader is connected after this one, so every chunk is seen here first.
class SocketGuard : public QObject {
  public:
    // A rejected client has this long to read its answer, and may send this
    // much more meanwhile, before it is cut off.
    static constexpr int kAnswerGraceMs = 2000;
    static constexpr qint64 kMaxDrained = 1024 * 1024;

    SocketGuard(QTcpSocket* socket, QObject* httpServer)
        : QObject(socket), m_socket(socket), m_httpServer(httpServer)
    {
        setObjectName(name());
        m_idle.setSingleShot(true);
        connect(&m_idle, &QTimer::timeout, m_socket, &QTcpSocket::abort);
        connect(m_socket, &QTcpSocket::readyRead, this, &SocketGuard::inspect);
        m_idle.start(HttpEndpoint::kIdleMs);
    }

    static QString name() { return QStringLiteral("vellmark-socket-guard"); }

    // A whole request was read: the next one starts from nothing.
    void requestHandled()
    {
        // A WebSocket handshake is a request too, but its connection lives on
        // as the stream and is watched by pings instead.
        if (m_upgraded)
            return;
        m_head.clear();
        m_headDone = false;
        m_received = 0;
        m_idle.start(HttpEndpoint::kIdleMs);
    }

  private:
    void inspect()
    {
        if (m_rejected) {
            drain();
            return;
        }
        if (m_upgraded)
            return;
        m_idle.start(HttpEndpoint::kIdleMs);
        // The server reads everything available on each chunk, so what is
        // available now is what just arrived.
        const qint64 arrived = m_socket->bytesAvailable();
        m_received += arrived;
        if (!m_headDone) {
            const qint64 room = HttpEndpoint::kMaxHeader + 4 - m_head.size();
            m_head += m_socket->peek(std::min(arrived, std::max<qint64>(room, 0)));
            const qsizetype end = m_head.indexOf("\r\n\r\n");
            if (end < 0) {
                if (m_head.size() > HttpEndpoint::kMaxHeader)
                    reject(closingAnswer(431, "Request Header Fields Too Large",
                                         "request header too large"));
                return;
            }
            m_headDone = true;
            m_headSize = end + 4;
            qint64 length = 0;
            bool expectContinue = false;
            for (const QByteArray& line : m_head.left(end).split('\n')) {
                const qsizetype colon = line.indexOf(':');
                if (colon < 0)
                    continue;
                const QByteArray name = line.left(colon).trimmed().toLower();
                const QByteArray value = line.mid(colon + 1).trimmed().toLower();
                if (name == "content-length") {
                    bool ok = false;
                    length = value.toLongLong(&ok);
                    if (!ok || length < 0)
                        length = HttpEndpoint::kMaxBody + 1;
                } else if (name == "expect") {
                    expectContinue = value == "100-continue";
                } else if (name == "upgrade" && value == "websocket") {
                    // From here the WebSocket server owns the connection.
                    m_upgraded = true;
                    m_idle.stop();
                    return;
                }
            }
            if (length > HttpEndpoint::kMaxBody) {
                reject(closingAnswer(413, "Payload Too Large", "body over 16 KiB"));
                return;
            }
            if (expectContinue)
                m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
        }
        // A body without a length (chunked) is counted as it comes.
        if (m_received > m_headSize + HttpEndpoint::kMaxBody)
            reject(closingAnswer(413, "Payload Too Large", "body over 16 KiB"));
    }

    void reject(const QByteArray& answer)
    {
        m_rejected = true;
        QObject::disconnect(m_socket, &QTcpSocket::readyRead, m_httpServer, nullptr);
        m_socket->write(answer);
        drain();
        // What the client goes on sending meanwhile is read and thrown away,
        // so the answer is not lost to a reset.
        m_idle.start(kAnswerGraceMs);
    }

    void drain()
    {
        if (m_socket->isTransactionStarted())
            m_socket->commitTransaction();
        m_drained += m_socket->skip(m_socket->bytesAvailable());
        if (m_drained > kMaxDrained)
            m_socket->abort();
    }

    QTcpSocket* m_socket;
    QObject* m_httpServer;
    QTimer m_idle;
    QByteArray m_head;
    qint64 m_headSize = 0;
    qint64 m_received = 0;
    qint64 m_drained = 0;
    bool m_headDone = false;
    bool m_upgraded = false;
    bool m_rejected = false;
};

class GuardedTcpServer : public QTcpServer {
  public:
    GuardedTcpServer(QObject* httpServer, QList<QPointer<QTcpSocket>>* live)
        : QTcpServer(httpServer), m_httpServer(httpServer), m_live(live)
    {
    }

  protected:
    void incomingConnection(qintptr descriptor) override
    {
        m_live->removeAll(QPointer<QTcpSocket>());
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        if (m_live->size() >= HttpEndpoint::kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        m_live->append(socket);
        // Answers and stream messages are small and wanted at once: without
        // this an acknowledgement right after a state message waits for the
        // client's delayed ACK.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        new SocketGuard(socket, m_httpServer);
        addPendingConnection(socket);
    }

  private:
    QObject* m_httpServer;
    QList<QPointer<QTcpSocket>>* m_live;
};

QByteArray methodName(QHttpServerRequest::Method m)
{
    switch (m) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    default:
        return "OTHER";
    }
}

} // namespace

class HttpEndpoint::Server : public QAbstractHttpServer {
  public:
    Server(HttpEndpoint* owner, Handler handler, const QString& webSocketPath)
        : m_owner(owner), m_handler(std::move(handler)), m_webSocketPath(webSocketPath)
    {
        // Connecting this signal is what makes the server accept upgrades.
        connect(this, &QAbstractHttpServer::newWebSocketConnection, m_owner, [this] {
            while (hasPendingWebSocketConnections())
                if (auto ws = nextPendingWebSocketConnection())
                    emit m_owner->webSocketConnected(ws.release());
        });
    }

    QList<QPointer<QTcpSocket>> live;

  protected:
    bool handleRequest(const QHttpServerRequest& r, QTcpSocket* socket) override
    {
        // SocketGuard has no meta-object of its own: found by name.
        if (auto* guard =
                socket->findChild<QObject*>(SocketGuard::name(), Qt::FindDirectChildrenOnly))
            static_cast<SocketGuard*>(guard)->requestHandled();
        // Qt HTTP Server 6.4 hands a WebSocket handshake over only when this
        // returns true having written nothing.
        if (r.value(QByteArrayLiteral("upgrade")).toLower() == "websocket")
            return r.url().path() == m_webSocketPath;
        HttpRequest req;
        req.method = methodName(r.method());
        req.path = r.url().path();
        req.query = r.url().query(QUrl::FullyEncoded).toUtf8();
        req.contentType = r.value(QByteArrayLiteral("content-type"));
        req.authorization = r.value(QByteArrayLiteral("authorization"));
        req.body = r.body();
        req.peer = r.remoteAddress();
        const HttpAnswer a = m_handler(req);

        QHttpServerResponder responder = makeResponder(r, socket);
        responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(a.status));
        responder.writeHeader(QByteArrayLiteral("Content-Type"), a.contentType);
        responder.writeHeader(QByteArrayLiteral("Content-Length"),
                              QByteArray::number(a.body.size()));
        responder.writeHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
        for (const auto& h : a.headers)
            responder.writeHeader(h.first, h.second);
        // HEAD is answered with the length of what GET would send, no body.
        responder.writeBody(req.method == "HEAD" ? QByteArray() : a.body);
        // Out now, not after the windows have repainted for the change.
        socket->flush();
        return true;
    }

    void missingHandler(const QHttpServerRequest&, QTcpSocket* socket) override
    {
        socket->disconnectFromHost();
    }

  private:
    HttpEndpoint* m_owner;
    Handler m_handler;
    QString m_webSocketPath;
};

HttpEndpoint::HttpEndpoint(Handler handler, const QString& webSocketPath, QObject* parent)
    : QObject(parent), m_server(std::make_unique<Server>(this, std::move(handler), webSocketPath))
{
}

HttpEndpoint::~HttpEndpoint() = default;

bool HttpEndpoint::listen(const QList<QHostAddress>& addresses, quint16 port, QString* error)
{
    QList<GuardedTcpServer*> made;
    for (const QHostAddress& address : addresses) {
        auto* tcp = new GuardedTcpServer(m_server.get(), &m_server->live);
        if (!tcp->listen(address, port)) {
            // A machine without IPv6 has no ::1; the IPv4 loopback serves.
            if (!made.isEmpty() &&
                tcp->serverError() == QAbstractSocket::SocketAddressNotAvailableError) {
                delete tcp;
                continue;
            }
            if (error)
                *error = listenError(tcp->serverError(), tcp->errorString(), port);
            delete tcp;
            qDeleteAll(made);
            return false;
        }
        port = tcp->serverPort();
        made << tcp;
    }
    for (GuardedTcpServer* tcp : made)
        m_server->bind(tcp);
    return true;
}

quint16 HttpEndpoint::port() const
{
    const QList<QTcpServer*> servers = m_server->servers();
    return servers.isEmpty() ? 0 : servers.first()->serverPort();
}

QList<QHostAddress> HttpEndpoint::addresses() const
{
    QList<QHostAddress> list;
    for (QTcpServer* s : m_server->servers())
        list << s->serverAddress();
    return list;
}
