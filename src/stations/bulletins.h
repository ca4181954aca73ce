#pragma once

#include <QDate>
#include <QSet>
#include <QString>

#include <vector>

namespace plx {

class AccesBase;

// The network bulletins (BULLETINS_PLUVIO) and the stations each one covers
// (BULLETINS_PLUVIO_SELECTION). A bulletin is numbered CodeBulletin, highest + 1.
struct Bulletin
{
    qlonglong code = 0; // 0: never saved
    QString titre;
    QString chapitre;
    QDate datePublication; // invalid: not given
    QString auteur;        // at most kBulletinAuthorLength characters
    int stationCount = 0;  // stations selected for it, as read
    bool linked = false;   // covers the station the list was read for
};

inline constexpr int kBulletinAuthorLength = 50;

struct BulletinLoad
{
    bool ok = false;
    QString error;
    std::vector<Bulletin> rows; // by code
};

// Every bulletin with its number of stations; with a station code, each one's linked flag
// says whether it covers that station.
BulletinLoad loadBulletins(AccesBase &db, const QString &stationCode = QString());

// Why the bulletin cannot be saved as it stands ("" when it can): a title is required,
// the author fits its column.
QString checkBulletin(const Bulletin &bulletin);

// Writes a new bulletin (code 0: takes the highest code + 1, set in bulletin.code) or the
// changes of an existing one. "" on success, else the French reason; nothing written then.
QString saveBulletin(AccesBase &db, Bulletin &bulletin);

// Deletes the bulletin and its station links in one transaction. "" or the reason.
QString deleteBulletin(AccesBase &db, qlonglong code);

// The stations the bulletin covers; false (error set) when they cannot be read.
bool readBulletinStations(AccesBase &db, qlonglong code, QSet<qlonglong> *stations, QString *error);

// Makes the bulletin cover exactly the stations of selected among those of shown, in one
// transaction; links to stations outside shown (out of the user's sight) stay as they are.
// "" or the reason.
QString writeBulletinStations(AccesBase &db, qlonglong code, const QSet<qlonglong> &shown,
                              const QSet<qlonglong> &selected);

} // namespace plx
