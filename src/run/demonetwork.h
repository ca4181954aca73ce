#pragma once

#include <QString>

#include <functional>

namespace plx {

class AccesBase;

// Called between stations while the demo network is written: stations done, stations in all.
using DemoProgress = std::function<void(int done, int total)>;

// The database a new user meets at the first start: about twenty real rain gauges of
// Météo-France (Bouches-du-Rhône daily series, three hourly Brittany stations) with their
// communes, contacts, managers, networks, normals and measurement tables, and three
// Brittany piezometers of ADES with their commune, aquifer and daily levels.
//
// Creates the SQLite file (and its folder) when missing, connects AccesBase::instance() to
// it, brings it to the current schema and fills it. The access object stays connected to
// the file. Running it again on the same file adds nothing. On failure, error holds a
// French message and nothing of the demo is left half-written.
bool createDemoNetwork(const QString &sqlitePath, QString *error = nullptr,
                       const DemoProgress &progress = {});

// Fills the database db is connected to, whose schema must already be current. Stations
// already there (same Identifiant) and piezometers already there (same CodeBSS) are left
// alone, as are reference rows that exist; the stations and piezometers get codes that
// are free. Everything is written in one transaction.
bool fillDemoNetwork(AccesBase &db, QString *error = nullptr, const DemoProgress &progress = {});

} // namespace plx
