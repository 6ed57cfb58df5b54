// SPDX-License-Identifier: GPL-3.0-or-later
#include "manifestserver.h"

#include <QFile>
#include <QProcess>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTextDocument>

namespace {

// How far a streamed answer goes at most; a client that keeps reading gets
// this much before the server gives up.
constexpr qint64 streamLimit = 64 * 1024 * 1024;
constexpr int streamChunk = 16 * 1024;

const char* const stateProperty = "manifestServerState";
const char* const bufferProperty = "manifestServerBuffer";

enum State { ExpectConnect, ExpectRequest, Done };

QByteArray reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

ManifestServer::ManifestServer(const QString& hostName, QObject* parent)
    : QTcpServer(parent), m_hostName(hostName)
{
}

ManifestServer::~ManifestServer()
{
    close();
}

bool ManifestServer::start(QString* error)
{
    QTemporaryDir dir;
    QString names = QStringLiteral("subjectAltName=IP:127.0.0.1");
    if (!m_hostName.isEmpty())
        names += QStringLiteral(",DNS:") + m_hostName;
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                   QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=Vellmark test server"), QStringLiteral("-addext"), names,
                   QStringLiteral("-keyout"), dir.filePath(QStringLiteral("key.pem")),
                   QStringLiteral("-out"), dir.filePath(QStringLiteral("cert.pem"))});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        *error = QStringLiteral("openssl failed: ") +
                 QString::fromLocal8Bit(openssl.readAllStandardError());
        return false;
    }
    QFile certFile(dir.filePath(QStringLiteral("cert.pem")));
    QFile keyFile(dir.filePath(QStringLiteral("key.pem")));
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the generated certificate");
        return false;
    }
    m_certificate = QSslCertificate(certFile.readAll(), QSsl::Pem);
    m_key = QSslKey(keyFile.readAll(), QSsl::Ec, QSsl::Pem);
    if (m_certificate.isNull() || m_key.isNull()) {
        *error = QStringLiteral("the generated certificate does not load");
        return false;
    }

    // Trust this certificate and nothing else: a request that left the
    // machine could not even complete its handshake.
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setCaCertificates({m_certificate});
    QSslConfiguration::setDefaultConfiguration(config);

    if (!listen(QHostAddress::LocalHost, 0)) {
        *error = errorString();
        return false;
    }
    return true;
}

QUrl ManifestServer::url(const QString& path) const
{
    QUrl u;
    u.setScheme(QStringLiteral("https"));
    u.setHost(QStringLiteral("127.0.0.1"));
    u.setPort(serverPort());
    u.setPath(path);
    return u;
}

void ManifestServer::incomingConnection(qintptr descriptor)
{
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    ++m_open;
    socket->setLocalCertificate(m_certificate);
    socket->setPrivateKey(m_key);
    socket->setProperty(stateProperty, m_tunnelling ? ExpectConnect : ExpectRequest);
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { onData(socket); });
    connect(socket, &QSslSocket::encryptedBytesWritten, this,
            [this, socket] { feedStream(socket); });
    connect(socket, &QSslSocket::disconnected, this, [this, socket] {
        --m_open;
        socket->deleteLater();
    });
    if (!m_tunnelling)
        socket->startServerEncryption();
}

void ManifestServer::onData(QSslSocket* socket)
{
    QByteArray buffer = socket->property(bufferProperty).toByteArray() + socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty(bufferProperty, buffer);
        return;
    }
    const QByteArray head = buffer.left(end);
    socket->setProperty(bufferProperty, buffer.mid(end + 4));
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');

    const int state = socket->property(stateProperty).toInt();
    if (state == ExpectConnect) {
        if (requestLine.value(0) != "CONNECT") {
            socket->abort();
            return;
        }
        socket->setProperty("connectTarget", requestLine.value(1));
        socket->setProperty(stateProperty, ExpectRequest);
        socket->write("HTTP/1.1 200 Connection established\r\n\r\n");
        socket->startServerEncryption();
        return;
    }
    if (state != ExpectRequest)
        return;

    Request request;
    request.connectTarget = socket->property("connectTarget").toByteArray();
    request.method = requestLine.value(0);
    request.path = requestLine.value(1);
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const int colon = line.indexOf(':');
        if (colon > 0)
            request.headers.insert(line.left(colon).trimmed().toLower(),
                                   line.mid(colon + 1).trimmed());
    }
    m_requests.append(request);
    socket->setProperty(stateProperty, Done);
    answer(socket);
}

void ManifestServer::answer(QSslSocket* socket)
{
    switch (m_mode) {
    case Mode::Hold:
        return;
    case Mode::Answer:
        socket->write("HTTP/1.1 " + QByteArray::number(m_status) + ' ' + reason(m_status) +
                      "\r\nContent-Type: application/json\r\nContent-Length: " +
                      QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n" + m_body);
        socket->disconnectFromHost();
        return;
    case Mode::Stream:
        socket->setProperty("streaming", true);
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: "
                      "close\r\n\r\n{\"vellmark\":{\"version\":\"9.0.0\",\"releaseNotes\":\"");
        feedStream(socket);
        return;
    }
}

void ManifestServer::feedStream(QSslSocket* socket)
{
    if (!socket->property("streaming").toBool() ||
        socket->state() != QAbstractSocket::ConnectedState)
        return;
    // Keep a little in flight so the pace follows the client's reading.
    while (socket->encryptedBytesToWrite() + socket->bytesToWrite() < 4 * streamChunk) {
        if (m_streamed >= streamLimit) {
            socket->disconnectFromHost();
            return;
        }
        socket->write(QByteArray(streamChunk, 'x'));
        m_streamed += streamChunk;
    }
}

QString renderedText(const QString& html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText().replace(QChar::LineSeparator, QLatin1Char('\n'));
}
