// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/updater.h"

#include <QDesktopServices>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QPushButton>
#include <QTextDocument>
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

const QString runningVersion = QStringLiteral(VELLMARK_VERSION);

} // namespace

Updater::Updater(QObject* parent)
    : QObject(parent), m_network(this),
      m_manifestUrl(QString::fromUtf8(VELLMARK_UPDATE_URL), QUrl::TolerantMode)
{
    connect(&m_network, &QNetworkAccessManager::finished, this, &Updater::onReply);
}

Updater* Updater::armStartupCheck(QObject* owner)
{
    auto* updater = new Updater(owner);
    // The updater is the timer's context: once it is gone (the program quit
    // within the first seconds) the check never starts.
    QTimer::singleShot(3000, Qt::CoarseTimer, updater,
                       [updater] { updater->checkForUpdates(true); });
    return updater;
}

void Updater::checkForUpdates(bool silent)
{
    m_silent = silent;
    QNetworkRequest request(m_manifestUrl);
    request.setRawHeader("User-Agent", "Vellmark/" VELLMARK_VERSION);
    QNetworkReply* reply = m_network.get(request);
    // Without a bound on its buffer, the network thread keeps reading while
    // this thread is too busy to look, and a server that never stops can push
    // megabytes in before the check below sees them. With it, reading pauses
    // at twice the bound until the check has run.
    reply->setReadBufferSize(2 * MaxManifestBytes);

    // Drop an answer as soon as it outgrows the bound instead of buffering
    // whatever a broken or hostile server keeps sending.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > MaxManifestBytes || total > MaxManifestBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > MaxManifestBytes)
            reply->abort();
    });
}

QList<int> Updater::parseVersion(const QString& text)
{
    QStringList pieces = text.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    while (pieces.size() < 3)
        pieces.append(QStringLiteral("0"));
    QList<int> numbers;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const int n = pieces.at(i).toInt(&ok, 10);
        numbers.append(ok ? n : 0);
    }
    return numbers;
}

bool Updater::isNewer(const QString& available, const QString& running)
{
    const QList<int> a = parseVersion(available);
    const QList<int> r = parseVersion(running);
    for (int i = 0; i < 3; ++i) {
        if (a.at(i) != r.at(i))
            return a.at(i) > r.at(i);
    }
    return false;
}

Updater::Manifest Updater::parseManifest(const QByteArray& body)
{
    if (body.size() > MaxManifestBytes)
        return {};
    const QJsonObject entry =
        QJsonDocument::fromJson(body).object().value(QLatin1String("vellmark")).toObject();
    Manifest manifest;
    manifest.version = entry.value(QLatin1String("version")).toString();
    manifest.downloadUrl = entry.value(QLatin1String("downloadUrl")).toString();
    manifest.releaseNotes = entry.value(QLatin1String("releaseNotes")).toString();
    return manifest;
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
    const Manifest manifest = parseManifest(reply->read(MaxManifestBytes + 1));
    if (manifest.version.isEmpty()) {
        deleteLater();
        return;
    }

    QPointer<Updater> self(this);
    if (isNewer(manifest.version)) {
        announce(manifest);
    } else if (!m_silent) {
        QMessageBox::information(
            nullptr, QStringLiteral("Vellmark"),
            QStringLiteral("You're up to date.\nVersion %1").arg(runningVersion));
    }
    // The box runs a nested event loop; whoever owns this updater may have
    // deleted it meanwhile.
    if (self)
        deleteLater();
}

void Updater::announce(const Manifest& manifest)
{
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Update Available — Vellmark"));
    box.setIcon(QMessageBox::Information);
    box.setTextFormat(Qt::RichText);
    // The version comes from the network and the box renders markup.
    box.setText(QStringLiteral("<b>Vellmark %1 is available</b><br>You have %2.")
                    .arg(manifest.version.toHtmlEscaped(), runningVersion));
    // The notes are plain text. Escaped and wrapped as a paragraph they read
    // exactly as written: no markup applies, "&" shows as "&" rather than
    // "&amp;", and line breaks stay.
    if (!manifest.releaseNotes.isEmpty())
        box.setInformativeText(Qt::convertFromPlainText(manifest.releaseNotes));
    QPushButton* download = box.addButton(QStringLiteral("Download"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
    box.setModal(true);
    box.exec();

    if (box.clickedButton() != download)
        return;
    const QUrl url(manifest.downloadUrl, QUrl::TolerantMode);
    if (url.scheme() == QLatin1String("https"))
        QDesktopServices::openUrl(url);
}
