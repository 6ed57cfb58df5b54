// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/readoutlabel.h"
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
struct Shown {
    std::unique_ptr<QWidget> window;
    QLabel* label = nullptr;

    Shown(bool cached, const QSize& size, int px)
    {
        window = std::make_unique<QWidget>();
        QPalette pal = window->palette();
        pal.setColor(QPalette::Window, kBackdrop);
        window->setPalette(pal);
        window->setAutoFillBackground(true);
        window->resize(size);
        if (cached) {
            auto* r = new ReadoutLabel(QString(), window.get());
            r->setBackdrop(kBackdrop);
            label = r;
        } else {
            label = new QLabel(window.get());
        }
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(QRect(QPoint(0, 0), size));
        m_px = px;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void show(const QString& text, const QColor& colour)
    {
        const QString sheet = QStringLiteral("color:%1;font-size:%2px;font-weight:bold;"
                                             "font-family:monospace;background-color:transparent;")
                                  .arg(colour.name())
                                  .arg(m_px);
        if (label->styleSheet() != sheet)
            label->setStyleSheet(sheet);
        if (auto* r = qobject_cast<ReadoutLabel*>(label))
            r->updateText(text);
        else
            label->setText(text);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    // What the window shows: its backing store, as the repaints left it.
    QImage onScreen() const
    {
        return window->screen()
            ->grabWindow(window->winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

  private:
    int m_px = 0;
};

// The region a widget repainted, summed over its paint events.
struct PaintedRegion : QObject {
    QRegion region;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            region += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

int differing(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace

class TestReadoutLabel : public QObject {
    Q_OBJECT

  private slots:
    // Ticks, a threshold colour change, the hidden half of a blink and the
    // overtime minus, at sizes from a small window to a 4K stage: the readout
    // looks exactly like a plain label after each sequence, both as painted
    // step by step and as grabbed afresh.
    void samePixelsAsPlainLabel_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("px");
        QTest::addColumn<QStringList>("texts");
        // Whether the last step repaints the changed characters only.
        QTest::addColumn<bool>("cells");
        const QColor normal(0x00, 0xcc, 0x00), warning(0xff, 0x88, 0x00);
        const QString n = normal.name(), w = warning.name(), c = QStringLiteral("#ff2200");
        const QString hidden = kBackdrop.name();
        QTest::newRow("1080p countdown")
            << QSize(1860, 520) << 300
            << QStringList{"05:00 " + n, "04:59 " + n, "04:58 " + n, "01:00 " + n,
                           "00:59 " + w, "00:58 " + w, "04:58 " + n, "04:57 " + n}
            << true;
        QTest::newRow("4K zero, blink and overtime")
            << QSize(3780, 900) << 600
            << QStringList{"00:01 " + w,  "00:00 " + c,  "00:00 " + hidden, "-00:01 " + hidden,
                           "-00:01 " + c, "-00:02 " + c, "-01:39 " + c,     "-01:38 " + c}
            << true;
        QTest::newRow("hundreds of minutes, narrow")
            << QSize(700, 300) << 190 << QStringList{"100:00 " + n, "99:59 " + n, "99:58 " + n}
            << true;
        QTest::newRow("12-hour clock")
            << QSize(1800, 300) << 160
            << QStringList{"11:59:59 AM " + n, "12:00:00 PM " + n, "12:00:01 PM " + n} << true;
        QTest::newRow("wide letters of AM, drawn as a label draws")
            << QSize(1800, 300) << 160 << QStringList{"09:30:00 AM " + n, "09:30:01 AM " + n}
            << false;
        QTest::newRow("small, drawn as a label draws")
            << QSize(200, 40) << 14 << QStringList{"05:00 " + n, "04:59 " + n} << false;
        QTest::newRow("other characters")
            << QSize(900, 300) << 150
            << QStringList{"05:00 " + n, "5 min " + n, "05:00 " + n, "04:59 " + n} << true;
    }
    void samePixelsAsPlainLabel()
    {
        QFETCH(QSize, size);
        QFETCH(int, px);
        QFETCH(QStringList, texts);
        QFETCH(bool, cells);
        Shown plain(false, size, px);
        Shown cached(true, size, px);
        PaintedRegion painted;
        for (const QString& step : texts) {
            if (&step == &texts.last())
                cached.label->installEventFilter(&painted);
            const int sp = step.lastIndexOf(QLatin1Char(' '));
            const QString text = step.left(sp);
            const QColor colour(step.mid(sp + 1));
            plain.show(text, colour);
            cached.show(text, colour);
            const int n = differing(plain.onScreen(), cached.onScreen());
            QVERIFY2(
                n == 0,
                qPrintable(QStringLiteral("%1 pixels differ on screen after %2").arg(n).arg(step)));
        }
        // On a scaled screen the readout paints as a plain label does.
        const bool scaled = cached.window->devicePixelRatioF() != 1.0;
        QCOMPARE(painted.region.boundingRect() != cached.label->rect(), cells && !scaled);
        const int grabbed =
            differing(plain.window->grab().toImage().convertToFormat(QImage::Format_RGB32),
                      cached.window->grab().toImage().convertToFormat(QImage::Format_RGB32));
        QVERIFY2(grabbed == 0,
                 qPrintable(QStringLiteral("%1 pixels differ in a grab").arg(grabbed)));
    }

    // A tick that changes the last digit repaints that digit, not the readout.
    void tickRepaintsTheChangedCharacterOnly()
    {
        Shown cached(true, QSize(1860, 520), 300);
        if (cached.window->devicePixelRatioF() != 1.0)
            QSKIP("a scaled screen keeps the plain label's painting");
        cached.show(QStringLiteral("04:59"), Qt::green);
        PaintedRegion painted;
        cached.label->installEventFilter(&painted);
        cached.show(QStringLiteral("04:58"), Qt::green);
        const QRect r = painted.region.boundingRect();
        QVERIFY(!r.isEmpty());
        QVERIFY2(r.width() < cached.label->width() / 8 && r.left() > cached.label->width() / 2,
                 qPrintable(QStringLiteral("repainted %1,%2 %3x%4")
                                .arg(r.x())
                                .arg(r.y())
                                .arg(r.width())
                                .arg(r.height())));
    }
};

VELLMARK_TEST_MAIN(TestReadoutLabel)
#include "tst_readoutlabel.moc"
