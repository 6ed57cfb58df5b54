// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QtTest>

// The logo and the application icons are compiled into the program; the
// control window's header, the About card and the window icon load them by
// these names.
class TestResources : public QObject {
    Q_OBJECT

  private slots:
    void logoIsAnAlphaImageOfItsSize()
    {
        const QImage logo(QStringLiteral(":/assets/VELLMARK LOGO DESKTOP NO BACKGROUND.png"));
        QVERIFY(!logo.isNull());
        QCOMPARE(logo.size(), QSize(646, 646));
        QVERIFY(logo.hasAlphaChannel());
        // No background: the corners are see-through, the mark itself is opaque.
        QCOMPARE(qAlpha(logo.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(logo.pixel(645, 645)), 0);
        QCOMPARE(qAlpha(logo.pixel(323, 600)), 255);
    }

    void iconSizes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("size");
        for (const int size : {16, 32, 48, 64, 128, 256})
            QTest::addRow("%d px", size)
                << QStringLiteral(":/assets/icons/vellmark-%1.png") << size;
        // The control window's header logo, at its size and twice that.
        for (const int size : {28, 56})
            QTest::addRow("header logo %d px", size)
                << QStringLiteral(":/assets/icons/vellmark-logo-%1.png") << size;
    }

    void iconSizes()
    {
        QFETCH(QString, path);
        QFETCH(int, size);
        const QImage icon(path.arg(size));
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.size(), QSize(size, size));
        QVERIFY(icon.hasAlphaChannel());
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    }

    // The header draws the logo as a 28 px icon; a QIcon that cannot read the
    // file would give an empty pixmap there without any error.
    void logoMakesAnIcon()
    {
        const QIcon icon(QStringLiteral(":/assets/VELLMARK LOGO DESKTOP NO BACKGROUND.png"));
        const QImage small = icon.pixmap(28, 28).toImage();
        QCOMPARE(small.size(), QSize(28, 28));
        int opaque = 0;
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x)
                opaque += qAlpha(small.pixel(x, y)) > 128 ? 1 : 0;
        QVERIFY2(opaque > 28 * 28 / 5, "the mark should cover a good part of the icon");
    }
};

VELLMARK_TEST_MAIN(TestResources)
#include "tst_resources.moc"
