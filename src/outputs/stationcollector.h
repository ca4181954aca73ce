#pragma once

#include "outputs/bookmarktable.h"

#include <QString>

namespace plx {

class AccesBase;

// Who produces the report, for LOGIN, NOM_LOGIN and ORGANISME.
struct ReportAuthor
{
    QString login;
    QString name;
    QString organisation;
};

// Fills table with every bookmark of a rain gauge: its record, commune, contact,
// networks, interveners, measurement mode, photos, map fields, bulletins, access,
// equipment, documents, extra localisations and DOC_ID (a new document number, taken in
// its own transaction). False with a French error when the station does not exist or a
// statement fails.
bool collectStationBookmarks(AccesBase &db, const QString &stationCode,
                             const ReportAuthor &author, BookmarkTable &table,
                             QString *error = nullptr);

} // namespace plx
