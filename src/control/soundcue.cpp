// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/soundcue.h"

#include "control/ownplugin.h"
#include "control/soundplayer.h"

namespace {

SoundPlayerFactory* findFactory()
{
    QString whyNot;
    auto* factory =
        ownPlugin<SoundPlayerFactory>(QStringLiteral(VELLMARK_SOUNDPLAYER_FILE), &whyNot);
    if (!factory)
        qWarning("Vellmark: the sound cue cannot play, its player could not be loaded: %s",
                 qPrintable(whyNot));
    return factory;
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
