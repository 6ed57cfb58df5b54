// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingsdialog.h"

#include "control/stepper.h"
#include "settings/appsettings.h"
#include "update/updater.h"

#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// The dark theme styles check boxes but not radio buttons, whose unchecked ring
// the platform style draws dark grey on dark grey. Drawn like the check boxes,
// both choices of the clock format are visible.
const char* const kRadioStyle =
    "QRadioButton::indicator { width: 14px; height: 14px; border: 1px solid #555; "
    "border-radius: 8px; background: #2b2b2b; }"
    "QRadioButton::indicator:checked { background: #1a6633; border-color: #2a9c4a; }";

// The theme's button padding and minimum height would make the 80 x 26 colour
// buttons taller than set and clip their caption, so they drop both.
constexpr int kPresetListMinHeight = 76;

const char* const kColorButtonFit = "padding:0px;min-height:0px;";

QLabel* makeSectionLabel(const QString& text)
{
    auto* label = new QLabel(text.toUpper());
    label->setStyleSheet(
        QStringLiteral("color:#888;font-size:10px;font-weight:bold;letter-spacing:1px;"));
    return label;
}

QFrame* makeSeparator()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setStyleSheet(QStringLiteral("color:#3a3a3a;"));
    return line;
}

QString presetText(int seconds)
{
    const int minutes = seconds / 60;
    const int rest = seconds - 60 * minutes;
    if (rest > 0)
        return QStringLiteral("%1 min %2 sec").arg(minutes).arg(rest);
    return QStringLiteral("%1 min").arg(minutes);
}

QListWidgetItem* makePresetItem(int seconds)
{
    auto* item = new QListWidgetItem(presetText(seconds));
    item->setData(Qt::UserRole, seconds);
    return item;
}

} // namespace

SettingsDialog::SettingsDialog(AppSettings* settings, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    setWindowTitle(QStringLiteral("Settings"));
    setMinimumWidth(420);

    m_bgColor = m_settings->bgColor;
    m_timerColorNormal = m_settings->timerColorNormal;
    m_timerColorWarning = m_settings->timerColorWarning;
    m_timerColorCritical = m_settings->timerColorCritical;
    m_clockColor = m_settings->clockColor;
    m_messageColor = m_settings->messageColor;

    auto* tabs = new QTabWidget;
    tabs->addTab(buildClockPage(), QStringLiteral("Clock"));
    tabs->addTab(buildColorsPage(), QStringLiteral("Colors"));
    tabs->addTab(buildFontsPage(), QStringLiteral("Fonts"));
    tabs->addTab(buildTimerPage(), QStringLiteral("Timer"));
    tabs->addTab(buildRemotePage(), QStringLiteral("Remote"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);

    auto* updateBtn = new QPushButton(QStringLiteral("Check for Updates"));
    updateBtn->setStyleSheet(QStringLiteral("color:#aaa; font-size:11px;"));
    // Each press starts its own reported check. The updater has no parent and
    // deletes itself when done, so a check outlives the dialog.
    connect(updateBtn, &QPushButton::clicked, this, &Updater::startReportedCheck);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    layout->addWidget(updateBtn, 0, Qt::AlignLeft);
}

QWidget* SettingsDialog::buildClockPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(12);

    m_radio24h = new QRadioButton(QStringLiteral("24-hour  (14:30)"));
    m_radio24h->setChecked(m_settings->clock24hr);
    m_radio12h = new QRadioButton(QStringLiteral("12-hour  (2:30 PM)"));
    m_radio12h->setChecked(!m_settings->clock24hr);
    for (QRadioButton* radio : {m_radio24h, m_radio12h})
        radio->setStyleSheet(QLatin1String(kRadioStyle));
    m_showSecondsCheck = new QCheckBox(QStringLiteral("Show seconds on output"));
    m_showSecondsCheck->setChecked(m_settings->clockShowSeconds);

    // Both radio buttons end up children of the page, which makes them one
    // exclusive choice without a button group.
    layout->addWidget(makeSectionLabel(QStringLiteral("Format")));
    layout->addWidget(m_radio24h);
    layout->addWidget(m_radio12h);
    layout->addWidget(makeSeparator());
    layout->addWidget(makeSectionLabel(QStringLiteral("Seconds")));
    layout->addWidget(m_showSecondsCheck);
    layout->addStretch(0);
    return page;
}

QWidget* SettingsDialog::buildColorsPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->setSpacing(10);

    struct Row {
        const char* label;
        QColor* color;
    };
    const std::array<Row, 6> rows{{
        {"Background", &m_bgColor},
        {"Timer — normal", &m_timerColorNormal},
        {"Timer — warning", &m_timerColorWarning},
        {"Timer — critical", &m_timerColorCritical},
        {"Clock", &m_clockColor},
        {"Message", &m_messageColor},
    }};

    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto* btn = new QPushButton;
        btn->setFixedSize(80, 26);
        QColor& target = *rows[i].color;
        updateColorButton(btn, target);
        connect(btn, &QPushButton::clicked, this, [this, &target, btn] { pickColor(target, btn); });
        m_colorButtons[i] = btn;
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        form->addRow(QString::fromUtf8(rows[i].label), m_colorButtons[i]);
    return page;
}

QWidget* SettingsDialog::buildFontsPage()
{
    using namespace SettingsLimits;
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->setSpacing(10);
    // A stepper stretched across the page reads as a slider; keep it compact.
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);

    m_timerFontSpin = new QSpinBox;
    m_clockFontSpin = new QSpinBox;
    m_messageFontSpin = new QSpinBox;
    m_timerFontSpin->setRange(kTimerFontMin, kTimerFontMax);
    m_clockFontSpin->setRange(kClockFontMin, kClockFontMax);
    m_messageFontSpin->setRange(kMessageFontMin, kMessageFontMax);
    m_timerFontSpin->setValue(m_settings->timerFontSize);
    m_clockFontSpin->setValue(m_settings->clockFontSize);
    m_messageFontSpin->setValue(m_settings->messageFontSize);
    for (QSpinBox* spin : {m_timerFontSpin, m_clockFontSpin, m_messageFontSpin})
        spin->setSuffix(QStringLiteral(" px"));

    form->addRow(QStringLiteral("Timer font size"), makeStepper(m_timerFontSpin));
    form->addRow(QStringLiteral("Clock font size"), makeStepper(m_clockFontSpin));
    form->addRow(QStringLiteral("Message font size"), makeStepper(m_messageFontSpin));
    return page;
}

QWidget* SettingsDialog::buildTimerPage()
{
    using namespace SettingsLimits;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(10);

    m_overtimeCheck =
        new QCheckBox(QStringLiteral("Overtime — continue counting in red past zero"));
    m_overtimeCheck->setChecked(m_settings->overtimeEnabled);
    m_blinkCheck = new QCheckBox(QStringLiteral("Blink effect at zero"));
    m_blinkCheck->setChecked(m_settings->blinkEnabled);
    layout->addWidget(makeSectionLabel(QStringLiteral("Behaviour")));
    layout->addWidget(m_overtimeCheck);
    layout->addWidget(m_blinkCheck);
    layout->addWidget(makeSeparator());

    // Each spin box gets its range before its value, so a value from the
    // record that lies outside the range shows clamped.
    const int duration = m_settings->defaultDuration;
    m_durationMinSpin = new QSpinBox;
    m_durationMinSpin->setRange(0, kDurationMax / 60);
    m_durationMinSpin->setSuffix(QStringLiteral(" min"));
    m_durationMinSpin->setValue(duration / 60);
    m_durationSecSpin = new QSpinBox;
    m_durationSecSpin->setRange(0, 59);
    m_durationSecSpin->setSuffix(QStringLiteral(" sec"));
    m_durationSecSpin->setValue(duration - 60 * (duration / 60));
    auto* durationRow = new QHBoxLayout;
    durationRow->addWidget(makeStepper(m_durationMinSpin));
    durationRow->addWidget(makeStepper(m_durationSecSpin));
    durationRow->addStretch(0);
    layout->addWidget(makeSectionLabel(QStringLiteral("Default duration")));
    layout->addLayout(durationRow);
    layout->addWidget(makeSeparator());

    m_warningSpin = new QSpinBox;
    m_warningSpin->setRange(kWarningMin, kWarningMax);
    m_warningSpin->setSuffix(QStringLiteral(" sec"));
    m_warningSpin->setValue(m_settings->warningThreshold);
    layout->addWidget(makeSectionLabel(QStringLiteral("Warning threshold")));
    // Alone in the page layout, but left-aligned like the other steppers
    // rather than stretched across the page.
    layout->addWidget(makeStepper(m_warningSpin), 0, Qt::AlignLeft);
    layout->addWidget(makeSeparator());

    m_presetEntries = new QListWidget;
    m_presetEntries->setMaximumHeight(120);
    // The dialog is tallest on this page; on screens up to about 900 px high
    // it opens at its minimum height, which would leave the list less than
    // three rows. Four whole rows stay visible.
    m_presetEntries->setMinimumHeight(kPresetListMinHeight);
    m_presetEntries->setDragDropMode(QAbstractItemView::InternalMove);
    m_presetEntries->setDefaultDropAction(Qt::MoveAction);
    for (int seconds : m_settings->presets)
        m_presetEntries->insertItem(m_presetEntries->count(), makePresetItem(seconds));

    m_presetMinSpin = new QSpinBox;
    m_presetMinSpin->setRange(0, kDurationMax / 60);
    m_presetMinSpin->setSuffix(QStringLiteral(" min"));
    m_presetMinSpin->setValue(5);
    m_presetSecSpin = new QSpinBox;
    m_presetSecSpin->setRange(0, 59);
    m_presetSecSpin->setSuffix(QStringLiteral(" sec"));
    m_presetSecSpin->setValue(0);
    auto* addBtn = new QPushButton(QStringLiteral("Add"));
    auto* removeBtn = new QPushButton(QStringLiteral("Remove"));
    connect(addBtn, &QPushButton::clicked, this, &SettingsDialog::addPreset);
    connect(removeBtn, &QPushButton::clicked, this, &SettingsDialog::removePreset);
    auto* presetRow = new QHBoxLayout;
    presetRow->addWidget(makeStepper(m_presetMinSpin));
    presetRow->addWidget(makeStepper(m_presetSecSpin));
    presetRow->addWidget(addBtn);
    presetRow->addWidget(removeBtn);
    presetRow->addStretch(0);

    layout->addWidget(makeSectionLabel(QStringLiteral("Presets")));
    layout->addWidget(m_presetEntries);
    layout->addLayout(presetRow);
    layout->addStretch(0);
    return page;
}

QWidget* SettingsDialog::buildRemotePage()
{
    using namespace SettingsLimits;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(10);

    m_remoteCheck = new QCheckBox(QStringLiteral("Remote control over HTTP and WebSocket"));
    m_remoteCheck->setChecked(m_settings->remoteEnabled);
    m_remotePortSpin = new QSpinBox;
    m_remotePortSpin->setRange(kPortMin, kPortMax);
    m_remotePortSpin->setValue(m_settings->remotePort);
    m_remoteLanCheck =
        new QCheckBox(QStringLiteral("Allow other computers on the network (OSC too)"));
    m_remoteLanCheck->setChecked(m_settings->remoteAllowLan);
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(new QLabel(QStringLiteral("TCP port")));
    portRow->addWidget(makeStepper(m_remotePortSpin));
    portRow->addStretch(0);
    layout->addWidget(makeSectionLabel(QStringLiteral("HTTP and WebSocket")));
    layout->addWidget(m_remoteCheck);
    layout->addLayout(portRow);
    layout->addWidget(m_remoteLanCheck);
    layout->addWidget(makeSeparator());

    // The token is shown so it can be typed into a controller; a new one
    // takes effect with OK, and every controller then needs it.
    // A record without a token (it is made at start-up) gets one here, so OK
    // can never store an empty token that no command could match.
    m_tokenEdit = new QLineEdit(m_settings->remoteToken.isEmpty() ? makeRemoteToken()
                                                                  : m_settings->remoteToken);
    m_tokenEdit->setReadOnly(true);
    m_tokenEdit->setObjectName(QStringLiteral("remoteToken"));
    m_tokenEdit->setStyleSheet(QStringLiteral("font-family:monospace;"));
    auto* copyBtn = new QPushButton(QStringLiteral("Copy"));
    auto* newBtn = new QPushButton(QStringLiteral("New Token"));
    connect(copyBtn, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_tokenEdit->text()); });
    connect(newBtn, &QPushButton::clicked, this,
            [this] { m_tokenEdit->setText(makeRemoteToken()); });
    auto* tokenRow = new QHBoxLayout;
    tokenRow->addWidget(m_tokenEdit, 1);
    tokenRow->addWidget(copyBtn);
    tokenRow->addWidget(newBtn);
    layout->addWidget(makeSectionLabel(QStringLiteral("Token (every command needs it)")));
    layout->addLayout(tokenRow);
    layout->addWidget(makeSeparator());

    m_oscCheck = new QCheckBox(QStringLiteral("OSC over UDP (no token)"));
    m_oscCheck->setChecked(m_settings->oscEnabled);
    m_oscPortSpin = new QSpinBox;
    m_oscPortSpin->setRange(kPortMin, kPortMax);
    m_oscPortSpin->setValue(m_settings->oscPort);
    auto* oscRow = new QHBoxLayout;
    oscRow->addWidget(new QLabel(QStringLiteral("UDP port")));
    oscRow->addWidget(makeStepper(m_oscPortSpin));
    oscRow->addStretch(0);
    layout->addWidget(makeSectionLabel(QStringLiteral("OSC")));
    layout->addWidget(m_oscCheck);
    layout->addLayout(oscRow);
    layout->addStretch(0);
    return page;
}

void SettingsDialog::updateColorButton(QPushButton* btn, const QColor& color)
{
    const int luma = 299 * color.red() + 587 * color.green() + 114 * color.blue();
    const QString caption = luma >= 129000 ? QStringLiteral("#000000") : QStringLiteral("#ffffff");
    btn->setStyleSheet(
        QStringLiteral("background-color:%1;color:%2;border:1px solid #555;border-radius:3px;")
            .arg(color.name(), caption) +
        QLatin1String(kColorButtonFit));
    btn->setText(color.name().toUpper());
}

void SettingsDialog::pickColor(QColor& target, QPushButton* btn)
{
    const QColor picked = QColorDialog::getColor(target, this, QStringLiteral("Pick colour"));
    if (!picked.isValid())
        return;
    target = picked;
    updateColorButton(btn, target);
}

void SettingsDialog::addPreset()
{
    const int total = m_presetMinSpin->value() * 60 + m_presetSecSpin->value();
    if (total == 0)
        return;
    m_presetEntries->insertItem(m_presetEntries->count(), makePresetItem(total));
}

void SettingsDialog::removePreset()
{
    QListWidgetItem* item = m_presetEntries->currentItem();
    if (!item)
        return;
    delete item;
}

void SettingsDialog::accept()
{
    AppSettings& s = *m_settings;
    s.clock24hr = m_radio24h->isChecked();
    s.clockShowSeconds = m_showSecondsCheck->isChecked();
    s.bgColor = m_bgColor;
    s.timerColorNormal = m_timerColorNormal;
    s.timerColorWarning = m_timerColorWarning;
    s.timerColorCritical = m_timerColorCritical;
    s.clockColor = m_clockColor;
    s.messageColor = m_messageColor;
    s.timerFontSize = m_timerFontSpin->value();
    s.clockFontSize = m_clockFontSpin->value();
    s.messageFontSize = m_messageFontSpin->value();
    s.overtimeEnabled = m_overtimeCheck->isChecked();
    s.blinkEnabled = m_blinkCheck->isChecked();
    s.defaultDuration = m_durationMinSpin->value() * 60 + m_durationSecSpin->value();
    s.warningThreshold = m_warningSpin->value();
    s.remoteEnabled = m_remoteCheck->isChecked();
    s.remotePort = m_remotePortSpin->value();
    s.remoteAllowLan = m_remoteLanCheck->isChecked();
    s.remoteToken = m_tokenEdit->text();
    s.oscEnabled = m_oscCheck->isChecked();
    s.oscPort = m_oscPortSpin->value();

    s.presets.clear();
    for (int row = 0; row < m_presetEntries->count(); ++row)
        s.presets.append(m_presetEntries->item(row)->data(Qt::UserRole).toInt());

    saveSettings(s);
    emit settingsChanged();
    QDialog::accept();
}
