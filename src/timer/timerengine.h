#pragma once

#include <QObject>
#include <QTimer>

// The single source of time: one signed count of seconds, stepped once a
// second while running, negative in overtime. Every change of the count is
// reported through tick(), every start and stop through stateChanged().
class TimerEngine : public QObject {
    Q_OBJECT

  public:
    explicit TimerEngine(QObject* parent = nullptr);

    bool isRunning() const { return m_timer.isActive(); }
    int remaining() const { return m_remaining; }
    // The count that reset() returns to.
    int duration() const { return m_duration; }
    bool isCountUp() const { return m_countUp; }

  signals:
    void tick(int seconds);
    void stateChanged(bool running);

  public slots:
    void start();
    void pause();
    void reset();
    void setDuration(int secs);
    void addSeconds(int delta);
    void setCountUp(bool up);
    void setOvertimeEnabled(bool e);

  private slots:
    // The one-second step. Tests and benchmarks reach it through the
    // meta-object system to step the engine without waiting for time to pass.
    void onTimeout();

  private:
    QTimer m_timer;
    int m_remaining = 300;
    int m_duration = 300;
    bool m_countUp = false;
    bool m_overtime = true;
};
