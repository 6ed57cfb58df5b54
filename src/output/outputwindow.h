// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <QTime>
#include <QTimer>
#include <QWidget>

class QDateTime;

struct AppSettings;
class QLabel;
class QProgressBar;
class QResizeEvent;
class QShowEvent;
class ReadoutLabel;

// The audience window: the timer readout, the wall clock, the operator's
// message and a thin progress bar, top to bottom, all styled from the shared
// settings record, which this window only reads.
class OutputWindow : public QWidget {
    Q_OBJECT

  public:
    explicit OutputWindow(AppSettings* settings, QWidget* parent = nullptr);

    // 0 timer only, 1 clock only, 2 timer and clock; any other value is
    // stored but leaves both readouts as they are.
    void setViewMode(int mode);
    void showMessage(const QString& text);
    void clearMessage();
    void setTotalSeconds(int seconds);
    void setVisible(bool visible) override;

  public slots:
    void onTimerTick(int seconds);
    void refreshSettings();
    void setCountUp(bool up);
    // While counting to a time of day, "until 14:30" under the time (in the
    // clock's 12- or 24-hour form); an invalid target hides it.
    void setTarget(const QDateTime& target);

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private slots:
    void tickClock();
    void tickBlink();

  private:
    void applyViewMode();
    void updateFontSizes();
    QColor thresholdColor() const;
    void applyTimerStyle(const QColor& color, const QString& text);
    int fittedTimerPx(const QString& text);
    void updateTimerLabel();
    void updateProgress();
    QString clockText() const;
    void updateTargetLabel();

    AppSettings* m_settings;
    int m_viewMode = 2;
    int m_seconds = 300;
    int m_totalSeconds = 300;
    bool m_blinkVisible = true;
    bool m_countUp = false;
    bool m_everShown = false;
    int m_timerFontPx = 150;
    int m_clockFontPx = 80;
    int m_messageFontPx = 36;
    // The readout's size after fitting it to the window's width, kept for the
    // text length, scaled size and width it was worked out for.
    int m_fitLength = -1;
    int m_fitFontPx = -1;
    int m_fitWidth = -1;
    int m_fitPx = 0;
    ReadoutLabel* m_timerLabel = nullptr;
    ReadoutLabel* m_clockLabel = nullptr;
    QLabel* m_targetLabel = nullptr;
    QTime m_target;
    QLabel* m_messageLabel = nullptr;
    QProgressBar* m_progress = nullptr;
    QTimer m_clockTimer;
    QTimer m_blinkTimer;
};
