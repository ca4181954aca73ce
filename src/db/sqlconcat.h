#pragma once

#include "db/sqldialect.h"
#include "db/sqlsyntax.h"

namespace plx {

// Access's & concatenation on a level of the tree. & is bitwise AND on SQLite and
// PostgreSQL, and Access's 'a' & Null is 'a': each operand becomes coalesce(x, '') joined
// with ||. Oracle's || already reads NULL as '', so the operands are joined as they are.
void rewriteConcatenation(SqlNodes &nodes, SqlDialect dialect);

} // namespace plx
