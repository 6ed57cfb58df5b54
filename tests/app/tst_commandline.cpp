// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include <QApplication>
#include <QProcess>
#include <QtTest>

// The program as a user calls it from a terminal: --help and --version answer
// even where no display is reachable; anything it does not know is refused.
class TestCommandLine : public QObject {
    Q_OBJECT

  private slots:
    void options_data()
    {
        const QString version =
            QStringLiteral("Vellmark %1\n").arg(QStringLiteral(VELLMARK_VERSION));
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("withDisplay");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // exact, or a part when it ends in "…"
        QTest::addColumn<QString>("err");

        QTest::newRow("--version") << QStringList{"--version"} << false << 0 << version << "";
        QTest::newRow("-v") << QStringList{"-v"} << false << 0 << version << "";
        QTest::newRow("--help") << QStringList{"--help"} << false << 0
                                << QStringLiteral("Usage: %1 [options]\n…").arg(VELLMARK_PROGRAM)
                                << "";
        QTest::newRow("-h after a toolkit option")
            << QStringList{"-platform", "offscreen", "-h"} << false << 0
            << QStringLiteral("Usage: %1 [options]\n…").arg(VELLMARK_PROGRAM) << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << true << 1 << ""
                                        << "vellmark: Unknown option 'bogus'.\n"
                                           "Try 'vellmark --help' for more information.\n";
        // Toolkit options are the toolkit's, not letters of -v or -h.
        QTest::newRow("toolkit options")
            << QStringList{"-reverse", "-stylesheet", "none", "--x"} << true << 1 << ""
            << "vellmark: Unknown option 'x'.\n…";
        QTest::newRow("stray argument") << QStringList{"talk.txt"} << true << 1 << ""
                                        << "vellmark: Unexpected argument 'talk.txt'.\n…";
    }

    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, withDisplay);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        if (withDisplay)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Keeps the toolkit quiet about a missing runtime folder on stderr.
        QTemporaryDir runtime;
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());

        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(VELLMARK_PROGRAM), arguments);
        QVERIFY(program.waitForFinished(20000));
        const QString gotOut = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString gotErr = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(program.exitCode() == exitCode, qPrintable(gotErr));
        for (const auto& [got, want] : {std::pair{gotOut, out}, std::pair{gotErr, err}}) {
            if (want.endsWith(QChar(u'…')))
                QVERIFY2(got.startsWith(want.chopped(1)), qPrintable(got));
            else
                QCOMPARE(got, want);
        }
    }

    // The help lists both options.
    void helpNamesTheOptions()
    {
        QProcess program;
        program.start(QStringLiteral(VELLMARK_PROGRAM), {QStringLiteral("--help")});
        QVERIFY(program.waitForFinished(20000));
        const QString help = QString::fromLocal8Bit(program.readAllStandardOutput());
        QVERIFY2(help.contains(QLatin1String("-h, --help")), qPrintable(help));
        QVERIFY2(help.contains(QLatin1String("-v, --version")), qPrintable(help));
    }
};

VELLMARK_TEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
