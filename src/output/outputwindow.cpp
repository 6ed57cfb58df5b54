// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/outputwindow.h"

#include "app/theme.h"
#include "output/readoutlabel.h"
#include "settings/appsettings.h"
#include "timer/counttext.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QTime>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QString kReadoutStyle = QStringLiteral(
    "color:%1;font-size:%2px;font-weight:bold;font-family:'%3';background-color:transparent;");
const QString kMessageStyle =
    QStringLiteral("color:%1;font-size:%2px;background-color:transparent;");
const QString kProgressStyle =
    QStringLiteral("QProgressBar { background-color:#1a1a1a; border:none; border-radius:4px; }"
                   "QProgressBar::chunk { background-color:%1; border-radius:4px; }");

// Rounds halves away from zero and keeps the result within lo..hi, so that no
// value, however large or odd, turns into an out-of-range int.
int roundWithin(double v, int lo, int hi)
{
    if (!(v > lo)) // also catches NaN
        return lo;
    if (v >= hi)
        return hi;
    return std::min(hi, std::max(lo, static_cast<int>(std::round(v))));
}

// Setting a style sheet makes Qt parse it and re-polish the widget, even when
// the text is the one already in force; most ticks change neither colour nor
// size, so an unchanged sheet is not set again.
void setStyleSheetIfChanged(QWidget* w, const QString& sheet)
{
    if (w->styleSheet() != sheet)
        w->setStyleSheet(sheet);
}

// Font sizes in the settings are the pixel sizes for a window this high.
constexpr double kDesignHeight = 1080.0;
// However small the window, no text shrinks below these.
constexpr int kTimerFloorPx = 12;
constexpr int kClockFloorPx = 10;
constexpr int kMessageFloorPx = 8;
constexpr int kLargestPx = 100000;

int scaledFont(int size, double scale, int floorPx)
{
    return roundWithin(size * scale, floorPx, kLargestPx);
}

} // namespace

OutputWindow::OutputWindow(AppSettings* settings, QWidget* parent)
    : QWidget(parent), m_settings(settings)
{
    setWindowTitle(QStringLiteral("Vellmark — Output"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // Being shown, at start-up or from the control window, never takes the
    // keyboard from the operator: their Space belongs to the control window.
    // A click into this window may still focus it on purpose.
    setAttribute(Qt::WA_ShowWithoutActivating);

    // Named for the tests and tools that look at what the audience sees.
    m_timerLabel = new ReadoutLabel(QStringLiteral("00:00"), this);
    m_timerLabel->setObjectName(QStringLiteral("timerReadout"));
    m_timerLabel->setAlignment(Qt::AlignCenter);
    m_targetLabel = new QLabel(this);
    m_targetLabel->setObjectName(QStringLiteral("targetCaption"));
    m_targetLabel->setAlignment(Qt::AlignCenter);
    m_targetLabel->hide();
    m_clockLabel = new ReadoutLabel(QStringLiteral("00:00:00"), this);
    m_clockLabel->setObjectName(QStringLiteral("clockReadout"));
    m_clockLabel->setAlignment(Qt::AlignCenter);
    m_messageLabel = new QLabel(this);
    m_messageLabel->setObjectName(QStringLiteral("message"));
    m_messageLabel->setAlignment(Qt::AlignCenter);
    m_messageLabel->setWordWrap(false);
    // The operator's message is shown exactly as typed: "<b>" or an image tag
    // is text for the audience to read, never markup to interpret.
    m_messageLabel->setTextFormat(Qt::PlainText);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 1000);
    m_progress->setValue(1000);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(10);
    auto* timeArea = new QWidget(this);
    timeArea->setStyleSheet(QStringLiteral("background-color: transparent;"));

    auto* timeLayout = new QVBoxLayout(timeArea);
    timeLayout->setContentsMargins(0, 0, 0, 0);
    timeLayout->setSpacing(0);
    timeLayout->addStretch(1);
    timeLayout->addWidget(m_timerLabel);
    timeLayout->addWidget(m_targetLabel);
    timeLayout->addWidget(m_clockLabel);
    timeLayout->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 20, 30, 14);
    layout->setSpacing(0);
    layout->addWidget(timeArea, 1);
    layout->addWidget(m_messageLabel, 0);
    layout->addSpacing(8);
    layout->addWidget(m_progress, 0);
    // The fonts follow the window's height, so the window must not take its
    // minimum size from the fonts of its previous size: that would keep a
    // window that was once large from ever becoming small again.
    layout->setSizeConstraint(QLayout::SetNoConstraint);

    connect(&m_clockTimer, &QTimer::timeout, this, &OutputWindow::tickClock);
    m_clockTimer.start(500);
    connect(&m_blinkTimer, &QTimer::timeout, this, &OutputWindow::tickBlink);

    refreshSettings();
    applyViewMode();
    if (m_viewMode != 0)
        m_clockLabel->updateText(clockText());
}

void OutputWindow::setViewMode(int mode)
{
    m_viewMode = mode;
    applyViewMode();
}

void OutputWindow::applyViewMode()
{
    switch (m_viewMode) {
    case 0:
        m_timerLabel->show();
        m_clockLabel->hide();
        break;
    case 1:
        m_timerLabel->hide();
        m_clockLabel->show();
        break;
    case 2:
        m_timerLabel->show();
        m_clockLabel->show();
        break;
    default:
        break;
    }
    updateTargetLabel();
}

void OutputWindow::showMessage(const QString& text)
{
    m_messageLabel->setText(text);
}

void OutputWindow::clearMessage()
{
    m_messageLabel->clear();
}

void OutputWindow::setTotalSeconds(int seconds)
{
    m_totalSeconds = std::max(1, seconds);
    updateProgress();
}

void OutputWindow::onTimerTick(int seconds)
{
    m_seconds = seconds;
    if (seconds == 0 && !m_countUp) {
        if (!m_blinkTimer.isActive() && m_settings->blinkEnabled) {
            m_blinkVisible = true;
            m_blinkTimer.start(500);
        }
    } else if (seconds < 0 && !m_countUp) {
        // Overtime: a blink that began at zero goes on.
    } else if (m_blinkTimer.isActive()) {
        m_blinkTimer.stop();
        m_blinkVisible = true;
    }
    updateTimerLabel();
    updateProgress();
}

void OutputWindow::setCountUp(bool up)
{
    m_countUp = up;
    if (m_blinkTimer.isActive()) {
        m_blinkTimer.stop();
        m_blinkVisible = true;
        updateTimerLabel();
    }
}

void OutputWindow::setTarget(const QDateTime& target)
{
    m_target = target.isValid() ? target.toLocalTime().time() : QTime();
    updateTargetLabel();
}

void OutputWindow::updateTargetLabel()
{
    // It says what the number counts to, so it goes with the timer readout.
    if (!m_target.isValid() || !m_timerLabel->isVisibleTo(this)) {
        m_targetLabel->hide();
        return;
    }
    const QString pattern =
        m_settings->clock24hr ? QStringLiteral("HH:mm") : QStringLiteral("h:mm AP");
    m_targetLabel->setText(QStringLiteral("until ") + m_target.toString(pattern));
    m_targetLabel->show();
}

void OutputWindow::refreshSettings()
{
    updateFontSizes();

    QPalette pal = palette();
    pal.setBrush(QPalette::All, QPalette::Window, QBrush(m_settings->bgColor));
    setPalette(pal);
    setAutoFillBackground(true);
    // The readouts are transparent over that background; they draw their
    // characters over it once and reuse the images on every tick.
    m_timerLabel->setBackdrop(m_settings->bgColor);
    m_clockLabel->setBackdrop(m_settings->bgColor);

    setStyleSheetIfChanged(
        m_clockLabel,
        kReadoutStyle.arg(m_settings->clockColor.name()).arg(m_clockFontPx).arg(monospaceFamily()));
    setStyleSheetIfChanged(m_messageLabel,
                           kMessageStyle.arg(m_settings->messageColor.name()).arg(m_messageFontPx));
    // Half the clock's size, in its colour: a caption to the time, not a second readout.
    setStyleSheetIfChanged(
        m_targetLabel,
        kMessageStyle.arg(m_settings->clockColor.name()).arg(std::max(8, m_clockFontPx / 2)));
    updateTargetLabel();
    if (m_blinkVisible)
        updateTimerLabel();
    else
        // Stay hidden in the hidden half, but against the background and at
        // the size now in force, so a new background colour cannot reveal it.
        applyTimerStyle(m_settings->bgColor, m_timerLabel->text());
    updateProgress();
    if (m_viewMode != 0)
        m_clockLabel->updateText(clockText());
}

void OutputWindow::setVisible(bool visible)
{
    // A window about to appear already has the size it appears at (its resize
    // event comes later, as it is shown): the fonts follow that size before
    // the layout measures the labels, not after, which would load and measure
    // every font twice.
    if (visible && !isVisible()) {
        m_everShown = true;
        refreshSettings();
    }
    QWidget::setVisible(visible);
}

void OutputWindow::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    refreshSettings();
}

void OutputWindow::tickClock()
{
    if (m_viewMode != 0)
        m_clockLabel->updateText(clockText());
}

void OutputWindow::tickBlink()
{
    m_blinkVisible = !m_blinkVisible;
    if (m_blinkVisible)
        updateTimerLabel();
    else
        // The text stays, drawn in the background colour, so the readout
        // vanishes without the layout moving.
        applyTimerStyle(m_settings->bgColor, m_timerLabel->text());
}

void OutputWindow::updateFontSizes()
{
    const int h = height();
    if (h < 1)
        return;
    const double scale = h / kDesignHeight;
    m_timerFontPx = scaledFont(m_settings->timerFontSize, scale, kTimerFloorPx);
    m_clockFontPx = scaledFont(m_settings->clockFontSize, scale, kClockFloorPx);
    m_messageFontPx = scaledFont(m_settings->messageFontSize, scale, kMessageFloorPx);
}

QColor OutputWindow::thresholdColor() const
{
    switch (countPhase(m_seconds, m_settings->warningThreshold)) {
    case CountPhase::Normal:
        return m_settings->timerColorNormal;
    case CountPhase::Warning:
        return m_settings->timerColorWarning;
    case CountPhase::Zero:
    case CountPhase::Overtime:
        break;
    }
    return m_settings->timerColorCritical;
}

void OutputWindow::applyTimerStyle(const QColor& color, const QString& text)
{
    setStyleSheetIfChanged(
        m_timerLabel,
        kReadoutStyle.arg(color.name()).arg(fittedTimerPx(text)).arg(monospaceFamily()));
}

// The readout's size follows the window's height alone, so a large font on a
// narrow window would run past both edges and cut off the overtime minus:
// the audience would read -05:00 as 05:00. Such a readout is made just small
// enough to fit the width. The readout is monospaced, so its width depends on
// the number of characters only; the fit is worked out again only when that,
// the scaled size or the width changes.
int OutputWindow::fittedTimerPx(const QString& text)
{
    // A window never shown has no width of its own yet: it is fitted as it
    // is first shown (see setVisible()), at the width it appears with.
    if (!m_everShown)
        return m_timerFontPx;
    const QMargins m = layout() ? layout()->contentsMargins() : QMargins();
    const int available = width() - m.left() - m.right();
    if (text.size() == m_fitLength && m_timerFontPx == m_fitFontPx && available == m_fitWidth)
        return m_fitPx;
    m_fitLength = text.size();
    m_fitFontPx = m_timerFontPx;
    m_fitWidth = available;
    m_fitPx = m_timerFontPx;

    // The font the readout's style sheet gives it, so the measure and the
    // readout share one loaded font.
    QFont font(monospaceFamily());
    font.setBold(true);
    font.setPixelSize(m_timerFontPx);
    const int textWidth = QFontMetrics(font).horizontalAdvance(text);
    if (available > 0 && textWidth > available)
        m_fitPx = std::max(kTimerFloorPx, static_cast<int>(static_cast<long long>(m_timerFontPx) *
                                                           available / textWidth));
    return m_fitPx;
}

void OutputWindow::updateTimerLabel()
{
    if (!m_blinkVisible)
        return;
    const QString text = countText(m_seconds);
    applyTimerStyle(thresholdColor(), text);
    m_timerLabel->updateText(text);
}

void OutputWindow::updateProgress()
{
    int value = 0;
    if (m_totalSeconds > 0)
        value = roundWithin(std::max(m_seconds, 0) * 1000.0 / m_totalSeconds, 0, 1000);
    m_progress->setValue(value);
    setStyleSheetIfChanged(m_progress, kProgressStyle.arg(thresholdColor().name()));
}

QString OutputWindow::clockText() const
{
    QString pattern;
    if (m_settings->clock24hr)
        pattern =
            m_settings->clockShowSeconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
    else
        pattern = m_settings->clockShowSeconds ? QStringLiteral("hh:mm:ss AP")
                                               : QStringLiteral("hh:mm AP");
    return QTime::currentTime().toString(pattern);
}
