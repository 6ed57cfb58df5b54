// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/controlwindow.h"
#include "control/soundcue.h"
#include "output/outputwindow.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/counttext.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMediaPlayer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QWindow>
#include <QtTest>

#include <functional>

namespace {

const QString kShow = QStringLiteral("▶  Show Output Window");
const QString kHide = QStringLiteral("■  Hide Output Window");

// A short, valid WAV file: the cue tests need a source the player accepts.
QString writeWav(const QString& path)
{
    QList<qint16> samples;
    for (int i = 0; i < 800; ++i)
        samples << qint16((i / 10) % 2 ? 8000 : -8000);
    return TestSupport::writeWav(path, 8000, samples) ? path : QString();
}

// The operator's window with its neighbours, found as the operator sees them.
struct Rig {
    AppSettings settings;
    TimerEngine engine;
    std::unique_ptr<OutputWindow> output;
    std::unique_ptr<ControlWindow> window;

    explicit Rig(const std::function<void(AppSettings&, TimerEngine&)>& configure = {})
    {
        if (configure)
            configure(settings, engine);
        output = std::make_unique<OutputWindow>(&settings);
        window = std::make_unique<ControlWindow>(&settings, &engine, output.get());
        // As start-up wires them: the output window follows the engine after
        // the control window.
        QObject::connect(&engine, &TimerEngine::tick, output.get(), &OutputWindow::onTimerTick);
        QObject::connect(&engine, &TimerEngine::targetChanged, output.get(),
                         &OutputWindow::setTarget);
        window->resize(560, 800);
        window->show();
    }

    QPushButton* button(const QString& text) const
    {
        for (auto* b : window->findChildren<QPushButton*>())
            if (b->text() == text)
                return b;
        qWarning() << "no button" << text;
        return nullptr;
    }
    void click(const QString& text) const { QTest::mouseClick(button(text), Qt::LeftButton); }
    QLabel* preview() const { return window->findChild<QLabel*>(QStringLiteral("timerPreview")); }
    QListWidget* presets() const
    {
        return window->findChild<QListWidget*>(QStringLiteral("presetList"));
    }
    QSpinBox* spin(const QString& suffix) const
    {
        for (auto* s : window->findChildren<QSpinBox*>())
            if (s->suffix() == suffix)
                return s;
        return nullptr;
    }
    // The player comes up just after the windows have been painted.
    QMediaPlayer* player() const
    {
        QMediaPlayer* found = nullptr;
        if (QTest::qWaitFor([&] { return (found = window->findChild<QMediaPlayer*>()); }, 10000))
            return found;
        return nullptr;
    }
    QCheckBox* soundCheck() const { return window->findChild<QCheckBox*>(); }
    QLineEdit* messageEdit() const { return window->findChild<QLineEdit*>(); }
    QLabel* labelShowing(const QString& text) const
    {
        for (auto* l : window->findChildren<QLabel*>())
            if (l->text() == text)
                return l;
        return nullptr;
    }
    QLabel* outputMessage() const
    {
        for (auto* l : output->findChildren<QLabel*>())
            if (l->parentWidget() == output.get())
                return l;
        return nullptr;
    }
    QProgressBar* outputProgress() const { return output->findChild<QProgressBar*>(); }
    QLabel* outputReadout(const QString& text) const
    {
        for (auto* l : output->findChildren<QLabel*>())
            if (l->text() == text)
                return l;
        return nullptr;
    }
    void clickPreset(int row) const
    {
        QListWidget* list = presets();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    void setEntry(int min, int sec) const
    {
        spin(QStringLiteral(" min"))->setValue(min);
        spin(QStringLiteral(" sec"))->setValue(sec);
        click(QStringLiteral("Set"));
    }
    // Space as the keyboard delivers it: through the window system, so the
    // window's shortcuts see it before any key handler. A repeat of a held
    // key comes as a release and a press both marked auto-repeated.
    void space(bool autoRepeat = false) const
    {
        // Keys go to the active window, as the window manager would have it.
        if (QApplication::activeWindow() != window.get()) {
            QApplication::setActiveWindow(window.get());
            if (!QTest::qWaitForWindowActive(window.get()))
                qWarning("the control window did not become active");
        }
        QWindow* w = window->windowHandle();
        if (autoRepeat)
            QTest::simulateEvent(w, false, Qt::Key_Space, {}, QStringLiteral(" "), true);
        QTest::simulateEvent(w, true, Qt::Key_Space, {}, QStringLiteral(" "), autoRepeat);
    }
    void releaseSpace() const
    {
        QTest::simulateEvent(window->windowHandle(), false, Qt::Key_Space, {}, QStringLiteral(" "),
                             false);
    }
};

// Counts the restylings of a widget: the output readout is restyled on each
// phase of its blink.
struct StyleChanges : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        count += e->type() == QEvent::StyleChange;
        return false;
    }
};

QStringList presetTexts(QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QList<int> presetData(QListWidget* list)
{
    QList<int> data;
    for (int i = 0; i < list->count(); ++i) {
        const QVariant v = list->item(i)->data(Qt::UserRole);
        data << (v.typeId() == QMetaType::Int ? v.toInt() : -1);
    }
    return data;
}

} // namespace

class TestControlWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_wav;

  private slots:
    void initTestCase() { m_wav = writeWav(m_dir.filePath(QStringLiteral("cue.wav"))); }
    void init() { TestSupport::clearStore(); }

    // Space is the start and pause key wherever the focus sits, except while
    // typing: a focused button never takes it as a press on itself.
    void spaceWhateverHasTheFocus()
    {
        Rig rig;
        QApplication::setActiveWindow(rig.window.get());
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        const auto pressSpace = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); };
        rig.click(QStringLiteral("▶  START"));
        QVERIFY(rig.engine.isRunning());
        QVERIFY(qobject_cast<QPushButton*>(QApplication::focusWidget()));
        TestSupport::stepEngine(&rig.engine, 3);
        pressSpace();
        QVERIFY(!rig.engine.isRunning());
        pressSpace();
        QVERIFY(rig.engine.isRunning());
        QCOMPARE(rig.engine.remaining(), 297);

        rig.messageEdit()->setFocus();
        pressSpace();
        QVERIFY(rig.engine.isRunning());
        QCOMPARE(rig.messageEdit()->text(), QStringLiteral(" "));
    }

    // At its smallest the window keeps header, preview and toggle in view and
    // scrolls only the middle panel, vertically.
    void smallestWindow()
    {
        Rig rig;
        rig.window->resize(100, 100);
        QCOMPARE(rig.window->size(), QSize(480, 420));
        QVERIFY(!rig.window->statusBar()->isVisible());
        auto* scroll = rig.window->findChild<QScrollArea*>();
        QTRY_VERIFY(scroll->verticalScrollBar()->isVisible());
        QVERIFY(!scroll->horizontalScrollBar()->isVisible());
        const QRect inside = rig.window->rect();
        for (QWidget* w :
             {static_cast<QWidget*>(rig.preview()), static_cast<QWidget*>(rig.button(kShow))})
            QVERIFY(inside.contains(QRect(w->mapTo(rig.window.get(), QPoint()), w->size())));
        auto* gear = rig.window->findChild<QPushButton*>(QStringLiteral("settingsBtn"));
        QCOMPARE(gear->size(), QSize(36, 36));
        for (const char* adjust : {"+1 min", "−1 min"})
            QCOMPARE(rig.button(QString::fromUtf8(adjust))->height(), 30);
    }

    // The theme's colours reach the buttons inside the scrolling panel, and the
    // narrow buttons show their whole caption.
    void panelButtonsLook_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QColor>("fill");
        QTest::newRow("START") << "▶  START" << QColor(0x1a, 0x5c, 0x1a);
        QTest::newRow("PAUSE") << "⏸  PAUSE" << QColor(0x5c, 0x4a, 0x00);
        QTest::newRow("RESET") << "↺  RESET" << QColor(0x5c, 0x1a, 0x1a);
        QTest::newRow("checked Countdown") << "▼  Countdown" << QColor(0x1a, 0x5c, 0x2a);
        QTest::newRow("Count Up") << "▲  Count Up" << QColor(0x2b, 0x2b, 0x2b);
        QTest::newRow("Push") << "Push" << QColor(0x2b, 0x2b, 0x2b);
        QTest::newRow("Clear") << "Clear" << QColor(0x2b, 0x2b, 0x2b);
        QTest::newRow("Browse") << "Browse…" << QColor(0x2b, 0x2b, 0x2b);
        QTest::newRow("Test") << "Test" << QColor(0x2b, 0x2b, 0x2b);
    }

    void panelButtonsLook()
    {
        QFETCH(QString, caption);
        QFETCH(QColor, fill);
        Rig rig;
        QPushButton* b = rig.button(caption);
        const QImage img = b->grab().toImage();
        QCOMPARE(img.pixelColor(4, img.height() / 2), fill);
        QVERIFY(b->fontMetrics().horizontalAdvance(caption) <= b->contentsRect().width());
    }

    void preview_data()
    {
        QTest::addColumn<bool>("countUp");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("colour");
        const QColor normal(0x00, 0xcc, 0x00), warning(0xff, 0x88, 0x00),
            critical(0xff, 0x22, 0x00);
        QTest::newRow("61 down") << false << 61 << "01:01" << normal;
        QTest::newRow("60 down, at threshold") << false << 60 << "01:00" << warning;
        QTest::newRow("1 down") << false << 1 << "00:01" << warning;
        QTest::newRow("0 down") << false << 0 << "00:00" << critical;
        QTest::newRow("-1 down") << false << -1 << "-00:01" << critical;
        QTest::newRow("-75 down") << false << -75 << "-01:15" << critical;
        QTest::newRow("6000 down") << false << 6000 << "100:00" << normal;
        QTest::newRow("30 up") << true << 30 << "00:30" << normal;
        QTest::newRow("0 up") << true << 0 << "00:00" << normal;
        QTest::newRow("-5 up") << true << -5 << "-00:05" << normal;
        QTest::newRow("most negative")
            << false << std::numeric_limits<int>::min() << "-35791394:08" << critical;
    }

    void preview()
    {
        QFETCH(bool, countUp);
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QFETCH(QColor, colour);
        Rig rig([](AppSettings& s, TimerEngine&) { s.warningThreshold = 60; });
        if (countUp)
            rig.click(QStringLiteral("▲  Count Up"));
        rig.engine.setDuration(seconds);
        QCOMPARE(rig.preview()->text(), text);
        QCOMPARE(rig.preview()->palette().color(QPalette::WindowText), colour);
    }

    // The preview shows the engine's value in its colour before the first tick.
    void previewBeforeFirstTick()
    {
        Rig rig([](AppSettings&, TimerEngine& e) { e.setDuration(45); });
        QCOMPARE(rig.preview()->text(), QStringLiteral("00:45"));
        QCOMPARE(rig.preview()->palette().color(QPalette::WindowText), QColor(0xff, 0x88, 0x00));
    }

    void presetStrip_data()
    {
        QTest::addColumn<QList<int>>("presets");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("defaults") << QList<int>{300, 600, 900, 1800}
                                  << QStringList{"5 min", "10 min", "15 min", "30 min"};
        QTest::newRow("odd seconds")
            << QList<int>{90, 45, 3600} << QStringList{"1:30", "0:45", "60 min"};
        QTest::newRow("empty") << QList<int>{} << QStringList{};
    }

    void presetStrip()
    {
        QFETCH(QList<int>, presets);
        QFETCH(QStringList, texts);
        Rig rig([&](AppSettings& s, TimerEngine&) { s.presets = presets; });
        QCOMPARE(presetTexts(rig.presets()), texts);
        QCOMPARE(presetData(rig.presets()), presets);
    }

    void entryFromDefaultDuration_data()
    {
        QTest::addColumn<int>("duration");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("sec");
        QTest::newRow("default") << 300 << 5 << 0;
        QTest::newRow("largest stored") << 59940 << 999 << 0;
        QTest::newRow("odd") << 125 << 2 << 5;
    }

    void entryFromDefaultDuration()
    {
        QFETCH(int, duration);
        QFETCH(int, min);
        QFETCH(int, sec);
        Rig rig([&](AppSettings& s, TimerEngine&) { s.defaultDuration = duration; });
        QCOMPARE(rig.spin(QStringLiteral(" min"))->value(), min);
        QCOMPARE(rig.spin(QStringLiteral(" sec"))->value(), sec);
        // Building the window writes nothing.
        QVERIFY(!QFile::exists(TestSupport::storeFilePath()));
    }

    void soundFileLabel_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none") << ""
                              << "No file selected";
        QTest::newRow("full path") << "/home/op/cues/gong.wav"
                                   << "gong.wav";
        QTest::newRow("markup in the name") << "/home/op/<b>cue<b>.wav"
                                            << "<b>cue<b>.wav";
        QTest::newRow("image tag") << "/home/op/<img src=x>.wav"
                                   << "<img src=x>.wav";
    }

    // The file name is shown as it is named, never interpreted as markup.
    void soundFileLabel()
    {
        QFETCH(QString, path);
        QFETCH(QString, shown);
        Rig rig([&](AppSettings& s, TimerEngine&) { s.soundFilePath = path; });
        QLabel* label = rig.labelShowing(shown);
        QVERIFY(label);
        // Rendered literally: as wide as its characters, tags included.
        QVERIFY(label->sizeHint().width() >= label->fontMetrics().horizontalAdvance(shown));
    }

    void cue_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("source");
        QTest::addColumn<bool>("overtime");
        QTest::addColumn<int>("initial");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("plays");
        QTest::newRow("once at zero, not below")
            << true << true << true << 300 << "d:2 start step step step step" << 1;
        QTest::newRow("pause re-arms for a later zero")
            << true << true << true << 300 << "d:1 start step step pause reset start step" << 2;
        QTest::newRow("pause alone plays nothing")
            << true << true << true << 300 << "d:1 start step step pause step" << 1;
        QTest::newRow("stop at zero re-arms")
            << true << true << false << 300 << "d:1 start step d:0" << 2;
        QTest::newRow("overtime keeps it disarmed")
            << true << true << true << 300 << "d:1 start step step d:0" << 1;
        QTest::newRow("Set re-arms") << true << true << true << 300 << "set:0:0 set:0:0" << 2;
        QTest::newRow("preset re-arms") << true << true << true << 300 << "d:0 preset:0 d:0" << 2;
        QTest::newRow("zero again without re-arming")
            << true << true << true << 300 << "d:0 d:0" << 1;
        QTest::newRow("minus minute floors at zero")
            << true << true << true << 300 << "d:30 minus minus" << 1;
        QTest::newRow("disabled") << false << true << true << 300 << "d:1 start step" << 0;
        QTest::newRow("no source") << true << false << true << 300 << "d:1 start step test" << 0;
        QTest::newRow("Test plays while disabled")
            << false << true << true << 300 << "test d:0" << 1;
        QTest::newRow("Test leaves the cue armed")
            << true << true << true << 300 << "test d:0" << 2;
        QTest::newRow("zero at construction") << true << true << true << 0 << "" << 1;
    }

    void cue()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, source);
        QFETCH(bool, overtime);
        QFETCH(int, initial);
        QFETCH(QString, script);
        QFETCH(int, plays);
        QVERIFY(!m_wav.isEmpty());
        Rig rig([&](AppSettings& s, TimerEngine& e) {
            s.soundEnabled = enabled;
            s.soundFilePath = source ? m_wav : QString();
            e.setOvertimeEnabled(overtime);
            e.setDuration(initial);
        });
        SoundCue* cue = rig.window->findChild<SoundCue*>();
        QVERIFY(cue);
        // The constructor's own first tick may already have started the cue.
        int played = cue->isPlaying() ? 1 : 0;
        connect(cue, &SoundCue::started, this, [&] { ++played; });
        for (const QString& step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QStringList p = step.split(QLatin1Char(':'));
            if (p[0] == QLatin1String("d"))
                rig.engine.setDuration(p[1].toInt());
            else if (p[0] == QLatin1String("start"))
                rig.click(QStringLiteral("▶  START"));
            else if (p[0] == QLatin1String("pause"))
                rig.click(QStringLiteral("⏸  PAUSE"));
            else if (p[0] == QLatin1String("reset"))
                rig.click(QStringLiteral("↺  RESET"));
            else if (p[0] == QLatin1String("step"))
                TestSupport::stepEngine(&rig.engine);
            else if (p[0] == QLatin1String("set"))
                rig.setEntry(p[1].toInt(), p[2].toInt());
            else if (p[0] == QLatin1String("preset"))
                rig.clickPreset(p[1].toInt());
            else if (p[0] == QLatin1String("minus"))
                rig.click(QStringLiteral("−1 min"));
            else if (p[0] == QLatin1String("test"))
                rig.click(QStringLiteral("Test"));
            else
                QFAIL(qPrintable(step));
        }
        QCOMPARE(played, plays);
    }

    void setTime_data()
    {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("sec");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("text");
        QTest::newRow("1:30") << 1 << 30 << false << "01:30";
        QTest::newRow("largest") << 999 << 59 << false << "999:59";
        QTest::newRow("zero") << 0 << 0 << false << "00:00";
        QTest::newRow("while running") << 2 << 0 << true << "02:00";
    }

    void setTime()
    {
        QFETCH(int, min);
        QFETCH(int, sec);
        QFETCH(bool, running);
        QFETCH(QString, text);
        Rig rig;
        if (running)
            rig.engine.start();
        QSignalSpy stopped(&rig.engine, &TimerEngine::stateChanged);
        rig.setEntry(min, sec);
        QCOMPARE(rig.engine.remaining(), min * 60 + sec);
        QVERIFY(!rig.engine.isRunning());
        QCOMPARE(stopped.size(), running ? 1 : 0);
        QCOMPARE(rig.preview()->text(), text);
        // The output's progress scale is the new duration: the bar is full
        // (empty for a zero duration).
        QProgressBar* bar = rig.outputProgress();
        QCOMPARE(bar->value(), min + sec > 0 ? bar->maximum() : bar->minimum());
        rig.engine.start();
        TestSupport::stepEngine(&rig.engine);
        // One second later the bar shows the share left of the new duration.
        const int s = min * 60 + sec;
        QCOMPARE(bar->value(), qRound(std::max(s - 1, 0) * 1000.0 / std::max(s, 1)));
    }

    // One click applies a preset: duration, entry, output scale; a running
    // count stops.
    void endsAt_data()
    {
        QTest::addColumn<bool>("h24");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("caption");
        QTest::newRow("24 h") << true << "09:15"
                              << "until 14:30";
        QTest::newRow("12 h") << false << "9:15 AM"
                              << "until 2:30 PM";
    }

    // "Ends at" counts down to a time of day from a count-up, the progress
    // bar running from the moment it was set; the time is kept for the next
    // run; a preset goes back to a plain count.
    void endsAt()
    {
        QFETCH(bool, h24);
        QFETCH(QString, entry);
        QFETCH(QString, caption);
        QDateTime now(QDate(2027, 6, 10), QTime(14, 0));
        Rig rig([&](AppSettings& s, TimerEngine& e) {
            s.clock24hr = h24;
            s.targetTime = QStringLiteral("09:15");
            e.setClock([&now] { return now; });
        });
        auto* edit = rig.window->findChild<QTimeEdit*>();
        QCOMPARE(edit->text(), entry);
        rig.click(QStringLiteral("▲  Count Up"));
        edit->setTime(QTime(14, 30));
        QTest::mouseClick(rig.window->findChild<QPushButton*>(QStringLiteral("setTargetBtn")),
                          Qt::LeftButton);
        QVERIFY(rig.engine.hasTarget());
        QVERIFY(rig.button(QStringLiteral("▼  Countdown"))->isChecked());
        QCOMPARE(rig.preview()->text(), QStringLiteral("30:00"));
        auto* shown = rig.output->findChild<QLabel*>(QStringLiteral("targetCaption"));
        QVERIFY(shown->isVisibleTo(rig.output.get()));
        QCOMPARE(shown->text(), caption);
        AppSettings stored;
        loadSettings(stored);
        QCOMPARE(stored.targetTime, QStringLiteral("14:30"));

        rig.click(QStringLiteral("▶  START"));
        now = now.addSecs(20 * 60);
        TestSupport::stepEngine(&rig.engine);
        QCOMPARE(rig.preview()->text(), QStringLiteral("10:00"));
        QCOMPARE(rig.outputProgress()->value(), 333);

        rig.clickPreset(0);
        QVERIFY(!rig.engine.hasTarget());
        QVERIFY(!shown->isVisibleTo(rig.output.get()));
    }

    void presetClick()
    {
        Rig rig([](AppSettings& s, TimerEngine&) { s.presets = {300, 90, 60005}; });
        rig.engine.start();
        QSignalSpy state(&rig.engine, &TimerEngine::stateChanged);
        rig.clickPreset(1);
        QCOMPARE(rig.engine.remaining(), 90);
        QVERIFY(!rig.engine.isRunning());
        QCOMPARE(state.size(), 1);
        QCOMPARE(rig.spin(QStringLiteral(" min"))->value(), 1);
        QCOMPARE(rig.spin(QStringLiteral(" sec"))->value(), 30);
        QCOMPARE(rig.preview()->text(), QStringLiteral("01:30"));
        QCOMPARE(rig.outputProgress()->value(), rig.outputProgress()->maximum());
        // Too long for the entry: the engine takes it, the entry clamps.
        rig.clickPreset(2);
        QCOMPARE(rig.engine.remaining(), 60005);
        QCOMPARE(rig.spin(QStringLiteral(" min"))->value(), 999);
        QCOMPARE(rig.spin(QStringLiteral(" sec"))->value(), 5);
        QVERIFY(!QFile::exists(TestSupport::storeFilePath()));
    }

    void plusMinusMinute_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("expected");
        QTest::newRow("plus") << 90 << "+1 min" << 150;
        QTest::newRow("minus") << 90 << "−1 min" << 30;
        QTest::newRow("minus floors at zero") << 30 << "−1 min" << 0;
        QTest::newRow("plus in overtime") << -20 << "+1 min" << 40;
    }

    void plusMinusMinute()
    {
        QFETCH(int, start);
        QFETCH(QString, press);
        QFETCH(int, expected);
        Rig rig;
        rig.engine.setDuration(start);
        rig.engine.start();
        rig.click(press);
        QCOMPARE(rig.engine.remaining(), expected);
        QVERIFY(rig.engine.isRunning());
        QCOMPARE(rig.preview()->text(), countText(expected));
        // The entry is left as it was.
        QCOMPARE(rig.spin(QStringLiteral(" min"))->value(), 5);
    }

    void countDirection_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<bool>("up");
        QTest::newRow("up") << QStringList{"▲  Count Up"} << true;
        QTest::newRow("up twice stays up") << QStringList{"▲  Count Up", "▲  Count Up"} << true;
        QTest::newRow("back down") << QStringList{"▲  Count Up", "▼  Countdown"} << false;
        QTest::newRow("down again stays down") << QStringList{"▼  Countdown"} << false;
    }

    void countDirection()
    {
        QFETCH(QStringList, clicks);
        QFETCH(bool, up);
        Rig rig;
        for (const QString& c : clicks)
            rig.click(c);
        QCOMPARE(rig.engine.isCountUp(), up);
        QCOMPARE(rig.button(QStringLiteral("▲  Count Up"))->isChecked(), up);
        QCOMPARE(rig.button(QStringLiteral("▼  Countdown"))->isChecked(), !up);
        TestSupport::stepEngine(&rig.engine);
        QCOMPARE(rig.engine.remaining(), up ? 301 : 299);

        // The direction reaches the audience too: at 00:00 a countdown's
        // readout blinks (every 500 ms), a count-up's never does.
        QVERIFY(rig.settings.blinkEnabled);
        rig.engine.setDuration(0);
        QLabel* readout = rig.outputReadout(QStringLiteral("00:00"));
        QVERIFY(readout);
        StyleChanges blinks;
        readout->installEventFilter(&blinks);
        if (up) {
            QTest::qWait(1300);
            QCOMPARE(blinks.count, 0);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(blinks.count > 0, 3000);
        }
    }

    void views_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("checkedIndex");
        QTest::addColumn<bool>("timerShown");
        QTest::addColumn<bool>("clockShown");
        QTest::newRow("timer") << "⏱  Timer" << 0 << true << false;
        QTest::newRow("clock") << "🕐  Clock" << 1 << false << true;
        QTest::newRow("both") << "⊞  Both" << 2 << true << true;
    }

    void views()
    {
        QFETCH(QString, press);
        QFETCH(int, checkedIndex);
        QFETCH(bool, timerShown);
        QFETCH(bool, clockShown);
        Rig rig;
        const QStringList trio = {"⏱  Timer", "🕐  Clock", "⊞  Both"};
        // From a different view first, so the press has something to change.
        rig.click(trio[(checkedIndex + 1) % 3]);
        rig.click(press);
        rig.click(press); // pressing the checked one keeps it checked
        for (int i = 0; i < 3; ++i)
            QCOMPARE(rig.button(trio[i])->isChecked(), i == checkedIndex);
        QList<QLabel*> readouts;
        for (auto* l : rig.output->findChildren<QLabel*>())
            if (l->parentWidget() != rig.output.get() &&
                l->objectName() != QLatin1String("targetCaption"))
                readouts << l;
        QCOMPARE(readouts.size(), 2);
        QCOMPARE(!readouts[0]->isHidden(), timerShown);
        QCOMPARE(!readouts[1]->isHidden(), clockShown);

        // A view number the output does not know clears the trio and leaves
        // the output as it is.
        QVERIFY(QMetaObject::invokeMethod(rig.window.get(), "onViewChanged", Q_ARG(int, 5)));
        for (int i = 0; i < 3; ++i)
            QVERIFY(!rig.button(trio[i])->isChecked());
        QCOMPARE(!readouts[0]->isHidden(), timerShown);
        QCOMPARE(!readouts[1]->isHidden(), clockShown);
    }

    void pushAndClear_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byReturn");
        QTest::addColumn<QString>("shown");
        QTest::newRow("trimmed") << "   Five minutes  " << false << "Five minutes";
        QTest::newRow("by Return") << "Wrap up" << true << "Wrap up";
        QTest::newRow("blank pushes nothing") << "    " << false << "Earlier";
        QTest::newRow("empty pushes nothing") << "" << true << "Earlier";
    }

    void pushAndClear()
    {
        QFETCH(QString, typed);
        QFETCH(bool, byReturn);
        QFETCH(QString, shown);
        Rig rig;
        rig.messageEdit()->setText(QStringLiteral("Earlier"));
        rig.click(QStringLiteral("Push"));
        rig.messageEdit()->setText(typed);
        if (byReturn)
            QTest::keyClick(rig.messageEdit(), Qt::Key_Return);
        else
            rig.click(QStringLiteral("Push"));
        QCOMPARE(rig.outputMessage()->text(), shown);
        QCOMPARE(rig.messageEdit()->text(), typed);

        rig.click(QStringLiteral("Clear"));
        QCOMPARE(rig.outputMessage()->text(), QString());
        QCOMPARE(rig.messageEdit()->text(), QString());
    }

    // One physical press of Space, one start or pause; a held key's repeats
    // change nothing.
    void space_data()
    {
        QTest::addColumn<QString>("presses"); // p = press, r = auto-repeated press
        QTest::addColumn<bool>("running");
        QTest::newRow("starts") << "p" << true;
        QTest::newRow("pauses again") << "pp" << false;
        QTest::newRow("starts again") << "ppp" << true;
        QTest::newRow("held: repeats ignored") << "prrrr" << true;
        QTest::newRow("held then pressed again") << "prrrp" << false;
        QTest::newRow("repeat alone does nothing") << "rr" << false;
    }

    void space()
    {
        QFETCH(QString, presses);
        QFETCH(bool, running);
        Rig rig;
        QSignalSpy state(&rig.engine, &TimerEngine::stateChanged);
        for (int i = 0; i < presses.size(); ++i) {
            const bool repeat = presses[i] == QLatin1Char('r');
            if (!repeat && i > 0)
                rig.releaseSpace();
            rig.space(repeat);
        }
        rig.releaseSpace();
        QCOMPARE(rig.engine.isRunning(), running);
        QCOMPARE(state.size(), int(presses.count(QLatin1Char('p'))));
    }

    void startPauseEnabled()
    {
        Rig rig([](AppSettings&, TimerEngine& e) {
            e.setOvertimeEnabled(false);
            e.setDuration(2);
        });
        QPushButton* start = rig.button(QStringLiteral("▶  START"));
        QPushButton* pause = rig.button(QStringLiteral("⏸  PAUSE"));
        QVERIFY(start->isEnabled() && pause->isEnabled());
        rig.click(QStringLiteral("▶  START"));
        QVERIFY(!start->isEnabled() && pause->isEnabled());
        rig.click(QStringLiteral("⏸  PAUSE"));
        QVERIFY(start->isEnabled() && !pause->isEnabled());
        rig.space();
        QVERIFY(!start->isEnabled() && pause->isEnabled());
        // The engine stopping by itself at zero.
        TestSupport::stepEngine(&rig.engine, 2);
        QVERIFY(!rig.engine.isRunning());
        QVERIFY(start->isEnabled() && !pause->isEnabled());
    }

    // The caption always tells what the output window really does, however it
    // was shown or hidden.
    void toggleCaption_data()
    {
        QTest::addColumn<QString>("actions");
        QTest::addColumn<bool>("visible");
        QTest::newRow("toggle shows") << "toggle" << true;
        QTest::newRow("toggle twice hides") << "toggle toggle" << false;
        QTest::newRow("closed by its own close button") << "toggle close" << false;
        QTest::newRow("hidden directly") << "toggle hide" << false;
        QTest::newRow("shown directly") << "show" << true;
        QTest::newRow("toggle after close shows again") << "toggle close toggle" << true;
    }

    void toggleCaption()
    {
        QFETCH(QString, actions);
        QFETCH(bool, visible);
        Rig rig;
        QPushButton* toggle =
            rig.window->findChild<QPushButton*>(QStringLiteral("outputToggleBtn"));
        QCOMPARE(toggle->text(), kShow);
        for (const QString& a : actions.split(QLatin1Char(' '))) {
            if (a == QLatin1String("toggle"))
                QTest::mouseClick(toggle, Qt::LeftButton);
            else if (a == QLatin1String("close"))
                rig.output->close();
            else if (a == QLatin1String("hide"))
                rig.output->hide();
            else if (a == QLatin1String("show"))
                rig.output->show();
        }
        QCOMPARE(rig.output->isVisible(), visible);
        QCOMPARE(toggle->text(), visible ? kHide : kShow);
    }

    void closingClosesOutput()
    {
        Rig rig;
        rig.click(kShow);
        QVERIFY(rig.output->isVisible());
        QVERIFY(rig.window->close());
        QVERIFY(!rig.output->isVisible());
    }

    void soundEnable()
    {
        Rig rig;
        rig.soundCheck()->click();
        QVERIFY(rig.settings.soundEnabled);
        AppSettings stored;
        loadSettings(stored);
        QVERIFY(stored.soundEnabled);
        rig.soundCheck()->click();
        loadSettings(stored);
        QVERIFY(!stored.soundEnabled);
    }

    void browse_data()
    {
        QTest::addColumn<bool>("choose");
        QTest::newRow("chosen") << true;
        QTest::newRow("cancelled") << false;
    }

    void browse()
    {
        QFETCH(bool, choose);
        Rig rig;
        const QString chosen = writeWav(m_dir.filePath(QStringLiteral("<i>gong<i>.wav")));
        QVERIFY(!chosen.isEmpty());
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen = dialog->windowTitle() == QLatin1String("Select Sound File");
            if (choose) {
                dialog->selectFile(chosen);
                static_cast<QDialog*>(dialog)->accept();
            } else {
                dialog->reject();
            }
        });
        rig.click(QStringLiteral("Browse…"));
        QVERIFY(seen);
        AppSettings stored;
        loadSettings(stored);
        QCOMPARE(stored.soundFilePath, choose ? chosen : QString());
        QCOMPARE(rig.settings.soundFilePath, choose ? chosen : QString());
        QVERIFY(rig.labelShowing(choose ? QStringLiteral("<i>gong<i>.wav")
                                        : QStringLiteral("No file selected")));
        QVERIFY(!rig.soundCheck()->isChecked());
        // Test plays the chosen file; with none chosen it has nothing to play.
        rig.click(QStringLiteral("Test"));
        QCOMPARE(rig.player()->source(), choose ? QUrl::fromLocalFile(chosen) : QUrl());
    }
};

VELLMARK_TEST_MAIN(TestControlWindow)
#include "tst_controlwindow.moc"
