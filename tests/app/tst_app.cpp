// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a whole, on one screen: its command line, its resources and
// theme, start-up and the end of a run.
#include "app/appwindows.h"
#include "app/startupwork.h"
#include "app/theme.h"
#include "app/unixsignalquitter.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <csignal>

namespace {

// Start-up as the program runs it: the stored settings, the engine set from
// them, then both windows.
struct Run {
    AppSettings settings;
    TimerEngine engine;
    std::unique_ptr<AppWindows> windows;

    Run()
    {
        loadSettings(settings);
        engine.setDuration(settings.defaultDuration);
        engine.setOvertimeEnabled(settings.overtimeEnabled);
        windows = std::make_unique<AppWindows>(&settings, &engine);
        windows->show();
    }
    ControlWindow& control() { return windows->control(); }
    QLabel* preview() { return control().findChild<QLabel*>(QStringLiteral("timerPreview")); }
    // The output window's time readout: the label in its time area showing text.
    QLabel* readoutShowing(const QString& text)
    {
        for (auto* l : windows->output().findChildren<QLabel*>())
            if (l->parentWidget() != &windows->output() && l->text() == text)
                return l;
        return nullptr;
    }
};

// Runs the event loop until it is quit; 99 if that has not happened in 5 s.
int loopUntilQuit(QObject* context)
{
    QTimer::singleShot(5000, context, [] { QCoreApplication::exit(99); });
    return QCoreApplication::exec();
}

} // namespace

class TestApp : public QObject {
    Q_OBJECT

  private slots:
    void init() { TestSupport::clearStore(); }

    // On a terminal: --help and --version answer even where no display is
    // reachable; anything the program does not know is refused.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("withDisplay");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // exact, or a part when it ends in "…"
        QTest::addColumn<QString>("err");
        const QString version = QStringLiteral("Vellmark %1\n").arg(VELLMARK_VERSION);
        const QString usage = QStringLiteral("Usage: %1 [options]\n…").arg(VELLMARK_PROGRAM);
        QTest::newRow("--version") << QStringList{"--version"} << false << 0 << version << "";
        QTest::newRow("-v") << QStringList{"-v"} << false << 0 << version << "";
        QTest::newRow("--help") << QStringList{"--help"} << false << 0 << usage << "";
        QTest::newRow("-h after a toolkit option")
            << QStringList{"-platform", "offscreen", "-h"} << false << 0 << usage << "";
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

    void commandLine()
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
        if (out.startsWith(QLatin1String("Usage")))
            for (const char* option : {"-h, --help", "-v, --version"})
                QVERIFY2(gotOut.contains(QLatin1String(option)), option);
    }

    // The window icon, the header logo and the About card load these by name.
    void resourcesLoad()
    {
        QStringList names{":/assets/VELLMARK LOGO DESKTOP NO BACKGROUND.png",
                          ":/assets/icons/vellmark-logo-28.png",
                          ":/assets/icons/vellmark-logo-56.png"};
        for (int size : {16, 32, 48, 64, 128, 256})
            names << QStringLiteral(":/assets/icons/vellmark-%1.png").arg(size);
        for (const QString& name : names)
            QVERIFY2(!QImage(name).isNull(), qPrintable(name));
    }

    // The faces the font configuration names at start-up stand in for the
    // ones the toolkit would find itself: they must be the same, or the
    // windows would look different.
    void knownFacesAreTheToolkitsOwn()
    {
        const KnownFaces faces = StartupWork::readFontConfiguration();
        if (faces.sansFace.isEmpty())
            QSKIP("fonts are not found through fontconfig here");
        QCOMPARE(faces.sansFace, QFontInfo(QFont(faces.sansFamily)).family());
        QFont mono(QStringLiteral("monospace"));
        mono.setBold(true);
        QCOMPARE(faces.monospaceFace, QFontInfo(mono).family());
        QCOMPARE(faces.segoeUiInstalled,
                 std::optional<bool>(QFontDatabase::hasFamily(QStringLiteral("Segoe UI"))));
    }

    // Buttons and message boxes wear the dark theme in every state.
    void theme_data()
    {
        QTest::addColumn<int>("state"); // 0 plain, 1 checked, 2 disabled, 3 message box
        QTest::addColumn<QColor>("fill");
        QTest::newRow("button") << 0 << QColor(0x2b, 0x2b, 0x2b);
        QTest::newRow("checked button") << 1 << QColor(0x1a, 0x5c, 0x2a);
        QTest::newRow("disabled button") << 2 << QColor(0x22, 0x22, 0x22);
        QTest::newRow("message box") << 3 << QColor(0x1c, 0x1c, 0x1c);
    }

    void theme()
    {
        QFETCH(int, state);
        QFETCH(QColor, fill);
        applyTheme();
        QMessageBox box(QMessageBox::Information, QStringLiteral("Vellmark"),
                        QStringLiteral("Hello"), QMessageBox::Ok);
        QPushButton button(QStringLiteral("Go"));
        button.setCheckable(true);
        button.setChecked(state == 1);
        button.setEnabled(state != 2);
        button.resize(120, 40);
        if (state == 3) {
            bool seen = false;
            TestSupport::whenModal<QMessageBox>([&](QMessageBox* shown) {
                seen = true;
                QCOMPARE(shown->grab().toImage().pixelColor(2, 2), fill);
                QCOMPARE(shown->palette().color(QPalette::WindowText), QColor(0xe8, 0xe8, 0xe8));
                for (auto* b : shown->findChildren<QPushButton*>())
                    QVERIFY(b->width() >= 80);
                shown->accept();
            });
            box.exec();
            QVERIFY(seen);
        } else {
            // Left of the caption, inside the border and clear of the corners.
            const QImage img = button.grab().toImage();
            QCOMPARE(img.pixelColor(6, img.height() / 2), fill);
        }
    }

    // A termination signal ends the run through the event loop, as closing the
    // window does; a burst of them is one quit, with nothing left over for the
    // next run of the loop; afterwards the signal is handled as before.
    void signalQuits_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<int>("count");
        QTest::newRow("SIGTERM") << int(SIGTERM) << 1;
        QTest::newRow("SIGINT") << int(SIGINT) << 1;
        QTest::newRow("SIGHUP") << int(SIGHUP) << 1;
        QTest::newRow("50 × SIGTERM") << int(SIGTERM) << 50;
    }

    void signalQuits()
    {
        QFETCH(int, signalNumber);
        QFETCH(int, count);
        // The handler it found (here: ignore) comes back when it goes.
        struct sigaction ignore = {}, original = {}, seen = {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(signalNumber, &ignore, &original);
        {
            UnixSignalQuitter quitter;
            QVERIFY(quitter.isActive());
            QVERIFY(!UnixSignalQuitter().isActive()); // one at a time
            QTimer::singleShot(0, &quitter, [=] {
                for (int i = 0; i < count; ++i)
                    ::raise(signalNumber);
            });
            QCOMPARE(loopUntilQuit(&quitter), 0);
            QTimer::singleShot(200, &quitter, [] { QCoreApplication::exit(7); });
            QCOMPARE(QCoreApplication::exec(), 7);
        }
        ::sigaction(signalNumber, &original, &seen);
        QVERIFY(seen.sa_handler == SIG_IGN);
    }

    // Both windows show the stored duration, and on every tick the operator's
    // preview is new before the audience's readout changes.
    void startsWithTheStoredDurationAndTicksThePreviewFirst()
    {
        AppSettings stored;
        stored.defaultDuration = 90;
        saveSettings(stored);
        Run run;
        QVERIFY(!run.engine.isRunning());
        QLabel* preview = run.preview();
        QLabel* readout = run.readoutShowing(QStringLiteral("01:30"));
        QCOMPARE(preview->text(), QStringLiteral("01:30"));
        QVERIFY2(readout, "the output window shows the stored duration");

        // The readout is restyled only when its colour or size changes, so
        // the order shows in what it holds when the preview is restyled.
        struct Watcher : QObject {
            QLabel* readout = nullptr;
            QStringList seen;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::StyleChange)
                    seen << readout->text();
                return false;
            }
        } watcher;
        watcher.readout = readout;
        preview->installEventFilter(&watcher);
        TestSupport::stepEngine(&run.engine);
        QVERIFY(!watcher.seen.isEmpty());
        QCOMPARE(watcher.seen.first(), QStringLiteral("01:30"));
        QCOMPARE(preview->text(), QStringLiteral("01:29"));
        QCOMPARE(readout->text(), QStringLiteral("01:29"));
    }

    // The media stack comes up after both windows have been painted, not on
    // the way to the first frame, and well before an operator could press
    // START; also when the windows are never painted (a screen switched off).
    void playerComesUpAfterTheFirstFrame()
    {
        {
            Run run;
            QVERIFY(!run.control().findChild<QMediaPlayer*>());
            QVERIFY(QTest::qWaitForWindowExposed(&run.control()));
            QTRY_VERIFY_WITH_TIMEOUT(run.control().findChild<QMediaPlayer*>(), 2000);
        }
        AppSettings settings;
        TimerEngine engine;
        OutputWindow output(&settings);
        ControlWindow control(&settings, &engine, &output);
        QTRY_VERIFY_WITH_TIMEOUT(control.findChild<QMediaPlayer*>(), 3000);
    }

    // Closing the operator's window closes the output window and ends the run.
    void closingEndsTheRun()
    {
        Run run;
        QTimer::singleShot(0, &run.control(), &QWidget::close);
        QCOMPARE(loopUntilQuit(&run.control()), 0);
        QVERIFY(!run.windows->output().isVisible());
    }
};

VELLMARK_TEST_MAIN(TestApp)
#include "tst_app.moc"
