#pragma once

#include <QString>
#include <QStringList>

namespace plx {
class AccesBase;
}

namespace plxtest {

// What an Access file would refuse in a statement it receives unchanged through ODBC:
// operators and functions of other engines, found by the SQL tokenizer, so that string
// literals and quoted or bracketed names are never looked into. One French-free line per
// problem ("function upper", "operator ||"); empty when the text is Access SQL.
//
// Date literals are not checked here: they are made by the dialect helpers
// (FormatDateSQL gives #MM/DD/YYYY# for Access), which are tested where they live.
QStringList accessSyntaxProblems(const QString &sql);

// True when the engine's error is about the data the statement met rather than about the
// statement: unique, not-null, foreign-key and check violations, a value too long, an
// object the statement creates that already exists. A missing table, column or function,
// a syntax or type error is about the statement.
bool isDataError(const QString &error);

// The measurement tables of the statement (PLUVIO_<n>, PLUVIO_<n>_BRUTE,
// COURBE_REF_PLUVIO_<n>) and their key indexes (PK_<table>) renamed to those of the given station, which the replay database
// has; other names and literals are left alone.
// The level tables of piezometers (PZ_<n>, PK_PZ_<n>) likewise become those of the given
// piezometer, when one is given.
QString withStationTables(const QString &sql, const QString &code,
                          const QString &piezometer = QString());

// Runs one statement on db inside a transaction that is rolled back, the way the program
// issues it: a text with "?" marks is prepared (then run with NULL for each mark), a
// SELECT read, anything else executed.
// Returns the engine's error, empty when the statement ran.
QString replayStatement(plx::AccesBase &db, const QString &sql);

} // namespace plxtest
