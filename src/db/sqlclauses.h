#pragma once

#include "db/sqldialect.h"
#include "db/sqlsyntax.h"

namespace plx {

// Clauses of the SELECTs on a level of the tree: Access's TOP n (LIMIT n, Oracle FETCH
// FIRST), DISTINCTROW, NULL ordering (Access sorts NULLs first ascending and last
// descending, PostgreSQL and Oracle the other way round), and on Oracle the table aliases
// written with AS and the SELECT without FROM.
void rewriteSelectClauses(SqlNodes &nodes, SqlDialect dialect);

// CREATE [UNIQUE] INDEX ... WITH PRIMARY | DISALLOW NULL | IGNORE NULL: the Access options
// are dropped, PRIMARY making the index UNIQUE; DROP INDEX name ON table loses "ON table".
void rewriteIndexStatement(SqlNodes &statement, SqlDialect dialect);

} // namespace plx
