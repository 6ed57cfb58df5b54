// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program's own start-up time goes between the application object
// and both windows painted: main()'s steps replayed in this process with the
// same objects in the same order (AppWindows' steps spelt out), each timed, then the event loop run
// until both windows have been painted. Run it on the display to measure (for example under
// xvfb-run with QT_QPA_PLATFORM=xcb); it prints figures only.
//   bench_startupstages [runs]   (default 5; each run in a fresh process)
// Each step is given as wall time (median, min, max) and as the median CPU time
// of the program's main thread (the first step's includes the dynamic linker's
// work before main(), which the wall time does not).
#include "benchsupport.h"

#include "app/startupwork.h"
#include "app/theme.h"
#include "control/controlwindow.h"
#include "output/outputwindow.h"
#include "settings/appsettings.h"
#include "timer/timerengine.h"
#include "remote/networkparts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QTimer>

#include <cstdio>
#include <future>
#include <cstdlib>
#include <ctime>

namespace {

// Notes when two top-level windows have both been painted.
class PaintWatch : public QObject {
  public:
    bool done = false;

  protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && o->isWidgetType()) {
            m_windows.insert(static_cast<QWidget*>(o)->window());
            if (m_windows.size() >= 2 && !done) {
                done = true;
                QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
            }
        }
        return false;
    }

  private:
    QSet<QWidget*> m_windows;
};

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int once(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    // Wall time, and the main thread's CPU time, which other programs on a
    // loaded machine disturb far less.
    struct Mark {
        const char* name;
        double ms;
        double cpuMs;
    };
    QList<Mark> marks;
    auto mark = [&](const char* name) {
        marks.append({name, clock.nsecsElapsed() / 1e6, threadCpuMs()});
    };

    auto fontConfiguration = std::async(std::launch::async, StartupWork::readFontConfiguration);
    QApplication app(argc, argv);
    auto fontDatabase = std::async(std::launch::async, StartupWork::readFontDatabase);
    setKnownFaces(fontConfiguration.get());
    mark("QApplication");
    QApplication::setApplicationName(QStringLiteral("Vellmark"));
    QApplication::setOrganizationName(QStringLiteral("Tellurith"));
    // Decoded meanwhile; the icon itself follows the first frame (below).
    auto iconImages = std::async(std::launch::async, StartupWork::windowIconImages);
    mark("icon decoding started");
    AppSettings settings;
    loadSettings(settings);
    mark("settings loaded");
    TimerEngine engine;
    engine.setDuration(settings.defaultDuration);
    engine.setOvertimeEnabled(settings.overtimeEnabled);
    mark("engine");
    PaintWatch watch;
    app.installEventFilter(&watch);
    // AppWindows' steps, one by one.
    applyTheme();
    mark("theme");
    OutputWindow output(&settings);
    mark("output window built");
    ControlWindow control(&settings, &engine, &output);
    mark("control window built");
    const QSize room = control.screen()->availableGeometry().size();
    control.resize(QSize(560, 760).boundedTo(room).expandedTo(control.minimumSize()));
    control.show();
    mark("control window shown");
    QObject::connect(&engine, &TimerEngine::tick, &output, &OutputWindow::onTimerTick);
    output.setTotalSeconds(settings.defaultDuration);
    output.onTimerTick(engine.remaining());
    control.showOutputWindow();
    mark("output window shown");
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &app, [] { QCoreApplication::exit(1); });
    guard.start(20000);
    app.exec();
    mark(watch.done ? "both painted" : "not painted in 20 s");
    // What the program does once both windows are painted, before its player.
    QIcon icon;
    for (const QImage& image : iconImages.get())
        icon.addPixmap(QPixmap::fromImage(image));
    QApplication::setWindowIcon(icon);
    mark("window icon (after the frame)");
    NetworkParts::instance()->armStartupCheck(&app, NetworkParts::kStartupCheckDelayMs);
    mark("update check armed (after)");
    Mark last{nullptr, 0, 0};
    for (const Mark& m : marks) {
        std::printf("stage %s %.2f %.2f %.2f\n", m.name, m.ms, m.ms - last.ms,
                    m.cpuMs - last.cpuMs);
        last = m;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--once") == 0)
        return once(argc, argv);
    Bench::PrivateHome home;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QList<QByteArray> order;
    QHash<QByteArray, QList<double>> steps, cpu;
    for (int r = 0; r < runs; ++r) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--once")});
        p.waitForFinished(60000);
        for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.value(0) != "stage")
                continue;
            const QByteArray name = f.mid(1, f.size() - 4).join(' ');
            if (!order.contains(name))
                order << name;
            steps[name] << f.value(f.size() - 2).toDouble();
            cpu[name] << f.value(f.size() - 1).toDouble();
        }
    }
    std::printf("== start-up stages inside the program, %d runs, platform %s\n", runs,
                qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("%-30s %12s %12s %12s %12s\n", "step (time since the previous)", "median ms",
                "min ms", "max ms", "cpu ms");
    for (const QByteArray& name : order)
        std::printf("%-30s %12.2f %12.2f %12.2f %12.2f\n", name.constData(),
                    Bench::median(steps[name]), Bench::percentile(steps[name], 0),
                    Bench::percentile(steps[name], 100), Bench::median(cpu[name]));
    return 0;
}
