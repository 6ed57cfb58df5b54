// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>

class QTime;

// The single source of time: one signed count of seconds, stepped once a
// second while running, negative in overtime. Every change of the count is
// reported through tick(), every start and stop through stateChanged().
//
// A count to a time of day (target mode) is not stepped but read from the
// wall clock: at every tick the value is the whole seconds from now to the
// target, rounded up, so it changes exactly when the wall clock passes a whole
// second before the target, reads 0 from the target moment on and -1 a second
// later. It cannot drift, and after the system clock is corrected or the
// machine wakes from sleep the next tick (within a second) shows the truth.
class TimerEngine : public QObject {
    Q_OBJECT

  public:
    // The wall clock the engine reads in target mode; tests and benchmarks
    // put their own in its place.
    using Clock = std::function<QDateTime()>;

    explicit TimerEngine(QObject* parent = nullptr);

    bool isRunning() const { return m_timer.isActive(); }
    int remaining() const { return m_remaining; }
    bool isCountUp() const { return m_countUp; }
    // The value reset() returns to; in target mode the seconds from the moment
    // the target was set to the target, the length of the progress bar.
    int duration() const { return m_duration; }

    // Target mode: the moment counted to (local time), invalid otherwise.
    bool hasTarget() const { return m_target.isValid(); }
    QDateTime target() const { return m_target; }
    // The target's time of day as "HH:MM" (24-hour), empty outside target mode.
    QString targetText() const;

    // An empty clock restores the system's.
    void setClock(Clock now);

  signals:
    void tick(int seconds);
    void stateChanged(bool running);
    // The target was set, moved or left (then `target` is invalid).
    void targetChanged(const QDateTime& target);

  public slots:
    void start();
    void pause();
    void reset();
    void setDuration(int secs);
    void addSeconds(int delta);
    void setCountUp(bool up);
    void setOvertimeEnabled(bool e);
    // Counts down to the next time the wall clock reads `timeOfDay` (at most a
    // day ahead), stopped, ready to start, like setDuration(). An invalid time
    // changes nothing.
    void setTarget(const QTime& timeOfDay);
    // Counts down to an exact moment; one in the past is taken as now.
    void setTargetMoment(const QDateTime& moment);

  private slots:
    // The one-second step. Tests and benchmarks reach it through the
    // meta-object system to step the engine without waiting for time to pass.
    void onTimeout();

  private:
    QDateTime now() const;
    // Target mode: the value the wall clock gives now, held at 0 once reached
    // when overtime is off.
    int valueFromClock(const QDateTime& now) const;
    // Target mode: shows what the wall clock says and, while running, arms
    // the timer for the next whole second before the target.
    void followClock();
    void scheduleFrom(const QDateTime& now);
    void leaveTarget();

    QTimer m_timer;
    int m_remaining = 300;
    int m_duration = 300;
    bool m_countUp = false;
    bool m_overtime = true;
    QDateTime m_target;
    Clock m_clock;
};
