#include "stations/sublists.h"

namespace plx {

namespace {

SubListColumn of(SubListKind kind, const char *name, const char *heading = "")
{
    SubListColumn column;
    column.name = QString::fromLatin1(name);
    column.kind = kind;
    column.heading = QString::fromUtf8(heading);
    return column;
}

SubListColumn text(const char *name, const char *heading, int maxLength)
{
    SubListColumn column = of(SubListKind::Text, name, heading);
    column.maxLength = maxLength;
    return column;
}

SubListColumn path(const char *name, const char *heading)
{
    SubListColumn column = of(SubListKind::Path, name, heading);
    column.maxLength = 255;
    return column;
}

SubListColumn choice(const char *name, const char *heading, ChoiceSource source,
                     const char *champ = "")
{
    SubListColumn column = of(SubListKind::Choice, name, heading);
    column.source = source;
    column.champ = QString::fromLatin1(champ);
    return column;
}

SubListColumn required(SubListColumn column)
{
    column.required = true;
    return column;
}

SubListDescription describe(SubListTab tab, const QString &title, const char *table)
{
    SubListDescription d;
    d.tab = tab;
    d.title = title;
    d.table = QString::fromLatin1(table);
    d.stationColumn = QStringLiteral("CodePluviometre");
    return d;
}

SubListDescription intervenants()
{
    SubListDescription d = describe(SubListTab::Intervenants, QStringLiteral("Intervenants"),
                                    "LIEN_PLUVIO_INTERVENANTS");
    d.columns = {required(choice("CodeIntervenant", "Organisme", ChoiceSource::Intervenants)),
                 choice("TypeIntervenant", "Rôle", ChoiceSource::CodeList,
                        "LIEN_PIEZO_INTERVENANTS.TYPEINTERVENANT"),
                 of(SubListKind::Date, "DateDebut", "Début"),
                 of(SubListKind::Date, "DateFin", "Fin"),
                 text("ReferenceInterne", "Référence interne", 255),
                 choice("codeContact", "Contact", ChoiceSource::Contacts)};
    d.orderBy = QStringLiteral("DateDebut, CodeIntervenant");
    d.periods = {{QStringLiteral("DateDebut"), QStringLiteral("DateFin")}};
    return d;
}

SubListDescription reseaux()
{
    SubListDescription d =
        describe(SubListTab::Reseaux, QStringLiteral("Réseaux"), "LIEN_PLUVIO_RESEAUX");
    d.columns = {required(choice("CodeReseau", "Réseau", ChoiceSource::Reseaux)),
                 of(SubListKind::Date, "DateDebut", "Début"),
                 of(SubListKind::Date, "DateFin", "Fin")};
    d.orderBy = QStringLiteral("DateDebut, CodeReseau");
    d.periods = {{QStringLiteral("DateDebut"), QStringLiteral("DateFin")}};
    return d;
}

SubListDescription modesMesures()
{
    SubListDescription d = describe(SubListTab::ModesMesures, QStringLiteral("Modes de mesure"),
                                    "MODES_MESURES_PLUVIO");
    SubListColumn periodicite =
        choice("Periodicite", "Périodicité", ChoiceSource::CodeList, "MODES_MESURES.PERIODICITE");
    periodicite.withComment = true;
    d.columns = {of(SubListKind::Date, "DateDebut", "Début"),
                 of(SubListKind::Date, "DateFin", "Fin"),
                 choice("Methode", "Méthode", ChoiceSource::CodeList, "MODES_MESURES.METHODE"),
                 periodicite, text("Commentaires", "Commentaires", 0)};
    d.orderBy = QStringLiteral("DateDebut");
    d.periods = {{QStringLiteral("DateDebut"), QStringLiteral("DateFin")}};
    return d;
}

SubListDescription localisations()
{
    SubListDescription d = describe(SubListTab::Localisations, QStringLiteral("Localisations"),
                                    "PLUVIOMETRE_LOCALISATIONS");
    d.columns = {required(choice("CodeProjection", "Projection", ChoiceSource::CodeList,
                                 "PIEZOMETRES.TYPEPROJECTION")),
                 of(SubListKind::Number, "X", "X"), of(SubListKind::Number, "Y", "Y"),
                 of(SubListKind::Number, "Z", "Z"),
                 of(SubListKind::Number, "Precision", "Précision")};
    d.orderBy = QStringLiteral("CodeProjection");
    d.uniqueColumn = QStringLiteral("CodeProjection");
    return d;
}

SubListDescription normales()
{
    SubListDescription d =
        describe(SubListTab::Normales, QStringLiteral("Normales"), "PLUVIOMETRE_NORMALES");
    d.columns = {
        required(choice("Mois", "Mois", ChoiceSource::Months)),
        of(SubListKind::Number, "Valeur", "Pluie (mm)"), of(SubListKind::Number, "etp", "ETP (mm)"),
        of(SubListKind::Number, "pluieEfficace", "Pluie efficace (mm)"), text("Titre", "", 100)};
    d.orderBy = QStringLiteral("Mois");
    d.uniqueColumn = QStringLiteral("Mois");
    d.titleRow = {QStringLiteral("Mois"), -1, QStringLiteral("Titre")};
    return d;
}

SubListDescription documents()
{
    SubListDescription d =
        describe(SubListTab::Documents, QStringLiteral("Documents"), "PLUVIOMETRE_DOCUMENTS");
    d.columns = {of(SubListKind::Counter, "CodeDocument", "N°"),
                 required(path("Emplacement", "Emplacement")), text("MotCle", "Mot clé", 24),
                 text("Titre", "Titre", 255)};
    d.orderBy = QStringLiteral("CodeDocument");
    return d;
}

SubListDescription photos()
{
    SubListDescription d =
        describe(SubListTab::Photos, QStringLiteral("Photos"), "PLUVIOMETRE_PHOTO");
    d.columns = {path("PhotoSite", "Site"),   path("PhotoRepere", "Repère"),
                 path("PhotoCarte", "Carte"), path("PhotoStation", "Station"),
                 path("PhotoCoupe", "Coupe"), path("PhotoP1", "P1"),
                 path("PhotoP2", "P2"),       path("PhotoP3", "P3"),
                 path("PhotoP4", "P4"),       path("PhotoP5", "P5")};
    d.singleRow = true;
    return d;
}

SubListDescription ouvrage()
{
    SubListDescription d =
        describe(SubListTab::Ouvrage, QStringLiteral("Installation"), "OUVRAGES_PLUVIO");
    d.columns = {text("TypeStation", "Type de station", 50),
                 text("TypeCapteur", "Type de capteur", 50),
                 text("TelephoneStation", "Téléphone", 20), text("numSerie", "Numéro de série", 50),
                 text("commentaires", "Commentaires", 0)};
    d.singleRow = true;
    return d;
}

SubListDescription interventions()
{
    SubListDescription d =
        describe(SubListTab::Interventions, QStringLiteral("Interventions"), "EVENEMENTS_PLUVIO");
    using K = SubListKind;
    d.columns = {of(K::Counter, "Numero", "N°"), required(of(K::Date, "DateEvenement", "Date")),
                 of(K::Time, "heureEvenement", "Heure"), text("type", "Type", 12),
                 of(K::Flag, "ChgtPiles", "Chgt piles"), of(K::Number, "Volt", "Volts"),
                 of(K::Number, "NC", "NC"), text("Commentaires", "Commentaires", 0),
                 text("probleme", "Problème", 0), text("solution", "Solution", 0),
                 of(K::Date, "dateCloture", "Clôture"),
                 // Not shown; described so that their values are written back with their
                 // types (a yes/no column takes true/false, never 1/0, on PostgreSQL).
                 of(K::Flag, "Graphique"), of(K::Flag, "exportBanque"), of(K::Flag, "razStation"),
                 of(K::Number, "valeurCalee"), of(K::Number, "temperatureSonde"),
                 of(K::Number, "temperatureCentrale"), of(K::Number, "codeContact"),
                 of(K::Number, "codeCampagne"), of(K::Date, "dateMaj"), text("loginMaj", "", 25),
                 text("params", "", 0), of(K::Date, "dateDebut"), of(K::Date, "dateFin"),
                 of(K::YesNo, "downloadData"), of(K::YesNo, "majAlimTransmission"),
                 of(K::YesNo, "testTransmission"), of(K::YesNo, "majRecalibration"),
                 of(K::YesNo, "majAlimentationCapteur"),
                 of(K::Date, "dateRemplacementPileTransmission"), of(K::Number, "voltCapteur"),
                 of(K::Date, "dateRemplacementPileCapteur"), of(K::YesNo, "dessicantRemplace"),
                 of(K::YesNo, "jointsTorriquesRemplaces"), of(K::YesNo, "majFirmware")};
    d.orderBy = QStringLiteral("Numero");
    d.periods = {{QStringLiteral("DateEvenement"), QStringLiteral("dateCloture")}};
    d.stampLoginColumn = QStringLiteral("loginMaj");
    d.stampDateColumn = QStringLiteral("dateMaj");
    d.todayColumn = QStringLiteral("DateEvenement");
    d.dependent = {QStringLiteral("EVT_PLUVIO_ACTIONS"), QStringLiteral("codePluvio"),
                   QStringLiteral("numero")};
    return d;
}

SubListDescription bulletins()
{
    SubListDescription d = describe(
        SubListTab::Bulletins, QStringLiteral("Bulletins du pluviomètre"), "PLUVIOMETRE_BULLETINS");
    using K = SubListKind;
    d.columns = {of(K::Counter, "CodeBulletin", "N°"), required(text("Titre", "Titre", 0)),
                 text("Chapitre", "Chapitre", 0), of(K::Date, "DatePublication", "Publication"),
                 text("Auteur", "Auteur", 50)};
    d.orderBy = QStringLiteral("CodeBulletin");
    d.todayColumn = QStringLiteral("DatePublication");
    return d;
}

} // namespace

const std::vector<SubListDescription> &subListDescriptions()
{
    static const std::vector<SubListDescription> all{intervenants(),  reseaux(),  modesMesures(),
                                                     localisations(), normales(), documents(),
                                                     photos(),        ouvrage(),  interventions(),
                                                     bulletins()};
    return all;
}

const SubListDescription &subListDescription(SubListTab tab)
{
    for (const SubListDescription &d : subListDescriptions()) {
        if (d.tab == tab)
            return d;
    }
    return subListDescriptions().front();
}

} // namespace plx
