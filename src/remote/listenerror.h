// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractSocket>
#include <QString>

// What the operator reads when a remote-control port cannot be opened: a port
// taken by another program is named as such, anything else in the system's words.
inline QString listenError(QAbstractSocket::SocketError error, const QString& systemText,
                           quint16 port)
{
    return error == QAbstractSocket::AddressInUseError
               ? QStringLiteral("port %1 is in use by another program").arg(port)
               : systemText;
}
