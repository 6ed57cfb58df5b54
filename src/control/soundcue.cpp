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
    m_audioOutput = new QAudioOutput(this);
    m_audioOutput->setVolume(1.0);
    m_player->setAudioOutput(m_audioOutput);
}

void SoundCue::play()
{
    if (m_path.isEmpty())
        return;
    prepare();
    // Setting the same source again is ignored by the player, so it is
    // cleared first: the back end then builds its pipeline for this play.
    m_player->stop();
    m_player->setSource(QUrl());
    m_player->setSource(QUrl::fromLocalFile(m_path));
    m_player->play();
}
