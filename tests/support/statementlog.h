#pragma once

#include "db/sqldialect.h"

#include <QString>

#include <optional>

namespace plxtest {

// One statement the program issued during the test run, as the statement log keeps it:
//   src/stations/stationrecord.cpp:120 <TAB> 0 SQLite <TAB> SELECT ... (line breaks escaped)
struct LoggedStatement
{
    QString where; // file (from src/) and line
    bool mayFail = false;
    QString dialect; // dialectName() of the connection that issued it
    QString sql;     // Access-flavoured, as handed to AccesBase

    QString toLine() const;
    static std::optional<LoggedStatement> fromLine(const QString &line);
};

QString dialectName(plx::SqlDialect dialect);

// When PLX_STATEMENT_LOG names a file, every distinct statement issued by code under src/
// is appended to it once per process (the tests' own SQL is left out).
void installStatementLogFromEnvironment();

} // namespace plxtest
