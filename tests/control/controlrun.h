// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/appwindows.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QWindow>
#include <QtTest>

#include <functional>
#include <memory>

// One run of the program as start-up builds it (record, engine, both windows
// wired and shown), and what the operator finds in it.
struct ControlRun {
    AppSettings settings;
    TimerEngine engine;
    std::unique_ptr<AppWindows> windows;

    // `configure` may change the record and the engine before the windows exist.
    explicit ControlRun(const std::function<void(AppSettings&, TimerEngine&)>& configure = {})
    {
        engine.setDuration(settings.defaultDuration);
        engine.setOvertimeEnabled(settings.overtimeEnabled);
        if (configure)
            configure(settings, engine);
        windows = std::make_unique<AppWindows>(&settings, &engine);
        windows->show();
        control().resize(560, 800);
    }

    ControlWindow& control() { return windows->control(); }
    OutputWindow& output() { return windows->output(); }
    // By caption or object name.
    QPushButton* button(const QString& name)
    {
        for (auto* b : control().findChildren<QPushButton*>())
            if (b->text() == name || b->objectName() == name)
                return b;
        qWarning() << "no button" << name;
        return nullptr;
    }
    void click(const QString& name) { click(button(name)); }
    void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    static bool isArrow(QPushButton* b) { return b->text() == "◀" || b->text() == "▶"; }
    // The steppers' arrows, left to right: minutes, seconds, time of day.
    QList<QPushButton*> arrows()
    {
        QList<QPushButton*> out = control().findChildren<QPushButton*>();
        out.removeIf([](QPushButton* b) { return !isArrow(b); });
        return out;
    }
    QLabel* preview() { return control().findChild<QLabel*>(QStringLiteral("timerPreview")); }
    QListWidget* strip() { return control().findChild<QListWidget*>(QStringLiteral("presetList")); }
    // The strip's items as "a,b,…": their captions, or their seconds.
    QString strip(int role)
    {
        QStringList out;
        for (int i = 0; i < strip()->count(); ++i)
            out << strip()->item(i)->data(role).toString();
        return out.join(',');
    }
    void clickPreset(int row)
    {
        QTest::mouseClick(strip()->viewport(), Qt::LeftButton, {},
                          strip()->visualItemRect(strip()->item(row)).center());
    }
    // The duration entry: " min" or " sec".
    QSpinBox* spin(const QString& suffix)
    {
        for (auto* s : control().findChildren<QSpinBox*>())
            if (s->suffix() == suffix)
                return s;
        return nullptr;
    }
    void setEntry(int min, int sec)
    {
        spin(QStringLiteral(" min"))->setValue(min);
        spin(QStringLiteral(" sec"))->setValue(sec);
        click(QStringLiteral("Set"));
    }
    QLineEdit* messageEdit() { return control().findChild<QLineEdit*>(); }
    QLabel* labelShowing(QWidget* in, const QString& text)
    {
        for (auto* l : in->findChildren<QLabel*>())
            if (l->text() == text)
                return l;
        return nullptr;
    }
    // The message line (a direct child) and the two readouts, timer then clock.
    QLabel* outputMessage()
    {
        for (auto* l : output().findChildren<QLabel*>())
            if (l->parentWidget() == &output())
                return l;
        return nullptr;
    }
    QList<QLabel*> outputReadouts()
    {
        QList<QLabel*> out;
        for (auto* l : output().findChildren<QLabel*>())
            if (l->parentWidget() != &output() && l->objectName() != QLatin1String("targetCaption"))
                out << l;
        return out;
    }
    QProgressBar* outputProgress() { return output().findChild<QProgressBar*>(); }

    // Space as the keyboard delivers it, through the window system to the active
    // window, so shortcuts see it before any key handler. A held key repeats as
    // a release and a press, both marked auto-repeated.
    void space(bool autoRepeat = false, bool release = false)
    {
        if (QApplication::activeWindow() != &control()) {
            QApplication::setActiveWindow(&control());
            if (!QTest::qWaitForWindowActive(&control()))
                qWarning("the control window did not become active");
        }
        QWindow* w = control().windowHandle();
        if (autoRepeat)
            QTest::simulateEvent(w, false, Qt::Key_Space, {}, QStringLiteral(" "), true);
        QTest::simulateEvent(w, !release, Qt::Key_Space, {}, QStringLiteral(" "), autoRepeat);
    }
};
