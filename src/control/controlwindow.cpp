// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/controlwindow.h"

#include "app/theme.h"
#include "control/placedstyle.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char* const kColorNormal = "#00cc00";
const char* const kColorWarning = "#ff8800";
const char* const kColorCritical = "#ff2200";
const char* const kPreviewStyle =
    "color:%1;font-size:48px;font-weight:bold;font-family:'%2';padding:4px 16px;";

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

// The theme's button padding and minimum sizes would blow the square gear
// button up to 66 × 42; 34 px inside its 1 px border keep it at 36 × 36.
const char* const kGearButtonStyle =
    "QPushButton { padding: 0; min-width: 34px; min-height: 34px; }";

// The adjust buttons are 30 px high. The theme's 28 px minimum content height
// would grow them to 42 px; 16 px of content inside the 6 px paddings and 1 px
// borders make exactly 30.
const char* const kSlimButtonStyle = "QPushButton { min-height: 16px; }";

// The two Set buttons match the 32 px steppers beside them.
const char* const kSetButtonStyle = "QPushButton { padding:0; min-height:0; font-size:13px; }";

constexpr int kOneMinute = 60;

QString timeEditFormat(bool clock24hr)
{
    return clock24hr ? QStringLiteral("HH:mm") : QStringLiteral("h:mm AP");
}

// A plain rule between two sections; the theme gives it its colour.
QFrame* makeSectionSeparator()
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

// A button of fixed width and/or height (0 leaves that side free) and its own
// style sheet on top of the theme, once it is in place.
QPushButton* makeSizedButton(const QString& text, QSize fixed, const char* style)
{
    auto* b = new QPushButton(text);
    if (fixed.width() > 0)
        b->setFixedWidth(fixed.width());
    if (fixed.height() > 0)
        b->setFixedHeight(fixed.height());
    styleWhenPlaced(b, QString::fromLatin1(style));
    return b;
}

// The short caption of a preset on the strip: "5 min", or "1:30" when it has
// seconds (the settings dialog's list spells them out).
QString presetStripText(int seconds)
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

    // The toggle's caption follows what the audience can actually see, however
    // the output window was shown or hidden (this toggle, a remote caller, a
    // screen that went away, its own close button): the show reports every
    // change, so this one connection is the caption's only source after the
    // first reading here.
    connect(m_show, &ShowController::outputVisibleChanged, this, &ControlWindow::showOutputVisible);
    showOutputVisible(m_show->isOutputVisible());
    // Watched for its first paint only (see afterFirstFrameWhenPainted()).
    m_output->installEventFilter(this);

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
    // reset through RESET; at start-up it would open the About card. A
    // window-wide shortcut is the one way to get there first: a key handler of
    // the window only hears keys that the focused widget has turned down, and a
    // button takes Space. A held Space repeats; only the physical press may
    // start or pause, or the audience sees the timer flicker on and off.
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    space->setAutoRepeat(false);
    connect(space, &QShortcut::activated, this, &ControlWindow::startOrPause);

    m_show->checkCue();
    onTimerTick(m_show->remaining());

    // The player normally comes up right after the first frame; should no
    // paint ever arrive (a window on a screen that is switched off), it still
    // comes up before an operator could reach zero.
    QTimer::singleShot(1000, this, &ControlWindow::afterFirstFrame);
}

void ControlWindow::buildUi()
{
    auto* central = new QWidget;
    setCentralWidget(central);
    m_column = new QVBoxLayout(central);
    m_column->setContentsMargins(12, 6, 12, 6);
    m_column->setSpacing(5);
    // No status bar: asking for one (even to hide it) builds one, and measures
    // its font.

    // The scrolling panel with every control of the show. The scroll area's
    // sheet paints it dark (kScrollStyle).
    auto* content = new QWidget;
    m_panel = new QVBoxLayout(content);
    m_panel->setContentsMargins(0, 0, 4, 0);
    m_panel->setSpacing(5);

    buildHeader();
    QScrollArea* scroll = buildPreviewAndToggle();
    buildTransport();
    buildTimeEntry();
    buildPresetStrip();
    buildViewChoice();
    buildMessage();
    buildSoundCue();
    m_panel->addStretch(0);
    // Every widget is in place, the panel too (in the scroll area's viewport,
    // where the scroll area takes it as it is): their own style sheets now,
    // from the window down, then the scroll area shows, and so polishes, the
    // panel. Each widget is polished once. A widget with its own sheet is
    // polished again at every later move into a styled parent, and when a
    // sheet is set on a widget around it afterwards.
    content->setParent(scroll->viewport());
    applyPlacedStyles(this);
    scroll->setWidget(content);
}

void ControlWindow::buildHeader()
{
    // The product title (opens About) and the settings button.
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
    styleWhenPlaced(titleBtn, QString::fromUtf8(kTitleStyle));

    auto* settingsBtn = new QPushButton(QStringLiteral("⚙"));
    settingsBtn->setObjectName(QStringLiteral("settingsBtn"));
    settingsBtn->setFixedSize(36, 36);
    settingsBtn->setToolTip(QStringLiteral("Settings"));
    styleWhenPlaced(settingsBtn, QString::fromLatin1(kGearButtonStyle));

    auto* header = new QHBoxLayout;
    header->addWidget(titleBtn);
    header->addStretch(0);
    header->addWidget(settingsBtn);
    m_column->addLayout(header);
    m_column->addWidget(makeSectionSeparator());

    connect(titleBtn, &QPushButton::clicked, this, [this] {
        AboutDialog about(this);
        about.exec();
    });
    connect(settingsBtn, &QPushButton::clicked, this, &ControlWindow::openSettings);
}

QScrollArea* ControlWindow::buildPreviewAndToggle()
{
    m_preview = new QLabel(QStringLiteral("05:00"));
    m_preview->setObjectName(QStringLiteral("timerPreview"));
    m_preview->setFixedHeight(80);
    m_preview->setAlignment(Qt::AlignCenter);
    m_column->addWidget(m_preview);

    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    styleWhenPlaced(scroll, QString::fromUtf8(kScrollStyle));
    m_column->addWidget(scroll, 1);
    m_column->addWidget(makeSectionSeparator());

    m_screenNotice = new QLabel;
    m_screenNotice->setObjectName(QStringLiteral("screenNotice"));
    m_screenNotice->setWordWrap(true);
    styleWhenPlaced(m_screenNotice, QString::fromUtf8(kNoticeStyle));
    m_screenNotice->hide();
    m_column->addWidget(m_screenNotice);

    // Its caption is set once the output window is watched (see the constructor).
    m_outputToggleBtn = new QPushButton;
    m_outputToggleBtn->setObjectName(QStringLiteral("outputToggleBtn"));
    m_outputToggleBtn->setFixedHeight(38);
    m_column->addWidget(m_outputToggleBtn);
    connect(m_outputToggleBtn, &QPushButton::clicked, this, &ControlWindow::toggleOutput);
    return scroll;
}

void ControlWindow::buildTransport()
{
    m_countdownBtn = makeCheckable(QStringLiteral("▼  Countdown"), true);
    m_countUpBtn = makeCheckable(QStringLiteral("▲  Count Up"), false);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(m_countdownBtn);
    modeRow->addWidget(m_countUpBtn);
    m_panel->addLayout(modeRow);
    m_panel->addWidget(makeSectionSeparator());

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
    m_panel->addLayout(transportRow);

    // The adjust buttons are a slimmer row under the transport.
    m_plusMinuteBtn = makeSizedButton(QStringLiteral("+1 min"), QSize(0, 30), kSlimButtonStyle);
    m_minusMinuteBtn = makeSizedButton(QStringLiteral("−1 min"), QSize(0, 30), kSlimButtonStyle);
    auto* adjustRow = new QHBoxLayout;
    adjustRow->addWidget(m_plusMinuteBtn);
    adjustRow->addWidget(m_minusMinuteBtn);
    m_panel->addLayout(adjustRow);
    m_panel->addWidget(makeSectionSeparator());

    connect(m_countdownBtn, &QPushButton::clicked, this, [this] { setCountDirection(false); });
    connect(m_countUpBtn, &QPushButton::clicked, this, [this] { setCountDirection(true); });
    connect(m_startBtn, &QPushButton::clicked, m_show, &ShowController::start);
    connect(m_pauseBtn, &QPushButton::clicked, m_show, &ShowController::pause);
    connect(m_resetBtn, &QPushButton::clicked, m_show, &ShowController::reset);
    connect(m_plusMinuteBtn, &QPushButton::clicked, this,
            [this] { m_show->addSeconds(kOneMinute); });
    connect(m_minusMinuteBtn, &QPushButton::clicked, this,
            [this] { m_show->addSeconds(-kOneMinute); });
}

void ControlWindow::buildTimeEntry()
{
    m_panel->addWidget(makeSectionHeader(QStringLiteral("Set Time")));
    m_minSpin = new QSpinBox;
    m_minSpin->setRange(0, 999);
    m_minSpin->setSuffix(QStringLiteral(" min"));
    m_minSpin->setValue(m_settings->defaultDuration / 60);
    m_secSpin = new QSpinBox;
    m_secSpin->setRange(0, 59);
    m_secSpin->setSuffix(QStringLiteral(" sec"));
    m_secSpin->setValue(m_settings->defaultDuration % 60);
    auto* setBtn = makeSizedButton(QStringLiteral("Set"), QSize(60, 32), kSetButtonStyle);
    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(makeStepper(m_minSpin));
    entryRow->addWidget(makeStepper(m_secSpin));
    entryRow->addWidget(setBtn);
    entryRow->addStretch(0);
    m_panel->addLayout(entryRow);

    // A count to a time of day, in the clock's 12- or 24-hour form.
    auto* endsAtLabel = new QLabel(QStringLiteral("Ends at"));
    m_targetEdit = new QTimeEdit;
    m_targetEdit->setDisplayFormat(timeEditFormat(m_settings->clock24hr));
    m_targetEdit->setTime(TimeOfDay::parse(m_settings->targetTime));
    m_targetEdit->setWrapping(true);
    auto* setTargetBtn = makeSizedButton(QStringLiteral("Set"), QSize(60, 32), kSetButtonStyle);
    setTargetBtn->setObjectName(QStringLiteral("setTargetBtn"));
    auto* targetRow = new QHBoxLayout;
    targetRow->addWidget(endsAtLabel);
    targetRow->addWidget(makeStepper(m_targetEdit));
    targetRow->addWidget(setTargetBtn);
    targetRow->addStretch(0);
    m_panel->addLayout(targetRow);
    m_panel->addWidget(makeSectionSeparator());

    connect(setBtn, &QPushButton::clicked, this, &ControlWindow::onSetTime);
    connect(setTargetBtn, &QPushButton::clicked, this, &ControlWindow::onSetTarget);
}

void ControlWindow::buildPresetStrip()
{
    m_panel->addWidget(makeSectionHeader(QStringLiteral("Presets  —  drag to reorder")));
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
    m_panel->addWidget(m_presetList);
    m_panel->addWidget(makeSectionSeparator());

    connect(m_presetList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { onPreset(item->data(Qt::UserRole).toInt()); });
    // Only the operator's drag reorders the strip, and the list view carries
    // out every drop inside it as a move of rows; refilling it from the record
    // (start-up, the settings dialog adding or removing presets) inserts and
    // removes rows instead, so it is never taken for a new order.
    connect(m_presetList->model(), &QAbstractItemModel::rowsMoved, this,
            &ControlWindow::savePresetOrder);
}

void ControlWindow::buildViewChoice()
{
    m_panel->addWidget(makeSectionHeader(QStringLiteral("Output View")));
    m_viewTimerBtn = makeCheckable(QStringLiteral("⏱  Timer"), false);
    m_viewClockBtn = makeCheckable(QStringLiteral("🕐  Clock"), false);
    m_viewBothBtn = makeCheckable(QStringLiteral("⊞  Both"), true);
    auto* viewRow = new QHBoxLayout;
    viewRow->addWidget(m_viewTimerBtn);
    viewRow->addWidget(m_viewClockBtn);
    viewRow->addWidget(m_viewBothBtn);
    m_panel->addLayout(viewRow);
    m_panel->addWidget(makeSectionSeparator());

    connect(m_viewTimerBtn, &QPushButton::clicked, this, [this] { onViewChanged(0); });
    connect(m_viewClockBtn, &QPushButton::clicked, this, [this] { onViewChanged(1); });
    connect(m_viewBothBtn, &QPushButton::clicked, this, [this] { onViewChanged(2); });
}

void ControlWindow::buildMessage()
{
    m_panel->addWidget(makeSectionHeader(QStringLiteral("Message Overlay")));
    m_messageEdit = new QLineEdit;
    m_messageEdit->setPlaceholderText(QStringLiteral("Enter message to push to output screen…"));
    auto* pushBtn = makeSizedButton(QStringLiteral("Push"), QSize(60, 0), kCompactButtonStyle);
    auto* clearBtn = makeSizedButton(QStringLiteral("Clear"), QSize(60, 0), kCompactButtonStyle);
    auto* messageRow = new QHBoxLayout;
    messageRow->addWidget(m_messageEdit);
    messageRow->addWidget(pushBtn);
    messageRow->addWidget(clearBtn);
    m_panel->addLayout(messageRow);
    m_panel->addWidget(makeSectionSeparator());

    connect(pushBtn, &QPushButton::clicked, this, &ControlWindow::onPushMessage);
    connect(clearBtn, &QPushButton::clicked, this, &ControlWindow::onClearMessage);
    connect(m_messageEdit, &QLineEdit::returnPressed, this, &ControlWindow::onPushMessage);
}

void ControlWindow::buildSoundCue()
{
    m_panel->addWidget(makeSectionHeader(QStringLiteral("Audio Cue at 00:00")));
    m_soundCheck = new QCheckBox(QStringLiteral("Enable sound cue"));
    m_soundCheck->setChecked(m_settings->soundEnabled);
    m_panel->addWidget(m_soundCheck);
    m_soundFileLabel = new QLabel;
    // A file name is not markup: "<b>cue</b>.wav" must read as it is named.
    m_soundFileLabel->setTextFormat(Qt::PlainText);
    m_soundFileLabel->setText(m_settings->soundFilePath.isEmpty()
                                  ? QStringLiteral("No file selected")
                                  : QFileInfo(m_settings->soundFilePath).fileName());
    styleWhenPlaced(m_soundFileLabel, QStringLiteral("color:#aaa; font-size:11px;"));
    m_soundFileLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* browseBtn = makeSizedButton(QStringLiteral("Browse…"), QSize(80, 0), kCompactButtonStyle);
    auto* testBtn = makeSizedButton(QStringLiteral("Test"), QSize(50, 0), kCompactButtonStyle);
    auto* soundRow = new QHBoxLayout;
    soundRow->addWidget(m_soundFileLabel);
    soundRow->addWidget(browseBtn);
    soundRow->addWidget(testBtn);
    m_panel->addLayout(soundRow);

    connect(browseBtn, &QPushButton::clicked, this, &ControlWindow::browseSoundFile);
    connect(testBtn, &QPushButton::clicked, m_cue, &SoundCue::play);
    connect(m_soundCheck, &QCheckBox::toggled, this, [this](bool on) {
        m_settings->soundEnabled = on;
        saveSettings(*m_settings);
    });
}

void ControlWindow::addFooter(QWidget* content)
{
    // Between the panel's closing separator and the output toggle.
    m_column->insertWidget(m_column->count() - 1, content);
    m_column->insertWidget(m_column->count() - 1, makeSectionSeparator());
    applyPlacedStyles(content);
}

void ControlWindow::addPanelSection(const QString& title, QWidget* content)
{
    // Before the closing stretch, after a separator like every section.
    const int at = m_panel->count() - 1;
    m_panel->insertWidget(at, makeSectionSeparator());
    m_panel->insertWidget(at + 1, makeSectionHeader(title));
    m_panel->insertWidget(at + 2, content);
    applyPlacedStyles(content);
}

QLabel* ControlWindow::makeSectionHeader(const QString& text)
{
    auto* label = new QLabel(text.toUpper());
    label->setObjectName(QStringLiteral("sectionHeader"));
    return label;
}

void ControlWindow::fillPresets()
{
    m_presetList->clear();
    for (int s : m_settings->presets) {
        auto* item = new QListWidgetItem(presetStripText(s));
        item->setData(Qt::UserRole, s);
        item->setTextAlignment(Qt::AlignCenter);
        m_presetList->insertItem(m_presetList->count(), item);
    }
}

void ControlWindow::savePresetOrder()
{
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

    // Counting up has no threshold.
    const CountPhase phase =
        m_show->isCountUp() ? CountPhase::Normal : countPhase(seconds, m_settings->warningThreshold);
    const char* color = phase == CountPhase::Normal    ? kColorNormal
                        : phase == CountPhase::Warning ? kColorWarning
                                                       : kColorCritical;
    m_preview->setStyleSheet(
        QString::fromLatin1(kPreviewStyle).arg(QLatin1String(color), monospaceFamily()));
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
        return;
    }
    showOutputWindow();
}

void ControlWindow::showOutputWindow()
{
    m_placement->show();
}

void ControlWindow::showOutputVisible(bool visible)
{
    m_outputToggleBtn->setText(QString::fromUtf8(visible ? kHideCaption : kShowCaption));
}

bool ControlWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_output && event->type() == QEvent::Paint && !m_outputPainted) {
        m_outputPainted = true;
        afterFirstFrameWhenPainted();
    }
    return QMainWindow::eventFilter(watched, event);
}

bool ControlWindow::event(QEvent* e)
{
    if (e->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        afterFirstFrameWhenPainted();
    }
    return QMainWindow::event(e);
}

void ControlWindow::afterFirstFrameWhenPainted()
{
    if (m_firstFrameShown || m_afterFirstFrameQueued || !m_painted
        || (!m_outputPainted && m_output->isVisible()))
        return;
    // Queued, so the paint under way reaches the screen first.
    m_afterFirstFrameQueued = true;
    QTimer::singleShot(0, this, &ControlWindow::afterFirstFrame);
}

void ControlWindow::afterFirstFrame()
{
    if (m_firstFrameShown)
        return;
    m_firstFrameShown = true;
    // The window icon and the remote listeners first: the player's media
    // stack may take a while to come up (on a first run it looks through every
    // media plug-in installed), and it still comes up long before a cue.
    emit firstFrameShown();
    prepareSoundCue();
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

void ControlWindow::startOrPause()
{
    m_show->toggle();
}

void ControlWindow::closeEvent(QCloseEvent* e)
{
    m_output->close();
    QMainWindow::closeEvent(e);
}
