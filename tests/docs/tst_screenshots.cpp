// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdlib>

namespace {

const QString kSourceDir = QStringLiteral(VELLMARK_SOURCE_DIR);

// A pixel differs when one of its channels moves by more than this (of 255):
// antialiasing noise stays below it, a change of colour or of a glyph does not.
constexpr int kChannelTolerance = 40;
// A picture is unchanged when at most this share of its pixels differ...
constexpr double kMaxDifferingShare = 0.001;
// ...and no square of kTile × kTile pixels holds more than kMaxPerTile of them,
// so that a small but concentrated change, one caption or one digit, counts.
constexpr int kTile = 32;
constexpr int kMaxPerTile = 16;

struct Difference {
    qint64 pixels = 0;
    int worstTile = 0;
    QRect box;
    QImage map; // differing pixels in red over a dimmed copy of the new picture
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
            if (delta > kChannelTolerance) {
                ++d.pixels;
                d.box |= QRect(x, y, 1, 1);
                const int tile = (y / kTile) * tilesX + x / kTile;
                d.worstTile = std::max(d.worstTile, ++perTile[tile]);
                pm[x] = qRgb(255, 0, 0);
            } else {
                pm[x] = qRgb(qRed(pm[x]) / 3, qGreen(pm[x]) / 3, qBlue(pm[x]) / 3);
            }
        }
    }
    return d;
}

bool unchanged(const Difference& d, const QSize& size)
{
    const double share = double(d.pixels) / (double(size.width()) * size.height());
    return share <= kMaxDifferingShare && d.worstTile <= kMaxPerTile;
}

} // namespace

class ScreenshotsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void committedScreenshotIsCurrent_data();
    void committedScreenshotIsCurrent();
    void differentLooksTellApart_data();
    void differentLooksTellApart();

  private:
    QTemporaryDir m_fresh;
    QStringList m_names;
};

void ScreenshotsTest::initTestCase()
{
    // The screenshots the software centres show are the ones the README shows.
    QFile metainfo(kSourceDir +
                   QStringLiteral("/assets/linux/app.tellurith.Vellmark.metainfo.xml.in"));
    QVERIFY(metainfo.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(metainfo.readAll());
    static const QRegularExpression image(
        QStringLiteral("@VELLMARK_SCREENSHOT_URL@/([a-z0-9-]+)\\.png"));
    for (auto it = image.globalMatch(xml); it.hasNext();)
        m_names << it.next().captured(1);
    QVERIFY(!m_names.isEmpty());

    QVERIFY(m_fresh.isValid());
    QProcess renderer;
    renderer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    renderer.start(QStringLiteral(VELLMARK_SCREENSHOT_TOOL), {m_fresh.path()});
    QVERIFY2(renderer.waitForFinished(120000), "the renderer did not finish within 120 s");
    QCOMPARE(renderer.exitStatus(), QProcess::NormalExit);
    QCOMPARE(renderer.exitCode(), 0);

    // Every picture announced, committed or rendered is checked on both sides,
    // so a new view without a committed picture, or a stale one left behind,
    // fails too.
    const QStringList pngs{QStringLiteral("*.png")};
    const QString committed = kSourceDir + QStringLiteral("/docs/screenshots");
    for (const QString& dir : {committed, m_fresh.path()})
        for (const QString& file : QDir(dir).entryList(pngs, QDir::Files))
            m_names << file.chopped(4);
    m_names.removeDuplicates();
    m_names.sort();
}

void ScreenshotsTest::committedScreenshotIsCurrent_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : std::as_const(m_names))
        QTest::newRow(qPrintable(name)) << name;
}

void ScreenshotsTest::committedScreenshotIsCurrent()
{
    QFETCH(QString, name);
    const QString file = name + QStringLiteral(".png");

    const QImage fresh(m_fresh.filePath(file));
    QVERIFY2(!fresh.isNull(), "the renderer did not write this screenshot");
    const QImage committed(kSourceDir + QStringLiteral("/docs/screenshots/") + file);
    QVERIFY2(!committed.isNull(), "no committed screenshot of this name");

    const QString how = QStringLiteral("run scripts/screenshots.sh and commit docs/screenshots");
    QVERIFY2(committed.size() == fresh.size(),
             qPrintable(QStringLiteral("now %1 × %2 instead of %3 × %4; %5")
                            .arg(fresh.width())
                            .arg(fresh.height())
                            .arg(committed.width())
                            .arg(committed.height())
                            .arg(how)));
    const Difference d = compare(committed, fresh);
    if (!unchanged(d, fresh.size())) {
        // Keep the new rendering and a map of the change beside the test.
        QDir here(QDir::currentPath());
        here.mkpath(QStringLiteral("screenshot-changes"));
        const QString out = here.filePath(QStringLiteral("screenshot-changes/"));
        fresh.save(out + file);
        d.map.save(out + name + QStringLiteral("-changes.png"));
        QFAIL(qPrintable(QStringLiteral("%1 pixels differ (at most %2 in one %3 px square) within "
                                        "x %4..%5, y %6..%7; see %8; %9")
                             .arg(d.pixels)
                             .arg(d.worstTile)
                             .arg(kTile)
                             .arg(d.box.left())
                             .arg(d.box.right())
                             .arg(d.box.top())
                             .arg(d.box.bottom())
                             .arg(out, how)));
    }

    QFile readme(kSourceDir + QStringLiteral("/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    QVERIFY2(
        QString::fromUtf8(readme.readAll()).contains(QStringLiteral("docs/screenshots/") + file),
        "the README does not show this screenshot");
}

void ScreenshotsTest::differentLooksTellApart_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("normal, warning") << "output-normal"
                                     << "output-warning";
    QTest::newRow("warning, critical") << "output-warning"
                                       << "output-critical";
    QTest::newRow("critical, clock only") << "output-critical"
                                          << "output-clock";
}

// The tolerance must not swallow what the pictures are for: two looks of the
// output window, as rendered now, count as different.
void ScreenshotsTest::differentLooksTellApart()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    const QImage a(m_fresh.filePath(first + QStringLiteral(".png")));
    const QImage b(m_fresh.filePath(second + QStringLiteral(".png")));
    QVERIFY(!a.isNull() && !b.isNull());
    QCOMPARE(a.size(), b.size());
    QVERIFY(!unchanged(compare(a, b), a.size()));
}

VELLMARK_TEST_MAIN(ScreenshotsTest)
#include "tst_screenshots.moc"
