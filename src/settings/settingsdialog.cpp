// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingsdialog.h"

#include "control/placedstyle.h"
#include "control/stepper.h"
#include "remote/networkparts.h"
#include "settings/appsettings.h"

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

// The dialog is tallest on the Timer page; on screens up to about 900 px high
// it opens at its minimum height, which would leave the preset list less than
// three rows. Four whole rows stay visible.
constexpr int kPresetListMinHeight = 76;

// The theme's button padding and minimum height would make the 80 x 26 colour
// buttons taller than set and clip their caption, so they drop both.
const char* const kColorButtonFit = "padding:0px;min-height:0px;";

// The colour buttons, top to bottom, and the field each one edits.
struct ColorRow {
    const char* label;
    QColor AppSettings::*field;
};
const std::array<ColorRow, 6> kColorRows{{
    {"Background", &AppSettings::bgColor},
    {"Timer — normal", &AppSettings::timerColorNormal},
    {"Timer — warning", &AppSettings::timerColorWarning},
    {"Timer — critical", &AppSettings::timerColorCritical},
    {"Clock", &AppSettings::clockColor},
    {"Message", &AppSettings::messageColor},
}};

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

    for (std::size_t i = 0; i < kColorRows.size(); ++i)
        m_colors[i] = m_settings->*kColorRows[i].field;

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
    connect(updateBtn, &QPushButton::clicked, this, [this] { startReportedUpdateCheck(this); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    layout->addWidget(updateBtn, 0, Qt::AlignLeft);
    // The number steppers' own look, now that they are in place.
    applyPlacedStyles(this);
}

QWidget* SettingsDialog::buildClockPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(12);

    auto* radio24h = new QRadioButton(QStringLiteral("24-hour  (14:30)"));
    radio24h->setChecked(m_settings->clock24hr);
    m_boundChecks.emplace_back(radio24h, &AppSettings::clock24hr);
    auto* radio12h = new QRadioButton(QStringLiteral("12-hour  (2:30 PM)"));
    radio12h->setChecked(!m_settings->clock24hr);
    for (QRadioButton* radio : {radio24h, radio12h})
        radio->setStyleSheet(QLatin1String(kRadioStyle));

    // Both radio buttons end up children of the page, which makes them one
    // exclusive choice without a button group.
    layout->addWidget(makeSectionLabel(QStringLiteral("Format")));
    layout->addWidget(radio24h);
    layout->addWidget(radio12h);
    layout->addWidget(makeSeparator());
    layout->addWidget(makeSectionLabel(QStringLiteral("Seconds")));
    layout->addWidget(
        boundCheck(QStringLiteral("Show seconds on output"), &AppSettings::clockShowSeconds));
    layout->addStretch(0);
    return page;
}

QWidget* SettingsDialog::buildColorsPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->setSpacing(10);

    for (std::size_t i = 0; i < kColorRows.size(); ++i) {
        auto* btn = new QPushButton;
        btn->setFixedSize(80, 26);
        updateColorButton(btn, m_colors[i]);
        connect(btn, &QPushButton::clicked, this, [this, i] { pickColor(i); });
        m_colorButtons[i] = btn;
        form->addRow(QString::fromUtf8(kColorRows[i].label), btn);
    }
    return page;
}

QWidget* SettingsDialog::buildFontsPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->setSpacing(10);
    // A stepper stretched across the page reads as a slider; keep it compact.
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);

    const std::pair<const char*, int AppSettings::*> rows[] = {
        {"Timer font size", &AppSettings::timerFontSize},
        {"Clock font size", &AppSettings::clockFontSize},
        {"Message font size", &AppSettings::messageFontSize},
    };
    for (const auto& [label, field] : rows) {
        QSpinBox* spin = boundSpin(field);
        spin->setSuffix(QStringLiteral(" px"));
        form->addRow(QString::fromLatin1(label), makeStepper(spin));
    }
    return page;
}

QWidget* SettingsDialog::buildTimerPage()
{
    using namespace SettingsLimits;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(10);

    layout->addWidget(makeSectionLabel(QStringLiteral("Behaviour")));
    layout->addWidget(boundCheck(QStringLiteral("Overtime — continue counting in red past zero"),
                                 &AppSettings::overtimeEnabled));
    layout->addWidget(
        boundCheck(QStringLiteral("Blink effect at zero"), &AppSettings::blinkEnabled));
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

    QSpinBox* warningSpin = boundSpin(&AppSettings::warningThreshold);
    warningSpin->setSuffix(QStringLiteral(" sec"));
    layout->addWidget(makeSectionLabel(QStringLiteral("Warning threshold")));
    // Alone in the page layout, but left-aligned like the other steppers
    // rather than stretched across the page.
    layout->addWidget(makeStepper(warningSpin), 0, Qt::AlignLeft);
    layout->addWidget(makeSeparator());

    m_presetEntries = new QListWidget;
    m_presetEntries->setMaximumHeight(120);
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
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(10);

    layout->addWidget(makeSectionLabel(QStringLiteral("HTTP and WebSocket")));
    layout->addWidget(boundCheck(QStringLiteral("Remote control over HTTP and WebSocket"),
                                 &AppSettings::remoteEnabled));
    auto* portRow = new QHBoxLayout;
    layout->addLayout(portRow);
    portRow->addWidget(new QLabel(QStringLiteral("TCP port")));
    portRow->addWidget(makeStepper(boundSpin(&AppSettings::remotePort)));
    portRow->addStretch(0);
    layout->addWidget(boundCheck(QStringLiteral("Allow other computers on the network (OSC too)"),
                                 &AppSettings::remoteAllowLan));
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

    layout->addWidget(makeSectionLabel(QStringLiteral("OSC")));
    layout->addWidget(
        boundCheck(QStringLiteral("OSC over UDP (no token)"), &AppSettings::oscEnabled));
    auto* oscRow = new QHBoxLayout;
    layout->addLayout(oscRow);
    oscRow->addWidget(new QLabel(QStringLiteral("UDP port")));
    oscRow->addWidget(makeStepper(boundSpin(&AppSettings::oscPort)));
    oscRow->addStretch(0);
    layout->addStretch(0);
    return page;
}

QCheckBox* SettingsDialog::boundCheck(const QString& text, bool AppSettings::*field)
{
    auto* check = new QCheckBox(text);
    check->setChecked(m_settings->*field);
    m_boundChecks.emplace_back(check, field);
    return check;
}

QSpinBox* SettingsDialog::boundSpin(int AppSettings::*field)
{
    auto* spin = new QSpinBox;
    const SettingField* row = settingField(field);
    spin->setRange(row->lo, row->hi);
    // The range is set first, so a value outside it shows clamped.
    spin->setValue(m_settings->*field);
    m_boundSpins.emplace_back(spin, field);
    return spin;
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

void SettingsDialog::pickColor(std::size_t row)
{
    const QColor picked =
        QColorDialog::getColor(m_colors[row], this, QStringLiteral("Pick colour"));
    if (!picked.isValid())
        return;
    m_colors[row] = picked;
    updateColorButton(m_colorButtons[row], picked);
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
    for (const auto& [check, field] : m_boundChecks)
        s.*field = check->isChecked();
    for (const auto& [spin, field] : m_boundSpins)
        s.*field = spin->value();
    for (std::size_t i = 0; i < kColorRows.size(); ++i)
        s.*kColorRows[i].field = m_colors[i];
    s.defaultDuration = m_durationMinSpin->value() * 60 + m_durationSecSpin->value();
    s.remoteToken = m_tokenEdit->text();

    s.presets.clear();
    for (int row = 0; row < m_presetEntries->count(); ++row)
        s.presets.append(m_presetEntries->item(row)->data(Qt::UserRole).toInt());

    saveSettings(s);
    emit settingsChanged();
    QDialog::accept();
}
