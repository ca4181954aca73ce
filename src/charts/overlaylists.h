#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace plx {

class AccesBase;

// The saved lists the overlay screens offer: every list of the module for "ADMIN", else
// the lists named for the login or for "ALL".
QString overlaySavedListsQuery(const QString &login);

struct OverlaySavedList
{
    QString label;
    QString formuleFiltre;
    qint64 code = 0;
    // What the combo shows: the label, 100 spaces, then " [code]" out of sight.
    QString comboText() const;
};
std::vector<OverlaySavedList> overlaySavedLists(AccesBase &db, const QString &login);
// The code between the brackets of a combo text; 0 when there is none.
qint64 overlaySavedListCode(const QString &comboText);

// The piezometers to pick from, with their commune and aquifers. scoped restricts them to
// the login's PIEZO rows of utilisateurs_stations; filter is a further condition (without
// WHERE) joined to the scope by AND.
QString piezometerListQuery(const QString &login, bool scoped, const QString &filter);

struct PiezometerListRow
{
    QString code;
    QString bss;
    QString nom;
    QString commune;
    QString departement;
    QString entites; // the aquifers' names, joined by " / "
    QString altitude;
};
// One row per piezometer, its aquifers gathered into that row, in name order. ok false
// (error set) when the statement fails.
std::vector<PiezometerListRow> loadPiezometerList(AccesBase &db, const QString &login, bool scoped,
                                                  const QString &filter, bool *ok = nullptr,
                                                  QString *error = nullptr);
// Whether the login has piezometers in its station scope (its rows decide, not a right).
bool hasPiezometerScope(AccesBase &db, const QString &login);

} // namespace plx
