// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QMediaPlayer;

// Plays the operator's chosen sound file, from its start, whenever asked: at
// the zero tick and for the Test button. The cue may fire minutes after the
// file was chosen. Qt's GStreamer back end loses a source that has been
// loaded and left idle for a few seconds (play() then stays silent and never
// reaches the end of the media), and now and then stays silent when a player
// that has finished is started again; so every play() loads the file into a
// player that has never played, right before starting it, on every back end
// alike.
class SoundCue : public QObject {
    Q_OBJECT

  public:
    explicit SoundCue(QObject* parent = nullptr);

    // The file to play; an empty path means none. The file is not opened here.
    void setFile(const QString& path);
    QString file() const { return m_path; }
    bool hasFile() const { return !m_path.isEmpty(); }

    // Creates the player and its audio output. Safe to call more than once;
    // play() calls it when it has not been done yet, so the media back end can
    // be brought up whenever suits the caller.
    void prepare();
    bool isPrepared() const { return m_player != nullptr; }

    // Plays the file from its start, restarting it when it is already playing.
    // Nothing happens without a file; a file that cannot be played is not heard.
    void play();

    // Whether the cue is sounding (its player is in the playing state).
    bool isPlaying() const;

  signals:
    // A play has begun: the player took the file and is playing it.
    void started();

  private:
    QString m_path;
    QMediaPlayer* m_player = nullptr;
    // Whether m_player has been given a file to play.
    bool m_used = false;
};
