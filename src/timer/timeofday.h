// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTime>

// Times of day as the operator names them ("14:30") and the moment of local
// time they stand for. Shared by every input that sets a count to a time of
// day and by the settings store, so all read and write the same form.
namespace TimeOfDay {

// "H:MM" or "HH:MM" in 24-hour form, 0:00 to 23:59, surrounding blanks
// allowed; anything else gives an invalid QTime.
QTime parse(QStringView text);

// "HH:MM", 24-hour, the form parse() reads and the settings keep; empty for
// an invalid time.
QString text(const QTime& time);

// The next moment after `now` at which the local wall clock reads `time`
// (seconds and milliseconds of `time` count too): today when that is still
// ahead, else tomorrow, so never more than a day away. A time that the local
// clocks skip that day (the hour lost when summer time begins) stands for the
// moment they jump, the first wall-clock time after the gap; a time that
// occurs twice (the hour repeated when summer time ends) is its first
// occurrence.
QDateTime nextOccurrence(const QTime& time, const QDateTime& now);

} // namespace TimeOfDay
