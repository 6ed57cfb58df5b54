// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>
#include <QUrl>

class QSslSocket;

// An HTTPS server on 127.0.0.1 that answers every request with one prepared
// answer. Its certificate is made by openssl for the run and becomes the only
// certificate authority the process trusts. It can also stand in as an HTTP
// proxy: it accepts the CONNECT of a tunnel and then speaks TLS inside it, so
// a request for the program's real update address ends up here.
class ManifestServer : public QTcpServer {
    Q_OBJECT

  public:
    enum class Mode {
        Answer, // status line, Content-Length and the body
        Hold,   // read the request, never answer
        Stream, // a 200 without length, then data until the client gives up
    };

    struct Request {
        QByteArray connectTarget; // host:port of the CONNECT, when tunnelled
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers; // names in lower case
    };

    // Certificate names: 127.0.0.1 and `hostName` (the host a tunnel leads to).
    explicit ManifestServer(const QString& hostName = QString(), QObject* parent = nullptr);
    ~ManifestServer() override;

    // Makes the certificate, trusts it and listens. False with a reason.
    bool start(QString* error);

    QUrl url(const QString& path = QStringLiteral("/api/versions.json")) const;

    void setMode(Mode mode) { m_mode = mode; }
    void setAnswer(int status, const QByteArray& body)
    {
        m_status = status;
        m_body = body;
    }
    void setTunnelling(bool on) { m_tunnelling = on; }

    const QList<Request>& requests() const { return m_requests; }
    void forgetRequests()
    {
        m_requests.clear();
        m_streamed = 0;
    }
    qint64 streamedBytes() const { return m_streamed; }
    int openConnections() const { return m_open; }

  protected:
    void incomingConnection(qintptr descriptor) override;

  private:
    void onData(QSslSocket* socket);
    void answer(QSslSocket* socket);
    void feedStream(QSslSocket* socket);

    QString m_hostName;
    QSslCertificate m_certificate;
    QSslKey m_key;
    Mode m_mode = Mode::Answer;
    int m_status = 200;
    QByteArray m_body;
    bool m_tunnelling = false;
    QList<Request> m_requests;
    qint64 m_streamed = 0;
    int m_open = 0;
};

// Escaped HTML as the user reads it.
QString renderedText(const QString& html);
