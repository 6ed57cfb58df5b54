// SPDX-License-Identifier: GPL-3.0-or-later
// The view's address as the operator sees it: the address for this machine or
// the network, its QR code, and the note when other devices are not allowed.
#include "remote/qrcode.h"
#include "remote/viewaddresspanel.h"
#include "testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

namespace {

bool dark(const QImage& img, int mx, int my, int module)
{
    return qGray(img.pixel(mx * module + module / 2, my * module + module / 2)) < 128;
}

// A QR finder pattern at module (x, y): a dark 7 × 7 ring, a light ring, a dark 3 × 3 core.
bool finderAt(const QImage& img, int x, int y, int module)
{
    for (int dy = 0; dy < 7; ++dy)
        for (int dx = 0; dx < 7; ++dx) {
            const int ring = std::max(std::abs(dx - 3), std::abs(dy - 3));
            if (dark(img, x + dx, y + dy, module) != (ring != 2))
                return false;
        }
    return true;
}

} // namespace

class TestViewAddress : public QObject {
    Q_OBJECT

  private slots:
    void qrCodeIsScannable_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("loopback") << QByteArray("http://127.0.0.1:8321/");
        QTest::newRow("lan") << QByteArray("http://192.168.178.20:65535/");
        QTest::newRow("long") << QByteArray("http://[fd12:3456:789a:1::1]:8321/view?view=timer");
    }
    void qrCodeIsScannable()
    {
        QFETCH(QByteArray, text);
        const int module = 3;
        const QImage img = QrCode::image(text, module);
        QVERIFY(!img.isNull());
        QCOMPARE(img.width(), img.height());
        const int side = img.width() / module;
        const int symbol = side - 8;
        // A QR symbol is 21 modules for version 1 and 4 more for each version after.
        QVERIFY2(symbol >= 21 && (symbol - 21) % 4 == 0, qPrintable(QString::number(symbol)));
        for (int i = 0; i < side; ++i)
            for (int q = 0; q < 4; ++q) {
                QVERIFY(!dark(img, i, q, module) && !dark(img, i, side - 1 - q, module));
                QVERIFY(!dark(img, q, i, module) && !dark(img, side - 1 - q, i, module));
            }
        QVERIFY(finderAt(img, 4, 4, module));
        QVERIFY(finderAt(img, side - 11, 4, module));
        QVERIFY(finderAt(img, 4, side - 11, module));
        QVERIFY(!finderAt(img, side - 11, side - 11, module));
        QVERIFY(QrCode::image(text + "x", module) != img);
    }

    void nothingToEncode()
    {
        QVERIFY(QrCode::image(QByteArray(), 4).isNull());
        QVERIFY(QrCode::image(QByteArray(8000, 'a'), 4).isNull());
    }

    void panel_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::addColumn<bool>("lan");
        QTest::newRow("this computer only") << true << false;
        QTest::newRow("other devices") << true << true;
        QTest::newRow("not listening") << false << false;
    }
    void panel()
    {
        QFETCH(bool, listening);
        QFETCH(bool, lan);
        ViewAddressPanel panel;
        panel.setEndpoint(true, 8321, false);
        panel.setEndpoint(listening, 9000, lan);
        auto* qr = panel.findChild<QLabel*>(QStringLiteral("viewQrCode"));
        auto* note = panel.findChild<QLabel*>(QStringLiteral("viewNote"));
        auto* address = panel.findChild<QLabel*>(QStringLiteral("viewAddress"));
        QVERIFY(qr && note && address);
        if (!listening) {
            QVERIFY(panel.address().isEmpty());
            QVERIFY(qr->isHidden() && note->isHidden());
            QVERIFY(!address->text().contains(QLatin1String("http")));
            return;
        }
        const QString host = lan ? ViewAddressPanel::lanHost() : QStringLiteral("127.0.0.1");
        QCOMPARE(panel.address(), QStringLiteral("http://%1:9000/").arg(host));
        QVERIFY(address->text().contains(panel.address()));
        // The code only where a phone can reach the address; the note where it cannot.
        const bool reachable = lan && host != QLatin1String("127.0.0.1");
        QCOMPARE(!qr->isHidden(), reachable);
        if (reachable)
            QCOMPARE(qr->pixmap().toImage().convertToFormat(QImage::Format_Grayscale8),
                     QrCode::image(panel.address().toUtf8(), 3));
        const bool warned = note->text().contains(QStringLiteral("Settings → Remote"));
        QCOMPARE(warned, !lan);
        QVERIFY(!note->isHidden());
    }
};

VELLMARK_TEST_MAIN(TestViewAddress)
#include "tst_viewaddress.moc"
