#pragma once

#include "schema/schemacatalog.h"

namespace plx {

// CONTROLES_QUALITE: the flags the quality rules raised on a station's values and what the
// user decided about them. One row per (station, instant, parameter, rule).
//
// Columns: CodePluviometre, DateMesure (the record's instant), Parametre (Pluie,
// PluieEfficace, Etp, Valeur1..3), Regle (the rule's key), Severite (1 faible, 2 moyenne,
// 3 forte), Valeur (the value the rule saw; null for a missed event), Explication, Statut
// (OUVERT, ACCEPTE, CORRIGE), Actif (1 while the last run over the instant still raised
// it; a decided flag that stopped firing is kept with 0 for its decision), LoginDecision and
// DateDecision (who decided, when), DateControle (the run that last raised it).
TableSpec qualityFlagTableSpec();

// Creates the table and its index when missing; must run outside a transaction. False
// with error when it cannot.
bool ensureQualityFlagTable(AccesBase &db, QString *error = nullptr);

} // namespace plx
