// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/updatemanifest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTextDocument>

UpdateManifest UpdateManifest::parse(const QByteArray& body)
{
    if (body.size() > kMaxBytes)
        return {};
    const QJsonObject entry =
        QJsonDocument::fromJson(body).object().value(QLatin1String("vellmark")).toObject();
    return {entry.value(QLatin1String("version")).toString(),
            entry.value(QLatin1String("downloadUrl")).toString(),
            entry.value(QLatin1String("releaseNotes")).toString()};
}

QString UpdateManifest::announcement(const QString& running) const
{
    // One arg() call for both: a "%2" inside the version stays text.
    return QStringLiteral("<b>Vellmark %1 is available</b><br>You have %2.")
        .arg(version.toHtmlEscaped(), running);
}

QString UpdateManifest::notesText() const
{
    // Escaped and wrapped as a paragraph, the notes read exactly as written:
    // no markup applies, "&" shows as "&" rather than "&amp;", and line breaks
    // stay. The message box's label takes this for rich text by itself.
    return releaseNotes.isEmpty() ? QString() : Qt::convertFromPlainText(releaseNotes);
}

QUrl UpdateManifest::downloadTarget() const
{
    const QUrl url(downloadUrl, QUrl::TolerantMode);
    return url.scheme() == QLatin1String("https") ? url : QUrl();
}

QList<int> parseVersion(const QString& text)
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

bool isNewerVersion(const QString& available, const QString& running)
{
    const QList<int> a = parseVersion(available);
    const QList<int> r = parseVersion(running);
    for (int i = 0; i < 3; ++i) {
        if (a.at(i) != r.at(i))
            return a.at(i) > r.at(i);
    }
    return false;
}

QString upToDateText(const QString& running)
{
    return QStringLiteral("You're up to date.\nVersion %1").arg(running);
}
