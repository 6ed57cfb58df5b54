// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote/networkparts.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class HttpEndpoint;
class OscReceiver;
class QWebSocket;
class ShowController;
struct HttpAnswer;
struct HttpRequest;
struct OscMessage;
struct RemoteCommand;

// Remote control of the show over HTTP and WebSocket (one TCP port) and OSC
// (UDP), all on the GUI thread's event loop. Every command goes through the
// ShowController, exactly as a click in the control window does. What it
// listens on comes from the settings record: remoteEnabled, remotePort,
// remoteAllowLan, remoteToken, oscEnabled, oscPort.
class RemoteServer : public RemoteControl {
    Q_OBJECT

  public:
    // WebSocket clients whose unsent data passes this are dropped: a client
    // that stops reading must not make the program hold its stream.
    static constexpr qint64 kMaxBacklog = 256 * 1024;
    static constexpr int kMaxWebSocketClients = 100;
    static constexpr int kLogLength = 8;

    explicit RemoteServer(ShowController* show, QObject* parent = nullptr);
    ~RemoteServer() override;

    // Listens as the settings say, closing what was open before. A port that
    // is taken is reported in statusText(), never exchanged for another.
    void restart() override;

    QString statusText() const override { return m_status; }
    bool isListening() const override;
    quint16 httpPort() const override;
    bool listensOnNetwork() const override;
    quint16 oscPort() const;
    QList<QHostAddress> httpAddresses() const;
    QList<QHostAddress> oscAddresses() const;
    int webSocketClients() const { return int(m_clients.size()); }
    QStringList log() const override { return m_log; }

    // Serves `body` for GET `path` (a page of its own, outside /api/).
    void addStaticRoute(const QString& path, const QByteArray& contentType, const QByteArray& body);

    // The state as it is now; a change not yet sent counts as sent.
    QJsonObject currentState();

  private:
    struct Client {
        QWebSocket* socket = nullptr;
        QElapsedTimer lastHeard;
    };
    struct Outcome {
        int status = 200;
        QString error;
    };

    HttpAnswer handleHttp(const HttpRequest& request);
    void onWebSocket(QWebSocket* socket);
    void onWebSocketText(QWebSocket* socket, const QString& text);
    void onOsc(const OscMessage& message, const QHostAddress& from, quint16 fromPort);
    // Token checked by the caller; applies and logs the command.
    QString execute(const RemoteCommand& command, const QString& source);
    void logLine(const QString& line);
    void onShowChanged();
    void flush();
    void dropClient(QWebSocket* socket);
    void pingClients();
    void setStatus(const QString& text);

    ShowController* m_show;
    std::unique_ptr<HttpEndpoint> m_http;
    std::unique_ptr<OscReceiver> m_osc;
    QList<Client> m_clients;
    QHash<QString, QPair<QByteArray, QByteArray>> m_staticRoutes;
    QStringList m_log;
    QString m_status;
    QTimer m_flushTimer;
    QTimer m_pingTimer;
    qint64 m_seq = 0;
    bool m_dirty = true;
    // What the listeners were started with, so an unrelated settings change
    // does not drop every client.
    QString m_boundFor;
};
