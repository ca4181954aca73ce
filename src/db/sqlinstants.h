#pragma once

#include "db/sqldialect.h"
#include "db/sqlsyntax.h"

namespace plx {

// The instant of a measurement row, written by the screens CVDate(DateCreation & ' ' & Heure):
// Access re-reads the text in the locale; we build it from the date part of the first
// column and the time of day of the second.
//
// markInstants turns each such call on a level into a Text node holding the instant as an
// expression (for select lists, ORDER BY, comparisons with columns) and remembering both
// columns. rewriteInstantPredicates then turns "<instant> op <literal>" (either side,
// op = <> < <= > >=, and BETWEEN) into a predicate on the two columns themselves, so that
// the (DateCreation, Heure) index serves.
void markInstants(SqlNodes &nodes, SqlDialect dialect);
void rewriteInstantPredicates(SqlNodes &nodes, SqlDialect dialect);

// The time of day of a date-time column, compared with a 'hh:mm:ss' text (TimeValue of
// Access); a NULL time reads as midnight, as Access reads "05/03/2024 " back.
QString timeOfDay(SqlDialect dialect, const QString &column);

// The value of a date literal node: a translated #date#, CVDate('...'), to_date(...), or a
// quoted 'MM/DD/YYYY[ hh:mm:ss]' / ISO text (the PostgreSQL literals, month first).
std::optional<QDateTime> dateLiteralValue(const SqlNode &node);

} // namespace plx
