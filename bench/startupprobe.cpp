// A Qt generic plugin that bench_startup loads into the unmodified vellmark
// program (QT_QPA_GENERIC_PLUGINS=startupprobe). It reports on stdout the
// monotonic time at which two top-level windows have both been painted, and
// the resident memory then; a line "start" on stdin presses the START button
// as an operator would.
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

#include <unistd.h>

namespace {

class Probe : public QObject {
  public:
    Probe()
    {
        m_stdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(m_stdin, &QSocketNotifier::activated, this, &Probe::readCommand);
    }

  protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (!m_reported && e->type() == QEvent::Paint && o->isWidgetType()) {
            QWidget* top = static_cast<QWidget*>(o)->window();
            m_painted.insert(top);
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
        long pages = 0;
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (statm.open(QIODevice::ReadOnly))
            pages = statm.readAll().split(' ').value(1).toLong();
        QElapsedTimer now;
        now.start();
        std::printf("painted %lld rss %ld\n", static_cast<long long>(now.msecsSinceReference()),
                    pages * ::sysconf(_SC_PAGESIZE));
        std::fflush(stdout);
    }

    void readCommand()
    {
        char buf[64];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            m_stdin->setEnabled(false);
            return;
        }
        if (QByteArray(buf, int(n)).contains("start")) {
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

    QSet<QWidget*> m_painted;
    bool m_reported = false;
    QSocketNotifier* m_stdin = nullptr;
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
