// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary text as a version number. parseVersion must give three numbers,
// agree with plain decimal reading wherever a piece is plain digits, reproduce
// itself from its own result, and order versions consistently.
#include "update/updatemanifest.h"

#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "version: %s\n", what);
    std::abort();
}

QString joined(const QList<int>& v)
{
    return QStringLiteral("%1.%2.%3").arg(v.at(0)).arg(v.at(1)).arg(v.at(2));
}

// The value of a piece made of one to nine ASCII digits, else -1.
int plainDigits(const QString& piece)
{
    if (piece.isEmpty() || piece.size() > 9)
        return -1;
    int n = 0;
    for (QChar c : piece) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<int> v = parseVersion(text);
    if (v.size() != 3)
        fail("not three numbers");

    const QStringList pieces = text.split(QLatin1Char('.'));
    for (int i = 0; i < 3; ++i) {
        const int expected = i < pieces.size() ? plainDigits(pieces.at(i)) : 0;
        if (expected >= 0 && v.at(i) != expected)
            fail("a plain decimal piece was misread");
        if (i < pieces.size() && pieces.at(i).isEmpty() && v.at(i) != 0)
            fail("an empty piece did not read as 0");
    }

    const QString canonical = joined(v);
    if (parseVersion(canonical) != v)
        fail("the numbers do not read back as themselves");
    if (isNewerVersion(text, canonical) || isNewerVersion(canonical, text))
        fail("a version compares unequal to its own numbers");
    const QString running = QStringLiteral(VELLMARK_VERSION);
    if (isNewerVersion(text, running) && isNewerVersion(running, text))
        fail("two versions are each newer than the other");
    return 0;
}
