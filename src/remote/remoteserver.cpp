// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/remoteserver.h"

#include "remote/httpendpoint.h"
#include "remote/oscreceiver.h"
#include "remote/remotecommand.h"
#include "remote/showstate.h"
#include "settings/appsettings.h"
#include "show/showcontroller.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QTime>
#include <QWebSocket>

#include <algorithm>

namespace {

const QString kApi = QStringLiteral("/api/v1/");
const QString kWebSocketPath = QStringLiteral("/api/v1/ws");

constexpr int kPingMs = 15000;
constexpr qint64 kSilentMs = 3 * kPingMs;

QByteArray errorBody(const QString& error)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("error"), error}})
        .toJson(QJsonDocument::Compact);
}

HttpAnswer errorAnswer(int status, const QString& error)
{
    HttpAnswer a;
    a.status = status;
    a.body = errorBody(error);
    return a;
}

// An IPv4 caller reaching a dual-stack socket shows as ::ffff:a.b.c.d.
QString peerText(const QHostAddress& address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

QString configKey(const AppSettings& s)
{
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(s.remoteEnabled)
        .arg(s.remotePort)
        .arg(s.remoteAllowLan)
        .arg(s.oscEnabled)
        .arg(s.oscPort);
}

QList<QHostAddress> addressesFor(const AppSettings& s)
{
    if (s.remoteAllowLan)
        return {QHostAddress(QHostAddress::Any)};
    return {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)};
}

QString whereText(const AppSettings& s, quint16 port)
{
    return s.remoteAllowLan ? QStringLiteral("on every network interface, port %1").arg(port)
                            : QStringLiteral("on port %1, this computer only").arg(port);
}

} // namespace

RemoteServer::RemoteServer(ShowController* show, QObject* parent)
    : RemoteControl(parent), m_show(show)
{
    // Changes are sent once per turn of the event loop: a command that moves
    // several things (a new duration stops the count) is one message.
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(0);
    connect(&m_flushTimer, &QTimer::timeout, this, &RemoteServer::flush);
    connect(m_show, &ShowController::changed, this, &RemoteServer::onShowChanged);
    connect(m_show, &ShowController::settingsApplied, this, [this] {
        if (configKey(m_show->settings()) != m_boundFor)
            restart();
    });
    m_pingTimer.setInterval(kPingMs);
    connect(&m_pingTimer, &QTimer::timeout, this, &RemoteServer::pingClients);
    m_pingTimer.start();
}

RemoteServer::~RemoteServer()
{
    for (const Client& c : std::as_const(m_clients)) {
        c.socket->disconnect(this);
        c.socket->abort();
    }
}

void RemoteServer::restart()
{
    const AppSettings& s = m_show->settings();
    m_boundFor = configKey(s);
    for (const Client& c : std::as_const(m_clients)) {
        c.socket->disconnect(this);
        c.socket->abort();
        c.socket->deleteLater();
    }
    m_clients.clear();
    m_http.reset();
    m_osc.reset();

    QString status;
    if (!s.remoteEnabled) {
        status = QStringLiteral("Remote control is off");
    } else {
        auto http = std::make_unique<HttpEndpoint>(
            [this](const HttpRequest& r) { return handleHttp(r); }, kWebSocketPath);
        QString error;
        if (http->listen(addressesFor(s), quint16(s.remotePort), &error)) {
            connect(http.get(), &HttpEndpoint::webSocketConnected, this,
                    &RemoteServer::onWebSocket);
            status = QStringLiteral("Remote control listening %1").arg(whereText(s, http->port()));
            m_http = std::move(http);
        } else {
            status = QStringLiteral("Remote control is not listening: %1").arg(error);
        }
    }
    if (s.oscEnabled) {
        auto osc = std::make_unique<OscReceiver>();
        QString error;
        if (osc->listen(addressesFor(s), quint16(s.oscPort), &error)) {
            connect(osc.get(), &OscReceiver::messageReceived, this, &RemoteServer::onOsc);
            status += QStringLiteral(" · OSC on UDP %1").arg(osc->port());
            m_osc = std::move(osc);
        } else {
            status += QStringLiteral(" · OSC is not listening: %1").arg(error);
        }
    }
    setStatus(status);
}

void RemoteServer::setStatus(const QString& text)
{
    m_status = text;
    emit statusChanged(text);
}

bool RemoteServer::isListening() const
{
    return m_http != nullptr;
}

quint16 RemoteServer::httpPort() const
{
    return m_http ? m_http->port() : 0;
}

quint16 RemoteServer::oscPort() const
{
    return m_osc ? m_osc->port() : 0;
}

QList<QHostAddress> RemoteServer::httpAddresses() const
{
    return m_http ? m_http->addresses() : QList<QHostAddress>();
}

bool RemoteServer::listensOnNetwork() const
{
    const QList<QHostAddress> addresses = httpAddresses();
    return std::any_of(addresses.cbegin(), addresses.cend(),
                       [](const QHostAddress& a) { return !a.isLoopback(); });
}

QList<QHostAddress> RemoteServer::oscAddresses() const
{
    return m_osc ? m_osc->addresses() : QList<QHostAddress>();
}

void RemoteServer::addStaticRoute(const QString& path, const QByteArray& contentType,
                                  const QByteArray& body)
{
    m_staticRoutes.insert(path, {contentType, body});
}

QJsonObject RemoteServer::currentState()
{
    flush();
    return showStateJson(*m_show, m_seq, QDateTime::currentMSecsSinceEpoch());
}

void RemoteServer::onShowChanged()
{
    m_dirty = true;
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void RemoteServer::flush()
{
    m_flushTimer.stop();
    if (!m_dirty)
        return;
    m_dirty = false;
    ++m_seq;
    if (m_clients.isEmpty())
        return;
    const QString text = QString::fromUtf8(
        QJsonDocument(showStateJson(*m_show, m_seq, QDateTime::currentMSecsSinceEpoch()))
            .toJson(QJsonDocument::Compact));
    QList<QWebSocket*> behind;
    for (const Client& c : std::as_const(m_clients)) {
        if (c.socket->bytesToWrite() > kMaxBacklog)
            behind << c.socket;
        else
            c.socket->sendTextMessage(text);
    }
    for (QWebSocket* s : behind)
        dropClient(s);
}

HttpAnswer RemoteServer::handleHttp(const HttpRequest& r)
{
    QString path = r.path;
    if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const bool get = r.method == "GET" || r.method == "HEAD";

    const auto page = m_staticRoutes.constFind(path);
    if (page != m_staticRoutes.constEnd()) {
        if (!get) {
            HttpAnswer a = errorAnswer(405, QStringLiteral("method not allowed"));
            a.headers << qMakePair(QByteArrayLiteral("Allow"), QByteArrayLiteral("GET"));
            return a;
        }
        HttpAnswer a;
        a.contentType = page->first;
        a.body = page->second;
        return a;
    }

    if (path == kApi + QLatin1String("state")) {
        if (!get) {
            HttpAnswer a = errorAnswer(405, QStringLiteral("method not allowed; use GET"));
            a.headers << qMakePair(QByteArrayLiteral("Allow"), QByteArrayLiteral("GET"));
            return a;
        }
        HttpAnswer a;
        a.body = QJsonDocument(currentState()).toJson(QJsonDocument::Compact);
        return a;
    }
    if (path == kWebSocketPath)
        return errorAnswer(426, QStringLiteral("WebSocket only"));
    if (!path.startsWith(kApi))
        return errorAnswer(404, QStringLiteral("not found"));

    const QString verb = path.mid(kApi.size());
    if (!RemoteCommand::verbs().contains(verb))
        return errorAnswer(404, QStringLiteral("unknown command \"%1\"").arg(verb.left(64)));
    if (r.method != "POST" && r.method != "GET") {
        HttpAnswer a = errorAnswer(405, QStringLiteral("method not allowed; use POST"));
        a.headers << qMakePair(QByteArrayLiteral("Allow"), QByteArrayLiteral("POST, GET"));
        return a;
    }
    const RemoteCommand::Parsed parsed =
        RemoteCommand::fromHttp(verb, r.query, r.contentType, r.body);
    QString token = parsed.token;
    const QByteArray auth = r.authorization.trimmed();
    if (auth.size() > 7 && auth.left(7).toLower() == "bearer ")
        token = QString::fromUtf8(auth.mid(7).trimmed());
    const QString source = QStringLiteral("HTTP %1").arg(peerText(r.peer));
    if (!tokenMatches(token, m_show->settings().remoteToken)) {
        logLine(
            QStringLiteral("%1 refused: %2 — %3")
                .arg(verb,
                     token.isEmpty() ? QStringLiteral("no token") : QStringLiteral("wrong token"),
                     source));
        HttpAnswer a = errorAnswer(401, QStringLiteral("missing or wrong token"));
        a.headers << qMakePair(QByteArrayLiteral("WWW-Authenticate"),
                               QByteArrayLiteral("Bearer realm=\"Vellmark\""));
        return a;
    }
    if (!parsed.ok)
        return errorAnswer(parsed.status, parsed.error);
    const QString error = execute(parsed.command, source);
    if (!error.isEmpty())
        return errorAnswer(400, error);
    HttpAnswer a;
    a.body = QJsonDocument(currentState()).toJson(QJsonDocument::Compact);
    return a;
}

QString RemoteServer::execute(const RemoteCommand& command, const QString& source)
{
    const QString error = command.applyTo(*m_show);
    if (error.isEmpty())
        logLine(QStringLiteral("%1 — %2").arg(command.describe(), source));
    else
        logLine(QStringLiteral("%1 refused: %2 — %3").arg(command.describe(), error, source));
    return error;
}

void RemoteServer::logLine(const QString& line)
{
    const QString entry = QStringLiteral("%1  %2").arg(
        QTime::currentTime().toString(QStringLiteral("HH:mm:ss")), line);
    m_log << entry;
    while (m_log.size() > kLogLength)
        m_log.removeFirst();
    emit commandLogged(entry);
}

void RemoteServer::onWebSocket(QWebSocket* socket)
{
    socket->setParent(this);
    if (socket->requestUrl().path() != kWebSocketPath || m_clients.size() >= kMaxWebSocketClients) {
        socket->close(QWebSocketProtocol::CloseCodePolicyViolated,
                      m_clients.size() >= kMaxWebSocketClients ? QStringLiteral("too many clients")
                                                               : QStringLiteral("not found"));
        socket->deleteLater();
        return;
    }
    // A change still waiting goes to the others first; this client starts
    // with the state as it is now.
    flush();
    socket->setMaxAllowedIncomingMessageSize(HttpEndpoint::kMaxBody);
    socket->setMaxAllowedIncomingFrameSize(HttpEndpoint::kMaxBody);
    Client c;
    c.socket = socket;
    c.lastHeard.start();
    m_clients << c;
    connect(socket, &QWebSocket::textMessageReceived, this,
            [this, socket](const QString& text) { onWebSocketText(socket, text); });
    connect(socket, &QWebSocket::binaryMessageReceived, this,
            [this, socket] { onWebSocketText(socket, QString()); });
    connect(socket, &QWebSocket::pong, this, [this, socket] {
        for (Client& c : m_clients)
            if (c.socket == socket)
                c.lastHeard.start();
    });
    connect(socket, &QWebSocket::disconnected, this, [this, socket] { dropClient(socket); });
    socket->sendTextMessage(
        QString::fromUtf8(QJsonDocument(currentState()).toJson(QJsonDocument::Compact)));
}

void RemoteServer::onWebSocketText(QWebSocket* socket, const QString& text)
{
    for (Client& c : m_clients)
        if (c.socket == socket)
            c.lastHeard.start();
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &err);
    const QJsonObject msg = doc.object();
    QJsonObject ack{{QStringLiteral("type"), QStringLiteral("ack")},
                    {QStringLiteral("id"), msg.value(QStringLiteral("id"))}};
    if (ack.value(QStringLiteral("id")).isUndefined())
        ack.insert(QStringLiteral("id"), QJsonValue::Null);
    QString error;
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        error = QStringLiteral("malformed JSON: send a JSON object");
    else if (msg.value(QStringLiteral("type")).toString() != QLatin1String("cmd"))
        error = QStringLiteral("type must be \"cmd\"");
    else {
        const QString verb = msg.value(QStringLiteral("verb")).toString();
        const RemoteCommand::Parsed parsed =
            RemoteCommand::fromJson(verb, msg.value(QStringLiteral("args")));
        const QString source = QStringLiteral("WebSocket %1").arg(peerText(socket->peerAddress()));
        if (parsed.status == 404)
            error = parsed.error;
        else if (!tokenMatches(msg.value(QStringLiteral("token")).toString(),
                               m_show->settings().remoteToken)) {
            error = QStringLiteral("missing or wrong token");
            logLine(QStringLiteral("%1 refused: wrong token — %2").arg(verb.left(64), source));
        } else if (!parsed.ok)
            error = parsed.error;
        else
            error = execute(parsed.command, source);
    }
    // The new state goes out before the acknowledgement.
    flush();
    ack.insert(QStringLiteral("ok"), error.isEmpty());
    ack.insert(QStringLiteral("error"), error);
    socket->sendTextMessage(QString::fromUtf8(QJsonDocument(ack).toJson(QJsonDocument::Compact)));
    // Out now, not after the windows have repainted for the change.
    socket->flush();
}

void RemoteServer::onOsc(const OscMessage& message, const QHostAddress& from, quint16 fromPort)
{
    const RemoteCommand::Parsed parsed = RemoteCommand::fromOsc(message.address, message.args);
    const QString source = QStringLiteral("OSC %1:%2").arg(peerText(from)).arg(fromPort);
    if (!parsed.ok) {
        // Other programs' addresses are not ours to report.
        if (message.address.startsWith(QLatin1String("/vellmark/")))
            logLine(QStringLiteral("%1 refused: %2 — %3")
                        .arg(message.address.left(64), parsed.error, source));
        return;
    }
    execute(parsed.command, source);
}

void RemoteServer::dropClient(QWebSocket* socket)
{
    for (qsizetype i = 0; i < m_clients.size(); ++i) {
        if (m_clients.at(i).socket == socket) {
            m_clients.removeAt(i);
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
            return;
        }
    }
}

void RemoteServer::pingClients()
{
    QList<QWebSocket*> silent;
    for (const Client& c : std::as_const(m_clients)) {
        if (c.lastHeard.elapsed() > kSilentMs)
            silent << c.socket;
        else
            c.socket->ping();
    }
    for (QWebSocket* s : silent)
        dropClient(s);
}
