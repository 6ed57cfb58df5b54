// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class RemoteControl;

// Where a browser opens the live view: the address, a QR code of it for a
// phone's camera, and, while the remote port listens on this machine only, a
// note that other devices cannot reach it and where to allow them.
class ViewAddressPanel : public QWidget {
    Q_OBJECT

  public:
    explicit ViewAddressPanel(QWidget* parent = nullptr);

    // listening: the remote port is open; allowLan: on every interface rather
    // than loopback only.
    void setEndpoint(bool listening, int port, bool allowLan);

    // Shows where `server` listens now and whenever it starts again.
    void follow(RemoteControl* server);

    QString address() const { return m_address; }

  private:
    QString m_address;
    QLabel* m_qr = nullptr;
    QLabel* m_addressLabel = nullptr;
    QLabel* m_note = nullptr;
};
