// SPDX-License-Identifier: GPL-3.0-or-later
// Latency of the sound cue: from the zero tick (and from a Test press) to the
// first audible sample, as heard on a private PulseAudio server's null sink.
// Each round builds a control window with the cue file chosen, leaves it idle
// as an operator's window would be before the count reaches zero, then steps
// the engine to zero. The media back end is Qt's choice or QT_MEDIA_BACKEND.
//   bench_cuelatency [rounds] [idle seconds]   (default 5 rounds, 11 s idle)
//
// How it is measured: parecord records the sink's monitor into a WAV file
// (20 ms fragments). The position of the recording when the tick happens is
// taken as the moment of the tick; the latency is the distance from there to
// the first sample above 5 % of full scale. The recording runs on the sink's
// clock and reaches the file in fragments, so each figure carries an
// uncertainty of about one fragment (±20 ms).
#include "benchsupport.h"
#include "control/controlwindow.h"
#include "pulsesink.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QtMath>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

bool spinUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

QString writeTone(const QString& dir)
{
    QList<qint16> samples;
    for (int i = 0; i < SinkRecording::kRate / 2; ++i)
        samples << qint16(16000 * qSin(2 * M_PI * 880 * i / SinkRecording::kRate));
    const QString path = dir + QStringLiteral("/tone.wav");
    return TestSupport::writeWav(path, SinkRecording::kRate, samples) ? path : QString();
}

} // namespace

int main(int argc, char** argv)
{
    Bench::PrivateHome home;
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int idleMs = (argc > 2 ? std::max(0, std::atoi(argv[2])) : 11) * 1000;
    Bench::printHeader("sound cue latency");
    const QByteArray backend = qgetenv("QT_MEDIA_BACKEND");
    std::printf("media back end: %s; %d rounds, %d s idle before each zero\n",
                backend.isEmpty() ? "Qt's default" : backend.constData(), rounds, idleMs / 1000);

    PulseSink sink;
    QString error;
    if (!sink.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QString tone = writeTone(sink.dir());
    SinkRecording rec(sink.dir() + QStringLiteral("/rounds.wav"));
    if (tone.isEmpty() || !rec.start() || !spinUntil([&] { return rec.seconds() > 0.2; }, 15000)) {
        std::fprintf(stderr, "cannot record the sink\n");
        return 1;
    }

    QList<double> zero, test;
    for (int r = 0; r < rounds; ++r) {
        AppSettings settings;
        settings.soundEnabled = true;
        settings.soundFilePath = tone;
        TimerEngine engine;
        engine.setDuration(1);
        OutputWindow output(&settings);
        ControlWindow control(&settings, &engine, &output);
        QPushButton* testBtn = nullptr;
        for (auto* b : control.findChildren<QPushButton*>())
            if (b->text() == QLatin1String("Test"))
                testBtn = b;

        QElapsedTimer idle;
        idle.start();
        spinUntil([&] { return idle.elapsed() >= idleMs; }, idleMs + 1000);

        const double zeroAt = rec.seconds();
        engine.start();
        QMetaObject::invokeMethod(&engine, "onTimeout", Qt::DirectConnection);
        spinUntil([&] { return rec.seconds() > zeroAt + 3; }, 20000);
        const double testAt = rec.seconds();
        testBtn->click();
        spinUntil([&] { return rec.seconds() > testAt + 3; }, 20000);

        const double z = rec.onset(zeroAt);
        const double t = rec.onset(testAt);
        std::printf("round %d: zero tick %s, Test press %s\n", r + 1,
                    z < 0 || z > testAt
                        ? "silent"
                        : qPrintable(QStringLiteral("%1 ms").arg(qRound((z - zeroAt) * 1000))),
                    t < 0 ? "silent"
                          : qPrintable(QStringLiteral("%1 ms").arg(qRound((t - testAt) * 1000))));
        if (z >= 0 && z <= testAt)
            zero << (z - zeroAt) * 1000;
        if (t >= 0)
            test << (t - testAt) * 1000;
        std::fflush(stdout);
    }
    rec.stop();
    std::printf("zero tick to first audible sample: median %.0f ms, max %.0f ms (%lld of %d "
                "rounds heard)\n",
                zero.isEmpty() ? -1.0 : Bench::median(zero),
                zero.isEmpty() ? -1.0 : *std::max_element(zero.begin(), zero.end()),
                qlonglong(zero.size()), rounds);
    std::printf("Test press to first audible sample: median %.0f ms, max %.0f ms (%lld of %d "
                "rounds heard)\n",
                test.isEmpty() ? -1.0 : Bench::median(test),
                test.isEmpty() ? -1.0 : *std::max_element(test.begin(), test.end()),
                qlonglong(test.size()), rounds);
    return 0;
}
