// SPDX-License-Identifier: GPL-3.0-or-later
// A Qt generic plugin that bench_startup loads into the unmodified programs it
// measures (QT_QPA_GENERIC_PLUGINS=startupprobe). It reports on stdout, in
// monotonic milliseconds with the resident memory and the number of shared
// objects mapped at that moment, the stages of start-up it can see from the
// outside:
//   stage qapp ...      the application object made its platform (the probe is loaded)
//   stage shown1 ...    the first top-level window is shown
//   stage shown2 ...    the second top-level window is shown
//   stage painted ...   both top-level windows have been painted
//   stage player ...    a QMediaPlayer exists (looked for every 5 ms after painting)
//   stage settled ...   two seconds after painting
// followed by the line "painted <ms> rss <bytes>". A line "start" on stdin
// presses the START button as an operator would; a line "cue" presses START
// and then watches the media player (every millisecond) until it plays and
// until its position moves, and reports "cue playing <ms> sounding <ms>": the
// zero tick calls play(), so the first is the zero tick, the second the
// moment the sound is under way.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGenericPlugin>
#include <QPushButton>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include <sys/resource.h>
#include <unistd.h>

namespace {

long long nowMs()
{
    QElapsedTimer t;
    t.start();
    return t.msecsSinceReference();
}

long residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLong() * ::sysconf(_SC_PAGESIZE);
}

int sharedObjects()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return 0;
    QSet<QByteArray> paths;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const int slash = line.indexOf('/');
        if (slash < 0)
            continue;
        const QByteArray path = line.mid(slash);
        if (path.endsWith(".so") || path.contains(".so."))
            paths.insert(path);
    }
    return int(paths.size());
}

// CPU time in milliseconds, user and system, of the calling thread or of
// the whole process.
double cpuMs(int who)
{
    rusage u{};
    ::getrusage(who, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Always called on the main thread.
void stage(const char* name, long long ms)
{
    std::printf("stage %s %lld rss %ld libs %d cpu %.1f process %.1f\n", name, ms, residentBytes(),
                sharedObjects(), cpuMs(RUSAGE_THREAD), cpuMs(RUSAGE_SELF));
    std::fflush(stdout);
}

bool hasMediaPlayer()
{
    for (QWidget* top : QApplication::topLevelWidgets())
        for (QObject* o : top->findChildren<QObject*>())
            if (qstrcmp(o->metaObject()->className(), "QMediaPlayer") == 0)
                return true;
    return false;
}

class Probe : public QObject {
  public:
    Probe()
    {
        stage("qapp", nowMs());
        m_stdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(m_stdin, &QSocketNotifier::activated, this, &Probe::readCommand);
        m_poll.setInterval(5);
        connect(&m_poll, &QTimer::timeout, this, &Probe::lookForPlayer);
        m_cueTimer.setInterval(1);
        m_cueTimer.setTimerType(Qt::PreciseTimer);
        connect(&m_cueTimer, &QTimer::timeout, this, &Probe::watchCue);
    }

  protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (!o->isWidgetType())
            return QObject::eventFilter(o, e);
        auto* w = static_cast<QWidget*>(o);
        if (e->type() == QEvent::Show && w->isWindow() && !m_shown.contains(w)) {
            m_shown.insert(w);
            if (m_shown.size() <= 2)
                stage(m_shown.size() == 1 ? "shown1" : "shown2", nowMs());
        }
        if (!m_reported && e->type() == QEvent::Paint) {
            m_painted.insert(w->window());
            if (m_painted.size() >= 2) {
                m_reported = true;
                // Reported once this paint pass has finished.
                QTimer::singleShot(0, this, &Probe::report);
            }
        }
        return QObject::eventFilter(o, e);
    }

  private:
    void report()
    {
        const long long ms = nowMs();
        stage("painted", ms);
        std::printf("painted %lld rss %ld\n", ms, residentBytes());
        std::fflush(stdout);
        m_poll.start();
        lookForPlayer();
        QTimer::singleShot(2000, this, [] { stage("settled", nowMs()); });
    }

    void lookForPlayer()
    {
        if (!hasMediaPlayer())
            return;
        m_poll.stop();
        stage("player", nowMs());
    }

    void readCommand()
    {
        char buf[64];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            m_stdin->setEnabled(false);
            return;
        }
        if (QByteArray(buf, int(n)).contains("cue")) {
            m_player = nullptr;
            for (QWidget* top : QApplication::topLevelWidgets())
                for (QObject* o : top->findChildren<QObject*>())
                    if (qstrcmp(o->metaObject()->className(), "QMediaPlayer") == 0)
                        m_player = o;
            if (!m_player) {
                std::printf("cue no player\n");
                std::fflush(stdout);
                return;
            }
            m_playingAt = 0;
            m_cueTimer.start();
            pressStart();
            return;
        }
        if (QByteArray(buf, int(n)).contains("start")) {
            pressStart();
            return;
        }
    }

    void watchCue()
    {
        const long long now = nowMs();
        if (!m_playingAt && m_player->property("playbackState").toInt() == 1)
            m_playingAt = now;
        if (m_playingAt && m_player->property("position").toLongLong() > 0) {
            m_cueTimer.stop();
            std::printf("cue playing %lld sounding %lld\n", m_playingAt, now);
            std::fflush(stdout);
        }
    }

    void pressStart()
    {
        {
            for (QWidget* w : QApplication::allWidgets()) {
                if (w->objectName() == QLatin1String("startBtn")) {
                    if (auto* b = qobject_cast<QPushButton*>(w))
                        b->click();
                    std::printf("started\n");
                    std::fflush(stdout);
                    return;
                }
            }
            std::printf("no start button\n");
            std::fflush(stdout);
        }
    }

    QSet<QWidget*> m_shown;
    QSet<QWidget*> m_painted;
    bool m_reported = false;
    QSocketNotifier* m_stdin = nullptr;
    QTimer m_poll;
    QTimer m_cueTimer;
    QObject* m_player = nullptr;
    long long m_playingAt = 0;
};

} // namespace

class StartupProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "startupprobe.json")

  public:
    QObject* create(const QString& key, const QString&) override
    {
        if (key.compare(QLatin1String("startupprobe"), Qt::CaseInsensitive) != 0)
            return nullptr;
        auto* probe = new Probe;
        QCoreApplication::instance()->installEventFilter(probe);
        return probe;
    }
};

#include "startupprobe.moc"
