// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for start-up: a bare Qt Widgets program that opens two
// labelled windows the way Vellmark opens its own (the first 560 × 760, the
// second full-screen on another screen, or 800 × 500 when there is none) and
// does nothing else. bench_startup starts it side by side with Vellmark.
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel first(QStringLiteral("First window"));
    first.setAlignment(Qt::AlignCenter);
    first.resize(560, 760);
    first.show();

    QLabel second(QStringLiteral("Second window"));
    second.setAlignment(Qt::AlignCenter);
    QScreen* target = nullptr;
    for (QScreen* s : QGuiApplication::screens()) {
        if (s != first.screen()) {
            target = s;
            break;
        }
    }
    if (target) {
        second.setGeometry(target->geometry());
        second.showFullScreen();
    } else {
        second.resize(800, 500);
        second.show();
    }
    return app.exec();
}
