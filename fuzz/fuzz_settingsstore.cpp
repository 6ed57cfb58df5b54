// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as the settings store file, then loaded the way start-up
// loads it. Besides crashes, hangs and sanitizer reports this checks what the
// program relies on after loading: every number inside its range, every colour
// valid, a bounded preset list, and a record that comes back unchanged after
// saving and loading it again.
#include "settings/appsettings.h"
#include "timer/timeofday.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QTemporaryDir* g_root = nullptr;
quint64 g_run = 0;

[[noreturn]] void fail(const char* what, const char* key = "")
{
    std::fprintf(stderr, "settings store: %s%s\n", key, what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    // Qt warns about every unknown type in a serialised value; millions of
    // such lines would bury the fuzzer's own report.
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    g_root = new QTemporaryDir;
    if (!g_root->isValid())
        return 1;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, g_root->path());
    QDir(g_root->path()).mkpath(QStringLiteral("Vellmark"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path =
        QSettings(QStringLiteral("Vellmark"), QStringLiteral("Vellmark")).fileName();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            fail("cannot write the store file");
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
        file.flush();
        // The store keeps a parsed file while its size and time stamp stay the
        // same; a time stamp of its own for every input makes it read this one.
        file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000 + g_run++),
                         QFileDevice::FileModificationTime);
    }

    AppSettings loaded;
    loadSettings(loaded);

    for (const SettingField& f : kSettingFields) {
        if (f.kind == SettingKind::Number) {
            const int v = loaded.*std::get<int AppSettings::*>(f.member);
            if (v < f.lo || v > f.hi)
                fail(" out of range", f.key);
        } else if (f.kind == SettingKind::Colour) {
            const QColor& c = loaded.*std::get<QColor AppSettings::*>(f.member);
            if (!c.isValid() || c.alpha() != 255)
                fail(" not a valid opaque colour", f.key);
        }
    }
    if (TimeOfDay::text(TimeOfDay::parse(loaded.targetTime)) != loaded.targetTime)
        fail("targetTime not a time of day in its stored form");
    if (loaded.presets.isEmpty() || loaded.presets.size() > SettingsLimits::kMaxPresets)
        fail("preset list empty or unbounded");

    saveSettings(loaded);
    AppSettings again;
    loadSettings(again);
    if (again != loaded)
        fail("a loaded record does not survive saving and loading");

    return 0;
}
