#pragma once

struct sqlite3;

namespace plx {

// Registers on a SQLite connection the functions Access-flavoured SQL relies on after
// translation (local wall-clock now(), Cint, ...). Returns false if one failed.
bool registerSqliteFunctions(sqlite3 *db);

} // namespace plx
