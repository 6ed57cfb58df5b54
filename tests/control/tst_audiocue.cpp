#include "control/controlwindow.h"
#include "output/outputwindow.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtMath>
#include <QtTest>

namespace {

constexpr int kRate = 44100;
constexpr int kWavHeader = 44;

// Half a second of an 880 Hz tone at half scale, mono, 16 bit.
bool writeTone(const QString& path)
{
    QList<qint16> samples;
    for (int i = 0; i < kRate / 2; ++i)
        samples << qint16(16000 * qSin(2 * M_PI * 880 * i / kRate));
    return TestSupport::writeWav(path, kRate, samples);
}

// Seconds of audio a recording holds so far.
double recorded(const QString& path)
{
    return std::max<qint64>(QFileInfo(path).size() - kWavHeader, 0) / double(kRate * 2);
}

// The peak amplitude (0 to 1) of part of a recording, as sox measures it.
double peak(const QString& path, double from, double length)
{
    QProcess sox;
    QStringList args{path, QStringLiteral("-n"), QStringLiteral("trim"), QString::number(from)};
    if (length > 0)
        args << QString::number(length);
    args << QStringLiteral("stat");
    sox.start(QStringLiteral("sox"), args);
    if (!sox.waitForFinished(20000))
        return -1;
    const QString report = QString::fromLocal8Bit(sox.readAllStandardError());
    const auto m =
        QRegularExpression(QStringLiteral("Maximum amplitude:\\s+([-0-9.]+)")).match(report);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

} // namespace

// The cue at zero is listened for: the program plays into a private PulseAudio
// server's null sink while parecord records that sink's monitor.
class TestAudioCue : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_pulse;
    QString m_tone;

    bool serverAnswers()
    {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        return pactl.waitForFinished(5000) && pactl.exitStatus() == QProcess::NormalExit &&
               pactl.exitCode() == 0;
    }

  private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString runtime = m_dir.filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString socket = m_dir.filePath(QStringLiteral("native"));
        const QString script = m_dir.filePath(QStringLiteral("server.pa"));
        QFile pa(script);
        QVERIFY(pa.open(QIODevice::WriteOnly));
        pa.write("load-module module-null-sink sink_name=cue\n"
                 "set-default-sink cue\n"
                 "load-module module-native-protocol-unix auth-anonymous=1 socket=" +
                 socket.toLocal8Bit() + "\n");
        pa.close();

        // Everything here, the program's player included, talks to this server only.
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        qputenv("PULSE_RUNTIME_PATH", runtime.toLocal8Bit());
        qputenv("PULSE_SERVER", "unix:" + socket.toLocal8Bit());

        m_pulse.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_pulse.start(QStringLiteral("pulseaudio"),
                      {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                       QStringLiteral("--system=no"), QStringLiteral("--disallow-exit"),
                       QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-level=error"),
                       QStringLiteral("-n"), QStringLiteral("-F"), script});
        QVERIFY2(m_pulse.waitForStarted(10000), "pulseaudio must be installed (scripts/setup.sh)");
        QTRY_VERIFY_WITH_TIMEOUT(serverAnswers(), 15000);
        m_tone = m_dir.filePath(QStringLiteral("tone.wav"));
        QVERIFY(writeTone(m_tone));
    }

    void cleanupTestCase()
    {
        m_pulse.terminate();
        if (!m_pulse.waitForFinished(5000)) {
            m_pulse.kill();
            m_pulse.waitForFinished(5000);
        }
    }

    void cueAtZero_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("enabled: heard after the zero tick") << true;
        QTest::newRow("disabled: silence") << false;
    }

    void cueAtZero()
    {
        QFETCH(bool, enabled);
        AppSettings settings;
        settings.soundEnabled = enabled;
        settings.soundFilePath = m_tone;
        TimerEngine engine;
        engine.setDuration(2);
        OutputWindow output(&settings);
        ControlWindow window(&settings, &engine, &output);

        const QString recording =
            m_dir.filePath(QStringLiteral("rec-%1.wav").arg(enabled ? "on" : "off"));
        QProcess rec;
        rec.start(QStringLiteral("parecord"),
                  {QStringLiteral("--device=cue.monitor"), QStringLiteral("--file-format=wav"),
                   QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=1"),
                   QStringLiteral("--format=s16le"), QStringLiteral("--latency-msec=20"),
                   recording});
        QVERIFY(rec.waitForStarted(10000));
        // Some quiet first, so "before zero" has something to measure.
        QTRY_VERIFY_WITH_TIMEOUT(recorded(recording) > 0.4, 15000);

        const double zeroAt = recorded(recording);
        engine.start();
        TestSupport::stepEngine(&engine, 2);
        QCOMPARE(engine.remaining(), 0);
        // The tone lasts 0.5 s; leave room for the player to start.
        QTRY_VERIFY_WITH_TIMEOUT(recorded(recording) > zeroAt + 2.5, 20000);
        rec.terminate();
        QVERIFY(rec.waitForFinished(10000));

        const double before = peak(recording, 0, zeroAt);
        const double after = peak(recording, zeroAt, 0);
        QVERIFY2(before >= 0 && after >= 0, "sox reads the recording");
        QVERIFY2(before < 0.01, qPrintable(QStringLiteral("before zero: %1").arg(before)));
        if (enabled)
            QVERIFY2(after > 0.2, qPrintable(QStringLiteral("after zero: %1").arg(after)));
        else
            QVERIFY2(after < 0.01, qPrintable(QStringLiteral("after zero: %1").arg(after)));
    }
};

VELLMARK_TEST_MAIN(TestAudioCue)
#include "tst_audiocue.moc"
