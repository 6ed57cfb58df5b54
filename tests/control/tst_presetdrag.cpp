// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/controlwindow.h"
#include "output/outputwindow.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QListWidget>
#include <QTimer>
#include <QtTest>

// Reordering the preset strip with the mouse, through the list's own drag and
// drop: press on a preset, move it, release it over its new place. This needs
// a platform whose drag runs a real drag loop (the offscreen one ends every
// drag at once), so CTest runs this program on the headless "minimal" platform.
class TestPresetDrag : public QObject {
    Q_OBJECT

  private slots:
    void init() { TestSupport::clearStore(); }

    void reorder_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("onto");
        QTest::addColumn<bool>("after"); // drop on the right half of the target
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("30 min to the front") << 3 << 0 << false << QList<int>{1800, 300, 600, 900};
        QTest::newRow("5 min to the end") << 0 << 3 << true << QList<int>{600, 900, 1800, 300};
        QTest::newRow("10 min one right") << 1 << 2 << true << QList<int>{300, 900, 600, 1800};
        QTest::newRow("onto itself") << 2 << 2 << false << QList<int>{300, 600, 900, 1800};
    }

    void reorder()
    {
        QFETCH(int, from);
        QFETCH(int, onto);
        QFETCH(bool, after);
        QFETCH(QList<int>, order);

        AppSettings settings;
        TimerEngine engine;
        OutputWindow output(&settings);
        ControlWindow window(&settings, &engine, &output);
        window.resize(560, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* list = window.findChild<QListWidget*>(QStringLiteral("presetList"));
        QVERIFY(list);
        QWidget* viewport = list->viewport();

        const QRect source = list->visualItemRect(list->item(from));
        const QRect target = list->visualItemRect(list->item(onto));
        const QPoint press = source.center();
        const QPoint drop(after ? target.right() - 3 : target.left() + 3, target.center().y());

        // The drag loop runs inside the move that starts it; the rest of the
        // gesture arrives from within that loop.
        bool dropped = false;
        QTimer::singleShot(0, this, [&] {
            QTest::mouseMove(viewport, drop - QPoint(1, 0));
            QTest::mouseMove(viewport, drop);
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, drop);
            dropped = true;
        });
        QTest::mousePress(viewport, Qt::LeftButton, {}, press);
        // The first move arms the drag, the next one past the drag distance starts it.
        QTest::mouseMove(viewport, press + QPoint(1, 0));
        QTest::mouseMove(viewport, press + QPoint(QApplication::startDragDistance() + 5, 0));
        QTRY_VERIFY_WITH_TIMEOUT(dropped, 5000);

        QList<int> shown;
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->data(Qt::UserRole).toInt();
        QCOMPARE(shown, order);
        QCOMPARE(settings.presets, order);
        // Saved at once, in the new order.
        AppSettings stored;
        loadSettings(stored);
        QCOMPARE(stored.presets, order);
        QCOMPARE(list->count(), 4);
        // The engine and the entry are untouched.
        QCOMPARE(engine.remaining(), 300);
        QVERIFY(!engine.isRunning());
    }
};

VELLMARK_TEST_MAIN(TestPresetDrag)
#include "tst_presetdrag.moc"
