// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/remotepanel.h"

#include "control/placedstyle.h"
#include "remote/networkparts.h"

#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kShownCommands = 3;

QString statusSheet(bool listening)
{
    return listening ? QStringLiteral("color:#4ade80; font-size:11px;")
                     : QStringLiteral("color:#ff8800; font-size:11px;");
}
} // namespace

RemotePanel::RemotePanel(QWidget* parent) : QWidget(parent)
{
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("remoteStatus"));
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_log = new QLabel;
    m_log->setObjectName(QStringLiteral("remoteLog"));
    // Commands carry a caller's text (a message): shown, never interpreted.
    m_log->setTextFormat(Qt::PlainText);
    styleWhenPlaced(m_log, QStringLiteral("color:#aaa; font-size:11px;"));
    m_log->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(m_status);
    layout->addWidget(m_log);
    // The sheets are held back until the panel is in its window (see
    // ControlWindow::addFooter()).
    styleWhenPlaced(m_status, statusSheet(false));
    showLog();
}

void RemotePanel::follow(RemoteControl* server)
{
    m_server = server;
    connect(m_server, &RemoteControl::statusChanged, this, &RemotePanel::showStatus);
    connect(m_server, &RemoteControl::commandLogged, this, &RemotePanel::showLog);
    showStatus(m_server->statusText());
    showLog();
}

void RemotePanel::showUnavailable()
{
    showStatus(tr("Remote control is not available: its network plug-in could not be loaded"));
}

void RemotePanel::showStatus(const QString& text)
{
    m_status->setText(text);
    const bool listening = m_server && m_server->isListening();
    setOwnStyleSheet(m_status, statusSheet(listening));
}

void RemotePanel::showLog()
{
    const QStringList log = m_server ? m_server->log() : QStringList();
    const QStringList last = log.mid(std::max<qsizetype>(0, log.size() - kShownCommands));
    m_log->setText(last.isEmpty() ? QStringLiteral("No remote commands yet")
                                  : last.join(QLatin1Char('\n')));
}
