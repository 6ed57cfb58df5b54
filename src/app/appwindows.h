// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "control/controlwindow.h"
#include "output/outputwindow.h"
#include "show/showcontroller.h"

struct AppSettings;
class TimerEngine;

// The program's two windows for one run, built and wired to the engine, then
// shown in start-up order: the operator's window first, then the output window
// on a screen other than the operator's. The control window goes before the
// output window when the run ends.
class AppWindows {
  public:
    // settings and engine must outlive the windows; the engine is expected as
    // start-up leaves it, stopped and holding settings->defaultDuration.
    AppWindows(AppSettings* settings, TimerEngine* engine);

    // Shows both windows. Whatever is still to go into the control window
    // goes in before this, so the window is laid out and polished once.
    void show();

    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;

    OutputWindow& output() { return m_output; }
    ControlWindow& control() { return m_control; }
    ShowController& showController() { return m_show; }

  private:
    // The theme, set before either window is built, so neither is polished
    // twice.
    struct Theme {
        Theme();
    } m_theme;
    OutputWindow m_output;
    // Built before the control window, so it hears each tick before the windows.
    ShowController m_show;
    ControlWindow m_control;
};
