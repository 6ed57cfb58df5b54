// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/soundcue.h"

#include "control/soundplayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QPluginLoader>

namespace {

// The plug-in linked into this program (the tests do that), or else the one
// beside the program (the build folder) or in the program's library folder
// (an installation: VELLMARK_PLUGIN_DIR, relative to the program's folder).
SoundPlayerFactory* findFactory()
{
    for (QObject* instance : QPluginLoader::staticInstances())
        if (auto* factory = qobject_cast<SoundPlayerFactory*>(instance))
            return factory;
    const QDir programDir(QCoreApplication::applicationDirPath());
    QStringList tried;
    for (const QString& dir :
         {programDir.path(), programDir.filePath(QStringLiteral(VELLMARK_PLUGIN_DIR))}) {
        const QString file =
            QDir::cleanPath(QDir(dir).filePath(QStringLiteral(VELLMARK_SOUNDPLAYER_FILE)));
        QPluginLoader loader(file);
        if (auto* factory = qobject_cast<SoundPlayerFactory*>(loader.instance()))
            return factory;
        tried << file + QStringLiteral(" (") + loader.errorString() + QLatin1Char(')');
    }
    qWarning("Vellmark: the sound cue cannot play, its player could not be loaded: %s",
             qPrintable(tried.join(QStringLiteral("; "))));
    return nullptr;
}

} // namespace

SoundCue::SoundCue(QObject* parent) : QObject(parent) {}

SoundCue::~SoundCue() = default;

void SoundCue::setFile(const QString& path)
{
    m_path = path;
}

void SoundCue::prepare()
{
    if (m_player)
        return;
    static SoundPlayerFactory* const factory = findFactory();
    if (factory)
        m_player.reset(factory->createPlayer(this, [this] { emit started(); }));
}

bool SoundCue::isPrepared() const
{
    return m_player != nullptr;
}

bool SoundCue::isPlaying() const
{
    return m_player && m_player->isPlaying();
}

void SoundCue::play()
{
    if (m_path.isEmpty())
        return;
    prepare();
    if (m_player)
        m_player->play(m_path);
}
