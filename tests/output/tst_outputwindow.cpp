// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/outputwindow.h"
#include "settings/appsettings.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTime>
#include <QtTest>

#include <climits>
#include <functional>
#include <memory>

namespace {

// Distinct colours, so every check can tell which one was used.
const QColor kBg(0x10, 0x20, 0x30);
const QColor kNormal(0x00, 0xcc, 0x00);
const QColor kWarning(0xff, 0x88, 0x00);
const QColor kCritical(0xff, 0x22, 0x00);
const QColor kClock(0xee, 0xee, 0xee);
const QColor kMessage(0xff, 0xff, 0x00);

// A window with its three labels and its bar, found as a caller would see them.
struct Output {
    AppSettings settings;
    std::unique_ptr<OutputWindow> window;
    QLabel* timer = nullptr;
    QLabel* clock = nullptr;
    QLabel* message = nullptr;
    QLabel* target = nullptr;
    QProgressBar* progress = nullptr;

    explicit Output(const std::function<void(AppSettings&)>& configure = {})
    {
        settings.bgColor = kBg;
        settings.timerColorNormal = kNormal;
        settings.timerColorWarning = kWarning;
        settings.timerColorCritical = kCritical;
        settings.clockColor = kClock;
        settings.messageColor = kMessage;
        if (configure)
            configure(settings);
        window = std::make_unique<OutputWindow>(&settings);
        // The readouts sit in the time area; the message directly in the window.
        // Before any tick the readout shows the initial 300 s, the clock the time.
        for (auto* l : window->findChildren<QLabel*>()) {
            if (l->objectName() == QLatin1String("targetCaption"))
                target = l;
            else if (l->parentWidget() == window.get())
                message = l;
            else if (l->text() == QLatin1String("05:00"))
                timer = l;
            else
                clock = l;
        }
        progress = window->findChild<QProgressBar*>();
    }

    QColor readoutColour() const { return timer->palette().color(QPalette::WindowText); }
    bool readoutHidden() const { return readoutColour() == settings.bgColor; }
    void blinkPhase() { QVERIFY(QMetaObject::invokeMethod(window.get(), "tickBlink")); }
};

// How many pixels of the window's rendering inside area have exactly colour.
int pixelsOf(QWidget* window, const QRect& area, const QColor& colour)
{
    const QImage img = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += img.pixelColor(x, y) == colour;
    return n;
}

// Seconds between a clock reading and now, across midnight.
int secondsFromNow(const QTime& t)
{
    const int d = qAbs(t.secsTo(QTime::currentTime()));
    return qMin(d, 86400 - d);
}

} // namespace

class TestOutputWindow : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { qApp->setStyleSheet(QString()); }

    void initialState()
    {
        Output o;
        QVERIFY(o.timer && o.clock && o.message && o.progress);
        QCOMPARE(o.window->windowTitle(), QStringLiteral("Vellmark — Output"));
        QVERIFY(!o.window->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(o.timer->text(), QStringLiteral("05:00"));
        QCOMPARE(o.readoutColour(), kNormal);
        const QTime shown = QTime::fromString(o.clock->text(), QStringLiteral("HH:mm:ss"));
        QVERIFY2(shown.isValid() && secondsFromNow(shown) <= 2, qPrintable(o.clock->text()));
        QVERIFY(o.message->text().isEmpty());
        QCOMPARE(o.progress->value(), 1000);
        QVERIFY(!o.progress->isTextVisible());
        QVERIFY(!o.timer->isHidden());
        QVERIFY(!o.clock->isHidden());
    }

    void timeText_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0 << "00:00";
        QTest::newRow("59") << 59 << "00:59";
        QTest::newRow("one minute") << 60 << "01:00";
        QTest::newRow("3599") << 3599 << "59:59";
        QTest::newRow("an hour stays minutes") << 3600 << "60:00";
        QTest::newRow("minutes past 99") << 6000 << "100:00";
        QTest::newRow("ten hours") << 36000 << "600:00";
        QTest::newRow("largest entry") << 999 * 60 + 59 << "999:59";
        QTest::newRow("overtime -1") << -1 << "-00:01";
        QTest::newRow("overtime -61") << -61 << "-01:01";
        QTest::newRow("overtime past 99 minutes") << -6001 << "-100:01";
        QTest::newRow("largest int") << INT_MAX << "35791394:07";
        QTest::newRow("most negative int") << INT_MIN << "-35791394:08";
    }

    void timeText()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        Output o;
        o.window->onTimerTick(seconds);
        QCOMPARE(o.timer->text(), text);
    }

    void thresholdColour_data()
    {
        QTest::addColumn<int>("warningThreshold");
        QTest::addColumn<bool>("countUp");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("61 above 60") << 60 << false << 61 << kNormal;
        QTest::newRow("60 at 60") << 60 << false << 60 << kWarning;
        QTest::newRow("1 under 60") << 60 << false << 1 << kWarning;
        QTest::newRow("0") << 60 << false << 0 << kCritical;
        QTest::newRow("overtime -5") << 60 << false << -5 << kCritical;
        QTest::newRow("most negative int") << 60 << false << INT_MIN << kCritical;
        QTest::newRow("threshold 0, 1 s") << 0 << false << 1 << kNormal;
        QTest::newRow("threshold 0, 0 s") << 0 << false << 0 << kCritical;
        QTest::newRow("threshold 3600, 3600 s") << 3600 << false << 3600 << kWarning;
        QTest::newRow("threshold 3600, 3601 s") << 3600 << false << 3601 << kNormal;
        QTest::newRow("count-up 0") << 60 << true << 0 << kCritical;
        QTest::newRow("count-up 1") << 60 << true << 1 << kWarning;
        QTest::newRow("count-up 61") << 60 << true << 61 << kNormal;
    }

    void thresholdColour()
    {
        QFETCH(int, warningThreshold);
        QFETCH(bool, countUp);
        QFETCH(int, seconds);
        QFETCH(QColor, colour);
        Output o([&](AppSettings& s) { s.warningThreshold = warningThreshold; });
        o.window->setCountUp(countUp);
        o.window->onTimerTick(seconds);
        QCOMPARE(o.readoutColour(), colour);
        // The bar's chunk follows the same rule; its groove never changes.
        const QString chunk = QStringLiteral("::chunk { background-color:%1;").arg(colour.name());
        QVERIFY2(o.progress->styleSheet().contains(chunk), qPrintable(o.progress->styleSheet()));
        QVERIFY(o.progress->styleSheet().contains(QStringLiteral("background-color:#1a1a1a;")));
    }

    void progress_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<bool>("countUp");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("value");
        QTest::newRow("full") << 300 << false << 300 << 1000;
        QTest::newRow("half") << 300 << false << 150 << 500;
        QTest::newRow("299 of 300") << 300 << false << 299 << 997;
        QTest::newRow("1 of 300") << 300 << false << 1 << 3;
        QTest::newRow("zero") << 300 << false << 0 << 0;
        QTest::newRow("overtime") << 300 << false << -20 << 0;
        QTest::newRow("above the total") << 300 << false << 450 << 1000;
        QTest::newRow("half rounds up: 1 of 2000") << 2000 << false << 1 << 1;
        QTest::newRow("half rounds up: 3 of 2000") << 2000 << false << 3 << 2;
        QTest::newRow("2 of 3") << 3 << false << 2 << 667;
        QTest::newRow("total 0 counts as 1") << 0 << false << 1 << 1000;
        QTest::newRow("negative total counts as 1") << -10 << false << 1 << 1000;
        QTest::newRow("largest int") << 1 << false << INT_MAX << 1000;
        QTest::newRow("most negative int") << 1 << false << INT_MIN << 0;
        QTest::newRow("count-up starts empty") << 300 << true << 0 << 0;
        QTest::newRow("count-up fills") << 300 << true << 30 << 100;
        QTest::newRow("count-up past the total stays full") << 300 << true << 301 << 1000;
    }

    void progress()
    {
        QFETCH(int, total);
        QFETCH(bool, countUp);
        QFETCH(int, seconds);
        QFETCH(int, value);
        Output o;
        o.window->setCountUp(countUp);
        o.window->setTotalSeconds(total);
        o.window->onTimerTick(seconds);
        QCOMPARE(o.progress->value(), value);
    }

    void progressFollowsNewTotal()
    {
        Output o;
        o.window->onTimerTick(150);
        QCOMPARE(o.progress->value(), 500);
        o.window->setTotalSeconds(600);
        QCOMPARE(o.progress->value(), 250);
    }

    // Steps, separated by spaces: a number is a tick with that value, "b" one
    // blink phase, "up"/"down" a count direction.
    void blinkStates_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero shows 00:00 visible") << "1 0" << false << "00:00";
        QTest::newRow("first phase hides") << "1 0 b" << true << "00:00";
        QTest::newRow("second phase shows") << "1 0 b b" << false << "00:00";
        QTest::newRow("repeated zero keeps the phase") << "0 b 0" << true << "00:00";
        QTest::newRow("overtime keeps blinking") << "0 b -1" << true << "00:00";
        QTest::newRow("overtime text with the next visible half")
            << "0 b -1 b" << false << "-00:01";
        QTest::newRow("overtime blinks on") << "0 b -1 b -2 b" << true << "-00:02";
        QTest::newRow("positive value ends it") << "0 b -3 300" << false << "05:00";
        QTest::newRow("positive value ends it in the visible half")
            << "0 b b 5" << false << "00:05";
        QTest::newRow("count-up ends it") << "0 b up" << false << "00:00";
        QTest::newRow("count-down ends it too") << "0 b down" << false << "00:00";
        QTest::newRow("a count-up tick ends it") << "0 b -1 up -1" << false << "-00:01";
        QTest::newRow("restarts at the next zero") << "0 b 5 0 b" << true << "00:00";
    }

    void blinkStates()
    {
        QFETCH(QString, steps);
        QFETCH(bool, hidden);
        QFETCH(QString, text);
        Output o;
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            if (step == QLatin1String("b"))
                o.blinkPhase();
            else if (step == QLatin1String("up"))
                o.window->setCountUp(true);
            else if (step == QLatin1String("down"))
                o.window->setCountUp(false);
            else
                o.window->onTimerTick(step.toInt());
        }
        QCOMPARE(o.readoutHidden(), hidden);
        QCOMPARE(o.timer->text(), text);
        if (!hidden)
            QCOMPARE(o.readoutColour(), o.timer->text() == QLatin1String("05:00")   ? kNormal
                                        : o.timer->text() == QLatin1String("00:05") ? kWarning
                                                                                    : kCritical);
    }

    void hiddenHalfUpdatesOnlyTheBar()
    {
        Output o;
        o.window->onTimerTick(0);
        o.blinkPhase();
        QVERIFY(o.readoutHidden());
        const QColor newCritical(0x99, 0x00, 0x99);
        o.settings.timerColorCritical = newCritical;
        o.window->onTimerTick(-1);
        QCOMPARE(o.timer->text(), QStringLiteral("00:00"));
        QVERIFY(o.readoutHidden());
        QCOMPARE(o.progress->value(), 0);
        QVERIFY(o.progress->styleSheet().contains(newCritical.name()));
        o.blinkPhase();
        QCOMPARE(o.timer->text(), QStringLiteral("-00:01"));
        QCOMPARE(o.readoutColour(), newCritical);
    }

    // The real 500 ms blink timer: runs after a zero while counting down with
    // blinking on, and not otherwise.
    void blinkTimer_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("countUp");
        QTest::addColumn<bool>("offAfterZero");
        QTest::addColumn<bool>("blinks");
        QTest::newRow("counting down, blinking on") << true << false << false << true;
        QTest::newRow("turned off after zero blinks on") << true << false << true << true;
        QTest::newRow("blinking off") << false << false << false << false;
        QTest::newRow("counting up") << true << true << false << false;
    }

    void blinkTimer()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, countUp);
        QFETCH(bool, offAfterZero);
        QFETCH(bool, blinks);
        Output o([&](AppSettings& s) { s.blinkEnabled = enabled; });
        o.window->setCountUp(countUp);
        o.window->onTimerTick(0);
        if (offAfterZero) {
            o.settings.blinkEnabled = false;
            o.window->refreshSettings();
        }
        QCOMPARE(o.readoutColour(), kCritical);
        QCOMPARE(o.timer->text(), QStringLiteral("00:00"));
        QElapsedTimer since;
        since.start();
        // Two phases take a little over 1000 ms; give the event loop room.
        QTRY_VERIFY_WITH_TIMEOUT(o.readoutHidden() || since.elapsed() > 1200, 3000);
        QCOMPARE(o.readoutHidden(), blinks);
        if (blinks)
            QTRY_VERIFY_WITH_TIMEOUT(!o.readoutHidden(), 2000);
    }

    void viewModes_data()
    {
        QTest::addColumn<QList<int>>("modes");
        QTest::addColumn<bool>("timerShown");
        QTest::addColumn<bool>("clockShown");
        QTest::newRow("timer only") << QList<int>{0} << true << false;
        QTest::newRow("clock only") << QList<int>{1} << false << true;
        QTest::newRow("both") << QList<int>{1, 2} << true << true;
        QTest::newRow("other value keeps both") << QList<int>{5} << true << true;
        QTest::newRow("other value keeps clock only") << QList<int>{1, 5} << false << true;
        QTest::newRow("other value keeps timer only") << QList<int>{0, -1} << true << false;
    }

    void viewModes()
    {
        QFETCH(QList<int>, modes);
        QFETCH(bool, timerShown);
        QFETCH(bool, clockShown);
        Output o;
        o.window->show();
        for (int m : modes)
            o.window->setViewMode(m);
        QCOMPARE(o.timer->isVisible(), timerShown);
        QCOMPARE(o.clock->isVisible(), clockShown);
        QVERIFY(o.message->isVisible());
        QVERIFY(o.progress->isVisible());
        // The clock is kept current unless the mode is 0.
        o.clock->setText(QStringLiteral("stale"));
        QVERIFY(QMetaObject::invokeMethod(o.window.get(), "tickClock"));
        QCOMPARE(o.clock->text() == QLatin1String("stale"), modes.last() == 0);
    }

    void fontScaling_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<QList<int>>("sizes"); // timer, clock, message settings
        QTest::addColumn<QList<int>>("pixels");
        QTest::newRow("1080 as set") << 1080 << QList<int>{200, 80, 36} << QList<int>{200, 80, 36};
        QTest::newRow("540 halves") << 540 << QList<int>{200, 80, 36} << QList<int>{100, 40, 18};
        QTest::newRow("2160 doubles")
            << 2160 << QList<int>{200, 80, 36} << QList<int>{400, 160, 72};
        QTest::newRow("halves round up")
            << 540 << QList<int>{101, 81, 45} << QList<int>{51, 41, 23};
        QTest::newRow("1000 rounds") << 1000 << QList<int>{300, 80, 36} << QList<int>{278, 74, 33};
        QTest::newRow("floors") << 108 << QList<int>{100, 90, 70} << QList<int>{12, 10, 8};
        QTest::newRow("just above the floors")
            << 108 << QList<int>{130, 110, 90} << QList<int>{13, 11, 9};
    }

    void fontScaling()
    {
        QFETCH(int, height);
        QFETCH(QList<int>, sizes);
        QFETCH(QList<int>, pixels);
        Output o([&](AppSettings& s) {
            s.timerFontSize = sizes[0];
            s.clockFontSize = sizes[1];
            s.messageFontSize = sizes[2];
        });
        // Wide enough that the readout never has to shrink to fit.
        o.window->resize(3840, 1080);
        o.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(o.window.get()));
        // A resize of the shown window restyles every label at once.
        o.window->resize(3840, height);
        QCOMPARE(o.window->height(), height);
        QCOMPARE(o.timer->font().pixelSize(), pixels[0]);
        QCOMPARE(o.clock->font().pixelSize(), pixels[1]);
        QCOMPARE(o.message->font().pixelSize(), pixels[2]);
        QVERIFY(o.timer->font().bold());
        QVERIFY(!o.message->font().bold());
    }

    // A large font on a narrow window shrinks the readout just enough to keep
    // every character, the overtime minus included, inside the window.
    void readoutFitsWidth_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("fontSize");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<bool>("shrinks");
        QTest::newRow("default font, full HD") << QSize(1920, 1080) << 300 << -300 << false;
        QTest::newRow("largest font, full HD, overtime")
            << QSize(1920, 1080) << 550 << -300 << true;
        QTest::newRow("largest font, full HD, 100 minutes")
            << QSize(1920, 1080) << 550 << 6000 << true;
        QTest::newRow("default font, narrow window") << QSize(800, 1080) << 300 << -300 << true;
        QTest::newRow("small window") << QSize(800, 500) << 300 << 300 << false;
    }

    void readoutFitsWidth()
    {
        QFETCH(QSize, size);
        QFETCH(int, fontSize);
        QFETCH(int, seconds);
        QFETCH(bool, shrinks);
        Output o([&](AppSettings& s) { s.timerFontSize = fontSize; });
        o.window->resize(size);
        o.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(o.window.get()));
        o.window->onTimerTick(seconds);
        const int scaled = qRound(fontSize * size.height() / 1080.0);
        QCOMPARE(o.timer->font().pixelSize() < scaled, shrinks);
        const int textWidth = o.timer->fontMetrics().horizontalAdvance(o.timer->text());
        QVERIFY2(textWidth <= o.timer->width(),
                 qPrintable(QStringLiteral("%1 > %2").arg(textWidth).arg(o.timer->width())));
        // Back to a short text, the readout takes its full size again where it fits.
        if (!shrinks)
            return;
        o.window->onTimerTick(5);
        QVERIFY(o.timer->fontMetrics().horizontalAdvance(o.timer->text()) <= o.timer->width());
    }

    // "until 14:30" under the time while counting to a time of day, in the
    // clock's format, and only where the time is shown.
    void targetCaption_data()
    {
        QTest::addColumn<bool>("h24");
        QTest::addColumn<int>("view");
        QTest::addColumn<bool>("inTarget");
        QTest::addColumn<QString>("expected"); // empty: hidden
        QTest::newRow("24 h") << true << 2 << true << "until 14:30";
        QTest::newRow("12 h") << false << 2 << true << "until 2:30 PM";
        QTest::newRow("timer only") << true << 0 << true << "until 14:30";
        QTest::newRow("clock only") << true << 1 << true << "";
        QTest::newRow("no target") << true << 2 << false << "";
    }

    void targetCaption()
    {
        QFETCH(bool, h24);
        QFETCH(int, view);
        QFETCH(bool, inTarget);
        QFETCH(QString, expected);
        Output o([&](AppSettings& s) { s.clock24hr = !h24; });
        const auto shown = [&o] {
            return o.target->isVisibleTo(o.window.get()) ? o.target->text() : QString();
        };
        QCOMPARE(shown(), QString());
        o.window->setTarget(QDateTime(QDate(2027, 6, 10), QTime(14, 30)));
        o.window->setViewMode(view);
        // A change of the clock's format reaches a caption already shown.
        o.settings.clock24hr = h24;
        o.window->refreshSettings();
        if (!inTarget)
            o.window->setTarget(QDateTime());
        QCOMPARE(shown(), expected);
        if (view == 1) {
            o.window->setViewMode(2);
            QCOMPARE(shown(), QStringLiteral("until 14:30"));
        }
    }

    void clockPatterns_data()
    {
        QTest::addColumn<bool>("h24");
        QTest::addColumn<bool>("withSeconds");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("shape");
        QTest::newRow("24 h with seconds") << true << true << "HH:mm:ss"
                                           << R"(^\d\d:\d\d:\d\d$)";
        QTest::newRow("24 h") << true << false << "HH:mm"
                              << R"(^\d\d:\d\d$)";
        QTest::newRow("12 h with seconds") << false << true << "hh:mm:ss AP"
                                           << R"(^(0\d|1[0-2]):\d\d:\d\d (AM|PM)$)";
        QTest::newRow("12 h") << false << false << "hh:mm AP"
                              << R"(^(0\d|1[0-2]):\d\d (AM|PM)$)";
    }

    void clockPatterns()
    {
        QFETCH(bool, h24);
        QFETCH(bool, withSeconds);
        QFETCH(QString, pattern);
        QFETCH(QString, shape);
        Output o;
        o.settings.clock24hr = h24;
        o.settings.clockShowSeconds = withSeconds;
        o.window->refreshSettings();
        const QString text = o.clock->text();
        QVERIFY2(QRegularExpression(shape).match(text).hasMatch(), qPrintable(text));
        const QTime shown = QTime::fromString(text, pattern);
        QVERIFY(shown.isValid());
        QVERIFY2(secondsFromNow(shown) <= (withSeconds ? 2 : 61), qPrintable(text));
    }

    void messages_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "Five minutes left";
        QTest::newRow("bold tag") << "<b>Q&A</b> next";
        QTest::newRow("image tag") << "<img src=\"/etc/hostname\"> break";
        QTest::newRow("entity") << "Tom &amp; Jerry";
        QTest::newRow("double space") << "A  B";
    }

    void messages()
    {
        QFETCH(QString, text);
        Output o;
        o.window->showMessage(text);
        QCOMPARE(o.message->text(), text);
        // Shown as typed: as wide as the characters themselves, tags included.
        const int typedWidth = QFontMetrics(o.message->font()).horizontalAdvance(text);
        QVERIFY2(o.message->sizeHint().width() >= typedWidth,
                 qPrintable(QString::number(o.message->sizeHint().width())));
        o.window->clearMessage();
        QVERIFY(o.message->text().isEmpty());
    }

    // Pixels of the painted window: the readout in its threshold colour on
    // bgColor, and nothing of it during the hidden half of a blink. Run also
    // under an application-wide widget rule like the program's dark theme,
    // which must not repaint the audience's background.
    void painted_data()
    {
        QTest::addColumn<QString>("appStyle");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QColor>("colour");
        const QString theme = QStringLiteral(
            "QWidget { background-color: #1c1c1c; color: #e8e8e8; font-size: 13px; }");
        QTest::newRow("normal") << QString() << 300 << kNormal;
        QTest::newRow("warning") << QString() << 30 << kWarning;
        QTest::newRow("critical") << QString() << 0 << kCritical;
        QTest::newRow("themed normal") << theme << 300 << kNormal;
        QTest::newRow("themed critical") << theme << 0 << kCritical;
    }

    void painted()
    {
        QFETCH(QString, appStyle);
        QFETCH(int, seconds);
        QFETCH(QColor, colour);
        Output o;
        // As at start-up: the theme arrives after the window is built.
        qApp->setStyleSheet(appStyle);
        o.window->resize(800, 500);
        o.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(o.window.get()));
        o.window->onTimerTick(seconds);

        const QRect readout(o.timer->mapTo(o.window.get(), QPoint(0, 0)), o.timer->size());
        const int readoutArea = readout.width() * readout.height();
        const QImage img = o.window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.pixelColor(2, 2), kBg);
        QCOMPARE(img.pixelColor(img.width() - 3, img.height() / 2), kBg);
        // The readout's own background is the window's; its glyphs the colour.
        QCOMPARE(img.pixelColor(readout.left() + 1, readout.top() + 1), kBg);
        const int inColour = pixelsOf(o.window.get(), readout, colour);
        QVERIFY2(inColour > 500, qPrintable(QString::number(inColour)));

        // The bar: chunk in the threshold colour from the left, groove after it.
        const QRect bar(o.progress->mapTo(o.window.get(), QPoint(0, 0)), o.progress->size());
        if (seconds > 0)
            QCOMPARE(img.pixelColor(bar.left() + 6, bar.center().y()), colour);
        QCOMPARE(img.pixelColor(bar.right() - 6, bar.center().y()),
                 seconds == 300 ? colour : QColor(0x1a, 0x1a, 0x1a));

        // Hidden half: not one readout pixel differs from the background.
        o.window->onTimerTick(0);
        o.blinkPhase();
        QCOMPARE(pixelsOf(o.window.get(), readout, kBg), readoutArea);
        // A new background while hidden keeps the readout hidden.
        o.settings.bgColor = QColor(0x40, 0x00, 0x40);
        o.window->refreshSettings();
        QCOMPARE(pixelsOf(o.window.get(), readout, o.settings.bgColor), readoutArea);
    }
};

VELLMARK_TEST_MAIN(TestOutputWindow)
#include "tst_outputwindow.moc"
