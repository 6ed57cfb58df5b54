// SPDX-License-Identifier: GPL-3.0-or-later
// A settings store that cannot be read or written: loading gives the
// defaults, saving returns promptly without crashing, and whatever stands in
// the store's way is left exactly as it was. The obstacles are ones that stop
// every user, root included: a folder where the store file belongs, and a
// file where its folder belongs. Plain permission bits are tried too, but
// only mean something to users other than root.
#include "storerecords.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <unistd.h>

class TestStoreAccess : public QObject {
    Q_OBJECT

  private:
    // Every entry under `root` with its size, to see that nothing changed.
    static QStringList snapshot(const QString& root)
    {
        QStringList entries;
        QDir dir(root);
        const QFileInfoList all =
            dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& fi : all) {
            entries << fi.fileName() + QLatin1Char(' ') + QString::number(fi.size()) +
                           (fi.isDir() ? QStringLiteral("/") : QString());
            if (fi.isDir() && !fi.isSymLink())
                for (const QString& inner : snapshot(fi.filePath()))
                    entries << fi.fileName() + QLatin1Char('/') + inner;
        }
        return entries;
    }

  private slots:
    void init()
    {
        // Undo what the last case put in the store's way.
        const QString folder = QFileInfo(TestSupport::storeFilePath()).path();
        const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        QFile::setPermissions(folder, all);
        QFile::setPermissions(TestSupport::storeFilePath(), all);
        if (QFileInfo(folder).isFile())
            QFile::remove(folder);
        QDir(folder).removeRecursively();
    }

    void unusableStore_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<bool>("stopsRoot");
        QTest::newRow("store file is a folder") << "folder" << true;
        QTest::newRow("store folder is a file") << "file" << true;
        QTest::newRow("store file without permissions") << "mode000" << false;
    }

    void unusableStore()
    {
        QFETCH(QString, obstacle);
        QFETCH(bool, stopsRoot);
        if (!stopsRoot && ::geteuid() == 0)
            QSKIP("root reads and writes files whatever their permission bits");

        const QString storePath = TestSupport::storeFilePath();
        const QString folder = QFileInfo(storePath).path();
        const QString configRoot = QFileInfo(folder).path();
        if (obstacle == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(storePath));
            QFile inside(storePath + QStringLiteral("/notes.txt"));
            QVERIFY(inside.open(QIODevice::WriteOnly));
            inside.write("the operator's own file\n");
        } else if (obstacle == QLatin1String("file")) {
            QFile blocker(folder);
            QVERIFY2(blocker.open(QIODevice::WriteOnly),
                     qPrintable(blocker.errorString() + QLatin1Char(' ') + folder));
            blocker.write("not a folder\n");
        } else {
            // Written directly: a store saved by this process would still be
            // remembered by it after the file became unreadable.
            QDir().mkpath(folder);
            QFile store(storePath);
            QVERIFY(store.open(QIODevice::WriteOnly));
            store.write("[General]\ntimerFontSize=123\n");
            store.close();
            QVERIFY(QFile::setPermissions(storePath, QFileDevice::Permissions()));
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        }
        const QStringList before = snapshot(configRoot);

        AppSettings loaded;
        loadSettings(loaded);
        QVERIFY2(StoreRecords::same(loaded, AppSettings()),
                 qPrintable(StoreRecords::describe(loaded)));

        QElapsedTimer clock;
        clock.start();
        saveSettings(StoreRecords::record(1));
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));

        AppSettings again;
        loadSettings(again);
        QVERIFY(StoreRecords::same(again, AppSettings()));
        QCOMPARE(snapshot(configRoot), before);
    }
};

VELLMARK_TEST_MAIN(TestStoreAccess)
#include "tst_storeaccess.moc"
