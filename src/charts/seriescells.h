#pragma once

#include <QVariant>

namespace plx {

// Reading the cells of a measurement or level table as the engines hand them over.

// Milliseconds of a wall-clock value since 1970-01-01 00:00, the value read as UTC.
// Engines hand date-times over as QDateTime labelled UTC (no zone arithmetic then);
// other forms are read for their date and time fields. False when it is not a date.
bool wallClockMs(const QVariant &value, qint64 *ms);
// The instant of a row: DateCreation's day plus Heure's time of day. False without a day.
bool rowInstantMs(const QVariant &dateCreation, const QVariant &heure, qint64 *ms);
// Whole seconds, rounded down (dates before 1970 are negative).
qint64 secondsOfMs(qint64 ms);
// A number cell; NaN for null or text that is not a number (a decimal comma is read).
double numberOf(const QVariant &value);
// The first letter of a one-character code, upper-cased; 0 for null or empty.
char codeOf(const QVariant &value);

} // namespace plx
