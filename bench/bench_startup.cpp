// Start-up of the real program: from starting the process to both windows
// painted (median of 10 runs), resident memory then, and the CPU time the
// program uses over 60 s while the timer is stopped and while it runs.
//   bench_startup [path to vellmark] [seconds for the CPU figures]   (60)
// The program is observed through the startupprobe plugin; it is run on the
// offscreen platform with this process's screen layout and a private home.
#include "benchsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace {

// User plus system CPU time of a process, in seconds.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray all = stat.readAll();
    const QList<QByteArray> f = all.mid(all.lastIndexOf(')') + 2).split(' ');
    // Fields 14 and 15 of stat; the list starts at field 3.
    return (f.value(11).toDouble() + f.value(12).toDouble()) / double(::sysconf(_SC_CLK_TCK));
}

bool waitForLine(QProcess& p, const QByteArray& prefix, QByteArray* line, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        while (p.canReadLine()) {
            const QByteArray l = p.readLine().trimmed();
            if (l.startsWith(prefix)) {
                *line = l;
                return true;
            }
        }
        p.waitForReadyRead(100);
        if (p.state() == QProcess::NotRunning && !p.canReadLine())
            return false;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    Bench::PrivateHome home;
    QCoreApplication app(argc, argv);
    const QString program =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QCoreApplication::applicationDirPath() + QStringLiteral("/../src/app/vellmark");
    const int cpuWindow = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    Bench::printHeader("start-up");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_PLUGIN_PATH"),
               QCoreApplication::applicationDirPath() + QStringLiteral("/plugins"));
    env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("startupprobe"));

    QList<double> startMs;
    QList<double> rssMiB;
    qint64 lastPid = 0;
    QProcess last;
    for (int run = 0; run < 10; ++run) {
        auto* p = run == 9 ? &last : new QProcess;
        p->setProcessEnvironment(env);
        p->setProgram(program);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer started;
        started.start();
        const qint64 t0 = started.msecsSinceReference(); // the monotonic clock, shared by both
        p->start();
        QByteArray line;
        if (!waitForLine(*p, "painted", &line, 30000)) {
            std::printf("run %d: the program did not show two painted windows within 30 s\n", run);
            return 1;
        }
        const QList<QByteArray> f = line.split(' ');
        startMs << double(f.value(1).toLongLong() - t0);
        rssMiB << f.value(3).toDouble() / 1048576.0;
        if (run < 9) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
            p->waitForFinished(5000);
            delete p;
        } else {
            lastPid = p->processId();
        }
    }
    std::printf("process start to both windows painted, 10 runs: median %.0f ms (min %.0f, max "
                "%.0f)\n",
                Bench::median(startMs), Bench::percentile(startMs, 0),
                Bench::percentile(startMs, 100));
    std::printf("resident memory when both windows are painted: median %.1f MiB\n",
                Bench::median(rssMiB));
    std::fflush(stdout);

    // CPU over the window, stopped and then running (START pressed).
    QThread::sleep(2);
    double before = cpuSeconds(lastPid);
    QThread::sleep(static_cast<unsigned long>(cpuWindow));
    double after = cpuSeconds(lastPid);
    std::printf("CPU time over %d s, timer stopped: %.2f s (%.2f %% of one core)\n", cpuWindow,
                after - before, (after - before) * 100.0 / cpuWindow);
    std::fflush(stdout);
    last.write("start\n");
    QByteArray line;
    if (!waitForLine(last, "started", &line, 5000)) {
        std::printf("could not press START\n");
    } else {
        before = cpuSeconds(lastPid);
        QThread::sleep(static_cast<unsigned long>(cpuWindow));
        after = cpuSeconds(lastPid);
        std::printf("CPU time over %d s, timer running: %.2f s (%.2f %% of one core)\n", cpuWindow,
                    after - before, (after - before) * 100.0 / cpuWindow);
    }
    last.terminate();
    if (!last.waitForFinished(5000))
        last.kill();
    last.waitForFinished(5000);
    return 0;
}
