#pragma once

#include "schema/schemacatalog.h"

namespace plx {

// The history of measured values, in two tables. The measurement tables keep their own
// columns: the sister modules read them as they are.
//
// HISTORIQUE_VALEURS: one row per value a change touched, appended in the order written,
// numbered by Numero. It has no index but its key, so that a save of ten thousand values
// does not pay for two more. Columns: Numero, Lot (the batch), DateMesure (the record's
// instant), Parametre (Pluie, PluieEfficace, Etp, Valeur1..3, Continuite; null when only
// the validity changed), AncienneValeur, NouvelleValeur, AncienneValidite,
// NouvelleValidite, TypeLigne ('A' record added, 'S' record deleted, 'M' record modified).
//
// HISTORIQUE_LOTS: one row per batch (a save, a validation, an import), with what its
// rows share and where they lie: Lot (the batch identifier), CodePluviometre, Nature
// (SAISIE, VALIDATION, DEVALIDATION, SUPPRESSION, IMPORT, CORRECTION, ANNULATION), Login,
// DateModif, NumeroDebut and NumeroFin (the range of Numero holding its rows: another
// client's rows may lie between on a server, they carry another Lot), PremiereMesure and
// DerniereMesure (the instants of its rows), and, when the batch has a summary
// (TypeLigne 'L'), Commentaire and the range it covers: DateMesureDebut (exclusive) and
// DateMesureFin (inclusive), each null for an open end.
TableSpec measureHistoryValuesTableSpec();
TableSpec measureHistoryBatchesTableSpec();

// Creates the tables and their indexes when missing; must run outside a transaction (a
// CREATE failing inside one would abort it on PostgreSQL). False with error when it
// cannot.
bool ensureMeasureHistoryTable(AccesBase &db, QString *error = nullptr);
// Whether the database has the history (a database from before it reads as empty).
bool hasMeasureHistory(AccesBase &db);

} // namespace plx
