// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/theme.h"
#include "testsupport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

class TestTheme : public QObject {
    Q_OBJECT

  private:
    static QColor fillOf(QWidget* w)
    {
        // Left of the caption, inside the 1 px border and clear of the corners.
        const QImage img = w->grab().toImage();
        return img.pixelColor(6, img.height() / 2);
    }

  private slots:
    void initTestCase() { applyTheme(); }

    void text()
    {
        const QString sheet = qApp->styleSheet();
        QVERIFY(sheet.startsWith(QLatin1Char('\n')));

        // Rules of equal weight are resolved by order, so the order is checked.
        const QStringList expected = {
            "QMainWindow, QDialog",
            "QWidget",
            "QPushButton",
            "QPushButton:hover",
            "QPushButton:pressed",
            "QPushButton:checked",
            "QPushButton:disabled",
            "QPushButton#startBtn",
            "QPushButton#startBtn:hover",
            "QPushButton#pauseBtn",
            "QPushButton#pauseBtn:hover",
            "QPushButton#resetBtn",
            "QPushButton#resetBtn:hover",
            "QPushButton#settingsBtn",
            "QPushButton#outputToggleBtn",
            "QPushButton#outputToggleBtn:hover",
            "QLabel#timerPreview",
            "QLabel#sectionHeader",
            "QLineEdit",
            "QLineEdit:focus",
            "QFrame[frameShape=\"4\"], QFrame[frameShape=\"5\"]",
            "QScrollArea",
            "QScrollBar:vertical",
            "QScrollBar::handle:vertical",
            "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical",
            "QStatusBar",
            "QTabWidget::pane",
            "QTabBar::tab",
            "QTabBar::tab:selected",
            "QTabBar::tab:hover",
            "QListWidget",
            "QListWidget::item:selected",
            "QListWidget#presetList",
            "QListWidget#presetList::item",
            "QListWidget#presetList::item:selected",
            "QListWidget#presetList::item:hover",
            "QCheckBox",
            "QCheckBox::indicator",
            "QCheckBox::indicator:checked",
            "QRadioButton",
            "QDialogButtonBox QPushButton",
            "QColorDialog",
        };
        QStringList selectors;
        const QRegularExpression rule(QStringLiteral("([^{}]+)\\{([^{}]*)\\}"));
        for (const auto& m : rule.globalMatch(sheet)) {
            selectors << m.captured(1).trimmed();
            // Every property is "name: value;".
            const QString body = m.captured(2).trimmed();
            QVERIFY2(body.endsWith(QLatin1Char(';')), qPrintable(selectors.last()));
            for (const QString& p : body.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                QVERIFY2(p.trimmed().contains(QLatin1String(": ")), qPrintable(p));
        }
        QCOMPARE(selectors, expected);
    }

    void buttonFill_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QColor>("fill");
        QTest::newRow("plain") << false << true << QColor(0x2b, 0x2b, 0x2b);
        QTest::newRow("checked") << true << true << QColor(0x1a, 0x5c, 0x2a);
        QTest::newRow("disabled") << false << false << QColor(0x22, 0x22, 0x22);
    }

    void buttonFill()
    {
        QFETCH(bool, checked);
        QFETCH(bool, enabled);
        QFETCH(QColor, fill);
        QPushButton b(QStringLiteral("Go"));
        b.setCheckable(true);
        b.setChecked(checked);
        b.setEnabled(enabled);
        b.resize(120, 40);
        QCOMPARE(fillOf(&b), fill);
    }

    // Message boxes the program opens are dark too, and their buttons readable.
    void messageBox()
    {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Vellmark"),
                        QStringLiteral("Hello"), QMessageBox::Ok);
        box.show();
        const QImage img = box.grab().toImage();
        QCOMPARE(img.pixelColor(2, 2), QColor(0x1c, 0x1c, 0x1c));
        QCOMPARE(box.palette().color(QPalette::WindowText), QColor(0xe8, 0xe8, 0xe8));
        auto* buttons = box.findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        for (auto* b : buttons->findChildren<QPushButton*>())
            QVERIFY(b->width() >= 80);
    }
};

VELLMARK_TEST_MAIN(TestTheme)
#include "tst_theme.moc"
