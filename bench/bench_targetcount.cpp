// SPDX-License-Identifier: GPL-3.0-or-later
// How far the shown time is from the truth when counting to a time of day,
// against a plain duration count started at the same moment for the same
// target (what an operator gets by working out the minutes by hand). Both
// engines run in the program's event loop with its real windows, the output
// window full-screen on the stage's screen, the target count shown on it.
// At every change of each display the error is the shown value minus the true
// seconds left to the target (wall clock, microseconds): 0 is a display that
// changes exactly at the wall-clock second it stands for, positive is late.
// A third engine counts to the same target with no window listening, so its
// error is the timer's own scheduling error in the same loaded event loop.
//   bench_targetcount [seconds]   (default 600)
#include "benchsupport.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

qint64 wallMicros()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

struct Samples {
    QList<double> atS; // seconds since the start
    QList<double> error;
};

void record(Samples& s, int shown, qint64 targetUs, qint64 startUs)
{
    const qint64 now = wallMicros();
    s.atS << (now - startUs) / 1e6;
    s.error << shown - (targetUs - now) / 1e6;
}

QList<double> within(const Samples& s, double from, double to)
{
    QList<double> out;
    for (qsizetype i = 0; i < s.atS.size(); ++i)
        if (s.atS.at(i) >= from && s.atS.at(i) < to)
            out << s.error.at(i);
    return out;
}

void report(const char* name, const Samples& s, double seconds)
{
    QList<double> absErr;
    for (double e : s.error)
        absErr << std::fabs(e);
    const double first = Bench::median(within(s, 0, 60));
    const double last = Bench::median(within(s, seconds - 60, seconds + 1));
    std::printf("%-14s changes %4lld  error ms: median %+8.1f  max |e| %7.1f  p99 |e| %7.1f  "
                "first min median %+7.1f  last min median %+7.1f  slope %+.1f ms/h\n",
                name, qlonglong(s.error.size()), 1000 * Bench::median(s.error),
                1000 * Bench::percentile(absErr, 100), 1000 * Bench::percentile(absErr, 99),
                1000 * first, 1000 * last, 1000 * 3600 * Bench::slope(s.atS, s.error));
}

} // namespace

int main(int argc, char** argv)
{
    Bench::PrivateHome home;
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(30.0, std::atof(argv[1])) : 600.0;
    Bench::printHeader("target count against the wall clock");

    Bench::Stage stage;
    stage.showOutput(Bench::stageScreen(), QSize());
    std::printf("output window %dx%d full-screen showing the target count; %.0f s run\n",
                stage.output->width(), stage.output->height(), seconds);

    TimerEngine& target = stage.engine;
    TimerEngine plain;
    TimerEngine bare;
    Samples targetLog, plainLog, bareLog;
    qint64 targetUs = 0, startUs = 0;
    // Recorded when the operator's preview has been rewritten, before the
    // audience's readout is.
    QObject::disconnect(&target, &TimerEngine::tick, stage.output, &OutputWindow::onTimerTick);
    QObject::connect(&target, &TimerEngine::tick, &target,
                     [&](int v) { record(targetLog, v, targetUs, startUs); });
    QObject::connect(&target, &TimerEngine::tick, stage.output, &OutputWindow::onTimerTick);
    QObject::connect(&plain, &TimerEngine::tick, &plain,
                     [&](int v) { record(plainLog, v, targetUs, startUs); });
    QObject::connect(&bare, &TimerEngine::tick, &bare,
                     [&](int v) { record(bareLog, v, targetUs, startUs); });

    QTimer::singleShot(0, &target, [&] {
        // A target a little over the run's length ahead, at an odd fraction of
        // a second from now, as a real "ends at" is from the moment START is
        // pressed; the plain count is given the whole seconds an operator
        // would work out (rounded up, as the target count shows them).
        const QDateTime moment =
            QDateTime::currentDateTime().addMSecs(qint64(seconds * 1000) + 30437);
        target.setTargetMoment(moment);
        bare.setTargetMoment(moment);
        stage.output->setTotalSeconds(target.duration());
        plain.setDuration(target.remaining());
        targetUs = moment.toMSecsSinceEpoch() * 1000;
        startUs = wallMicros();
        target.start();
        plain.start();
        bare.start();
        targetLog = Samples();
        plainLog = Samples();
        bareLog = Samples();
    });
    QTimer::singleShot(int(seconds * 1000 + 500), &app, &QCoreApplication::quit);
    app.exec();

    std::printf("shown minus true seconds to the target, at each change of the display:\n");
    report("target count", targetLog, seconds);
    report("plain count", plainLog, seconds);
    report("bare target", bareLog, seconds);
    std::printf("per minute, median / max |error| ms:  target count | plain count\n");
    for (int m = 0; m * 60 < int(seconds); ++m) {
        QList<double> a = within(targetLog, m * 60, m * 60 + 60);
        QList<double> b = within(plainLog, m * 60, m * 60 + 60);
        auto maxAbs = [](const QList<double>& v) {
            double r = 0;
            for (double e : v)
                r = std::max(r, std::fabs(e));
            return r;
        };
        std::printf("  min %2d   %+7.1f / %6.1f   |   %+7.1f / %6.1f\n", m + 1,
                    1000 * Bench::median(a), 1000 * maxAbs(a), 1000 * Bench::median(b),
                    1000 * maxAbs(b));
    }
    return 0;
}
