// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <limits>

// Records tick and stateChanged in one list, in the order they were emitted.
class EventLog : public QObject {
  public:
    explicit EventLog(TimerEngine* e)
    {
        connect(e, &TimerEngine::tick, this,
                [this](int s) { events << QStringLiteral("tick %1").arg(s); });
        connect(e, &TimerEngine::stateChanged, this, [this](bool r) {
            events << (r ? QStringLiteral("running") : QStringLiteral("stopped"));
        });
    }
    QStringList events;
};

class TestTimerEngine : public QObject {
    Q_OBJECT

  private:
    // Applies one scripted operation ("start", "step", "dur 90", "add -60", ...).
    static void apply(TimerEngine& e, const QString& op)
    {
        const QStringList w = op.split(QLatin1Char(' '));
        const QString& verb = w.first();
        const int arg = w.size() > 1 ? w.at(1).toInt() : 0;
        if (verb == QLatin1String("start"))
            e.start();
        else if (verb == QLatin1String("pause"))
            e.pause();
        else if (verb == QLatin1String("reset"))
            e.reset();
        else if (verb == QLatin1String("step"))
            TestSupport::stepEngine(&e, qMax(1, arg));
        else if (verb == QLatin1String("dur"))
            e.setDuration(arg);
        else if (verb == QLatin1String("add"))
            e.addSeconds(arg);
        else if (verb == QLatin1String("up"))
            e.setCountUp(arg != 0);
        else if (verb == QLatin1String("overtime"))
            e.setOvertimeEnabled(arg != 0);
        else
            QFAIL(qPrintable(QStringLiteral("unknown op ") + op));
    }

  private slots:
    void freshEngine()
    {
        TimerEngine e;
        QCOMPARE(e.remaining(), 300);
        QVERIFY(!e.isRunning());
        QVERIFY(!e.isCountUp());
        // Overtime is on by default: a step from 0 keeps running below zero.
        e.setDuration(0);
        e.start();
        TestSupport::stepEngine(&e);
        QCOMPARE(e.remaining(), -1);
        QVERIFY(e.isRunning());
    }

    // Setup operations run before the log starts; the script's events must
    // come out exactly, in order, and leave the engine as stated.
    void transitions_data()
    {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("remaining");
        QTest::addColumn<bool>("running");

        using L = QStringList;
        QTest::newRow("start from stopped") << L{} << L{"start"} << L{"running"} << 300 << true;
        QTest::newRow("start twice") << L{} << L{"start", "start"} << L{"running"} << 300 << true;
        QTest::newRow("pause running") << L{"start"} << L{"pause"} << L{"stopped"} << 300 << false;
        QTest::newRow("pause stopped") << L{} << L{"pause"} << L{} << 300 << false;
        QTest::newRow("reset stopped")
            << L{"dur 90", "add 30"} << L{"reset"} << L{"tick 120", "stopped"} << 120 << false;
        QTest::newRow("reset running after steps") << L{"dur 10", "start", "step 3"} << L{"reset"}
                                                   << L{"tick 10", "stopped"} << 10 << false;
        QTest::newRow("setDuration stopped") << L{} << L{"dur 90"} << L{"tick 90"} << 90 << false;
        QTest::newRow("setDuration running")
            << L{"start"} << L{"dur 90"} << L{"tick 90", "stopped"} << 90 << false;
        QTest::newRow("addSeconds keeps running")
            << L{"start"} << L{"add 60"} << L{"tick 360"} << 360 << true;
        QTest::newRow("count down to zero, overtime off")
            << L{"overtime 0", "dur 3", "start"} << L{"step 3"}
            << L{"tick 2", "tick 1", "tick 0", "stopped"} << 0 << false;
        QTest::newRow("count down into overtime")
            << L{"dur 2", "start"} << L{"step 4"} << L{"tick 1", "tick 0", "tick -1", "tick -2"}
            << -2 << true;
        QTest::newRow("start at zero, overtime off runs one step")
            << L{"overtime 0", "dur 0"} << L{"start", "step"} << L{"running", "tick -1", "stopped"}
            << -1 << false;
        QTest::newRow("minus a minute at 45 then a step")
            << L{"overtime 0", "dur 45", "start"} << L{"add -60", "step"}
            << L{"tick 0", "tick -1", "stopped"} << -1 << false;
        QTest::newRow("plus a minute at -30")
            << L{"dur 0", "start", "step 30"} << L{"add 60"} << L{"tick 30"} << 30 << true;
        QTest::newRow("plus a minute at -90 floors at zero")
            << L{"dur 0", "start", "step 90"} << L{"add 60"} << L{"tick 0"} << 0 << true;
        QTest::newRow("count up ignores overtime off")
            << L{"overtime 0", "dur 1", "up 1", "start"} << L{"step 3"}
            << L{"tick 2", "tick 3", "tick 4"} << 4 << true;
        QTest::newRow("count up after reset rises from the duration")
            << L{"dur 5", "up 1", "start", "step 2", "reset", "start"} << L{"step"} << L{"tick 6"}
            << 6 << true;
        QTest::newRow("flags emit nothing")
            << L{"start"} << L{"up 1", "overtime 0", "up 0", "overtime 1"} << L{} << 300 << true;
        QTest::newRow("overtime switched off below zero stops at next step")
            << L{"dur 1", "start", "step 3"} << L{"overtime 0", "step"} << L{"tick -3", "stopped"}
            << -3 << false;
        QTest::newRow("direction change takes effect on the next step")
            << L{"dur 10", "start", "step"} << L{"up 1", "step", "up 0", "step"}
            << L{"tick 10", "tick 9"} << 9 << true;
    }

    void transitions()
    {
        QFETCH(QStringList, setup);
        QFETCH(QStringList, script);
        QFETCH(QStringList, expected);
        QFETCH(int, remaining);
        QFETCH(bool, running);

        TimerEngine e;
        for (const QString& op : setup)
            apply(e, op);
        EventLog log(&e);
        for (const QString& op : script)
            apply(e, op);
        QCOMPARE(log.events, expected);
        QCOMPARE(e.remaining(), remaining);
        QCOMPARE(e.isRunning(), running);
    }

    // The duration has its own floor: reset after a minus minute returns to
    // max(0, duration - 60), independently of the value's floor.
    void addSecondsFloorsDurationIndependently_data()
    {
        QTest::addColumn<int>("duration");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("durationAfter");
        QTest::newRow("45 minus 60") << 45 << 0 << -60 << 0 << 0;
        QTest::newRow("100 at 45 minus 60") << 100 << 55 << -60 << 0 << 40;
        QTest::newRow("overtime plus 60") << 10 << 40 << 60 << 30 << 70;
        QTest::newRow("far overtime plus 60") << 10 << 100 << 60 << 0 << 70;
    }

    void addSecondsFloorsDurationIndependently()
    {
        QFETCH(int, duration);
        QFETCH(int, steps);
        QFETCH(int, delta);
        QFETCH(int, value);
        QFETCH(int, durationAfter);
        TimerEngine e;
        e.setDuration(duration);
        e.start();
        TestSupport::stepEngine(&e, steps);
        e.addSeconds(delta);
        QCOMPARE(e.remaining(), value);
        e.reset();
        QCOMPARE(e.remaining(), durationAfter);
    }

    // Long overtime or a huge adjustment must never wrap the display round
    // to the opposite sign.
    void extremesDoNotWrap()
    {
        TimerEngine e;
        e.setDuration(std::numeric_limits<int>::max() - 1);
        e.setCountUp(true);
        e.start();
        TestSupport::stepEngine(&e, 3);
        QCOMPARE(e.remaining(), std::numeric_limits<int>::max());
        e.addSeconds(60);
        QCOMPARE(e.remaining(), std::numeric_limits<int>::max());
    }

    // The one test that lets the real timer run: the first tick comes about a
    // second after start, and a pause drops the part-second already elapsed.
    void realTimerPauseDropsPartialSecond()
    {
        TimerEngine e;
        e.setDuration(10);
        QSignalSpy ticks(&e, &TimerEngine::tick);
        QElapsedTimer clock;
        e.start();
        QTest::qWait(700);
        e.pause();
        QCOMPARE(ticks.count(), 0);
        clock.start();
        e.start();
        QTRY_COMPARE_WITH_TIMEOUT(ticks.count(), 1, 3000);
        QVERIFY2(clock.elapsed() >= 950, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(ticks.first().first().toInt(), 9);
    }
};

VELLMARK_TEST_MAIN(TestTimerEngine)
#include "tst_timerengine.moc"
