// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up side by side: the bare two-window program (barewindows) and
// Vellmark, started in turn in one run on the same virtual display, each
// observed from the outside through the startupprobe plugin:
//   - time from starting the process to both windows painted,
//   - resident memory and shared objects mapped then, and two seconds later,
//   - when the media player exists (Vellmark), relative to the painting,
// as medians over the runs, with the ratios to the bare program; then each
// program's time over the bare program's of the same round, and the main
// thread's CPU time up to both windows painted. Then one
// traced run of each program (the loadtrace audit library, LD_AUDIT) gives
// the stages with their times, memory and the libraries loaded in between.
//   bench_startup [runs] [cpu seconds] [--offscreen] [extra vellmark binary ...]
// Runs default to 10. The display is a private Xvfb server (1920 × 1080, 24
// bits) on the xcb platform; --offscreen uses Qt's offscreen platform with
// bench/data/screen-4k.json instead. With cpu seconds > 0 the CPU time
// Vellmark uses over that many seconds, stopped and running, is measured too.
#include "benchsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace {

struct Stage {
    Stage(const QByteArray& n, double m, double r, int l, double c)
        : name(n), ms(m), rssMiB(r), libs(l), cpuMs(c)
    {
    }
    QByteArray name;
    double ms = 0; // from the start of the process
    double rssMiB = 0;
    int libs = 0;
    double cpuMs = 0; // the main thread's CPU time so far
};

struct Run {
    bool ok = false;
    QList<Stage> stages;
    qint64 pid = 0;
    double startMs = 0;

    const Stage* find(const char* name) const
    {
        for (const Stage& s : stages)
            if (s.name == name)
                return &s;
        return nullptr;
    }
};

struct Program {
    Program(const QString& l, const QString& p) : label(l), path(p) {}
    QString label;
    QString path;
    QList<double> painted, rss, libs, settledRss, settledLibs, player, cpu;
};

// User plus system CPU time of a process, in seconds.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray all = stat.readAll();
    const QList<QByteArray> f = all.mid(all.lastIndexOf(')') + 2).split(' ');
    return (f.value(11).toDouble() + f.value(12).toDouble()) / double(::sysconf(_SC_CLK_TCK));
}

bool waitForLine(QProcess& p, const QByteArray& prefix, QByteArray* line, int ms,
                 QList<QByteArray>* seen = nullptr)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        while (p.canReadLine()) {
            const QByteArray l = p.readLine().trimmed();
            if (seen)
                seen->append(l);
            if (l.startsWith(prefix)) {
                *line = l;
                return true;
            }
        }
        p.waitForReadyRead(50);
        if (p.state() == QProcess::NotRunning && !p.canReadLine())
            return false;
    }
    return false;
}

void stop(QProcess& p)
{
    p.terminate();
    if (!p.waitForFinished(5000))
        p.kill();
    p.waitForFinished(5000);
}

// Starts a program and reads its stages until "settled" (or painted only).
Run startOnce(QProcess& p, const QString& path, const QProcessEnvironment& env, bool untilSettled)
{
    Run run;
    p.setProcessEnvironment(env);
    p.setProgram(path);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    const qint64 t0 = clock.msecsSinceReference(); // the monotonic clock, as the probe's
    run.startMs = double(t0);
    p.start();
    QList<QByteArray> lines;
    QByteArray line;
    if (!waitForLine(p, untilSettled ? "stage settled" : "painted", &line, 30000, &lines))
        return run;
    run.ok = true;
    run.pid = p.processId();
    for (const QByteArray& l : lines) {
        const QList<QByteArray> f = l.split(' ');
        if (f.value(0) != "stage")
            continue;
        run.stages.append({f.value(1), double(f.value(2).toLongLong() - t0),
                           f.value(4).toDouble() / 1048576.0, f.value(6).toInt(),
                           f.value(8).toDouble()});
    }
    return run;
}

QString category(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    if (name.contains(QLatin1String("gst")) || name.contains(QLatin1String("orc")))
        return QStringLiteral("GStreamer");
    if (name.contains(QLatin1String("pulse")) || name.contains(QLatin1String("sndfile")) ||
        name.contains(QLatin1String("asound")) || name.contains(QLatin1String("FLAC")) ||
        name.contains(QLatin1String("vorbis")) || name.contains(QLatin1String("ogg")) ||
        name.contains(QLatin1String("opus")) || name.contains(QLatin1String("mp3lame")) ||
        name.contains(QLatin1String("mpg123")))
        return QStringLiteral("audio");
    if (name.contains(QLatin1String("Multimedia")) || path.contains(QLatin1String("multimedia")))
        return QStringLiteral("Qt Multimedia");
    if (name.contains(QLatin1String("Network")) || name.contains(QLatin1String("ssl")) ||
        name.contains(QLatin1String("crypto")) || name.contains(QLatin1String("krb5")) ||
        name.contains(QLatin1String("gssapi")) || name.contains(QLatin1String("k5crypto")) ||
        path.contains(QLatin1String("/tls/")) || path.contains(QLatin1String("networkinformation")))
        return QStringLiteral("network/TLS");
    if (name.startsWith(QLatin1String("libQt6")) || path.contains(QLatin1String("qt6/plugins")))
        return QStringLiteral("Qt");
    if (name.contains(QLatin1String("xcb")) || name.contains(QLatin1String("X11")) ||
        name.contains(QLatin1String("xkb")) || name.startsWith(QLatin1String("libX")))
        return QStringLiteral("X11");
    return QStringLiteral("other");
}

// The libraries of a traced run, grouped by the stage they were loaded before.
void printBreakdown(const Program& prog, const Run& run, const QString& tracePath)
{
    QFile trace(tracePath);
    QList<QPair<double, QString>> loads;
    if (trace.open(QIODevice::ReadOnly)) {
        for (const QByteArray& l : trace.readAll().split('\n')) {
            const int sp = l.indexOf(' ');
            if (sp < 0)
                continue;
            loads.append({l.left(sp).toDouble() * 1000.0 - run.startMs,
                          QString::fromLocal8Bit(l.mid(sp + 1))});
        }
    }
    std::printf("\n-- %s, traced run: stages (ms from process start, resident MiB, shared "
                "objects mapped) and the libraries loaded before each\n",
                qPrintable(prog.label));
    double from = -1e9;
    QList<Stage> stages = run.stages;
    stages.append({"end of trace", 1e12, 0, 0, 0});
    for (const Stage& s : stages) {
        QMap<QString, int> byCategory;
        int n = 0;
        double last = 0;
        QStringList notable;
        for (const auto& load : loads) {
            if (load.first > from && load.first <= s.ms) {
                ++byCategory[category(load.second)];
                ++n;
                last = load.first;
                const QString c = category(load.second);
                if (c != QLatin1String("other") && c != QLatin1String("X11") &&
                    c != QLatin1String("Qt") && notable.size() < 6)
                    notable << QFileInfo(load.second).fileName();
            }
        }
        if (s.rssMiB > 0)
            std::printf("%-13s %8.1f ms %7.1f MiB %4d objects", s.name.constData(), s.ms, s.rssMiB,
                        s.libs);
        else
            std::printf("%-13s %8s    %7s     %4s        ", s.name.constData(), "", "", "");
        QStringList parts;
        for (auto it = byCategory.cbegin(); it != byCategory.cend(); ++it)
            parts << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
        std::printf("   +%d loaded%s%s%s\n", n,
                    n ? qPrintable(QStringLiteral(" (last at %1 ms): ").arg(last, 0, 'f', 1)) : "",
                    qPrintable(parts.join(QStringLiteral(", "))),
                    notable.isEmpty() ? ""
                                      : qPrintable(QStringLiteral("; e.g. ") +
                                                   notable.join(QStringLiteral(" "))));
        from = s.ms;
    }
}

qint64 startXvfb(QProcess& xvfb, QString* display)
{
    for (int n = 140; n < 200; ++n) {
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) ||
            QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
            continue;
        xvfb.setProcessChannelMode(QProcess::ForwardedChannels);
        xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"),
                                            QStringLiteral("0"), QStringLiteral("1920x1080x24"),
                                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000 && xvfb.state() != QProcess::NotRunning) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))) {
                *display = QStringLiteral(":%1").arg(n);
                return xvfb.processId();
            }
            QThread::msleep(20);
        }
        stop(xvfb);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Bench::PrivateHome home;
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath();
    int runs = 10;
    int cpuWindow = 0;
    bool offscreen = false;
    QList<Program> programs{
        {QStringLiteral("bare two windows"), dir + QStringLiteral("/barewindows")},
        {QStringLiteral("vellmark"), dir + QStringLiteral("/../src/app/vellmark")}};
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--offscreen"))
            offscreen = true;
        else if (positional == 0 && a.toInt() > 0 && ++positional)
            runs = a.toInt();
        else if (positional == 1 && (a == QLatin1String("0") || a.toInt() > 0) && ++positional)
            cpuWindow = a.toInt();
        else
            programs.append({a, a});
    }
    Bench::printHeader("start-up, side by side");

    // A configured cue, as on a show laptop: the player has a file to load.
    const QString cue = QDir::homePath() + QStringLiteral("/cue.wav");
    {
        QFile wav(cue);
        if (wav.open(QIODevice::WriteOnly)) {
            const quint32 rate = 44100, samples = rate / 2, bytes = samples * 2;
            QByteArray h("RIFF");
            auto le = [&h](quint32 v, int n) {
                for (int i = 0; i < n; ++i)
                    h.append(char((v >> (8 * i)) & 0xff));
            };
            le(36 + bytes, 4);
            h.append("WAVEfmt ");
            le(16, 4), le(1, 2), le(1, 2), le(rate, 4), le(rate * 2, 4), le(2, 2), le(16, 2);
            h.append("data");
            le(bytes, 4);
            wav.write(h);
            wav.write(QByteArray(int(bytes), '\0'));
        }
        QSettings store(QStringLiteral("Vellmark"), QStringLiteral("Vellmark"));
        store.setValue(QStringLiteral("soundFilePath"), cue);
        store.setValue(QStringLiteral("soundEnabled"), true);
        store.setValue(QStringLiteral("defaultDuration"), 2);
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_PLUGIN_PATH"), dir + QStringLiteral("/plugins"));
    env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("startupprobe"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // A private PulseAudio server with a null sink, so the cue has somewhere
    // to play and the programs connect to audio as on a show laptop.
    QProcess pulse;
    const QString runtime = QDir::homePath() + QStringLiteral("/runtime");
    const QString socket = QDir::homePath() + QStringLiteral("/pulse-native");
    {
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString script = QDir::homePath() + QStringLiteral("/server.pa");
        QFile pa(script);
        if (pa.open(QIODevice::WriteOnly))
            pa.write("load-module module-null-sink sink_name=cue\n"
                     "set-default-sink cue\n"
                     "load-module module-native-protocol-unix auth-anonymous=1 socket=" +
                     socket.toLocal8Bit() + "\n");
        pa.close();
        QProcessEnvironment penv = QProcessEnvironment::systemEnvironment();
        penv.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        penv.insert(QStringLiteral("PULSE_RUNTIME_PATH"), runtime);
        pulse.setProcessEnvironment(penv);
        pulse.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        pulse.start(QStringLiteral("pulseaudio"),
                    {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                     QStringLiteral("--system=no"), QStringLiteral("--disallow-exit"),
                     QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-level=error"),
                     QStringLiteral("-n"), QStringLiteral("-F"), script});
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000 && !QFile::exists(socket))
            QThread::msleep(20);
        QThread::msleep(200);
        std::printf("audio: private PulseAudio server with a null sink%s\n",
                    QFile::exists(socket) ? "" : " (did not come up: no cue figures)");
    }
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), runtime);
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket);

    QProcess xvfb;
    if (offscreen) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("offscreen:configfile=%1/data/screen-4k.json")
                       .arg(QStringLiteral(VELLMARK_BENCH_SOURCE_DIR)));
        std::printf("display: Qt offscreen platform, screens of bench/data/screen-4k.json\n");
    } else {
        QString display;
        if (!startXvfb(xvfb, &display)) {
            std::printf("could not start Xvfb\n");
            return 1;
        }
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        std::printf("display: private Xvfb %s, one 1920 x 1080 x 24 screen, no window manager, "
                    "xcb platform\n",
                    qPrintable(display));
    }
    std::fflush(stdout);

    // Interleaved, the first program of each round changing, so that neither
    // always runs on a warmer cache.
    for (int r = 0; r < runs; ++r) {
        for (qsizetype k = 0; k < programs.size(); ++k) {
            Program& prog = programs[(k + r) % programs.size()];
            QProcess p;
            const Run run = startOnce(p, prog.path, env, true);
            stop(p);
            if (!run.ok) {
                std::printf("%s: no two painted windows within 30 s\n", qPrintable(prog.label));
                return 1;
            }
            const Stage* painted = run.find("painted");
            const Stage* settled = run.find("settled");
            prog.painted << painted->ms;
            prog.rss << painted->rssMiB;
            prog.libs << painted->libs;
            prog.settledRss << settled->rssMiB;
            prog.settledLibs << settled->libs;
            prog.cpu << painted->cpuMs;
            if (const Stage* player = run.find("player"))
                prog.player << player->ms - painted->ms;
        }
    }

    const Program& bare = programs.first();
    std::printf("\n%d runs each; medians (min-max)\n", runs);
    std::printf("%-22s %22s %8s %20s %8s %8s %18s %22s\n", "program", "both painted ms", "ratio",
                "RSS then MiB", "ratio", "objects", "RSS +2 s MiB", "player after paint ms");
    for (const Program& prog : programs) {
        std::printf(
            "%-22s %8.0f (%4.0f-%5.0f) %8.2f %8.1f (%4.1f-%4.1f) %8.2f %8.0f %8.1f "
            "(%4.0f obj) %s\n",
            qPrintable(QFileInfo(prog.label).fileName().left(22)), Bench::median(prog.painted),
            Bench::percentile(prog.painted, 0), Bench::percentile(prog.painted, 100),
            Bench::median(prog.painted) / Bench::median(bare.painted), Bench::median(prog.rss),
            Bench::percentile(prog.rss, 0), Bench::percentile(prog.rss, 100),
            Bench::median(prog.rss) / Bench::median(bare.rss), Bench::median(prog.libs),
            Bench::median(prog.settledRss), Bench::median(prog.settledLibs),
            prog.player.isEmpty()
                ? "-"
                : qPrintable(QStringLiteral("%1 (%2 to %3)")
                                 .arg(Bench::median(prog.player), 0, 'f', 0)
                                 .arg(Bench::percentile(prog.player, 0), 0, 'f', 0)
                                 .arg(Bench::percentile(prog.player, 100), 0, 'f', 0)));
    }
    // The same rounds seen two more ways. Each program's time over the bare
    // program's in the same round (they ran seconds apart), so a machine
    // that is busier in one minute than in the next moves both; and the main
    // thread's CPU time up to both windows painted, which waits for nothing.
    std::printf("\n%-22s %28s %30s %8s\n", "program", "both painted / bare, same round",
                "main thread CPU ms at paint", "ratio");
    for (const Program& prog : programs) {
        QList<double> paired;
        for (qsizetype r = 0; r < prog.painted.size() && r < bare.painted.size(); ++r)
            paired << prog.painted.at(r) / bare.painted.at(r);
        std::printf("%-22s %10.2f (%4.2f-%4.2f) %19.1f (%4.1f-%5.1f) %8.2f\n",
                    qPrintable(QFileInfo(prog.label).fileName().left(22)), Bench::median(paired),
                    Bench::percentile(paired, 0), Bench::percentile(paired, 100),
                    Bench::median(prog.cpu), Bench::percentile(prog.cpu, 0),
                    Bench::percentile(prog.cpu, 100),
                    Bench::median(prog.cpu) / Bench::median(bare.cpu));
    }
    std::fflush(stdout);

    // One traced run of each, for where the time and memory go.
    const QString tracer = dir + QStringLiteral("/libloadtrace.so");
    for (const Program& prog : programs) {
        const QString tracePath = QDir::homePath() + QStringLiteral("/loads.txt");
        QFile::remove(tracePath);
        QProcessEnvironment traced = env;
        traced.insert(QStringLiteral("LD_AUDIT"), tracer);
        traced.insert(QStringLiteral("VELLMARK_LOADTRACE"), tracePath);
        QProcess p;
        const Run run = startOnce(p, prog.path, traced, true);
        stop(p);
        if (run.ok)
            printBreakdown(prog, run, tracePath);
    }

    // The first cue of a run: START two seconds after the windows are painted,
    // the zero tick two seconds later; from the zero tick's play() until the
    // player's position moves.
    std::printf("\nfirst cue of a run, %d runs each: zero tick to sound under way, median "
                "(min-max) ms\n",
                std::min(runs, 5));
    for (qsizetype k = 1; k < programs.size(); ++k) {
        QList<double> latency;
        for (int r = 0; r < std::min(runs, 5); ++r) {
            QProcess p;
            const Run run = startOnce(p, programs.at(k).path, env, true);
            if (!run.ok)
                break;
            p.write("cue\n");
            QByteArray line;
            if (waitForLine(p, "cue", &line, 15000)) {
                const QList<QByteArray> f = line.split(' ');
                if (f.value(1) == "playing")
                    latency << double(f.value(4).toLongLong() - f.value(2).toLongLong());
            }
            stop(p);
        }
        std::printf("%-40s %s\n", qPrintable(programs.at(k).label.right(40)),
                    latency.isEmpty()
                        ? "no cue heard"
                        : qPrintable(QStringLiteral("%1 (%2-%3)")
                                         .arg(Bench::median(latency), 0, 'f', 0)
                                         .arg(Bench::percentile(latency, 0), 0, 'f', 0)
                                         .arg(Bench::percentile(latency, 100), 0, 'f', 0)));
        std::fflush(stdout);
    }

    if (cpuWindow > 0) {
        QProcess last;
        const Run run = startOnce(last, programs.at(1).path, env, true);
        if (!run.ok)
            return 1;
        double before = cpuSeconds(run.pid);
        QThread::sleep(static_cast<unsigned long>(cpuWindow));
        double after = cpuSeconds(run.pid);
        std::printf("\nCPU time over %d s, timer stopped: %.2f s (%.2f %% of one core)\n",
                    cpuWindow, after - before, (after - before) * 100.0 / cpuWindow);
        last.write("start\n");
        QByteArray line;
        if (waitForLine(last, "started", &line, 5000)) {
            before = cpuSeconds(run.pid);
            QThread::sleep(static_cast<unsigned long>(cpuWindow));
            after = cpuSeconds(run.pid);
            std::printf("CPU time over %d s, timer running: %.2f s (%.2f %% of one core)\n",
                        cpuWindow, after - before, (after - before) * 100.0 / cpuWindow);
        }
        stop(last);
    }
    if (!offscreen)
        stop(xvfb);
    stop(pulse);
    return 0;
}
