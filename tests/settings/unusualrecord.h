// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/appsettings.h"

// Every field away from its default, at the edge of its range where it has
// one: 999 min 59 sec, the largest and smallest fonts and ports.
inline AppSettings unusualRecord()
{
    AppSettings s;
    s.clock24hr = s.clockShowSeconds = s.overtimeEnabled = s.blinkEnabled = s.remoteEnabled = false;
    s.soundEnabled = s.remoteAllowLan = s.oscEnabled = true;
    s.bgColor = QColor(0x12, 0x34, 0x56);
    s.timerColorNormal = QColor(0xab, 0xcd, 0xef);
    s.timerColorWarning = QColor(1, 2, 3);
    s.timerColorCritical = QColor(0xfe, 0xdc, 0xba);
    s.clockColor = QColor(0x80, 0x80, 0x80);
    s.messageColor = QColor(0x81, 0x81, 0x81);
    s.timerFontSize = 550;
    s.clockFontSize = 20;
    s.messageFontSize = 150;
    s.defaultDuration = 999 * 60 + 59;
    s.warningThreshold = 3600;
    s.presets = {120, 45, 0, 59999, 45};
    s.soundFilePath = QStringLiteral("/tmp/a b/cue ü.wav");
    s.targetTime = QStringLiteral("07:05");
    s.remotePort = 65535;
    s.remoteToken = QStringLiteral("0123456789abcdef0123456789abcdef");
    s.oscPort = 1024;
    return s;
}
