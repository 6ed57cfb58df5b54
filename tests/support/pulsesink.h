// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A private PulseAudio server whose default sink is a null sink named "cue",
// for hearing what the program plays without a sound card. Starting it points
// this process (its media back ends included) at that server only.
class PulseSink {
  public:
    PulseSink() = default;
    ~PulseSink();
    PulseSink(const PulseSink&) = delete;
    PulseSink& operator=(const PulseSink&) = delete;

    // Starts the server and waits until it answers; false with a reason if not.
    bool start(QString* error);
    QString dir() const { return m_dir.path(); }

  private:
    QTemporaryDir m_dir;
    QProcess m_server;
};

// Records the null sink's monitor into a mono 16-bit WAV file with parecord.
class SinkRecording {
  public:
    static constexpr int kRate = 44100;

    explicit SinkRecording(const QString& path) : m_path(path) {}
    ~SinkRecording() { stop(); }
    SinkRecording(const SinkRecording&) = delete;
    SinkRecording& operator=(const SinkRecording&) = delete;

    bool start();
    // Stops recording; the file is complete afterwards.
    bool stop();
    // Seconds of audio written so far: the recording's clock, which runs with the sink's.
    double seconds() const;
    // The peak amplitude (0 to 1) between two points of the recording; a
    // length of 0 means to the end. -1 when there is nothing there.
    double peak(double from, double length = 0) const;
    // The first point at or after `from` where the signal rises above
    // `threshold` (0 to 1), or -1 if it never does.
    double onset(double from, double threshold = 0.05) const;

  private:
    QList<qint16> samples(double from, double length) const;
    QString m_path;
    QProcess m_rec;
};

namespace TestSupport {
// Writes a mono 16-bit PCM WAV file of the given samples; false on failure.
bool writeWav(const QString& path, int rate, const QList<qint16>& samples);
// Half a second of an 880 Hz tone at half scale, as a WAV file.
bool writeTone(const QString& path);
} // namespace TestSupport
