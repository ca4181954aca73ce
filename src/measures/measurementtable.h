#pragma once

#include <QString>

namespace plx {

class AccesBase;

// "PLUVIO_<code>", or "COURBE_REF_PLUVIO_<code>" for the reference-curve twin; "" when
// the code is not a station code (a whole number from 1 to 99999, "123.0" accepted as
// the way a Double column reads back).
QString measurementTableName(const QString &code, bool reference = false);

// When a new table gets its unique (DateCreation, Heure) index: with the table, or after a
// bulk load (filling a bare table and indexing it once costs about half of filling an
// indexed one); the caller then builds it with CreateMeasurementIndex before committing.
enum class MeasurementIndex { WithTable, AfterLoad };

// Creates the measurement table of a station, with the column types of the connection's
// dialect. Failures are ignored: a table that already exists is left as it is. Returns
// whether the table exists afterwards.
bool CreateMeasurementTable(AccesBase &db, const QString &code, bool reference,
                            MeasurementIndex index = MeasurementIndex::WithTable);

// The unique (DateCreation, Heure) index of a table created without it. False with the
// database's error (duplicate instants, for one).
bool CreateMeasurementIndex(AccesBase &db, const QString &code, bool reference,
                            QString *error = nullptr);

// Whether a table can be indexed after its load inside the loading transaction: only
// where structure changes are transactional (Oracle commits at each one).
bool canIndexAfterLoad(const AccesBase &db);

} // namespace plx
