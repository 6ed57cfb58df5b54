// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/theme.h"
#include "settings/appsettings.h"
#include "settings/settingsdialog.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkProxy>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <functional>

namespace {

// The controls of an open dialog, found the way a user finds them: by tab,
// by row label and by position on the page.
struct Controls {
    explicit Controls(SettingsDialog& d) : dlg(d)
    {
        tabs = d.findChild<QTabWidget*>();
        buttons = d.findChild<QDialogButtonBox*>();
        const auto clockRadios = tabs->widget(0)->findChildren<QRadioButton*>();
        radio24 = clockRadios.value(0);
        radio12 = clockRadios.value(1);
        showSeconds = tabs->widget(0)->findChild<QCheckBox*>();
        auto* timerPage = tabs->widget(3);
        const auto checks = timerPage->findChildren<QCheckBox*>();
        overtime = checks.value(0);
        blink = checks.value(1);
        const auto spins = timerPage->findChildren<QSpinBox*>();
        durationMin = spins.value(0);
        durationSec = spins.value(1);
        warning = spins.value(2);
        presetMin = spins.value(3);
        presetSec = spins.value(4);
        presets = timerPage->findChild<QListWidget*>();
        for (auto* b : timerPage->findChildren<QPushButton*>()) {
            if (b->text() == "Add")
                add = b;
            else if (b->text() == "Remove")
                remove = b;
        }
    }

    QWidget* field(int tab, const QString& label) const
    {
        auto* form = qobject_cast<QFormLayout*>(tabs->widget(tab)->layout());
        for (int row = 0; form && row < form->rowCount(); ++row) {
            auto* l = qobject_cast<QLabel*>(form->itemAt(row, QFormLayout::LabelRole)->widget());
            if (l && l->text() == label)
                return form->itemAt(row, QFormLayout::FieldRole)->widget();
        }
        return nullptr;
    }
    QPushButton* colorButton(const QString& label) const
    {
        return qobject_cast<QPushButton*>(field(1, label));
    }
    QSpinBox* fontSpin(const QString& label) const
    {
        QWidget* stepper = field(2, label);
        return stepper ? stepper->findChild<QSpinBox*>() : nullptr;
    }
    QList<int> presetData() const
    {
        QList<int> out;
        for (int i = 0; i < presets->count(); ++i)
            out << presets->item(i)->data(Qt::UserRole).toInt();
        return out;
    }
    QStringList presetTexts() const
    {
        QStringList out;
        for (int i = 0; i < presets->count(); ++i)
            out << presets->item(i)->text();
        return out;
    }
    void ok() const { QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton); }

    SettingsDialog& dlg;
    QTabWidget* tabs = nullptr;
    QDialogButtonBox* buttons = nullptr;
    QRadioButton* radio24 = nullptr;
    QRadioButton* radio12 = nullptr;
    QCheckBox* showSeconds = nullptr;
    QCheckBox* overtime = nullptr;
    QCheckBox* blink = nullptr;
    QSpinBox* durationMin = nullptr;
    QSpinBox* durationSec = nullptr;
    QSpinBox* warning = nullptr;
    QSpinBox* presetMin = nullptr;
    QSpinBox* presetSec = nullptr;
    QListWidget* presets = nullptr;
    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;
};

// A radio button spans the page; only its indicator and text take clicks.
void clickLabel(QAbstractButton* b)
{
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
}

using Adds = QList<QPair<int, int>>; // minutes and seconds typed before each "Add"

const char* const kColourLabels[] = {"Background",       "Timer — normal", "Timer — warning",
                                     "Timer — critical", "Clock",          "Message"};

// Differences between two records, field by field, for readable failures.
QStringList differences(const AppSettings& a, const AppSettings& b)
{
    QStringList d;
#define VM_CMP(f)                                                                                  \
    if (!(a.f == b.f))                                                                             \
    d << QStringLiteral(#f)
    VM_CMP(clock24hr);
    VM_CMP(clockShowSeconds);
    VM_CMP(bgColor);
    VM_CMP(timerColorNormal);
    VM_CMP(timerColorWarning);
    VM_CMP(timerColorCritical);
    VM_CMP(clockColor);
    VM_CMP(messageColor);
    VM_CMP(timerFontSize);
    VM_CMP(clockFontSize);
    VM_CMP(messageFontSize);
    VM_CMP(defaultDuration);
    VM_CMP(warningThreshold);
    VM_CMP(overtimeEnabled);
    VM_CMP(blinkEnabled);
    VM_CMP(presets);
    VM_CMP(soundFilePath);
    VM_CMP(soundEnabled);
    VM_CMP(targetTime);
#undef VM_CMP
    return d;
}

AppSettings unusualRecord()
{
    AppSettings s;
    s.clock24hr = false;
    s.clockShowSeconds = false;
    s.bgColor = QColor("#102030");
    s.timerColorNormal = QColor("#80ff80");
    s.timerColorWarning = QColor("#808080");
    s.timerColorCritical = QColor("#818181");
    s.clockColor = QColor("#abcdef");
    s.messageColor = QColor("#010203");
    s.timerFontSize = 550;
    s.clockFontSize = 20;
    s.messageFontSize = 150;
    s.defaultDuration = 999 * 60 + 59;
    s.warningThreshold = 3600;
    s.overtimeEnabled = false;
    s.blinkEnabled = false;
    s.presets = {45, 45, 0, 59999};
    s.soundFilePath = QStringLiteral("/media/cues/gong ü.wav");
    s.soundEnabled = true;
    s.targetTime = QStringLiteral("23:59");
    return s;
}

QByteArray storeBytes()
{
    QFile f(TestSupport::storeFilePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no store>");
}

AppSettings loadedRecord()
{
    AppSettings s;
    loadSettings(s);
    return s;
}

// Runs the dialog with exec() as the control window does; `drive` is called
// from inside its event loop once the dialog is the active modal window. A
// guard closes it if the driving failed, so a broken test cannot hang.
int runModal(QDialog& dlg, const std::function<void(QDialog&)>& drive)
{
    QTimer::singleShot(0, &dlg, [&dlg, drive] {
        if (QApplication::activeModalWidget() == &dlg)
            drive(dlg);
    });
    QTimer::singleShot(10000, &dlg, [&dlg] { dlg.done(-1); });
    return dlg.exec();
}

// Answers the next colour dialog: notes where it starts (an invalid colour if
// it is not the settings dialog's picker), then either picks `pick` or, when
// `pick` is invalid, moves the selection and cancels.
void answerColourDialog(QColor* startedAt, QColor pick)
{
    QTimer::singleShot(0, qApp, [startedAt, pick] {
        auto* cd = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!cd)
            return;
        *startedAt = cd->currentColor();
        // The picker belongs to the settings dialog, is titled and has no alpha.
        const bool shaped = cd->windowTitle() == "Pick colour" &&
                            qobject_cast<SettingsDialog*>(cd->parentWidget()) &&
                            !cd->testOption(QColorDialog::ShowAlphaChannel);
        if (!shaped)
            *startedAt = QColor();
        if (pick.isValid()) {
            cd->setCurrentColor(pick);
            cd->accept();
        } else {
            cd->setCurrentColor(QColor("#123456"));
            cd->reject();
        }
    });
}

// A stand-in web proxy on 127.0.0.1. It notes the first line of every request
// the program sends through it and refuses the tunnel, so a check started by
// a test is seen without any traffic leaving the machine.
class RefusingProxy : public QObject {
  public:
    RefusingProxy()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, this, [this, s] {
                    if (!s->canReadLine())
                        return;
                    requests << QString::fromLatin1(s->readLine()).trimmed();
                    s->write("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        QNetworkProxy::setApplicationProxy(QNetworkProxy(
            QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), m_server.serverPort()));
    }
    ~RefusingProxy() override { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    QStringList requests;

  private:
    QTcpServer m_server;
};

} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT

  private slots:
    // The dialog is tested as the program shows it: under the dark theme.
    void initTestCase() { applyTheme(); }
    void init() { TestSupport::clearStore(); }

    // The Remote page: the token shown as stored, a new one made on request
    // and kept only with OK, the switches and ports written back.
    void remotePage()
    {
        AppSettings s;
        s.remoteToken = makeRemoteToken();
        const QString old = s.remoteToken;
        SettingsDialog dlg(&s, nullptr);
        Controls c(dlg);
        QWidget* page = c.tabs->widget(4);
        auto* token = page->findChild<QLineEdit*>(QStringLiteral("remoteToken"));
        QCOMPARE(token->text(), old);
        QVERIFY(token->isReadOnly());
        for (auto* b : page->findChildren<QPushButton*>())
            if (b->text() == QLatin1String("New Token"))
                b->click();
        QVERIFY(token->text() != old);
        QCOMPARE(s.remoteToken, old);
        const auto checks = page->findChildren<QCheckBox*>();
        const auto spins = page->findChildren<QSpinBox*>();
        QCOMPARE(checks.size(), 3);
        QCOMPARE(spins.size(), 2);
        checks[1]->setChecked(true); // allow the network
        checks[2]->setChecked(true); // OSC
        spins[0]->setValue(80);      // below the range
        spins[1]->setValue(9000);
        c.ok();
        AppSettings stored;
        loadSettings(stored);
        QCOMPARE(stored.remoteToken, token->text());
        QVERIFY(stored.remoteAllowLan && stored.oscEnabled && stored.remoteEnabled);
        QCOMPARE(stored.remotePort, 1024);
        QCOMPARE(stored.oscPort, 9000);
    }

    void frame()
    {
        AppSettings s;
        SettingsDialog dlg(&s, nullptr);
        Controls c(dlg);
        QCOMPARE(dlg.windowTitle(), "Settings");
        QCOMPARE(dlg.minimumWidth(), 420);
        QCOMPARE(c.tabs->count(), 5);
        const QStringList tabs{c.tabs->tabText(0), c.tabs->tabText(1), c.tabs->tabText(2),
                               c.tabs->tabText(3), c.tabs->tabText(4)};
        QCOMPARE(tabs, QStringList({"Clock", "Colors", "Fonts", "Timer", "Remote"}));
        QCOMPARE(c.tabs->currentIndex(), 0);

        // Callers connect to these by name; their order is part of the class.
        const QMetaObject* mo = dlg.metaObject();
        QStringList methods;
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i)
            methods << mo->method(i).methodSignature();
        QCOMPARE(methods,
                 QStringList({"settingsChanged()", "accept()", "pickColor(QColor&,QPushButton*)",
                              "addPreset()", "removePreset()"}));

        // The update button sits alone at the bottom left, below OK and Cancel.
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QPushButton* update = nullptr;
        for (auto* b : dlg.findChildren<QPushButton*>())
            if (b->text() == "Check for Updates")
                update = b;
        QVERIFY(update);
        QVERIFY(update->y() > c.buttons->geometry().bottom());
        QCOMPARE(update->x(), dlg.layout()->contentsRect().left());
        // Enter must press OK, never start an update check.
        QVERIFY(c.buttons->button(QDialogButtonBox::Ok)->isDefault());
        QVERIFY(!update->isDefault());
    }

    // Each press starts its own reported check, which goes on after the
    // dialog is gone; a check that fails shows nothing.
    void checkForUpdatesButton()
    {
        RefusingProxy proxy;
        AppSettings s;
        {
            SettingsDialog dlg(&s, nullptr);
            runModal(dlg, [](QDialog& d) {
                for (auto* b : d.findChildren<QPushButton*>()) {
                    if (b->text() == "Check for Updates") {
                        QTest::mouseClick(b, Qt::LeftButton);
                        QTest::mouseClick(b, Qt::LeftButton);
                    }
                }
                d.reject();
            });
        }
        const QUrl manifest(QStringLiteral(VELLMARK_UPDATE_URL));
        const QString expected =
            QStringLiteral("CONNECT %1:%2 HTTP/1.1").arg(manifest.host()).arg(manifest.port(443));
        QTRY_COMPARE_WITH_TIMEOUT(proxy.requests, QStringList({expected, expected}), 5000);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void okWritesEverything_data()
    {
        QTest::addColumn<bool>("unusual");
        QTest::newRow("defaults") << false;
        QTest::newRow("every field away from its default") << true;
    }

    // OK without touching anything writes the record as shown, saves it and
    // announces it exactly once, while the dialog is still up.
    void okWritesEverything()
    {
        QFETCH(bool, unusual);
        AppSettings s = unusual ? unusualRecord() : AppSettings();
        const AppSettings before = s;
        SettingsDialog dlg(&s, nullptr);
        QSignalSpy spy(&dlg, &SettingsDialog::settingsChanged);
        bool visibleAtSignal = false;
        QStringList storeAtSignal;
        connect(&dlg, &SettingsDialog::settingsChanged, this, [&] {
            visibleAtSignal = dlg.isVisible();
            storeAtSignal = differences(loadedRecord(), s);
        });

        const int result =
            runModal(dlg, [](QDialog& d) { Controls(static_cast<SettingsDialog&>(d)).ok(); });

        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(spy.count(), 1);
        QVERIFY(visibleAtSignal);
        QCOMPARE(storeAtSignal, QStringList());
        QCOMPARE(differences(s, before), QStringList());
        // The whole record went to the store, so it comes back as it was,
        // including 999 min 59 sec.
        QCOMPARE(differences(loadedRecord(), before), QStringList());
    }

    void closingWithoutOkChangesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel button") << "cancel";
        QTest::newRow("Escape key") << "escape";
        QTest::newRow("window close button") << "close";
    }

    void closingWithoutOkChangesNothing()
    {
        QFETCH(QString, how);
        AppSettings s = unusualRecord();
        saveSettings(s);
        const QByteArray storeBefore = storeBytes();
        const AppSettings before = s;
        SettingsDialog dlg(&s, nullptr);
        QSignalSpy spy(&dlg, &SettingsDialog::settingsChanged);

        const int result = runModal(dlg, [how](QDialog& d) {
            Controls c(static_cast<SettingsDialog&>(d));
            // Edit something on every page first.
            c.radio24->setChecked(true);
            c.showSeconds->setChecked(true);
            QColor started;
            answerColourDialog(&started, QColor("#00ff00"));
            QTest::mouseClick(c.colorButton("Background"), Qt::LeftButton);
            c.fontSpin("Timer font size")->setValue(100);
            c.overtime->setChecked(true);
            c.durationMin->setValue(3);
            c.warning->setValue(10);
            QTest::mouseClick(c.add, Qt::LeftButton);
            if (how == "cancel") {
                QTest::mouseClick(c.buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
            } else if (how == "escape") {
                QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &d;
                QTest::keyClick(target, Qt::Key_Escape);
            } else {
                QCloseEvent ev; // what the window system sends for the title-bar button
                QApplication::sendEvent(d.windowHandle(), &ev);
            }
        });

        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(spy.count(), 0);
        QCOMPARE(differences(s, before), QStringList());
        QCOMPARE(storeBytes(), storeBefore);

        // Reopening shows the stored values again, Clock tab first.
        SettingsDialog again(&s, nullptr);
        Controls c(again);
        QCOMPARE(c.tabs->currentIndex(), 0);
        QCOMPARE(c.colorButton("Background")->text(), "#102030");
        QCOMPARE(c.presetData(), before.presets);
    }

    void editedValuesReachRecordAndStore()
    {
        AppSettings s;
        SettingsDialog dlg(&s, nullptr);
        Controls c(dlg);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        clickLabel(c.radio12);
        QVERIFY(!c.radio24->isChecked());
        c.showSeconds->setChecked(false);
        c.fontSpin("Timer font size")->setValue(123);
        c.fontSpin("Clock font size")->setValue(45);
        c.fontSpin("Message font size")->setValue(67);
        c.overtime->setChecked(false);
        c.durationMin->setValue(12);
        c.durationSec->setValue(34);
        c.warning->setValue(90);
        c.ok();

        const AppSettings r = loadedRecord();
        for (const AppSettings* rec : {const_cast<const AppSettings*>(&s), &r}) {
            QCOMPARE(rec->clock24hr, false);
            QCOMPARE(rec->clockShowSeconds, false);
            QCOMPARE(rec->timerFontSize, 123);
            QCOMPARE(rec->clockFontSize, 45);
            QCOMPARE(rec->messageFontSize, 67);
            QCOMPARE(rec->overtimeEnabled, false);
            QCOMPARE(rec->blinkEnabled, true);
            QCOMPARE(rec->defaultDuration, 12 * 60 + 34);
            QCOMPARE(rec->warningThreshold, 90);
        }
    }

    void clockFormatIsOneChoice_data()
    {
        QTest::addColumn<bool>("clock24hr");
        QTest::newRow("24-hour") << true;
        QTest::newRow("12-hour") << false;
    }

    void clockFormatIsOneChoice()
    {
        QFETCH(bool, clock24hr);
        AppSettings s;
        s.clock24hr = clock24hr;
        SettingsDialog dlg(&s, nullptr);
        Controls c(dlg);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(c.radio24->text(), "24-hour  (14:30)");
        QCOMPARE(c.radio12->text(), "12-hour  (2:30 PM)");
        QCOMPARE(c.radio24->isChecked(), clock24hr);
        QCOMPARE(c.radio12->isChecked(), !clock24hr);
        // Clicking the other one switches, leaving exactly one checked.
        clickLabel(clock24hr ? c.radio12 : c.radio24);
        QCOMPARE(c.radio24->isChecked(), !clock24hr);
        QCOMPARE(c.radio12->isChecked(), clock24hr);
        c.ok();
        QCOMPARE(s.clock24hr, !clock24hr);
    }

    void durationEntry_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::newRow("zero") << 0 << 0 << 0;
        QTest::newRow("61 s") << 61 << 1 << 1;
        QTest::newRow("999 min") << 59940 << 999 << 0;
        QTest::newRow("999 min 59 sec") << 59999 << 999 << 59;
    }

    void durationEntry()
    {
        QFETCH(int, stored);
        QFETCH(int, minutes);
        QFETCH(int, seconds);
        AppSettings s;
        s.defaultDuration = stored;
        saveSettings(s);
        AppSettings live = loadedRecord(); // as at start-up
        SettingsDialog dlg(&live, nullptr);
        Controls c(dlg);
        QCOMPARE(c.durationMin->value(), minutes);
        QCOMPARE(c.durationSec->value(), seconds);
        QCOMPARE(c.durationMin->suffix(), " min");
        QCOMPARE(c.durationSec->suffix(), " sec");
        c.ok();
        QCOMPARE(live.defaultDuration, stored);
        QCOMPARE(loadedRecord().defaultDuration, stored); // the next start
    }

    void spinBoxesKeepTheirRanges_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("highest");
        QTest::newRow("warning") << "warning" << 1 << 3600;
        QTest::newRow("duration minutes") << "durationMin" << 0 << 999;
        QTest::newRow("duration seconds") << "durationSec" << 0 << 59;
        QTest::newRow("preset minutes") << "presetMin" << 0 << 999;
        QTest::newRow("preset seconds") << "presetSec" << 0 << 59;
        QTest::newRow("timer font") << "Timer font size" << 30 << 550;
        QTest::newRow("clock font") << "Clock font size" << 20 << 300;
        QTest::newRow("message font") << "Message font size" << 12 << 150;
    }

    // Typed or stepped, a value cannot leave the range the store clamps to.
    void spinBoxesKeepTheirRanges()
    {
        QFETCH(QString, which);
        QFETCH(int, lowest);
        QFETCH(int, highest);
        AppSettings s;
        SettingsDialog dlg(&s, nullptr);
        Controls c(dlg);
        const QHash<QString, QSpinBox*> byName{{"warning", c.warning},
                                               {"durationMin", c.durationMin},
                                               {"durationSec", c.durationSec},
                                               {"presetMin", c.presetMin},
                                               {"presetSec", c.presetSec}};
        QSpinBox* spin = byName.value(which, nullptr);
        if (!spin)
            spin = c.fontSpin(which);
        QVERIFY(spin);
        if (which.contains("font"))
            QCOMPARE(spin->suffix(), " px");
        spin->setValue(lowest - 1000);
        QCOMPARE(spin->value(), lowest);
        spin->stepDown();
        QCOMPARE(spin->value(), lowest);
        spin->setValue(highest + 1000);
        QCOMPARE(spin->value(), highest);
        spin->stepUp();
        QCOMPARE(spin->value(), highest);
    }

    void presetTexts_data()
    {
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("defaults") << QList<int>{300, 600, 900, 1800}
                                  << QStringList{"5 min", "10 min", "15 min", "30 min"};
        QTest::newRow("odd values")
            << QList<int>{90, 30, 0, 600, 65}
            << QStringList{"1 min 30 sec", "0 min 30 sec", "0 min", "10 min", "1 min 5 sec"};
    }

    void presetTexts()
    {
        QFETCH(QList<int>, stored);
        QFETCH(QStringList, texts);
        AppSettings s;
        s.presets = stored;
        SettingsDialog dlg(&s, nullptr);
        Controls c(dlg);
        QCOMPARE(c.presetTexts(), texts);
        QCOMPARE(c.presetData(), stored);
        QVERIFY(!c.presets->currentItem());
        QCOMPARE(c.presets->objectName(), QString());
    }

    void addPreset_data()
    {
        QTest::addColumn<Adds>("adds");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QList<int>>("data");
        QTest::newRow("nothing for 0 s") << Adds{{0, 0}} << QStringList() << QList<int>();
        QTest::newRow("45 s") << Adds{{0, 45}} << QStringList{"0 min 45 sec"} << QList<int>{45};
        QTest::newRow("duplicates allowed")
            << Adds{{10, 0}, {10, 0}} << QStringList{"10 min", "10 min"} << QList<int>{600, 600};
        QTest::newRow("largest") << Adds{{999, 59}} << QStringList{"999 min 59 sec"}
                                 << QList<int>{59999};
    }

    void addPreset()
    {
        QFETCH(Adds, adds);
        QFETCH(QStringList, added);
        QFETCH(QList<int>, data);
        AppSettings s;
        SettingsDialog dlg(&s, nullptr);
        Controls c(dlg);
        QCOMPARE(c.presetMin->value(), 5); // ready to add 5 min
        QCOMPARE(c.presetSec->value(), 0);
        for (const auto& [m, sec] : adds) {
            c.presetMin->setValue(m);
            c.presetSec->setValue(sec);
            QTest::mouseClick(c.add, Qt::LeftButton);
            QCOMPARE(c.presetMin->value(), m); // the entry keeps its values
        }
        QCOMPARE(c.presetTexts().mid(4), added);
        QVERIFY(!c.presets->currentItem());
        c.ok();
        QCOMPARE(s.presets, QList<int>({300, 600, 900, 1800}) + data);
        QCOMPARE(loadedRecord().presets, s.presets);
    }

    void removePreset()
    {
        AppSettings s;
        SettingsDialog dlg(&s, nullptr);
        Controls c(dlg);
        QTest::mouseClick(c.remove, Qt::LeftButton); // nothing current yet
        QCOMPARE(c.presets->count(), 4);
        c.presets->setCurrentRow(1);
        QTest::mouseClick(c.remove, Qt::LeftButton);
        QCOMPARE(c.presetData(), QList<int>({300, 900, 1800}));
        c.ok();
        QCOMPARE(s.presets, QList<int>({300, 900, 1800}));
    }

    // Removing every preset saves an empty list; the store then falls back
    // to its defaults at the next start.
    void emptyPresetList()
    {
        AppSettings s;
        SettingsDialog dlg(&s, nullptr);
        Controls c(dlg);
        while (c.presets->count()) {
            c.presets->setCurrentRow(0);
            QTest::mouseClick(c.remove, Qt::LeftButton);
        }
        c.ok();
        QCOMPARE(s.presets, QList<int>());
        QCOMPARE(loadedRecord().presets, QList<int>({300, 600, 900, 1800}));
    }

    void colourButtonCaption_data()
    {
        QTest::addColumn<QString>("colour");
        QTest::addColumn<QString>("caption");
        QTest::newRow("black") << "#000000"
                               << "#ffffff";
        QTest::newRow("green") << "#00cc00"
                               << "#ffffff";
        QTest::newRow("red") << "#ff2200"
                             << "#ffffff";
        QTest::newRow("grey 128, just dark") << "#808080"
                                             << "#ffffff";
        QTest::newRow("grey 129, just light") << "#818181"
                                              << "#000000";
        QTest::newRow("amber") << "#ff8800"
                               << "#000000";
        QTest::newRow("yellow") << "#ffff00"
                                << "#000000";
        QTest::newRow("white") << "#ffffff"
                               << "#000000";
    }

    void colourButtonCaption()
    {
        QFETCH(QString, colour);
        QFETCH(QString, caption);
        AppSettings s;
        s.clockColor = QColor(colour);
        SettingsDialog dlg(&s, nullptr);
        QPushButton* b = Controls(dlg).colorButton("Clock");
        QVERIFY(b);
        QCOMPARE(b->text(), colour.toUpper());
        QVERIFY2(b->styleSheet().startsWith(
                     QStringLiteral("background-color:%1;color:%2;border:1px solid #555;"
                                    "border-radius:3px;")
                         .arg(colour, caption)),
                 qPrintable(b->styleSheet()));
    }

    void defaultColourButtons()
    {
        AppSettings s;
        SettingsDialog dlg(&s, nullptr);
        Controls c(dlg);
        const QStringList texts{"#000000", "#00CC00", "#FF8800", "#FF2200", "#FFFFFF", "#FFFF00"};
        const QStringList captions{"#ffffff", "#ffffff", "#000000",
                                   "#ffffff", "#000000", "#000000"};
        for (int i = 0; i < 6; ++i) {
            QPushButton* b = c.colorButton(QString::fromUtf8(kColourLabels[i]));
            QVERIFY2(b, kColourLabels[i]);
            QCOMPARE(b->text(), texts[i]);
            QVERIFY(b->styleSheet().contains(QStringLiteral("color:%1;").arg(captions[i])));
            dlg.show();
            QCOMPARE(b->size(), QSize(80, 26));
            // The caption fits inside the button's border.
            QVERIFY(b->fontMetrics().horizontalAdvance(b->text()) <= b->width() - 2);
        }
    }

    // Every colour goes through the real colour dialog; each row edits its own
    // field, cancelling keeps what was there, and a second pick starts from
    // the first one's result.
    void pickingColours_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < 6; ++i)
            QTest::newRow(kColourLabels[i]) << i;
    }

    void pickingColours()
    {
        QFETCH(int, row);
        AppSettings s;
        const AppSettings before = s;
        QColor AppSettings::*const fields[] = {
            &AppSettings::bgColor,           &AppSettings::timerColorNormal,
            &AppSettings::timerColorWarning, &AppSettings::timerColorCritical,
            &AppSettings::clockColor,        &AppSettings::messageColor};
        SettingsDialog dlg(&s, nullptr);
        Controls c(dlg);
        QPushButton* b = c.colorButton(QString::fromUtf8(kColourLabels[row]));
        const QString sheetBefore = b->styleSheet();

        QColor startedAt;
        answerColourDialog(&startedAt, QColor()); // cancel after moving the selection
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(startedAt, before.*fields[row]);
        QCOMPARE(b->styleSheet(), sheetBefore);

        answerColourDialog(&startedAt, QColor("#808080"));
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(b->text(), "#808080");
        QVERIFY(b->styleSheet().startsWith("background-color:#808080;color:#ffffff;"));
        QCOMPARE(s.*fields[row], before.*fields[row]); // not before OK

        answerColourDialog(&startedAt, QColor("#818181"));
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(startedAt, QColor("#808080"));
        QVERIFY(b->styleSheet().startsWith("background-color:#818181;color:#000000;"));

        c.ok();
        AppSettings expected = before;
        expected.*fields[row] = QColor("#818181");
        QCOMPARE(differences(s, expected), QStringList());
        QCOMPARE(differences(loadedRecord(), expected), QStringList());
    }
};

VELLMARK_TEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
