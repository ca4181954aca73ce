#pragma once

#include <QByteArrayView>
#include <QString>

// Access date-time values turned into the one text form our SQLite databases store:
// 'YYYY-MM-DD HH:MM:SS', times of day on '1899-12-30'.
namespace plx {

// An Access date-time: days since 30/12/1899, the fraction being the time of day. Before
// that day the integer part counts back and the fraction still runs forward, as Access
// reads it (-1.25 is 29/12/1899 06:00). Rounded to the second. A null string when the
// value lies outside Access's own range (years 100 to 9999).
QString accessDateTimeText(double days);

// An Access 2019 "Date/Time Extended" value: the 42 ASCII bytes
// "<19-digit days since 01/01/0001>:<19-digit 100 ns units>:7". Rounded to the second
// (years up to 9999). A null string when the bytes do not have that form.
QString accessExtendedDateTimeText(QByteArrayView raw);

} // namespace plx
