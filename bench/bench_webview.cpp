// SPDX-License-Identifier: GPL-3.0-or-later
// Browser views of the show: the lag from the engine's tick to the new time on
// the view pages in headless Chromium (measured in each page against the
// tick's serverTime, same machine clock), median and p99, with 1, 10 and 50
// views open; and the GUI thread's cost per tick, with the time until the
// audience's output window holds the new value, against no views at all.
//   bench_webview <node> <webviews.mjs> [seconds per case]   (default 30)
// Ticks are the engine's own one-second step, run four times a second so a
// case gathers its samples sooner.
#include "benchsupport.h"

#include "remote/remoteserver.h"
#include "remote/viewpage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QProcess>
#include <QTcpServer>
#include <QTimer>
#include <algorithm>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Runs the event loop until `done` holds or `ms` have passed.
bool spin(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    // Sleeps until an event comes (the output window's clock wakes it twice a
    // second at the least), so the thread's CPU time is work, not waiting.
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

double wallMs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count() / 1e3;
}

struct TickFigures {
    QList<double> startedAt; // wall clock, ms since the epoch
    QList<double> syncMs;    // the tick's handlers, start to end
    QList<double> outputMs;  // from the tick until the output window held the new value
    double cpuPerTickMs = 0;
};

// Steps the engine every 250 ms for `seconds`, timing each step.
TickFigures runTicks(Bench::Stage& stage, int seconds)
{
    TickFigures f;
    QElapsedTimer clock;
    clock.start();
    qint64 tickStart = 0;
    bool inTick = false;
    // Connected after the windows, so it runs once the output window has the value.
    QObject probe;
    QObject::connect(&stage.engine, &TimerEngine::tick, &probe, [&](int) {
        if (inTick)
            f.outputMs.append((clock.nsecsElapsed() - tickStart) / 1e6);
    });
    const int ticks = seconds * 4;
    int done = 0;
    QTimer pace;
    QObject::connect(&pace, &QTimer::timeout, &probe, [&] {
        f.startedAt.append(wallMs());
        tickStart = clock.nsecsElapsed();
        inTick = true;
        stage.step();
        inTick = false;
        f.syncMs.append((clock.nsecsElapsed() - tickStart) / 1e6);
        ++done;
    });
    const double cpu0 = threadCpuMs();
    pace.start(250);
    spin([&] { return done >= ticks; }, seconds * 1000 + 5000);
    pace.stop();
    // The sockets' writes of the last tick are flushed by the event loop.
    spin([] { return false; }, 200);
    f.cpuPerTickMs = (threadCpuMs() - cpu0) / std::max(1, done);
    return f;
}

// The tick each page sample belongs to: the last one started before the
// state carrying it was stamped.
double tickBefore(const QList<double>& starts, double serverTime)
{
    const auto it = std::upper_bound(starts.cbegin(), starts.cend(), serverTime + 0.5);
    return it == starts.cbegin() ? serverTime : *(it - 1);
}

} // namespace

int main(int argc, char** argv)
{
    Bench::PrivateHome home;
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_webview <node> <webviews.mjs> [seconds per case]\n");
        return 2;
    }
    const QString node = QString::fromLocal8Bit(argv[1]);
    const QString script = QString::fromLocal8Bit(argv[2]);
    const int seconds = argc > 3 ? std::max(5, std::atoi(argv[3])) : 30;
    Bench::printHeader("browser views: tick-to-page lag and GUI-thread cost");

    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();

    Bench::Stage stage;
    stage.settings.remotePort = port;
    ensureRemoteToken(stage.settings);
    RemoteServer remote(&stage.windows->showController());
    remote.restart();
    ViewPage::addTo(remote);
    if (!remote.isListening()) {
        std::fprintf(stderr, "%s\n", qPrintable(remote.statusText()));
        return 1;
    }
    stage.engine.setDuration(999 * 60);

    std::printf(
        "lag, ms: from the state's serverTime (page side) and from the engine's tick, to the\n"
        "new text in the page and to the next frame drawn; GUI thread per tick, ms\n");
    std::printf("%-5s %8s | %9s %9s | %9s %9s | %9s %9s | %9s %9s %9s\n", "views", "samples",
                "st>text", "p99", "tick>text", "p99", "tick>frame", "p99", "tick sync", "output99",
                "CPU/tick");
    for (int views : {0, 1, 10, 50}) {
        QProcess browser;
        browser.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QByteArray out;
        if (views > 0) {
            browser.start(node, {script, QStringLiteral("http://127.0.0.1:%1/").arg(port),
                                 QString::number(views)});
            if (!spin(
                    [&] {
                        out += browser.readAllStandardOutput();
                        return out.contains("ready\n");
                    },
                    180000)) {
                std::fprintf(stderr, "views did not open: %s\n", out.constData());
                return 1;
            }
        }
        const TickFigures f = runTicks(stage, seconds);
        QList<double> serverToText, tickToText, tickToFrame;
        if (views > 0) {
            out.clear();
            browser.write("stop\n");
            spin(
                [&] {
                    out += browser.readAllStandardOutput();
                    return out.endsWith("]\n");
                },
                60000);
            const QJsonArray samples = QJsonDocument::fromJson(out.trimmed()).array();
            for (const auto& v : samples) {
                const QJsonArray x = v.toArray();
                const double serverTime = x.at(0).toDouble();
                const double tick = tickBefore(f.startedAt, serverTime);
                serverToText << x.at(1).toDouble() - serverTime;
                tickToText << x.at(1).toDouble() - tick;
                if (x.at(2).toDouble() > 0)
                    tickToFrame << x.at(2).toDouble() - tick;
            }
            browser.waitForFinished(30000);
        }
        const auto med = [](const QList<double>& v) { return Bench::median(v); };
        const auto p99 = [](const QList<double>& v) { return Bench::percentile(v, 99); };
        std::printf("%-5d %8lld | %9.2f %9.2f | %9.2f %9.2f | %9.2f %9.2f | %9.3f %9.3f %9.3f\n",
                    views, static_cast<long long>(tickToText.size()), med(serverToText),
                    p99(serverToText), med(tickToText), p99(tickToText), med(tickToFrame),
                    p99(tickToFrame), med(f.syncMs), p99(f.outputMs), f.cpuPerTickMs);
        std::fflush(stdout);
    }
    return 0;
}
