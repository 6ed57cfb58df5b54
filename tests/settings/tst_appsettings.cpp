// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/appsettings.h"
#include "testsupport.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

class TestAppSettings : public QObject {
    Q_OBJECT

  private:
    static void put(const QString& key, const QVariant& value)
    {
        QSettings(QStringLiteral("Vellmark"), QStringLiteral("Vellmark")).setValue(key, value);
    }

    static QVariant stored(const QString& key)
    {
        return QSettings(QStringLiteral("Vellmark"), QStringLiteral("Vellmark")).value(key);
    }

    static AppSettings loaded()
    {
        AppSettings s;
        loadSettings(s);
        return s;
    }

  private slots:
    void init() { TestSupport::clearStore(); }

    void emptyStoreGivesDefaults()
    {
        const AppSettings s = loaded();
        QCOMPARE(s.clock24hr, true);
        QCOMPARE(s.clockShowSeconds, true);
        QCOMPARE(s.bgColor.name(), QStringLiteral("#000000"));
        QCOMPARE(s.timerColorNormal.name(), QStringLiteral("#00cc00"));
        QCOMPARE(s.timerColorWarning.name(), QStringLiteral("#ff8800"));
        QCOMPARE(s.timerColorCritical.name(), QStringLiteral("#ff2200"));
        QCOMPARE(s.clockColor.name(), QStringLiteral("#ffffff"));
        QCOMPARE(s.messageColor.name(), QStringLiteral("#ffff00"));
        QCOMPARE(s.timerFontSize, 300);
        QCOMPARE(s.clockFontSize, 80);
        QCOMPARE(s.messageFontSize, 36);
        QCOMPARE(s.defaultDuration, 300);
        QCOMPARE(s.warningThreshold, 60);
        QCOMPARE(s.overtimeEnabled, true);
        QCOMPARE(s.blinkEnabled, true);
        QCOMPARE(s.presets, (QList<int>{300, 600, 900, 1800}));
        QCOMPARE(s.soundFilePath, QString());
        QCOMPARE(s.soundEnabled, false);
        QCOMPARE(s.targetTime, QStringLiteral("12:00"));
    }

    void integersAreClamped_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("timer font too big") << "timerFontSize" << QVariant(1000) << 550;
        QTest::newRow("timer font too small") << "timerFontSize" << QVariant(10) << 30;
        QTest::newRow("timer font not a number") << "timerFontSize" << QVariant("huge") << 30;
        QTest::newRow("timer font in range") << "timerFontSize" << QVariant(123) << 123;
        QTest::newRow("clock font low") << "clockFontSize" << QVariant(19) << 20;
        QTest::newRow("clock font high") << "clockFontSize" << QVariant(301) << 300;
        QTest::newRow("message font low") << "messageFontSize" << QVariant(11) << 12;
        QTest::newRow("message font high") << "messageFontSize" << QVariant(151) << 150;
        QTest::newRow("duration negative") << "defaultDuration" << QVariant(-5) << 0;
        QTest::newRow("duration huge") << "defaultDuration" << QVariant(100000) << 59999;
        QTest::newRow("duration 999:59 kept") << "defaultDuration" << QVariant(59999) << 59999;
        QTest::newRow("duration 999:00 kept") << "defaultDuration" << QVariant(59940) << 59940;
        QTest::newRow("duration beyond int")
            << "defaultDuration" << QVariant("99999999999") << 59999;
        QTest::newRow("duration text") << "defaultDuration" << QVariant("five") << 0;
        QTest::newRow("warning zero") << "warningThreshold" << QVariant(0) << 1;
        QTest::newRow("warning high") << "warningThreshold" << QVariant(3601) << 3600;
        QTest::newRow("remote port privileged") << "remotePort" << QVariant(80) << 1024;
        QTest::newRow("remote port too high") << "remotePort" << QVariant(70000) << 65535;
        QTest::newRow("osc port text") << "oscPort" << QVariant("osc") << 1024;
        QTest::newRow("osc port in range") << "oscPort" << QVariant(9000) << 9000;
    }

    void integersAreClamped()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(int, expected);
        put(key, value);
        const AppSettings s = loaded();
        const QHash<QString, int> got{{"timerFontSize", s.timerFontSize},
                                      {"clockFontSize", s.clockFontSize},
                                      {"messageFontSize", s.messageFontSize},
                                      {"defaultDuration", s.defaultDuration},
                                      {"warningThreshold", s.warningThreshold},
                                      {"remotePort", s.remotePort},
                                      {"oscPort", s.oscPort}};
        QCOMPARE(got.value(key), expected);
    }

    // Every value the program itself can save must come back unchanged.
    void roundTripKeepsEverything()
    {
        AppSettings s;
        s.clock24hr = false;
        s.clockShowSeconds = false;
        s.bgColor = QColor(0x12, 0x34, 0x56);
        s.timerColorNormal = QColor(0xab, 0xcd, 0xef);
        s.timerColorWarning = QColor(1, 2, 3);
        s.timerColorCritical = QColor(0xfe, 0xdc, 0xba);
        s.clockColor = QColor(0x80, 0x80, 0x80);
        s.messageColor = QColor(0x81, 0x81, 0x81);
        s.timerFontSize = 550;
        s.clockFontSize = 20;
        s.messageFontSize = 150;
        s.defaultDuration = 999 * 60 + 59;
        s.warningThreshold = 3600;
        s.overtimeEnabled = false;
        s.blinkEnabled = false;
        s.presets = {120, 45, 0, 59999, 45};
        s.soundFilePath = QStringLiteral("/tmp/a b/cue ü.wav");
        s.soundEnabled = true;
        s.targetTime = QStringLiteral("07:05");
        s.remoteEnabled = false;
        s.remotePort = 65535;
        s.remoteAllowLan = true;
        s.remoteToken = makeRemoteToken();
        s.oscEnabled = true;
        s.oscPort = 1024;
        saveSettings(s);

        const AppSettings r = loaded();
        QCOMPARE(r.clock24hr, s.clock24hr);
        QCOMPARE(r.clockShowSeconds, s.clockShowSeconds);
        for (auto f : {&AppSettings::bgColor, &AppSettings::timerColorNormal,
                       &AppSettings::timerColorWarning, &AppSettings::timerColorCritical,
                       &AppSettings::clockColor, &AppSettings::messageColor})
            QCOMPARE(r.*f, s.*f);
        QCOMPARE(r.timerFontSize, s.timerFontSize);
        QCOMPARE(r.clockFontSize, s.clockFontSize);
        QCOMPARE(r.messageFontSize, s.messageFontSize);
        QCOMPARE(r.defaultDuration, s.defaultDuration);
        QCOMPARE(r.warningThreshold, s.warningThreshold);
        QCOMPARE(r.overtimeEnabled, s.overtimeEnabled);
        QCOMPARE(r.blinkEnabled, s.blinkEnabled);
        QCOMPARE(r.presets, s.presets);
        QCOMPARE(r.soundFilePath, s.soundFilePath);
        QCOMPARE(r.soundEnabled, s.soundEnabled);
        QCOMPARE(r.targetTime, s.targetTime);
        QCOMPARE(r.remoteEnabled, s.remoteEnabled);
        QCOMPARE(r.remotePort, s.remotePort);
        QCOMPARE(r.remoteAllowLan, s.remoteAllowLan);
        QCOMPARE(r.remoteToken, s.remoteToken);
        QCOMPARE(r.oscEnabled, s.oscEnabled);
        QCOMPARE(r.oscPort, s.oscPort);
    }

    // A token is made once, from the secure generator, and kept; a stored one
    // that is not 32 lower-case hex digits is replaced.
    void remoteToken_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("kept");
        QTest::newRow("none") << QVariant() << false;
        QTest::newRow("valid") << QVariant("0123456789abcdef0123456789abcdef") << true;
        QTest::newRow("upper case") << QVariant("0123456789ABCDEF0123456789ABCDEF") << false;
        QTest::newRow("short") << QVariant("secret") << false;
        QTest::newRow("empty") << QVariant("") << false;
    }

    void remoteToken()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, kept);
        if (stored.isValid())
            put(QStringLiteral("remoteToken"), stored);
        AppSettings s = loaded();
        QCOMPARE(ensureRemoteToken(s), !kept);
        QVERIFY(
            QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(s.remoteToken).hasMatch());
        if (kept)
            QCOMPARE(s.remoteToken, stored.toString());
        // Kept from now on.
        AppSettings again = loaded();
        QVERIFY(!ensureRemoteToken(again));
        QCOMPARE(again.remoteToken, s.remoteToken);
        QVERIFY(makeRemoteToken() != makeRemoteToken());
    }

    void coloursAreStoredAsLowerCaseHex()
    {
        AppSettings s;
        s.timerColorNormal = QColor(0xAB, 0xCD, 0xEF, 0x80); // alpha is not stored
        saveSettings(s);
        QCOMPARE(stored("timerColorNormal").toString(), QStringLiteral("#abcdef"));
        QCOMPARE(stored("bgColor").toString(), QStringLiteral("#000000"));
    }

    void colourTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hex") << "#123abc"
                             << "#123abc";
        QTest::newRow("upper-case hex") << "#ABCDEF"
                                        << "#abcdef";
        QTest::newRow("short hex") << "#fff"
                                   << "#ffffff";
        QTest::newRow("named colour") << "red"
                                      << "#ff0000";
        QTest::newRow("named colour mixed case") << "DarkOrange"
                                                 << "#ff8c00";
        QTest::newRow("garbage") << "not a colour"
                                 << "#ff8800";
        QTest::newRow("empty") << ""
                               << "#ff8800";
        QTest::newRow("bad hex") << "#12345g"
                                 << "#ff8800";
        QTest::newRow("hex with alpha") << "#80123abc"
                                        << "#123abc";
        QTest::newRow("transparent") << "transparent"
                                     << "#000000";
        QTest::newRow("sixteen bits a channel") << "#123412341234"
                                                << "#121212";
    }

    // An unparsable colour loads as that field's default, never as an
    // invalid colour that would paint black.
    void colourTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        put("timerColorWarning", text);
        put("bgColor", text);
        const AppSettings s = loaded();
        QVERIFY(s.timerColorWarning.isValid());
        QCOMPARE(s.timerColorWarning.alpha(), 255);
        QCOMPARE(s.bgColor.alpha(), 255);
        QCOMPARE(s.timerColorWarning.name(), expected);
        const QString bgExpected = expected == "#ff8800" ? "#000000" : expected;
        QCOMPARE(s.bgColor.name(), bgExpected);

        // What was loaded is exactly what the next save keeps.
        saveSettings(s);
        const AppSettings again = loaded();
        QCOMPARE(again.timerColorWarning, s.timerColorWarning);
        QCOMPARE(again.bgColor, s.bgColor);
    }

    void targetTimeTexts_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("as written") << QVariant("14:30") << "14:30";
        QTest::newRow("one-digit hour") << QVariant("9:05") << "09:05";
        QTest::newRow("no such hour") << QVariant("24:00") << "12:00";
        QTest::newRow("seconds") << QVariant("14:30:15") << "12:00";
        QTest::newRow("garbage") << QVariant("soon") << "12:00";
        QTest::newRow("a number") << QVariant(1430) << "12:00";
    }

    // The last target reads back in the one form the program writes, or as
    // the default when the store holds no time of day.
    void targetTimeTexts()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        put("targetTime", value);
        QCOMPARE(loaded().targetTime, expected);
    }

    void booleansAndTextFromStore()
    {
        put("clock24hr", "false");
        put("soundEnabled", "true");
        put("soundFilePath", "/x/y.wav");
        const AppSettings s = loaded();
        QCOMPARE(s.clock24hr, false);
        QCOMPARE(s.soundEnabled, true);
        QCOMPARE(s.soundFilePath, QStringLiteral("/x/y.wav"));
    }

    void presetsRoundTripInOrder()
    {
        AppSettings s;
        s.presets = {120, 45};
        saveSettings(s);
        QCOMPARE(loaded().presets, (QList<int>{120, 45}));
        QCOMPARE(stored("presets/size").toInt(), 2);
    }

    void emptyPresetsComeBackAsDefaults()
    {
        AppSettings s;
        s.presets.clear();
        saveSettings(s);
        QCOMPARE(stored("presets/size").toInt(), 0);
        QCOMPARE(loaded().presets, (QList<int>{300, 600, 900, 1800}));
    }

    // A shorter list leaves old entries behind; the size entry alone decides.
    void shorterListHidesLeftovers()
    {
        AppSettings s;
        s.presets = {1, 2, 3, 4, 5};
        saveSettings(s);
        s.presets = {9};
        saveSettings(s);
        QCOMPARE(loaded().presets, (QList<int>{9}));
    }

    void malformedPresetEntryLoadsAsZeroInPlace()
    {
        QSettings st(QStringLiteral("Vellmark"), QStringLiteral("Vellmark"));
        st.beginWriteArray("presets", 4);
        st.setArrayIndex(0);
        st.setValue("val", 60);
        st.setArrayIndex(1);
        st.setValue("val", "soon");
        st.setArrayIndex(3);
        st.setValue("val", 90);
        st.endArray();
        st.sync();
        QCOMPARE(loaded().presets, (QList<int>{60, 0, 0, 90}));
    }

    // A hand-edited size far beyond reason must not stall start-up.
    void absurdPresetCountIsBounded()
    {
        put("presets/size", 2000000000);
        put("presets/1/val", 75);
        const QList<int> p = loaded().presets;
        QCOMPARE(p.size(), SettingsLimits::kMaxPresets);
        QCOMPARE(p.first(), 75);
    }

    void savingDoesNotClamp()
    {
        AppSettings s;
        s.timerFontSize = 5000;
        saveSettings(s);
        QCOMPARE(stored("timerFontSize").toInt(), 5000);
        QCOMPARE(loaded().timerFontSize, 550);
    }

    // A store file holding garbage must give defaults, not crash.
    void corruptFileGivesDefaults()
    {
        const QString path = TestSupport::storeFilePath();
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        static const char garbage[] =
            "\x00\xff[[[General\n=\n\x01timerFontSize=@Variant(\xff\xff)\n";
        f.write(garbage, sizeof garbage - 1);
        f.close();
        const AppSettings s = loaded();
        QCOMPARE(s.defaultDuration, 300);
        QCOMPARE(s.presets, (QList<int>{300, 600, 900, 1800}));
    }

    // A damaged binary value (here a string list claiming 838 million
    // entries) made the store reserve gigabytes and abort. It now loads as
    // that field's default, the other keys keep their values, saving works,
    // and the file as it was is kept beside the store.
    void damagedBinaryValueIsDroppedAndKept()
    {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
        const QByteArray damaged = "[General]\nbgColor=#102030\n"
                                   "timerFontSize=@Variant(\\0\\0\\0\\v2\\0\\0\\0\\x5)\n"
                                   "defaultDuration=90\n\n[presets]\n1\\val=45\nsize=1\n";
        const QString path = TestSupport::storeFilePath();
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(damaged);
        f.close();

        const AppSettings s = loaded();
        QCOMPARE(s.timerFontSize, 300);
        QCOMPARE(s.bgColor.name(), QStringLiteral("#102030"));
        QCOMPARE(s.defaultDuration, 90);
        QCOMPARE(s.presets, QList<int>{45});

        QFile backup(path + QStringLiteral(".damaged"));
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), damaged);
        saveSettings(s);
        QCOMPARE(loaded().defaultDuration, 90);
        QFile::remove(backup.fileName());
#else
        QSKIP("The native store is not a text file here.");
#endif
    }

    // A healthy store is never rewritten or copied aside.
    void healthyStoreIsLeftAlone()
    {
        AppSettings s;
        s.soundFilePath = QStringLiteral("@Variant(not really).wav");
        saveSettings(s);
        QFile f(TestSupport::storeFilePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        QCOMPARE(loaded().soundFilePath, s.soundFilePath);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        QVERIFY(!QFile::exists(TestSupport::storeFilePath() + QStringLiteral(".damaged")));
    }
};

VELLMARK_TEST_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
