#pragma once

#include "db/sqldialect.h"
#include "db/sqlsyntax.h"

namespace plx {

// Tokens that mean something else outside Access, rewritten one by one on a level of the
// tree: #date# literals, "double-quoted strings", [bracketed names], and True/False on
// Oracle (which has no boolean type before version 23).
void rewriteLiteralTokens(SqlNodes &nodes, SqlDialect dialect);

// [a name] for the dialect: SQLite takes brackets as they are; PostgreSQL and Oracle get
// the bare name unless it needs quotes (a blank, an accent, a reserved word).
QString translateBracketedName(const QString &bracketed, SqlDialect dialect);

// 'text' with single quotes doubled.
QString singleQuoted(const QString &value);

} // namespace plx
