#pragma once

namespace plx {

// The SQL an engine understands. Screens always write Access-flavoured text; the
// translator turns it into one of these.
enum class SqlDialect {
    Access,     // Access through ODBC on Windows: the text passes unchanged
    SQLite,
    PostgreSQL,
    Oracle,
};

} // namespace plx
