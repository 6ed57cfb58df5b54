// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>

class QWebSocket;

// One HTTP request as the remote interface sees it, whole and already limited
// in size.
struct HttpRequest {
    QByteArray method; // "GET", "POST", …
    QString path;
    QByteArray query; // as sent, still percent-encoded
    QByteArray contentType;
    QByteArray authorization;
    QByteArray body;
    QHostAddress peer;
};

struct HttpAnswer {
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
};

// The HTTP and WebSocket listener on one port. This is the only class that
// knows Qt HTTP Server, whose interface changes after Qt 6.4: everything else
// sees HttpRequest, HttpAnswer and QWebSocket.
//
// It guards the server against what a hostile or broken client can send: a
// body over kMaxBody is answered 413 as soon as its length is announced (the
// server would otherwise buffer it whole), a header over kMaxHeader 431, an
// idle or half-open connection is closed after kIdleMs, and no more than
// kMaxConnections are served at once.
class HttpEndpoint : public QObject {
    Q_OBJECT

  public:
    static constexpr qint64 kMaxBody = 16 * 1024;
    static constexpr qint64 kMaxHeader = 16 * 1024;
    static constexpr int kIdleMs = 10000;
    static constexpr int kMaxConnections = 128;

    using Handler = std::function<HttpAnswer(const HttpRequest&)>;

    // WebSocket handshakes are accepted on webSocketPath only.
    HttpEndpoint(Handler handler, const QString& webSocketPath, QObject* parent = nullptr);
    ~HttpEndpoint() override;

    // Listens on every address on one port (0: a free one, the same for all).
    // On failure nothing listens and the error says why.
    bool listen(const QList<QHostAddress>& addresses, quint16 port, QString* error);
    quint16 port() const;
    QList<QHostAddress> addresses() const;

  signals:
    // A WebSocket client completed its handshake; the receiver owns it.
    void webSocketConnected(QWebSocket* socket);

  private:
    class Server;
    std::unique_ptr<Server> m_server;
};
