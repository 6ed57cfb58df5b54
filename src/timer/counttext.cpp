// SPDX-License-Identifier: GPL-3.0-or-later
#include "timer/counttext.h"

#include <cstdlib>

QString countText(int seconds)
{
    // Widened first: the magnitude of the most negative int does not fit an int.
    const long long a = std::llabs(static_cast<long long>(seconds));
    const QString text = QStringLiteral("%1:%2")
                             .arg(a / 60, 2, 10, QLatin1Char('0'))
                             .arg(a % 60, 2, 10, QLatin1Char('0'));
    return seconds < 0 ? QLatin1Char('-') + text : text;
}

CountPhase countPhase(int seconds, int warningThreshold)
{
    if (seconds > warningThreshold)
        return CountPhase::Normal;
    if (seconds > 0)
        return CountPhase::Warning;
    return seconds == 0 ? CountPhase::Zero : CountPhase::Overtime;
}
