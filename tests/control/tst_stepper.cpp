// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/theme.h"
#include "control/controlwindow.h"
#include "control/stepper.h"
#include "output/outputwindow.h"
#include "settings/appsettings.h"
#include "settings/settingsdialog.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

class TestStepper : public QObject {
    Q_OBJECT

  private:
    static QPushButton* button(QWidget* wrapper, const QString& text)
    {
        for (auto* b : wrapper->findChildren<QPushButton*>())
            if (b->text() == text)
                return b;
        return nullptr;
    }

    // Every stepper button under `root` that is laid out: 28 × 32 and whole
    // inside its 32 px strip. Returns how many were checked.
    static int checkStrips(QWidget* root)
    {
        int checked = 0;
        for (auto* b : root->findChildren<QPushButton*>()) {
            if (b->text() != QStringLiteral("◀") && b->text() != QStringLiteral("▶"))
                continue;
            if (!b->isVisible())
                continue;
            const QWidget* strip = b->parentWidget();
            [&] {
                QCOMPARE(b->size(), QSize(28, 32));
                QCOMPARE(strip->height(), 32);
                QVERIFY2(strip->rect().contains(b->geometry()),
                         qPrintable(QStringLiteral("button at %1,%2 %3×%4 in a strip %5 high")
                                        .arg(b->x())
                                        .arg(b->y())
                                        .arg(b->width())
                                        .arg(b->height())
                                        .arg(strip->height())));
            }();
            if (QTest::currentTestFailed())
                return checked;
            ++checked;
        }
        return checked;
    }

  private slots:
    void initTestCase()
    {
        // The theme's minimum height for push buttons is what used to clip
        // the buttons; every window wears it.
        applyTheme();
    }

    // The ◀ and ▶ buttons keep their size under the theme wherever a stepper
    // is used. A picture of a stepper is saved for looking at.
    void buttonsFitTheStrip()
    {
        auto* spin = new QSpinBox;
        spin->setRange(0, 999);
        spin->setSuffix(QStringLiteral(" min"));
        spin->setValue(5);
        std::unique_ptr<QWidget> w(makeStepper(spin));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QString picture = QDir::temp().filePath(QStringLiteral("vellmark-stepper.png"));
        QVERIFY(w->grab().save(picture));
        qInfo("stepper at 100 %%: %s", qPrintable(picture));
        int n = checkStrips(w.get());
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(n, 2);

        AppSettings settings;
        TimerEngine engine;
        OutputWindow output(&settings);
        ControlWindow control(&settings, &engine, &output);
        control.resize(560, 760);
        control.show();
        QVERIFY(QTest::qWaitForWindowExposed(&control));
        n = checkStrips(&control);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(n, 6); // minutes, seconds and the time of day

        SettingsDialog dialog(&settings, &control);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* tabs = dialog.findChild<QTabWidget*>();
        QVERIFY(tabs);
        int inDialog = 0;
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            inDialog += checkStrips(tabs->widget(i));
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(inDialog >= 2);
    }

    void structure()
    {
        auto* spin = new QSpinBox;
        spin->setRange(0, 59);
        std::unique_ptr<QWidget> w(makeStepper(spin));
        QVERIFY(!w->parent());
        QCOMPARE(spin->parentWidget(), w.get());
        QCOMPARE(spin->buttonSymbols(), QAbstractSpinBox::NoButtons);
        QCOMPARE(w->findChildren<QPushButton*>().size(), 2);
        w->show();
        QCOMPARE(w->height(), 32);
        QCOMPARE(spin->height(), 32);
        QVERIFY(spin->width() >= 80);
        QCOMPARE(w->width(), 28 + spin->width() + 28);
        // Left to right: decrement, value, increment.
        QVERIFY(button(w.get(), "◀")->x() < spin->x());
        QVERIFY(button(w.get(), "▶")->x() > spin->x());
    }

    void stepping_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("press");
        QTest::addColumn<bool>("wrapping");
        QTest::addColumn<int>("expected");
        QTest::newRow("up") << 5 << "▶" << false << 6;
        QTest::newRow("down") << 5 << "◀" << false << 4;
        QTest::newRow("up at maximum stays") << 59 << "▶" << false << 59;
        QTest::newRow("down at minimum stays") << 0 << "◀" << false << 0;
        QTest::newRow("caller's wrapping is honoured") << 59 << "▶" << true << 0;
    }

    void stepping()
    {
        QFETCH(int, start);
        QFETCH(QString, press);
        QFETCH(bool, wrapping);
        QFETCH(int, expected);
        auto* spin = new QSpinBox;
        spin->setRange(0, 59);
        spin->setWrapping(wrapping);
        spin->setValue(start);
        std::unique_ptr<QWidget> w(makeStepper(spin));
        w->show();
        QTest::mouseClick(button(w.get(), press), Qt::LeftButton);
        QCOMPARE(spin->value(), expected);
    }

    // A held button steps once, on release: no auto-repeat.
    void holdingStepsOnce()
    {
        auto* spin = new QSpinBox;
        spin->setRange(0, 100);
        spin->setValue(10);
        std::unique_ptr<QWidget> w(makeStepper(spin));
        w->show();
        QPushButton* up = button(w.get(), "▶");
        QVERIFY(!up->autoRepeat());
        QTest::mousePress(up, Qt::LeftButton);
        QCOMPARE(spin->value(), 10);
        QTest::mouseRelease(up, Qt::LeftButton);
        QCOMPARE(spin->value(), 11);
    }
};

VELLMARK_TEST_MAIN(TestStepper)
#include "tst_stepper.moc"
