// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QDialog>

#include <array>

struct AppSettings;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The modal editor of the shared settings record. It changes nothing while it
// is open: OK writes every control into the record, saves it and announces the
// change with settingsChanged(); Cancel, Esc and the close button discard all.
// The sound choice is not edited here; the control window owns it.
class SettingsDialog : public QDialog {
    Q_OBJECT

  public:
    SettingsDialog(AppSettings* settings, QWidget* parent);

  signals:
    // Emitted once per OK, after the record is written and saved and while
    // the dialog is still open.
    void settingsChanged();

  private slots:
    void accept() override;
    void pickColor(QColor& target, QPushButton* btn);
    void addPreset();
    void removePreset();

  private:
    QWidget* buildClockPage();
    QWidget* buildColorsPage();
    QWidget* buildFontsPage();
    QWidget* buildTimerPage();
    QWidget* buildRemotePage();
    void updateColorButton(QPushButton* btn, const QColor& color);

    AppSettings* m_settings;

    QRadioButton* m_radio24h = nullptr;
    QRadioButton* m_radio12h = nullptr;
    QCheckBox* m_showSecondsCheck = nullptr;

    // Working copies of the record's colours; only pickColor changes them.
    QColor m_bgColor;
    QColor m_timerColorNormal;
    QColor m_timerColorWarning;
    QColor m_timerColorCritical;
    QColor m_clockColor;
    QColor m_messageColor;
    std::array<QPushButton*, 6> m_colorButtons{};

    QSpinBox* m_timerFontSpin = nullptr;
    QSpinBox* m_clockFontSpin = nullptr;
    QSpinBox* m_messageFontSpin = nullptr;

    QCheckBox* m_overtimeCheck = nullptr;
    QCheckBox* m_blinkCheck = nullptr;
    QSpinBox* m_durationMinSpin = nullptr;
    QSpinBox* m_durationSecSpin = nullptr;
    QSpinBox* m_warningSpin = nullptr;
    QListWidget* m_presetEntries = nullptr;
    QSpinBox* m_presetMinSpin = nullptr;
    QSpinBox* m_presetSecSpin = nullptr;

    QCheckBox* m_remoteCheck = nullptr;
    QSpinBox* m_remotePortSpin = nullptr;
    QCheckBox* m_remoteLanCheck = nullptr;
    QLineEdit* m_tokenEdit = nullptr;
    QCheckBox* m_oscCheck = nullptr;
    QSpinBox* m_oscPortSpin = nullptr;
};
