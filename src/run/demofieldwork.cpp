#include "run/demofieldwork.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "db/transaction.h"

#include <QDate>

namespace plx {

namespace {

QString dateSql(const QDate &day)
{
    return FormatDateSQL(formatDate(day), false);
}

struct Visit
{
    int month; // of the base year
    const char *type;
    const char *time;
    const char *probleme;
    const char *solution;
    const char *commentaires;
    const char *batteries; // "O" / "N"
    double volt;
    bool download;
    bool transmission;
    int closedAfterDays; // -1: not closed
};

// A routine visit for every active station; maintenance on one in two; a breakdown on one
// in three.
const Visit kVisits[] = {
    {4, "Visite", "09:30:00", "Entonnoir partiellement obstrué par des feuilles.",
     "Nettoyage de l'entonnoir et de l'auget basculeur, contrôle de l'horizontalité.",
     "Site propre, clôture en bon état.", "N", 12.7, true, false, 0},
    {10, "Maintenance", "14:15:00", "Tension de la batterie faible (11,4 V).",
     "Remplacement de la batterie et des piles de la centrale ; test de transmission.",
     "Prévoir l'élagage de la haie au nord avant l'été.", "O", 11.4, true, true, 0},
    {2, "Panne", "08:00:00", "Absence de transmission depuis trois jours.",
     "Redémarrage du modem, test de transmission concluant. Données récupérées sur place.",
     "Carte SIM à surveiller.", "N", 12.5, true, true, 2},
};

} // namespace

bool writeDemoFieldWork(AccesBase &db, Transaction &transaction, const std::vector<DemoSite> &sites,
                        QString *error)
{
    const auto exec = [&](const QString &sql) {
        if (transaction.exec(sql))
            return true;
        if (error)
            *error = transaction.error();
        return false;
    };
    // A database of the suite made by an older module may lack them: nothing to show then.
    const bool interventions = db.tableExists(QStringLiteral("EVENEMENTS_PLUVIO"));
    std::vector<const DemoSite *> active;
    for (size_t i = 0; i < sites.size(); ++i) {
        const DemoSite &site = sites[i];
        if (!site.active)
            continue;
        active.push_back(&site);
        int numero = 0;
        for (size_t v = 0; interventions && v < std::size(kVisits); ++v) {
            if ((v == 1 && active.size() % 2 == 0) || (v == 2 && active.size() % 3 != 1))
                continue;
            const Visit &visit = kVisits[v];
            // Spread over the month so that the list is not one date repeated.
            const QDate day((visit.month <= 3 ? 2026 : 2025), visit.month,
                            1 + int((i * 3 + v * 5) % 27));
            const QString closed = visit.closedAfterDays < 0
                                       ? QStringLiteral("NULL")
                                       : dateSql(day.addDays(visit.closedAfterDays));
            const QStringList values{
                sqlNumber(site.code),
                sqlNumber(++numero),
                dateSql(day),
                FormatHeureSQL(QString::fromLatin1(visit.time)),
                sqlQuote(QString::fromUtf8(visit.type)),
                sqlQuote(QString::fromUtf8(visit.probleme)),
                sqlQuote(QString::fromUtf8(visit.solution)),
                sqlQuote(QString::fromUtf8(visit.commentaires)),
                sqlQuote(QString::fromLatin1(visit.batteries)),
                sqlNumber(visit.volt),
                visit.download ? QStringLiteral("true") : QStringLiteral("false"),
                visit.transmission ? QStringLiteral("true") : QStringLiteral("false"),
                site.contact > 0 ? sqlNumber(site.contact) : QStringLiteral("NULL"),
                closed,
                QStringLiteral("'ADMIN'"),
                dateSql(day)};
            if (!exec(QStringLiteral("INSERT INTO EVENEMENTS_PLUVIO (CodePluviometre, Numero, "
                                     "DateEvenement, heureEvenement, type, probleme, solution, "
                                     "Commentaires, ChgtPiles, Volt, downloadData, "
                                     "testTransmission, codeContact, dateCloture, loginMaj, "
                                     "dateMaj) VALUES (") +
                      values.join(QStringLiteral(", ")) + QLatin1Char(')')))
                return false;
        }
    }

    if (active.empty() || !db.tableExists(QStringLiteral("BULLETINS_PLUVIO")) ||
        !db.tableExists(QStringLiteral("BULLETINS_PLUVIO_SELECTION")))
        return true;
    const RecordTable existing =
        db.ExtraireRecords(QStringLiteral("SELECT count(*) FROM BULLETINS_PLUVIO"));
    if (!existing.ok()) {
        if (error)
            *error = existing.error();
        return false;
    }
    if (existing.rowCount() > 0 && existing.at(0, 0).toLongLong() > 0)
        return true;
    enum class Region { All, Brittany, Provence };
    struct Issue
    {
        const char *titre;
        const char *chapitre;
        QDate published;
        const char *auteur;
        Region region;
    };
    const Issue issues[] = {
        {"Bulletin pluviométrique mensuel - mars 2026",
         "Précipitations du mois et comparaison aux normales 1991-2020", QDate(2026, 4, 8),
         "Service hydrologie", Region::All},
        {"Bilan de la recharge hivernale 2025-2026 en Bretagne",
         "Cumuls d'octobre à mars et pluies efficaces", QDate(2026, 4, 20), "Service hydrologie",
         Region::Brittany},
        {"Épisode méditerranéen des 14 et 15 octobre 2025",
         "Cumuls sur 48 heures et intensités horaires", QDate(2025, 10, 24), "Cellule de veille",
         Region::Provence},
    };
    qint64 code = 0;
    for (const Issue &issue : issues) {
        ++code;
        if (!exec(QStringLiteral("INSERT INTO BULLETINS_PLUVIO (CodeBulletin, Titre, Chapitre, "
                                 "DatePublication, Auteur) VALUES (%1, %2, %3, %4, %5)")
                      .arg(sqlNumber(code), sqlQuote(QString::fromUtf8(issue.titre)),
                           sqlQuote(QString::fromUtf8(issue.chapitre)), dateSql(issue.published),
                           sqlQuote(QString::fromUtf8(issue.auteur)))))
            return false;
        for (const DemoSite *site : active) {
            if ((issue.region == Region::Brittany && !site->brittany) ||
                (issue.region == Region::Provence && site->brittany))
                continue;
            if (!exec(QStringLiteral("INSERT INTO BULLETINS_PLUVIO_SELECTION (CodeBulletin, "
                                     "CodePluviometre) VALUES (%1, %2)")
                          .arg(sqlNumber(code), sqlNumber(site->code))))
                return false;
        }
    }
    return true;
}

} // namespace plx
