// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/viewlook.h"

#include "settings/appsettings.h"

#include <QDateTime>

QJsonObject viewLookJson(const AppSettings& s)
{
    return QJsonObject{
        {QStringLiteral("bgColor"), s.bgColor.name()},
        {QStringLiteral("timerColorNormal"), s.timerColorNormal.name()},
        {QStringLiteral("timerColorWarning"), s.timerColorWarning.name()},
        {QStringLiteral("timerColorCritical"), s.timerColorCritical.name()},
        {QStringLiteral("clockColor"), s.clockColor.name()},
        {QStringLiteral("messageColor"), s.messageColor.name()},
        {QStringLiteral("timerFontSize"), s.timerFontSize},
        {QStringLiteral("clockFontSize"), s.clockFontSize},
        {QStringLiteral("messageFontSize"), s.messageFontSize},
        {QStringLiteral("warningThreshold"), s.warningThreshold},
        {QStringLiteral("blinkEnabled"), s.blinkEnabled},
        {QStringLiteral("clock24hr"), s.clock24hr},
        {QStringLiteral("clockShowSeconds"), s.clockShowSeconds},
        // Asked each time: a change to or from summer time is followed.
        {QStringLiteral("utcOffset"), QDateTime::currentDateTime().offsetFromUtc()},
    };
}
