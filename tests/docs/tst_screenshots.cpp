// SPDX-License-Identifier: GPL-3.0-or-later
// The screenshots the README shows and the metainfo announces, rendered again
// from this build (tools/screenshots) and compared with the committed ones.
#include "testsupport.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <cstdlib>

namespace {

const QString kSourceDir = QStringLiteral(VELLMARK_SOURCE_DIR);

// A pixel differs when one of its channels moves by more than 40 (of 255):
// antialiasing noise stays below it, a change of colour or of a glyph does
// not. A picture is unchanged when at most 0.1 % of its pixels differ and no
// square of kTile × kTile pixels holds more than 16 of them, so that a small
// but concentrated change, one caption or one digit, counts.
constexpr int kTile = 32;

struct Difference {
    qint64 pixels = 0;
    int worstTile = 0;
    QImage map; // differing pixels in red over a dimmed copy of the new picture
    bool unchanged() const
    {
        return pixels <= map.width() * qint64(map.height()) / 1000 && worstTile <= 16;
    }
};

Difference compare(const QImage& committed, const QImage& fresh)
{
    const QImage a = committed.convertToFormat(QImage::Format_ARGB32);
    const QImage b = fresh.convertToFormat(QImage::Format_ARGB32);
    Difference d;
    d.map = b.convertToFormat(QImage::Format_RGB32);
    const int tilesX = (a.width() + kTile - 1) / kTile;
    QList<int> perTile(tilesX * ((a.height() + kTile - 1) / kTile), 0);
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        auto* pm = reinterpret_cast<QRgb*>(d.map.scanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int delta = std::max(
                {std::abs(qRed(pa[x]) - qRed(pb[x])), std::abs(qGreen(pa[x]) - qGreen(pb[x])),
                 std::abs(qBlue(pa[x]) - qBlue(pb[x])), std::abs(qAlpha(pa[x]) - qAlpha(pb[x]))});
            if (delta > 40) {
                ++d.pixels;
                d.worstTile = std::max(d.worstTile, ++perTile[(y / kTile) * tilesX + x / kTile]);
                pm[x] = qRgb(255, 0, 0);
            } else {
                pm[x] = qRgb(qRed(pm[x]) / 3, qGreen(pm[x]) / 3, qBlue(pm[x]) / 3);
            }
        }
    }
    return d;
}

} // namespace

class TestScreenshots : public QObject {
    Q_OBJECT

    QTemporaryDir m_fresh;
    QStringList m_names;

  private slots:
    void initTestCase()
    {
        // The screenshots the software centres show are the ones the README shows.
        QFile metainfo(kSourceDir + "/assets/linux/app.tellurith.Vellmark.metainfo.xml.in");
        QVERIFY(metainfo.open(QIODevice::ReadOnly));
        static const QRegularExpression image(R"(@VELLMARK_SCREENSHOT_URL@/([a-z0-9-]+)\.png)");
        for (const auto& m : image.globalMatch(QString::fromUtf8(metainfo.readAll())))
            m_names << m.captured(1);
        QVERIFY(!m_names.isEmpty());

        QProcess renderer;
        renderer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        renderer.start(QStringLiteral(VELLMARK_SCREENSHOT_TOOL), {m_fresh.path()});
        QVERIFY2(renderer.waitForFinished(120000), "the renderer did not finish within 120 s");
        QCOMPARE(renderer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(renderer.exitCode(), 0);

        // Every picture announced, committed or rendered is checked on both
        // sides, so a new view without a committed picture, or a stale one
        // left behind, fails too.
        for (const QString& dir : {kSourceDir + "/docs/screenshots", m_fresh.path()})
            for (const QString& file : QDir(dir).entryList({"*.png"}, QDir::Files))
                m_names << file.chopped(4);
        m_names.removeDuplicates();
        m_names.sort();
    }

    void committedIsCurrent_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString& name : std::as_const(m_names))
            QTest::newRow(qPrintable(name)) << name;
    }

    void committedIsCurrent()
    {
        QFETCH(QString, name);
        const QString file = name + ".png";
        const QImage now(m_fresh.filePath(file));
        const QImage committed(kSourceDir + "/docs/screenshots/" + file);
        QVERIFY2(!now.isNull(), "the renderer did not write this screenshot");
        QVERIFY2(!committed.isNull(), "no committed screenshot of this name");
        const char* how = "run scripts/screenshots.sh and commit docs/screenshots";
        QVERIFY2(committed.size() == now.size(), how);
        const Difference d = compare(committed, now);
        if (!d.unchanged()) {
            // Keep the new rendering and a map of the change beside the test.
            QDir().mkpath(QStringLiteral("screenshot-changes"));
            now.save("screenshot-changes/" + file);
            d.map.save("screenshot-changes/" + name + "-changes.png");
            QFAIL(qPrintable(QStringLiteral("%1 pixels differ (at most %2 in one square); see "
                                            "screenshot-changes/ in %3; %4")
                                 .arg(d.pixels)
                                 .arg(d.worstTile)
                                 .arg(QDir::currentPath(), how)));
        }
        QFile readme(kSourceDir + "/README.md");
        QVERIFY(readme.open(QIODevice::ReadOnly));
        QVERIFY2(readme.readAll().contains(("docs/screenshots/" + file).toUtf8()),
                 "the README does not show this screenshot");
    }
};

VELLMARK_TEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
