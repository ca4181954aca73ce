#include "outputs/stationcollector.h"

#include "base/locale.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "outputs/collectorvalues.h"
#include "outputs/sharedcollectors.h"
#include "outputs/stationphotos.h"
#include "stations/stationcodes.h"

namespace plx {

namespace {

using collect::cellText;
using collect::codeText;

// The bookmarks of one rain gauge, step by step; the first statement that fails is the
// report's error.
class Collector
{
public:
    Collector(AccesBase &db, const QString &code, BookmarkTable &table)
        : m_db(db), m_code(code), m_table(table), m_today(QDate::currentDate())
    {
    }

    bool run(const ReportAuthor &author, QString *error);

private:
    RecordTable read(const QString &sql)
    {
        RecordTable rows = m_db.ExtraireRecords(sql);
        if (!rows.ok() && m_error.isEmpty())
            m_error = rows.error();
        return rows;
    }
    void add(const char *name, const QString &value, bool numeric = false)
    {
        m_table.add(QLatin1String(name), value, numeric);
    }
    // The first row's columns, or "" for each when there is no row.
    void addFirstRow(const RecordTable &rows, std::initializer_list<const char *> names)
    {
        int column = 0;
        for (const char *name : names) {
            add(name, rows.rowCount() > 0 ? cellText(rows, 0, column) : QString());
            ++column;
        }
    }
    // The distinct texts of a column, in row order.
    QString labels(const RecordTable &rows, int column,
                   const QString &separator = QStringLiteral(", ")) const
    {
        QStringList list;
        for (int r = 0; r < rows.rowCount(); ++r) {
            const QString label = rows.text(r, column).trimmed();
            if (!label.isEmpty() && !list.contains(label))
                list << label;
        }
        return list.join(separator);
    }
    QString current(const char *table) const
    {
        return collect::currentLinkCondition(QLatin1String(table), m_today);
    }

    bool station();
    void declarationCommune(const QString &communeCode);
    void networks();
    void managers();
    void measurementMode();
    void photos();
    void maps();
    void bulletins();
    void access();

    AccesBase &m_db;
    const QString m_code;
    BookmarkTable &m_table;
    const QDate m_today;
    QString m_error;
};

bool Collector::station()
{
    // The projection's champ is tested in the join: in the WHERE clause it would drop a
    // station whose code sits under another champ.
    const RecordTable rows = read(
        QStringLiteral(
            "SELECT PLUVIOMETRES.CodePluviometre, PLUVIOMETRES.Nom, PLUVIOMETRES.DateCreation, "
            "PLUVIOMETRES.DateFermeture, PLUVIOMETRES.X, PLUVIOMETRES.Y, "
            "PLUVIOMETRES.TypeProjection, PLUVIOMETRES.Altitude, PLUVIOMETRES.ExpressionMesure, "
            "PLUVIOMETRES.Commentaires, PLUVIOMETRES.CodeCommune, PLUVIOMETRES.CodeContact, "
            "PLUVIOMETRES.Identifiant, COMMUNES.Nom, COMMUNES.NumDept, CONTACTS.Nom, "
            "CONTACTS.Adresse, CONTACTS.TelBureau, CONTACTS.TelPortable, CONTACTS.Email, "
            "CODES_SANDRE_1.Libelle, CONTACTS.Telephone, CONTACTS.Fax, "
            "PLUVIOMETRES.CodeCommuneDeclaration FROM ((PLUVIOMETRES LEFT JOIN COMMUNES ON "
            "PLUVIOMETRES.CodeCommune = COMMUNES.CodeCommune) LEFT JOIN CONTACTS ON "
            "PLUVIOMETRES.CodeContact = CONTACTS.CodeContact) LEFT JOIN CODES_SANDRE AS "
            "CODES_SANDRE_1 ON (PLUVIOMETRES.TypeProjection = CODES_SANDRE_1.Code AND "
            "CODES_SANDRE_1.Champ='PLUVIOMETRES.TYPEPROJECTION') WHERE "
            "PLUVIOMETRES.CodePluviometre=") +
        m_code);
    if (!rows.ok())
        return false;
    if (rows.rowCount() == 0) {
        m_error = QStringLiteral("Le pluviomètre %1 n'existe pas.").arg(m_code);
        return false;
    }
    const auto number = [&](const char *name, int column) {
        add(name, cellText(rows, 0, column), !rows.at(0, column).isNull());
    };
    add("CODE_PLUVIO", codeText(rows, 0, 0));
    add("NOM_PLUVIO", cellText(rows, 0, 1));
    add("DATE_CREATION", cellText(rows, 0, 2));
    add("DATE_FERMETURE", cellText(rows, 0, 3));
    number("COORDONNEE_X", 4);
    number("COORDONNEE_Y", 5);
    add("C_PROJECTION", codeText(rows, 0, 6));
    add("TYPE_PROJECTION", cellText(rows, 0, 20));
    number("COORDONNEE_Z", 7);
    add("C_EXP_MESURE", codeText(rows, 0, 8));
    add("COMMENTAIRE_PLUVIO", cellText(rows, 0, 9));
    add("COMMENTAIRE", cellText(rows, 0, 9));
    add("C_COMMUNE", rows.text(0, 10));
    add("COMMUNE", cellText(rows, 0, 13));
    add("DEPARTEMENT", rows.text(0, 14));
    add("C_CONTACT", codeText(rows, 0, 11));
    add("NOM_CONTACT", cellText(rows, 0, 15));
    add("ADRESSE_CONTACT", cellText(rows, 0, 16));
    add("BUREAU_CONTACT", rows.text(0, 17));
    add("PORTABLE_CONTACT", rows.text(0, 18));
    add("EMAIL_CONTACT", cellText(rows, 0, 19));
    add("TEL_CONTACT", rows.text(0, 21));
    add("FAX_CONTACT", rows.text(0, 22));
    add("IDENTIFIANT", rows.text(0, 12));
    declarationCommune(rows.text(0, 23));
    return true;
}

void Collector::declarationCommune(const QString &communeCode)
{
    add("C_COMMUNE_DEC", communeCode);
    QString name;
    if (!communeCode.isEmpty()) {
        // The name the commune had when the station was declared, else its present name.
        const RecordTable former =
            read(QStringLiteral("SELECT nom FROM COMMUNES_HISTO WHERE codeCommune=") +
                 sqlQuote(communeCode));
        if (former.rowCount() > 0)
            name = former.text(0, 0);
        if (name.isEmpty()) {
            const RecordTable present =
                read(QStringLiteral("SELECT Nom FROM COMMUNES WHERE CodeCommune=") +
                     sqlQuote(communeCode));
            if (present.rowCount() > 0)
                name = present.text(0, 0);
        }
    }
    add("COMMUNE_DEC", name);
}

void Collector::networks()
{
    const QString select = QStringLiteral(
        "SELECT LIEN_PLUVIO_RESEAUX.CodeReseau, RESEAUX.Libelle FROM LIEN_PLUVIO_RESEAUX INNER "
        "JOIN RESEAUX ON LIEN_PLUVIO_RESEAUX.CodeReseau = RESEAUX.CodeReseau WHERE "
        "LIEN_PLUVIO_RESEAUX.CodePluviometre=%1 AND %2 AND RESEAUX.aEditer='1' ORDER BY "
        "LIEN_PLUVIO_RESEAUX.DateDebut DESC");
    const RecordTable present = read(select.arg(m_code, current("LIEN_PLUVIO_RESEAUX")));
    add("C_RESEAU", present.rowCount() > 0 ? codeText(present, 0, 0) : QString());
    add("RESEAU", present.rowCount() > 0 ? present.text(0, 1) : QString());
    add("LISTE_RESEAUX", labels(present, 1));
    const RecordTable ended = read(select.arg(
        m_code, collect::endedLinkCondition(QStringLiteral("LIEN_PLUVIO_RESEAUX"), m_today)));
    add("HISTO_RESEAUX", labels(ended, 1));
}

void Collector::managers()
{
    const QString select = QStringLiteral(
        "SELECT LIEN_PLUVIO_INTERVENANTS.CodeIntervenant, INTERVENANTS.Nom, "
        "LIEN_PLUVIO_INTERVENANTS.ReferenceInterne FROM LIEN_PLUVIO_INTERVENANTS INNER JOIN "
        "INTERVENANTS ON LIEN_PLUVIO_INTERVENANTS.CodeIntervenant = INTERVENANTS.CodeIntervenant "
        "WHERE LIEN_PLUVIO_INTERVENANTS.TypeIntervenant=%1 AND "
        "LIEN_PLUVIO_INTERVENANTS.CodePluviometre=%2 AND %3 ORDER BY "
        "LIEN_PLUVIO_INTERVENANTS.DateDebut DESC");
    for (const int type : {0, 1}) {
        const RecordTable rows =
            read(select.arg(type).arg(m_code, current("LIEN_PLUVIO_INTERVENANTS")));
        const bool found = rows.rowCount() > 0;
        if (type == 0) {
            add("C_GESTIONNAIRE", found ? codeText(rows, 0, 0) : QString());
            add("GESTIONNAIRE", found ? cellText(rows, 0, 1) : QString());
            add("REF_GESTIONNAIRE", found ? cellText(rows, 0, 2) : QString());
        } else {
            add("C_COGESTIONNAIRE", found ? codeText(rows, 0, 0) : QString());
            add("COGESTIONNAIRE", found ? cellText(rows, 0, 1) : QString());
            add("REF_COGESTIONNAIRE", found ? cellText(rows, 0, 2) : QString());
        }
    }
}

void Collector::measurementMode()
{
    const RecordTable rows =
        read(QStringLiteral(
                 "SELECT MODES_MESURES_PLUVIO.Methode, CODES_SANDRE.Libelle, "
                 "MODES_MESURES_PLUVIO.Periodicite, CODES_SANDRE_1.Commentaire FROM "
                 "(MODES_MESURES_PLUVIO LEFT JOIN CODES_SANDRE ON (MODES_MESURES_PLUVIO.Methode = "
                 "CODES_SANDRE.Code AND CODES_SANDRE.Champ='MODES_MESURES.METHODE')) LEFT JOIN "
                 "CODES_SANDRE AS CODES_SANDRE_1 ON (MODES_MESURES_PLUVIO.Periodicite = "
                 "CODES_SANDRE_1.Code AND CODES_SANDRE_1.Champ='MODES_MESURES.PERIODICITE') WHERE "
                 "MODES_MESURES_PLUVIO.CodePluviometre=") +
             m_code + QStringLiteral(" ORDER BY MODES_MESURES_PLUVIO.DateDebut DESC"));
    const bool found = rows.rowCount() > 0;
    add("C_METHODE", found ? codeText(rows, 0, 0) : QString());
    add("METHODE", found ? cellText(rows, 0, 1) : QString());
    add("C_PERIODICITE", found ? codeText(rows, 0, 2) : QString());
    add("PERIODICITE", found ? cellText(rows, 0, 3) : QString());
}

void Collector::photos()
{
    const RecordTable rows =
        read(QStringLiteral("SELECT * FROM Pluviometre_Photo WHERE CodePluviometre=") + m_code);
    const int codeColumn = rows.columnIndex(QStringLiteral("CodePluviometre"));
    QStringList files;
    for (int r = 0; r < rows.rowCount(); ++r) {
        for (int c = 0; c < rows.columnCount(); ++c) {
            const QString file = rows.text(r, c).trimmed();
            if (c != codeColumn && !file.isEmpty())
                files << file;
        }
    }
    const QString folder = LireParametre(QStringLiteral("CheminPhotos"), {}, true);
    for (QString &file : files)
        file = photoFilePath(file, folder);
    files.removeDuplicates();
    QString station;
    for (const auto &[bookmark, file] : stationPhotoFiles(files)) {
        m_table.add(bookmark, file);
        if (bookmark == QLatin1String("PHOTO_STATION"))
            station = file;
    }
    // The route's own picture bookmarks: every picture, and the station's (else the first).
    add("LISTE_PHOTOS", files.join(QLatin1Char(';')));
    add("PHOTO", !station.isEmpty() ? station : files.value(0));
}

void Collector::maps()
{
    const RecordTable rows =
        read(QStringLiteral("SELECT carteIGN, carteGeologique, parcelle, section FROM "
                            "PLUVIOMETRES_INFO_GEO WHERE CodePluviometre=") +
             m_code);
    addFirstRow(rows, {"CARTE_IGN", "CARTE_GEOLOGIQUE", "PARCELLE", "SECTION"});
}

void Collector::bulletins()
{
    const RecordTable own =
        read(QStringLiteral("SELECT Titre, Chapitre, Auteur, DatePublication FROM "
                            "Pluviometre_Bulletins WHERE CodePluviometre=") +
             m_code + QStringLiteral(" ORDER BY CodeBulletin DESC"));
    addFirstRow(own, {"TITRE_BULLETIN", "COMMENT_BULLETIN", "AUTEUR_BULLETIN", "DATE_BULLETIN"});
    const RecordTable general =
        read(QStringLiteral("SELECT Titre, Chapitre, Auteur, DatePublication FROM "
                            "Bulletins_Pluvio ORDER BY CodeBulletin DESC"));
    addFirstRow(general,
                {"TITRE_G_BULLETIN", "COMMENT_G_BULLETIN", "AUTEUR_G_BULLETIN", "DATE_G_BULLETIN"});
}

void Collector::access()
{
    const RecordTable conditions =
        read(QStringLiteral("SELECT description FROM LIEN_PLUVIO_ACCESSIBILITES WHERE "
                            "LIEN_PLUVIO_ACCESSIBILITES.CodePluviometre=%1 AND %2 ORDER BY "
                            "LIEN_PLUVIO_ACCESSIBILITES.DateDebut DESC")
                 .arg(m_code, current("LIEN_PLUVIO_ACCESSIBILITES")));
    // Descriptions are sentences: one a line.
    add("COND_ACCES", labels(conditions, 0, QStringLiteral("\n")));
    const RecordTable fittings =
        read(QStringLiteral("SELECT LIEN_PLUVIO_AMENAGEMENTS.description, MAT_CLES.libelle FROM "
                            "LIEN_PLUVIO_AMENAGEMENTS LEFT JOIN MAT_CLES ON "
                            "LIEN_PLUVIO_AMENAGEMENTS.codeCle=MAT_CLES.codeCle WHERE "
                            "LIEN_PLUVIO_AMENAGEMENTS.CodePluviometre=%1 AND %2 ORDER BY "
                            "LIEN_PLUVIO_AMENAGEMENTS.DateDebut DESC")
                 .arg(m_code, current("LIEN_PLUVIO_AMENAGEMENTS")));
    add("AMENAGEMENT", labels(fittings, 0, QStringLiteral("\n")));
    add("CLE_ACCES", labels(fittings, 1));
}

bool Collector::run(const ReportAuthor &author, QString *error)
{
    const auto stop = [&] {
        if (error)
            *error = m_error;
        return false;
    };
    if (!station())
        return stop();
    networks();
    managers();
    measurementMode();
    photos();
    maps();
    bulletins();
    add("DATE_EDITION", formatDate(m_today));
    access();
    add("LOGIN", author.login);
    add("NOM_LOGIN", author.name);
    add("ORGANISME", author.organisation);
    if (!m_error.isEmpty())
        return stop();

    SiteTables site;
    site.linkPrefix = QStringLiteral("PLUVIO");
    site.tablePrefix = QStringLiteral("Pluviometre");
    site.codeColumn = QStringLiteral("CodePluviometre");
    site.code = m_code;
    site.equipmentSiteType = 3;
    site.today = m_today;
    // Documents last: DOC_ID is only taken once everything else was read.
    if (!collectEquipment(m_db, site, m_table, &m_error) ||
        !collectNetworkFlags(m_db, site, m_table, &m_error) ||
        !collectInterveners(m_db, site, m_table, &m_error) ||
        !collectLocalisations(m_db, site, m_table, &m_error) ||
        !collectDocuments(m_db, site, m_table, &m_error))
        return stop();
    return true;
}

} // namespace

bool collectStationBookmarks(AccesBase &db, const QString &stationCode, const ReportAuthor &author,
                             BookmarkTable &table, QString *error)
{
    if (stationCode.trimmed().isEmpty()) {
        if (error)
            *error = QStringLiteral("Aucun pluviometre n'est sélectionné dans la liste. Vous ne "
                                    "pourrez pas utiliser les modèles.");
        return false;
    }
    // The code enters the statements as a number: only a real station code gets there.
    const QString code = normalisedStationCode(stationCode.trimmed());
    if (code.isEmpty()) {
        if (error)
            *error = QStringLiteral("Le code de pluviomètre « %1 » n'est pas valide.")
                         .arg(stationCode.trimmed());
        return false;
    }
    return Collector(db, code, table).run(author, error);
}

} // namespace plx
