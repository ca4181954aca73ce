#pragma once

#include <QString>

namespace plx {

class AccesBase;

// UTILISATEURS_FAVORIS.typeStation of a rain gauge (the equipment tables number site
// types the same way: 2 is a rain gauge). The table is shared by the modules of the suite.
constexpr int kFavouriteStationType = 2;

// Whether the station with that public identifier is one of the user's favourites.
bool isFavouriteStation(AccesBase &db, const QString &login, const QString &identifiant);

// Adds or removes the favourite; false when the statement failed.
bool setFavouriteStation(AccesBase &db, const QString &login, const QString &identifiant,
                         bool favourite);

} // namespace plx
