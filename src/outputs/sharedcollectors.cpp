#include "outputs/sharedcollectors.h"

#include "db/accesbase.h"
#include "outputs/bookmarktable.h"
#include "outputs/collectorvalues.h"
#include "outputs/documentnumber.h"

namespace plx {

namespace {

bool failed(const RecordTable &rows, QString *error)
{
    if (rows.ok())
        return false;
    if (error)
        *error = rows.error();
    return true;
}

// One kind of equipment placed on the site now: its type and supplier, from the most
// recent placement.
bool collectEquipmentKind(AccesBase &db, const SiteTables &site, const QString &kind,
                          const QString &idColumn, const QString &bookmark, BookmarkTable &table,
                          QString *error)
{
    const QString placements = QStringLiteral("MAT_%1_AFFECTATION").arg(kind);
    const QString items = QStringLiteral("MAT_%1").arg(kind);
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT %2.LibelleType, MAT_FOURNISSEURS.Nom FROM (%1 LEFT JOIN %2 ON "
                       "%1.%3=%2.%3) LEFT JOIN MAT_FOURNISSEURS ON "
                       "%2.CodeFournisseur=MAT_FOURNISSEURS.CodeFournisseur WHERE %1.typesite=%4 "
                       "AND %1.CodeSite=%5 AND %6 ORDER BY %1.DateDebut DESC")
            .arg(placements, items, idColumn)
            .arg(site.equipmentSiteType)
            .arg(site.code, collect::currentLinkCondition(placements, site.today)));
    if (failed(rows, error))
        return false;
    if (rows.rowCount() > 0) {
        table.add(bookmark, collect::cellText(rows, 0, 0));
        table.add(bookmark + QStringLiteral("_FOURN"), collect::cellText(rows, 0, 1));
    }
    return true;
}

} // namespace

bool collectEquipment(AccesBase &db, const SiteTables &site, BookmarkTable &table, QString *error)
{
    return collectEquipmentKind(db, site, QStringLiteral("CENTRALES"), QStringLiteral("IDCentrale"),
                                QStringLiteral("CENTRALE"), table, error) &&
           collectEquipmentKind(db, site, QStringLiteral("CAPTEURS"), QStringLiteral("IDCapteur"),
                                QStringLiteral("CAPTEUR"), table, error);
}

bool collectNetworkFlags(AccesBase &db, const SiteTables &site, BookmarkTable &table,
                         QString *error)
{
    const QString links = QStringLiteral("LIEN_%1_RESEAUX").arg(site.linkPrefix);
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT %1.codeReseau FROM %1 WHERE %1.%2=%3 AND %4 ORDER BY "
                       "%1.dateDebut DESC")
            .arg(links, site.codeColumn, site.code,
                 collect::currentLinkCondition(links, site.today)));
    if (failed(rows, error))
        return false;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString network = collect::codeText(rows, r, 0);
        if (!network.isEmpty())
            table.add(QStringLiteral("NET_") + network, QStringLiteral("X"));
    }
    return true;
}

bool collectInterveners(AccesBase &db, const SiteTables &site, BookmarkTable &table, QString *error)
{
    // Each family and the column it shows; %1 is the link table. Codes stay text.
    struct Family
    {
        const char *prefix;
        const char *column;
        bool code;
    };
    static const Family kFamilies[] = {
        {"C_", "%1.CodeIntervenant", true},
        {"DEB_", "%1.DateDebut", false},
        {"FIN_", "%1.DateFin", false},
        {"REF_", "%1.ReferenceInterne", false},
        {"SIRET_", "INTERVENANTS.SIRET", true},
        {"INTER_NOM_", "INTERVENANTS.Nom", false},
        {"INTER_NUM_ADD_", "INTERVENANTS.BoiteLettre", false},
        {"INTER_ADD_", "INTERVENANTS.Rue", false},
        {"INTER_VILLE_", "INTERVENANTS.Ville", false},
        {"INTER_CP_", "INTERVENANTS.codeCedex", true},
        {"INTER_COMMENT_", "INTERVENANTS.Commentaires", false},
        {"INTER_EMAIL_", "INTERVENANTS.email", false},
        {"INTER_TEL_", "INTERVENANTS.Telephone", true},
        {"INTER_TEL2_", "INTERVENANTS.Telephone2", true},
        {"INTER_FAX_", "INTERVENANTS.Fax", true},
        {"INTER_MOB_", "INTERVENANTS.Portable", true},
        {"INTER_INSEE_", "INTERVENANTS.codeCommune", true},
        {"INTER_COMMUNE_", "COMMUNES.Nom", false},
        {"INTER_CT_NOM_", "CONTACTS.Nom", false},
        {"INTER_CT_ADD_", "CONTACTS.Adresse", false},
        {"INTER_CT_CP_", "CONTACTS.CodePostal", true},
        {"INTER_CT_COMMENT_", "CONTACTS.commentaire", false},
        {"INTER_CT_EMAIL_", "CONTACTS.Email", false},
        {"INTER_CT_BUR_", "CONTACTS.TelBureau", true},
        {"INTER_CT_TEL2_", "CONTACTS.telephone2", true},
        {"INTER_CT_FAX_", "CONTACTS.Fax", true},
    };
    const QString links = QStringLiteral("LIEN_%1_INTERVENANTS").arg(site.linkPrefix);
    QStringList columns{QStringLiteral("%1.TypeIntervenant")};
    for (const Family &family : kFamilies)
        columns << QLatin1String(family.column);
    const RecordTable rows = db.ExtraireRecords(
        (QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) +
         QStringLiteral(
             " FROM ((%1 INNER JOIN INTERVENANTS ON %1.CodeIntervenant = "
             "INTERVENANTS.CodeIntervenant) LEFT JOIN COMMUNES ON INTERVENANTS.codeCommune = "
             "COMMUNES.CodeCommune) LEFT JOIN CONTACTS ON %1.codeContact = CONTACTS.CodeContact "
             "WHERE %1.%2=%3 AND %4 ORDER BY %1.DateDebut DESC"))
            .arg(links, site.codeColumn, site.code,
                 collect::currentLinkCondition(links, site.today)));
    if (failed(rows, error))
        return false;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString type = collect::codeText(rows, r, 0);
        if (type.isEmpty())
            continue;
        int column = 1;
        for (const Family &family : kFamilies) {
            table.add(QLatin1String(family.prefix) + type,
                      family.code ? collect::codeText(rows, r, column)
                                  : collect::cellText(rows, r, column));
            ++column;
        }
    }
    return true;
}

bool collectDocuments(AccesBase &db, const SiteTables &site, BookmarkTable &table, QString *error)
{
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT MotCle, Emplacement FROM %1_DOCUMENTS WHERE %2=%3 AND MotCle IS "
                       "NOT NULL")
            .arg(site.tablePrefix, site.codeColumn, site.code));
    if (failed(rows, error))
        return false;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString keyword = rows.text(r, 0).trimmed();
        if (!keyword.isEmpty())
            table.add(keyword, rows.text(r, 1));
    }
    const std::optional<qint64> number = takeDocumentNumber(db, error);
    if (!number)
        return false;
    table.add(QStringLiteral("DOC_ID"), QString::number(*number), true);
    return true;
}

bool collectLocalisations(AccesBase &db, const SiteTables &site, BookmarkTable &table,
                          QString *error)
{
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT x, y, codeProjection FROM %1_LOCALISATIONS WHERE %2=%3")
            .arg(site.tablePrefix, site.codeColumn, site.code));
    if (failed(rows, error))
        return false;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString projection = collect::codeText(rows, r, 2);
        if (projection.isEmpty())
            continue;
        table.add(QStringLiteral("COORDONNEE_X_") + projection, collect::cellText(rows, r, 0),
                  !rows.at(r, 0).isNull());
        table.add(QStringLiteral("COORDONNEE_Y_") + projection, collect::cellText(rows, r, 1),
                  !rows.at(r, 1).isNull());
    }
    return true;
}

} // namespace plx
