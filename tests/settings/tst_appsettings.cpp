// SPDX-License-Identifier: GPL-3.0-or-later
// The settings record in its store: the file form that users' stores already
// hold, what a hand-edited, damaged or unusable store loads as, and the token.
#include "settings/appsettings.h"
#include "testsupport.h"
#include "unusualrecord.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

namespace {

void writeFile(const QByteArray& text)
{
    QFile f(TestSupport::storeFilePath());
    QDir().mkpath(QFileInfo(f).path());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

AppSettings (*const loaded)() = TestSupport::storedSettings;

} // namespace

class TestAppSettings : public QObject {
    Q_OBJECT

  private slots:
    void init() { TestSupport::clearStore(); }

    // Stores written by earlier versions load unchanged, and saving writes
    // exactly that form again: key names and value texts are fixed.
    void storedForm_data()
    {
        QTest::addColumn<AppSettings>("record");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("defaults")
            << AppSettings()
            << QByteArray(
                   "[General]\nbgColor=#000000\nblinkEnabled=true\nclock24hr=true\n"
                   "clockColor=#ffffff\nclockFontSize=80\nclockShowSeconds=true\n"
                   "defaultDuration=300\nmessageColor=#ffff00\nmessageFontSize=36\n"
                   "oscEnabled=false\noscPort=8321\novertimeEnabled=true\nremoteAllowLan=false\n"
                   "remoteEnabled=true\nremotePort=8321\nremoteToken=\nsoundEnabled=false\n"
                   "soundFilePath=\ntargetTime=12:00\ntimerColorCritical=#ff2200\n"
                   "timerColorNormal=#00cc00\ntimerColorWarning=#ff8800\ntimerFontSize=300\n"
                   "warningThreshold=60\n\n[presets]\n1\\val=300\n2\\val=600\n3\\val=900\n"
                   "4\\val=1800\nsize=4\n");
        QTest::newRow("every field changed")
            << unusualRecord()
            << QByteArray(
                   "[General]\nbgColor=#123456\nblinkEnabled=false\nclock24hr=false\n"
                   "clockColor=#808080\nclockFontSize=20\nclockShowSeconds=false\n"
                   "defaultDuration=59999\nmessageColor=#818181\nmessageFontSize=150\n"
                   "oscEnabled=true\noscPort=1024\novertimeEnabled=false\nremoteAllowLan=true\n"
                   "remoteEnabled=false\nremotePort=65535\n"
                   "remoteToken=0123456789abcdef0123456789abcdef\nsoundEnabled=true\n"
                   "soundFilePath=/tmp/a b/cue ü.wav\ntargetTime=07:05\n"
                   "timerColorCritical=#fedcba\n"
                   "timerColorNormal=#abcdef\ntimerColorWarning=#010203\ntimerFontSize=550\n"
                   "warningThreshold=3600\n\n[presets]\n1\\val=120\n2\\val=45\n3\\val=0\n"
                   "4\\val=59999\n5\\val=45\nsize=5\n");
    }

    void storedForm()
    {
        QFETCH(AppSettings, record);
        QFETCH(QByteArray, text);
        QCOMPARE(settingsDifferences(loaded(), AppSettings()), QStringList()); // no store yet
        writeFile(text);
        QCOMPARE(settingsDifferences(loaded(), record), QStringList());
        TestSupport::clearStore();
        saveSettings(record);
        QFile f(TestSupport::storeFilePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), text);
        AppSettings longer; // saving a shorter list hides what the longer one left
        longer.presets.fill(7, SettingsLimits::kMaxPresets);
        saveSettings(longer);
        saveSettings(record);
        QCOMPARE(loaded().presets, record.presets);
    }

    // A hand-edited value loads as what the program can show, and that is
    // exactly what the next save keeps.
    void handEditedValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("saved");
        const auto row = [](const char* name, const char* key, const QVariant& v, const char* s) {
            QTest::newRow(name) << key << v << s;
        };
        row("timer font too big", "timerFontSize", 1000, "550");
        row("timer font too small", "timerFontSize", 10, "30");
        row("timer font not a number", "timerFontSize", "huge", "30");
        row("clock font low", "clockFontSize", 19, "20");
        row("clock font high", "clockFontSize", 301, "300");
        row("message font low", "messageFontSize", 11, "12");
        row("message font high", "messageFontSize", 151, "150");
        row("duration negative", "defaultDuration", -5, "0");
        row("duration huge", "defaultDuration", 100000, "59999");
        row("duration beyond int", "defaultDuration", "99999999999", "59999");
        row("duration text", "defaultDuration", "five", "0");
        row("warning zero", "warningThreshold", 0, "1");
        row("warning high", "warningThreshold", 3601, "3600");
        row("remote port privileged", "remotePort", 80, "1024");
        row("remote port too high", "remotePort", 70000, "65535");
        row("osc port text", "oscPort", "osc", "1024");
        row("osc port high", "oscPort", 65536, "65535");
        row("upper-case hex", "timerColorWarning", "#ABCDEF", "#abcdef");
        row("no colour", "timerColorWarning", "not a colour", "#ff8800");
        row("no background", "bgColor", "none", "#000000");
        row("hex with alpha", "timerColorNormal", "#80123abc", "#123abc");
        row("transparent", "clockColor", "transparent", "#000000");
        row("sixteen bits a channel", "messageColor", "#123412341234", "#121212");
        row("target one-digit hour", "targetTime", "9:05", "09:05");
        row("target no such hour", "targetTime", "24:00", "12:00");
        row("target seconds", "targetTime", "14:30:15", "12:00");
        row("token upper case", "remoteToken", "0123456789ABCDEF0123456789ABCDEF", "");
        row("token short", "remoteToken", "secret", "");
        row("flag as text", "clock24hr", "false", "false");
        row("sound file", "soundFilePath", "@Variant(not really).wav", "@Variant(not really).wav");
    }

    void handEditedValues()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(QString, saved);
        QSettings store(QStringLiteral("Vellmark"), QStringLiteral("Vellmark"));
        store.setValue(key, value);
        store.sync();
        const AppSettings s = loaded();
        saveSettings(s);
        store.sync();
        QCOMPARE(store.value(key).toString(), saved);
        QCOMPARE(settingsDifferences(loaded(), s), QStringList());
        QVERIFY(!QFile::exists(TestSupport::storeFilePath() + QStringLiteral(".damaged")));
    }

    // The size entry alone decides how many presets there are.
    void presetLists_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<int>>("presets");
        QList<int> bounded(SettingsLimits::kMaxPresets, 0);
        bounded[0] = 75;
        QTest::newRow("bad and missing entries as 0")
            << QByteArray("[presets]\n1\\val=60\n2\\val=soon\n4\\val=90\nsize=4\n")
            << QList<int>{60, 0, 0, 90};
        QTest::newRow("leftovers beyond the size")
            << QByteArray("[presets]\n1\\val=9\n2\\val=8\nsize=1\n") << QList<int>{9};
        // A hand-edited size far beyond reason must not stall start-up.
        QTest::newRow("absurd size")
            << QByteArray("[presets]\n1\\val=75\nsize=2000000000\n") << bounded;
    }

    void presetLists()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<int>, presets);
        writeFile(text);
        QCOMPARE(loaded().presets, presets);
    }

    // A damaged binary value (here a string list claiming 838 million
    // entries) made the store reserve gigabytes and abort. It now loads as
    // that field's default, the other keys keep their values, saving works,
    // and the file as it was is kept beside the store.
    void damagedStore()
    {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
        const QByteArray damaged = "[General]\nbgColor=#102030\n"
                                   "timerFontSize=@Variant(\\0\\0\\0\\v2\\0\\0\\0\\x5)\n"
                                   "defaultDuration=90\n\n[presets]\n1\\val=45\nsize=1\n";
        writeFile(damaged);
        AppSettings expected;
        expected.bgColor = QColor(0x10, 0x20, 0x30);
        expected.defaultDuration = 90;
        expected.presets = {45};
        const AppSettings s = loaded();
        QCOMPARE(settingsDifferences(s, expected), QStringList());
        QFile backup(TestSupport::storeFilePath() + QStringLiteral(".damaged"));
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), damaged);
        saveSettings(s);
        QCOMPARE(settingsDifferences(loaded(), expected), QStringList());
        QVERIFY(backup.remove());

        // Bytes that are no store at all give the defaults.
        static const char garbage[] =
            "\x00\xff[[[General\n=\n\x01timerFontSize=@Variant(\xff\xff)\n";
        writeFile(QByteArray(garbage, sizeof garbage - 1));
        QCOMPARE(settingsDifferences(loaded(), AppSettings()), QStringList());
#else
        QSKIP("The native store is not a text file here.");
#endif
    }

    // A token is made once, from the secure generator, saved and kept.
    void remoteTokenIsMadeOnce()
    {
        AppSettings s = loaded();
        QVERIFY(ensureRemoteToken(s));
        QVERIFY(
            QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(s.remoteToken).hasMatch());
        AppSettings again = loaded();
        QVERIFY(!ensureRemoteToken(again));
        QCOMPARE(again.remoteToken, s.remoteToken);
        QVERIFY(makeRemoteToken() != makeRemoteToken());
    }

    // A store that cannot be read or written: loading gives the defaults,
    // saving returns promptly, and what stands in the store's way is left
    // exactly as it was. A folder where the store file belongs and a file
    // where its folder belongs stop every user, root included. Last here: it
    // leaves the store unusable.
    void unusableStore_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("store file is a folder") << "folder";
        QTest::newRow("store folder is a file") << "file";
    }

    void unusableStore()
    {
        QFETCH(QString, obstacle);
        const QString path = TestSupport::storeFilePath();
        const QString folder = QFileInfo(path).path();
        QFile::remove(folder);
        QDir(folder).removeRecursively();
        QFile blocker(obstacle == "file" ? folder : path + "/notes.txt");
        QDir().mkpath(QFileInfo(blocker).path());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write("the operator's own file\n");
        blocker.close();
        const auto snapshot = [root = QFileInfo(folder).path()] {
            QStringList entries;
            for (QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                 QDirIterator::Subdirectories);
                 it.hasNext();)
                entries << it.next() + ' ' + QString::number(it.fileInfo().size());
            entries.sort();
            return entries;
        };
        const QStringList before = snapshot();
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(settingsDifferences(loaded(), AppSettings()), QStringList());
            QElapsedTimer clock;
            clock.start();
            saveSettings(unusualRecord());
            QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        }
        QCOMPARE(snapshot(), before);
    }
};

VELLMARK_TEST_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
