// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the settings and About dialogs from the control window, and what an
// accepted settings dialog changes in both windows and the engine.
#include "app/appwindows.h"
#include "settings/appsettings.h"
#include "settings/settingsdialog.h"
#include "testsupport.h"
#include "timer/timerengine.h"
#include "update/aboutdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// One run of the program as start-up builds it: record, engine, both windows.
struct Run {
    explicit Run(const AppSettings& initial = AppSettings()) : settings(initial)
    {
        engine.setDuration(settings.defaultDuration);
        engine.setOvertimeEnabled(settings.overtimeEnabled);
        windows = std::make_unique<AppWindows>(&settings, &engine);
    }

    ControlWindow& control() { return windows->control(); }
    OutputWindow& output() { return windows->output(); }
    QPushButton* button(const QString& objectName)
    {
        return control().findChild<QPushButton*>(objectName);
    }
    QListWidget* strip() { return control().findChild<QListWidget*>("presetList"); }
    QStringList stripTexts()
    {
        QStringList out;
        for (int i = 0; i < strip()->count(); ++i)
            out << strip()->item(i)->text();
        return out;
    }
    // The minutes and seconds of the duration entry, left to right.
    QList<QSpinBox*> entry()
    {
        QList<QSpinBox*> spins = control().findChildren<QSpinBox*>();
        std::sort(spins.begin(), spins.end(), [this](QSpinBox* a, QSpinBox* b) {
            return a->mapTo(&control(), QPoint()).x() < b->mapTo(&control(), QPoint()).x();
        });
        return spins;
    }
    QString preview() { return control().findChild<QLabel*>("timerPreview")->text(); }
    QLabel* outputLabelShowing(const QString& text)
    {
        for (auto* l : output().findChildren<QLabel*>())
            if (l->text() == text)
                return l;
        return nullptr;
    }

    AppSettings settings;
    TimerEngine engine;
    std::unique_ptr<AppWindows> windows;
};

// Clicks `opener` and, once the dialog it opens is the active modal window,
// runs `drive` on it from inside the dialog's event loop. A guard closes a
// dialog the driving left open, so a failure cannot hang the test.
void openAndDrive(QPushButton* opener, const std::function<void(QDialog*)>& drive)
{
    QTimer::singleShot(0, qApp, [drive] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        QTimer::singleShot(10000, dlg, [dlg] { dlg->done(-1); });
        drive(dlg);
    });
    QTest::mouseClick(opener, Qt::LeftButton);
}

} // namespace

class TestOpenDialogs : public QObject {
    Q_OBJECT

  private slots:
    void init() { TestSupport::clearStore(); }

    void dialogsAreModalChildrenOfTheControlWindow_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("className");
        QTest::newRow("settings") << "settingsBtn"
                                  << "SettingsDialog";
        QTest::newRow("about") << "appTitle"
                               << "AboutDialog";
    }

    // Each opening builds a new dialog, modal over the control window, and
    // nothing of it remains once it is closed.
    void dialogsAreModalChildrenOfTheControlWindow()
    {
        QFETCH(QString, opener);
        QFETCH(QString, className);
        Run run;
        for (int opening = 0; opening < 2; ++opening) {
            QString seen;
            QWidget* parent = nullptr;
            Qt::WindowModality modality = Qt::NonModal;
            openAndDrive(run.button(opener), [&](QDialog* d) {
                seen = d->metaObject()->className();
                parent = d->parentWidget();
                modality = d->windowModality();
                d->reject();
            });
            QCOMPARE(seen, className);
            QCOMPARE(parent, &run.control());
            QCOMPARE(modality, Qt::ApplicationModal);
            QVERIFY(!QApplication::activeModalWidget());
            QCOMPARE(run.control().findChildren<QDialog*>().size(), 0);
        }
    }

    // OK refills the strip and the entry, switches the engine's overtime and
    // restyles the output, but leaves a running count alone.
    void acceptedSettingsReachBothWindows()
    {
        Run run;
        run.engine.setDuration(125);
        run.engine.start();
        int valueBefore = 0, valueAfter = 0;
        bool runningAfter = false;
        openAndDrive(run.button("settingsBtn"), [&](QDialog* d) {
            auto* tabs = d->findChild<QTabWidget*>();
            QWidget* timerPage = tabs->widget(3);
            auto* presets = timerPage->findChild<QListWidget*>();
            const auto spins = timerPage->findChildren<QSpinBox*>();
            QPushButton* add = nullptr;
            QPushButton* remove = nullptr;
            for (auto* b : timerPage->findChildren<QPushButton*>()) {
                if (b->text() == "Add")
                    add = b;
                if (b->text() == "Remove")
                    remove = b;
            }
            while (presets->count()) {
                presets->setCurrentRow(0);
                remove->click();
            }
            spins[3]->setValue(0); // preset minutes, then seconds
            spins[4]->setValue(45);
            add->click();
            spins[3]->setValue(60);
            spins[4]->setValue(0);
            add->click();
            spins[0]->setValue(10); // default duration 10 min 0 sec
            spins[1]->setValue(0);
            timerPage->findChildren<QCheckBox*>()[0]->setChecked(false); // overtime

            // A new background through the colour dialog, as the operator picks it.
            QTimer::singleShot(0, qApp, [] {
                if (auto* cd = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
                    cd->setCurrentColor(QColor("#203040"));
                    cd->accept();
                }
            });
            tabs->widget(1)->findChildren<QPushButton*>().first()->click();

            valueBefore = run.engine.remaining();
            d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            valueAfter = run.engine.remaining();
            runningAfter = run.engine.isRunning();
        });

        QCOMPARE(run.stripTexts(), QStringList({"0:45", "60 min"}));
        QCOMPARE(run.strip()->item(0)->data(Qt::UserRole).toInt(), 45);
        QCOMPARE(run.strip()->item(1)->data(Qt::UserRole).toInt(), 3600);
        QCOMPARE(run.entry().at(0)->value(), 10);
        QCOMPARE(run.entry().at(1)->value(), 0);
        QCOMPARE(valueAfter, valueBefore);
        QVERIFY(runningAfter);
        const QImage shot = run.output().grab().toImage();
        QCOMPARE(QColor(shot.pixel(2, 2)), QColor("#203040"));
        run.engine.pause();
    }

    // Switching overtime off stops a count that is already below zero at its
    // next step instead of letting it run on.
    void overtimeSwitchedOffStopsANegativeCount()
    {
        Run run;
        run.engine.setDuration(1);
        run.engine.start();
        TestSupport::stepEngine(&run.engine, 3);
        QCOMPARE(run.engine.remaining(), -2);
        QVERIFY(run.engine.isRunning());
        openAndDrive(run.button("settingsBtn"), [](QDialog* d) {
            d->findChild<QTabWidget*>()->widget(3)->findChildren<QCheckBox*>()[0]->setChecked(
                false);
            d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        QSignalSpy state(&run.engine, &TimerEngine::stateChanged);
        const int before = run.engine.remaining();
        TestSupport::stepEngine(&run.engine);
        QCOMPARE(run.engine.remaining(), before - 1);
        QVERIFY(!run.engine.isRunning());
        QCOMPARE(state.count(), 1);
        QCOMPARE(state.at(0).at(0).toBool(), false);
    }

    // Cancel leaves the strip, the entry, the engine and the output as they were,
    // even where they differ from the record.
    void cancelledSettingsChangeNothing()
    {
        Run run;
        run.entry().at(0)->setValue(7);
        run.entry().at(1)->setValue(7);
        QList<QListWidgetItem*> items;
        for (int i = 0; i < run.strip()->count(); ++i)
            items << run.strip()->item(i);
        const QImage outputBefore = run.output().grab().toImage();
        openAndDrive(run.button("settingsBtn"), [](QDialog* d) {
            auto* timerPage = d->findChild<QTabWidget*>()->widget(3);
            timerPage->findChildren<QCheckBox*>()[0]->setChecked(false);
            timerPage->findChildren<QSpinBox*>()[0]->setValue(42);
            d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        });
        for (int i = 0; i < run.strip()->count(); ++i)
            QCOMPARE(run.strip()->item(i), items.at(i)); // not even refilled
        QCOMPARE(run.strip()->count(), items.size());
        QCOMPARE(run.entry().at(0)->value(), 7);
        QCOMPARE(run.entry().at(1)->value(), 7);
        QCOMPARE(QColor(run.output().grab().toImage().pixel(2, 2)),
                 QColor(outputBefore.pixel(2, 2)));
        // Overtime still on: the count goes below zero and keeps running.
        run.engine.setDuration(1);
        run.engine.start();
        TestSupport::stepEngine(&run.engine, 2);
        QVERIFY(run.engine.isRunning());
        run.engine.pause();
    }

    void timerKeepsTickingUnderADialog_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::newRow("settings") << "settingsBtn";
        QTest::newRow("about") << "appTitle";
    }

    // The dialogs run their own event loops; the engine's real one-second
    // timer must still reach the preview and the output meanwhile.
    void timerKeepsTickingUnderADialog()
    {
        QFETCH(QString, opener);
        Run run;
        run.engine.setDuration(37);
        run.output().onTimerTick(37);
        QLabel* readout = run.outputLabelShowing("00:37");
        QVERIFY(readout);
        QCOMPARE(run.preview(), "00:37");
        run.engine.start();
        bool ticked = false;
        openAndDrive(run.button(opener), [&](QDialog* d) {
            QTRY_VERIFY_WITH_TIMEOUT(
                run.preview() == "00:35" && readout->text() == "00:35" && d->isVisible(), 4000);
            ticked = true;
            d->reject();
        });
        QVERIFY(ticked);
        run.engine.pause();
    }
};

VELLMARK_TEST_MAIN(TestOpenDialogs)
#include "tst_opendialogs.moc"
