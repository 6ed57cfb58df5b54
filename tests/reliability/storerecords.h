// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/appsettings.h"

#include <QStringList>

// Three settings records for the crash tests. Each differs from the defaults
// and from the other two in every colour, number, preset and text, and in its
// size on disk, so a load that mixes two of them, or falls back to defaults,
// cannot pass for one. The booleans can only tell the third from the others.
namespace StoreRecords {

inline AppSettings record(int which)
{
    AppSettings s;
    const bool odd = which % 2 == 1;
    s.clock24hr = false;
    s.clockShowSeconds = false;
    s.overtimeEnabled = false;
    s.blinkEnabled = false;
    s.soundEnabled = true;
    if (which == 2) {
        s.clock24hr = s.clockShowSeconds = s.overtimeEnabled = s.blinkEnabled = true;
        s.soundEnabled = false;
    }
    const int k = which + 1;
    s.bgColor = QColor(0x10 * k, 0x01, 0x02);
    s.timerColorNormal = QColor(0x01, 0x10 * k, 0x03);
    s.timerColorWarning = QColor(0x02, 0x03, 0x10 * k);
    s.timerColorCritical = QColor(0x20 * k, 0x20 * k, 0x04);
    s.clockColor = QColor(0x05, 0x20 * k, 0x20 * k);
    s.messageColor = QColor(0x20 * k, 0x06, 0x20 * k);
    s.timerFontSize = 100 + k;
    s.clockFontSize = 40 + k;
    s.messageFontSize = 20 + k;
    s.defaultDuration = 1000 + k;
    s.warningThreshold = 10 + k;
    s.presets.clear();
    for (int i = 0; i < 2 + which * 3; ++i)
        s.presets.append(k * 1000 + i);
    s.soundFilePath = QStringLiteral("/media/cues/") +
                      QString(4 + 7 * which, QLatin1Char('a' + which)) +
                      (odd ? QStringLiteral(".ogg") : QStringLiteral(".wav"));
    s.targetTime = QStringLiteral("0%1:1%1").arg(k);
    return s;
}

inline bool same(const AppSettings& a, const AppSettings& b)
{
    return a.clock24hr == b.clock24hr && a.clockShowSeconds == b.clockShowSeconds &&
           a.bgColor == b.bgColor && a.timerColorNormal == b.timerColorNormal &&
           a.timerColorWarning == b.timerColorWarning &&
           a.timerColorCritical == b.timerColorCritical && a.clockColor == b.clockColor &&
           a.messageColor == b.messageColor && a.timerFontSize == b.timerFontSize &&
           a.clockFontSize == b.clockFontSize && a.messageFontSize == b.messageFontSize &&
           a.defaultDuration == b.defaultDuration && a.warningThreshold == b.warningThreshold &&
           a.overtimeEnabled == b.overtimeEnabled && a.blinkEnabled == b.blinkEnabled &&
           a.presets == b.presets && a.soundFilePath == b.soundFilePath &&
           a.soundEnabled == b.soundEnabled && a.targetTime == b.targetTime;
}

// A short description for failure messages.
inline QString describe(const AppSettings& s)
{
    QStringList presets;
    for (int p : s.presets)
        presets << QString::number(p);
    return QStringLiteral("bg %1 timer font %2 duration %3 presets [%4] sound %5")
        .arg(s.bgColor.name())
        .arg(s.timerFontSize)
        .arg(s.defaultDuration)
        .arg(presets.join(QLatin1Char(',')), s.soundFilePath);
}

} // namespace StoreRecords
