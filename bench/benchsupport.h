// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/appwindows.h"
#include "output/outputwindow.h"
#include "privatehome.h"
#include "settings/appsettings.h"
#include "timer/timerengine.h"

#include <QList>

#include <memory>

class QScreen;
class QSize;

namespace Bench {

// The private home of the tests (tests/support): no run reads or writes the
// operator's real settings. Construct before the application.
using PrivateHome = ::PrivateHome;

// The program's objects built and wired as start-up builds them: the settings
// record, the engine and both windows (AppWindows), the operator's window
// shown and the output window full-screen on the other screen.
struct Stage {
    Stage();
    ~Stage();

    // Runs the engine's one-second step once, exactly as its timer would.
    void step();
    // Shows the output window full-screen on `screen`, or as a plain window of
    // `size` when no screen is given, and waits until it has been painted.
    void showOutput(QScreen* screen, const QSize& size);

    AppSettings settings;
    TimerEngine engine;
    std::unique_ptr<AppWindows> windows;
    OutputWindow* output = nullptr;
    ControlWindow* control = nullptr;
};

// The screen named "Stage" of bench/data/screen-4k.json, else the largest.
QScreen* stageScreen();

// Starts a process that keeps one core busy; it is killed when this is destroyed.
class CoreLoad {
  public:
    CoreLoad();
    ~CoreLoad();
    CoreLoad(const CoreLoad&) = delete;
    CoreLoad& operator=(const CoreLoad&) = delete;

  private:
    qint64 m_pid = 0;
};

double median(QList<double> v);
double percentile(QList<double> v, double p);
// Least-squares slope of y over x.
double slope(const QList<double>& x, const QList<double>& y);

// Machine, Qt version and date, printed at the head of every run.
void printHeader(const char* title);

} // namespace Bench
