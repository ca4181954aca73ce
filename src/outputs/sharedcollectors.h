#pragma once

#include <QDate>
#include <QString>

namespace plx {

class AccesBase;
class BookmarkTable;

// The collectors every station module shares, told which tables to read: the link table
// prefix ("PLUVIO": LIEN_PLUVIO_RESEAUX), the table prefix ("Pluviometre":
// Pluviometre_DOCUMENTS), the code column ("CodePluviometre") and the station's code,
// already checked as a number. Each adds its bookmarks to table and returns false with the
// statement's error when one fails.
struct SiteTables
{
    QString linkPrefix;  // "PLUVIO"
    QString tablePrefix; // "Pluviometre"
    QString codeColumn;  // "CodePluviometre"
    QString code;        // "12"
    int equipmentSiteType = 3;
    QDate today;
};

// CENTRALE, CENTRALE_FOURN, CAPTEUR, CAPTEUR_FOURN: equipment placed on the site now.
bool collectEquipment(AccesBase &db, const SiteTables &site, BookmarkTable &table, QString *error);
// NET_ + network code = "X" for each current network.
bool collectNetworkFlags(AccesBase &db, const SiteTables &site, BookmarkTable &table,
                         QString *error);
// The family bookmarks (C_, DEB_, FIN_, REF_, SIRET_, INTER_..., INTER_CT_...) + intervener
// type, for each current intervener with its contact; the most recent link of a type wins.
bool collectInterveners(AccesBase &db, const SiteTables &site, BookmarkTable &table,
                        QString *error);
// Each document keyword = the document's location, then DOC_ID (a new number).
bool collectDocuments(AccesBase &db, const SiteTables &site, BookmarkTable &table, QString *error);
// COORDONNEE_X_ and COORDONNEE_Y_ + projection code, numeric.
bool collectLocalisations(AccesBase &db, const SiteTables &site, BookmarkTable &table,
                          QString *error);

} // namespace plx
