// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/showstate.h"

#include "remote/viewlook.h"
#include "settings/appsettings.h"
#include "show/showcontroller.h"
#include "timer/counttext.h"

#include <QJsonArray>

QJsonObject showStateJson(const ShowController& show, qint64 seq, qint64 serverTimeMs)
{
    const int remaining = show.remaining();
    const bool countUp = show.isCountUp();
    // The colour phase of the readout; counting up has no threshold, as in
    // the operator's preview.
    static const char* const kPhases[] = {"normal", "warning", "critical", "overtime"};
    const CountPhase phase =
        countUp ? CountPhase::Normal : countPhase(remaining, show.settings().warningThreshold);
    const QString target = show.targetText();
    static const char* const kViews[] = {"timer", "clock", "both"};
    QJsonArray presets;
    for (int p : show.presets())
        presets.append(p);
    return QJsonObject{
        {QStringLiteral("v"), 1},
        {QStringLiteral("seq"), seq},
        {QStringLiteral("serverTime"), serverTimeMs},
        {QStringLiteral("timer"),
         QJsonObject{
             {QStringLiteral("running"), show.isRunning()},
             {QStringLiteral("countUp"), countUp},
             {QStringLiteral("remaining"), remaining},
             {QStringLiteral("duration"), show.duration()},
             {QStringLiteral("display"), countText(remaining)},
             {QStringLiteral("phase"), QLatin1String(kPhases[int(phase)])},
         }},
        {QStringLiteral("message"), show.message()},
        {QStringLiteral("view"), QLatin1String(kViews[show.viewMode()])},
        {QStringLiteral("output"),
         QJsonObject{{QStringLiteral("visible"), show.isOutputVisible()}}},
        {QStringLiteral("presets"), presets},
        {QStringLiteral("target"), target.isEmpty() ? QJsonValue(QJsonValue::Null) : target},
        // How the output looks, for browser views (read-only).
        {QStringLiteral("look"), viewLookJson(show.settings())},
    };
}
