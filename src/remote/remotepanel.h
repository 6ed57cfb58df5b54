// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class RemoteServer;

// The control window's view of remote control: where it listens (or why it
// does not) and the last commands that came in, with their source, so nobody
// wonders why the timer started by itself.
class RemotePanel : public QWidget {
    Q_OBJECT

  public:
    explicit RemotePanel(RemoteServer* server, QWidget* parent = nullptr);

  private:
    void showStatus(const QString& text);
    void showLog();

    RemoteServer* m_server;
    QLabel* m_status = nullptr;
    QLabel* m_log = nullptr;
};
