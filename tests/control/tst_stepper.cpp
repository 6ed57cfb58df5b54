#include "control/stepper.h"
#include "testsupport.h"

#include <QApplication>
#include <QPushButton>
#include <QSpinBox>
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

  private slots:
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
