// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class SoundPlayer;

// Plays the operator's chosen sound file, from its start, whenever asked: at
// the zero tick and for the Test button. The cue may fire minutes after the
// file was chosen. The player comes from the sound player plug-in
// (soundplayer.h), loaded when the player is first needed.
class SoundCue : public QObject {
    Q_OBJECT

  public:
    explicit SoundCue(QObject* parent = nullptr);
    ~SoundCue() override;

    // The file to play; an empty path means none. The file is not opened here.
    void setFile(const QString& path);
    QString file() const { return m_path; }
    bool hasFile() const { return !m_path.isEmpty(); }

    // Loads the plug-in and creates the player and its audio output. Safe to
    // call more than once; play() calls it when it has not been done yet, so
    // the media back end can be brought up whenever suits the caller. Without
    // the plug-in (a broken installation) the cue stays silent and a warning
    // names the places looked in.
    void prepare();
    bool isPrepared() const;

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
    std::unique_ptr<SoundPlayer> m_player;
};
