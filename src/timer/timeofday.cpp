// SPDX-License-Identifier: GPL-3.0-or-later
#include "timer/timeofday.h"

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// `time` on `date` in local time, or, when the clocks skip that time, the
// first minute after it that exists. Local clocks skip at most a few hours,
// and only at whole minutes, so a day's worth of minutes always finds one.
QDateTime localMoment(QDate date, const QTime& time)
{
    QDateTime moment(date, time);
    for (int minute = 1; !moment.isValid() && minute <= 24 * 60; ++minute) {
        const QTime later = QTime(time.hour(), time.minute()).addSecs(60 * minute);
        moment = QDateTime(later < time ? date.addDays(1) : date, later);
    }
    return moment;
}

} // namespace

namespace TimeOfDay {

QTime parse(QStringView text)
{
    const QStringView t = text.trimmed();
    const qsizetype colon = t.indexOf(QLatin1Char(':'));
    if (colon < 1 || colon > 2 || t.size() != colon + 3)
        return {};
    for (qsizetype i = 0; i < t.size(); ++i)
        if (i != colon && !isDigit(t.at(i)))
            return {};
    const int hours = t.left(colon).toInt();
    const int minutes = t.mid(colon + 1).toInt();
    if (hours > 23 || minutes > 59)
        return {};
    return QTime(hours, minutes);
}

QString text(const QTime& time)
{
    return time.isValid() ? time.toString(QStringLiteral("HH:mm")) : QString();
}

QDateTime nextOccurrence(const QTime& time, const QDateTime& now)
{
    if (!time.isValid() || !now.isValid())
        return {};
    const QDate today = now.toLocalTime().date();
    const QDateTime candidate = localMoment(today, time);
    if (candidate > now)
        return candidate;
    return localMoment(today.addDays(1), time);
}

} // namespace TimeOfDay
