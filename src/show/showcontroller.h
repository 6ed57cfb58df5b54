// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QTime;

struct AppSettings;
class OutputWindow;
class TimerEngine;

// The show's operations in one place: every input (the control window's
// buttons, the keyboard, the remote interface) calls this object, and every
// change of what the show is doing is announced from here, so each view of the
// show follows whoever made the change.
//
// It drives the engine and the output window directly. Showing and hiding the
// output window is only requested (outputShowRequested(), outputHideRequested()):
// where the window goes is the control window's business.
class ShowController : public QObject {
    Q_OBJECT

  public:
    enum ViewMode { TimerView = 0, ClockView = 1, BothView = 2 };

    // settings, engine and output must outlive this object.
    ShowController(AppSettings* settings, TimerEngine* engine, OutputWindow* output,
                   QObject* parent = nullptr);

    const AppSettings& settings() const { return *m_settings; }
    bool isRunning() const;
    int remaining() const;
    int duration() const;
    // The time of day counted to as "HH:MM", empty when counting a duration.
    QString targetText() const;
    bool isCountUp() const;
    int viewMode() const { return m_viewMode; }
    QString message() const { return m_message; }
    bool isOutputVisible() const;
    QList<int> presets() const;

    // Emits cueDue() when the count stands at zero and the cue is armed. The
    // control window asks once it listens, so a show that opens at zero cues.
    void checkCue();

  public slots:
    void start();
    void pause();
    void toggle();
    void reset();
    // A new duration: the count stops there, the output's progress scale
    // follows, and the cue is armed again.
    void setDuration(int seconds);
    void addSeconds(int delta);
    // Counts down to the next time the wall clock reads `timeOfDay` (hours and
    // minutes), as setDuration() does for a duration: stopped, counting down,
    // the progress scale from now to the target, the cue armed. The time of day
    // is kept in the settings for the next run.
    void setTarget(const QTime& timeOfDay);
    void setCountUp(bool up);
    // 0 timer, 1 clock, 2 both; other values are ignored.
    void setViewMode(int mode);
    // Shows the text trimmed on the output; false (and nothing changes) when
    // nothing is left after trimming.
    bool pushMessage(const QString& text);
    void clearMessage();
    // The preset at `row` of the strip (0-based); false when there is none.
    bool choosePreset(int row);
    // A preset's seconds become the duration, as setDuration() does.
    void applyPreset(int seconds);
    // The strip's new order, kept in the settings and saved.
    void setPresetOrder(const QList<int>& order);
    void showOutput();
    void hideOutput();
    // The settings record was edited: the engine and the output follow it.
    void applySettings();

  signals:
    // Any change of the show's state, each tick included.
    void changed();
    void ticked(int seconds);
    void runningChanged(bool running);
    // A duration was set (Set, a preset or a remote caller); not sent for
    // minutes added or taken.
    void durationSet(int seconds);
    void countUpChanged(bool up);
    void viewModeChanged(int mode);
    // The text on the output; empty when cleared.
    void messageChanged(const QString& text);
    void presetsChanged();
    void settingsApplied();
    void outputShowRequested();
    void outputHideRequested();
    // The output window was shown or hidden, by a request or by the window
    // system (its own close button); `visible` is how it is now.
    void outputVisibleChanged(bool visible);
    // A count to a time of day was set, moved or left ("HH:MM", or empty).
    void targetChanged(const QString& text);
    // The count reached zero with the cue armed and a cue to play.
    void cueDue();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void onTick(int seconds);
    void onStateChanged(bool running);

    AppSettings* m_settings;
    TimerEngine* m_engine;
    OutputWindow* m_output;
    int m_viewMode = BothView;
    QString m_message;
    // The zero cue plays once; stopping, Set and a preset arm it again.
    bool m_cueArmed = true;
};
