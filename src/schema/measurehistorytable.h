#pragma once

#include "schema/schemacatalog.h"

namespace plx {

// HISTORIQUE_MESURES: one row per value a change of the measurement tables touched (who,
// when, from what, to what), and one summary row per batch of a bulk operation. The
// measurement tables keep their own columns: the sister modules read them as they are.
//
// Columns: CodePluviometre, DateMesure (the record's instant; for a summary row the upper
// bound of its range, inclusive, null for the whole table), DateMesureDebut (summary rows:
// the lower bound, exclusive, null when open), Parametre (Pluie, PluieEfficace, Etp,
// Valeur1..3, Continuite; null when only the validity changed), AncienneValeur,
// NouvelleValeur, AncienneValidite, NouvelleValidite, Nature (SAISIE, VALIDATION,
// DEVALIDATION, SUPPRESSION, IMPORT, CORRECTION, ANNULATION), TypeLigne ('A' record added,
// 'S' record deleted, 'M' record modified, 'L' batch summary), Login, DateModif, Lot (the
// batch identifier, one per save), Commentaire (summary rows: what the batch did).
TableSpec measureHistoryTableSpec();

// Creates the table and its indexes when missing; must run outside a transaction (a CREATE
// failing inside one would abort it on PostgreSQL). False with error when it cannot.
bool ensureMeasureHistoryTable(AccesBase &db, QString *error = nullptr);

} // namespace plx
