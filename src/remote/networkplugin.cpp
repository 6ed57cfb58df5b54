// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/networkplugin.h"

#include "remote/qrcode.h"
#include "remote/remoteserver.h"
#include "remote/viewpage.h"
#include "update/updater.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace {

bool isPrivate(const QHostAddress& a)
{
    return a.isInSubnet(QHostAddress(QStringLiteral("10.0.0.0")), 8) ||
           a.isInSubnet(QHostAddress(QStringLiteral("172.16.0.0")), 12) ||
           a.isInSubnet(QHostAddress(QStringLiteral("192.168.0.0")), 16);
}

} // namespace

RemoteControl* NetworkPlugin::createRemoteControl(ShowController* show, QObject* parent)
{
    auto* server = new RemoteServer(show, parent);
    ViewPage::addTo(*server);
    return server;
}

void NetworkPlugin::armStartupCheck(QObject* owner, int delayMs)
{
    Updater::armStartupCheck(owner, delayMs);
}

void NetworkPlugin::startReportedCheck()
{
    Updater::startReportedCheck();
}

QString NetworkPlugin::lanHost() const
{
    QHostAddress best;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        const auto entries = iface.addressEntries();
        for (const QNetworkAddressEntry& e : entries) {
            const QHostAddress a = e.ip();
            if (a.protocol() != QAbstractSocket::IPv4Protocol || a.isLoopback() || a.isLinkLocal())
                continue;
            if (best.isNull() || (isPrivate(a) && !isPrivate(best)))
                best = a;
        }
    }
    return best.isNull() ? QStringLiteral("127.0.0.1") : best.toString();
}

QImage NetworkPlugin::qrCode(const QByteArray& text, int moduleSize) const
{
    return QrCode::image(text, moduleSize);
}
