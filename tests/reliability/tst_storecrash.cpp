// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store survives a program killed while saving: this program,
// started again as a writer that saves two records in turn, is killed with
// SIGKILL at random moments, and every load afterwards must give one whole
// record, never a mixture of two and never the defaults of a damaged file. A
// lock file left behind by the killed writer must not block or swallow the
// next save.
#include "settings/appsettings.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include <cstdio>

namespace {

// Three records that differ from the defaults and from each other at the
// start, in the middle and at the end of the store file, and in its size, so
// a load that mixes two of them, or falls back to defaults, cannot pass for
// one.
AppSettings storeRecord(int which)
{
    AppSettings s;
    const int k = which + 1;
    s.bgColor = QColor(0x10 * k, 0x01, 0x02);
    s.clock24hr = s.blinkEnabled = which == 2;
    s.defaultDuration = 1000 + k;
    s.remoteToken = QString(32, QLatin1Char('a' + which));
    s.soundFilePath = "/media/cues/" + QString(4 + 7 * which, QLatin1Char('a' + which));
    s.timerFontSize = 100 + k;
    s.warningThreshold = 10 + k;
    s.presets.clear();
    for (int i = 0; i < 2 + which * 3; ++i)
        s.presets.append(k * 1000 + i);
    return s;
}

// Saves `s`, which must then load whole, within 5 s, leaving no lock behind.
void saveAndCheck(const AppSettings& s)
{
    QElapsedTimer clock;
    clock.start();
    saveSettings(s);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    AppSettings loaded;
    loadSettings(loaded);
    QCOMPARE(settingsDifferences(loaded, s), QStringList());
    QVERIFY(!QFile::exists(TestSupport::storeFilePath() + QStringLiteral(".lock")));
}

} // namespace

class TestStoreCrash : public QObject {
    Q_OBJECT

  private slots:
    // A writer killed between creating the lock file and writing its owner
    // into it leaves an empty lock.
    void emptyLockDoesNotBlockSave()
    {
        saveSettings(storeRecord(0));
        QFile lock(TestSupport::storeFilePath() + QStringLiteral(".lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lock.close();
        saveAndCheck(storeRecord(1));
    }

    void killedWriterLeavesAWholeRecord()
    {
        const AppSettings records[] = {storeRecord(0), storeRecord(1), storeRecord(2)};
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator rng(seed);
        qInfo("random seed %u", seed);
        saveSettings(records[2]);
        int whole[3] = {};
        for (int round = 0; round < 250; ++round) {
            QProcess writer;
            writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            writer.start(QCoreApplication::applicationFilePath(), {"--writer"});
            QVERIFY2(writer.waitForReadyRead(20000), "the store writer did not start");
            QCOMPARE(QString::fromLocal8Bit(writer.readLine().trimmed()),
                     TestSupport::storeFilePath());
            // A random moment within a few of the writer's saves.
            QThread::usleep(rng.bounded(30000));
            writer.kill();
            QVERIFY(writer.waitForFinished(20000));

            AppSettings loaded;
            loadSettings(loaded);
            const auto* found = std::find(std::begin(records), std::end(records), loaded);
            QVERIFY2(found != std::end(records),
                     qPrintable(QStringLiteral("round %1 loaded a record never saved, unlike "
                                               "the first in %2")
                                    .arg(round)
                                    .arg(settingsDifferences(loaded, records[0]).join(' '))));
            ++whole[found - records];
            saveAndCheck(records[2]);
        }
        qInfo("250 kills: %d left the first record, %d the second, %d the one before", whole[0],
              whole[1], whole[2]);
        // Both records were seen whole, so the kills did land between and
        // inside the writer's saves rather than always before its first one.
        QVERIFY(whole[0] > 0 && whole[1] > 0);

        // What a killed writer may leave next to the store is the unfinished
        // temporary copy of its save, which is never read; never a lock.
        const QFileInfo store(TestSupport::storeFilePath());
        for (const QString& name : store.dir().entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(name == "Vellmark.conf" ||
                         name.contains(QRegularExpression("^Vellmark\\.conf\\.[A-Za-z0-9]{6}$")),
                     qPrintable(name));
    }
};

int main(int argc, char** argv)
{
    if (argc == 2 && qstrcmp(argv[1], "--writer") == 0) {
        // The writer: in the test's private home, saves the first and the
        // second record in turn until killed, once it has named its store.
        QCoreApplication app(argc, argv);
        std::printf("%s\n", qPrintable(TestSupport::storeFilePath()));
        std::fflush(stdout);
        for (unsigned i = 0;; ++i)
            saveSettings(storeRecord(i % 2));
    }
    PrivateHome home;
    QApplication app(argc, argv);
    TestStoreCrash tc;
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_storecrash.moc"
