// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/updater.h"

#include "update/updatemanifest.h"

#include <QDesktopServices>
#include <QHostAddress>
#include <QMessageBox>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr bool startsWith(const char* text, const char* prefix)
{
    for (; *prefix; ++text, ++prefix)
        if (*text != *prefix)
            return false;
    return true;
}

// The manifest decides what the operator is told to download, so it is only
// ever fetched over an authenticated connection.
static_assert(startsWith(VELLMARK_UPDATE_URL, "https://"),
              "VELLMARK_UPDATE_URL must be an https address");

const QString kRunningVersion = QStringLiteral(VELLMARK_VERSION);

QUrl& testManifestUrl()
{
    static QUrl url;
    return url;
}

// The message boxes of a finished check. Each runs a nested event loop.
void showAnswer(const UpdateManifest& manifest, bool silent)
{
    if (!isNewerVersion(manifest.version, kRunningVersion)) {
        if (!silent)
            QMessageBox::information(nullptr, QStringLiteral("Vellmark"),
                                     upToDateText(kRunningVersion));
        return;
    }
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Update Available — Vellmark"));
    box.setIcon(QMessageBox::Information);
    box.setTextFormat(Qt::RichText);
    box.setText(manifest.announcement(kRunningVersion));
    box.setInformativeText(manifest.notesText());
    QPushButton* download = box.addButton(QStringLiteral("Download"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
    box.setModal(true);
    box.exec();

    const QUrl target = manifest.downloadTarget();
    if (box.clickedButton() == download && !target.isEmpty())
        QDesktopServices::openUrl(target);
}

} // namespace

Updater::Updater(QObject* parent) : QObject(parent), m_network(this)
{
    connect(&m_network, &QNetworkAccessManager::finished, this, &Updater::onReply);
}

Updater* Updater::armStartupCheck(QObject* owner, int delayMs)
{
    auto* updater = new Updater(owner);
    // The updater is the timer's context: once it is gone (the program quit
    // within the first seconds) the check never starts.
    QTimer::singleShot(delayMs, Qt::CoarseTimer, updater,
                       [updater] { updater->checkForUpdates(true); });
    return updater;
}

void Updater::startReportedCheck()
{
    // No parent: the updater deletes itself when its check ends.
    (new Updater)->checkForUpdates(false);
}

QUrl Updater::manifestUrl()
{
    if (!testManifestUrl().isEmpty())
        return testManifestUrl();
    return QUrl(QString::fromUtf8(VELLMARK_UPDATE_URL), QUrl::TolerantMode);
}

bool Updater::setManifestUrlForTesting(const QUrl& url)
{
    if (!url.isEmpty() && !QHostAddress(url.host()).isLoopback())
        return false;
    testManifestUrl() = url;
    return true;
}

void Updater::checkForUpdates(bool silent)
{
    m_silent = silent;
    QNetworkRequest request(manifestUrl());
    request.setRawHeader("User-Agent", "Vellmark/" VELLMARK_VERSION);
    QNetworkReply* reply = m_network.get(request);
    // Without a bound on its buffer, the network thread keeps reading while
    // this thread is too busy to look, and a server that never stops can push
    // megabytes in before the checks below see them. With it, reading pauses
    // at twice the bound until they have run.
    reply->setReadBufferSize(2 * UpdateManifest::kMaxBytes);

    // Drop an answer as soon as it outgrows the bound instead of buffering
    // whatever a broken or hostile server keeps sending.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > UpdateManifest::kMaxBytes || total > UpdateManifest::kMaxBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > UpdateManifest::kMaxBytes)
            reply->abort();
    });
}

void Updater::onReply(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        deleteLater();
        return;
    }

    // One byte more than the bound tells an oversized answer from one that
    // fits exactly.
    const UpdateManifest manifest =
        UpdateManifest::parse(reply->read(UpdateManifest::kMaxBytes + 1));
    if (manifest.version.isEmpty()) {
        deleteLater();
        return;
    }

    QPointer<Updater> self(this);
    showAnswer(manifest, m_silent);
    // The boxes run a nested event loop; whoever owns this updater may have
    // deleted it meanwhile.
    if (self)
        deleteLater();
}
