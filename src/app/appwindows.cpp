// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/appwindows.h"

#include "app/theme.h"
#include "settings/appsettings.h"
#include "timer/timerengine.h"

#include <QScreen>

namespace {

// Large enough to show every section of the control window without scrolling.
constexpr QSize kComfortableSize(560, 760);

} // namespace

AppWindows::Theme::Theme()
{
    applyTheme();
}

AppWindows::AppWindows(AppSettings* settings, TimerEngine* engine)
    : m_output(settings), m_show(settings, engine, &m_output),
      m_control(settings, engine, &m_output, &m_show)
{
    // The control window connected itself while it was built, so on every tick
    // the operator's preview is drawn before the audience's readout.
    QObject::connect(engine, &TimerEngine::tick, &m_output, &OutputWindow::onTimerTick);
    QObject::connect(engine, &TimerEngine::targetChanged, &m_output, &OutputWindow::setTarget);
    m_output.setTarget(engine->target());
    m_output.setTotalSeconds(settings->defaultDuration);
    m_output.onTimerTick(engine->remaining());
}

void AppWindows::show()
{
    // As large as comfortable, where the operator's screen has the room.
    const QSize room = m_control.screen()->availableGeometry().size();
    m_control.resize(kComfortableSize.boundedTo(room).expandedTo(m_control.minimumSize()));
    m_control.show();
    m_control.showOutputWindow();
}
