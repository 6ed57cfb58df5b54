// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/outputwindow.h"
#include "settings/appsettings.h"
#include "casetable.h"
#include "testsupport.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

// Distinct colours, so every check can tell which one was used.
const QColor kBg(0x10, 0x20, 0x30);
const QColor kNormal(0x00, 0xcc, 0x00);
const QColor kWarning(0xff, 0x88, 0x00);
const QColor kCritical(0xff, 0x22, 0x00);

// A window with its labels and its bar, found as a caller would see them.
struct Output {
    AppSettings settings;
    std::unique_ptr<OutputWindow> window;
    QLabel *timer = nullptr, *clock = nullptr, *message = nullptr, *caption = nullptr;
    QProgressBar* progress = nullptr;

    Output()
    {
        settings.bgColor = kBg;
        settings.timerColorNormal = kNormal;
        settings.timerColorWarning = kWarning;
        settings.timerColorCritical = kCritical;
        window = std::make_unique<OutputWindow>(&settings);
        timer = window->findChild<QLabel*>(QStringLiteral("timerReadout"));
        clock = window->findChild<QLabel*>(QStringLiteral("clockReadout"));
        message = window->findChild<QLabel*>(QStringLiteral("message"));
        caption = window->findChild<QLabel*>(QStringLiteral("targetCaption"));
        progress = window->findChild<QProgressBar*>();
    }

    // "show", a tick, "b" a blink phase, "w" up to 800 ms for the blink timer's
    // next phase, "up", "down", "total=N", "view=N", "target" (14:30),
    // "untarget"; the settings "warn=N", "blink=0|1", "h12", "s0".
    void run(const QString& steps)
    {
        for (const QString& step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int value = step.section(QLatin1Char('='), 1).toInt();
            if (step == QLatin1String("show"))
                window->show();
            else if (step == QLatin1String("b"))
                QVERIFY(QMetaObject::invokeMethod(window.get(), "tickBlink"));
            else if (step == QLatin1String("w"))
                (void)QTest::qWaitFor(
                    [this, was = readoutHidden()] { return readoutHidden() != was; }, 800);
            else if (step == QLatin1String("up") || step == QLatin1String("down"))
                window->setCountUp(step == QLatin1String("up"));
            else if (step.startsWith(QLatin1String("total=")))
                window->setTotalSeconds(value);
            else if (step.startsWith(QLatin1String("view=")))
                window->setViewMode(value);
            else if (step.endsWith(QLatin1String("target")))
                window->setTarget(step == QLatin1String("target")
                                      ? QDateTime(QDate(2027, 6, 10), QTime(14, 30))
                                      : QDateTime());
            else if (step.startsWith(QLatin1String("warn=")))
                settings.warningThreshold = value;
            else if (step.startsWith(QLatin1String("blink=")))
                settings.blinkEnabled = value;
            else if (step == QLatin1String("h12"))
                settings.clock24hr = false;
            else if (step == QLatin1String("s0"))
                settings.clockShowSeconds = false;
            else
                window->onTimerTick(step.toInt());
            if (QStringList{"warn", "blink", "h12", "s0"}.contains(step.section('=', 0, 0)))
                window->refreshSettings();
        }
    }

    QString readout() const
    {
        const QColor c = readoutColour();
        const QString colour = c == settings.timerColorNormal     ? QStringLiteral("normal")
                               : c == settings.timerColorWarning  ? QStringLiteral("warning")
                               : c == settings.timerColorCritical ? QStringLiteral("critical")
                               : c == settings.bgColor            ? QStringLiteral("hidden")
                                                                  : c.name();
        const QColor chunk = c == settings.bgColor ? settings.timerColorCritical : c;
        const bool barAgrees = progress->styleSheet().contains(
            QStringLiteral("::chunk { background-color:%1;").arg(chunk.name()));
        return QStringLiteral("%1 %2 %3%4")
            .arg(timer->text(), colour)
            .arg(progress->value())
            .arg(barAgrees ? "" : " (bar in another colour)");
    }

    QString parts()
    {
        QStringList parts;
        if (timer->isVisible())
            parts << QStringLiteral("timer");
        if (caption->isVisible())
            parts << caption->text();
        // A clock on view is current: its refresh writes the time now.
        clock->setText(QString());
        QMetaObject::invokeMethod(window.get(), "tickClock");
        if (clock->isVisible()) {
            QString pattern = clock->text();
            for (const char* p : {"HH:mm:ss", "HH:mm", "hh:mm:ss AP", "hh:mm AP"}) {
                const QTime shown = QTime::fromString(clock->text(), QLatin1String(p));
                const int off = qAbs(shown.secsTo(QTime::currentTime()));
                if (shown.isValid() && qMin(off, 86400 - off) <= 61 && pattern == clock->text())
                    pattern = QLatin1String(p);
            }
            parts << QStringLiteral("clock ") + pattern;
        }
        const bool always = message->isVisible() && progress->isVisible();
        return parts.join(QLatin1Char('+')) + (always ? "" : " (no message or bar)");
    }

    QColor readoutColour() const { return timer->palette().color(QPalette::WindowText); }
    bool readoutHidden() const { return readoutColour() == settings.bgColor; }
};

// How many pixels of the window's rendering inside area have exactly colour.
qsizetype pixelsOf(QWidget* window, const QRect& area, const QColor& colour)
{
    const QImage img = window->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(area);
    const auto* p = reinterpret_cast<const QRgb*>(img.constBits());
    return std::count(p, p + img.width() * img.height(), colour.rgb());
}

} // namespace

class TestOutputWindow : public QObject {
    Q_OBJECT

  private slots:
    // "steps => states", the state after each step: the readout's text and
    // colour (hidden: the blink's hidden half) and the bar in thousandths, or
    // after "show" the parts on view, the clock by the pattern it reads now
    // by. Warning at 60 s, a total of 300 s.
    void states_data()
    {
        TestSupport::addCases(R"(
61 60 1 0 -5 -2147483648 => 01:01 normal 203, 01:00 warning 200, 00:01 warning 3,
  00:00 critical 0, -00:05 critical 0, -35791394:08 critical 0
warn=0 1 0 => 05:00 normal 1000, 00:01 normal 3, 00:00 critical 0
warn=3600 3600 3601 => 05:00 warning 1000, 60:00 warning 1000, 60:01 normal 1000
up 0 1 61 30 301 => 05:00 normal 1000, 00:00 critical 0, 00:01 warning 3, 01:01 normal 203,
  00:30 warning 100, 05:01 normal 1000
# The bar: the share of the total left, rounded half up, within 0 to 1000.
299 450 150 total=600 => 04:59 normal 997, 07:30 normal 1000, 02:30 normal 500, 02:30 normal 250
total=2000 1 3 => 05:00 normal 150, 00:01 warning 1, 00:03 warning 2
total=3 2 total=0 1 total=-10 total=1 2147483647 => 05:00 normal 1000, 00:02 warning 667,
  00:02 warning 1000, 00:01 warning 1000, 00:01 warning 1000, 00:01 warning 1000,
  35791394:07 normal 1000
# Blinking: from zero counting down, on through overtime, a new text shown at
# the next visible half; a positive value or a change of direction ends it.
1 0 b b b 0 -1 b -2 b 5 0 b => 00:01 warning 3, 00:00 critical 0, 00:00 hidden 0,
  00:00 critical 0, 00:00 hidden 0, 00:00 hidden 0, 00:00 hidden 0, -00:01 critical 0,
  -00:02 critical 0, -00:02 hidden 0, 00:05 warning 17, 00:00 critical 0, 00:00 hidden 0
0 b b 5 => 00:00 critical 0, 00:00 hidden 0, 00:00 critical 0, 00:05 warning 17
0 b up => 00:00 critical 0, 00:00 hidden 0, 00:00 critical 0
0 b down => 00:00 critical 0, 00:00 hidden 0, 00:00 critical 0
0 b -1 up -1 => 00:00 critical 0, 00:00 hidden 0, 00:00 hidden 0, -00:01 critical 0,
  -00:01 critical 0
# The real blink timer; a setting turned off at zero does not stop it.
0 w w => 00:00 critical 0, 00:00 hidden 0, 00:00 critical 0
0 blink=0 w => 00:00 critical 0, 00:00 critical 0, 00:00 hidden 0
blink=0 0 w => 05:00 normal 1000, 00:00 critical 0, 00:00 critical 0
up 0 w => 05:00 normal 1000, 00:00 critical 0, 00:00 critical 0
# The parts, by view: 0 timer, 1 clock, 2 both, any other keeps them as they are.
show view=0 view=1 view=2 view=5 view=1 view=5 view=0 view=-1 => timer+clock HH:mm:ss, timer,
  clock HH:mm:ss, timer+clock HH:mm:ss, timer+clock HH:mm:ss, clock HH:mm:ss, clock HH:mm:ss,
  timer, timer
show s0 h12 => timer+clock HH:mm:ss, timer+clock HH:mm, timer+clock hh:mm AP
show h12 target => timer+clock HH:mm:ss, timer+clock hh:mm:ss AP,
  timer+until 2:30 PM+clock hh:mm:ss AP
# The caption goes with the timer, in the clock's form.
show target view=0 h12 view=1 view=2 untarget => timer+clock HH:mm:ss,
  timer+until 14:30+clock HH:mm:ss, timer+until 14:30, timer+until 2:30 PM, clock hh:mm:ss AP,
  timer+until 2:30 PM+clock hh:mm:ss AP, timer+clock hh:mm:ss AP
)");
    }

    void states()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        Output o;
        QStringList states;
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            o.run(step);
            states << (steps.startsWith(QLatin1String("show")) ? o.parts() : o.readout());
        }
        QCOMPARE(states.join(QStringLiteral(", ")), expected);
        QVERIFY(!o.progress->isTextVisible());
        // Closing it only hides it: the control window keeps using it.
        QVERIFY(!o.window->testAttribute(Qt::WA_DeleteOnClose));
    }

    // "WxH timer/clock/message tick => pixels": sizes set for 1080 px follow
    // the height, rounded, down to a floor; a readout too wide shrinks ("fit")
    // just enough to keep every character, the overtime minus too, inside.
    void sizes_data()
    {
        TestSupport::addCases(R"(
3840x540 101/81/45 300 => 51/41/23
3840x1000 300/80/36 300 => 278/74/33
3840x108 100/90/70 300 => 12/10/8
3840x108 130/110/90 300 => 13/11/9
1920x1080 300/80/36 -300 => 300/80/36
1920x1080 550/80/36 -300 => fit/80/36
800x1080 300/80/36 -300 => fit/80/36
)");
    }

    void sizes()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        QList<int> n; // width, height, timer, clock, message, tick
        for (const QString& v : steps.split(QRegularExpression(QStringLiteral("[x/ ]"))))
            n << v.toInt();
        const QSize size(n[0], n[1]);
        Output o;
        o.settings.timerFontSize = n[2];
        o.settings.clockFontSize = n[3];
        o.settings.messageFontSize = n[4];
        o.window->resize(size.width(), 1080);
        o.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(o.window.get()));
        // A resize of the shown window restyles every label at once.
        o.window->resize(size);
        o.window->onTimerTick(n[5]);
        const int timerPx = o.timer->font().pixelSize();
        const bool fit = timerPx < qRound(o.settings.timerFontSize * size.height() / 1080.0);
        QCOMPARE(QStringLiteral("%1/%2/%3")
                     .arg(fit ? QStringLiteral("fit") : QString::number(timerPx))
                     .arg(o.clock->font().pixelSize())
                     .arg(o.message->font().pixelSize()),
                 expected);
        for (int seconds : {n[5], 5}) {
            o.window->onTimerTick(seconds);
            QVERIFY(o.timer->fontMetrics().horizontalAdvance(o.timer->text()) <= o.timer->width());
        }
    }

    // Pixels under a theme like the program's, which must not repaint the
    // audience's background; nothing of the readout in the blink's hidden
    // half, even on a new background. The message shows as typed, not markup.
    void painted()
    {
        Output o;
        // As at start-up: the theme arrives after the window is built.
        qApp->setStyleSheet(QStringLiteral("QWidget { background-color: #1c1c1c; color: #eee; }"));
        o.window->resize(800, 500);
        o.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(o.window.get()));
        o.window->onTimerTick(30);
        const QString text = QStringLiteral("<b>Q&A</b>  <img src=\"/etc/hostname\"> next");
        o.window->showMessage(text);
        QCOMPARE(o.message->text(), text);
        QVERIFY(o.message->sizeHint().width() >= o.message->fontMetrics().horizontalAdvance(text));
        const QRect readout(o.timer->mapTo(o.window.get(), QPoint(0, 0)), o.timer->size());
        const QImage img = o.window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.pixelColor(2, 2), kBg);
        QCOMPARE(img.pixelColor(readout.topLeft() + QPoint(1, 1)), kBg);
        QVERIFY(pixelsOf(o.window.get(), readout, kWarning) > 500);
        const QRect bar(o.progress->mapTo(o.window.get(), QPoint(0, 0)), o.progress->size());
        QCOMPARE(img.pixelColor(bar.left() + 6, bar.center().y()), kWarning);
        QCOMPARE(img.pixelColor(bar.right() - 6, bar.center().y()), QColor(0x1a, 0x1a, 0x1a));

        o.run(QStringLiteral("0 b"));
        const int area = readout.width() * readout.height();
        QCOMPARE(pixelsOf(o.window.get(), readout, kBg), area);
        o.settings.bgColor = QColor(0x40, 0x00, 0x40);
        o.window->refreshSettings();
        QCOMPARE(pixelsOf(o.window.get(), readout, o.settings.bgColor), area);
        qApp->setStyleSheet(QString());
        o.window->clearMessage();
        QVERIFY(o.message->text().isEmpty());
    }
};

VELLMARK_TEST_MAIN(TestOutputWindow)
#include "tst_outputwindow.moc"
