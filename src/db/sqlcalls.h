#pragma once

#include "db/sqldialect.h"
#include "db/sqlsyntax.h"

namespace plx {

// Access functions on a level of the tree whose arguments are already translated: iif,
// CVDate/CDate, Cint, CStr, ucase/lcase, now(), Date(), Nz, IsNull, Year ... Second, Mid,
// Len, Left, Right, InStr, and Oracle's to_date (whose value the instant rewrite reads).
// Names that are not Access functions pass unchanged.
void rewriteFunctionCalls(SqlNodes &nodes, SqlDialect dialect);

} // namespace plx
