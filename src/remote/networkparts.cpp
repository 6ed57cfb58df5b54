// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/networkparts.h"

#include "control/ownplugin.h"

#include <QMessageBox>

NetworkParts* NetworkParts::instance()
{
    static NetworkParts* const parts = [] {
        QString reason;
        auto* loaded = ownPlugin<NetworkParts>(QStringLiteral(VELLMARK_NETWORK_FILE), &reason);
        if (!loaded)
            qWarning("Vellmark: remote control and the update check are not available, their "
                     "plug-in could not be loaded: %s",
                     qPrintable(reason));
        return loaded;
    }();
    return parts;
}

void startReportedUpdateCheck(QWidget* window)
{
    if (NetworkParts* parts = NetworkParts::instance())
        parts->startReportedCheck();
    else
        QMessageBox::warning(window, QStringLiteral("Vellmark"),
                             QObject::tr("The update check is not available: the program's "
                                         "network plug-in could not be loaded."));
}
