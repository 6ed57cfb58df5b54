// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/controlwindow.h"

#include "app/theme.h"
#include "control/soundcue.h"
#include "control/stepper.h"
#include "output/outputplacement.h"
#include "output/outputwindow.h"
#include "settings/appsettings.h"
#include "settings/settingsdialog.h"
#include "show/showcontroller.h"
#include "timer/counttext.h"
#include "timer/timeofday.h"
#include "timer/timerengine.h"
#include "update/aboutdialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char* const kColorNormal = "#00cc00";
const char* const kColorWarning = "#ff8800";
const char* const kColorCritical = "#ff2200";
const char* const kPreviewStyle =
    "color:%1;font-size:48px;font-weight:bold;font-family:monospace;padding:4px 16px;";

const char* const kShowCaption = "▶  Show Output Window";
const char* const kHideCaption = "■  Hide Output Window";
const char* const kNoticeStyle = "QLabel#screenNotice { background:#4a3000; color:#ffcc66; "
                                 "border:1px solid #ff8800; border-radius:4px; padding:6px 8px; "
                                 "font-weight:bold; }";

const char* const kTitleStyle =
    "QPushButton#appTitle { background:none; border:none; color:#e8e8e8;  font-size:18px; "
    "font-weight:bold; letter-spacing:2px; padding:0; text-align:left; }"
    "QPushButton#appTitle:hover { color:#4ade80; }";

const char* const kScrollStyle =
    "QScrollArea { background-color: #1c1c1c; border: none; }"
    "QScrollArea > QWidget > QWidget { background-color: #1c1c1c; }"
    "QScrollBar:vertical { background: #1c1c1c; width: 6px; border: none; }"
    "QScrollBar::handle:vertical { background: #444; border-radius: 3px; min-height: 20px; }"
    "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }";

// For the buttons of fixed width: the theme's 14 px side padding would clip
// their captions ("Clear", "Browse…").
const char* const kCompactButtonStyle = "QPushButton { padding-left: 0; padding-right: 0; }";

constexpr int kOneMinute = 60;

QString timeEditFormat(bool clock24hr)
{
    return clock24hr ? QStringLiteral("HH:mm") : QStringLiteral("h:mm AP");
}

QFrame* makeSeparator()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    return line;
}

QPushButton* makeCheckable(const QString& text, bool checked)
{
    auto* b = new QPushButton(text);
    b->setCheckable(true);
    b->setChecked(checked);
    return b;
}

QString presetText(int seconds)
{
    const int m = seconds / 60;
    const int r = seconds % 60;
    if (r > 0)
        return QStringLiteral("%1:%2").arg(m).arg(r, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 min").arg(m);
}

} // namespace

ControlWindow::ControlWindow(AppSettings* settings, TimerEngine* engine, OutputWindow* output,
                             QWidget* parent)
    : ControlWindow(settings, engine, output, new ShowController(settings, engine, output), parent)
{
    m_show->setParent(this);
}

ControlWindow::ControlWindow(AppSettings* settings, TimerEngine* engine, OutputWindow* output,
                             ShowController* show, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_engine(engine), m_output(output), m_show(show)
{
    setWindowTitle(QStringLiteral("Vellmark — Control"));
    setMinimumSize(480, 420);
    applyTheme();

    m_cue = new SoundCue(this);
    m_cue->setFile(m_settings->soundFilePath);

    buildUi();

    // The window shows the show as it is, whoever changed it: these buttons,
    // the keyboard or a remote caller.
    connect(m_show, &ShowController::ticked, this, &ControlWindow::onTimerTick);
    connect(m_show, &ShowController::runningChanged, this, &ControlWindow::onStateChanged);
    connect(m_show, &ShowController::durationSet, this, &ControlWindow::showDuration);
    connect(m_show, &ShowController::countUpChanged, this, &ControlWindow::showCountDirection);
    connect(m_show, &ShowController::viewModeChanged, this, &ControlWindow::showViewMode);
    connect(m_show, &ShowController::messageChanged, this, &ControlWindow::showMessageText);
    connect(m_show, &ShowController::presetsChanged, this, &ControlWindow::followPresets);
    connect(m_show, &ShowController::outputShowRequested, this, &ControlWindow::showOutputWindow);
    connect(m_show, &ShowController::outputHideRequested, m_output, &QWidget::hide);
    connect(m_show, &ShowController::cueDue, m_cue, &SoundCue::play);
    connect(m_show, &ShowController::targetChanged, this, [this](const QString& text) {
        const QTime t = TimeOfDay::parse(text);
        if (t.isValid())
            m_targetEdit->setTime(t);
    });

    // The toggle caption follows what the audience can actually see, however the
    // output window was shown or hidden (its own close button included).
    m_output->installEventFilter(this);
    updateToggleCaption();

    // Screens that come and go mid-show move or hide the output; the operator
    // reads why above the toggle.
    m_placement = new OutputPlacement(m_output, this, this);
    connect(m_placement, &OutputPlacement::noticeChanged, this, [this](const QString& text) {
        m_screenNotice->setText(text);
        m_screenNotice->setVisible(!text.isEmpty());
    });

    // Space starts and pauses wherever the focus sits in this window, except
    // while typing (the message and number fields take it as text). Left to a
    // focused button it would press that button instead: after a click on
    // START the next Space would pause through PAUSE, and the one after that
    // reset through RESET; at start-up it would open the About card.
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    space->setAutoRepeat(false);
    connect(space, &QShortcut::activated, this, &ControlWindow::startOrPause);

    m_show->checkCue();
    onTimerTick(m_show->remaining());

    // The player normally comes up right after the first frame; should no
    // paint ever arrive (a window on a screen that is switched off), it still
    // comes up before an operator could reach zero.
    QTimer::singleShot(1000, this, &ControlWindow::prepareSoundCue);
}

void ControlWindow::buildUi()
{
    auto* central = new QWidget;
    setCentralWidget(central);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(12, 6, 12, 6);
    column->setSpacing(5);

    // Header: the product title (opens About) and the settings button.
    auto* titleBtn = new QPushButton(QStringLiteral("  VELLMARK"));
    titleBtn->setObjectName(QStringLiteral("appTitle"));
    // The logo as drawn at this size, not the 646 px original scaled down on
    // the first paint.
    QIcon logo;
    for (int size : {28, 56})
        logo.addFile(QStringLiteral(":/assets/icons/vellmark-logo-%1.png").arg(size),
                     QSize(size, size));
    titleBtn->setIcon(logo);
    titleBtn->setIconSize(QSize(28, 28));
    titleBtn->setStyleSheet(QString::fromUtf8(kTitleStyle));

    auto* settingsBtn = new QPushButton(QStringLiteral("⚙"));
    settingsBtn->setObjectName(QStringLiteral("settingsBtn"));
    settingsBtn->setFixedSize(36, 36);
    settingsBtn->setToolTip(QStringLiteral("Settings"));
    // The theme's button padding and minimum sizes would blow the square gear
    // button up to 66 × 42; 34 px inside its 1 px border keep it at 36 × 36.
    settingsBtn->setStyleSheet(
        QStringLiteral("QPushButton { padding: 0; min-width: 34px; min-height: 34px; }"));

    auto* header = new QHBoxLayout;
    header->addWidget(titleBtn);
    header->addStretch(0);
    header->addWidget(settingsBtn);
    column->addLayout(header);
    column->addWidget(makeSeparator());

    m_preview = new QLabel(QStringLiteral("05:00"));
    m_preview->setObjectName(QStringLiteral("timerPreview"));
    m_preview->setFixedHeight(80);
    m_preview->setAlignment(Qt::AlignCenter);
    column->addWidget(m_preview);

    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setStyleSheet(QString::fromUtf8(kScrollStyle));
    column->addWidget(scroll, 1);
    column->addWidget(makeSeparator());
    m_column = column;

    m_screenNotice = new QLabel;
    m_screenNotice->setObjectName(QStringLiteral("screenNotice"));
    m_screenNotice->setWordWrap(true);
    m_screenNotice->setStyleSheet(QString::fromUtf8(kNoticeStyle));
    m_screenNotice->hide();
    column->addWidget(m_screenNotice);

    m_outputToggleBtn = new QPushButton(QString::fromUtf8(kShowCaption));
    m_outputToggleBtn->setObjectName(QStringLiteral("outputToggleBtn"));
    m_outputToggleBtn->setFixedHeight(38);
    column->addWidget(m_outputToggleBtn);

    statusBar()->hide();

    // The scrolling panel with every control of the show.
    auto* content = new QWidget;
    // ".QWidget" paints this plain panel dark without reaching into its
    // children: a bare declaration would also flatten every button of the panel
    // to the page colour, hiding the green, amber and red fills and the checked
    // state that the theme gives them.
    content->setStyleSheet(QStringLiteral(".QWidget { background-color: #1c1c1c; }"));
    auto* panel = new QVBoxLayout(content);
    panel->setContentsMargins(0, 0, 4, 0);
    panel->setSpacing(5);

    m_countdownBtn = makeCheckable(QStringLiteral("▼  Countdown"), true);
    m_countUpBtn = makeCheckable(QStringLiteral("▲  Count Up"), false);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(m_countdownBtn);
    modeRow->addWidget(m_countUpBtn);
    panel->addLayout(modeRow);
    panel->addWidget(makeSeparator());

    m_startBtn = new QPushButton(QStringLiteral("▶  START"));
    m_startBtn->setObjectName(QStringLiteral("startBtn"));
    m_pauseBtn = new QPushButton(QStringLiteral("⏸  PAUSE"));
    m_pauseBtn->setObjectName(QStringLiteral("pauseBtn"));
    m_resetBtn = new QPushButton(QStringLiteral("↺  RESET"));
    m_resetBtn->setObjectName(QStringLiteral("resetBtn"));
    auto* transportRow = new QHBoxLayout;
    transportRow->addWidget(m_startBtn);
    transportRow->addWidget(m_pauseBtn);
    transportRow->addWidget(m_resetBtn);
    panel->addLayout(transportRow);

    // The adjust buttons are a slimmer row under the transport, 30 px high. The
    // theme's 28 px minimum content height would grow them to 42 px; 16 px of
    // content inside the 6 px paddings and 1 px borders make exactly 30.
    const QString slimStyle = QStringLiteral("QPushButton { min-height: 16px; }");
    m_plusMinuteBtn = new QPushButton(QStringLiteral("+1 min"));
    m_plusMinuteBtn->setFixedHeight(30);
    m_plusMinuteBtn->setStyleSheet(slimStyle);
    m_minusMinuteBtn = new QPushButton(QStringLiteral("−1 min"));
    m_minusMinuteBtn->setFixedHeight(30);
    m_minusMinuteBtn->setStyleSheet(slimStyle);
    auto* adjustRow = new QHBoxLayout;
    adjustRow->addWidget(m_plusMinuteBtn);
    adjustRow->addWidget(m_minusMinuteBtn);
    panel->addLayout(adjustRow);
    panel->addWidget(makeSeparator());

    panel->addWidget(makeSectionHeader(QStringLiteral("Set Time")));
    m_minSpin = new QSpinBox;
    m_minSpin->setRange(0, 999);
    m_minSpin->setSuffix(QStringLiteral(" min"));
    m_minSpin->setValue(m_settings->defaultDuration / 60);
    m_secSpin = new QSpinBox;
    m_secSpin->setRange(0, 59);
    m_secSpin->setSuffix(QStringLiteral(" sec"));
    m_secSpin->setValue(m_settings->defaultDuration % 60);
    const QString setStyle =
        QStringLiteral("QPushButton { padding:0; min-height:0; font-size:13px; }");
    auto* setBtn = new QPushButton(QStringLiteral("Set"));
    setBtn->setFixedSize(60, 32);
    setBtn->setStyleSheet(setStyle);
    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(makeStepper(m_minSpin));
    entryRow->addWidget(makeStepper(m_secSpin));
    entryRow->addWidget(setBtn);
    entryRow->addStretch(0);
    panel->addLayout(entryRow);

    // A count to a time of day, in the clock's 12- or 24-hour form.
    auto* endsAtLabel = new QLabel(QStringLiteral("Ends at"));
    m_targetEdit = new QTimeEdit;
    m_targetEdit->setDisplayFormat(timeEditFormat(m_settings->clock24hr));
    m_targetEdit->setTime(TimeOfDay::parse(m_settings->targetTime));
    m_targetEdit->setWrapping(true);
    auto* setTargetBtn = new QPushButton(QStringLiteral("Set"));
    setTargetBtn->setObjectName(QStringLiteral("setTargetBtn"));
    setTargetBtn->setFixedSize(60, 32);
    setTargetBtn->setStyleSheet(setStyle);
    auto* targetRow = new QHBoxLayout;
    targetRow->addWidget(endsAtLabel);
    targetRow->addWidget(makeStepper(m_targetEdit));
    targetRow->addWidget(setTargetBtn);
    targetRow->addStretch(0);
    panel->addLayout(targetRow);
    panel->addWidget(makeSeparator());

    panel->addWidget(makeSectionHeader(QStringLiteral("Presets  —  drag to reorder")));
    m_presetList = new QListWidget;
    m_presetList->setObjectName(QStringLiteral("presetList"));
    m_presetList->setFixedHeight(38);
    m_presetList->setFlow(QListView::LeftToRight);
    m_presetList->setWrapping(false);
    m_presetList->setDragDropMode(QAbstractItemView::InternalMove);
    m_presetList->setDefaultDropAction(Qt::MoveAction);
    m_presetList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_presetList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_presetList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_presetList->setSpacing(3);
    fillPresets();
    panel->addWidget(m_presetList);
    panel->addWidget(makeSeparator());

    panel->addWidget(makeSectionHeader(QStringLiteral("Output View")));
    m_viewTimerBtn = makeCheckable(QStringLiteral("⏱  Timer"), false);
    m_viewClockBtn = makeCheckable(QStringLiteral("🕐  Clock"), false);
    m_viewBothBtn = makeCheckable(QStringLiteral("⊞  Both"), true);
    auto* viewRow = new QHBoxLayout;
    viewRow->addWidget(m_viewTimerBtn);
    viewRow->addWidget(m_viewClockBtn);
    viewRow->addWidget(m_viewBothBtn);
    panel->addLayout(viewRow);
    panel->addWidget(makeSeparator());

    panel->addWidget(makeSectionHeader(QStringLiteral("Message Overlay")));
    m_messageEdit = new QLineEdit;
    m_messageEdit->setPlaceholderText(QStringLiteral("Enter message to push to output screen…"));
    auto* pushBtn = new QPushButton(QStringLiteral("Push"));
    pushBtn->setFixedWidth(60);
    pushBtn->setStyleSheet(QString::fromLatin1(kCompactButtonStyle));
    auto* clearBtn = new QPushButton(QStringLiteral("Clear"));
    clearBtn->setFixedWidth(60);
    clearBtn->setStyleSheet(QString::fromLatin1(kCompactButtonStyle));
    auto* messageRow = new QHBoxLayout;
    messageRow->addWidget(m_messageEdit);
    messageRow->addWidget(pushBtn);
    messageRow->addWidget(clearBtn);
    panel->addLayout(messageRow);
    panel->addWidget(makeSeparator());

    panel->addWidget(makeSectionHeader(QStringLiteral("Audio Cue at 00:00")));
    m_soundCheck = new QCheckBox(QStringLiteral("Enable sound cue"));
    m_soundCheck->setChecked(m_settings->soundEnabled);
    panel->addWidget(m_soundCheck);
    m_soundFileLabel = new QLabel;
    // A file name is not markup: "<b>cue</b>.wav" must read as it is named.
    m_soundFileLabel->setTextFormat(Qt::PlainText);
    m_soundFileLabel->setText(m_settings->soundFilePath.isEmpty()
                                  ? QStringLiteral("No file selected")
                                  : QFileInfo(m_settings->soundFilePath).fileName());
    m_soundFileLabel->setStyleSheet(QStringLiteral("color:#aaa; font-size:11px;"));
    m_soundFileLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* browseBtn = new QPushButton(QStringLiteral("Browse…"));
    browseBtn->setFixedWidth(80);
    browseBtn->setStyleSheet(QString::fromLatin1(kCompactButtonStyle));
    auto* testBtn = new QPushButton(QStringLiteral("Test"));
    testBtn->setFixedWidth(50);
    testBtn->setStyleSheet(QString::fromLatin1(kCompactButtonStyle));
    auto* soundRow = new QHBoxLayout;
    soundRow->addWidget(m_soundFileLabel);
    soundRow->addWidget(browseBtn);
    soundRow->addWidget(testBtn);
    panel->addLayout(soundRow);
    panel->addStretch(0);
    m_panel = panel;

    scroll->setWidget(content);

    // Connections.
    connect(titleBtn, &QPushButton::clicked, this, [this] {
        AboutDialog about(this);
        about.exec();
    });
    connect(settingsBtn, &QPushButton::clicked, this, &ControlWindow::openSettings);
    connect(m_countdownBtn, &QPushButton::clicked, this, [this] { setCountDirection(false); });
    connect(m_countUpBtn, &QPushButton::clicked, this, [this] { setCountDirection(true); });
    connect(m_startBtn, &QPushButton::clicked, m_show, &ShowController::start);
    connect(m_pauseBtn, &QPushButton::clicked, m_show, &ShowController::pause);
    connect(m_resetBtn, &QPushButton::clicked, m_show, &ShowController::reset);
    connect(m_plusMinuteBtn, &QPushButton::clicked, this,
            [this] { m_show->addSeconds(kOneMinute); });
    connect(m_minusMinuteBtn, &QPushButton::clicked, this,
            [this] { m_show->addSeconds(-kOneMinute); });
    connect(setBtn, &QPushButton::clicked, this, &ControlWindow::onSetTime);
    connect(setTargetBtn, &QPushButton::clicked, this, &ControlWindow::onSetTarget);
    connect(m_presetList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { onPreset(item->data(Qt::UserRole).toInt()); });
    // A drag inside the strip may reach the model as a move, or as an insert
    // and a remove, depending on the path the toolkit takes; every one of them
    // ends with the strip in its new order, which is saved at once.
    QAbstractItemModel* presetModel = m_presetList->model();
    connect(presetModel, &QAbstractItemModel::rowsMoved, this, &ControlWindow::savePresetOrder);
    connect(presetModel, &QAbstractItemModel::rowsInserted, this, &ControlWindow::savePresetOrder);
    connect(presetModel, &QAbstractItemModel::rowsRemoved, this, &ControlWindow::savePresetOrder);
    connect(presetModel, &QAbstractItemModel::layoutChanged, this, &ControlWindow::savePresetOrder);
    connect(m_viewTimerBtn, &QPushButton::clicked, this, [this] { onViewChanged(0); });
    connect(m_viewClockBtn, &QPushButton::clicked, this, [this] { onViewChanged(1); });
    connect(m_viewBothBtn, &QPushButton::clicked, this, [this] { onViewChanged(2); });
    connect(pushBtn, &QPushButton::clicked, this, &ControlWindow::onPushMessage);
    connect(clearBtn, &QPushButton::clicked, this, &ControlWindow::onClearMessage);
    connect(m_messageEdit, &QLineEdit::returnPressed, this, &ControlWindow::onPushMessage);
    connect(browseBtn, &QPushButton::clicked, this, &ControlWindow::browseSoundFile);
    connect(testBtn, &QPushButton::clicked, m_cue, &SoundCue::play);
    connect(m_soundCheck, &QCheckBox::toggled, this, [this](bool on) {
        m_settings->soundEnabled = on;
        saveSettings(*m_settings);
    });
    connect(m_outputToggleBtn, &QPushButton::clicked, this, &ControlWindow::toggleOutput);
}

void ControlWindow::addFooter(QWidget* content)
{
    // Between the panel's closing separator and the output toggle.
    m_column->insertWidget(m_column->count() - 1, content);
    m_column->insertWidget(m_column->count() - 1, makeSeparator());
}

void ControlWindow::addPanelSection(const QString& title, QWidget* content)
{
    // Before the closing stretch, after a separator like every section.
    const int at = m_panel->count() - 1;
    m_panel->insertWidget(at, makeSeparator());
    m_panel->insertWidget(at + 1, makeSectionHeader(title));
    m_panel->insertWidget(at + 2, content);
}

QLabel* ControlWindow::makeSectionHeader(const QString& text)
{
    auto* label = new QLabel(text.toUpper());
    label->setObjectName(QStringLiteral("sectionHeader"));
    return label;
}

void ControlWindow::fillPresets()
{
    m_fillingPresets = true;
    m_presetList->clear();
    for (int s : m_settings->presets) {
        auto* item = new QListWidgetItem(presetText(s));
        item->setData(Qt::UserRole, s);
        item->setTextAlignment(Qt::AlignCenter);
        m_presetList->insertItem(m_presetList->count(), item);
    }
    m_fillingPresets = false;
}

void ControlWindow::savePresetOrder()
{
    // Between the insert and the remove of a two-step move the strip holds one
    // preset too many (or too few); only a complete strip is an order to keep.
    if (m_fillingPresets || m_presetList->count() != m_settings->presets.size())
        return;
    QList<int> order;
    order.reserve(m_presetList->count());
    for (int row = 0; row < m_presetList->count(); ++row)
        order.append(m_presetList->item(row)->data(Qt::UserRole).toInt());
    m_show->setPresetOrder(order);
}

void ControlWindow::followPresets()
{
    // The strip's own reorder reaches here too, in the middle of a drag: a
    // strip already in the record's order is left alone.
    QList<int> shown;
    for (int row = 0; row < m_presetList->count(); ++row)
        shown.append(m_presetList->item(row)->data(Qt::UserRole).toInt());
    if (shown != m_settings->presets)
        fillPresets();
}

void ControlWindow::onTimerTick(int seconds)
{
    m_preview->setText(countText(seconds));

    const char* color = kColorCritical;
    if (m_show->isCountUp() || seconds > m_settings->warningThreshold)
        color = kColorNormal;
    else if (seconds > 0)
        color = kColorWarning;
    m_preview->setStyleSheet(QString::fromLatin1(kPreviewStyle).arg(QLatin1String(color)));
}

void ControlWindow::onStateChanged(bool running)
{
    m_startBtn->setEnabled(!running);
    m_pauseBtn->setEnabled(running);
}

void ControlWindow::onSetTime()
{
    m_show->setDuration(m_minSpin->value() * 60 + m_secSpin->value());
}

void ControlWindow::showDuration(int seconds)
{
    // The spin boxes clamp what they cannot hold (a preset above 999 min).
    m_minSpin->setValue(seconds / 60);
    m_secSpin->setValue(seconds % 60);
}

void ControlWindow::onSetTarget()
{
    m_show->setTarget(m_targetEdit->time());
}

void ControlWindow::setCountDirection(bool countUp)
{
    m_show->setCountUp(countUp);
    // The click toggled the button; a press on the checked one keeps it checked.
    showCountDirection(m_show->isCountUp());
}

void ControlWindow::showCountDirection(bool countUp)
{
    m_countdownBtn->setChecked(!countUp);
    m_countUpBtn->setChecked(countUp);
}

void ControlWindow::onCountModeChanged(bool countUp)
{
    m_show->setCountUp(countUp);
}

void ControlWindow::onViewChanged(int v)
{
    m_show->setViewMode(v);
    // A view the output does not know leaves the output as it is and the trio
    // with nothing checked.
    showViewMode(v);
}

void ControlWindow::showViewMode(int v)
{
    m_viewTimerBtn->setChecked(v == 0);
    m_viewClockBtn->setChecked(v == 1);
    m_viewBothBtn->setChecked(v == 2);
}

void ControlWindow::onPushMessage()
{
    m_show->pushMessage(m_messageEdit->text());
}

void ControlWindow::onClearMessage()
{
    m_show->clearMessage();
    m_messageEdit->clear();
}

void ControlWindow::showMessageText(const QString& text)
{
    // The operator's own text stays as typed; a message from elsewhere is
    // put into the field, so the next Push does not bring back an old one.
    if (m_messageEdit->text().trimmed() != text)
        m_messageEdit->setText(text);
}

void ControlWindow::onPreset(int seconds)
{
    m_show->applyPreset(seconds);
}

void ControlWindow::onSettingsChanged()
{
    // A new default duration only fills the entry; the running count and the
    // engine's duration stay until the operator sets a time.
    fillPresets();
    m_minSpin->setValue(m_settings->defaultDuration / 60);
    m_secSpin->setValue(m_settings->defaultDuration % 60);
    m_targetEdit->setDisplayFormat(timeEditFormat(m_settings->clock24hr));
    m_show->applySettings();
}

void ControlWindow::openSettings()
{
    // A new dialog for every opening; it reports an accepted edit through
    // settingsChanged() while still open and is gone when this returns.
    SettingsDialog dialog(m_settings, this);
    connect(&dialog, &SettingsDialog::settingsChanged, this, &ControlWindow::onSettingsChanged);
    dialog.exec();
}

void ControlWindow::toggleOutput()
{
    if (m_output->isVisible()) {
        m_placement->hide();
        updateToggleCaption();
        return;
    }
    showOutputWindow();
}

void ControlWindow::showOutputWindow()
{
    m_placement->show();
    updateToggleCaption();
}

void ControlWindow::updateToggleCaption()
{
    m_outputToggleBtn->setText(
        QString::fromUtf8(m_output->isVisible() ? kHideCaption : kShowCaption));
}

bool ControlWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_output && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        updateToggleCaption();
    if (watched == m_output && event->type() == QEvent::Paint && !m_outputPainted) {
        m_outputPainted = true;
        prepareSoundCueWhenPainted();
    }
    return QMainWindow::eventFilter(watched, event);
}

bool ControlWindow::event(QEvent* e)
{
    if (e->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        prepareSoundCueWhenPainted();
    }
    return QMainWindow::event(e);
}

void ControlWindow::prepareSoundCueWhenPainted()
{
    if (m_cue->isPrepared() || m_cuePrepareQueued || !m_painted || (!m_outputPainted && m_output->isVisible()))
        return;
    // Queued, so the paint under way reaches the screen first.
    m_cuePrepareQueued = true;
    QTimer::singleShot(0, this, &ControlWindow::prepareSoundCue);
}

void ControlWindow::prepareSoundCue()
{
    m_cue->prepare();
}

void ControlWindow::browseSoundFile()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Select Sound File"), QString(),
        QStringLiteral("Audio Files (*.wav *.mp3 *.ogg *.flac *.aac);;All Files (*)"));
    if (path.isEmpty())
        return;
    m_settings->soundFilePath = path;
    saveSettings(*m_settings);
    m_soundFileLabel->setText(QFileInfo(path).fileName());
    m_cue->setFile(path);
    prepareSoundCue();
}

void ControlWindow::keyPressEvent(QKeyEvent* e)
{
    if (e->key() != Qt::Key_Space) {
        QMainWindow::keyPressEvent(e);
        return;
    }
    // A held Space repeats; only the physical press may start or pause, or
    // the audience sees the timer flicker on and off.
    if (!e->isAutoRepeat())
        startOrPause();
    e->accept();
}

void ControlWindow::startOrPause()
{
    m_show->toggle();
}

void ControlWindow::closeEvent(QCloseEvent* e)
{
    m_output->close();
    QMainWindow::closeEvent(e);
}
