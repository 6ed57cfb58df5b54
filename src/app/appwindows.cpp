#include "app/appwindows.h"

#include "settings/appsettings.h"
#include "timer/timerengine.h"

AppWindows::AppWindows(AppSettings* settings, TimerEngine* engine)
    : m_output(settings), m_control(settings, engine, &m_output)
{
    m_control.show();

    // The control window connected itself while it was built, so on every tick
    // the operator's preview is drawn before the audience's readout.
    QObject::connect(engine, &TimerEngine::tick, &m_output, &OutputWindow::onTimerTick);
    m_output.setTotalSeconds(settings->defaultDuration);
    m_output.onTimerTick(engine->remaining());

    m_control.showOutputWindow();
}
