// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/appwindows.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QLabel>
#include <QMediaPlayer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

namespace {

const QString kShow = QStringLiteral("▶  Show Output Window");
const QString kHide = QStringLiteral("■  Hide Output Window");

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
    }
    ControlWindow& control() { return windows->control(); }
    OutputWindow& output() { return windows->output(); }
    QLabel* preview() { return control().findChild<QLabel*>(QStringLiteral("timerPreview")); }
    QPushButton* toggle()
    {
        return control().findChild<QPushButton*>(QStringLiteral("outputToggleBtn"));
    }
    // The output window's time readout: the label in its time area showing text.
    QLabel* readoutShowing(const QString& text)
    {
        for (auto* l : output().findChildren<QLabel*>())
            if (l->parentWidget() != &output() && l->text() == text)
                return l;
        return nullptr;
    }
};

// The first screen, in the toolkit's order, that is not the operator's.
QScreen* stageScreenFor(QScreen* operatorScreen)
{
    for (QScreen* s : QGuiApplication::screens())
        if (s != operatorScreen)
            return s;
    return nullptr;
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

  private slots:
    void init() { TestSupport::clearStore(); }

    void placesBothWindows_data()
    {
        QTest::addColumn<int>("storedDuration");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty store") << -1 << "05:00";
        QTest::newRow("stored 90 s") << 90 << "01:30";
    }

    void placesBothWindows()
    {
        QFETCH(int, storedDuration);
        QFETCH(QString, shown);
        if (storedDuration >= 0) {
            AppSettings stored;
            stored.defaultDuration = storedDuration;
            stored.overtimeEnabled = false;
            saveSettings(stored);
        }
        Run run;
        QVERIFY(run.control().isVisible());
        QVERIFY(run.output().isVisible());
        QCOMPARE(run.output().windowTitle(), QStringLiteral("Vellmark — Output"));

        QScreen* operatorScreen = run.control().screen();
        QScreen* stage = stageScreenFor(operatorScreen);
        QCOMPARE(stage != nullptr, QGuiApplication::screens().size() > 1);
        if (stage) {
            QVERIFY(run.output().isFullScreen());
            QCOMPARE(run.output().screen(), stage);
            QCOMPARE(run.output().geometry(), stage->geometry());
        } else {
            QVERIFY(!run.output().isFullScreen());
            QCOMPARE(run.output().size(), QSize(800, 500));
        }

        QVERIFY(!run.engine.isRunning());
        QCOMPARE(run.preview()->text(), shown);
        QVERIFY2(run.readoutShowing(shown), "the output window shows the loaded duration");
        QCOMPARE(run.toggle()->text(), kHide);
        // The operator sees every section without scrolling.
        auto* scroll = run.control().findChild<QScrollArea*>();
        QTRY_VERIFY(!scroll->verticalScrollBar()->isVisible());
    }

    // The first press hides the output window, the second brings it back on
    // the same screen, in the same way.
    void toggleAfterStartup()
    {
        Run run;
        const QRect placed = run.output().geometry();
        const bool fullScreen = run.output().isFullScreen();
        QTest::mouseClick(run.toggle(), Qt::LeftButton);
        QVERIFY(!run.output().isVisible());
        QCOMPARE(run.toggle()->text(), kShow);
        QTest::mouseClick(run.toggle(), Qt::LeftButton);
        QVERIFY(run.output().isVisible());
        QCOMPARE(run.toggle()->text(), kHide);
        QCOMPARE(run.output().isFullScreen(), fullScreen);
        QCOMPARE(run.output().geometry(), placed);
    }

    // On every tick the operator's preview is already new when the audience's
    // readout changes.
    void controlWindowTicksFirst()
    {
        Run run;
        QLabel* preview = run.preview();
        QLabel* readout = run.readoutShowing(QStringLiteral("05:00"));
        QVERIFY(readout);

        // The readout is restyled only when its colour or size changes, so
        // the order shows in what the readout holds when the preview changes.
        struct Watcher : QObject {
            QLabel* preview = nullptr;
            QLabel* readout = nullptr;
            QStringList readoutWhenPreviewChanged;
            bool eventFilter(QObject* o, QEvent* e) override
            {
                if (o == preview && e->type() == QEvent::StyleChange)
                    readoutWhenPreviewChanged << readout->text();
                return false;
            }
        } watcher;
        watcher.preview = preview;
        watcher.readout = readout;
        preview->installEventFilter(&watcher);

        TestSupport::stepEngine(&run.engine);
        QVERIFY(!watcher.readoutWhenPreviewChanged.isEmpty());
        QCOMPARE(watcher.readoutWhenPreviewChanged.first(), QStringLiteral("05:00"));
        QCOMPARE(preview->text(), QStringLiteral("04:59"));
        QCOMPARE(readout->text(), QStringLiteral("04:59"));
    }

    // The media stack is brought up after both windows have been painted, not
    // on the way to the first frame, and the cue's player is there well before
    // an operator could press START.
    void playerComesUpAfterTheFirstFrame()
    {
        Run run;
        QVERIFY(!run.control().findChild<QMediaPlayer*>());
        QVERIFY(QTest::qWaitForWindowExposed(&run.control()));
        QTRY_VERIFY_WITH_TIMEOUT(run.control().findChild<QMediaPlayer*>(), 2000);
    }

    // Windows that are never painted (a screen switched off) do not leave the
    // cue without its player.
    void playerComesUpWithoutAFrame()
    {
        AppSettings settings;
        TimerEngine engine;
        OutputWindow output(&settings);
        ControlWindow control(&settings, &engine, &output);
        QTRY_VERIFY_WITH_TIMEOUT(control.findChild<QMediaPlayer*>(), 3000);
        QVERIFY(!control.isVisible());
    }

    // Closing the operator's window closes the output window and ends the run.
    void closingEndsTheRun()
    {
        Run run;
        QTimer::singleShot(0, &run.control(), &QWidget::close);
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, qApp, [] { QApplication::exit(1); });
        guard.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!run.output().isVisible());
        QVERIFY(!run.control().isVisible());
    }
};

VELLMARK_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
