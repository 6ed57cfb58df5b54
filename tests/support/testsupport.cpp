// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "settings/appsettings.h"

#include <QFile>
#include <QMetaObject>
#include <QSettings>
#include <QTest>

void TestSupport::clearStore()
{
    QSettings store(QStringLiteral("Vellmark"), QStringLiteral("Vellmark"));
    store.clear();
    store.sync();
    // Gone, not just empty: "nothing was saved" is then "there is no store".
    QFile::remove(store.fileName());
}

QString TestSupport::storeFilePath()
{
    return QSettings(QStringLiteral("Vellmark"), QStringLiteral("Vellmark")).fileName();
}

AppSettings TestSupport::storedSettings()
{
    AppSettings s;
    loadSettings(s);
    return s;
}

void TestSupport::stepEngine(QObject* engine, int times)
{
    for (int i = 0; i < times; ++i)
        QMetaObject::invokeMethod(engine, "onTimeout", Qt::DirectConnection);
}

void TestSupport::drag(QWidget* widget, QPoint from, QPoint to)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    QTimer::singleShot(0, widget, [widget, to] {
        QTest::mouseMove(widget, to - QPoint(1, 0));
        QTest::mouseMove(widget, to);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
    });
    QTest::mouseMove(widget, from + QPoint(1, 0));
    QTest::mouseMove(widget, from + QPoint(QApplication::startDragDistance() + 5, 0));
}
