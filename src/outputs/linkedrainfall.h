#pragma once

#include "outputs/bookmarktable.h"

#include <QDate>
#include <QHash>
#include <QString>

#include <optional>

namespace plx {

class AccesBase;

// The "#PLUVIO_" markers of a spreadsheet template: rainfall of the rain gauge linked to
// the station (STATIONS_LIEES, where a database has it; a rain gauge without a link is its
// own), read from its measurement table once per report.
//
// Over the record (the chosen period when there is one, else the whole table):
//   PLUVIO_CODE    the rain gauge read          PLUVIO_TOTAL  rainfall sum (mm)
//   PLUVIO_MAX     the largest value (mm)       PLUVIO_NB     number of values
//   PLUVIO_DEBUT   first date "dd/MM/yyyy"      PLUVIO_FIN    last date
// By calendar year:
//   PLUVIO_ANNEE_2023   rainfall sum of 2023
//   PLUVIO_ANNEE_N      of the period's last year (this year when no period is given);
//   PLUVIO_ANNEE_N-1 ... the years before it
// By month of the year N:
//   PLUVIO_MOIS_1 ... PLUVIO_MOIS_12    rainfall sum of January ... December
//   PLUVIO_JOURS_1 ... PLUVIO_JOURS_12  days with at least 1 mm (timed values summed by day)
// Sums, maxima and counts are numeric, rounded to the thousandth so that a sum of tenths
// reads as typed; a year or month without a value gives "".
class LinkedRainfall
{
public:
    // No database: every marker is empty.
    LinkedRainfall(AccesBase *db, const QString &stationCode, const QDate &periodStart,
                   const QDate &periodEnd);

    // The value of a marker name without its "#" ("PLUVIO_TOTAL"); nullopt when the name
    // is not one of the forms above.
    std::optional<Bookmark> value(const QString &name);

private:
    void readRecord();
    QString yearSum(int year);
    void readMonths();
    // The year N: the period's last day, else today.
    QDate yearN() const;
    QString linkedCode();

    AccesBase *m_db; // not owned
    QString m_station;
    QDate m_start, m_end;
    bool m_recordRead = false;
    QString m_code; // the rain gauge read
    QHash<QString, QString> m_record;
    QHash<int, QString> m_years;
    bool m_monthsRead = false;
    QHash<QString, QString> m_months; // "MOIS_3", "JOURS_3"
};

} // namespace plx
