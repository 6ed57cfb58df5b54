// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtPlugin>

#include <functional>

class QObject;
class QString;

// Plays sound files through the media stack. The media stack (Qt Multimedia,
// the audio server's client, the codecs) lives in a plug-in of the program's
// own, loaded after the first frame, so that nothing of it is mapped on the way
// to the windows; this header is all that the program itself knows of it.
class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // Plays the file at `path` from its start, restarting it when it is already
    // playing. A file that cannot be played is not heard.
    virtual void play(const QString& path) = 0;
    // Whether a file is sounding.
    virtual bool isPlaying() const = 0;
};

// What the plug-in hands out: players whose media objects are children of
// `parent`, and that call `started` each time a play has begun.
class SoundPlayerFactory {
  public:
    virtual ~SoundPlayerFactory() = default;
    virtual SoundPlayer* createPlayer(QObject* parent, std::function<void()> started) = 0;
};

#define VellmarkSoundPlayerFactory_iid "app.tellurith.Vellmark.SoundPlayerFactory/1"
Q_DECLARE_INTERFACE(SoundPlayerFactory, VellmarkSoundPlayerFactory_iid)
