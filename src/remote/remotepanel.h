// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class RemoteControl;

// The control window's view of remote control: where it listens (or why it
// does not) and the last commands that came in, with their source, so nobody
// wonders why the timer started by itself.
class RemotePanel : public QWidget {
    Q_OBJECT

  public:
    // Shows no status until it follows a server.
    explicit RemotePanel(QWidget* parent = nullptr);

    // Shows where `server` listens and what came in, now and as it changes.
    void follow(RemoteControl* server);
    // Says that remote control is not available (its plug-in did not load).
    void showUnavailable();

  private:
    void showStatus(const QString& text);
    void showLog();

    RemoteControl* m_server = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_log = nullptr;
};
