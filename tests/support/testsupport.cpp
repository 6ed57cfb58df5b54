#include "testsupport.h"

#include <QDir>
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
