// SPDX-License-Identifier: GPL-3.0-or-later
#include "timer/timerengine.h"

#include "timer/timeofday.h"

#include <algorithm>
#include <limits>

namespace {

// Adds without wrapping: an int overflow would flip the display from the
// largest value to the most negative one (and is undefined behaviour).
int saturatingAdd(int a, int b)
{
    const long long sum = static_cast<long long>(a) + b;
    if (sum > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (sum < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(sum);
}

// Whole seconds in `ms`, rounded up: 1 to 1000 ms are 1 s, 0 to -999 ms are
// 0 s, -1000 ms are -1 s. A count to a target therefore shows 1 during the
// target's last second, 0 from the target moment on, and each value from the
// wall-clock moment it stands for.
int secondsRoundedUp(qint64 ms)
{
    const qint64 s = ms > 0 ? (ms + 999) / 1000 : -(-ms / 1000);
    return static_cast<int>(
        std::clamp<qint64>(s, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

TimerEngine::TimerEngine(QObject* parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &TimerEngine::onTimeout);
}

void TimerEngine::start()
{
    if (m_timer.isActive())
        return;
    // A count to a target is re-armed for each whole second before the target,
    // so its timer must keep to the millisecond; the plain count keeps the
    // toolkit's default, coarse timer.
    m_timer.setTimerType(hasTarget() ? Qt::PreciseTimer : Qt::CoarseTimer);
    m_timer.start(1000);
    emit stateChanged(true);
    if (hasTarget())
        followClock(); // the time that passed while stopped shows at once
}

void TimerEngine::pause()
{
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    emit stateChanged(false);
}

void TimerEngine::reset()
{
    m_timer.stop();
    m_remaining = hasTarget() ? valueFromClock(now()) : m_duration;
    emit tick(m_remaining);
    emit stateChanged(false);
}

void TimerEngine::setDuration(int secs)
{
    const bool wasRunning = m_timer.isActive();
    m_timer.stop();
    leaveTarget();
    m_remaining = secs;
    m_duration = secs;
    emit tick(secs);
    if (wasRunning)
        emit stateChanged(false);
}

void TimerEngine::addSeconds(int delta)
{
    if (hasTarget()) {
        // The target moves; like the plain count's floor at zero, it never
        // moves into the past, so a minus minute at 00:45 shows 00:00.
        const QDateTime t = now();
        m_target = std::max(m_target.addSecs(delta), t);
        m_duration = std::max(0, saturatingAdd(m_duration, delta));
        emit targetChanged(m_target);
        m_remaining = valueFromClock(t);
        emit tick(m_remaining);
        scheduleFrom(t);
        return;
    }
    m_remaining = saturatingAdd(m_remaining, delta);
    if (m_remaining < 0)
        m_remaining = 0;
    m_duration = saturatingAdd(m_duration, delta);
    if (m_duration < 0)
        m_duration = 0;
    emit tick(m_remaining);
}

void TimerEngine::setCountUp(bool up)
{
    m_countUp = up;
    if (!up || !hasTarget())
        return;
    // Counting up from the time left: a plain count from here on, stepped
    // a second from now.
    leaveTarget();
    if (m_timer.isActive()) {
        m_timer.stop();
        m_timer.setTimerType(Qt::CoarseTimer);
        m_timer.start(1000);
    }
}

void TimerEngine::setOvertimeEnabled(bool e)
{
    m_overtime = e;
}

void TimerEngine::setTarget(const QTime& timeOfDay)
{
    if (timeOfDay.isValid())
        setTargetMoment(TimeOfDay::nextOccurrence(timeOfDay, now()));
}

void TimerEngine::setTargetMoment(const QDateTime& moment)
{
    if (!moment.isValid())
        return;
    const QDateTime t = now();
    const bool wasRunning = m_timer.isActive();
    m_timer.stop();
    m_countUp = false;
    m_target = std::max(moment, t).toLocalTime();
    m_duration = secondsRoundedUp(t.msecsTo(m_target));
    m_remaining = m_duration;
    emit targetChanged(m_target);
    emit tick(m_remaining);
    if (wasRunning)
        emit stateChanged(false);
}

QString TimerEngine::targetText() const
{
    return hasTarget() ? TimeOfDay::text(m_target.time()) : QString();
}

void TimerEngine::setClock(Clock now)
{
    m_clock = std::move(now);
}

QDateTime TimerEngine::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

int TimerEngine::valueFromClock(const QDateTime& now) const
{
    const int v = secondsRoundedUp(now.msecsTo(m_target));
    return m_overtime ? v : std::max(v, 0);
}

void TimerEngine::followClock()
{
    const QDateTime t = now();
    const int v = valueFromClock(t);
    if (v != m_remaining) {
        // A count that jumps past zero (the clock corrected, the machine woken
        // from sleep) still shows 0 on its way, so the zero cue sounds and the
        // blinking begins as on any count-down.
        if (m_remaining > 0 && v < 0) {
            m_remaining = 0;
            emit tick(0);
            if (!hasTarget())
                return; // a listener left target mode
        }
        m_remaining = v;
        emit tick(v);
    }
    scheduleFrom(t);
}

void TimerEngine::scheduleFrom(const QDateTime& now)
{
    // Listeners of tick may have paused the engine or left target mode.
    if (!m_timer.isActive() || !hasTarget())
        return;
    if (m_remaining <= 0 && !m_overtime) {
        m_timer.stop();
        emit stateChanged(false);
        return;
    }
    // The value drops by one when the time to the target falls to
    // (value - 1) seconds. A timer that fires a little early finds the value
    // unchanged and is armed again for the rest.
    const qint64 untilChange = now.msecsTo(m_target) - (qint64(m_remaining) - 1) * 1000;
    m_timer.start(static_cast<int>(std::clamp<qint64>(untilChange, 1, 1000)));
}

void TimerEngine::leaveTarget()
{
    if (!hasTarget())
        return;
    m_target = QDateTime();
    emit targetChanged(m_target);
}

void TimerEngine::onTimeout()
{
    if (hasTarget()) {
        followClock();
        return;
    }
    m_remaining = saturatingAdd(m_remaining, m_countUp ? 1 : -1);
    emit tick(m_remaining);
    if (m_countUp)
        return;
    if (m_remaining > 0)
        return;
    if (m_overtime)
        return;
    m_timer.stop();
    emit stateChanged(false);
}
