// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchsupport.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QMetaObject>
#include <QProcess>
#include <QScreen>
#include <QSysInfo>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

Bench::Stage::Stage()
{
    loadSettings(settings);
    engine.setDuration(settings.defaultDuration);
    engine.setOvertimeEnabled(settings.overtimeEnabled);
    windows = std::make_unique<AppWindows>(&settings, &engine);
    windows->show();
    output = &windows->output();
    control = &windows->control();
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

Bench::Stage::~Stage() = default;

void Bench::Stage::step()
{
    QMetaObject::invokeMethod(&engine, "onTimeout", Qt::DirectConnection);
}

void Bench::Stage::showOutput(QScreen* screen, const QSize& size)
{
    output->hide();
    if (screen) {
        output->setGeometry(screen->geometry());
        output->showFullScreen();
        if (output->windowHandle())
            output->windowHandle()->setScreen(screen);
        output->setGeometry(screen->geometry());
    } else {
        output->showNormal();
        output->resize(size);
    }
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

QScreen* Bench::stageScreen()
{
    QScreen* best = QGuiApplication::primaryScreen();
    for (QScreen* s : QGuiApplication::screens()) {
        if (s->name() == QLatin1String("Stage"))
            return s;
        if (s->geometry().height() > best->geometry().height())
            best = s;
    }
    return best;
}

Bench::CoreLoad::CoreLoad()
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (volatile unsigned long n = 0;; n = n + 1) {
        }
    }
    m_pid = pid;
}

Bench::CoreLoad::~CoreLoad()
{
    if (m_pid > 0) {
        ::kill(static_cast<pid_t>(m_pid), SIGKILL);
        ::waitpid(static_cast<pid_t>(m_pid), nullptr, 0);
    }
}

double Bench::median(QList<double> v)
{
    return percentile(std::move(v), 50.0);
}

double Bench::percentile(QList<double> v, double p)
{
    if (v.isEmpty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const double rank = p / 100.0 * (v.size() - 1);
    const qsizetype lo = static_cast<qsizetype>(std::floor(rank));
    const qsizetype hi = std::min<qsizetype>(lo + 1, v.size() - 1);
    return v.at(lo) + (v.at(hi) - v.at(lo)) * (rank - static_cast<double>(lo));
}

double Bench::slope(const QList<double>& x, const QList<double>& y)
{
    const qsizetype n = std::min(x.size(), y.size());
    if (n < 2)
        return 0.0;
    double mx = 0, my = 0;
    for (qsizetype i = 0; i < n; ++i) {
        mx += x.at(i);
        my += y.at(i);
    }
    mx /= n;
    my /= n;
    double sxy = 0, sxx = 0;
    for (qsizetype i = 0; i < n; ++i) {
        sxy += (x.at(i) - mx) * (y.at(i) - my);
        sxx += (x.at(i) - mx) * (x.at(i) - mx);
    }
    return sxx > 0 ? sxy / sxx : 0.0;
}

void Bench::printHeader(const char* title)
{
    QString cpu;
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : info.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                cpu = QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
                break;
            }
        }
    }
    std::printf("== %s\n", title);
    std::printf("date %s, %s, %d cores (%s), Qt %s, platform %s\n",
                qPrintable(QDateTime::currentDateTimeUtc().toString(Qt::ISODate)),
                qPrintable(QSysInfo::prettyProductName()), QThread::idealThreadCount(),
                qPrintable(cpu), qVersion(),
                qGuiApp ? qPrintable(QGuiApplication::platformName())
                        : qgetenv("QT_QPA_PLATFORM").constData());
    std::fflush(stdout);
}
