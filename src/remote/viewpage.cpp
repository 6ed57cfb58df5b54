// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/viewpage.h"

#include "remote/remoteserver.h"

#include <QFile>

void ViewPage::addTo(RemoteServer& server)
{
    QFile page(QStringLiteral(":/remote/view.html"));
    if (!page.open(QIODevice::ReadOnly))
        return;
    const QByteArray html = page.readAll();
    for (const char* path : {"/", "/view"})
        server.addStaticRoute(QLatin1String(path), QByteArrayLiteral("text/html; charset=utf-8"),
                              html);
}
