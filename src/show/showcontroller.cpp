// SPDX-License-Identifier: GPL-3.0-or-later
#include "show/showcontroller.h"

#include "output/outputwindow.h"
#include "settings/appsettings.h"
#include "timer/timeofday.h"
#include "timer/timerengine.h"

#include <QDateTime>
#include <QEvent>
#include <QTime>

ShowController::ShowController(AppSettings* settings, TimerEngine* engine, OutputWindow* output,
                               QObject* parent)
    : QObject(parent), m_settings(settings), m_engine(engine), m_output(output)
{
    // Connected before any window connects to the engine, so on every tick the
    // cue is decided first and the windows then draw in their own order.
    connect(m_engine, &TimerEngine::tick, this, &ShowController::onTick);
    connect(m_engine, &TimerEngine::stateChanged, this, &ShowController::onStateChanged);
    connect(m_engine, &TimerEngine::targetChanged, this, [this] {
        emit targetChanged(m_engine->targetText());
        emit changed();
    });
    // The output window can also be shown or closed by the window system (its
    // own close button); what the audience sees is what is reported.
    m_output->installEventFilter(this);
}

bool ShowController::isRunning() const
{
    return m_engine->isRunning();
}

int ShowController::remaining() const
{
    return m_engine->remaining();
}

int ShowController::duration() const
{
    return m_engine->duration();
}

QString ShowController::targetText() const
{
    return m_engine->targetText();
}

bool ShowController::isCountUp() const
{
    return m_engine->isCountUp();
}

bool ShowController::isOutputVisible() const
{
    return m_output->isVisible();
}

QList<int> ShowController::presets() const
{
    return m_settings->presets;
}

void ShowController::checkCue()
{
    // The cue is due only where there is one to play: with the cue switched
    // off or no file chosen, zero passes and the cue stays armed.
    if (m_engine->remaining() != 0 || !m_cueArmed || !m_settings->soundEnabled ||
        m_settings->soundFilePath.isEmpty())
        return;
    m_cueArmed = false;
    emit cueDue();
}

void ShowController::onTick(int seconds)
{
    if (seconds == 0)
        checkCue();
    emit ticked(seconds);
    emit changed();
}

void ShowController::onStateChanged(bool running)
{
    if (!running)
        m_cueArmed = true;
    emit runningChanged(running);
    emit changed();
}

void ShowController::start()
{
    m_engine->start();
}

void ShowController::pause()
{
    m_engine->pause();
}

void ShowController::toggle()
{
    if (m_engine->isRunning())
        m_engine->pause();
    else
        m_engine->start();
}

void ShowController::reset()
{
    m_engine->reset();
}

void ShowController::setDuration(int seconds)
{
    // The engine ticks from inside setDuration(): a zero duration plays an
    // armed cue there, and the cue is armed again afterwards.
    m_engine->setDuration(seconds);
    m_output->setTotalSeconds(seconds);
    m_cueArmed = true;
    emit durationSet(seconds);
}

void ShowController::addSeconds(int delta)
{
    m_engine->addSeconds(delta);
}

void ShowController::setTarget(const QTime& timeOfDay)
{
    const QTime t(timeOfDay.hour(), timeOfDay.minute());
    setCountUp(false);
    m_engine->setTarget(t);
    m_output->setTotalSeconds(m_engine->duration());
    m_cueArmed = true;
    m_settings->targetTime = TimeOfDay::text(t);
    saveSettings(*m_settings);
}

void ShowController::setCountUp(bool up)
{
    if (up == m_engine->isCountUp())
        return;
    m_engine->setCountUp(up);
    m_output->setCountUp(up);
    emit countUpChanged(up);
    emit changed();
}

void ShowController::setViewMode(int mode)
{
    if (mode < TimerView || mode > BothView || mode == m_viewMode)
        return;
    m_viewMode = mode;
    m_output->setViewMode(mode);
    emit viewModeChanged(mode);
    emit changed();
}

bool ShowController::pushMessage(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    m_output->showMessage(t);
    if (t != m_message) {
        m_message = t;
        emit messageChanged(t);
        emit changed();
    }
    return true;
}

void ShowController::clearMessage()
{
    m_output->clearMessage();
    if (m_message.isEmpty())
        return;
    m_message.clear();
    emit messageChanged(QString());
    emit changed();
}

bool ShowController::choosePreset(int row)
{
    if (row < 0 || row >= m_settings->presets.size())
        return false;
    applyPreset(m_settings->presets.at(row));
    return true;
}

void ShowController::applyPreset(int seconds)
{
    setDuration(seconds);
}

void ShowController::setPresetOrder(const QList<int>& order)
{
    if (order == m_settings->presets)
        return;
    m_settings->presets = order;
    saveSettings(*m_settings);
    emit presetsChanged();
    emit changed();
}

void ShowController::showOutput()
{
    emit outputShowRequested();
}

void ShowController::hideOutput()
{
    emit outputHideRequested();
}

void ShowController::applySettings()
{
    m_engine->setOvertimeEnabled(m_settings->overtimeEnabled);
    m_output->refreshSettings();
    emit presetsChanged();
    emit settingsApplied();
    emit changed();
}

bool ShowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_output && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        emit outputVisibleChanged(m_output->isVisible());
        emit changed();
    }
    return QObject::eventFilter(watched, event);
}
