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

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "settings store: %s\n", what);
    std::abort();
}

void checkRange(int v, int lo, int hi, const char* what)
{
    if (v < lo || v > hi)
        fail(what);
}

bool same(const AppSettings& a, const AppSettings& b)
{
    return a.clock24hr == b.clock24hr && a.clockShowSeconds == b.clockShowSeconds &&
           a.bgColor == b.bgColor && a.timerColorNormal == b.timerColorNormal &&
           a.timerColorWarning == b.timerColorWarning &&
           a.timerColorCritical == b.timerColorCritical && a.clockColor == b.clockColor &&
           a.messageColor == b.messageColor && a.timerFontSize == b.timerFontSize &&
           a.clockFontSize == b.clockFontSize && a.messageFontSize == b.messageFontSize &&
           a.defaultDuration == b.defaultDuration && a.warningThreshold == b.warningThreshold &&
           a.overtimeEnabled == b.overtimeEnabled && a.blinkEnabled == b.blinkEnabled &&
           a.presets == b.presets && a.soundFilePath == b.soundFilePath &&
           a.soundEnabled == b.soundEnabled && a.targetTime == b.targetTime;
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
    using namespace SettingsLimits;
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

    checkRange(loaded.timerFontSize, kTimerFontMin, kTimerFontMax, "timerFontSize out of range");
    checkRange(loaded.clockFontSize, kClockFontMin, kClockFontMax, "clockFontSize out of range");
    checkRange(loaded.messageFontSize, kMessageFontMin, kMessageFontMax,
               "messageFontSize out of range");
    checkRange(loaded.defaultDuration, kDurationMin, kDurationMax, "defaultDuration out of range");
    checkRange(loaded.warningThreshold, kWarningMin, kWarningMax, "warningThreshold out of range");
    for (const QColor& c : {loaded.bgColor, loaded.timerColorNormal, loaded.timerColorWarning,
                            loaded.timerColorCritical, loaded.clockColor, loaded.messageColor}) {
        if (!c.isValid() || c.alpha() != 255)
            fail("invalid colour loaded");
    }
    if (TimeOfDay::text(TimeOfDay::parse(loaded.targetTime)) != loaded.targetTime)
        fail("targetTime not a time of day in its stored form");
    if (loaded.presets.isEmpty() || loaded.presets.size() > kMaxPresets)
        fail("preset list empty or unbounded");

    saveSettings(loaded);
    AppSettings again;
    loadSettings(again);
    if (!same(loaded, again))
        fail("a loaded record does not survive saving and loading");

    return 0;
}
