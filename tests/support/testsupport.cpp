// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QObject>
#include <QSettings>
#include <QTemporaryDir>

struct TestSupport::PrivateHome::Impl {
    QTemporaryDir dir;
};

TestSupport::PrivateHome::PrivateHome() : d(new Impl)
{
    const QString root = d->dir.path();
    for (const char* sub : {"config", "data", "cache"})
        QDir(root).mkpath(QLatin1String(sub));
    qputenv("HOME", root.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (root + QLatin1String("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (root + QLatin1String("/data")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (root + QLatin1String("/cache")).toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       root + QLatin1String("/config"));
}

TestSupport::PrivateHome::~PrivateHome()
{
    delete d;
}

QString TestSupport::PrivateHome::path() const
{
    return d->dir.path();
}

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

void TestSupport::stepEngine(QObject* engine, int times)
{
    for (int i = 0; i < times; ++i)
        QMetaObject::invokeMethod(engine, "onTimeout", Qt::DirectConnection);
}

bool TestSupport::writeWav(const QString& path, int rate, const QList<qint16>& samples)
{
    const quint32 bytes = quint32(samples.size()) * 2;
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + bytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << bytes;
    for (qint16 v : samples)
        out << v;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}
