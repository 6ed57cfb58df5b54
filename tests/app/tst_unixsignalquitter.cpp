// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/unixsignalquitter.h"
#include "testsupport.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>

#include <csignal>

// A termination signal must end the program through its event loop, as closing
// its window would, and not kill it where it stands.
class TestUnixSignalQuitter : public QObject {
    Q_OBJECT

  private slots:
    void signalQuitsTheEventLoop_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void signalQuitsTheEventLoop()
    {
        QFETCH(int, signalNumber);
        UnixSignalQuitter quitter;
        QVERIFY(quitter.isActive());

        bool loopWasRunning = false;
        QTimer::singleShot(0, &quitter, [&loopWasRunning, signalNumber] {
            loopWasRunning = true;
            ::raise(signalNumber);
        });
        // Ends the loop with a distinct code should the signal not be turned into quit().
        QTimer::singleShot(5000, &quitter, [] { QCoreApplication::exit(99); });

        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(loopWasRunning);
    }

    // Several signals before the loop gets to them still mean one quit, and
    // the next run of the loop is not ended by bytes left over.
    void burstOfSignalsQuitsOnce()
    {
        UnixSignalQuitter quitter;
        QTimer::singleShot(0, &quitter, [] {
            for (int i = 0; i < 50; ++i)
                ::raise(SIGTERM);
        });
        QTimer::singleShot(5000, &quitter, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);

        QTimer::singleShot(200, &quitter, [] { QCoreApplication::exit(7); });
        QCOMPARE(QCoreApplication::exec(), 7);
    }

    void previousHandlersComeBack()
    {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        struct sigaction original = {};
        ::sigaction(SIGHUP, &ignore, &original);

        {
            UnixSignalQuitter quitter;
            struct sigaction during = {};
            ::sigaction(SIGHUP, nullptr, &during);
            QVERIFY(during.sa_handler != SIG_IGN);
        }
        struct sigaction after = {};
        ::sigaction(SIGHUP, nullptr, &after);
        QVERIFY(after.sa_handler == SIG_IGN);

        ::sigaction(SIGHUP, &original, nullptr);
    }

    void secondInstanceStaysInactive()
    {
        UnixSignalQuitter first;
        UnixSignalQuitter second;
        QVERIFY(first.isActive());
        QVERIFY(!second.isActive());
    }
};

VELLMARK_TEST_MAIN(TestUnixSignalQuitter)
#include "tst_unixsignalquitter.moc"
