// SPDX-License-Identifier: GPL-3.0-or-later
// The control window as the operator uses it: what each control does to the
// count, the output window and the saved record, and the dialogs it opens.
#include "control/soundcue.h"
#include "controlrun.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QMediaPlayer>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimeEdit>

namespace {

const QString kShow = QStringLiteral("▶  Show Output Window");
const QString kHide = QStringLiteral("■  Hide Output Window");

} // namespace

class TestControlWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    // A short, valid WAV file: the player must accept the cue's source.
    QString wav(const QString& name)
    {
        QList<qint16> samples;
        for (int i = 0; i < 800; ++i)
            samples << qint16((i / 10) % 2 ? 8000 : -8000);
        const QString path = m_dir.filePath(name);
        return TestSupport::writeWav(path, 8000, samples) ? path : QString();
    }

  private slots:
    void init() { TestSupport::clearStore(); }

    // The theme's fills reach the buttons inside the scrolling panel; buttons
    // of fixed size keep it under the theme and show their whole caption; the
    // arrows of the three steppers fit their 32 px strips.
    void buttonsLook()
    {
        ControlRun run;
        // Each caption with the fill it must show.
        const QStringList fills =
            QStringLiteral("▶  START #1a5c1a|⏸  PAUSE #5c4a00|↺  RESET #5c1a1a|"
                           "▼  Countdown #1a5c2a|▲  Count Up #2b2b2b|"
                           "Push #2b2b2b|Clear #2b2b2b|Browse… #2b2b2b|"
                           "Test #2b2b2b")
                .split('|');
        for (const QString& f : fills) {
            const QImage img = run.button(f.section(' ', 0, -2))->grab().toImage();
            QCOMPARE(img.pixelColor(4, img.height() / 2).name(), f.section(' ', -1));
        }
        QCOMPARE(run.button("+1 min")->height(), 30);
        QCOMPARE(run.button("−1 min")->height(), 30);
        QCOMPARE(run.button("settingsBtn")->size(), QSize(36, 36));
        QVERIFY(QTest::qWaitForWindowExposed(&run.control()));
        for (auto* b : run.control().findChildren<QPushButton*>())
            QVERIFY2(!b->isVisible() ||
                         b->fontMetrics().horizontalAdvance(b->text()) <= b->contentsRect().width(),
                     qPrintable(b->text()));
        QCOMPARE(run.arrows().size(), 6);
        for (auto* b : run.arrows())
            QVERIFY(b->isVisible() && b->size() == QSize(28, 32) &&
                    b->parentWidget()->height() == 32 &&
                    b->parentWidget()->rect().contains(b->geometry()));
    }

    // At its smallest (480 × 420, no status bar) the window keeps the preview
    // and the output toggle in view and scrolls only the panel between them,
    // vertically.
    void smallestWindow()
    {
        ControlRun run;
        run.control().resize(100, 100);
        QCOMPARE(run.control().size(), QSize(480, 420));
        const auto* statusBar = run.control().findChild<QStatusBar*>();
        QVERIFY(!statusBar || !statusBar->isVisible());
        auto* scroll = run.control().findChild<QScrollArea*>();
        QTRY_VERIFY(scroll->verticalScrollBar()->isVisible());
        QVERIFY(!scroll->horizontalScrollBar()->isVisible());
        for (QWidget* w : QList<QWidget*>{run.preview(), run.button("outputToggleBtn")})
            QVERIFY(run.control().rect().contains(
                QRect(w->mapTo(&run.control(), QPoint()), w->size())));
    }

    // What the operator's controls do to the count, the audience's window and
    // the zero cue, as scripts: `setup` before the windows exist, `actions`
    // one after another, then `expect`, each word read as operate() reads it.
    void operate_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("expect");
        const auto row = [](const char* name, const char* setup, const char* actions,
                            const char* expect) {
            QTest::newRow(name) << setup << actions << expect;
        };
        // The preview: the count in its colour (normal, warning or critical), from
        // the first reading on.
        row("preview 61", "d:61", "", "preview=01:01 colour=#00cc00");
        row("preview 60, the threshold", "d:60", "", "preview=01:00 colour=#ff8800");
        row("preview 1", "d:300", "d:1", "preview=00:01 colour=#ff8800");
        row("preview 0", "d:300", "d:0", "preview=00:00 colour=#ff2200");
        row("preview -75", "d:1", "run step:76", "preview=-01:15 colour=#ff2200");
        row("preview 6000", "d:300", "d:6000", "preview=100:00 colour=#00cc00");
        row("preview 30 up", "", "up d:30", "preview=00:30 colour=#00cc00");
        row("preview 0 up", "", "up d:0", "preview=00:00 colour=#00cc00");
        // A preset click applies it like Set, clamped in the entry; nothing is saved.
        row("entry from the record", "default:125", "", "entry=2:5 strip=5_min,1:30,1000:05");
        row("preset stops a count", "", "run preset:1",
            "remaining=90 states=2 entry=1:30 preview=01:30 progress=1000");
        row("preset beyond the entry", "", "preset:2", "remaining=60005 entry=999:5 saved=0");
        // The steppers' arrows: the minutes' ◀ and ▶.
        row("stepper ◀", "", "arrow:0", "entry=4:0");
        row("stepper ▶", "", "arrow:1", "entry=6:0");
        // "Ends at" counts down to a time of day (shown in the clock's 12- or
        // 24-hour form), even from a count-up, the progress running from the
        // moment it was set; the time is kept for the next run; a preset goes
        // back to a plain count. The wall clock stands at 14:00.
        row("ends at, 24 h", "stored:09:15", "", "ends=09:15");
        row("ends at, 12 h", "h12 stored:09:15", "", "ends=9:15_AM");
        row("ends at 14:30", "", "up target:14:30",
            "direction=down preview=30:00 ends=14:30 caption=until_14:30 stored=14:30");
        row("ends at 2:30 PM", "h12", "target:14:30", "caption=until_2:30_PM");
        row("ends at, 20 min on", "", "target:14:30 start later:1200 step",
            "preview=10:00 progress=333");
        row("preset after ends at", "", "target:14:30 preset:0", "remaining=300 caption=");
        // Set: a new duration, stopped there, the output's scale following.
        row("Set 1:30", "", "set:1:30", "remaining=90 states=0 preview=01:30 progress=1000");
        row("Set, one second on", "", "set:1:30 run step", "remaining=89 progress=989");
        row("Set largest", "", "set:999:59", "remaining=59999 preview=999:59 progress=1000");
        row("Set zero", "", "set:0:0", "remaining=0 preview=00:00 progress=0");
        row("Set zero, one second on", "", "set:0:0 run step", "progress=0");
        row("Set stops a count", "", "run set:2:0", "remaining=120 running=0 states=2");
        // The minute buttons move a running count and leave the entry alone.
        row("+1 min", "d:90", "run plus", "remaining=150 running=1 preview=02:30 entry=5:0");
        row("−1 min", "d:90", "run minus", "remaining=30 running=1 entry=5:0");
        row("−1 min floors at zero", "d:30", "run minus", "remaining=0 running=1");
        row("+1 min in overtime", "d:1", "run step:21 plus", "remaining=40 preview=00:40");
        // The direction pair, and the readout: at 00:00 a countdown's blinks.
        row("count up", "", "up step", "remaining=301 direction=up blink=0");
        row("up twice stays up", "", "up up", "direction=up");
        row("back down", "", "up down step", "remaining=299 direction=down blink=1");
        row("down stays down", "", "down", "direction=down");
        // The view trio; a view the output does not know clears the trio and
        // leaves the output as it is.
        row("timer view", "", "clock timer timer", "view=timer shown=10");
        row("clock view", "", "both clock clock", "view=clock shown=01");
        row("both views", "", "timer both both", "view=both shown=11");
        row("unknown view", "", "clock view:5", "view= shown=01");
        // The message: trimmed, by Push or Return; a blank one pushes nothing.
        row("push trimmed", "", "type:Earlier push type:__Five_minutes_ push",
            "message=Five_minutes edit=__Five_minutes_");
        row("push by Return", "", "type:Wrap_up return", "message=Wrap_up");
        row("blank pushes nothing", "", "type:Earlier push type:___ push", "message=Earlier");
        row("empty pushes nothing", "", "type:Earlier push type: return", "message=Earlier");
        row("clear", "", "type:Earlier push type:__ clear", "message= edit=");
        // Space: one physical press, one start or pause, wherever the focus
        // sits except in the message field; a held key's repeats do nothing.
        // START and PAUSE are enabled to match, also when zero stops the count.
        row("Space starts", "", "sp", "running=1 states=1 enabled=01");
        row("Space pauses", "", "sp sp", "running=0 states=2 enabled=10");
        row("Space held", "", "sp rep rep rep", "running=1 states=1");
        row("Space held, pressed again", "", "sp rep rep sp", "running=0 states=2");
        row("repeat alone", "", "rep rep", "running=0 states=0");
        row("START clicked", "", "activate start step:3 sp sp", "running=1 states=3 remaining=297");
        row("RESET focused", "", "run step focus:reset sp", "running=0 remaining=299");
        row("typing", "", "sp focus:message sp", "running=1 states=1 edit=_");
        row("stopped at zero", "noovertime d:2", "sp step:2", "running=0 enabled=10");
        // The toggle's caption tells what the output does, however it was
        // shown or hidden; closing the control window closes the output.
        row("toggle shows", "", "hide toggle", "visible=1");
        row("toggle hides", "", "hide toggle toggle", "visible=0");
        row("closed by its own button", "", "hide toggle close", "visible=0");
        row("toggle after close", "", "close toggle", "visible=1");
        row("shown directly", "", "hide show", "visible=1");
        row("shown by a remote caller", "", "hide remote", "visible=1");
        row("control window closed", "", "quit", "visible=0");
        // The zero cue: once per arming; a stop, Set or a preset arms it again;
        // only with the cue on and a file; Test plays it whatever the box says.
        row("cue once at zero", "cue", "d:2 run step:4", "plays=1");
        row("pause re-arms", "cue", "d:1 run step:2 pause reset run step", "plays=2");
        row("pause alone", "cue", "d:1 run step:2 pause step", "plays=1");
        row("stop at zero re-arms", "cue noovertime", "d:1 run step d:0", "plays=2");
        row("overtime keeps it disarmed", "cue", "d:1 run step:2 d:0", "plays=1");
        row("Set re-arms", "cue", "set:0:0 set:0:0", "plays=2");
        row("preset re-arms", "cue", "d:0 preset:0 d:0", "plays=2");
        row("zero twice", "cue", "d:0 d:0", "plays=1");
        row("minus to zero", "cue", "d:30 minus minus", "plays=1");
        row("cue off", "file", "d:1 run step", "plays=0");
        row("no file", "enabled", "d:1 run step test", "plays=0");
        row("Test while off", "file", "test d:0", "plays=1");
        row("Test leaves it armed", "cue", "test d:0", "plays=2");
        row("zero at start-up", "cue d:0", "", "plays=1");
    }

    void operate()
    {
        QFETCH(QString, setup);
        QFETCH(QString, actions);
        QFETCH(QString, expect);
        const QString file = wav(QStringLiteral("cue.wav"));
        QDateTime now(QDate(2027, 6, 10), QTime(14, 0));
        ControlRun run([&](AppSettings& s, TimerEngine& e) {
            e.setClock([&now] { return now; });
            s.warningThreshold = 60;
            s.presets = {300, 90, 60005};
            for (const QString& w : setup.split(' ', Qt::SkipEmptyParts)) {
                s.soundEnabled |= w == "cue" || w == "enabled";
                if (w == "cue" || w == "file")
                    s.soundFilePath = file;
                if (w == "noovertime")
                    e.setOvertimeEnabled(false);
                if (w.startsWith("d:"))
                    e.setDuration(w.mid(2).toInt());
                s.clock24hr &= w != "h12";
                if (w.startsWith("stored:"))
                    s.targetTime = w.mid(7);
                if (w.startsWith("default:"))
                    s.defaultDuration = w.mid(8).toInt();
            }
        });
        SoundCue* cue = run.control().findChild<SoundCue*>();
        int plays = cue->isPlaying() ? 1 : 0; // the first reading may have played it
        connect(cue, &SoundCue::started, this, [&] { ++plays; });
        QSignalSpy states(&run.engine, &TimerEngine::stateChanged);
        auto* edit = run.control().findChild<QTimeEdit*>();
        auto* caption = run.output().findChild<QLabel*>(QStringLiteral("targetCaption"));
        QPushButton* start = run.button("▶  START");
        QPushButton* pause = run.button("⏸  PAUSE");
        const QHash<QString, QString> names = {
            {"start", "▶  START"}, {"pause", "⏸  PAUSE"},  {"reset", "↺  RESET"},
            {"plus", "+1 min"},    {"minus", "−1 min"},      {"test", "Test"},
            {"push", "Push"},      {"clear", "Clear"},       {"toggle", "outputToggleBtn"},
            {"up", "▲  Count Up"}, {"down", "▼  Countdown"}, {"timer", "⏱  Timer"},
            {"clock", "🕐  Clock"}, {"both", "⊞  Both"}};
        QString arg; // what follows the action's name and ':', '_' for a space
        int n = 0;   // its first number
        const QHash<QString, std::function<void()>> act = {
            {"d", [&] { run.engine.setDuration(n); }},
            {"run", [&] { run.engine.start(); }},
            {"step", [&] { TestSupport::stepEngine(&run.engine, arg.isEmpty() ? 1 : n); }},
            {"set", [&] { run.setEntry(n, arg.section(':', 1).toInt()); }},
            {"arrow", [&] { run.click(run.arrows().at(n)); }},
            {"preset", [&] { run.clickPreset(n); }},
            {"target",
             [&] {
                 edit->setTime(QTime::fromString(arg, "H:mm"));
                 run.click("setTargetBtn");
             }},
            {"later", [&] { now = now.addSecs(n); }},
            // A release alone makes the window active; a press lets the last one go.
            {"activate", [&] { run.space(false, true); }},
            {"sp",
             [&] {
                 run.space(false, true);
                 run.space();
             }},
            {"rep", [&] { run.space(true); }},
            {"focus",
             [&] {
                 (arg == "message" ? static_cast<QWidget*>(run.messageEdit())
                                   : run.button(names[arg]))
                     ->setFocus();
             }},
            {"type", [&] { run.messageEdit()->setText(arg); }},
            {"return", [&] { QTest::keyClick(run.messageEdit(), Qt::Key_Return); }},
            {"view",
             [&] { QMetaObject::invokeMethod(&run.control(), "onViewChanged", Q_ARG(int, n)); }},
            {"hide", [&] { run.output().hide(); }},
            {"close", [&] { run.output().close(); }},
            {"show", [&] { run.output().show(); }},
            {"remote", [&] { run.windows->showController().showOutput(); }},
            {"quit", [&] { run.control().close(); }}};
        for (const QString& a : actions.split(' ', Qt::SkipEmptyParts)) {
            const QString name = a.section(':', 0, 0);
            arg = a.section(':', 1).replace('_', ' ');
            n = arg.section(':', 0, 0).toInt();
            QVERIFY2(names.contains(a) || act.contains(name), qPrintable(a));
            names.contains(a) ? run.click(names[a]) : act[name]();
        }
        run.space(false, true);
        const auto number = [](auto v) { return QString::number(v); };
        const auto checked = [&](const char* keys) {
            QStringList group = QString::fromLatin1(keys).split(' ');
            group.removeIf([&](const QString& k) { return !run.button(names[k])->isChecked(); });
            return group.join(QString());
        };
        const QHash<QString, std::function<QString()>> read = {
            {"remaining", [&] { return number(run.engine.remaining()); }},
            {"running", [&] { return number(run.engine.isRunning()); }},
            {"states", [&] { return number(states.size()); }},
            {"plays", [&] { return number(plays); }},
            {"preview", [&] { return run.preview()->text(); }},
            {"colour", [&] { return run.preview()->palette().color(QPalette::WindowText).name(); }},
            {"progress", [&] { return number(run.outputProgress()->value()); }},
            {"entry",
             [&] {
                 return number(run.spin(" min")->value()) + ':' + number(run.spin(" sec")->value());
             }},
            {"strip", [&] { return run.strip(Qt::DisplayRole); }},
            {"saved", [&] { return number(QFile::exists(TestSupport::storeFilePath())); }},
            {"enabled", [&] { return number(start->isEnabled()) + number(pause->isEnabled()); }},
            {"edit", [&] { return run.messageEdit()->text(); }},
            {"ends", [&] { return edit->text(); }},
            {"caption", [&] { return caption->isVisibleTo(&run.output()) ? caption->text() : ""; }},
            {"stored", [&] { return TestSupport::storedSettings().targetTime; }},
            {"message", [&] { return run.outputMessage()->text(); }},
            {"direction", [&] { return checked("up down"); }},
            {"view", [&] { return checked("timer clock both"); }},
            {"shown",
             [&] {
                 QString shown;
                 for (QLabel* l : run.outputReadouts())
                     shown += number(!l->isHidden());
                 return shown;
             }},
            // What the audience sees and the toggle's caption agree.
            {"visible",
             [&] {
                 const bool on = run.output().isVisible();
                 return number(on) + (run.button(names["toggle"])->text() == (on ? kHide : kShow)
                                          ? ""
                                          : " but the caption differs");
             }},
            // At 00:00 the readout blinks: restyled on each phase.
            {"blink", [&] {
                 run.engine.setDuration(0);
                 QLabel* readout = run.outputReadouts().at(0);
                 const QString sheet = readout->styleSheet();
                 return number(
                     QTest::qWaitFor([&] { return readout->styleSheet() != sheet; }, 1300));
             }}};
        for (const QString& e : expect.split(' ', Qt::SkipEmptyParts)) {
            const QString key = e.section('=', 0, 0);
            QVERIFY2(read.contains(key), qPrintable(key));
            QCOMPARE(key + '=' + read[key](), key + '=' + e.section('=', 1).replace('_', ' '));
        }
    }

    void soundFile_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("choose");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const char* before, const char* choose,
                            const char* shown) {
            QTest::newRow(name) << before << choose << shown;
        };
        row("none, cancelled", "", "", "No file selected");
        row("kept, cancelled", "/home/op/<b>cue<b>.wav", "", "<b>cue<b>.wav");
        row("chosen", "", "<i>gong<i>.wav", "<i>gong<i>.wav");
    }

    // The cue's file is chosen through a file dialog and saved; its name is
    // shown as named, never as markup; Test plays it; the enable box is saved.
    void soundFile()
    {
        QFETCH(QString, before);
        QFETCH(QString, choose);
        QFETCH(QString, shown);
        const QString chosen = choose.isEmpty() ? QString() : wav(choose);
        const QString expected = chosen.isEmpty() ? before : chosen;
        ControlRun run([&](AppSettings& s, TimerEngine&) { s.soundFilePath = before; });
        bool seen = false;
        TestSupport::whenModal<QFileDialog>([&](QFileDialog* dialog) {
            seen = dialog->windowTitle() == QLatin1String("Select Sound File");
            if (chosen.isEmpty())
                return dialog->reject();
            dialog->selectFile(chosen);
            static_cast<QDialog*>(dialog)->accept(); // public there
        });
        run.click("Browse…");
        QVERIFY(seen);
        QCOMPARE(TestSupport::storedSettings().soundFilePath, chosen);
        QCOMPARE(run.settings.soundFilePath, expected);
        QLabel* label = run.labelShowing(&run.control(), shown);
        QVERIFY(label);
        QVERIFY(label->sizeHint().width() >= label->fontMetrics().horizontalAdvance(shown));
        run.click("Test");
        QMediaPlayer* player = nullptr;
        QVERIFY(
            QTest::qWaitFor([&] { return (player = run.control().findChild<QMediaPlayer*>()); }));
        QCOMPARE(player->source(), expected.isEmpty() ? QUrl() : QUrl::fromLocalFile(expected));

        auto* check = run.control().findChild<QCheckBox*>();
        QVERIFY(!check->isChecked());
        for (bool on : {true, false}) {
            check->click();
            QCOMPARE(TestSupport::storedSettings().soundEnabled, on);
        }
    }

    void dialogs_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("className");
        QTest::newRow("settings") << "settingsBtn"
                                  << "SettingsDialog";
        QTest::newRow("about") << "appTitle"
                               << "AboutDialog";
    }

    // Each opening builds a new dialog, modal over the control window, gone
    // once closed; the engine's real timer reaches both windows meanwhile.
    void dialogs()
    {
        QFETCH(QString, opener);
        QFETCH(QString, className);
        ControlRun run;
        run.engine.setDuration(37);
        QLabel* readout = run.labelShowing(&run.output(), QStringLiteral("00:37"));
        QVERIFY(readout);
        for (int opening = 0; opening < 2; ++opening) {
            if (opening == 1)
                run.engine.start();
            QString seen;
            TestSupport::whenModal<QDialog>([&](QDialog* d) {
                const bool over = d->parentWidget() == &run.control() &&
                                  d->windowModality() == Qt::ApplicationModal;
                seen = d->metaObject()->className() + QString(over ? " over" : " elsewhere");
                if (opening == 1)
                    QTRY_VERIFY_WITH_TIMEOUT(run.preview()->text() == "00:35" &&
                                                 readout->text() == "00:35" && d->isVisible(),
                                             4000);
                d->reject();
            });
            run.click(opener);
            QCOMPARE(seen, className + " over");
            QVERIFY(!QApplication::activeModalWidget());
            QCOMPARE(run.control().findChildren<QDialog*>().size(), 0);
        }
        run.engine.pause();
    }

    void settings_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }

    // OK refills the strip and the entry, switches overtime (a count already
    // below zero stops at its next step) and restyles the output, but leaves
    // the count where it is; Cancel changes nothing, not even the strip's items.
    void settings()
    {
        QFETCH(bool, accept);
        ControlRun run;
        run.spin(" min")->setValue(7);
        QList<QListWidgetItem*> items;
        for (int i = 0; i < run.strip()->count(); ++i)
            items << run.strip()->item(i);
        const QColor outputBefore = run.output().grab().toImage().pixelColor(2, 2);
        run.engine.setDuration(1);
        run.engine.start();
        TestSupport::stepEngine(&run.engine, 3);
        TestSupport::whenModal<QDialog>([&](QDialog* d) {
            auto* tabs = d->findChild<QTabWidget*>();
            QWidget* timerPage = tabs->widget(3);
            const auto spins = timerPage->findChildren<QSpinBox*>();
            QHash<QString, QPushButton*> buttons;
            for (auto* b : timerPage->findChildren<QPushButton*>())
                buttons[b->text()] = b;
            timerPage->findChild<QListWidget*>()->clear();
            for (int s : {45, 3600}) {
                spins[3]->setValue(s / 60); // preset minutes, then seconds
                spins[4]->setValue(s % 60);
                buttons["Add"]->click();
            }
            spins[0]->setValue(10); // default duration 10 min 0 sec
            spins[1]->setValue(0);
            timerPage->findChildren<QCheckBox*>()[0]->setChecked(false); // overtime
            TestSupport::whenModal<QColorDialog>([](QColorDialog* cd) {
                cd->setCurrentColor(QColor("#203040"));
                cd->accept();
            });
            tabs->widget(1)->findChildren<QPushButton*>().first()->click(); // background
            d->findChild<QDialogButtonBox*>()
                ->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
                ->click();
        });
        run.click("settingsBtn");
        QCOMPARE(run.engine.remaining(), -2);
        QVERIFY(run.engine.isRunning());
        QCOMPARE(run.output().grab().toImage().pixelColor(2, 2),
                 accept ? QColor("#203040") : outputBefore);
        if (accept) {
            QCOMPARE(run.strip(Qt::DisplayRole), "0:45,60 min");
            QCOMPARE(run.strip(Qt::UserRole), "45,3600");
        } else {
            QCOMPARE(run.strip()->findItems("*", Qt::MatchWildcard), items);
        }
        QCOMPARE(run.spin(" min")->value(), accept ? 10 : 7);
        QSignalSpy state(&run.engine, &TimerEngine::stateChanged);
        TestSupport::stepEngine(&run.engine);
        QCOMPARE(run.engine.remaining(), -3);
        QCOMPARE(run.engine.isRunning(), !accept);
        QCOMPARE(state.size(), accept ? 1 : 0);
        run.engine.pause();
    }

    void reorder_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("onto");
        QTest::addColumn<bool>("after"); // dropped on the right half of the target
        QTest::addColumn<QString>("order");
        QTest::newRow("30 min to the front") << 3 << 0 << false << "1800,300,600,900";
        QTest::newRow("5 min to the end") << 0 << 3 << true << "600,900,1800,300";
        QTest::newRow("10 min one right") << 1 << 2 << true << "300,900,600,1800";
        QTest::newRow("onto itself") << 2 << 2 << false << "300,600,900,1800";
    }

    // Reordering the preset strip with the mouse, through the list's own drag
    // and drop: the new order is shown, kept and saved at once; the count is
    // untouched. The offscreen platform ends every drag at once, so CTest runs
    // this case on the headless "minimal" one, whose drag runs a real loop.
    void reorder()
    {
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            QSKIP("needs a platform with a real drag loop (the presetdrag test)");
        QFETCH(int, from);
        QFETCH(int, onto);
        QFETCH(bool, after);
        QFETCH(QString, order);
        ControlRun run;
        run.output().hide(); // the drop goes to the window under the pointer
        QVERIFY(QTest::qWaitForWindowExposed(&run.control()));
        const QPoint press = run.strip()->visualItemRect(run.strip()->item(from)).center();
        const QRect target = run.strip()->visualItemRect(run.strip()->item(onto));
        const QPoint drop(after ? target.right() - 3 : target.left() + 3, target.center().y());
        TestSupport::drag(run.strip()->viewport(), press, drop);
        QCOMPARE(run.strip(Qt::UserRole), order);
        QStringList saved;
        for (int seconds : TestSupport::storedSettings().presets)
            saved << QString::number(seconds);
        QCOMPARE(saved.join(','), order);
        QCOMPARE(run.engine.remaining(), 300);
        QVERIFY(!run.engine.isRunning());
    }
};

VELLMARK_TEST_MAIN(TestControlWindow)
#include "tst_controlwindow.moc"
