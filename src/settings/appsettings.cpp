// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/appsettings.h"

#include "timer/timeofday.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>

#include <algorithm>

namespace {

QColor readColor(const QSettings& store, const char* key, const QColor& fallback)
{
    // An unparsable text would leave an invalid colour, which paints as black:
    // on the default black background the audience would see no timer at all.
    const QColor c(store.value(QLatin1String(key), fallback.name()).toString());
    if (!c.isValid())
        return fallback;
    // Saving writes opaque colours with eight bits a channel. A hand-written
    // "#80ff0000", "transparent" or "#123412341234" would otherwise hold more
    // for this run only and silently change on the next save.
    return QColor(c.rgb());
}

int readClamped(const QSettings& store, const char* key, int fallback, int lo, int hi)
{
    // Read wide so that a huge stored number clamps to the upper bound instead
    // of failing the conversion; a text that is no number still reads as 0.
    const long long v = store.value(QLatin1String(key), fallback).toLongLong();
    return static_cast<int>(std::clamp<long long>(v, lo, hi));
}

// A writer killed between creating the store's lock file and writing its
// owner into it leaves an empty lock, which the store trusts for 30 s: the
// next save would freeze the program that long. Nobody holds such a file when
// its native lock can be taken, and removeStaleLockFile() checks exactly that.
void removeOrphanedLock(const QString& storePath)
{
    QLockFile lock(storePath + QStringLiteral(".lock"));
    qint64 pid = 0;
    if (QFileInfo::exists(lock.fileName()) && !lock.getLockInfo(&pid, nullptr, nullptr))
        lock.removeStaleLockFile();
}

// The program writes only booleans, numbers and texts, which the store keeps
// as plain text. A value in the store's binary "@Variant(...)" form therefore
// comes from damage or a hand edit, and the store decodes such a value
// without bounds: a few flipped bytes can make it reserve gigabytes and take
// the program down at start-up, before any window shows. Such lines are
// dropped from the file before the store reads it; the file as it was is kept
// beside it, with ".damaged" appended, so nothing is lost. Only where the
// native store is a text file (Unix other than macOS) can this be done.
void dropSerialisedValues()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    QString path;
    {
        // Opening the store reads its file but decodes no value yet.
        const QSettings store(QStringLiteral("Vellmark"), QStringLiteral("Vellmark"));
        path = store.fileName();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray original = file.readAll();
    file.close();
    if (!original.contains("@Variant("))
        return;

    QByteArray repaired;
    repaired.reserve(original.size());
    int dropped = 0;
    for (const QByteArray& line : original.split('\n')) {
        const int eq = line.indexOf('=');
        if (eq >= 0 && line.mid(eq + 1).trimmed().startsWith("@Variant(")) {
            ++dropped;
            continue;
        }
        repaired += line;
        repaired += '\n';
    }
    repaired.chop(1);
    if (dropped == 0)
        return;

    QFile backup(path + QStringLiteral(".damaged"));
    if (!backup.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        backup.write(original) != original.size() || !backup.flush())
        return;
    backup.close();
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) && out.write(repaired) == repaired.size())
        out.commit();
#endif
}

} // namespace

void loadSettings(AppSettings& s)
{
    using namespace SettingsLimits;
    const AppSettings defaults;
    dropSerialisedValues();
    QSettings store(QStringLiteral("Vellmark"), QStringLiteral("Vellmark"));

    s.clock24hr = store.value(QStringLiteral("clock24hr"), defaults.clock24hr).toBool();
    s.clockShowSeconds =
        store.value(QStringLiteral("clockShowSeconds"), defaults.clockShowSeconds).toBool();
    s.bgColor = readColor(store, "bgColor", defaults.bgColor);
    s.timerColorNormal = readColor(store, "timerColorNormal", defaults.timerColorNormal);
    s.timerColorWarning = readColor(store, "timerColorWarning", defaults.timerColorWarning);
    s.timerColorCritical = readColor(store, "timerColorCritical", defaults.timerColorCritical);
    s.clockColor = readColor(store, "clockColor", defaults.clockColor);
    s.messageColor = readColor(store, "messageColor", defaults.messageColor);
    s.timerFontSize =
        readClamped(store, "timerFontSize", defaults.timerFontSize, kTimerFontMin, kTimerFontMax);
    s.clockFontSize =
        readClamped(store, "clockFontSize", defaults.clockFontSize, kClockFontMin, kClockFontMax);
    s.messageFontSize = readClamped(store, "messageFontSize", defaults.messageFontSize,
                                    kMessageFontMin, kMessageFontMax);
    s.defaultDuration =
        readClamped(store, "defaultDuration", defaults.defaultDuration, kDurationMin, kDurationMax);
    s.warningThreshold =
        readClamped(store, "warningThreshold", defaults.warningThreshold, kWarningMin, kWarningMax);
    s.overtimeEnabled =
        store.value(QStringLiteral("overtimeEnabled"), defaults.overtimeEnabled).toBool();
    s.blinkEnabled = store.value(QStringLiteral("blinkEnabled"), defaults.blinkEnabled).toBool();
    s.soundFilePath = store.value(QStringLiteral("soundFilePath"), QString()).toString();
    s.soundEnabled = store.value(QStringLiteral("soundEnabled"), defaults.soundEnabled).toBool();
    // Kept in the one form the program writes, so "9:05" reads as "09:05" and
    // anything that is no time of day as the default.
    const QTime target =
        TimeOfDay::parse(store.value(QStringLiteral("targetTime"), defaults.targetTime).toString());
    s.targetTime = target.isValid() ? TimeOfDay::text(target) : defaults.targetTime;
    s.remoteEnabled = store.value(QStringLiteral("remoteEnabled"), defaults.remoteEnabled).toBool();
    s.remotePort = readClamped(store, "remotePort", defaults.remotePort, kPortMin, kPortMax);
    s.remoteAllowLan =
        store.value(QStringLiteral("remoteAllowLan"), defaults.remoteAllowLan).toBool();
    // A token that is not what makeRemoteToken() writes (cut short, edited to
    // something guessable) is dropped; start-up then makes a new one.
    static const QRegularExpression tokenShape(QStringLiteral("^[0-9a-f]{32}$"));
    const QString token = store.value(QStringLiteral("remoteToken")).toString();
    s.remoteToken = tokenShape.match(token).hasMatch() ? token : QString();
    s.oscEnabled = store.value(QStringLiteral("oscEnabled"), defaults.oscEnabled).toBool();
    s.oscPort = readClamped(store, "oscPort", defaults.oscPort, kPortMin, kPortMax);

    const int size = store.beginReadArray(QStringLiteral("presets"));
    if (size >= 1) {
        const int count = std::min(size, kMaxPresets);
        s.presets.clear();
        s.presets.reserve(count);
        for (int i = 0; i < count; ++i) {
            store.setArrayIndex(i);
            s.presets.append(store.value(QStringLiteral("val")).toInt());
        }
    }
    store.endArray();
}

void saveSettings(const AppSettings& s)
{
    // Saving merges with what the file holds, so it decodes the file too.
    dropSerialisedValues();
    QSettings store(QStringLiteral("Vellmark"), QStringLiteral("Vellmark"));

    store.setValue(QStringLiteral("clock24hr"), s.clock24hr);
    store.setValue(QStringLiteral("clockShowSeconds"), s.clockShowSeconds);
    store.setValue(QStringLiteral("bgColor"), s.bgColor.name());
    store.setValue(QStringLiteral("timerColorNormal"), s.timerColorNormal.name());
    store.setValue(QStringLiteral("timerColorWarning"), s.timerColorWarning.name());
    store.setValue(QStringLiteral("timerColorCritical"), s.timerColorCritical.name());
    store.setValue(QStringLiteral("clockColor"), s.clockColor.name());
    store.setValue(QStringLiteral("messageColor"), s.messageColor.name());
    store.setValue(QStringLiteral("timerFontSize"), s.timerFontSize);
    store.setValue(QStringLiteral("clockFontSize"), s.clockFontSize);
    store.setValue(QStringLiteral("messageFontSize"), s.messageFontSize);
    store.setValue(QStringLiteral("defaultDuration"), s.defaultDuration);
    store.setValue(QStringLiteral("warningThreshold"), s.warningThreshold);
    store.setValue(QStringLiteral("overtimeEnabled"), s.overtimeEnabled);
    store.setValue(QStringLiteral("blinkEnabled"), s.blinkEnabled);
    store.setValue(QStringLiteral("soundFilePath"), s.soundFilePath);
    store.setValue(QStringLiteral("soundEnabled"), s.soundEnabled);
    store.setValue(QStringLiteral("targetTime"), s.targetTime);
    store.setValue(QStringLiteral("remoteEnabled"), s.remoteEnabled);
    store.setValue(QStringLiteral("remotePort"), s.remotePort);
    store.setValue(QStringLiteral("remoteAllowLan"), s.remoteAllowLan);
    store.setValue(QStringLiteral("remoteToken"), s.remoteToken);
    store.setValue(QStringLiteral("oscEnabled"), s.oscEnabled);
    store.setValue(QStringLiteral("oscPort"), s.oscPort);

    store.beginWriteArray(QStringLiteral("presets"));
    for (int i = 0; i < s.presets.size(); ++i) {
        store.setArrayIndex(i);
        store.setValue(QStringLiteral("val"), s.presets.at(i));
    }
    store.endArray();
    removeOrphanedLock(store.fileName());
    store.sync();
}

QString makeRemoteToken()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QString token;
    for (quint32 w : words)
        token += QStringLiteral("%1").arg(w, 8, 16, QLatin1Char('0'));
    return token;
}

bool ensureRemoteToken(AppSettings& s)
{
    if (!s.remoteToken.isEmpty())
        return false;
    s.remoteToken = makeRemoteToken();
    saveSettings(s);
    return true;
}
