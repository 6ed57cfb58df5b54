#include "timer/timerengine.h"

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

} // namespace

TimerEngine::TimerEngine(QObject* parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &TimerEngine::onTimeout);
}

void TimerEngine::start()
{
    if (m_timer.isActive())
        return;
    m_timer.start(1000);
    emit stateChanged(true);
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
    m_remaining = m_duration;
    emit tick(m_remaining);
    emit stateChanged(false);
}

void TimerEngine::setDuration(int secs)
{
    const bool wasRunning = m_timer.isActive();
    m_timer.stop();
    m_remaining = secs;
    m_duration = secs;
    emit tick(secs);
    if (wasRunning)
        emit stateChanged(false);
}

void TimerEngine::addSeconds(int delta)
{
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
}

void TimerEngine::setOvertimeEnabled(bool e)
{
    m_overtime = e;
}

void TimerEngine::onTimeout()
{
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
