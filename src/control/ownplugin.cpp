// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/ownplugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QPluginLoader>
#include <QStringList>

void* loadOwnPlugin(const char* iid, const QString& fileName, QString* whyNot)
{
    for (QObject* instance : QPluginLoader::staticInstances())
        if (void* found = instance->qt_metacast(iid))
            return found;
    const QDir programDir(QCoreApplication::applicationDirPath());
    QStringList tried;
    for (const QString& dir :
         {programDir.path(), programDir.filePath(QStringLiteral(VELLMARK_PLUGIN_DIR))}) {
        const QString file = QDir::cleanPath(QDir(dir).filePath(fileName));
        // Optimised builds link the plug-ins with immediate binding, so one
        // that does not fit this program fails here, with the reason.
        QPluginLoader loader(file);
        if (QObject* instance = loader.instance())
            if (void* found = instance->qt_metacast(iid))
                return found;
        tried << file + QStringLiteral(" (") + loader.errorString() + QLatin1Char(')');
    }
    if (whyNot)
        *whyNot = tried.join(QStringLiteral("; "));
    return nullptr;
}
