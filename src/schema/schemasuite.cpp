#include "schema/schemasteps.h"
#include "schema/usertables.h"

namespace plx::schema {

void suiteTables(SchemaWriter &writer)
{
    // loginMaj is added by a step, mac is read for the referent role of the record.
    // Every INSERT names its columns, so columns may follow the first five.
    writer.ensureTable({QStringLiteral("PARAMETRES"),
                        {text("Module", 100), dateTime("DateCreation"), text("valeur", 255),
                         text("Identifiant", 100), text("loginMaj", 50), text("mac", 50)}});
    writer.ensureTable(
        {QStringLiteral("UTILISATEURS_PARAMETRES"),
         {text("login", 50), text("parametre", 100), text("valeur", 255), dateTime("datemaj")}});

    // Journal: the contact is written as text, so that an empty one never
    // fails a number column.
    writer.ensureTable(
        {QStringLiteral("JOURNAL"),
         {dateTime("dateEvt"), shortInt("niveau"), text("utilisateur", 50), text("contact", 50),
          text("ip", 50), text("projet", 50), text("description", 255)}});
    writer.ensureIndex(QStringLiteral("ind_journal"), QStringLiteral("journal"),
                       QStringLiteral("dateEvt"));

    writer.ensureTable({QStringLiteral("statistiques_utilisateurs"),
                        {text("login", 50), dateTime("dateStat"), text("evenement", 12),
                         text("module", 50), text("version", 20)}});

    const UserTablesResult users = ensureDefaultUserTables(writer.db());
    for (const QString &change : users.changes)
        writer.note(change);
    if (!users.ok)
        writer.fail(users.error);

    // Saved lists and filters; Nom is read by the overlay screens.
    writer.ensureTable(
        {QStringLiteral("Utilisateurs_Listes"),
         {text("loginmaj", 50), text("Module", 12), longInt("CodeListe"), text("LibelleListe", 255),
          memo("selectionFiltre"), memo("formuleFiltre"), text("Tri", 255), text("Defaut", 1),
          memo("requete"), dateTime("datemaj"), text("Nom", 50)}});
    writer.ensureTable({QStringLiteral("UTILISATEURS_FAVORIS"),
                        {text("login", 50), text("identifiant", 100), shortInt("typeStation")}});
    // Labels of the free parameters.
    writer.ensureTable(
        {QStringLiteral("PARAMETRAGE_DATA"),
         {shortInt("id"), text("libelle", 255), text("projet", 12), text("version", 20)}});
}

void referenceTables(SchemaWriter &writer)
{
    writer.ensureTable({QStringLiteral("COMMUNES"),
                        {text("CodeCommune", 12), text("Nom", 35), real("Situation"),
                         text("NumDept", 3), real("superficie"), real("x"), real("y"),
                         shortInt("typeProjection"), text("codePays", 2)}});
    writer.ensureTable(
        {QStringLiteral("communes_histo"), {text("codeCommune", 12), text("nom", 255)}});
    writer.ensureTable(
        {QStringLiteral("CONTACTS"),
         {real("CodeContact"), text("Nom", 255), text("Adresse", 255), text("CodePostal", 5),
          text("CodeCommune", 12), text("Telephone", 20), text("Fax", 50),
          text("CompteBancaire", 50), text("TelBureau", 24), text("TelPortable", 24),
          text("Email", 255), text("RaisonSocial", 255), text("Titre", 50), text("telephone2", 50),
          memo("commentaire"), real("codeCedex"), shortInt("codeGestionnaire")}});
    writer.ensureTable({QStringLiteral("INTERVENANTS"),
                        {real("CodeIntervenant"),
                         text("SIRET", 14),
                         memo("Nom"),
                         text("Statut", 20),
                         dateTime("DateCreation"),
                         dateTime("DateMiseAJour"),
                         text("Auteur", 50),
                         text("Mnemonique", 35),
                         text("BoiteLettre", 35),
                         text("ComplementAdresse", 35),
                         text("Rue", 35),
                         text("LieuDit", 35),
                         text("Ville", 35),
                         text("Departement", 35),
                         text("Commentaires", 255),
                         shortInt("Domaines"),
                         text("email", 100),
                         text("Telephone", 50),
                         text("CodeSandre", 17),
                         text("Telephone2", 50),
                         text("Fax", 50),
                         text("Portable", 50),
                         text("codeCommune", 12),
                         real("codeCedex"),
                         memo("ReferencesAutres"),
                         shortInt("codeGestionnaire")}});
    writer.ensureTable({QStringLiteral("RESEAUX"),
                        {shortInt("CodeReseau"), text("Libelle", 200), text("Mnemonique", 40),
                         text("Finalite", 80), text("DCE", 1), memo("Commentaire"),
                         text("CodeSandre", 70), text("aEditer", 1)}});
    writer.widenText(QStringLiteral("RESEAUX"), QStringLiteral("Libelle"), 200);
    writer.ensureTable({QStringLiteral("CODES_SANDRE"),
                        {text("Champ", 50), shortInt("Code"), text("Libelle", 255),
                         memo("Commentaire"), shortInt("Statut"), dateTime("DateCreation"),
                         dateTime("DateModification"), text("Auteur", 50), text("Projet", 12),
                         text("codeReference", 20), text("mnemonique", 100)}});
    writer.widenText(QStringLiteral("CODES_SANDRE"), QStringLiteral("Libelle"), 255);
    writer.ensureTable({QStringLiteral("CODES_SANDRE_REFERENTIEL"),
                        {text("Champ", 50), text("Referentiel", 100), text("Libelle", 255)}});
    writer.ensureTable(
        {QStringLiteral("PAYS"),
         {text("CodePays", 2), shortInt("CodePaysNum"), text("Nom", 70), text("NomInter", 70)}});
    writer.ensureTable({QStringLiteral("BASSINS_VERSANTS"),
                        {real("codeBV"), text("Code", 20), memo("Nom"), real("Superficie"),
                         memo("Commentaire"), text("Parent", 20)}});
}

void sisterTables(SchemaWriter &writer)
{
    // Equipment placements, moved by a station's code change: site type 2 is a
    // rain gauge.
    for (const char *kind : {"batteries", "capteurs", "centrales", "divers", "modems"}) {
        writer.createIfAbsent({QStringLiteral("mat_%1_situations").arg(QLatin1String(kind)),
                               {real("idMateriel"), real("codesite"), shortInt("typesite"),
                                dateTime("dateDebut"), dateTime("dateFin"), memo("commentaire")}});
    }
    // Equipment of the report's collector: the central units and sensors placed
    // on a site, their supplier, and the keys of the site's fittings.
    writer.createIfAbsent(
        {QStringLiteral("MAT_FOURNISSEURS"), {real("CodeFournisseur"), text("Nom", 255)}});
    writer.createIfAbsent({QStringLiteral("MAT_CENTRALES"),
                           {real("IDCentrale"), text("LibelleType", 100), real("CodeFournisseur"),
                            text("numSerie", 50)}});
    writer.createIfAbsent({QStringLiteral("MAT_CENTRALES_AFFECTATION"),
                           {real("IDCentrale"), shortInt("typesite"), real("CodeSite"),
                            dateTime("DateDebut"), dateTime("DateFin")}});
    writer.createIfAbsent({QStringLiteral("MAT_CAPTEURS"),
                           {real("IDCapteur"), text("LibelleType", 100), real("CodeFournisseur"),
                            text("numSerie", 50)}});
    writer.createIfAbsent({QStringLiteral("MAT_CAPTEURS_AFFECTATION"),
                           {real("IDCapteur"), shortInt("typesite"), real("CodeSite"),
                            dateTime("DateDebut"), dateTime("DateFin")}});
    writer.createIfAbsent({QStringLiteral("MAT_CLES"), {real("codeCle"), text("libelle", 255)}});

    // Groundwater tables read by the rain gauge / piezometer overlay.
    writer.createIfAbsent({QStringLiteral("PIEZOMETRES"),
                           {real("CodePiezometre"), text("CodeBSS", 50), text("Nom", 255),
                            text("CodeCommune", 12), real("Altitude"), real("X"), real("Y"),
                            shortInt("TypeProjection"), text("Identifiant", 50)}});
    writer.createIfAbsent({QStringLiteral("ENTITES_HYDROGEOLOGIQUES"),
                           {text("CodeEntiteHydro", 20), text("Nom", 255)}});
    writer.createIfAbsent({QStringLiteral("LIEN_PIEZO_ENTITE_HYDRO"),
                           {real("CodePiezometre"), text("CodeEntiteHydro", 20)}});
}

} // namespace plx::schema
