// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>

struct AppSettings;
class OutputPlacement;
class OutputWindow;
class QCheckBox;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTimeEdit;
class SoundCue;
class ShowController;
class TimerEngine;
class QVBoxLayout;

// The operator's window: a preview of the running time and every control of the
// show, from setting a duration to pushing a message onto the output window.
class ControlWindow : public QMainWindow {
    Q_OBJECT

  public:
    // Drives the show through `show`, which must outlive the window.
    ControlWindow(AppSettings* settings, TimerEngine* engine, OutputWindow* output,
                  ShowController* show, QWidget* parent = nullptr);
    // The same with a show controller of its own.
    ControlWindow(AppSettings* settings, TimerEngine* engine, OutputWindow* output,
                  QWidget* parent = nullptr);

    ShowController* showController() const { return m_show; }

    // Adds a strip under the scrolling panel, always in view (the remote
    // control's status and its last commands).
    void addFooter(QWidget* content);
    // Adds a section at the end of the scrolling panel, under a heading like
    // the others (the live view's address).
    void addPanelSection(const QString& title, QWidget* content);

    // Shows the output window full-screen on the first screen that is not this
    // window's, or as an 800 × 500 window when there is no other screen; from
    // then on it follows screens that come and go until the operator hides it.
    void showOutputWindow();

    // Creates the cue's player and loads the chosen sound file, once. The
    // media stack takes longer to come up than both windows together, and the
    // first frame has no use for it, so the window asks for this itself just
    // after both windows have been painted (or a second after it was built,
    // whichever comes first); a cue, a Test press or a new file arriving before
    // then asks for it at once.
    void prepareSoundCue();

  signals:
    // Both windows have been painted once (or a second has passed since this
    // window was built without a paint): the moment to bring up what the first
    // frame has no use for, such as the cue's player and the remote listeners.
    // Sent once.
    void firstFrameShown();

  protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* e) override;

  private slots:
    void onTimerTick(int seconds);
    void onStateChanged(bool running);
    void onSetTime();
    void onSetTarget();
    void onCountModeChanged(bool countUp);
    void onViewChanged(int v);
    void onPushMessage();
    void onClearMessage();
    void onPreset(int seconds);
    void onSettingsChanged();
    void openSettings();
    void toggleOutput();
    void browseSoundFile();

  private:
    void buildUi();
    void buildHeader();
    QScrollArea* buildPreviewAndToggle();
    void buildTransport();
    void buildTimeEntry();
    void buildPresetStrip();
    void buildViewChoice();
    void buildMessage();
    void buildSoundCue();
    static QLabel* makeSectionHeader(const QString& text);
    void fillPresets();
    void savePresetOrder();
    void setCountDirection(bool countUp);
    void showCountDirection(bool countUp);
    void showViewMode(int v);
    void showMessageText(const QString& text);
    void showDuration(int seconds);
    void followPresets();
    void showOutputVisible(bool visible);
    void startOrPause();
    void afterFirstFrameWhenPainted();
    void afterFirstFrame();

    AppSettings* m_settings;
    TimerEngine* m_engine;
    OutputWindow* m_output;
    OutputPlacement* m_placement = nullptr;
    ShowController* m_show;
    QLabel* m_preview = nullptr;
    QSpinBox* m_minSpin = nullptr;
    QSpinBox* m_secSpin = nullptr;
    QTimeEdit* m_targetEdit = nullptr;
    QPushButton* m_startBtn = nullptr;
    QPushButton* m_pauseBtn = nullptr;
    QPushButton* m_resetBtn = nullptr;
    QPushButton* m_plusMinuteBtn = nullptr;
    QPushButton* m_minusMinuteBtn = nullptr;
    QPushButton* m_countdownBtn = nullptr;
    QPushButton* m_countUpBtn = nullptr;
    QListWidget* m_presetList = nullptr;
    QPushButton* m_viewTimerBtn = nullptr;
    QPushButton* m_viewClockBtn = nullptr;
    QPushButton* m_viewBothBtn = nullptr;
    QLineEdit* m_messageEdit = nullptr;
    QPushButton* m_outputToggleBtn = nullptr;
    // Says what became of the output when its screen went away.
    QLabel* m_screenNotice = nullptr;
    SoundCue* m_cue = nullptr;
    QLabel* m_soundFileLabel = nullptr;
    QCheckBox* m_soundCheck = nullptr;
    bool m_cuePlayed = false;
    bool m_painted = false;
    bool m_outputPainted = false;
    bool m_afterFirstFrameQueued = false;
    bool m_firstFrameShown = false;
    QVBoxLayout* m_column = nullptr;
    QVBoxLayout* m_panel = nullptr;
};
