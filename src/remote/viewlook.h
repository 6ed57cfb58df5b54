// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>

struct AppSettings;

// What a browser view needs, beyond the show's state, to look like the output
// window: the output's colours (as "#rrggbb"), its font sizes (their
// proportions), the warning threshold, blinking, the clock's format, and the
// program's offset from UTC, so a view shows the stage's time of day in any
// time zone. Read-only: sent inside the state as "look".
QJsonObject viewLookJson(const AppSettings& settings);
