// SPDX-License-Identifier: GPL-3.0-or-later
// Endurance: a million one-second steps of the engine through the windows,
// with everything that happens on stage mixed in: count-downs to zero and
// into overtime with the readout blinking, count-ups, added minutes, view
// changes, messages pushed and cleared, settings re-applied, and the windows
// painted as the event loop would. Resident memory must not keep growing.
// VELLMARK_SOAK_STEPS overrides the number of steps.
#include "app/appwindows.h"
#include "output/outputwindow.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/counttext.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTime>
#include <QtTest>

#include <unistd.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
#define VELLMARK_ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELLMARK_ASAN
#endif
#endif

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
}

void paint()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void call(QObject* o, const char* slot)
{
    QMetaObject::invokeMethod(o, slot, Qt::DirectConnection);
}

} // namespace

class TestSoak : public QObject {
    Q_OBJECT

  private slots:
    void millionSteps()
    {
        const qint64 steps = qEnvironmentVariableIsSet("VELLMARK_SOAK_STEPS")
                                 ? qEnvironmentVariableIntValue("VELLMARK_SOAK_STEPS")
                                 : 1000000;
        const qint64 warmUp = std::min<qint64>(50000, steps / 10);

        AppSettings settings;
        loadSettings(settings);
        settings.blinkEnabled = true;
        TimerEngine engine;
        engine.setDuration(settings.defaultDuration);
        engine.setOvertimeEnabled(true);
        AppWindows windows(&settings, &engine);
        windows.show();
        OutputWindow& output = windows.output();
        ControlWindow& control = windows.control();
        QVERIFY(QTest::qWaitForWindowExposed(&control));
        QVERIFY(QTest::qWaitForWindowExposed(&output));
        auto* messageEdit = control.findChild<QLineEdit*>();
        QVERIFY(messageEdit);

        int ticks = 0;
        connect(&engine, &TimerEngine::tick, this, [&ticks] { ++ticks; });

        QElapsedTimer clock;
        clock.start();
        qint64 rssAfterWarmUp = 0;
        qint64 rssPeak = 0;
        for (qint64 i = 0; i < steps; ++i) {
            // One stage "talk" every 64 steps, driven through the operator's
            // window: a preset of 40 s, down to zero and into overtime with
            // the readout blinking, a minute added or taken away on the way.
            const int phase = int(i % 64);
            const qint64 talk = i / 64;
            if (phase == 0) {
                QMetaObject::invokeMethod(&control, "onCountModeChanged", Qt::DirectConnection,
                                          Q_ARG(bool, talk % 7 == 3));
                QMetaObject::invokeMethod(&control, "onPreset", Qt::DirectConnection,
                                          Q_ARG(int, 40));
                if (talk % 5 == 0)
                    QMetaObject::invokeMethod(&control, "onViewChanged", Qt::DirectConnection,
                                              Q_ARG(int, int(talk / 5 % 3)));
                if (talk % 3 == 0) {
                    messageEdit->setText(
                        QStringLiteral("Talk %1 \u2014 questions at the end").arg(talk));
                    call(&control, "onPushMessage");
                } else if (talk % 3 == 1) {
                    call(&control, "onClearMessage");
                }
                if (talk % 11 == 0) {
                    settings.timerFontSize = 100 + int(talk % 400);
                    call(&control, "onSettingsChanged");
                }
            } else if (phase == 50) {
                engine.addSeconds(talk % 2 == 0 ? 60 : -60);
            }
            call(&engine, "onTimeout");
            call(&output, "tickBlink");
            if (i % 2 == 0)
                call(&output, "tickClock");
            if (i % 100 == 0)
                paint();
            if (i == warmUp)
                rssAfterWarmUp = residentBytes();
            if (i > warmUp && i % 10000 == 0)
                rssPeak = std::max(rssPeak, residentBytes());
        }
        paint();
        const qint64 rssEnd = residentBytes();
        rssPeak = std::max(rssPeak, rssEnd);

        // Every step ticked, and after a reset both windows show the engine's
        // value, visible again whatever the blink was doing.
        QVERIFY(ticks >= steps);
        engine.reset();
        // The last view change may have left the clock alone on the output.
        QMetaObject::invokeMethod(&control, "onViewChanged", Qt::DirectConnection, Q_ARG(int, 2));
        paint();
        // The minutes added or taken moved the duration too.
        const int value = engine.remaining();
        QVERIFY(value > 0);
        const QString shown = countText(value);
        QCOMPARE(control.findChild<QLabel*>(QStringLiteral("timerPreview"))->text(), shown);
        bool readoutShows = false;
        for (QLabel* l : output.findChildren<QLabel*>())
            readoutShows = readoutShows || (l->isVisible() && l->text() == shown);
        QVERIFY(readoutShows);
        qInfo("%lld steps in %.1f s; resident memory after warm-up %.2f MiB, peak %.2f MiB, "
              "end %.2f MiB",
              steps, clock.elapsed() / 1000.0, rssAfterWarmUp / 1048576.0, rssPeak / 1048576.0,
              rssEnd / 1048576.0);
#ifdef VELLMARK_ASAN
        QSKIP("AddressSanitizer holds freed memory back; LeakSanitizer checks for leaks here");
#endif
        QVERIFY2(rssPeak - rssAfterWarmUp < 2 * 1048576,
                 qPrintable(QStringLiteral("resident memory grew by %1 KiB")
                                .arg((rssPeak - rssAfterWarmUp) / 1024)));
    }
};

VELLMARK_TEST_MAIN(TestSoak)
#include "tst_soak.moc"
