// SPDX-License-Identifier: GPL-3.0-or-later
// Helper of tst_storecrash: saves the first and the second test record in
// turn, for ever, until it is killed. Prints the store's file name once it is
// about to begin, so the test knows both sides use the same store.
#include "storerecords.h"

#include <QCoreApplication>
#include <QSettings>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const AppSettings records[2] = {StoreRecords::record(0), StoreRecords::record(1)};
    const QByteArray name =
        QSettings(QStringLiteral("Vellmark"), QStringLiteral("Vellmark")).fileName().toLocal8Bit();
    std::printf("%s\n", name.constData());
    std::fflush(stdout);
    for (unsigned i = 0;; ++i)
        saveSettings(records[i % 2]);
}
