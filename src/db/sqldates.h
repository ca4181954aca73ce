#pragma once

#include "db/sqldialect.h"

#include <QDateTime>
#include <QStringView>

#include <optional>

namespace plx {

// The date and time texts found in Access-flavoured SQL, read into wall-clock values
// (QDateTime labelled Qt::UTC, no zone ever applied). A time without a date lies on
// 30/12/1899, the zero day of Access dates.
enum class DateOrder { MonthFirst, DayFirst };

// "03/05/2024", "3/5/2024 7:30", "03/05/2024 07:30:00 PM", "07:30:00", and the ISO form
// "2024-03-05[ 07:30[:00]]" whatever the order. Years have four digits.
std::optional<QDateTime> parseSqlDate(QStringView text, DateOrder order);

// Oracle to_date(text, format) with the format elements DD MM YYYY HH24 HH MI SS.
std::optional<QDateTime> parseOracleDate(QStringView text, QStringView format);

// 'YYYY-MM-DD HH:MM:SS', the one form date-times take in SQLite and in our literals.
QString canonicalDateTime(const QDateTime &value);

// A date-time literal in the dialect. typed asks for a value of a date type where the
// dialect distinguishes (PostgreSQL TIMESTAMP '...'); untyped literals take the type of
// what they are compared with, as the literals the screens build for PostgreSQL do.
QString dateTimeLiteral(SqlDialect dialect, const QDateTime &value, bool typed);

} // namespace plx
