// SPDX-License-Identifier: GPL-3.0-or-later
// Sound files that cannot be played as the audio cue: missing, unreadable,
// empty, a folder, a text file named .wav and a truncated WAV. The cue at
// zero and the Test button must neither crash nor hang the program, the
// player must come to rest, and the count must go on, by its own timer too.
// The player talks to a PulseAudio null sink of the test's own.
#include "app/appwindows.h"
#include "pulsesink.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMediaPlayer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestBadSound : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir m_dir;
    PulseSink m_sink;

    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

    static bool write(const QString& file, const QByteArray& data)
    {
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    }

    // A WAV header that announces a second of 16-bit mono sound, followed by
    // only a few milliseconds of it.
    static QByteArray truncatedWav()
    {
        QByteArray data;
        QDataStream out(&data, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        out.writeRawData("RIFF", 4);
        out << quint32(36 + 88200);
        out.writeRawData("WAVEfmt ", 8);
        out << quint32(16) << quint16(1) << quint16(1) << quint32(44100) << quint32(88200)
            << quint16(2) << quint16(16);
        out.writeRawData("data", 4);
        out << quint32(88200);
        for (int i = 0; i < 200; ++i)
            out << qint16((i % 20) * 1000);
        return data;
    }

  private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QString error;
        QVERIFY2(m_sink.start(&error), qPrintable(error));

        QVERIFY(write(path("empty.wav"), QByteArray()));
        QVERIFY(write(path("notes.wav"), "These are the speaker notes, not a sound.\n"));
        QVERIFY(write(path("unreadable.wav"), "RIFF, but nobody may read it\n"));
        QVERIFY(QFile::setPermissions(path("unreadable.wav"), QFileDevice::Permissions()));
        QVERIFY(QDir().mkpath(path("folder.wav")));
        QVERIFY(write(path("truncated.wav"), truncatedWav()));
    }

    void badCueFile_data()
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

    void badCueFile()
    {
        QFETCH(QString, file);
        AppSettings settings;
        loadSettings(settings);
        settings.soundEnabled = true;
        settings.soundFilePath = m_dir.filePath(file);
        TimerEngine engine;
        engine.setDuration(2);
        engine.setOvertimeEnabled(true);
        {
            AppWindows windows(&settings, &engine);
            ControlWindow& control = windows.control();
            auto* preview = control.findChild<QLabel*>(QStringLiteral("timerPreview"));
            QVERIFY(preview);
            QPushButton* test = nullptr;
            for (QPushButton* b : control.findChildren<QPushButton*>())
                if (b->text() == QLatin1String("Test"))
                    test = b;
            QVERIFY(test);

            // The cue at zero, then the operator trying the sound twice.
            TestSupport::stepEngine(&engine, 3);
            QCOMPARE(preview->text(), QStringLiteral("-00:01"));
            test->click();
            test->click();
            auto* player = control.findChild<QMediaPlayer*>();
            QVERIFY(player);

            // The player gives up on the file (or plays the little there is)
            // while the event loop keeps running.
            // Qt's GStreamer back end reports a bad file as invalid media with
            // an error but leaves the playback state at playing.
            QTRY_VERIFY_WITH_TIMEOUT(player->error() != QMediaPlayer::NoError ||
                                         player->mediaStatus() == QMediaPlayer::InvalidMedia ||
                                         player->mediaStatus() == QMediaPlayer::EndOfMedia,
                                     10000);
            qInfo("player came to rest: status %d, error %d (%s)", int(player->mediaStatus()),
                  int(player->error()), qPrintable(player->errorString()));

            // The count goes on, by the engine's own timer.
            engine.start();
            QTRY_VERIFY_WITH_TIMEOUT(engine.remaining() <= -2, 5000);
            engine.pause();
            QCOMPARE(preview->text(),
                     QStringLiteral("-00:%1").arg(-engine.remaining(), 2, 10, QLatin1Char('0')));
        }
        // Closing the windows with a failed player must not hang either; the
        // test's time limit stands guard.
    }
};

VELLMARK_TEST_MAIN(TestBadSound)
#include "tst_badsound.moc"
