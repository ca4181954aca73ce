#include "db/accesbase.h"
#include "db/sqltext.h"
#include "schema/schemasteps.h"

#include <QMap>

namespace plx::schema {

namespace {

const QString kPluviometres = QStringLiteral("PLUVIOMETRES");

// Moves the installation columns that MODES_MESURES_PLUVIO once held into
// OUVRAGES_PLUVIO (the most recent non-empty values of each station without an
// installation row), then drops them.
void moveInstallationColumns(SchemaWriter &writer)
{
    const QString modes = QStringLiteral("MODES_MESURES_PLUVIO");
    const QStringList moved{QStringLiteral("TypeStation"), QStringLiteral("TypeCapteur"),
                            QStringLiteral("TelephoneStation")};
    QStringList present;
    for (const QString &column : moved) {
        if (writer.columnExists(modes, column))
            present << column;
    }
    if (!present.isEmpty()) {
        AccesBase &db = writer.db();
        const RecordTable rows = db.ExtraireRecords(
            QStringLiteral(
                "SELECT CodePluviometre, %1 FROM MODES_MESURES_PLUVIO WHERE CodePluviometre "
                "is not null AND CodePluviometre not in (SELECT CodePluviometre FROM "
                "OUVRAGES_PLUVIO WHERE CodePluviometre is not null) ORDER BY CodePluviometre, "
                "DateDebut")
                .arg(present.join(QStringLiteral(", "))));
        if (!rows.ok()) {
            writer.fail(rows.error());
            return; // keep the columns: their values are not copied yet
        }
        // Later rows (more recent DateDebut) overwrite earlier ones, value by value.
        QMap<double, QStringList> latest;
        for (int r = 0; r < rows.rowCount(); ++r) {
            QStringList &values = latest[rows.at(r, 0).toDouble()];
            values.resize(present.size());
            for (int c = 0; c < present.size(); ++c) {
                const QString value = rows.text(r, c + 1).trimmed();
                if (!value.isEmpty())
                    values[c] = value;
            }
        }
        bool copied = true;
        for (auto it = latest.cbegin(); it != latest.cend(); ++it) {
            QStringList values;
            for (const QString &value : it.value())
                values << (value.isEmpty() ? QStringLiteral("null") : sqlQuote(value));
            copied =
                writer.run(QStringLiteral(
                               "INSERT INTO OUVRAGES_PLUVIO (CodePluviometre, %1) VALUES (%2, %3)")
                               .arg(present.join(QStringLiteral(", ")), sqlNumber(it.key()),
                                    values.join(QStringLiteral(", ")))) &&
                copied;
        }
        if (!latest.isEmpty())
            writer.note(
                QStringLiteral("Description de %1 installation(s) copiée de MODES_MESURES_PLUVIO "
                               "vers OUVRAGES_PLUVIO")
                    .arg(latest.size()));
        if (!copied)
            return;
    }
    for (const QString &column : moved)
        writer.dropColumn(modes, column);
    writer.dropColumn(modes, QStringLiteral("ProfondeurOuvrage"));
}

// PARAMETRES_LISTE_PLUVIO replaces PARAMETRES_AFFICHAGE_LISTE_PLUVIO: copy, then drop.
// An old table of another shape is left alone, with a warning.
void moveListWidths(SchemaWriter &writer)
{
    const QString old = QStringLiteral("PARAMETRES_AFFICHAGE_LISTE_PLUVIO");
    if (!writer.tableExists(old))
        return;
    for (const char *column : {"utilisateur", "indiceColonne", "largeur"}) {
        if (!writer.columnExists(old, QString::fromLatin1(column))) {
            writer.warn(
                QStringLiteral("%1 n'a pas la colonne %2 : ses largeurs n'ont pas été copiées "
                               "dans PARAMETRES_LISTE_PLUVIO.")
                    .arg(old, QString::fromLatin1(column)));
            return;
        }
    }
    if (writer.run(QStringLiteral(
                       "INSERT INTO PARAMETRES_LISTE_PLUVIO (utilisateur, indiceColonne, largeur) "
                       "SELECT utilisateur, indiceColonne, largeur FROM %1")
                       .arg(old),
                   QStringLiteral("Largeurs de colonnes copiées de %1").arg(old)))
        writer.dropTable(old);
}

// Text of the manager views for the engine: "current" is a link whose start is not
// after today and whose end is null or not before today, compared by day.
QString managerViewSql(SqlDialect dialect, const QString &view, int type)
{
    QString today, tomorrow;
    switch (dialect) {
    case SqlDialect::SQLite:
        // Date-times are 'YYYY-MM-DD HH:MM:SS' text in our SQLite files.
        today = QStringLiteral("(date('now','localtime') || ' 00:00:00')");
        tomorrow = QStringLiteral("(date('now','localtime','+1 day') || ' 00:00:00')");
        break;
    case SqlDialect::PostgreSQL:
        today = QStringLiteral("current_date");
        tomorrow = QStringLiteral("(current_date + 1)");
        break;
    case SqlDialect::Oracle:
        today = QStringLiteral("TRUNC(SYSDATE)");
        tomorrow = QStringLiteral("(TRUNC(SYSDATE) + 1)");
        break;
    case SqlDialect::Access:
        today = QStringLiteral("Date()");
        tomorrow = QStringLiteral("(Date() + 1)");
        break;
    }
    return QStringLiteral("CREATE VIEW %1 AS SELECT LIEN_PLUVIO_INTERVENANTS.CodePluviometre, "
                          "LIEN_PLUVIO_INTERVENANTS.DateDebut, LIEN_PLUVIO_INTERVENANTS.DateFin, "
                          "LIEN_PLUVIO_INTERVENANTS.TypeIntervenant, INTERVENANTS.Nom FROM "
                          "INTERVENANTS INNER JOIN "
                          "LIEN_PLUVIO_INTERVENANTS ON INTERVENANTS.CodeIntervenant = "
                          "LIEN_PLUVIO_INTERVENANTS.CodeIntervenant WHERE "
                          "(LIEN_PLUVIO_INTERVENANTS.DateDebut IS "
                          "NULL OR LIEN_PLUVIO_INTERVENANTS.DateDebut < %2) AND "
                          "(LIEN_PLUVIO_INTERVENANTS.DateFin "
                          "IS NULL OR LIEN_PLUVIO_INTERVENANTS.DateFin >= %3) AND "
                          "LIEN_PLUVIO_INTERVENANTS.TypeIntervenant = %4")
        .arg(view, tomorrow, today)
        .arg(type);
}

} // namespace

QStringList specificViews()
{
    return {QStringLiteral("LIEN_PLUVIO_GESTIONNAIRE"), QStringLiteral("LIEN_PLUVIO_AGENCE")};
}

void stationTables(SchemaWriter &writer)
{
    // codeCommuneDeclaration is initialised from the commune when it appears.
    if (writer.tableExists(kPluviometres)) {
        writer.ensureColumn(
            kPluviometres, text("codeCommuneDeclaration", 12),
            QStringLiteral("UPDATE Pluviometres set codeCommuneDeclaration=CodeCommune"));
    }
    writer.ensureTable({kPluviometres,
                        {real("CodePluviometre"),
                         text("Nom", 255),
                         dateTime("DateCreation"),
                         dateTime("DateFermeture"),
                         real("X"),
                         real("Y"),
                         shortInt("TypeProjection"),
                         real("Altitude"),
                         shortInt("ExpressionMesure"),
                         memo("Commentaires"),
                         text("CodeCommune", 12),
                         shortInt("CodeContact"),
                         text("Identifiant", 17),
                         text("adresse", 255),
                         text("codePays", 2),
                         text("codeQualitoInter", 20),
                         longInt("jobExecutionId"),
                         text("loginmaj", 50),
                         dateTime("datemaj"),
                         shortInt("nbTournees"),
                         text("codeCommuneDeclaration", 12)}});

    writer.ensureTable({QStringLiteral("PLUVIOMETRE_LOCALISATIONS"),
                        {real("CodePluviometre"), real("CodeProjection"), real("X"), real("Y"),
                         real("Z"), real("Precision")}});
    writer.ensureTable({QStringLiteral("PLUVIOMETRE_NORMALES"),
                        {real("CodePluviometre"), real("Mois"), real("Valeur"), text("Titre", 100),
                         real("etp"), real("pluieEfficace")}});
    writer.ensureTable({QStringLiteral("PLUVIOMETRE_DOCUMENTS"),
                        {real("CodePluviometre"), real("CodeDocument"), text("Emplacement", 255),
                         text("MotCle", 24), text("Titre", 255)}});
    writer.ensureTable({QStringLiteral("PLUVIOMETRE_PHOTO"),
                        {real("CodePluviometre"), text("PhotoSite", 255), text("PhotoRepere", 255),
                         text("PhotoCarte", 255), text("PhotoStation", 255),
                         text("PhotoCoupe", 255), text("PhotoP1", 255), text("PhotoP2", 255),
                         text("PhotoP3", 255), text("PhotoP4", 255), text("PhotoP5", 255)}});
    writer.ensureTable({QStringLiteral("PLUVIOMETRES_INFO_GEO"),
                        {real("codepluviometre"), text("carteIGN", 50), text("carteGeologique", 50),
                         text("parcelle", 255), text("section", 255)}});
    writer.ensureTable(
        {QStringLiteral("OUVRAGES_PLUVIO"),
         {real("CodePluviometre"), text("TypeStation", 50), text("TypeCapteur", 50),
          text("TelephoneStation", 20), text("numSerie", 50), memo("commentaires")}});
    // Types of the sister tables, as the sister modules create them.
    writer.ensureTable({QStringLiteral("MODES_MESURES_PLUVIO"),
                        {real("CodePluviometre"), dateTime("DateDebut"), dateTime("DateFin"),
                         real("Methode"), real("Periodicite"), memo("Commentaires")}});
    writer.ensureTable({QStringLiteral("LIEN_PLUVIO_INTERVENANTS"),
                        {real("CodePluviometre"), shortInt("CodeIntervenant"),
                         dateTime("DateDebut"), dateTime("DateFin"), text("ReferenceInterne", 255),
                         shortInt("TypeIntervenant"), real("codeContact")}});
    writer.ensureTable({QStringLiteral("LIEN_PLUVIO_RESEAUX"),
                        {real("CodePluviometre"), shortInt("CodeReseau"), dateTime("DateDebut"),
                         dateTime("DateFin")}});
    writer.ensureTable({QStringLiteral("INTERVENANTS_LISTE_PLUVIO"),
                        {real("CodeIntervenant"), real("CodePluviometre"), memo("Emails")}});
    writer.ensureTable({QStringLiteral("EVENEMENTS_PLUVIO"),
                        {real("CodePluviometre"),
                         shortInt("Numero"),
                         dateTime("DateEvenement"),
                         real("Volt"),
                         real("NC"),
                         memo("Commentaires"),
                         text("ChgtPiles", 1),
                         text("Graphique", 1),
                         text("exportBanque", 1),
                         text("type", 12),
                         memo("probleme"),
                         memo("solution"),
                         dateTime("heureEvenement"),
                         text("razStation", 1),
                         real("valeurCalee"),
                         real("temperatureSonde"),
                         real("temperatureCentrale"),
                         shortInt("codeContact"),
                         shortInt("codeCampagne"),
                         dateTime("dateMaj"),
                         text("loginMaj", 25),
                         dateTime("dateCloture"),
                         memo("params"),
                         dateTime("dateDebut"),
                         dateTime("dateFin"),
                         yesNo("downloadData"),
                         yesNo("majAlimTransmission"),
                         yesNo("testTransmission"),
                         yesNo("majRecalibration"),
                         yesNo("majAlimentationCapteur"),
                         dateTime("dateRemplacementPileTransmission"),
                         real("voltCapteur"),
                         dateTime("dateRemplacementPileCapteur"),
                         yesNo("dessicantRemplace"),
                         yesNo("jointsTorriquesRemplaces"),
                         yesNo("majFirmware")}});
    writer.ensureTable({QStringLiteral("EVT_PLUVIO_ACTIONS"),
                        {shortInt("codePluvio"), shortInt("numero"), shortInt("idAction"),
                         shortInt("codeProbleme"), shortInt("codeSolution")}});
    writer.ensureTable({QStringLiteral("PLUVIOMETRE_BULLETINS"),
                        {real("CodePluviometre"), real("CodeBulletin"), memo("Titre"),
                         memo("Chapitre"), dateTime("DatePublication"), text("Auteur", 50)}});
    writer.ensureTable({QStringLiteral("BULLETINS_PLUVIO"),
                        {real("CodeBulletin"), memo("Titre"), memo("Chapitre"),
                         dateTime("DatePublication"), text("Auteur", 50)}});
    writer.ensureTable({QStringLiteral("BULLETINS_PLUVIO_SELECTION"),
                        {real("CodeBulletin"), real("CodePluviometre")}});
    writer.ensureTable(
        {QStringLiteral("PLUVIOMETRES_ECHELLES"),
         {text("codePluvio", 50), real("Min_annee"), real("Max_annee"), real("iterations_annee"),
          text("grilleX_annee", 1), text("grilleY_annee", 1), real("unite")}});
    TableSpec seuils{QStringLiteral("PLUVIOMETRES_SEUILS"),
                     {real("CodeSeuil"), text("identifiant", 255), text("Titre", 100),
                      real("valeur"), real("couleur"), real("trait"), text("seuilDepassement", 1)}};
    for (int month = 1; month <= 12; ++month) {
        seuils.columns.push_back(
            {QStringLiteral("mois_%1").arg(month, 2, 10, QLatin1Char('0')), ColumnType::Double, 0});
    }
    writer.ensureTable(seuils);
    writer.ensureTable({QStringLiteral("courbes_references_pluvio"),
                        {real("codePluviometre"), text("titre", 100), shortInt("parametre"),
                         real("couleur"), real("trait")}});
    writer.ensureTable({QStringLiteral("PARAMETRES_LISTE_PLUVIO"),
                        {text("utilisateur", 12), shortInt("indiceColonne"), real("largeur"),
                         text("nomColonne", 40), shortInt("ordreColonne"),
                         shortInt("masquee")}});
    // Read by the station report.
    writer.ensureTable({QStringLiteral("LIEN_PLUVIO_ACCESSIBILITES"),
                        {real("CodePluviometre"), dateTime("DateDebut"), dateTime("DateFin"),
                         memo("description")}});
    writer.ensureTable({QStringLiteral("LIEN_PLUVIO_AMENAGEMENTS"),
                        {real("CodePluviometre"), dateTime("DateDebut"), dateTime("DateFin"),
                         memo("description"), real("codeCle")}});
}

void stationMigrations(SchemaWriter &writer)
{
    writer.widenText(kPluviometres, QStringLiteral("Nom"), 255);
    writer.widenText(QStringLiteral("EVENEMENTS_PLUVIO"), QStringLiteral("type"), 12);
    moveInstallationColumns(writer);
    moveListWidths(writer);
}

void jobColumns(SchemaWriter &writer)
{
    writer.ensureColumn(kPluviometres, longInt("jobExecutionId"));
}

QStringList dropSpecificViews(SchemaWriter &writer)
{
    // Views go first: PostgreSQL refuses to change a column type that a view uses.
    QStringList dropped;
    for (const QString &view : specificViews()) {
        const std::optional<bool> exists = catalog::viewExists(writer.db(), view);
        if (!exists.has_value()) {
            if (writer.db().tryExecute(QStringLiteral("DROP VIEW %1").arg(view)))
                dropped << view;
        } else if (*exists && writer.run(QStringLiteral("DROP VIEW %1").arg(view))) {
            dropped << view;
        }
    }
    return dropped;
}

void createSpecificViews(SchemaWriter &writer, const QStringList &dropped)
{
    const QStringList views = specificViews();
    const int types[] = {0, 3}; // manager, agency
    for (int i = 0; i < views.size(); ++i) {
        const std::optional<bool> exists = catalog::viewExists(writer.db(), views[i]);
        if (exists.value_or(false))
            continue;
        // A view dropped by this run and made again is no change.
        const QString change =
            dropped.contains(views[i]) ? QString() : QStringLiteral("Vue %1 créée").arg(views[i]);
        const QString sql = managerViewSql(writer.dialect(), views[i], types[i]);
        if (exists.has_value()) {
            writer.runNative(sql, change);
        } else if (writer.db().executeNative(sql, nullptr) && !change.isEmpty()) {
            writer.note(change); // no catalog: the statement fails when the view exists
        }
    }
}

} // namespace plx::schema
