// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/viewaddresspanel.h"

#include "control/placedstyle.h"
#include "remote/networkparts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

constexpr int kQrModulePx = 3;

} // namespace

ViewAddressPanel::ViewAddressPanel(QWidget* parent) : QWidget(parent)
{
    m_qr = new QLabel;
    m_qr->setObjectName(QStringLiteral("viewQrCode"));
    m_qr->setAlignment(Qt::AlignCenter);
    m_addressLabel = new QLabel;
    m_addressLabel->setObjectName(QStringLiteral("viewAddress"));
    m_addressLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    m_addressLabel->setOpenExternalLinks(true);
    m_note = new QLabel;
    m_note->setObjectName(QStringLiteral("viewNote"));
    m_note->setWordWrap(true);
    // Held back until the panel is in its window (ControlWindow::addPanelSection()).
    styleWhenPlaced(m_note, QStringLiteral("color:#aaa; font-size:11px;"));

    auto* text = new QVBoxLayout;
    text->addWidget(m_addressLabel);
    text->addWidget(m_note);
    text->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_qr, 0, Qt::AlignTop);
    layout->addLayout(text, 1);
    setEndpoint(false, 0, false);
}

void ViewAddressPanel::setEndpoint(bool listening, int port, bool allowLan)
{
    if (!listening) {
        m_address.clear();
        m_qr->clear();
        m_qr->hide();
        m_addressLabel->setText(tr("Not available: remote control is not listening."));
        m_note->hide();
        return;
    }
    // Listening means the network plug-in is there.
    const NetworkParts* parts = NetworkParts::instance();
    const QString host = allowLan && parts ? parts->lanHost() : QStringLiteral("127.0.0.1");
    m_address = QStringLiteral("http://%1:%2/").arg(host).arg(port);
    m_addressLabel->setText(QStringLiteral("<a href=\"%1\" style=\"color:#7cc4ff;\">%1</a>")
                                .arg(m_address.toHtmlEscaped()));
    // A code for a loopback address would open the phone's own loopback: it
    // is shown only for an address that other devices can reach.
    const bool reachable = allowLan && host != QLatin1String("127.0.0.1");
    const QImage qr = reachable ? parts->qrCode(m_address.toUtf8(), kQrModulePx) : QImage();
    m_qr->setPixmap(QPixmap::fromImage(qr));
    m_qr->setVisible(!qr.isNull());
    if (reachable) {
        m_note->setText(tr("Open it in any browser on the same network, or scan the code with a "
                           "phone. Add ?view=timer to keep a screen on the time. Views are "
                           "read-only."));
    } else if (allowLan) {
        m_note->setText(tr("This computer has no network address that other devices can reach."));
    } else {
        m_note->setText(tr("Phones and other devices cannot reach this address: remote control "
                           "listens on this computer only. To let them, switch on “Allow other "
                           "computers on the network” in Settings → Remote."));
    }
    m_note->show();
}

void ViewAddressPanel::follow(RemoteControl* server)
{
    const auto update = [this, server] {
        setEndpoint(server->isListening() && server->httpPort() != 0, server->httpPort(),
                    server->listensOnNetwork());
    };
    connect(server, &RemoteControl::statusChanged, this, update);
    update();
}
