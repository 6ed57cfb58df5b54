// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/soundplayerplugin.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QPointer>
#include <QUrl>

namespace {

// Qt's GStreamer back end loses a source that has been loaded and left idle
// for a few seconds (play() then stays silent and never reaches the end of the
// media), and now and then stays silent when a player that has finished is
// started again; so every play() loads the file into a player that has never
// played, right before starting it, on every back end alike.
class MediaSoundPlayer : public SoundPlayer {
  public:
    MediaSoundPlayer(QObject* parent, std::function<void()> started)
        : m_parent(parent), m_started(std::move(started))
    {
        makePlayer();
    }
    ~MediaSoundPlayer() override { delete m_player; }

    void play(const QString& path) override
    {
        // A fresh player costs no more than loading the file, which every
        // play does anyway.
        if (m_used || !m_player) {
            delete m_player;
            makePlayer();
        }
        m_used = true;
        m_player->setSource(QUrl::fromLocalFile(path));
        m_player->play();
    }

    bool isPlaying() const override
    {
        return m_player && m_player->playbackState() == QMediaPlayer::PlayingState;
    }

  private:
    void makePlayer()
    {
        m_player = new QMediaPlayer(m_parent);
        auto* output = new QAudioOutput(m_player);
        output->setVolume(1.0);
        m_player->setAudioOutput(output);
        QObject::connect(m_player, &QMediaPlayer::playbackStateChanged, m_player,
                         [this](QMediaPlayer::PlaybackState state) {
                             if (state == QMediaPlayer::PlayingState && m_started)
                                 m_started();
                         });
        m_used = false;
    }

    QObject* m_parent;
    std::function<void()> m_started;
    QPointer<QMediaPlayer> m_player;
    // Whether m_player has been given a file to play.
    bool m_used = false;
};

} // namespace

SoundPlayer* SoundPlayerPlugin::createPlayer(QObject* parent, std::function<void()> started)
{
    return new MediaSoundPlayer(parent, std::move(started));
}
