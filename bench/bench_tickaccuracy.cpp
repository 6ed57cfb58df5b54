// SPDX-License-Identifier: GPL-3.0-or-later
// How exactly the real engine ticks while the windows run as on stage: the
// output window full-screen on a 3840 x 2160 screen, its clock running, the
// readout blinking through overtime, and another process keeping the second
// core busy. Then a pause and resume pattern, and what it costs against the
// wall clock.
//   bench_tickaccuracy [seconds]   (default 120; the pause pattern adds a quarter)
#include "benchsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

// Records the monotonic time of every tick since the engine was started.
struct TickLog {
    QElapsedTimer sinceStart;
    QList<double> ms;
};

void reportSteady(const TickLog& log, double seconds)
{
    const QList<double>& t = log.ms;
    QList<double> k, err, absErr;
    int missed = 0, doubled = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        k << double(i + 1);
        err << t.at(i) - 1000.0 * double(i + 1);
        absErr << std::fabs(err.last());
        if (i > 0) {
            const double gap = t.at(i) - t.at(i - 1);
            if (gap > 1500.0)
                missed += int(std::lround(gap / 1000.0)) - 1;
            else if (gap < 500.0)
                ++doubled;
        }
    }
    std::printf("steady run: %.0f s, %lld ticks\n", seconds, qlonglong(t.size()));
    std::printf("  phase error against k x 1000 ms: median %+.2f ms (|median| %.2f ms), "
                "maximum |error| %.2f ms, first %+.2f ms, last %+.2f ms\n",
                Bench::median(err), Bench::median(absErr), Bench::percentile(absErr, 100),
                err.isEmpty() ? 0.0 : err.first(), err.isEmpty() ? 0.0 : err.last());
    const double msPerTick = Bench::slope(k, err);
    std::printf(
        "  drift (least-squares slope of the error): %+.4f ms per tick = %+.1f ms per hour\n",
        msPerTick, msPerTick * 3600.0);
    // The toolkit's default (coarse) timer moves its phase by up to 5 % of the
    // interval per tick towards a round fraction of the wall-clock second in
    // the first ticks; the slope after them is the drift proper.
    const qsizetype settle = std::min<qsizetype>(10, k.size() / 2);
    const double settledPerTick = Bench::slope(k.mid(settle), err.mid(settle));
    std::printf("  drift from tick %lld on: %+.4f ms per tick = %+.1f ms per hour\n",
                qlonglong(settle + 1), settledPerTick, settledPerTick * 3600.0);
    std::printf("  missed ticks %d, doubled ticks %d\n", missed, doubled);
    std::printf("  error of the first ticks, ms:");
    for (qsizetype i = 0; i < std::min<qsizetype>(err.size(), 20); ++i)
        std::printf(" %+.0f", err.at(i));
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    Bench::PrivateHome home;
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(5.0, std::atof(argv[1])) : 120.0;
    Bench::printHeader("tick accuracy");

    Bench::Stage stage;
    stage.settings.blinkEnabled = true;
    stage.showOutput(Bench::stageScreen(), QSize());
    std::printf("output window %dx%d full-screen, clock shown, blinking from 00:00 on; "
                "a busy process loads the second core\n",
                stage.output->width(), stage.output->height());
    Bench::CoreLoad load;

    // Steady run: five seconds to zero, then overtime with the readout blinking.
    TickLog steady;
    // The time is taken first thing when the engine emits, before the windows
    // handle the tick, so it is the timer's own moment.
    QObject::disconnect(&stage.engine, &TimerEngine::tick, stage.output,
                        &OutputWindow::onTimerTick);
    const QMetaObject::Connection recorder =
        QObject::connect(&stage.engine, &TimerEngine::tick, &stage.engine,
                         [&steady] { steady.ms << steady.sinceStart.nsecsElapsed() / 1e6; });
    QObject::connect(&stage.engine, &TimerEngine::tick, stage.output,
                     &OutputWindow::onTimerTick);
    stage.engine.setDuration(5);
    stage.output->setTotalSeconds(5);
    steady.ms.clear();
    QTimer::singleShot(0, &stage.engine, [&] {
        steady.sinceStart.start();
        stage.engine.start();
    });
    QTimer::singleShot(int(seconds * 1000 + 300), &app, &QCoreApplication::quit);
    app.exec();
    stage.engine.pause();
    QObject::disconnect(recorder);
    reportSteady(steady, seconds);

    // Pause and resume: run 2.7 s, pause 0.3 s, again and again. Each start
    // begins a fresh second, so the 0.7 s begun before each pause are dropped.
    const int cycles = std::max(4, int(seconds / 4 / 3));
    QElapsedTimer wall;
    qint64 runningNs = 0;
    int counted = 0;
    QObject::connect(&stage.engine, &TimerEngine::tick, &stage.engine, [&counted] { ++counted; });
    stage.engine.setDuration(100000);
    int cycle = 0;
    QElapsedTimer segment;
    std::function<void()> runOne = [&] {
        if (cycle == cycles) {
            app.quit();
            return;
        }
        ++cycle;
        segment.start();
        stage.engine.start();
        QTimer::singleShot(2700, Qt::PreciseTimer, &stage.engine, [&] {
            stage.engine.pause();
            runningNs += segment.nsecsElapsed();
            QTimer::singleShot(300, Qt::PreciseTimer, &stage.engine, runOne);
        });
    };
    wall.start();
    QTimer::singleShot(0, &stage.engine, runOne);
    app.exec();
    const double runningS = runningNs / 1e9;
    std::printf("pause/resume: %d cycles of 2.7 s running and 0.3 s paused, %.1f s wall clock\n",
                cycles, wall.nsecsElapsed() / 1e9);
    std::printf("  running %.3f s, counted %d s: %.3f s not counted, %.0f ms per pause "
                "(the part of a second begun before each pause)\n",
                runningS, counted, runningS - counted, (runningS - counted) * 1000.0 / cycles);
    return 0;
}
