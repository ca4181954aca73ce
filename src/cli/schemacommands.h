#pragma once

#include <QStringList>

namespace plx::cli {

// plx init --db FICHIER [--demo]: a new database at the current schema (and the demo
// network with --demo). Also --pg / --odbc on an empty database.
int initCommand(const QStringList &arguments);
// plx upgrade (--db | --pg | --odbc) [--force]: the schema version check and upgrade,
// printing each step.
int upgradeCommand(const QStringList &arguments);

} // namespace plx::cli
