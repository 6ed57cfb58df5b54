// SPDX-License-Identifier: GPL-3.0-or-later
// The engine, the count's text and counting to a time of day. The program runs
// in Europe/Berlin (set by CTest), so the summer-time changes of 2027 are real.
#include "casetable.h"
#include "testsupport.h"
#include "timer/counttext.h"
#include "timer/timeofday.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <climits>
#include <functional>

namespace {

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

    // "at <time that day, or ISO date and time>", "clock <+-ms>", "target HH:MM",
    // "start", "pause", "reset", "step [n]", "add", "dur", "up", "overtime".
    void apply(const QString& op)
    {
        TimerEngine& e = engine;
        const QHash<QString, std::function<void(const QString&)>> ops = {
            {"at",
             [this](const QString& a) {
                 now = QDateTime::fromString(a.contains('T') ? a : "2027-06-10T" + a,
                                             Qt::ISODateWithMs);
             }},
            {"clock", [this](const QString& a) { now = now.addMSecs(a.toLongLong()); }},
            {"target", [&e](const QString& a) { e.setTarget(TimeOfDay::parse(a)); }},
            {"start", [&e](const QString&) { e.start(); }},
            {"pause", [&e](const QString&) { e.pause(); }},
            {"reset", [&e](const QString&) { e.reset(); }},
            {"step", [&e](const QString& a) { TestSupport::stepEngine(&e, qMax(1, a.toInt())); }},
            {"add", [&e](const QString& a) { e.addSeconds(a.toInt()); }},
            {"dur", [&e](const QString& a) { e.setDuration(a.toInt()); }},
            {"up", [&e](const QString& a) { e.setCountUp(a == QLatin1String("1")); }},
            {"overtime", [&e](const QString& a) { e.setOvertimeEnabled(a == QLatin1String("1")); }},
        };
        const auto run = ops.value(op.section(QLatin1Char(' '), 0, 0));
        QVERIFY2(run && now.isValid(), qPrintable(op));
        run(op.section(QLatin1Char(' '), 1));
    }

    QDateTime now = QDateTime(QDate(2027, 6, 10), QTime(14, 0));
    TimerEngine engine;
    QStringList events;
};

} // namespace

class TestTimerEngine : public QObject {
    Q_OBJECT

  private slots:
    // Minutes never roll into hours, overtime has a minus, no value wraps.
    void countText_data()
    {
        TestSupport::addCases("0 => 00:00\n59 => 00:59\n60 => 01:00\n3599 => 59:59\n"
                              "3600 => 60:00\n6000 => 100:00\n-1 => -00:01\n-61 => -01:01\n"
                              "-6001 => -100:01\n2147483647 => 35791394:07\n"
                              "-2147483648 => -35791394:08");
    }

    void countText()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        QCOMPARE(::countText(steps.toInt()), expected);
    }

    // "setup | script => events": the script's events, in order, then the state
    // it leaves, "= remaining/duration running|stopped [target]". A fresh
    // engine holds 300 s, counts down, overtime on, at 2027-06-10 14:00.
    void transitions_data()
    {
        TestSupport::addCases(R"(
| start, start => running, = 300/300 running
start | pause, pause => stopped, = 300/300 stopped
dur 90, add 30 | reset, start, step, add 30, reset
  => tick 120, stopped, running, tick 119, tick 149, tick 150, stopped, = 150/150 stopped
| dur 90, start, dur 80 => tick 90, running, tick 80, stopped, = 80/80 stopped
start | add 60 => tick 360, = 360/360 running
overtime 0, dur 3, start | step 3 => tick 2, tick 1, tick 0, stopped, = 0/3 stopped
dur 2, start | step 4 => tick 1, tick 0, tick -1, tick -2, = -2/2 running
overtime 0, dur 0 | start, step => running, tick -1, stopped, = -1/0 stopped
# Plus and minus a minute: the value stops at zero, the duration has its own floor.
overtime 0, dur 45, start | add -60, step => tick 0, tick -1, stopped, = -1/0 stopped
dur 100, start, step 55 | add -60, reset => tick 0, tick 40, stopped, = 40/40 stopped
dur 0, start, step 30 | add 60, reset => tick 30, tick 60, stopped, = 60/60 stopped
dur 0, start, step 90 | add 60, reset => tick 0, tick 60, stopped, = 60/60 stopped
overtime 0, dur 1, up 1, start | step 3 => tick 2, tick 3, tick 4, = 4/1 running
dur 5, up 1, start, step 2, reset, start | step => tick 6, = 6/5 running
start | up 1, overtime 0, up 0, overtime 1 => = 300/300 running
dur 1, start, step 3 | overtime 0, step => tick -3, stopped, = -3/1 stopped
dur 10, start, step | up 1, step, up 0, step => tick 10, tick 9, = 9/10 running
# Long overtime or a huge adjustment never wraps round to the other sign.
dur 2147483646, up 1, start | step 2, add 60
  => tick 2147483647, tick 2147483647, tick 2147483647, = 2147483647/2147483647 running
dur -2147483647, start | step 2
  => tick -2147483648, tick -2147483648, = -2147483648/-2147483647 running
# To a time of day ("H:MM" or "HH:MM", blanks around allowed): the next time the
# clock reads it, never more than a day ahead. Any other text changes nothing.
| target 14:30 => until 14:30, tick 1800, = 1800/1800 stopped 14:30
| target  9:05 => until 09:05, tick 68700, = 68700/68700 stopped 09:05
| target 24:00, target 12:60, target 1430, target 12:3, target ab:cd, target -1:30,
  target +1:30, target , target 12:30:00, target 123:00, target 12 :30, target ١٢:30
  => = 300/300 stopped
at 00:10 | target 23:50 => until 23:50, tick 85200, = 85200/85200 stopped 23:50
at 23:50 | target 00:10 => until 00:10, tick 1200, = 1200/1200 stopped 00:10
at 14:31 | target 14:30 => until 14:30, tick 86340, = 86340/86340 stopped 14:30
at 14:30 | target 14:30 => until 14:30, tick 86400, = 86400/86400 stopped 14:30
at 13:59:59.250 | target 14:00 => until 14:00, tick 1, = 1/1 stopped 14:00
# Over summer-time changes, worked out from UTC: 22:00 CET (21:00 UTC) to
# 04:00 CEST (02:00 UTC); 02:30 does not exist, the count ends at the jump,
# 03:00 CEST (01:00 UTC); 22:00 CEST (20:00 UTC) to 04:00 CET (03:00 UTC);
# 02:30 comes twice, the first, CEST, is 00:30 UTC.
at 2027-03-27T22:00 | target 04:00 => until 04:00, tick 18000, = 18000/18000 stopped 04:00
at 2027-03-27T22:00 | target 02:30 => until 03:00, tick 14400, = 14400/14400 stopped 03:00
at 2027-10-30T22:00 | target 04:00 => until 04:00, tick 25200, = 25200/25200 stopped 04:00
at 2027-10-30T22:00 | target 02:30 => until 02:30, tick 16200, = 16200/16200 stopped 02:30
# Set 2.6 s before: 3 until 2 s are left, then each value from its own whole
# second on; a timer firing 1 ms early changes nothing.
at 14:29:57.400, target 14:30, start
  | clock 600, step, clock 1000, step, clock 999, step, clock 1, step, clock 1000, step
  => tick 2, tick 1, tick 0, tick -1, = -1/3 running 14:30
# The clock corrected forwards past zero (zero shows on the way) or backwards;
# woken after the target with overtime off; over the spring change.
at 14:29:50, target 14:30, start | clock 20000, step => tick 0, tick -10, = -10/10 running 14:30
at 14:29:50, target 14:30, start | clock -60000, step => tick 70, = 70/10 running 14:30
overtime 0, at 14:29:50, target 14:30, start | clock 3600000, step
  => tick 0, stopped, = 0/10 stopped 14:30
at 2027-03-28T01:59:58, target 03:00, start | clock 1000, step, clock 1000, step
  => tick 1, tick 0, = 0/2 running 03:00
# Plus or minus a minute moves the target, never into the past; reset keeps it.
target 14:30, start, clock 10000, step | add 60, reset
  => until 14:31, tick 1850, tick 1850, stopped, = 1850/1860 stopped 14:31
at 14:29:15, target 14:30, start | add -60, clock 1000, step
  => until 14:29, tick 0, tick -1, = -1/0 running 14:29
at 14:29:50, target 14:30, start, clock 100000, step | add 60
  => until 14:31, tick 0, = 0/70 running 14:31
# Paused, the value holds; resumed, it shows the truth. Reset counts from now.
target 14:30, start | clock 1000, step, pause, clock 60000, start
  => tick 1799, stopped, running, tick 1739, = 1739/1800 running 14:30
target 14:30, start, clock 100000, step | reset => tick 1700, stopped, = 1700/1800 stopped 14:30
# Set time and count up leave target mode; a target ends counting up.
target 14:30, start | dur 90, start, clock 5000, step
  => no target, tick 90, stopped, running, tick 89, = 89/90 running
target 14:30, start | up 1, clock 7000, step => no target, tick 1801, = 1801/1800 running
up 1, dur 10, start | target 14:30 => until 14:30, tick 1800, stopped, = 1800/1800 stopped 14:30
)");
    }

    void transitions()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        const auto list = [](const QString& s) {
            return s.trimmed().isEmpty() ? QStringList() : s.trimmed().split(QStringLiteral(", "));
        };
        Rig rig;
        for (const QString& op : list(steps.section(QLatin1Char('|'), 0, 0)))
            rig.apply(op);
        rig.events.clear();
        for (const QString& op : list(steps.section(QLatin1Char('|'), 1)))
            rig.apply(op);
        const TimerEngine& e = rig.engine;
        rig.events << QStringLiteral("= %1/%2 %3%4")
                          .arg(e.remaining())
                          .arg(e.duration())
                          .arg(e.isRunning() ? "running" : "stopped")
                          .arg(e.hasTarget() ? ' ' + e.targetText() : QString());
        QCOMPARE(rig.events, list(expected));
        QVERIFY(!e.hasTarget() || !e.isCountUp()); // a count to a time always counts down
    }

    // On the real timer: a plain count ticks a second after start, a pause
    // dropping the part-second run; a count to a target, each value from its
    // second before the target, never before, and soon after.
    void realTimer()
    {
        TimerEngine e;
        e.setDuration(10);
        QDateTime target;
        QStringList ticks;
        connect(&e, &TimerEngine::tick, this, [&](int s) {
            // "?" marks a tick to the target early or over 250 ms late.
            const qint64 late = s * 1000 - QDateTime::currentDateTime().msecsTo(target);
            const bool timed = e.isRunning() && e.hasTarget();
            ticks << QString::number(s) + (timed && (late < 0 || late >= 250) ? "?" : "");
        });
        QElapsedTimer clock;
        e.start();
        QTest::qWait(700);
        e.pause();
        QVERIFY(ticks.isEmpty());
        clock.start();
        e.start();
        QTRY_COMPARE_WITH_TIMEOUT(ticks, QStringList{QStringLiteral("9")}, 3000);
        QVERIFY2(clock.elapsed() >= 950, qPrintable(QString::number(clock.elapsed())));

        target = QDateTime::currentDateTime().addMSecs(1500);
        e.setTargetMoment(target);
        e.start();
        QTRY_COMPARE_WITH_TIMEOUT(ticks, (QStringList{"9", "2", "1", "0"}), 5000);
    }
};

VELLMARK_TEST_MAIN(TestTimerEngine)
#include "tst_timerengine.moc"
