// SPDX-License-Identifier: GPL-3.0-or-later
// Reordering the settings dialog's presets with the mouse. The drag runs for
// real: press, move past the drag distance, move to the target and release,
// with the toolkit's own drag loop in between. The offscreen platform's drag
// is an empty stub that ends every drag at once, so CTest runs this program on
// the equally headless "minimal" platform, whose drag is the toolkit's own.
#include "app/theme.h"
#include "settings/appsettings.h"
#include "settings/settingsdialog.h"
#include "testsupport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

namespace {

// Drags a row as an operator would. The drag's own event loop takes over at
// the move that starts it; the rest of the gesture is queued to run inside it.
void dragRow(QListWidget* list, int row, QPoint target)
{
    QWidget* vp = list->viewport();
    const QPoint start = list->visualItemRect(list->item(row)).center();
    QTest::mousePress(vp, Qt::LeftButton, {}, start);
    QTimer::singleShot(0, vp, [vp, target] {
        QTest::mouseMove(vp, target);
        QTest::mouseMove(vp, target);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, target);
    });
    QTest::mouseMove(vp, start + QPoint(1, 0));
    QTest::mouseMove(vp, start + QPoint(QApplication::startDragDistance() + 4, 0));
}

QList<int> rows(const QListWidget* list)
{
    QList<int> out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->data(Qt::UserRole).toInt();
    return out;
}

} // namespace

class TestSettingsPresetDrag : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { applyTheme(); }
    void init() { TestSupport::clearStore(); }

    void dragReordersPresets_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("onto");
        QTest::addColumn<QString>("where"); // on the row: "top", "middle", "bottom"; "below all"
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("first below third") << 0 << 2 << "bottom" << QList<int>{600, 900, 300, 1800};
        QTest::newRow("last above first") << 3 << 0 << "top" << QList<int>{1800, 300, 600, 900};
        QTest::newRow("second to the end")
            << 1 << 3 << "below all" << QList<int>{300, 900, 1800, 600};
        QTest::newRow("onto its own middle")
            << 2 << 2 << "middle" << QList<int>{300, 600, 900, 1800};
        QTest::newRow("onto another's middle")
            << 0 << 1 << "middle" << QList<int>{600, 300, 900, 1800};
    }

    void dragReordersPresets()
    {
        QFETCH(int, from);
        QFETCH(int, onto);
        QFETCH(QString, where);
        QFETCH(QList<int>, expected);
        AppSettings s;
        SettingsDialog dlg(&s, nullptr);
        auto* tabs = dlg.findChild<QTabWidget*>();
        tabs->setCurrentIndex(3);
        auto* list = tabs->widget(3)->findChild<QListWidget*>();
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.resize(dlg.sizeHint()); // the small default screen would squeeze the list

        const QRect r = list->visualItemRect(list->item(onto));
        const int y = where == "top"      ? r.top() + 1
                      : where == "middle" ? r.center().y()
                      : where == "bottom" ? r.bottom() - 1
                                          : r.bottom() + 6;
        QVERIFY2(y < list->viewport()->height(),
                 qPrintable(QStringLiteral("%1 %2").arg(y).arg(list->viewport()->height())));
        const QPoint target(r.center().x(), y);
        dragRow(list, from, target);

        // Every preset is still there once, with its text, in the new order.
        QCOMPARE(rows(list), expected);
        for (int i = 0; i < list->count(); ++i)
            QCOMPARE(list->item(i)->text(), QStringLiteral("%1 min").arg(expected[i] / 60));

        QTest::mouseClick(dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
        QCOMPARE(s.presets, expected);
        AppSettings next;
        loadSettings(next);
        QCOMPARE(next.presets, expected);
    }
};

VELLMARK_TEST_MAIN(TestSettingsPresetDrag)
#include "tst_settingspresetdrag.moc"
