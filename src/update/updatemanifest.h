// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QUrl>

class QByteArray;

// The update server's answer as the program reads it, and what the check makes
// of it: whether it is newer, what the announcement says and which page
// "Download" may open. No network and no widgets, so the check, its tests and
// the fuzzers all run this same code.
struct UpdateManifest {
    // The largest answer read. A longer one reads like an unreadable one.
    static constexpr qint64 kMaxBytes = 64 * 1024;

    QString version;
    QString downloadUrl;
    QString releaseNotes;

    // Reads an answer's body. A member that is missing or not a string reads
    // as empty text, and every text is empty when the body is not a JSON
    // object, lacks the program's entry or is longer than kMaxBytes.
    static UpdateManifest parse(const QByteArray& body);

    // The announcement's main text, rich text. The version reads exactly as
    // the server wrote it: its markup is shown, never applied.
    QString announcement(const QString& running) const;

    // The release notes as the announcement's informative text: empty without
    // notes, otherwise rich text that reads exactly as the plain notes.
    QString notesText() const;

    // The page "Download" opens: the download address when it is https, else
    // an empty address, which opens nothing.
    QUrl downloadTarget() const;
};

// Three dotted numbers; missing ones are 0, and so is any piece that is not a
// whole 32-bit decimal number. Pieces after the third are ignored.
QList<int> parseVersion(const QString& text);

// Whether `available` is later than `running`, compared number by number.
bool isNewerVersion(const QString& available, const QString& running);

// What a reported check says when nothing newer is published.
QString upToDateText(const QString& running);
