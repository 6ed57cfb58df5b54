// SPDX-License-Identifier: GPL-3.0-or-later
// The audio cue, listened for: the program plays into a private PulseAudio
// server's null sink while parecord records that sink's monitor. The media
// back end is the one CTest names in QT_MEDIA_BACKEND.
#include "app/appwindows.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMediaPlayer>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Longer than the few seconds after which Qt's GStreamer back end used to
// lose a loaded source: an operator chooses the file long before the zero.
constexpr int kIdleMs = 11000;

// Both windows with their own engine and record, as start-up builds them.
struct Rig {
    Rig(const QString& file, bool enabled, int duration)
    {
        settings.soundEnabled = enabled;
        settings.soundFilePath = file;
        engine.setDuration(duration);
        engine.setOvertimeEnabled(true);
        windows = std::make_unique<AppWindows>(&settings, &engine);
        windows->show();
    }
    void pressTest()
    {
        for (auto* b : windows->control().findChildren<QPushButton*>())
            if (b->text() == QLatin1String("Test"))
                b->click();
    }
    AppSettings settings;
    TimerEngine engine;
    std::unique_ptr<AppWindows> windows;
};

bool write(const QString& file, const QByteArray& data)
{
    QFile f(file);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

class TestAudioCue : public QObject {
    Q_OBJECT

    PulseSink m_sink;
    QString m_tone;

    QString path(const char* name) const
    {
        return m_sink.dir() + QLatin1Char('/') + QLatin1String(name);
    }

  private slots:
    void initTestCase()
    {
        qInfo("media back end: %s", qgetenv("QT_MEDIA_BACKEND").constData());
        QString error;
        QVERIFY2(m_sink.start(&error), qPrintable(error));
        m_tone = path("tone.wav");
        QVERIFY(TestSupport::writeTone(m_tone));
        QVERIFY(write(path("empty.wav"), QByteArray()));
        QVERIFY(write(path("notes.wav"), "These are the speaker notes, not a sound.\n"));
        QVERIFY(write(path("unreadable.wav"), "RIFF, but nobody may read it\n"));
        QVERIFY(QFile::setPermissions(path("unreadable.wav"), QFileDevice::Permissions()));
        QVERIFY(QDir().mkpath(path("folder.wav")));
        // The tone's header announces half a second; a few milliseconds follow.
        QVERIFY(QFile::copy(m_tone, path("truncated.wav")));
        QVERIFY(QFile::resize(path("truncated.wav"), 44 + 400));
    }

    // As on stage: the files were loaded long before the counts reach zero,
    // and the operator's first Test press comes long after start-up. Two
    // windows loaded together share the wait: the one with the cue switched
    // off reaches zero in silence, the other one with its cue; then each one's
    // Test is heard (the second a play after one that finished).
    void heardLongAfterLoading()
    {
        QElapsedTimer sinceLoading;
        sinceLoading.start();
        Rig atZero(m_tone, true, 1);
        Rig silent(m_tone, false, 1);
        SinkRecording rec(path("idle.wav"));
        QVERIFY(rec.start());
        QTRY_VERIFY_WITH_TIMEOUT(sinceLoading.elapsed() >= kIdleMs, kIdleMs + 5000);

        const auto toZero = [](Rig& rig) {
            rig.engine.start();
            TestSupport::stepEngine(&rig.engine);
            QCOMPARE(rig.engine.remaining(), 0);
            rig.engine.pause(); // its own timer must not run on meanwhile
        };
        const std::pair<bool, std::function<void()>> events[] = {
            {false, [&] { toZero(silent); }},
            {true, [&] { toZero(atZero); }},
            {true, [&] { silent.pressTest(); }},
            {true, [&] { atZero.pressTest(); }},
        };
        QList<double> at;
        for (const auto& [heard, event] : events) {
            at << rec.seconds();
            event();
            // Room for a slow start on a loaded machine; the tone lasts 0.5 s.
            QTRY_VERIFY_WITH_TIMEOUT(rec.seconds() > at.last() + 3.0, 20000);
        }
        QVERIFY(rec.stop());
        at << rec.seconds();
        const double before = rec.peak(0, at[0]);
        QVERIFY2(before >= 0 && before < 0.01, qPrintable(QString::number(before)));
        for (int i = 0; i < 4; ++i) {
            const double p = rec.peak(at[i], at[i + 1] - at[i]);
            QVERIFY2(events[i].first ? p > 0.2 : p >= 0 && p < 0.01,
                     qPrintable(QStringLiteral("after event %1: %2").arg(i).arg(p)));
            if (events[i].first)
                qInfo("event %d to first audible sample: %.0f ms", i,
                      (rec.onset(at[i]) - at[i]) * 1000);
        }
    }

    // A file that cannot be played neither crashes nor hangs the program at
    // zero or on Test: the player comes to rest and the count goes on, by its
    // own timer too, and the windows close.
    void badFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("missing") << "missing.wav";
        // Unreadable for everyone but root, for whom it is a text file.
        QTest::newRow("unreadable") << "unreadable.wav";
        QTest::newRow("empty") << "empty.wav";
        QTest::newRow("a folder") << "folder.wav";
        QTest::newRow("text renamed .wav") << "notes.wav";
        QTest::newRow("truncated WAV") << "truncated.wav";
    }

    void badFile()
    {
        QFETCH(QString, file);

        Rig rig(m_sink.dir() + QLatin1Char('/') + file, true, 2);
        auto* preview = rig.windows->control().findChild<QLabel*>(QStringLiteral("timerPreview"));
        TestSupport::stepEngine(&rig.engine, 3);
        QCOMPARE(preview->text(), QStringLiteral("-00:01"));
        rig.pressTest();
        rig.pressTest();
        auto* player = rig.windows->control().findChild<QMediaPlayer*>();
        QVERIFY(player);
        // Qt's GStreamer back end reports a bad file as invalid media with an
        // error but leaves the playback state at playing; Qt 6.4's FFmpeg back
        // end reports nothing at all for some of them, so there only the count
        // going on is required.
        const bool ffmpeg = qgetenv("QT_MEDIA_BACKEND") == "ffmpeg";
        const bool rests = QTest::qWaitFor(
            [player] {
                return player->error() != QMediaPlayer::NoError ||
                       player->mediaStatus() == QMediaPlayer::InvalidMedia ||
                       player->mediaStatus() == QMediaPlayer::EndOfMedia;
            },
            ffmpeg ? 1000 : 10000);
        qInfo("player status %d, error %d", int(player->mediaStatus()), int(player->error()));
        QVERIFY2(rests || ffmpeg, "the player did not come to rest");
        rig.engine.start();
        QTRY_VERIFY_WITH_TIMEOUT(rig.engine.remaining() <= -2, 5000);
        rig.engine.pause();
        QCOMPARE(preview->text(),
                 QStringLiteral("-00:%1").arg(-rig.engine.remaining(), 2, 10, QLatin1Char('0')));
    }
};

VELLMARK_TEST_MAIN(TestAudioCue)
#include "tst_audiocue.moc"
