// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "privatehome.h"
#include "pulsesink.h"

#include <QApplication>
#include <QDialog>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <functional>

class QObject;
struct AppSettings;

namespace TestSupport {

// Empties the program's settings store on disk.
void clearStore();

// Path of the program's native settings file in the private home.
QString storeFilePath();

// The settings record as the next start would load it.
AppSettings storedSettings();

// Runs the engine's one-second step once, exactly as its timer would.
void stepEngine(QObject* engine, int times = 1);

// Hands the next modal widget of type T to `drive` as soon as it is up, from
// within the event loop that shows it. A dialog still open 10 s later is
// closed with the result -1, so a test fails instead of hanging.
template <typename T = QDialog> void whenModal(std::function<void(T*)> drive)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, drive, waited = 0]() mutable {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!w && ++waited < 2000)
            return;
        poll->deleteLater();
        poll->stop();
        if (!w)
            return;
        if (auto* d = qobject_cast<QDialog*>(w))
            QTimer::singleShot(10000, d, [d] { d->done(-1); });
        drive(w);
    });
    poll->start();
}

// Drags with the left button from `from` to `to` within `widget` as a person
// would: press, a move past the drag distance, then the move to the target and
// the release, queued to run inside the toolkit's drag loop, which takes over
// at the move that starts the drag. Needs a platform with a real drag loop
// ("minimal"; the offscreen platform ends every drag at once).
void drag(QWidget* widget, QPoint from, QPoint to);

} // namespace TestSupport

// main() for a test program: a private home first, then the application.
#define VELLMARK_TEST_MAIN(TestObject)                                                             \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        PrivateHome home;                                                                          \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        TestObject tc;                                                                             \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
