#pragma once

#include <QString>

#include <array>
#include <vector>

namespace plx {

class AccesBase;

// The period calendar PERIODES: one row per day of a leap year, giving the
// anchor day of its decade, month, quarter, year and hydrological half as "DD/MM/"
// texts, each with an "inverse" twin that sorts by date ("/MM/DD"; Hydro_inverse alone
// is "MM/DD/", as the hydrological update writes it).
struct PeriodeRow
{
    QString jour, jourInverse;
    QString decade, decadeInverse;
    QString mois, moisInverse;
    QString trimestre, trimestreInverse;
    QString annee, anneeInverse;
    QString hydro, hydroInverse;
};

// The twelve column names in creation order.
const std::array<const char *, 12> &periodesColumns();

// "01" to "12" for a month written with one or two digits ("9", "09"); anything else,
// empty text included, is September, "09".
QString normaliseHydroMonth(const QString &month);

// The 366 rows, from "01/01/" to "31/12/", for a hydrological year starting on the first
// of startMonth (normalised).
std::vector<PeriodeRow> computePeriodes(const QString &startMonth);

// CREATE TABLE PERIODES with its twelve text(6) columns.
bool createPeriodesTable(AccesBase &db, QString *error = nullptr);

// Rebuilds the content: every row and all twelve columns computed here and written in one
// transaction, whose row count is checked before it commits.
bool FillPeriodes(AccesBase &db, const QString &startMonth, QString *error = nullptr);

// Applies a hydrological start month ("01" to "12"; anything else is "09") with the two
// statements, in one transaction.
bool UpdateHydroYear(AccesBase &db, const QString &month, QString *error = nullptr);

// The start-up check: a missing table, or one whose count is not 366, is
// dropped, created and filled; a table with a null inverse column is filled again. A
// count that cannot be read for another reason than a missing table changes nothing.
struct PeriodesRepair
{
    bool ok = true;
    bool rebuilt = false;  // created (again) and filled
    bool refilled = false; // filled again (null inverse columns)
    QString error;
};
PeriodesRepair repairPeriodes(AccesBase &db, const QString &startMonth);

// The shared start month of the hydrological year: PARAMETRES, module 'PLX', identifier
// 'MoisDebutAnneeHydro'. PERIODES is one table for every user, so the month is one value
// for every user too. Reads "09" when absent or not a month.
QString readHydroStartMonth(AccesBase &db);
// For the administration screen: stores the month (refused unless it is a month, "1" to
// "12" or "01" to "12") and applies it to PERIODES, all in one transaction.
bool writeHydroStartMonth(AccesBase &db, const QString &month, const QString &login,
                          QString *error = nullptr);

} // namespace plx
