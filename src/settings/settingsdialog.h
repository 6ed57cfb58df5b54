// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QDialog>

#include <array>
#include <utility>
#include <vector>

struct AppSettings;
class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
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
    void addPreset();
    void removePreset();

  private:
    QWidget* buildClockPage();
    QWidget* buildColorsPage();
    QWidget* buildFontsPage();
    QWidget* buildTimerPage();
    QWidget* buildRemotePage();
    // A check box or a spin box showing one field; OK writes it back. A spin
    // box gets the bounds that loading clamps the field to.
    QCheckBox* boundCheck(const QString& text, bool AppSettings::*field);
    QSpinBox* boundSpin(int AppSettings::*field);
    void pickColor(std::size_t row);
    void updateColorButton(QPushButton* btn, const QColor& color);

    AppSettings* m_settings;
    std::vector<std::pair<QAbstractButton*, bool AppSettings::*>> m_boundChecks;
    std::vector<std::pair<QSpinBox*, int AppSettings::*>> m_boundSpins;

    // Working copies of the record's colours, a row each; only pickColor
    // changes them.
    std::array<QColor, 6> m_colors;
    std::array<QPushButton*, 6> m_colorButtons{};

    QSpinBox* m_durationMinSpin = nullptr;
    QSpinBox* m_durationSecSpin = nullptr;
    QListWidget* m_presetEntries = nullptr;
    QSpinBox* m_presetMinSpin = nullptr;
    QSpinBox* m_presetSecSpin = nullptr;
    QLineEdit* m_tokenEdit = nullptr;
};
