// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote/remotecommand.h"

#include <QHostAddress>
#include <QList>
#include <QObject>

class QUdpSocket;

// Receives OSC datagrams on one UDP port, on the GUI thread's event loop.
// A flood is read in bounded batches, so the window keeps repainting between
// them; what the system's buffer cannot hold is dropped by the system.
class OscReceiver : public QObject {
    Q_OBJECT

  public:
    explicit OscReceiver(QObject* parent = nullptr);

    // Binds every address on one port (0: a free one); on failure nothing is
    // bound and the error says why.
    bool listen(const QList<QHostAddress>& addresses, quint16 port, QString* error);
    void close();
    quint16 port() const;
    QList<QHostAddress> addresses() const;

  signals:
    void messageReceived(const OscMessage& message, const QHostAddress& from, quint16 fromPort);

  private:
    void readBatch(QUdpSocket* socket);

    QList<QUdpSocket*> m_sockets;
};
