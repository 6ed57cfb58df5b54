// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The count as every readout shows it (the output window, the control
// window's preview, the remote state): minutes and seconds, two digits each at
// least, the minutes never rolled into hours, a minus in overtime. "05:00",
// "100:00", "-01:15".
QString countText(int seconds);

// Where a count stands against the warning threshold (seconds, never
// negative), which decides every readout's colour: above it, within it, at
// zero, or past zero.
enum class CountPhase { Normal, Warning, Zero, Overtime };
CountPhase countPhase(int seconds, int warningThreshold);
