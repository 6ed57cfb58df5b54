// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote/networkparts.h"

#include <QObject>

// The network plug-in: a module library installed beside the sound player's;
// the tests link it in.
class NetworkPlugin : public QObject, public NetworkParts {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID VellmarkNetworkParts_iid)
    Q_INTERFACES(NetworkParts)

  public:
    RemoteControl* createRemoteControl(ShowController* show, QObject* parent) override;
    void armStartupCheck(QObject* owner, int delayMs) override;
    void startReportedCheck() override;
    QString lanHost() const override;
    QImage qrCode(const QByteArray& text, int moduleSize) const override;
};
