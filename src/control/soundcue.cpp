// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/soundcue.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>

SoundCue::SoundCue(QObject* parent) : QObject(parent) {}

void SoundCue::setFile(const QString& path)
{
    m_path = path;
}

void SoundCue::prepare()
{
    if (m_player)
        return;
    m_player = new QMediaPlayer(this);
    auto* output = new QAudioOutput(m_player);
    output->setVolume(1.0);
    m_player->setAudioOutput(output);
    connect(m_player, &QMediaPlayer::playbackStateChanged, this,
            [this](QMediaPlayer::PlaybackState state) {
                if (state == QMediaPlayer::PlayingState)
                    emit started();
            });
    m_used = false;
}

bool SoundCue::isPlaying() const
{
    return m_player && m_player->playbackState() == QMediaPlayer::PlayingState;
}

void SoundCue::play()
{
    if (m_path.isEmpty())
        return;
    // A player that has played once is not given the file again: Qt's
    // GStreamer back end leaves it silent now and then when a finished
    // player is loaded and started anew. A fresh player costs no more than
    // loading the file, which every play does anyway.
    if (m_player && m_used) {
        delete m_player;
        m_player = nullptr;
    }
    prepare();
    m_used = true;
    m_player->setSource(QUrl::fromLocalFile(m_path));
    m_player->play();
}
