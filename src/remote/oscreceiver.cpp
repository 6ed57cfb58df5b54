// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/oscreceiver.h"

#include "remote/listenerror.h"

#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

OscReceiver::OscReceiver(QObject* parent) : QObject(parent) {}

bool OscReceiver::listen(const QList<QHostAddress>& addresses, quint16 port, QString* error)
{
    close();
    for (const QHostAddress& address : addresses) {
        auto* socket = new QUdpSocket(this);
        if (!socket->bind(address, port)) {
            // A machine without IPv6 has no ::1; the IPv4 loopback serves.
            if (!m_sockets.isEmpty() &&
                socket->error() == QAbstractSocket::SocketAddressNotAvailableError) {
                delete socket;
                continue;
            }
            if (error)
                *error = listenError(socket->error(), socket->errorString(), port);
            delete socket;
            close();
            return false;
        }
        port = socket->localPort();
        // Room for a burst while the window repaints (the system may allow less).
        socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 1024 * 1024);
        connect(socket, &QUdpSocket::readyRead, this, [this, socket] { readBatch(socket); });
        m_sockets << socket;
    }
    return true;
}

void OscReceiver::close()
{
    qDeleteAll(m_sockets);
    m_sockets.clear();
}

quint16 OscReceiver::port() const
{
    return m_sockets.isEmpty() ? 0 : m_sockets.first()->localPort();
}

QList<QHostAddress> OscReceiver::addresses() const
{
    QList<QHostAddress> list;
    for (QUdpSocket* s : m_sockets)
        list << s->localAddress();
    return list;
}

void OscReceiver::readBatch(QUdpSocket* socket)
{
    constexpr int kBatch = 64;
    for (int i = 0; i < kBatch && socket->hasPendingDatagrams(); ++i) {
        const QNetworkDatagram d = socket->receiveDatagram(64 * 1024);
        for (const OscMessage& m : decodeOscPacket(d.data()))
            emit messageReceived(m, d.senderAddress(), quint16(d.senderPort()));
    }
    // The rest after the other events of the loop have had their turn.
    if (socket->hasPendingDatagrams())
        QTimer::singleShot(0, socket, [this, socket] { readBatch(socket); });
}
