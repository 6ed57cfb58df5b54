// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "control/soundplayer.h"

#include <QObject>

// The plug-in that plays the cue through Qt Multimedia (a module library
// installed beside the program; the tests link it in statically).
class SoundPlayerPlugin : public QObject, public SoundPlayerFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID VellmarkSoundPlayerFactory_iid)
    Q_INTERFACES(SoundPlayerFactory)

  public:
    SoundPlayer* createPlayer(QObject* parent, std::function<void()> started) override;
};
