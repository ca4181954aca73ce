#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace plx {

class AccesBase;

// The text shown for a station with nothing recent enough before the search date.
QString situationNotFoundText();

// How far back, in days, information still counts as recent for the search date.
inline constexpr int kSituationRecentDays = 90;

// A station of the situation: its code and the name shown beside it.
struct SituationStation
{
    QString code;
    QString nom;
};

struct SituationStationsResult
{
    bool ok = false;
    QString error;
    std::vector<SituationStation> stations;
    QStringList unknown; // codes asked for that are not among the visible stations
};

// The stations the user sees (the rain-gauge list within the user's scope), once each, in
// code order; with codes, only those, in the order given.
SituationStationsResult situationStations(const QStringList &codes = {});

// The latest information of one station on or before the search date. Instants are
// wall-clock values (invalid when there is none); the value is a double or null.
struct StationSituation
{
    QString code;
    QString nom;
    QDateTime lastInstant;
    QVariant lastValue;
    QDateTime lastValidated;
    QDateTime lastIntervention;
    QString interventionType;
    QString interventionComment;
    // Nothing (value, validation or intervention) within kSituationRecentDays of the date.
    bool stale = true;
    // Why a statement failed other than for a missing table; "" when all went well.
    QString error;
};

// The situation of each station, in the order given, as of the end of searchDate (a row
// dated that day counts). Per station: one statement for the last rainfall value, one for
// the last validated instant, one for the last intervention; the first two walk the
// (DateCreation, Heure) index back from the date rather than reading the series. A station without measurement table, or a code
// that is not a station number, just has no value; nothing is reported for it.
std::vector<StationSituation> computeSituation(AccesBase &db,
                                               const std::vector<SituationStation> &stations,
                                               const QDate &searchDate);

// The statements used for one station (for the tests of the statement texts).
QString lastValueQuery(const QString &code, const QDate &searchDate);
QString lastValidatedQuery(const QString &code, const QDate &searchDate);
QString lastInterventionQuery(const QString &code, const QDate &searchDate);

} // namespace plx
