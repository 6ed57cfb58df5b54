// SPDX-License-Identifier: GPL-3.0-or-later
// Counting to a time of day. The test runs in Europe/Berlin (set by CTest), so
// the summer-time changes of 2027 (28 March 02:00 -> 03:00, 31 October
// 03:00 -> 02:00) are real ones. Expected values are worked out from UTC by hand.
#include "testsupport.h"
#include "timer/timeofday.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>

namespace {

QDateTime at(const char* iso)
{
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODateWithMs);
}

// An engine on a clock the test moves by hand, and a log of what it emits.
struct Rig : QObject {
    Rig()
    {
        engine.setClock([this] { return now; });
        connect(&engine, &TimerEngine::tick, this,
                [this](int s) { events << QStringLiteral("tick %1").arg(s); });
        connect(&engine, &TimerEngine::stateChanged, this, [this](bool r) {
            events << (r ? QStringLiteral("running") : QStringLiteral("stopped"));
        });
        connect(&engine, &TimerEngine::targetChanged, this, [this](const QDateTime& t) {
            events << (t.isValid() ? QStringLiteral("until ") + t.toString(QStringLiteral("HH:mm"))
                                   : QStringLiteral("no target"));
        });
    }

    // "at <ISO time>", "clock <+-ms>", "target HH:MM", "start", "pause",
    // "reset", "step", "add <s>", "dur <s>", "up <0|1>", "overtime <0|1>".
    void apply(const QString& op)
    {
        const QStringList w = op.split(QLatin1Char(' '));
        const QString& verb = w.first();
        const QString arg = w.value(1);
        if (verb == QLatin1String("at"))
            now = at(qPrintable(arg));
        else if (verb == QLatin1String("clock"))
            now = now.addMSecs(arg.toLongLong());
        else if (verb == QLatin1String("target"))
            engine.setTarget(TimeOfDay::parse(arg));
        else if (verb == QLatin1String("start"))
            engine.start();
        else if (verb == QLatin1String("pause"))
            engine.pause();
        else if (verb == QLatin1String("reset"))
            engine.reset();
        else if (verb == QLatin1String("step"))
            TestSupport::stepEngine(&engine);
        else if (verb == QLatin1String("add"))
            engine.addSeconds(arg.toInt());
        else if (verb == QLatin1String("dur"))
            engine.setDuration(arg.toInt());
        else if (verb == QLatin1String("up"))
            engine.setCountUp(arg == QLatin1String("1"));
        else if (verb == QLatin1String("overtime"))
            engine.setOvertimeEnabled(arg == QLatin1String("1"));
        else
            QFAIL(qPrintable(QStringLiteral("unknown op ") + op));
    }

    QDateTime now = at("2027-06-10T14:00:00");
    TimerEngine engine;
    QStringList events;
};

} // namespace

class TestTargetCount : public QObject {
    Q_OBJECT

  private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QTime>("expected");
        QTest::newRow("afternoon") << "14:30" << QTime(14, 30);
        QTest::newRow("one-digit hour") << "9:05" << QTime(9, 5);
        QTest::newRow("blanks around") << " 07:00 " << QTime(7, 0);
        QTest::newRow("midnight") << "00:00" << QTime(0, 0);
        QTest::newRow("last minute") << "23:59" << QTime(23, 59);
        for (const char* bad : {"24:00", "12:60", "1430", "12:3", "ab:cd", "-1:30", "+1:30", "",
                                "12:30:00", "123:00", "12 :30", "\u0661\u0662:30"})
            QTest::newRow(bad) << QString::fromUtf8(bad) << QTime();
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QTime, expected);
        QCOMPARE(TimeOfDay::parse(text), expected);
        if (expected.isValid())
            QCOMPARE(TimeOfDay::parse(TimeOfDay::text(expected)), expected);
    }

    // The next occurrence of a time of day, never more than a day ahead, and
    // the seconds to it as the wall clock counts them, summer-time changes
    // included.
    void nextOccurrence_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("time");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("until");
        QTest::newRow("later today") << at("2027-06-10T14:00:00") << "14:30" << 1800 << "14:30";
        QTest::newRow("23:50 set at 00:10 is tonight")
            << at("2027-06-10T00:10:00") << "23:50" << 85200 << "23:50";
        QTest::newRow("00:10 set at 23:50 is after midnight")
            << at("2027-06-10T23:50:00") << "00:10" << 1200 << "00:10";
        QTest::newRow("a minute ago is tomorrow")
            << at("2027-06-10T14:31:00") << "14:30" << 86340 << "14:30";
        QTest::newRow("this very moment is tomorrow")
            << at("2027-06-10T14:30:00") << "14:30" << 86400 << "14:30";
        QTest::newRow("part of a second rounds up")
            << at("2027-06-10T13:59:59.250") << "14:00" << 1 << "14:00";
        // 22:00 CET is 21:00 UTC; 04:00 CEST is 02:00 UTC: six hours on the
        // clock face, five of them real.
        QTest::newRow("over the spring change")
            << at("2027-03-27T22:00:00") << "04:00" << 5 * 3600 << "04:00";
        // 02:30 does not exist that night; the count ends when the clocks
        // jump, 03:00 CEST = 01:00 UTC.
        QTest::newRow("skipped hour ends at the jump")
            << at("2027-03-27T22:00:00") << "02:30" << 4 * 3600 << "03:00";
        // 22:00 CEST is 20:00 UTC; 04:00 CET is 03:00 UTC.
        QTest::newRow("over the autumn change")
            << at("2027-10-30T22:00:00") << "04:00" << 7 * 3600 << "04:00";
        // 02:30 comes twice; the first, 02:30 CEST, is 00:30 UTC.
        QTest::newRow("repeated hour, first time")
            << at("2027-10-30T22:00:00") << "02:30" << 4 * 3600 + 1800 << "02:30";
    }

    void nextOccurrence()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, time);
        QFETCH(int, seconds);
        QFETCH(QString, until);
        QVERIFY(now.isValid());
        Rig rig;
        rig.now = now;
        rig.engine.setTarget(TimeOfDay::parse(time));
        QCOMPARE(rig.engine.remaining(), seconds);
        QCOMPARE(rig.engine.duration(), seconds);
        QCOMPARE(rig.engine.targetText(), until);
        QCOMPARE(rig.events, (QStringList{QStringLiteral("until ") + until,
                                          QStringLiteral("tick %1").arg(seconds)}));
    }

    // Setup runs before the log starts; the script's events must come out
    // exactly, in order. The clock starts at 2027-06-10 14:00:00.
    void ticks_data()
    {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("remaining");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("until");
        using L = QStringList;

        // Set 2.6 s before the target: 3 until 2 s are left, then each value
        // from its own whole second on; a timer firing 1 ms early changes nothing.
        QTest::newRow("values change at the target's whole seconds")
            << L{"at 2027-06-10T14:29:57.400", "target 14:30", "start"}
            << L{"clock 600", "step",    "clock 1000", "step",       "clock 999",
                 "step",      "clock 1", "step",       "clock 1000", "step"}
            << L{"tick 2", "tick 1", "tick 0", "tick -1"} << -1 << true << "14:30";
        QTest::newRow("clock corrected forwards past zero shows zero on the way")
            << L{"at 2027-06-10T14:29:50", "target 14:30", "start"} << L{"clock 20000", "step"}
            << L{"tick 0", "tick -10"} << -10 << true << "14:30";
        QTest::newRow("clock corrected backwards")
            << L{"at 2027-06-10T14:29:50", "target 14:30", "start"} << L{"clock -60000", "step"}
            << L{"tick 70"} << 70 << true << "14:30";
        QTest::newRow("woken after the target, overtime off, stops at zero")
            << L{"overtime 0", "at 2027-06-10T14:29:50", "target 14:30", "start"}
            << L{"clock 3600000", "step"} << L{"tick 0", "stopped"} << 0 << false << "14:30";
        QTest::newRow("over the spring change the count goes on by real seconds")
            << L{"at 2027-03-28T01:59:58", "target 03:00", "start"}
            << L{"clock 1000", "step", "clock 1000", "step"} << L{"tick 1", "tick 0"} << 0 << true
            << "03:00";
        QTest::newRow("plus a minute moves the target, reset keeps it")
            << L{"target 14:30", "start", "clock 10000", "step"} << L{"add 60", "reset"}
            << L{"until 14:31", "tick 1850", "tick 1850", "stopped"} << 1850 << false << "14:31";
        QTest::newRow("minus a minute at 00:45 shows zero, then overtime")
            << L{"at 2027-06-10T14:29:15", "target 14:30", "start"}
            << L{"add -60", "clock 1000", "step"} << L{"until 14:29", "tick 0", "tick -1"} << -1
            << true << "14:29";
        QTest::newRow("plus a minute far in overtime counts from zero")
            << L{"at 2027-06-10T14:29:50", "target 14:30", "start", "clock 100000", "step"}
            << L{"add 60"} << L{"until 14:31", "tick 0"} << 0 << true << "14:31";
        QTest::newRow("paused, the value holds; resumed, it shows the truth")
            << L{"target 14:30", "start"}
            << L{"clock 1000", "step", "pause", "clock 60000", "start"}
            << L{"tick 1799", "stopped", "running", "tick 1739"} << 1739 << true << "14:30";
        QTest::newRow("reset counts to the same target from now")
            << L{"target 14:30", "start", "clock 100000", "step"} << L{"reset"}
            << L{"tick 1700", "stopped"} << 1700 << false << "14:30";
        QTest::newRow("set time leaves target mode")
            << L{"target 14:30", "start"} << L{"dur 90", "start", "clock 5000", "step"}
            << L{"no target", "tick 90", "stopped", "running", "tick 89"} << 89 << true << "";
        QTest::newRow("count up leaves target mode and rises from the value")
            << L{"target 14:30", "start"} << L{"up 1", "clock 7000", "step"}
            << L{"no target", "tick 1801"} << 1801 << true << "";
        QTest::newRow("a target while counting up counts down, stopped")
            << L{"up 1", "dur 10", "start"} << L{"target 14:30"}
            << L{"until 14:30", "tick 1800", "stopped"} << 1800 << false << "14:30";
    }

    void ticks()
    {
        QFETCH(QStringList, setup);
        QFETCH(QStringList, script);
        QFETCH(QStringList, expected);
        QFETCH(int, remaining);
        QFETCH(bool, running);
        QFETCH(QString, until);
        Rig rig;
        for (const QString& op : setup)
            rig.apply(op);
        rig.events.clear();
        for (const QString& op : script)
            rig.apply(op);
        QCOMPARE(rig.events, expected);
        QCOMPARE(rig.engine.remaining(), remaining);
        QCOMPARE(rig.engine.isRunning(), running);
        QCOMPARE(rig.engine.targetText(), until);
        QCOMPARE(rig.engine.hasTarget(), !until.isEmpty());
        if (rig.engine.hasTarget())
            QVERIFY(!rig.engine.isCountUp());
    }

    // The one run on the real clock: each value appears once the wall clock
    // has reached its second before the target, never before, and soon after.
    void realClockTicksAtTheTargetsSeconds()
    {
        TimerEngine e;
        const QDateTime target = QDateTime::currentDateTime().addMSecs(2500);
        e.setTargetMoment(target);
        QList<int> values;
        QList<qint64> msLeft;
        connect(&e, &TimerEngine::tick, this, [&](int s) {
            msLeft << QDateTime::currentDateTime().msecsTo(target);
            values << s;
        });
        e.start();
        QTRY_COMPARE_WITH_TIMEOUT(values.size(), 3, 5000);
        QCOMPARE(values, (QList<int>{2, 1, 0}));
        for (int i = 0; i < 3; ++i) {
            const qint64 late = values.at(i) * 1000 - msLeft.at(i);
            QVERIFY2(
                late >= 0 && late < 250,
                qPrintable(QStringLiteral("tick %1 came %2 ms late").arg(values.at(i)).arg(late)));
        }
    }
};

VELLMARK_TEST_MAIN(TestTargetCount)
#include "tst_targetcount.moc"
