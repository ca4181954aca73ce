#pragma once

#include "schema/schemacatalog.h"

// The structure steps of the schema upgrade, split by subject. Each one takes the writer
// of the run, creates what is missing and records its changes there. Internal to
// schemaupgrade.cpp and its tests.
namespace plx::schema {

// Shorthands for the table definitions.
inline ColumnSpec text(const char *name, int length)
{
    return {QString::fromLatin1(name), ColumnType::Text, length};
}
inline ColumnSpec shortInt(const char *name)
{
    return {QString::fromLatin1(name), ColumnType::Short, 0};
}
inline ColumnSpec longInt(const char *name)
{
    return {QString::fromLatin1(name), ColumnType::Long, 0};
}
inline ColumnSpec real(const char *name)
{
    return {QString::fromLatin1(name), ColumnType::Double, 0};
}
inline ColumnSpec dateTime(const char *name)
{
    return {QString::fromLatin1(name), ColumnType::DateTime, 0};
}
inline ColumnSpec memo(const char *name)
{
    return {QString::fromLatin1(name), ColumnType::Memo, 0};
}
inline ColumnSpec yesNo(const char *name)
{
    return {QString::fromLatin1(name), ColumnType::YesNo, 0};
}
inline ColumnSpec counter(const char *name)
{
    return {QString::fromLatin1(name), ColumnType::Counter, 0};
}

// schemasuite.cpp: the suite's own tables (parameters, user options, journal, statistics,
// saved lists, favourites, parameter labels), the user tables, the reference tables
// shared with the sister modules, and the sister tables our statements read.
void suiteTables(SchemaWriter &writer);
void referenceTables(SchemaWriter &writer);
void sisterTables(SchemaWriter &writer);

// schemastations.cpp: the rain-gauge tables, their widenings and migrations,
// and the manager views.
void stationTables(SchemaWriter &writer);
void stationMigrations(SchemaWriter &writer);
void jobColumns(SchemaWriter &writer);
// Returns the views it dropped, which createSpecificViews() makes again silently.
QStringList dropSpecificViews(SchemaWriter &writer);
void createSpecificViews(SchemaWriter &writer, const QStringList &dropped);
// The names of the manager views.
QStringList specificViews();

// schemameasures.cpp: the unique (DateCreation, Heure) index of every measurement table
// (a plain index and a warning where duplicate instants already exist), and the period
// calendar.
void measurementIndexes(SchemaWriter &writer);
void periodCalendar(SchemaWriter &writer, bool *repaired);

// measurehistorytable.cpp: the history of measured values and its indexes.
void measureHistory(SchemaWriter &writer);

// qualityflagtable.cpp: the quality-control flags and their decisions.
void qualityFlags(SchemaWriter &writer);

// qualitythresholdstable.cpp: the stations' quality-control thresholds.
void qualityThresholds(SchemaWriter &writer);

} // namespace plx::schema
