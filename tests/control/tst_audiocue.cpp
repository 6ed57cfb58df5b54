// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/controlwindow.h"
#include "output/outputwindow.h"
#include "pulsesink.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtMath>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Longer than the few seconds after which Qt's GStreamer back end used to
// lose a loaded source: an operator chooses the file long before the zero.
constexpr int kIdleMs = 11000;

// The control window with its own engine and record, as start-up builds it.
struct Rig {
    Rig(const QString& file, bool enabled, int duration)
    {
        settings.soundEnabled = enabled;
        settings.soundFilePath = file;
        engine.setDuration(duration);
        output = std::make_unique<OutputWindow>(&settings);
        window = std::make_unique<ControlWindow>(&settings, &engine, output.get());
    }
    void pressTest()
    {
        for (auto* b : window->findChildren<QPushButton*>())
            if (b->text() == QLatin1String("Test"))
                b->click();
    }
    AppSettings settings;
    TimerEngine engine;
    std::unique_ptr<OutputWindow> output;
    std::unique_ptr<ControlWindow> window;
};

} // namespace

// The cue is listened for: the program plays into a private PulseAudio
// server's null sink while parecord records that sink's monitor. The media
// back end is the one CTest names in QT_MEDIA_BACKEND.
class TestAudioCue : public QObject {
    Q_OBJECT

    PulseSink m_sink;
    QString m_tone;

  private slots:
    void initTestCase()
    {
        qInfo("media back end: %s", qgetenv("QT_MEDIA_BACKEND").constData());
        QString error;
        QVERIFY2(m_sink.start(&error), qPrintable(error));
        // Half a second of an 880 Hz tone at half scale.
        QList<qint16> samples;
        for (int i = 0; i < SinkRecording::kRate / 2; ++i)
            samples << qint16(16000 * qSin(2 * M_PI * 880 * i / SinkRecording::kRate));
        m_tone = m_sink.dir() + QStringLiteral("/tone.wav");
        QVERIFY(TestSupport::writeWav(m_tone, SinkRecording::kRate, samples));
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
        Rig rig(m_tone, enabled, 2);
        SinkRecording rec(m_sink.dir() + QStringLiteral("/zero-%1.wav").arg(enabled));
        QVERIFY(rec.start());
        // Some quiet first, so "before zero" has something to measure.
        QTRY_VERIFY_WITH_TIMEOUT(rec.seconds() > 0.4, 15000);

        const double zeroAt = rec.seconds();
        rig.engine.start();
        TestSupport::stepEngine(&rig.engine, 2);
        QCOMPARE(rig.engine.remaining(), 0);
        // The tone lasts 0.5 s; leave room for the player to start.
        QTRY_VERIFY_WITH_TIMEOUT(rec.seconds() > zeroAt + 2.5, 20000);
        QVERIFY(rec.stop());

        const double before = rec.peak(0, zeroAt);
        const double after = rec.peak(zeroAt);
        QVERIFY2(before >= 0 && after >= 0, "sox reads the recording");
        QVERIFY2(before < 0.01, qPrintable(QStringLiteral("before zero: %1").arg(before)));
        if (enabled)
            QVERIFY2(after > 0.2, qPrintable(QStringLiteral("after zero: %1").arg(after)));
        else
            QVERIFY2(after < 0.01, qPrintable(QStringLiteral("after zero: %1").arg(after)));
    }

    // As on stage: the file was loaded long before the count reaches zero, and
    // the operator's first Test press comes long after start-up. Two windows
    // loaded together share the wait: one reaches zero, then the other's Test
    // is pressed, then the first one's Test (a play after one that finished).
    void heardLongAfterLoading()
    {
        QElapsedTimer sinceLoading;
        sinceLoading.start();
        Rig atZero(m_tone, true, 1);
        Rig tested(m_tone, false, 300);
        SinkRecording rec(m_sink.dir() + QStringLiteral("/idle.wav"));
        QVERIFY(rec.start());
        QTRY_VERIFY_WITH_TIMEOUT(sinceLoading.elapsed() >= kIdleMs, kIdleMs + 5000);

        const std::function<void()> events[] = {
            [&] {
                atZero.engine.start();
                TestSupport::stepEngine(&atZero.engine);
                atZero.engine.pause(); // its own timer must not run on meanwhile
            },
            [&] { tested.pressTest(); },
            [&] { atZero.pressTest(); },
        };
        QList<double> at;
        for (const auto& event : events) {
            at << rec.seconds();
            event();
            // Room for a slow start on a loaded machine; the tone lasts 0.5 s.
            QTRY_VERIFY_WITH_TIMEOUT(rec.seconds() > at.last() + 3.0, 20000);
        }
        QCOMPARE(atZero.engine.remaining(), 0);
        QVERIFY(rec.stop());
        at << rec.seconds();

        const double before = rec.peak(0, at[0]);
        QVERIFY2(before >= 0 && before < 0.01,
                 qPrintable(QStringLiteral("before zero: %1").arg(before)));
        const char* const names[] = {"the zero tick", "the first Test press",
                                     "a Test press after the cue"};
        for (int i = 0; i < 3; ++i) {
            const double p = rec.peak(at[i], at[i + 1] - at[i]);
            QVERIFY2(p > 0.2, qPrintable(QStringLiteral("after %1: %2").arg(names[i]).arg(p)));
            qInfo("%s to first audible sample: %.0f ms", names[i],
                  (rec.onset(at[i]) - at[i]) * 1000);
        }
    }
};

VELLMARK_TEST_MAIN(TestAudioCue)
#include "tst_audiocue.moc"
