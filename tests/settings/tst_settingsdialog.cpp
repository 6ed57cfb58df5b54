// SPDX-License-Identifier: GPL-3.0-or-later
// The settings dialog as the operator meets it under the dark theme: what it
// shows of the record, what OK writes back and saves, what Cancel discards.
// Presets are dragged for real, so CTest runs this program on the headless
// "minimal" platform: the offscreen one ends every drag at once.
#include "app/theme.h"
#include "settings/appsettings.h"
#include "settings/settingsdialog.h"
#include "testsupport.h"
#include "unusualrecord.h"
#include "update/updater.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

#include <functional>

namespace {

enum Tab { kClockTab, kColorsTab, kFontsTab, kTimerTab, kRemoteTab };

// The controls of an open dialog, found the way a user finds them: by tab,
// by caption or row label, and by position on the page.
struct Controls {
    explicit Controls(QDialog& d)
        : dlg(d), tabs(d.findChild<QTabWidget*>()), presets(d.findChild<QListWidget*>())
    {
    }
    template <typename T> T* nth(Tab tab, int i) const
    {
        return tabs->widget(tab)->findChildren<T*>().value(i);
    }
    QAbstractButton* button(const QString& text) const
    {
        for (auto* b : dlg.findChildren<QAbstractButton*>())
            if (b->text() == text)
                return b;
        return nullptr;
    }
    // The number entries by page and position.
    QSpinBox* spin(const QString& which) const
    {
        static const QStringList names{"timerFont",   "clockFont", "messageFont", "durationMin",
                                       "durationSec", "warning",   "presetMin",   "presetSec",
                                       "remotePort",  "oscPort"};
        const int i = names.indexOf(which);
        return i < 3 ? nth<QSpinBox>(kFontsTab, i)
                     : nth<QSpinBox>(i < 8 ? kTimerTab : kRemoteTab, i < 8 ? i - 3 : i - 8);
    }
    void press(const QString& text) const { QTest::mouseClick(button(text), Qt::LeftButton); }

    QDialog& dlg;
    QTabWidget* tabs;
    QListWidget* presets;
};

QColor AppSettings::*const kColorFields[] = {
    &AppSettings::bgColor,           &AppSettings::timerColorNormal,
    &AppSettings::timerColorWarning, &AppSettings::timerColorCritical,
    &AppSettings::clockColor,        &AppSettings::messageColor};

AppSettings (*const loadedRecord)() = TestSupport::storedSettings;

QByteArray storeBytes()
{
    QFile f(TestSupport::storeFilePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no store>");
}

// Runs the dialog with exec() as the control window does, `drive` called from
// inside its event loop.
int runModal(QDialog& dlg, const std::function<void(QDialog&)>& drive)
{
    TestSupport::whenModal<QDialog>([drive](QDialog* d) { drive(*d); });
    return dlg.exec();
}

// Answers the next colour dialog: notes where it starts (an invalid colour if
// it is not the settings dialog's own picker), then picks `pick` or, when
// `pick` is invalid, moves the selection and cancels.
void answerColorDialog(QColor* startedAt, QColor pick)
{
    TestSupport::whenModal<QColorDialog>([startedAt, pick](QColorDialog* cd) {
        const bool own = cd->windowTitle() == "Pick colour" &&
                         qobject_cast<SettingsDialog*>(cd->parentWidget()) &&
                         !cd->testOption(QColorDialog::ShowAlphaChannel);
        *startedAt = own ? cd->currentColor() : QColor();
        cd->setCurrentColor(pick.isValid() ? pick : QColor("#123456"));
        pick.isValid() ? cd->accept() : cd->reject();
    });
}

} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { applyTheme(); }
    void init() { TestSupport::clearStore(); }

    // Each control shows its field and, changed, writes it with OK, which
    // saves the record and announces it once while the dialog is still up.
    // Every other way out leaves record and store alone. A new token is made
    // on request, and one for a record that has none, so OK never stores a
    // token that no command could match.
    void editing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<AppSettings>("start");
        QTest::newRow("OK from the defaults") << "OK" << AppSettings();
        QTest::newRow("OK from every field changed") << "OK" << unusualRecord();
        QTest::newRow("Cancel button") << "Cancel" << unusualRecord();
        QTest::newRow("Escape key") << "escape" << unusualRecord();
        QTest::newRow("window close button") << "close" << AppSettings();
    }

    void editing()
    {
        QFETCH(QString, how);
        QFETCH(AppSettings, start);
        AppSettings s = start;
        saveSettings(s);
        const QByteArray storeBefore = storeBytes();
        AppSettings expected = start;
        SettingsDialog dlg(&s, nullptr);
        QSignalSpy spy(&dlg, &SettingsDialog::settingsChanged);
        QStringList atSignal{"not announced"};
        connect(&dlg, &SettingsDialog::settingsChanged, this, [&] {
            atSignal = settingsDifferences(loadedRecord(), s);
            atSignal << (dlg.isVisible() ? "" : "hidden");
        });
        const int result = runModal(dlg, [&](QDialog& d) {
            const Controls c(d);
            QCOMPARE(c.tabs->currentIndex(), int(kClockTab)); // it opens on the Clock tab
            const std::pair<const char*, bool AppSettings::*> checks[] = {
                {"Show seconds on output", &AppSettings::clockShowSeconds},
                {"Overtime — continue counting in red past zero", &AppSettings::overtimeEnabled},
                {"Blink effect at zero", &AppSettings::blinkEnabled},
                {"Remote control over HTTP and WebSocket", &AppSettings::remoteEnabled},
                {"Allow other computers on the network (OSC too)", &AppSettings::remoteAllowLan},
                {"OSC over UDP (no token)", &AppSettings::oscEnabled}};
            for (const auto& [caption, field] : checks) {
                QAbstractButton* box = c.button(QString::fromUtf8(caption));
                QVERIFY2(box && box->isChecked() == start.*field, caption);
                box->click();
                expected.*field = !(start.*field);
            }
            auto* radio24 = c.nth<QRadioButton>(kClockTab, 0);
            auto* radio12 = c.nth<QRadioButton>(kClockTab, 1);
            QVERIFY(radio24->isChecked() == start.clock24hr &&
                    radio12->isChecked() != start.clock24hr);
            // A radio button spans the page; only its indicator and text take clicks.
            QAbstractButton* other = start.clock24hr ? radio12 : radio24;
            QTest::mouseClick(other, Qt::LeftButton, {}, QPoint(8, other->height() / 2));
            // One choice: the other is off.
            QVERIFY(radio24->isChecked() != start.clock24hr &&
                    radio12->isChecked() == start.clock24hr);
            expected.clock24hr = !start.clock24hr;

            // 5 min 0 sec and 999 min 59 sec
            QCOMPARE(c.spin("durationMin")->value(), start.defaultDuration / 60);
            QCOMPARE(c.spin("durationSec")->value(), start.defaultDuration % 60);
            // Each number also keeps to the range that loading clamps to, so
            // a value cannot be typed that the next start would change.
            const std::tuple<const char*, int AppSettings::*, int, int, int> numbers[] = {
                {"timerFont", &AppSettings::timerFontSize, 30, 550, 123},
                {"clockFont", &AppSettings::clockFontSize, 20, 300, 45},
                {"messageFont", &AppSettings::messageFontSize, 12, 150, 67},
                {"warning", &AppSettings::warningThreshold, 1, 3600, 90},
                {"remotePort", &AppSettings::remotePort, 1024, 65535, 4000},
                {"oscPort", &AppSettings::oscPort, 1024, 65535, 9000},
                {"durationMin", nullptr, 0, 999, 12},
                {"durationSec", nullptr, 0, 59, 34},
                {"presetMin", nullptr, 0, 999, 5},
                {"presetSec", nullptr, 0, 59, 0}};
            for (const auto& [which, field, lowest, highest, value] : numbers) {
                QSpinBox* spin = c.spin(which);
                QVERIFY2(spin->minimum() == lowest && spin->maximum() == highest, which);
                QVERIFY2(!field || spin->value() == start.*field, which);
                spin->setValue(value);
                if (field)
                    expected.*field = value;
            }
            expected.defaultDuration = 12 * 60 + 34;
            c.press("Add");
            expected.presets << 300;

            // Colours go through the program's own colour dialog, which starts
            // at the colour shown; cancelling keeps it, and a second pick starts
            // from the first one's result. Captions are white up to grey 128.
            for (int row = 0; row < 6; ++row) {
                QPushButton* b = c.nth<QPushButton>(kColorsTab, row);
                const QString name = (start.*kColorFields[row]).name();
                QCOMPARE(b->text(), name.toUpper());
                QVERIFY(b->styleSheet().startsWith("background-color:" + name + ";"));
                QVERIFY(b->fontMetrics().horizontalAdvance(b->text()) <= b->width() - 2);
                const QString sheet = b->styleSheet();
                QColor startedAt;
                answerColorDialog(&startedAt, QColor()); // cancel after moving the selection
                QTest::mouseClick(b, Qt::LeftButton);
                QCOMPARE(startedAt, start.*kColorFields[row]);
                QCOMPARE(b->styleSheet(), sheet);
                answerColorDialog(&startedAt, QColor("#808080"));
                QTest::mouseClick(b, Qt::LeftButton);
                QVERIFY(b->styleSheet().startsWith("background-color:#808080;color:#ffffff;"));
                answerColorDialog(&startedAt, QColor("#818181"));
                QTest::mouseClick(b, Qt::LeftButton);
                QCOMPARE(startedAt, QColor("#808080"));
                QVERIFY(b->styleSheet().startsWith("background-color:#818181;color:#000000;"));
                QCOMPARE(b->text(), "#818181");
                expected.*kColorFields[row] = QColor("#818181");
            }

            auto* token = d.findChild<QLineEdit*>("remoteToken");
            QVERIFY(token->isReadOnly());
            QVERIFY(QRegularExpression("^[0-9a-f]{32}$").match(token->text()).hasMatch());
            QVERIFY(start.remoteToken.isEmpty() || token->text() == start.remoteToken);
            const QString shown = token->text();
            c.press("New Token");
            QVERIFY(token->text() != shown);
            expected.remoteToken = token->text();
            QCOMPARE(settingsDifferences(s, start), QStringList()); // nothing before OK

            if (how == "escape") {
                QWidget* focus = QApplication::focusWidget();
                QTest::keyClick(focus ? focus : &d, Qt::Key_Escape);
            } else if (how == "close") {
                QCloseEvent ev; // what the window system sends for the title-bar button
                QApplication::sendEvent(d.windowHandle(), &ev);
            } else {
                c.press(how);
            }
        });
        const bool ok = how == "OK";
        QCOMPARE(result, int(ok ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(spy.count(), int(ok));
        QCOMPARE(atSignal, ok ? QStringList{""} : QStringList{"not announced"});
        QCOMPARE(settingsDifferences(s, ok ? expected : start), QStringList());
        QCOMPARE(settingsDifferences(loadedRecord(), ok ? expected : start), QStringList());
        if (!ok)
            QCOMPARE(storeBytes(), storeBefore);
    }

    // Presets are typed as minutes and seconds and added, chosen and removed,
    // dragged into place, and listed as text; OK saves them in their order.
    // Steps: "+m:s" adds, "-n" removes row n, "-" presses Remove with no row
    // chosen, "n>m top|middle|bottom" drags row n onto that part of row m.
    void presetList_data()
    {
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("texts");
        const QList<int> defaults{300, 600, 900, 1800};
        const auto row = [](const char* name, const QList<int>& stored, const QStringList& steps,
                            const QString& texts) {
            QTest::newRow(name) << stored << steps << texts.split(", ", Qt::SkipEmptyParts);
        };
        row("odd values", {90, 30, 0, 600, 65}, {},
            "1 min 30 sec, 0 min 30 sec, 0 min, 10 min, 1 min 5 sec");
        row("nothing for 0 s", defaults, {"+0:00"}, "5 min, 10 min, 15 min, 30 min");
        row("45 s, duplicates, the largest", defaults, {"+0:45", "+10:00", "+10:00", "+999:59"},
            "5 min, 10 min, 15 min, 30 min, 0 min 45 sec, 10 min, 10 min, 999 min 59 sec");
        row("remove with none chosen, then the second", defaults, {"-", "-1"},
            "5 min, 15 min, 30 min");
        row("remove all", {60, 120}, {"-0", "-0"}, "");
        row("drag first below third", defaults, {"0>2 bottom"}, "10 min, 15 min, 5 min, 30 min");
        row("drag last above first", defaults, {"3>0 top"}, "30 min, 5 min, 10 min, 15 min");
        row("drag onto another's middle", defaults, {"0>1 middle"},
            "10 min, 5 min, 15 min, 30 min");
    }

    void presetList()
    {
        QFETCH(QList<int>, stored);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, texts);
        AppSettings s;
        s.presets = stored;
        saveSettings(s); // what OK saves must replace it, also when shorter or empty
        SettingsDialog dlg(&s, nullptr);
        const Controls c(dlg);
        c.tabs->setCurrentIndex(kTimerTab);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.resize(dlg.sizeHint()); // the small default screen would squeeze the list
        QCOMPARE(c.spin("presetMin")->value(), 5); // ready to add 5 min
        QCOMPARE(c.spin("presetSec")->value(), 0);
        for (const QString& step : steps) {
            if (step.startsWith('+')) {
                c.spin("presetMin")->setValue(step.section(':', 0, 0).mid(1).toInt());
                c.spin("presetSec")->setValue(step.section(':', 1).toInt());
                c.press("Add");
            } else if (step.startsWith('-')) {
                c.presets->setCurrentRow(step.size() > 1 ? step.mid(1).toInt() : -1);
                c.press("Remove");
            } else {
                const QRect from = c.presets->visualItemRect(c.presets->item(step[0].digitValue()));
                const QRect r = c.presets->visualItemRect(c.presets->item(step[2].digitValue()));
                const QString where = step.section(' ', 1);
                TestSupport::drag(c.presets->viewport(), from.center(),
                                  QPoint(r.center().x(), where == "top"      ? r.top() + 1
                                                         : where == "bottom" ? r.bottom() - 1
                                                                             : r.center().y()));
            }
        }
        QStringList shown;
        QList<int> saved; // what the texts say
        for (int i = 0; i < c.presets->count(); ++i) {
            shown << c.presets->item(i)->text();
            const QStringList words = shown.last().split(' ');
            saved << words[0].toInt() * 60 + (words.size() > 2 ? words[2].toInt() : 0);
        }
        QCOMPARE(shown, texts);
        c.press("OK");
        QCOMPARE(s.presets, saved);
        // An empty list is saved as such and loads as the defaults.
        QCOMPARE(loadedRecord().presets, saved.isEmpty() ? AppSettings().presets : saved);
    }

    // Enter presses OK, never starts an update check. Each press starts its
    // own reported check, which goes on after the dialog is gone; one that
    // fails shows nothing. The manifest is asked of a refusing server on
    // 127.0.0.1.
    void checkForUpdatesButton()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QVERIFY(Updater::setManifestUrlForTesting(
            QUrl(QStringLiteral("http://127.0.0.1:%1/m").arg(server.serverPort()))));
        QStringList requests;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket* s = server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [&requests, s] {
                requests << QString::fromLatin1(s->readLine()).trimmed();
                s->write("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
                s->disconnectFromHost();
            });
        });
        AppSettings s;
        {
            SettingsDialog dlg(&s, nullptr);
            runModal(dlg, [](QDialog& d) {
                auto* update = qobject_cast<QPushButton*>(Controls(d).button("Check for Updates"));
                QVERIFY(qobject_cast<QPushButton*>(Controls(d).button("OK"))->isDefault());
                QVERIFY(!update->isDefault());
                QTest::mouseClick(update, Qt::LeftButton);
                QTest::mouseClick(update, Qt::LeftButton);
                d.reject();
            });
        }
        QTRY_COMPARE_WITH_TIMEOUT(requests, QStringList(2, "GET /m HTTP/1.1"), 5000);
        QVERIFY(!QApplication::activeModalWidget());
        Updater::setManifestUrlForTesting({});
    }
};

VELLMARK_TEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
