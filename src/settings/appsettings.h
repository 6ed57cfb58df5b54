// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <variant>

// Every user-adjustable value of the program. A new setting is a field here
// and its row in kSettingFields below; loading, saving and comparing follow.
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

// How one setting is kept in the store and read back from it.
enum class SettingKind {
    Flag,       // "true" or "false"
    Number,     // a whole number, clamped to [lo, hi] when read
    Colour,     // "#rrggbb"; what is no colour reads as the default
    Text,       // any text
    TimeOfDay,  // "HH:MM"; read in that form, what is no time as the default
    Token,      // 32 lower-case hex digits; anything else reads as empty
    NumberList, // an array of "val" entries; an empty one reads as the default,
                // at most hi entries are read
};

struct SettingField {
    const char* key; // the store's key, never to be renamed: users' stores hold it
    SettingKind kind;
    std::variant<bool AppSettings::*, int AppSettings::*, QColor AppSettings::*,
                 QString AppSettings::*, QList<int> AppSettings::*>
        member;
    int lo = 0;
    int hi = 0;
};

inline constexpr SettingField kSettingFields[] = {
    {"clock24hr", SettingKind::Flag, &AppSettings::clock24hr},
    {"clockShowSeconds", SettingKind::Flag, &AppSettings::clockShowSeconds},
    {"bgColor", SettingKind::Colour, &AppSettings::bgColor},
    {"timerColorNormal", SettingKind::Colour, &AppSettings::timerColorNormal},
    {"timerColorWarning", SettingKind::Colour, &AppSettings::timerColorWarning},
    {"timerColorCritical", SettingKind::Colour, &AppSettings::timerColorCritical},
    {"clockColor", SettingKind::Colour, &AppSettings::clockColor},
    {"messageColor", SettingKind::Colour, &AppSettings::messageColor},
    {"timerFontSize", SettingKind::Number, &AppSettings::timerFontSize,
     SettingsLimits::kTimerFontMin, SettingsLimits::kTimerFontMax},
    {"clockFontSize", SettingKind::Number, &AppSettings::clockFontSize,
     SettingsLimits::kClockFontMin, SettingsLimits::kClockFontMax},
    {"messageFontSize", SettingKind::Number, &AppSettings::messageFontSize,
     SettingsLimits::kMessageFontMin, SettingsLimits::kMessageFontMax},
    {"defaultDuration", SettingKind::Number, &AppSettings::defaultDuration,
     SettingsLimits::kDurationMin, SettingsLimits::kDurationMax},
    {"warningThreshold", SettingKind::Number, &AppSettings::warningThreshold,
     SettingsLimits::kWarningMin, SettingsLimits::kWarningMax},
    {"overtimeEnabled", SettingKind::Flag, &AppSettings::overtimeEnabled},
    {"blinkEnabled", SettingKind::Flag, &AppSettings::blinkEnabled},
    {"presets", SettingKind::NumberList, &AppSettings::presets, 0, SettingsLimits::kMaxPresets},
    {"soundFilePath", SettingKind::Text, &AppSettings::soundFilePath},
    {"soundEnabled", SettingKind::Flag, &AppSettings::soundEnabled},
    {"targetTime", SettingKind::TimeOfDay, &AppSettings::targetTime},
    {"remoteEnabled", SettingKind::Flag, &AppSettings::remoteEnabled},
    {"remotePort", SettingKind::Number, &AppSettings::remotePort, SettingsLimits::kPortMin,
     SettingsLimits::kPortMax},
    {"remoteAllowLan", SettingKind::Flag, &AppSettings::remoteAllowLan},
    {"remoteToken", SettingKind::Token, &AppSettings::remoteToken},
    {"oscEnabled", SettingKind::Flag, &AppSettings::oscEnabled},
    {"oscPort", SettingKind::Number, &AppSettings::oscPort, SettingsLimits::kPortMin,
     SettingsLimits::kPortMax},
};

// The row of a field, for the bounds of its editor; nullptr if it has none.
const SettingField* settingField(int AppSettings::*member);

// The keys of the settings in which two records differ, in table order.
QStringList settingsDifferences(const AppSettings& a, const AppSettings& b);
bool operator==(const AppSettings& a, const AppSettings& b);
bool operator!=(const AppSettings& a, const AppSettings& b);

void loadSettings(AppSettings& s);
void saveSettings(const AppSettings& s);

// 128 bits from the system's secure generator as 32 lower-case hex digits.
QString makeRemoteToken();
// Gives the record a token when it has none and saves it; true if it did.
bool ensureRemoteToken(AppSettings& s);
