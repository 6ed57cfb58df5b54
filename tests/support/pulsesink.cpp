// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulsesink.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <QtMath>

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
    if (!pa.open(QIODevice::WriteOnly) ||
        pa.write("load-module module-null-sink sink_name=cue\nset-default-sink cue\n"
                 "load-module module-native-protocol-unix auth-anonymous=1 socket=" +
                 socket.toLocal8Bit() + "\n") < 0) {
        *error = QStringLiteral("cannot write %1").arg(script);
        return false;
    }
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

QList<qint16> SinkRecording::samples(double from, double length) const
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = f.readAll().mid(kWavHeader);
    const auto* first = reinterpret_cast<const qint16*>(data.constData());
    const qsizetype count = data.size() / 2, begin = std::min(qsizetype(from * kRate), count);
    const qsizetype end = length > 0 ? std::min(begin + qsizetype(length * kRate), count) : count;
    return QList<qint16>(first + begin, first + end);
}

double SinkRecording::peak(double from, double length) const
{
    const QList<qint16> s = samples(from, length);
    if (s.isEmpty())
        return -1;
    int most = 0;
    for (qint16 v : s)
        most = std::max(most, std::abs(int(v)));
    return most / 32768.0;
}

double SinkRecording::onset(double from, double threshold) const
{
    const QList<qint16> s = samples(from, 0);
    for (qsizetype i = 0; i < s.size(); ++i)
        if (std::abs(int(s[i])) > int(threshold * 32767))
            return from + double(i) / kRate;
    return -1;
}

bool TestSupport::writeWav(const QString& path, int rate, const QList<qint16>& samples)
{
    const quint32 bytes = quint32(samples.size()) * 2;
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + bytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << bytes;
    for (qint16 v : samples)
        out << v;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

bool TestSupport::writeTone(const QString& path)
{
    QList<qint16> samples;
    for (int i = 0; i < SinkRecording::kRate / 2; ++i)
        samples << qint16(16000 * qSin(2 * M_PI * 880 * i / SinkRecording::kRate));
    return writeWav(path, SinkRecording::kRate, samples);
}
