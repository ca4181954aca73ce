#pragma once

#include "schema/schemacatalog.h"

namespace plx {

// SEUILS_CONTROLES: the quality-control thresholds a station departs from the defaults
// with, one row per (CodePluviometre, Cle) holding its Valeur. A station without rows
// uses the program's defaults, so better defaults reach every station that kept them.
TableSpec qualityThresholdsTableSpec();

// Creates the table and its index when missing; must run outside a transaction (a CREATE
// failing inside one would abort it on PostgreSQL). False with error when it cannot.
bool ensureQualityThresholdsTable(AccesBase &db, QString *error = nullptr);

} // namespace plx
