// SPDX-License-Identifier: GPL-3.0-or-later
// Where the output window goes at start-up and as screens are plugged in and
// pulled out while the show runs. The screens are set through Qt's offscreen
// platform, which takes a new screen layout while the program runs and reports
// the difference exactly as a desktop reports a monitor coming or going.
#include "app/appwindows.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWindow>
#include <QtTest>
#include <qpa/qplatformnativeinterface.h>

namespace {

const QString kShow = QStringLiteral("▶  Show Output Window");
const QString kHide = QStringLiteral("■  Hide Output Window");
const QMap<QString, QRect> kScreens = {
    {QStringLiteral("Operator"), QRect(0, 0, 1280, 800)},
    {QStringLiteral("Stage"), QRect(1280, 0, 1920, 1080)},
    {QStringLiteral("Projector"), QRect(1280, 0, 1024, 768)},
    {QStringLiteral("Confidence"), QRect(-1024, 0, 1024, 768)},
};

// Makes the named screens the machine's screens, in this order.
void setScreens(const QStringList& names)
{
    QJsonArray screens;
    for (const QString& name : names) {
        const QRect r = kScreens.value(name);
        screens.append(QJsonObject{{"name", name},
                                   {"x", r.x()},
                                   {"y", r.y()},
                                   {"width", r.width()},
                                   {"height", r.height()},
                                   {"logicalDpi", 96},
                                   {"logicalBaseDpi", 96},
                                   {"dpr", 1}});
    }
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    using SetConfiguration = void (*)(const QJsonObject&, QPlatformNativeInterface*);
    auto set = reinterpret_cast<SetConfiguration>(
        native->nativeResourceForIntegration(QByteArrayLiteral("setConfiguration")));
    QVERIFY2(set, "the offscreen platform takes a new screen layout");
    set(QJsonObject{{"screens", screens}}, native);
    QCOMPARE(QGuiApplication::screens().size(), names.size());
}

QScreen* screenNamed(const QString& name)
{
    for (QScreen* s : QGuiApplication::screens())
        if (s->name() == name)
            return s;
    return nullptr;
}

} // namespace

class TestScreens : public QObject {
    Q_OBJECT

  private slots:
    void init() { TestSupport::clearStore(); }

    // Each step is "<what happens> => <what the operator then sees>":
    // "start" is start-up, "+Name" plugs a screen in, "-Name" pulls it out,
    // "toggle" presses the output toggle; "on Name" is the output full-screen
    // on that screen, "window" the 800 × 500 window, "lost" hidden with the
    // notice, "hidden" hidden by the operator.
    void followsScreens_data()
    {
        QTest::addColumn<QStringList>("screens");
        QTest::addColumn<QStringList>("steps");
        const QStringList one{"Operator"}, two{"Operator", "Stage"};
        const QStringList three{"Operator", "Stage", "Confidence"};
        QTest::newRow("one screen") << one
                                    << QStringList{"start => window", "toggle => hidden",
                                                   "toggle => window", "+Stage => on Stage"};
        QTest::newRow("three screens")
            << three
            << QStringList{"start => on Stage", "-Stage => lost", "toggle => on Confidence"};
        QTest::newRow("stage unplugged and back")
            << two << QStringList{"start => on Stage", "-Stage => lost", "+Stage => on Stage"};
        QTest::newRow("another screen comes instead")
            << two
            << QStringList{"start => on Stage", "-Stage => lost", "+Projector => on Projector"};
        QTest::newRow("operator hid it")
            << two
            << QStringList{"start => on Stage", "toggle => hidden", "-Stage => hidden",
                           "+Stage => hidden", "toggle => on Stage"};
        QTest::newRow("operator hides it while lost")
            << two
            << QStringList{"start => on Stage", "-Stage => lost", "toggle => window",
                           "toggle => hidden", "+Stage => hidden"};
        QTest::newRow("shown windowed while lost, then a screen")
            << two
            << QStringList{"start => on Stage", "-Stage => lost", "toggle => window",
                           "+Stage => on Stage"};
        QTest::newRow("other screens come and go")
            << two
            << QStringList{"start => on Stage", "+Confidence => on Stage",
                           "-Confidence => on Stage"};
    }

    void followsScreens()
    {
        QFETCH(QStringList, screens);
        QFETCH(QStringList, steps);
        setScreens(screens);

        AppSettings settings;
        loadSettings(settings);
        TimerEngine engine;
        engine.setDuration(settings.defaultDuration);
        AppWindows windows(&settings, &engine);
        windows.show();
        OutputWindow& output = windows.output();
        ControlWindow& control = windows.control();
        auto* toggle = control.findChild<QPushButton*>(QStringLiteral("outputToggleBtn"));
        auto* notice = control.findChild<QLabel*>(QStringLiteral("screenNotice"));
        QVERIFY(toggle && notice);
        QScreen* operatorScreen = control.screen();
        QCOMPARE(operatorScreen->name(), QStringLiteral("Operator"));
        // The operator sees every section without scrolling.
        QTRY_VERIFY(!control.findChild<QScrollArea*>()->verticalScrollBar()->isVisible());

        // A show in progress: the screens must leave it exactly as it is.
        engine.start();
        TestSupport::stepEngine(&engine, 7);
        QSignalSpy ticks(&engine, &TimerEngine::tick);
        QSignalSpy states(&engine, &TimerEngine::stateChanged);
        const int remaining = engine.remaining();

        // Not for a moment may the audience picture cover the operator's screen.
        bool overOperator = false;
        connect(output.windowHandle(), &QWindow::screenChanged, &output, [&](QScreen* s) {
            overOperator |= output.isVisible() && output.isFullScreen() && s == operatorScreen;
        });

        for (const QString& step : steps) {
            const QString action = step.section(QStringLiteral(" => "), 0, 0);
            const QString expected = step.section(QStringLiteral(" => "), 1);
            QStringList now;
            for (QScreen* s : QGuiApplication::screens())
                now << s->name();
            if (action == QLatin1String("toggle")) {
                QTest::mouseClick(toggle, Qt::LeftButton);
            } else if (action.startsWith(QLatin1Char('+'))) {
                setScreens(now << action.mid(1));
            } else if (action.startsWith(QLatin1Char('-'))) {
                now.removeAll(action.mid(1));
                setScreens(now);
            }
            QCoreApplication::processEvents();
            const QByteArray where = step.toUtf8();

            QVERIFY2(!overOperator, where);
            QVERIFY2(engine.isRunning(), where);
            QCOMPARE(states.size(), 0);
            QCOMPARE(engine.remaining(), remaining - int(ticks.size()));
            QCOMPARE(control.screen(), operatorScreen);

            const bool up = expected.startsWith(QLatin1String("on ")) || expected == "window";
            QVERIFY2(output.isVisible() == up, where);
            QCOMPARE(toggle->text(), up ? kHide : kShow);
            const bool lost = expected == QLatin1String("lost");
            QVERIFY2(notice->isVisible() == lost, where);
            if (lost)
                QVERIFY2(notice->text().contains(action.mid(1) + QStringLiteral("” disconnected")),
                         where);
            if (expected == QLatin1String("window")) {
                QVERIFY2(!output.isFullScreen(), where);
                QCOMPARE(output.size(), QSize(800, 500));
            } else if (up) {
                QScreen* stage = screenNamed(expected.mid(3));
                QVERIFY2(output.isFullScreen(), where);
                QCOMPARE(output.windowHandle()->screen(), stage);
                QCOMPARE(output.geometry(), stage->geometry());
            }
        }
    }
};

VELLMARK_TEST_MAIN(TestScreens)
#include "tst_screens.moc"
