#pragma once

#include <QDate>
#include <QSet>
#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

namespace plx {

// One row of the rain-gauge list: a station, and its current manager when it has one (a
// station with two current managers gives two rows).
struct StationListRow
{
    qint64 code = 0;
    QString departement;
    QString commune;
    QString nom;
    QVariant altitude; // double, or null when not given
    QString gestionnaire;
    QDate creation;
    QDate fermeture;
    QString identifiant;
};

struct StationListResult
{
    bool ok = false;
    QString error;
    std::vector<StationListRow> rows;
};

// "PLX": the application name upper-cased without "READER", as the shared tables store it.
QString moduleCode();

// The FROM part shared by the list and the saved filters, so that a filter's columns are
// the list's.
QString stationListFrom();
// The list statement, restricted to the user's station scope when one applies.
QString stationListQuery();
StationListResult loadStationList();

// A saved list as the combo shows it: label + " [" code "]".
struct SavedListEntry
{
    qint64 code = 0;
    QString label;
};
std::vector<SavedListEntry> savedListEntries(const QString &login);
// The code of the user's default list of this module, if any.
std::optional<qint64> defaultListCode(const QString &login);

// The public identifiers of the user's favourite rain gauges.
QSet<QString> favouriteIdentifiers(const QString &login);

} // namespace plx
