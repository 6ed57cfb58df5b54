// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QList>
#include <QString>

// Every user-adjustable value of the program. Field names are the store's keys.
struct AppSettings {
    bool clock24hr = true;
    bool clockShowSeconds = true;
    QColor bgColor = QColor(0x00, 0x00, 0x00);
    QColor timerColorNormal = QColor(0x00, 0xcc, 0x00);
    QColor timerColorWarning = QColor(0xff, 0x88, 0x00);
    QColor timerColorCritical = QColor(0xff, 0x22, 0x00);
    QColor clockColor = QColor(0xff, 0xff, 0xff);
    QColor messageColor = QColor(0xff, 0xff, 0x00);
    int timerFontSize = 300;
    int clockFontSize = 80;
    int messageFontSize = 36;
    int defaultDuration = 300;
    int warningThreshold = 60;
    bool overtimeEnabled = true;
    bool blinkEnabled = true;
    QList<int> presets = {300, 600, 900, 1800};
    QString soundFilePath;
    bool soundEnabled = false;
    // The last time of day counted to, "HH:MM" in 24-hour form.
    QString targetTime = QStringLiteral("12:00");
    // Remote control. Off the machine only when remoteAllowLan is set; every
    // command needs remoteToken (32 lower-case hexadecimal digits).
    bool remoteEnabled = true;
    int remotePort = 8321;
    bool remoteAllowLan = false;
    QString remoteToken;
    bool oscEnabled = false;
    int oscPort = 8321;
};

// Bounds that loading clamps to. The largest duration is what the minute and
// second entries can hold: 999 min 59 sec.
namespace SettingsLimits {
constexpr int kTimerFontMin = 30, kTimerFontMax = 550;
constexpr int kClockFontMin = 20, kClockFontMax = 300;
constexpr int kMessageFontMin = 12, kMessageFontMax = 150;
constexpr int kDurationMin = 0, kDurationMax = 999 * 60 + 59;
constexpr int kWarningMin = 1, kWarningMax = 3600;
// A hand-edited store may claim any array size; more presets than this are not
// read, so a bogus size cannot make start-up allocate and loop for minutes.
constexpr int kMaxPresets = 1000;
constexpr int kPortMin = 1024, kPortMax = 65535;
} // namespace SettingsLimits

void loadSettings(AppSettings& s);
void saveSettings(const AppSettings& s);

// 128 bits from the system's secure generator as 32 lower-case hex digits.
QString makeRemoteToken();
// Gives the record a token when it has none and saves it; true if it did.
bool ensureRemoteToken(AppSettings& s);
