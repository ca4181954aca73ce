#pragma once

#include "db/sqldialect.h"
#include "db/sqlsyntax.h"

namespace plx {

// Column types of CREATE TABLE and ALTER TABLE ADD / ALTER COLUMN statements, from the
// Access words (TEXT(n), Memo, SHORT, Long, Double, DateTime, YESNO, AUTOINCREMENT ...)
// to the dialect's. Type words the dialect already knows pass unchanged.
void rewriteColumnTypes(SqlNodes &statement, SqlDialect dialect);

} // namespace plx
