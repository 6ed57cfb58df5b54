// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a normal QCoreApplication::quit(), so a
// service manager, a terminal's Ctrl+C or a closed session ends the program
// through its event loop, with exit code 0, as closing its window does (there
// is nothing to write then: settings are saved when they change). The signal
// handler only writes one byte to a socket pair (the one thing that is safe in
// a handler); the GUI thread reads it through a QSocketNotifier and quits from
// there.
//
// One instance at a time; the previous handlers come back when it is destroyed.
// On systems without POSIX signals it does nothing.
class UnixSignalQuitter : public QObject {
    Q_OBJECT

  public:
    explicit UnixSignalQuitter(QObject* parent = nullptr);
    ~UnixSignalQuitter() override;

    UnixSignalQuitter(const UnixSignalQuitter&) = delete;
    UnixSignalQuitter& operator=(const UnixSignalQuitter&) = delete;

    // True when the handlers are installed.
    bool isActive() const;

  private slots:
    void onSignalReceived();

  private:
    QSocketNotifier* m_notifier = nullptr;
};
