// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/readoutlabel.h"
#include "casetable.h"
#include "testsupport.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QScreen>
#include <QtTest>

#include <memory>

namespace {

const QColor kBackdrop(0x10, 0x20, 0x30);

// A window in the backdrop colour with one readout over it, styled as the
// output window styles its readouts.
struct Shown : QObject {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QLabel* label = nullptr;
    int px = 0;
    // The region the label repainted since the last show().
    QRegion painted;

    Shown(QLabel* l, const QSize& size, int pixels) : label(l), px(pixels)
    {
        QPalette pal = window->palette();
        pal.setColor(QPalette::Window, kBackdrop);
        window->setPalette(pal);
        window->setAutoFillBackground(true);
        window->resize(size);
        label->setParent(window.get());
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(QRect(QPoint(0, 0), size));
        label->installEventFilter(this);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }

    void show(const QString& text, const QString& colour)
    {
        const QString sheet = QStringLiteral("color:%1;font-size:%2px;font-weight:bold;"
                                             "font-family:monospace;background-color:transparent;")
                                  .arg(colour)
                                  .arg(px);
        if (label->styleSheet() != sheet)
            label->setStyleSheet(sheet);
        painted = QRegion();
        if (auto* r = qobject_cast<ReadoutLabel*>(label))
            r->updateText(text);
        else
            label->setText(text);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    // What the window shows: its backing store, as the repaints left it.
    QImage onScreen() const { return window->screen()->grabWindow(window->winId()).toImage(); }
};

} // namespace

class TestReadoutLabel : public QObject {
    Q_OBJECT

  private slots:
    // "WxH px => texts": texts in a colour (n, w, c) or hidden (h), then
    // whether the last repaints only changed cells or the whole label. After
    // each step the readout looks exactly like a plain label, as painted step
    // by step and as grabbed afresh.
    void samePixelsAsPlainLabel_data()
    {
        TestSupport::addCases(R"(
1860x520 300 => 05:00 n, 04:59 n, 01:00 n, 00:59 w, 00:58 w, 04:58 n, 04:57 n, cells
3780x900 600 => 00:01 w, 00:00 c, 00:00 h, -00:01 h, -00:01 c, -01:39 c, -01:38 c, cells
# Hundreds of minutes in a narrow window: cells clipped at the edges.
700x300 190 => 100:00 n, 99:59 n, 99:58 n, cells
1800x300 160 => 11:59:59 AM n, 12:00:00 PM n, 12:00:01 PM n, cells
# The wide letters of AM alone, and a small size: drawn as a label draws.
1800x300 160 => 09:30:00 AM n, 09:30:01 AM n, whole
200x40 14 => 05:00 n, 04:59 n, whole
900x300 150 => 05:00 n, 5 min n, 04:59 n, 04:58 n, cells
)");
    }

    void samePixelsAsPlainLabel()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        const QStringList wh = steps.section(' ', 0, 0).split('x');
        const QSize size(wh[0].toInt(), wh[1].toInt());
        const int px = steps.section(' ', 1).toInt();
        Shown plain(new QLabel, size, px);
        auto* readout = new ReadoutLabel(QString());
        readout->setBackdrop(kBackdrop);
        Shown cached(readout, size, px);
        QStringList texts = expected.split(QStringLiteral(", "));
        const bool cells = texts.takeLast() == QLatin1String("cells");
        const QHash<QString, QString> colours = {
            {"n", "#00cc00"}, {"w", "#ff8800"}, {"c", "#ff2200"}, {"h", kBackdrop.name()}};
        for (const QString& step : texts) {
            const QString colour = colours.value(step.section(' ', -1));
            plain.show(step.section(' ', 0, -2), colour);
            cached.show(step.section(' ', 0, -2), colour);
            QVERIFY2(plain.onScreen() == cached.onScreen(), qPrintable(step));
        }
        // On a scaled screen the readout paints as a plain label does.
        const QRect repainted = cached.painted.boundingRect();
        if (cells && cached.window->devicePixelRatioF() == 1.0)
            QVERIFY2(!repainted.isEmpty() && repainted.width() < size.width() / 4,
                     qPrintable(QString::number(repainted.width())));
        else
            QCOMPARE(repainted, readout->rect());
        QVERIFY(plain.window->grab().toImage() == cached.window->grab().toImage());
    }
};

VELLMARK_TEST_MAIN(TestReadoutLabel)
#include "tst_readoutlabel.moc"
