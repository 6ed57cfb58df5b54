// SPDX-License-Identifier: GPL-3.0-or-later
// GUI-thread time of one tick through the windows, repaint included, at two
// output sizes with blinking off and on, against a bare label that shows the
// same text in the same font as the yardstick.
//   bench_tickcost [ticks per case]   (default 2000)
#include "benchsupport.h"
#include "timer/counttext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QLabel>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

namespace {

// Counts paint events of one widget, to show that a measured tick really
// repainted it.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(o, e);
    }
};

// Everything a tick posts (polish, layout, the repaint request) is handled
// right away; timers are left alone so that only the tick's work is timed.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents();
}

} // namespace

int main(int argc, char** argv)
{
    Bench::PrivateHome home;
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 2000;
    Bench::printHeader("per-tick cost");

    Bench::Stage stage;
    PaintCounter outputPaints;
    const QList<QWidget*> children = stage.output->findChildren<QWidget*>();
    QLabel* timerLabel = nullptr;
    for (QWidget* w : children) {
        auto* l = qobject_cast<QLabel*>(w);
        if (l && !timerLabel && l->text().contains(QLatin1Char(':')))
            timerLabel = l;
    }
    if (timerLabel)
        timerLabel->installEventFilter(&outputPaints);
    // Paints of every widget of the window: the readout and the progress bar
    // are what a tick changes; anything else repainted is work for nothing.
    PaintCounter allPaints;
    stage.output->installEventFilter(&allPaints);
    for (QWidget* w : children)
        w->installEventFilter(&allPaints);

    QLabel bare;
    PaintCounter barePaints;
    bare.installEventFilter(&barePaints);
    bare.setAlignment(Qt::AlignCenter);
    bare.setAutoFillBackground(true);

    std::printf("%-12s %-6s %12s %12s %12s %12s %8s %s\n", "output", "blink", "tick med us",
                "tick p99 us", "label med us", "label p99 us", "ratio",
                "paints/tick: readout, label, all output widgets");
    const QList<QSize> sizes = {QSize(1920, 1080), QSize(3840, 2160)};
    for (const QSize& size : sizes) {
        QScreen* screen = size.height() >= 2160 ? Bench::stageScreen() : nullptr;
        stage.showOutput(screen, size);
        // The yardstick has the readout's own size, so both paint the same area.
        bare.resize(timerLabel ? timerLabel->size() : stage.output->size());
        bare.show();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        QFont font(QStringLiteral("monospace"));
        font.setBold(true);
        font.setPixelSize(std::max(
            12, static_cast<int>(stage.settings.timerFontSize * stage.output->height() / 1080.0)));
        bare.setFont(font);
        settle();

        for (bool blink : {false, true}) {
            // Blinking happens at zero and through overtime; without it the
            // count runs down from a long duration in the normal colour.
            stage.settings.blinkEnabled = blink;
            stage.engine.setDuration(blink ? 1 : 100000);
            stage.engine.setOvertimeEnabled(true);
            settle();
            QList<double> tickUs, labelUs;
            int value = stage.engine.remaining();
            outputPaints.paints = 0;
            barePaints.paints = 0;
            allPaints.paints = 0;
            QElapsedTimer clock;
            for (int i = -50; i < ticks; ++i) {
                if (blink && i % 2 == 0) // half of the ticks land in the hidden half
                    QMetaObject::invokeMethod(stage.output, "tickBlink", Qt::DirectConnection);
                settle();
                if (i == 0) {
                    outputPaints.paints = 0;
                    barePaints.paints = 0;
                }
                const int paintsBefore = allPaints.paints;
                clock.start();
                stage.step();
                settle();
                const double t = clock.nsecsElapsed() / 1000.0;
                if (i < 0)
                    allPaints.paints = paintsBefore;
                --value;
                clock.start();
                bare.setText(countText(value));
                settle();
                const double l = clock.nsecsElapsed() / 1000.0;
                if (i >= 0) {
                    tickUs << t;
                    labelUs << l;
                }
            }
            const double tm = Bench::median(tickUs), lm = Bench::median(labelUs);
            std::printf("%4dx%-7d %-6s %12.1f %12.1f %12.1f %12.1f %8.2f %.2f, %.2f, %.2f\n",
                        size.width(), size.height(), blink ? "on" : "off", tm,
                        Bench::percentile(tickUs, 99), lm, Bench::percentile(labelUs, 99),
                        lm > 0 ? tm / lm : 0.0, double(outputPaints.paints) / ticks,
                        double(barePaints.paints) / ticks, double(allPaints.paints) / ticks);
            std::fflush(stdout);
        }
    }
    return 0;
}
