// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkReply;

// Asks the update server for the version manifest once, tells the operator
// about a newer release (or, when asked to report, that the program is up to
// date) and then deletes itself, whatever the outcome. Every check needs its
// own Updater.
class Updater : public QObject {
    Q_OBJECT

  public:
    // What the program takes from the manifest; every text is empty when the
    // answer does not carry it as a string.
    struct Manifest {
        QString version;
        QString downloadUrl;
        QString releaseNotes;
    };

    // The largest answer read. Anything longer is treated like an unreadable
    // answer: the download is dropped and nothing is shown.
    static constexpr qint64 MaxManifestBytes = 64 * 1024;

    explicit Updater(QObject* parent = nullptr);

    // Sends the one request of this updater. A silent check stays quiet when
    // the program is current; a newer version is announced either way.
    void checkForUpdates(bool silent);

    // Points this updater at another manifest address, for a test server.
    void setManifestUrl(const QUrl& url) { m_manifestUrl = url; }

    // Three dotted numbers; missing ones are 0, and so is any piece that is
    // not a whole 32-bit decimal number. Pieces after the third are ignored.
    static QList<int> parseVersion(const QString& text);

    // Whether the manifest's version is later than the running one, compared
    // number by number.
    static bool isNewer(const QString& available,
                        const QString& running = QStringLiteral(VELLMARK_VERSION));

    // Reads an answer's body. A body that is not a JSON object, lacks the
    // program's entry or exceeds MaxManifestBytes yields empty texts.
    static Manifest parseManifest(const QByteArray& body);

    // Creates the start-up updater as a child of `owner` and runs its silent
    // check 3 s later, unless the updater is gone by then.
    static Updater* armStartupCheck(QObject* owner);

  private slots:
    void onReply(QNetworkReply* reply);

  private:
    void announce(const Manifest& manifest);

    // A child of the updater, so its requests are found among the updater's.
    QNetworkAccessManager m_network;
    bool m_silent = true;
    QUrl m_manifestUrl;
};
