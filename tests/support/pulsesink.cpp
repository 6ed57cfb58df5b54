// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulsesink.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kWavHeader = 44;

bool serverAnswers()
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    return pactl.waitForFinished(5000) && pactl.exitStatus() == QProcess::NormalExit &&
           pactl.exitCode() == 0;
}

} // namespace

PulseSink::~PulseSink()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
}

bool PulseSink::start(QString* error)
{
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString runtime = m_dir.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString socket = m_dir.filePath(QStringLiteral("native"));
    const QString script = m_dir.filePath(QStringLiteral("server.pa"));
    QFile pa(script);
    if (!pa.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1").arg(script);
        return false;
    }
    pa.write("load-module module-null-sink sink_name=cue\n"
             "set-default-sink cue\n"
             "load-module module-native-protocol-unix auth-anonymous=1 socket=" +
             socket.toLocal8Bit() + "\n");
    pa.close();

    // Everything in this process, the program's players included, talks to
    // this server only.
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    qputenv("PULSE_RUNTIME_PATH", runtime.toLocal8Bit());
    qputenv("PULSE_SERVER", "unix:" + socket.toLocal8Bit());

    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(QStringLiteral("pulseaudio"),
                   {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                    QStringLiteral("--system=no"), QStringLiteral("--disallow-exit"),
                    QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-level=error"),
                    QStringLiteral("-n"), QStringLiteral("-F"), script});
    if (!m_server.waitForStarted(10000)) {
        *error = QStringLiteral("pulseaudio must be installed (scripts/setup.sh)");
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (!serverAnswers()) {
        if (waited.elapsed() > 15000 || m_server.state() == QProcess::NotRunning) {
            *error = QStringLiteral("the private PulseAudio server does not answer");
            return false;
        }
        QThread::msleep(100);
    }
    return true;
}

SinkRecording::SinkRecording(const QString& path) : m_path(path) {}

SinkRecording::~SinkRecording()
{
    stop();
}

bool SinkRecording::start()
{
    m_rec.start(QStringLiteral("parecord"),
                {QStringLiteral("--device=cue.monitor"), QStringLiteral("--file-format=wav"),
                 QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=1"),
                 QStringLiteral("--format=s16le"), QStringLiteral("--latency-msec=20"), m_path});
    return m_rec.waitForStarted(10000);
}

bool SinkRecording::stop()
{
    if (m_rec.state() == QProcess::NotRunning)
        return true;
    m_rec.terminate();
    return m_rec.waitForFinished(10000);
}

double SinkRecording::seconds() const
{
    return std::max<qint64>(QFileInfo(m_path).size() - kWavHeader, 0) / double(kRate * 2);
}

double SinkRecording::peak(double from, double length) const
{
    QProcess sox;
    QStringList args{m_path, QStringLiteral("-n"), QStringLiteral("trim"), QString::number(from)};
    if (length > 0)
        args << QString::number(length);
    args << QStringLiteral("stat");
    sox.start(QStringLiteral("sox"), args);
    if (!sox.waitForFinished(20000))
        return -1;
    const QString report = QString::fromLocal8Bit(sox.readAllStandardError());
    const auto m =
        QRegularExpression(QStringLiteral("Maximum amplitude:\\s+([-0-9.]+)")).match(report);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

double SinkRecording::onset(double from, double threshold) const
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray data = f.readAll().mid(kWavHeader);
    const auto* samples = reinterpret_cast<const qint16*>(data.constData());
    const qsizetype count = data.size() / 2;
    const int limit = int(threshold * 32767);
    for (qsizetype i = qsizetype(from * kRate); i < count; ++i)
        if (std::abs(int(samples[i])) > limit)
            return double(i) / kRate;
    return -1;
}
