// SPDX-License-Identifier: GPL-3.0-or-later
// An arbitrary body as the update server's answer, taken through everything
// the update check does with it short of showing a box: reading the manifest,
// comparing its version, escaping its texts for the announcement and deciding
// whether its download address may be opened.
#include "update/updater.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <QUrl>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "update answer: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Updater::Manifest m = Updater::parseManifest(body);

    if (body.size() > Updater::MaxManifestBytes &&
        (!m.version.isEmpty() || !m.downloadUrl.isEmpty() || !m.releaseNotes.isEmpty()))
        fail("an oversized answer was read");
    if (m.version.isEmpty())
        return 0; // the check ends here, silently

    if (Updater::parseVersion(m.version).size() != 3)
        fail("a version did not give three numbers");
    const bool newer = Updater::isNewer(m.version);
    if (newer && Updater::isNewer(QStringLiteral(VELLMARK_VERSION), m.version))
        fail("two versions are each newer than the other");
    if (Updater::isNewer(m.version, m.version))
        fail("a version is newer than itself");

    // What the announcement box shows: no markup of the server's survives.
    const QString title = m.version.toHtmlEscaped();
    if (title.contains(QLatin1Char('<')) || title.contains(QLatin1Char('>')))
        fail("markup left in the announced version");
    const QString notes = Qt::convertFromPlainText(m.releaseNotes);
    QTextDocument doc;
    doc.setHtml(notes);
    if (doc.toPlainText().size() > m.releaseNotes.size() + 2)
        fail("release notes grew when shown");

    // The address "Download" would open: https only.
    const QUrl url(m.downloadUrl, QUrl::TolerantMode);
    if (url.scheme() == QLatin1String("https") &&
        !m.downloadUrl.trimmed().startsWith(QLatin1String("https:"), Qt::CaseInsensitive))
        fail("an address not written as https would be opened");
    return 0;
}
