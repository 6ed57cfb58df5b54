// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote/networkparts.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

class QNetworkReply;

// Asks the update server for the version manifest once, tells the operator
// about a newer release (or, when asked to report, that the program is up to
// date) and then deletes itself, whatever the outcome. Every check needs its
// own Updater. What the answer means is UpdateManifest's; this class is the
// request and the message boxes.
class Updater : public QObject {
    Q_OBJECT

  public:
    explicit Updater(QObject* parent = nullptr);

    // Sends the one request of this updater. A silent check stays quiet when
    // the program is current; a newer version is announced either way.
    void checkForUpdates(bool silent);

    // Creates the start-up updater as a child of `owner` and runs its silent
    // check `delayMs` later, unless the updater is gone by then.
    static Updater* armStartupCheck(QObject* owner,
                                    int delayMs = NetworkParts::kStartupCheckDelayMs);

    // The check the operator asks for from a button: it reports every
    // outcome, the program being current included, and goes on after the
    // window that started it has closed.
    static void startReportedCheck();

    // The manifest address every check asks: the one built into the program,
    // unless a test has pointed the checks at its own server.
    static QUrl manifestUrl();

    // For tests, which link the program: points every later check of this
    // process at a server on a loopback address (127.0.0.0/8 or ::1), where
    // plain http will do. Any other address is refused and changes nothing;
    // an empty one restores the built-in address. No setting, option or
    // variable reaches this, so the shipped program only ever asks over https.
    static bool setManifestUrlForTesting(const QUrl& url);

  private slots:
    void onReply(QNetworkReply* reply);

  private:
    // A child of the updater, so its requests are found among the updater's.
    QNetworkAccessManager m_network;
    bool m_silent = true;
};
