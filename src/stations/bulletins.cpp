#include "stations/bulletins.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "stations/stationcodes.h"

#include <QHash>

#include <algorithm>

namespace plx {

namespace {

QString textOrNull(const QString &text)
{
    return text.trimmed().isEmpty() ? QStringLiteral("NULL") : sqlQuote(text.trimmed());
}

QString dateOrNull(const QDate &date)
{
    const QString literal = date.isValid() ? FormatDateSQL(formatDate(date), false) : QString();
    return literal.isEmpty() ? QStringLiteral("NULL") : literal;
}

qlonglong codeOf(const QVariant &value)
{
    return qlonglong(value.toDouble());
}

// Two sessions creating bulletins at once must not both take max + 1: SQLite's
// transactions already hold the write lock; PostgreSQL needs the table locked.
bool lockBulletinCodes(AccesBase &db, QString *error)
{
    if (db.dialect() != SqlDialect::PostgreSQL)
        return true;
    return db.executeNative(
        QStringLiteral("LOCK TABLE bulletins_pluvio IN SHARE ROW EXCLUSIVE MODE"), error);
}

} // namespace

BulletinLoad loadBulletins(AccesBase &db, const QString &stationCode)
{
    BulletinLoad load;
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT CodeBulletin, Titre, Chapitre, DatePublication, Auteur FROM "
                       "BULLETINS_PLUVIO ORDER BY CodeBulletin"));
    if (!rows.ok()) {
        load.error = rows.error();
        return load;
    }
    const RecordTable counts =
        db.ExtraireRecords(QStringLiteral("SELECT CodeBulletin, count(CodePluviometre) FROM "
                                          "BULLETINS_PLUVIO_SELECTION GROUP BY CodeBulletin"));
    if (!counts.ok()) {
        load.error = counts.error();
        return load;
    }
    QHash<qlonglong, int> stationCounts;
    for (int r = 0; r < counts.rowCount(); ++r)
        stationCounts[codeOf(counts.at(r, 0))] += counts.at(r, 1).toInt();
    QSet<qlonglong> linked;
    const QString station = normalisedStationCode(stationCode);
    if (!station.isEmpty()) {
        const RecordTable links = db.ExtraireRecords(
            QStringLiteral("SELECT DISTINCT CodeBulletin FROM BULLETINS_PLUVIO_SELECTION WHERE "
                           "CodePluviometre=") +
            station);
        if (!links.ok()) {
            load.error = links.error();
            return load;
        }
        for (int r = 0; r < links.rowCount(); ++r)
            linked.insert(codeOf(links.at(r, 0)));
    }
    load.rows.reserve(size_t(rows.rowCount()));
    for (int r = 0; r < rows.rowCount(); ++r) {
        Bulletin b;
        b.code = codeOf(rows.at(r, 0));
        b.titre = rows.text(r, 1);
        b.chapitre = rows.text(r, 2);
        b.datePublication = rows.at(r, 3).toDateTime().date();
        b.auteur = rows.text(r, 4).trimmed();
        b.stationCount = stationCounts.value(b.code);
        b.linked = linked.contains(b.code);
        load.rows.push_back(std::move(b));
    }
    load.ok = true;
    return load;
}

QString checkBulletin(const Bulletin &bulletin)
{
    if (bulletin.titre.trimmed().isEmpty())
        return QStringLiteral("Saisissez le titre du bulletin.");
    if (bulletin.auteur.trimmed().size() > kBulletinAuthorLength)
        return QStringLiteral("Le nom de l'auteur ne doit pas dépasser %1 caractères.")
            .arg(kBulletinAuthorLength);
    if (bulletin.datePublication.isValid() && (bulletin.datePublication.year() < kFirstYear ||
                                               bulletin.datePublication.year() > kLastYear))
        return QStringLiteral("La date de publication doit être comprise entre 1800 et 3000.");
    return QString();
}

QString saveBulletin(AccesBase &db, Bulletin &bulletin)
{
    const QString refused = checkBulletin(bulletin);
    if (!refused.isEmpty())
        return refused;
    const QString failed = QStringLiteral("L'enregistrement du bulletin a échoué : ");
    Transaction transaction(db);
    QString error;
    if (!transaction.started())
        return failed + transaction.error();
    const QString values =
        QStringLiteral("%1, %2, %3, %4")
            .arg(textOrNull(bulletin.titre), textOrNull(bulletin.chapitre),
                 dateOrNull(bulletin.datePublication), textOrNull(bulletin.auteur));
    qlonglong code = bulletin.code;
    if (code <= 0) {
        if (!lockBulletinCodes(db, &error))
            return failed + error;
        const RecordTable highest =
            db.ExtraireRecords(QStringLiteral("SELECT max(CodeBulletin) FROM BULLETINS_PLUVIO"));
        if (!highest.ok())
            return failed + highest.error();
        code =
            highest.rowCount() > 0 && !highest.at(0, 0).isNull() ? codeOf(highest.at(0, 0)) + 1 : 1;
        if (!transaction.exec(QStringLiteral("INSERT INTO BULLETINS_PLUVIO (CodeBulletin, Titre, "
                                             "Chapitre, DatePublication, Auteur) VALUES (%1, %2)")
                                  .arg(sqlNumber(code), values)))
            return failed + transaction.error();
    } else {
        const RecordTable exists = db.ExtraireRecords(
            QStringLiteral("SELECT count(*) FROM BULLETINS_PLUVIO WHERE CodeBulletin=") +
            sqlNumber(code));
        if (!exists.ok())
            return failed + exists.error();
        if (exists.at(0, 0).toLongLong() == 0)
            return QStringLiteral("Ce bulletin n'existe plus : il a été supprimé entre-temps.");
        if (!transaction.exec(QStringLiteral("UPDATE BULLETINS_PLUVIO SET Titre=%1, Chapitre=%2, "
                                             "DatePublication=%3, Auteur=%4 WHERE CodeBulletin=%5")
                                  .arg(textOrNull(bulletin.titre), textOrNull(bulletin.chapitre),
                                       dateOrNull(bulletin.datePublication),
                                       textOrNull(bulletin.auteur), sqlNumber(code))))
            return failed + transaction.error();
    }
    if (!transaction.commit())
        return failed + transaction.error();
    bulletin.code = code;
    bulletin.titre = bulletin.titre.trimmed();
    bulletin.chapitre = bulletin.chapitre.trimmed();
    bulletin.auteur = bulletin.auteur.trimmed();
    return QString();
}

QString deleteBulletin(AccesBase &db, qlonglong code)
{
    const QString failed = QStringLiteral("La suppression du bulletin a échoué : ");
    Transaction transaction(db);
    const QString where = QStringLiteral(" WHERE CodeBulletin=") + sqlNumber(code);
    if (!transaction.exec(QStringLiteral("DELETE FROM BULLETINS_PLUVIO_SELECTION") + where) ||
        !transaction.exec(QStringLiteral("DELETE FROM BULLETINS_PLUVIO") + where) ||
        !transaction.commit())
        return failed + transaction.error();
    return QString();
}

bool readBulletinStations(AccesBase &db, qlonglong code, QSet<qlonglong> *stations, QString *error)
{
    const RecordTable links = db.ExtraireRecords(
        QStringLiteral("SELECT CodePluviometre FROM BULLETINS_PLUVIO_SELECTION WHERE "
                       "CodeBulletin=") +
        sqlNumber(code));
    if (!links.ok()) {
        if (error)
            *error = links.error();
        return false;
    }
    stations->clear();
    for (int r = 0; r < links.rowCount(); ++r) {
        if (!links.at(r, 0).isNull())
            stations->insert(codeOf(links.at(r, 0)));
    }
    return true;
}

QString writeBulletinStations(AccesBase &db, qlonglong code, const QSet<qlonglong> &shown,
                              const QSet<qlonglong> &selected)
{
    const QString failed = QStringLiteral("La sélection des stations du bulletin n'a pas pu "
                                          "être enregistrée : ");
    Transaction transaction(db);
    if (!transaction.started())
        return failed + transaction.error();
    QSet<qlonglong> current;
    QString error;
    // Read inside the transaction, so that links added meanwhile by another user count.
    if (!readBulletinStations(db, code, &current, &error))
        return failed + error;
    std::vector<qlonglong> stations(shown.cbegin(), shown.cend());
    std::sort(stations.begin(), stations.end());
    for (const qlonglong station : stations) {
        const bool wanted = selected.contains(station);
        if (wanted == current.contains(station))
            continue;
        const QString sql =
            wanted ? QStringLiteral("INSERT INTO BULLETINS_PLUVIO_SELECTION (CodeBulletin, "
                                    "CodePluviometre) VALUES (%1, %2)")
                         .arg(sqlNumber(code), sqlNumber(station))
                   : QStringLiteral("DELETE FROM BULLETINS_PLUVIO_SELECTION WHERE CodeBulletin=%1 "
                                    "AND CodePluviometre=%2")
                         .arg(sqlNumber(code), sqlNumber(station));
        if (!transaction.exec(sql))
            return failed + transaction.error();
    }
    if (!transaction.commit())
        return failed + transaction.error();
    return QString();
}

} // namespace plx
