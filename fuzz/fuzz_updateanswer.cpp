// SPDX-License-Identifier: GPL-3.0-or-later
// An arbitrary body as the update server's answer, taken through everything
// the update check does with it short of showing a box: the program's own
// reading of the manifest, its version comparison, the announcement and notes
// texts the boxes show and the page "Download" would open.
#include "update/updatemanifest.h"

#include <QGuiApplication>
#include <QTextDocument>

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
    const UpdateManifest m = UpdateManifest::parse(body);
    const QString running = QStringLiteral(VELLMARK_VERSION);

    if (body.size() > UpdateManifest::kMaxBytes &&
        (!m.version.isEmpty() || !m.downloadUrl.isEmpty() || !m.releaseNotes.isEmpty()))
        fail("an oversized answer was read");
    if (m.version.isEmpty())
        return 0; // the check ends here, silently

    if (parseVersion(m.version).size() != 3)
        fail("a version did not give three numbers");
    if (isNewerVersion(m.version, running) && isNewerVersion(running, m.version))
        fail("two versions are each newer than the other");
    if (isNewerVersion(m.version, m.version))
        fail("a version is newer than itself");

    // No markup of the server's survives into the announcement: its own
    // <b>, </b> and <br> are the only tags.
    if (m.announcement(running).count(QLatin1Char('<')) != 3)
        fail("markup of the server's left in the announcement");
    // Shown, the notes keep their length, but for a tab, which becomes up to
    // eight spaces to the next tab stop.
    QTextDocument doc;
    doc.setHtml(m.notesText());
    if (doc.toPlainText().size() > m.releaseNotes.size() + 7 * m.releaseNotes.count('\t') + 2)
        fail("release notes grew when shown");

    // "Download" opens https only, and only an address written as such.
    const QUrl target = m.downloadTarget();
    if (!target.isEmpty() &&
        (target.scheme() != QLatin1String("https") ||
         !m.downloadUrl.trimmed().startsWith(QLatin1String("https:"), Qt::CaseInsensitive)))
        fail("an address not written as https would be opened");
    return 0;
}
