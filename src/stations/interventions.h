#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>
#include <vector>

namespace plx {

class AccesBase;

// The interventions on the rain gauges (EVENEMENTS_PLUVIO) read across stations, and the
// printable report of one of them.

struct InterventionFilter
{
    std::optional<QDate> from;       // first day included
    std::optional<QDate> to;         // last day included, whatever the time of the rows
    std::vector<qlonglong> stations; // empty: every station the user may see
    QString type;                    // "" every kind; else compared ignoring case
};

struct InterventionRow
{
    qlonglong station = 0;
    QString stationName;
    QString identifiant;
    QString commune;
    int numero = 0;
    QDate date;
    QTime time; // invalid when not given
    QString type;
    QString intervenant; // the contact's name
    QString probleme;
    QString solution;
    QString commentaires;
    QDate cloture;
};

struct InterventionLoad
{
    bool ok = false;
    QString error;
    std::vector<InterventionRow> rows; // newest first, then by station and number
};

// The statement of the list (Access-flavoured), restricted to the user's station scope.
QString interventionListQuery(const InterventionFilter &filter);
InterventionLoad loadInterventions(AccesBase &db, const InterventionFilter &filter);

// The kinds of intervention in use, sorted in French order.
QStringList interventionTypes(AccesBase &db);

// The report of one intervention: its station (code, name, identifier, place), its date,
// interveners, findings, actions and comments, as a page of HTML ready to print.
struct InterventionReport
{
    bool ok = false;
    QString error; // French, when not ok
    QString title; // "Rapport d'intervention n° 3 - NOM"
    QString html;
};
InterventionReport interventionReport(AccesBase &db, qlonglong station, int numero);

} // namespace plx
