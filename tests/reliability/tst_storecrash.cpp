// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store survives a program killed while saving: a process that
// saves two records in turn is killed with SIGKILL at random moments, and
// every load afterwards must give one whole record, never a mixture of two
// and never the defaults of a damaged file. A lock file left behind by the
// killed writer must not block or swallow the next save.
#include "storerecords.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QThread>
#include <QtTest>

class TestStoreCrash : public QObject {
    Q_OBJECT

  private slots:
    void leftLockDoesNotBlockSave_data()
    {
        QTest::addColumn<bool>("withOwner");
        QTest::newRow("empty lock") << false;
        QTest::newRow("lock of a finished process") << true;
    }

    // A save right after a writer died must neither wait for its lock nor
    // be lost.
    void leftLockDoesNotBlockSave()
    {
        QFETCH(bool, withOwner);
        saveSettings(StoreRecords::record(0));
        QFile lock(TestSupport::storeFilePath() + QStringLiteral(".lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (withOwner) {
            QProcess finished;
            finished.start(QStringLiteral(VELLMARK_STORE_WRITER));
            QVERIFY(finished.waitForStarted(20000));
            const qint64 pid = finished.processId();
            finished.kill();
            QVERIFY(finished.waitForFinished(20000));
            lock.write(QByteArray::number(pid) + "\nstorewriter\n" +
                       QSysInfo::machineHostName().toUtf8() + "\n");
        }
        lock.close();

        QElapsedTimer clock;
        clock.start();
        saveSettings(StoreRecords::record(1));
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        AppSettings loaded;
        loadSettings(loaded);
        QVERIFY(StoreRecords::same(loaded, StoreRecords::record(1)));
        QVERIFY(!lock.exists());
    }

    void killedWriterLeavesAWholeRecord()
    {
        const int rounds = 250;
        const AppSettings first = StoreRecords::record(0);
        const AppSettings second = StoreRecords::record(1);
        const AppSettings own = StoreRecords::record(2);
        const QString storePath = TestSupport::storeFilePath();
        const QString lockPath = storePath + QStringLiteral(".lock");

        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator rng(seed);
        qInfo("random seed %u", seed);

        saveSettings(own);
        int killedWhileLocked = 0;
        int wholeFirst = 0, wholeSecond = 0, wholeOwn = 0;
        qint64 slowestSaveMs = 0;
        for (int round = 0; round < rounds; ++round) {
            QProcess writer;
            writer.setProgram(QStringLiteral(VELLMARK_STORE_WRITER));
            writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            writer.start();
            QVERIFY2(writer.waitForReadyRead(20000), "the store writer did not start");
            QCOMPARE(QString::fromLocal8Bit(writer.readLine().trimmed()), storePath);
            // The kill is meant to land anywhere in the writer's loop: a
            // random moment within a few of its saves.
            QThread::usleep(rng.bounded(30000));
            writer.kill();
            QVERIFY(writer.waitForFinished(20000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

            if (QFileInfo::exists(lockPath))
                ++killedWhileLocked;
            {
                QSettings store(QStringLiteral("Vellmark"), QStringLiteral("Vellmark"));
                QCOMPARE(store.status(), QSettings::NoError);
            }
            AppSettings loaded;
            loadSettings(loaded);
            if (StoreRecords::same(loaded, first))
                ++wholeFirst;
            else if (StoreRecords::same(loaded, second))
                ++wholeSecond;
            else if (StoreRecords::same(loaded, own))
                ++wholeOwn;
            else
                QFAIL(qPrintable(QStringLiteral("round %1 loaded a record that was never saved: %2")
                                     .arg(round)
                                     .arg(StoreRecords::describe(loaded))));

            // The next save must get through a lock the killed writer left,
            // promptly, and must really reach the file.
            QElapsedTimer clock;
            clock.start();
            saveSettings(own);
            slowestSaveMs = std::max(slowestSaveMs, clock.elapsed());
            AppSettings after;
            loadSettings(after);
            QVERIFY2(StoreRecords::same(after, own),
                     qPrintable(QStringLiteral("round %1: the save after the kill was lost: %2")
                                    .arg(round)
                                    .arg(StoreRecords::describe(after))));
            QVERIFY(!QFileInfo::exists(lockPath));
        }
        qInfo("%d kills: %d left the first record, %d the second, %d the one before; "
              "%d struck while the writer held the lock; slowest save after a kill %lld ms",
              rounds, wholeFirst, wholeSecond, wholeOwn, killedWhileLocked, slowestSaveMs);
        // Both records were seen whole, so the kills did land between and
        // inside the writer's saves rather than always before its first one.
        QVERIFY(wholeFirst > 0 && wholeSecond > 0);
        QVERIFY(slowestSaveMs < 5000);

        // What a killed writer may leave next to the store is the unfinished
        // temporary copy of its save, which is never read; never a lock.
        const QFileInfo store(storePath);
        const QStringList strays =
            store.dir().entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".conf."));
        for (const QString& name : strays)
            QVERIFY2(QRegularExpression(QStringLiteral("^Vellmark\\.conf\\.[A-Za-z0-9]{6}$"))
                         .match(name)
                         .hasMatch(),
                     qPrintable(name));
        qInfo("%lld unfinished temporary copies left by killed writers", qlonglong(strays.size()));
    }
};

VELLMARK_TEST_MAIN(TestStoreCrash)
#include "tst_storecrash.moc"
