// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QObject;

namespace TestSupport {

// Points HOME and the XDG folders at a fresh temporary folder for the life of
// the test program, so no test reads or writes a real user's settings and no
// test depends on what another one left behind.
class PrivateHome {
  public:
    PrivateHome();
    ~PrivateHome();
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    QString path() const;

  private:
    struct Impl;
    Impl* d;
};

// Empties the program's settings store on disk.
void clearStore();

// Path of the program's native settings file in the private home.
QString storeFilePath();

// Writes a mono 16-bit PCM WAV file of the given samples; false on failure.
bool writeWav(const QString& path, int rate, const QList<qint16>& samples);

// Runs the engine's one-second step once, exactly as its timer would.
void stepEngine(QObject* engine, int times = 1);

} // namespace TestSupport

// main() for a test program: a private home first, then the application.
#define VELLMARK_TEST_MAIN(TestObject)                                                             \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        TestSupport::PrivateHome home;                                                             \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        TestObject tc;                                                                             \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
