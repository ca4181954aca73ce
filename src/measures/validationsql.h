#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

// The statements of the validation editor, built in one place so that the screen and the
// command-line tool run the same text. The code must be a station code (see
// measurementTableName); dates go through the date-literal helpers.
namespace plx {

// "SELECT DateCreation, Heure, Pluie, PluieEfficace, Etp, Valeur1, Valeur2, Valeur3,
// Validite, Continuite, ModeObtention FROM PLUVIO_<code> WHERE DateCreation>=from AND
// DateCreation<the day after to ORDER BY DateCreation, Heure" (the end day included
// whatever time its rows carry).
QString windowQuery(const QString &code, const QDate &from, const QDate &to);
QString windowCountQuery(const QString &code, const QDate &from, const QDate &to);

// DELETE of the record at one instant, with the index-friendly instant predicate.
QString deleteInstantStatement(const QString &code, const QDateTime &instant);
// The prepared forms used by the save, with "?" for DateCreation (a QDate) and the time
// of day (a QTime), then the values of the INSERT in column order.
QString deleteInstantPrepared(const QString &code);
QString validatedAtInstantPrepared(const QString &code);
QString insertMeasurePrepared(const QString &code);
// A record rewritten where it stands, found by its stored key (a QDate, then the Heure
// value on 30/12/1899): "?" for the values of the INSERT after the instant, then the key.
// Validite and Precision are cleared, as a delete and insert would leave them.
// With a locator column (AccesBase::rowLocatorColumn), the record is found through it
// instead: one "?" for its value in place of the key.
QString updateMeasurePrepared(const QString &code, const QString &locator = QString());
// The same delete for a record stored without a time (Heure NULL), with "?" for the day.
QString deleteUntimedPrepared(const QString &code);

// "UPDATE PLUVIO_<code> SET Validite='V' WHERE CVDATE(DateCreation & ' ' & Heure) <= until"
// followed, when after is given, by " AND CVDATE(DateCreation & ' ' & Heure) >" after, and
// by a condition leaving the records already validated alone.
QString validationStatement(const QString &code, const QDateTime &until,
                            const std::optional<QDateTime> &after);
// "UPDATE PLUVIO_<code> SET Validite=''": every record of the station.
QString devalidationStatement(const QString &code);

// How many records each update changes: those of its range not yet validated, and those
// validated or controlled.
QString validationCountQuery(const QString &code, const QDateTime &until,
                             const std::optional<QDateTime> &after);
QString devalidationCountQuery(const QString &code);
// DateCreation and Heure of the validated records, the latest first.
QString validatedInstantsQuery(const QString &code);

} // namespace plx
