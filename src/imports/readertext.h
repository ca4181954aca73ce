#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QTime>

#include <optional>
#include <vector>

namespace plx::readertext {

// The fields of a separated line, views into it (no copy; valid while the line is). With
// maxFields, splitting stops there: the readers need a few leading columns of 58.
void splitFields(QByteArrayView line, char separator, std::vector<QByteArrayView> &fields,
                 size_t maxFields = size_t(-1));

QByteArrayView trimmed(QByteArrayView text);

// A decimal number written in the C way ("-12.5", "3", "1e3"), spaces around allowed;
// decimal ',' when asked. nullopt for anything else, including empty text, "nan", "inf".
std::optional<double> parseNumber(QByteArrayView text, char decimal = '.');
// An integer of digits with an optional sign.
std::optional<int> parseInt(QByteArrayView text);

// "YYYYMMDD" (then, with the longer forms, "hh", "hhmm", "hhmmss"): the date and time as
// written, invalid when the date does not exist. time is left invalid for 8 digits.
bool parseCompactDateTime(QByteArrayView text, QDate &date, QTime &time);

// Text of a file: UTF-8 when valid, else Windows-1252 (files saved by Excel on Windows).
QString decodeText(QByteArrayView text);

// "Ligne 12 : why" - the shape of every message that names a line.
QString lineMessage(qint64 line, const QString &why);

// The value shown back in a message, shortened: a whole line of garbage helps nobody.
QString quoted(QByteArrayView text);

// Separator names for messages: « ; », « , », « tabulation »...
QString separatorName(char separator);

} // namespace plx::readertext

namespace plx::readertext {

// The index of a header column by name (case and surrounding blanks ignored); -1.
int columnIndex(const std::vector<QByteArrayView> &header, QByteArrayView name);

// The separator a line seems to use instead of the expected one (the most frequent of
// ";", ",", tab and "|"), 0 when none shows.
char likelySeparator(QByteArrayView line);

// The message for a header written with another separator than the format's.
QString wrongSeparatorMessage(char expected, char found);

} // namespace plx::readertext
