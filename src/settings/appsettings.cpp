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

// Each kind of field read from the store; a value that is missing or not of
// the field's kind reads as the field's default.
bool readValue(const QSettings& store, const SettingField& f, bool fallback)
{
    return store.value(QLatin1String(f.key), fallback).toBool();
}

int readValue(const QSettings& store, const SettingField& f, int fallback)
{
    // Read wide so that a huge stored number clamps to the upper bound instead
    // of failing the conversion; a text that is no number still reads as 0.
    const long long v = store.value(QLatin1String(f.key), fallback).toLongLong();
    return static_cast<int>(std::clamp<long long>(v, f.lo, f.hi));
}

QColor readValue(const QSettings& store, const SettingField& f, const QColor& fallback)
{
    // An unparsable text would leave an invalid colour, which paints as black:
    // on the default black background the audience would see no timer at all.
    const QColor c(store.value(QLatin1String(f.key), fallback.name()).toString());
    if (!c.isValid())
        return fallback;
    // Saving writes opaque colours with eight bits a channel. A hand-written
    // "#80ff0000", "transparent" or "#123412341234" would otherwise hold more
    // for this run only and silently change on the next save.
    return QColor(c.rgb());
}

QString readValue(const QSettings& store, const SettingField& f, const QString& fallback)
{
    const QString text = store.value(QLatin1String(f.key), fallback).toString();
    if (f.kind == SettingKind::TimeOfDay) {
        // Kept in the one form the program writes, so "9:05" reads as "09:05".
        const QTime time = TimeOfDay::parse(text);
        return time.isValid() ? TimeOfDay::text(time) : fallback;
    }
    if (f.kind == SettingKind::Token) {
        // A token that is not what makeRemoteToken() writes (cut short, edited
        // to something guessable) is dropped; start-up then makes a new one.
        static const QRegularExpression tokenShape(QStringLiteral("^[0-9a-f]{32}$"));
        return tokenShape.match(text).hasMatch() ? text : fallback;
    }
    return text;
}

QList<int> readValue(QSettings& store, const SettingField& f, const QList<int>& fallback)
{
    QList<int> values = fallback;
    const int size = store.beginReadArray(QLatin1String(f.key));
    if (size >= 1) {
        const int count = std::min(size, f.hi);
        values.clear();
        values.reserve(count);
        for (int i = 0; i < count; ++i) {
            store.setArrayIndex(i);
            values.append(store.value(QStringLiteral("val")).toInt());
        }
    }
    store.endArray();
    return values;
}

// Flags, numbers and texts are stored as they are, colours by their name.
template <typename T> void writeValue(QSettings& store, const SettingField& f, const T& value)
{
    store.setValue(QLatin1String(f.key), value);
}

void writeValue(QSettings& store, const SettingField& f, const QColor& color)
{
    store.setValue(QLatin1String(f.key), color.name());
}

void writeValue(QSettings& store, const SettingField& f, const QList<int>& values)
{
    store.beginWriteArray(QLatin1String(f.key));
    for (int i = 0; i < values.size(); ++i) {
        store.setArrayIndex(i);
        store.setValue(QStringLiteral("val"), values.at(i));
    }
    store.endArray();
}

// A row whose kind does not match its field's type would be read wrongly.
constexpr bool kindsMatchFields()
{
    constexpr SettingKind kindOfType[] = {SettingKind::Flag, SettingKind::Number,
                                          SettingKind::Colour, SettingKind::Text,
                                          SettingKind::NumberList};
    for (const SettingField& f : kSettingFields) {
        const SettingKind k = f.kind == SettingKind::TimeOfDay || f.kind == SettingKind::Token
                                  ? SettingKind::Text
                                  : f.kind;
        if (kindOfType[f.member.index()] != k)
            return false;
    }
    return true;
}
static_assert(kindsMatchFields(), "a row of kSettingFields names the wrong kind");

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

const SettingField* settingField(int AppSettings::*member)
{
    for (const SettingField& f : kSettingFields) {
        if (const auto* m = std::get_if<int AppSettings::*>(&f.member); m && *m == member)
            return &f;
    }
    return nullptr;
}

QStringList settingsDifferences(const AppSettings& a, const AppSettings& b)
{
    QStringList keys;
    for (const SettingField& f : kSettingFields) {
        if (!std::visit([&](auto member) { return a.*member == b.*member; }, f.member))
            keys << QLatin1String(f.key);
    }
    return keys;
}

bool operator==(const AppSettings& a, const AppSettings& b)
{
    return settingsDifferences(a, b).isEmpty();
}

bool operator!=(const AppSettings& a, const AppSettings& b)
{
    return !(a == b);
}

void loadSettings(AppSettings& s)
{
    const AppSettings defaults;
    dropSerialisedValues();
    QSettings store(QStringLiteral("Vellmark"), QStringLiteral("Vellmark"));
    for (const SettingField& f : kSettingFields)
        std::visit([&](auto member) { s.*member = readValue(store, f, defaults.*member); },
                   f.member);
}

void saveSettings(const AppSettings& s)
{
    // Saving merges with what the file holds, so it decodes the file too.
    dropSerialisedValues();
    QSettings store(QStringLiteral("Vellmark"), QStringLiteral("Vellmark"));
    for (const SettingField& f : kSettingFields)
        std::visit([&](auto member) { writeValue(store, f, s.*member); }, f.member);
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
