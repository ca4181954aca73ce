#pragma once

#include <QDateTime>
#include <QStringView>

#include <utility>

namespace plx {

// Parses the leading 'YYYY-MM-DD[ HH:MM:SS[.fff]]' of a database's date-time text into a
// wall-clock QDateTime labelled Qt::UTC. Anything after the seconds (a fraction, a zone
// offset such as +01 or +00:09:21) is dropped: values are kept as the server wrote them.
// Returns an invalid QDateTime when the text does not start that way.
QDateTime parseDatabaseDateTime(QStringView text);
QDateTime parseDatabaseDateTime(const char *text, int length);
// The same as a day and a time of day, both invalid when the text is not a date: no
// QDateTime for readers that only need the parts.
std::pair<QDate, QTime> parseDatabaseDayAndTime(const char *text, int length);

} // namespace plx
