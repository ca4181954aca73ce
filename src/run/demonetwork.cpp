#include "run/demonetwork.h"

#include "run/demodata.h"
#include "run/demofieldwork.h"

#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/preparedstatement.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "measures/measurementtable.h"
#include "schema/groundwatertables.h"
#include "schema/schemacatalog.h"
#include "schema/schemaupgrade.h"
#include "schema/usertables.h"
#include "session/journal.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace plx {

namespace {

using demo::DemoData;
using demo::Level;
using demo::Measure;
using demo::Piezometer;
using demo::Station;
using demo::completeMonthMeans;
using demo::isHistorical;
using demo::monthlyMeans;
using demo::seriesOf;
using demo::startOf;

// ---------------------------------------------------------------------------------------
// What the demo adds around the real series

// Validity as a network would have it: older data validated, the last months controlled,
// the latest days not yet looked at. Doubtful values stay unvalidated, waiting for review.
const QDate kControlledFrom(2025, 10, 1);
const QDate kRawFrom(2026, 3, 1);

QString validityOf(const Measure &m)
{
    if (m.doubtful || m.day >= kRawFrom)
        return QString();
    return m.day >= kControlledFrom ? QStringLiteral("C") : QStringLiteral("V");
}

// How a value came in: keyed from the 19th-century registers, imported from the archive
// files, or sent by the automatic station.
QString obtentionOf(const Measure &m)
{
    if (m.day.year() < 1900)
        return QStringLiteral("M");
    if (m.day.year() < 1950)
        return QStringLiteral("I");
    return QStringLiteral("A");
}

struct Contact
{
    const char *key; // which stations it serves
    const char *name;
    const char *company;
    const char *commune;
    const char *comment;
};

const Contact kContacts[] = {
    {"SUD-EST", "Météo-France – Direction interrégionale Sud-Est", "Météo-France", "13001",
     "Contact de démonstration"},
    {"OUEST", "Météo-France – Direction interrégionale Ouest", "Météo-France", nullptr,
     "Contact de démonstration"},
    {"OBSERVATOIRE", "Observatoire de Marseille", "Observatoire de Marseille", "13055",
     "Relevés historiques des Accoules (contact de démonstration)"},
};

struct Organisation
{
    const char *mnemonic;
    const char *name;
};

const Organisation kOrganisations[] = {
    {"METEO-FRANCE", "Météo-France"},
    {"AERMC", "Agence de l'eau Rhône Méditerranée Corse"},
    {"AELB", "Agence de l'eau Loire-Bretagne"},
};

struct Network
{
    const char *mnemonic;
    const char *label;
    const char *purpose;
};

const Network kNetworks[] = {
    {"CLIM13", "Réseau climatologique quotidien des Bouches-du-Rhône", "Climatologie"},
    {"RADOME-BZH", "Stations automatiques horaires RADOME – Bretagne", "Observation horaire"},
    {"HISTO13", "Séries historiques des Bouches-du-Rhône (archives 1786-1949)",
     "Climatologie historique"},
};

// Roles in LIEN_PLUVIO_INTERVENANTS.
constexpr int kManager = 0;
constexpr int kAgency = 3;

// Projection codes: coordinates in decimal degrees (what the map links read) and the
// Lambert II étendu grid of the Brittany stations.
constexpr int kWgs84 = 31;
constexpr int kLambert2e = 5;

const QString kDemoLogin = QStringLiteral("ADMIN");

// ---------------------------------------------------------------------------------------
// Writing

QString dateSql(const QDate &day)
{
    const QString literal =
        day.isValid() ? FormatDateSQL(day.toString(QStringLiteral("dd/MM/yyyy")), false) : QString();
    // FormatDateSQL refuses years before 1800: such a date is left unknown.
    return literal.isEmpty() ? QStringLiteral("NULL") : literal;
}

QString textSql(const char *text)
{
    return text ? sqlQuote(QString::fromUtf8(text)) : QStringLiteral("NULL");
}

QString textSql(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("NULL") : sqlQuote(text);
}

class DemoWriter
{
public:
    DemoWriter(AccesBase &db, Transaction &transaction, const DemoData &data)
        : m_db(db), m_tx(transaction), m_data(data)
    {
        // Multi-row VALUES where the engine takes them: one statement per few hundred
        // rows instead of one per row.
        m_batch = (db.dialect() == SqlDialect::SQLite || db.dialect() == SqlDialect::PostgreSQL)
                      ? 250
                      : 1;
        m_progressTotal = int(data.stations.size() + data.piezometers.size());
    }

    bool writeReferences();
    bool writeParameters();
    // Stations absent from the database, with everything that hangs on them.
    bool writeStations(const DemoProgress &progress);
    // Piezometers absent from the database (same CodeBSS), their aquifer and levels.
    bool writePiezometers(const DemoProgress &progress);

    const QString &error() const { return m_error; }
    // The rain gauges writeStations added.
    const std::vector<DemoSite> &writtenSites() const { return m_written; }

private:
    bool exec(const QString &sql);
    bool query(const QString &sql, RecordTable *table);
    // The next value of a numeric key column, max + 1 (1 on an empty table).
    bool nextCode(const QString &table, const QString &column, qint64 *code);
    // The key of the row whose column holds value (compared as Access does, ignoring
    // case), or 0 when there is none.
    bool findCode(const QString &table, const QString &keyColumn, const QString &column,
                  const QString &value, qint64 *code);
    bool ensureRow(const QString &table, const QString &keyColumn, const QString &matchColumn,
                   const QString &matchValue, const QString &columns, const QString &values,
                   qint64 *code);

    bool writeStation(const Station &s, qint64 code);
    bool writeMeasures(const Station &s, const QString &table);
    // One INSERT of `rows` measurement rows, every value bound; nullptr (error set) when the
    // engine refuses it.
    std::unique_ptr<PreparedStatement> prepareRows(const QString &table, int rows);
    bool writeNormals(const Station &s, qint64 code);
    bool writeLinks(const Station &s, qint64 code);
    bool writeDescription(const Station &s, qint64 code);
    bool writePiezometer(const Piezometer &p, qint64 code);
    bool writeLevels(const Piezometer &p, const QString &table);

    qint64 contactOf(const Station &s) const;

    AccesBase &m_db;
    Transaction &m_tx;
    const DemoData &m_data;
    QString m_error;
    int m_batch = 1;
    QHash<QString, qint64> m_contacts;      // by kContacts key
    QHash<QString, qint64> m_organisations; // by mnemonic
    QHash<QString, qint64> m_networks;      // by mnemonic
    int m_progressTotal = 0;                // rain gauges and piezometers
    std::vector<DemoSite> m_written;
};

bool DemoWriter::exec(const QString &sql)
{
    if (m_tx.exec(sql))
        return true;
    m_error = m_tx.error();
    return false;
}

bool DemoWriter::query(const QString &sql, RecordTable *table)
{
    *table = m_db.ExtraireRecords(sql);
    if (!table->ok())
        m_error = table->error();
    return table->ok();
}

bool DemoWriter::nextCode(const QString &table, const QString &column, qint64 *code)
{
    RecordTable t;
    if (!query(QStringLiteral("SELECT max(%1) FROM %2").arg(column, table), &t))
        return false;
    *code = (t.rowCount() > 0 && !t.at(0, 0).isNull()) ? qint64(t.at(0, 0).toDouble()) + 1 : 1;
    return true;
}

bool DemoWriter::findCode(const QString &table, const QString &keyColumn, const QString &column,
                          const QString &value, qint64 *code)
{
    RecordTable t;
    if (!query(QStringLiteral("SELECT %1 FROM %2 WHERE ucase(%3) = ucase(%4)")
                   .arg(keyColumn, table, column, sqlQuote(value)),
               &t))
        return false;
    *code = t.rowCount() > 0 ? qint64(t.at(0, 0).toDouble()) : 0;
    return true;
}

bool DemoWriter::ensureRow(const QString &table, const QString &keyColumn,
                           const QString &matchColumn, const QString &matchValue,
                           const QString &columns, const QString &values, qint64 *code)
{
    if (!findCode(table, keyColumn, matchColumn, matchValue, code))
        return false;
    if (*code > 0)
        return true;
    if (!nextCode(table, keyColumn, code))
        return false;
    return exec(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (%4, %5)")
                    .arg(table, keyColumn, columns, sqlNumber(*code), values));
}

bool DemoWriter::writeReferences()
{
    // Countries and projection labels belong to the reference lists, which a database may
    // already carry: add only what is missing.
    RecordTable t;
    if (m_db.tableExists(QStringLiteral("PAYS"))) {
        if (!query(QStringLiteral("SELECT CodePays FROM PAYS WHERE ucase(CodePays) = 'FR'"), &t))
            return false;
        if (t.rowCount() == 0
            && !exec(QStringLiteral("INSERT INTO PAYS (CodePays, CodePaysNum, Nom, NomInter) "
                                    "VALUES ('FR', 250, 'France', 'France')")))
            return false;
    }
    if (m_db.tableExists(QStringLiteral("CODES_SANDRE"))) {
        struct CodeLabel
        {
            const char *champ;
            int code;
            const char *label;
        };
        // Projections of the stations and localisations, and the code lists the record's
        // grids choose from (roles of the manager and agency links written below).
        const CodeLabel codes[] = {
            {"PLUVIOMETRES.TYPEPROJECTION", kLambert2e, "Lambert II étendu"},
            {"PLUVIOMETRES.TYPEPROJECTION", kWgs84, "WGS84 (degrés décimaux)"},
            {"PIEZOMETRES.TYPEPROJECTION", kLambert2e, "Lambert II étendu"},
            {"PIEZOMETRES.TYPEPROJECTION", kWgs84, "WGS84 (degrés décimaux)"},
            {"LIEN_PIEZO_INTERVENANTS.TYPEINTERVENANT", 0, "Gestionnaire"},
            {"LIEN_PIEZO_INTERVENANTS.TYPEINTERVENANT", 1, "Propriétaire"},
            {"LIEN_PIEZO_INTERVENANTS.TYPEINTERVENANT", 3, "Agence"},
            {"MODES_MESURES.METHODE", 1, "Pluviomètre automatique"},
            {"MODES_MESURES.METHODE", 2, "Pluviomètre manuel"},
            {"MODES_MESURES.PERIODICITE", 1, "Journalière"},
            {"MODES_MESURES.PERIODICITE", 2, "Horaire"}};
        for (const CodeLabel &c : codes) {
            if (!query(QStringLiteral("SELECT Code FROM CODES_SANDRE WHERE ucase(Champ) = "
                                      "ucase(%1) AND Code = %2")
                           .arg(textSql(c.champ), sqlNumber(c.code)),
                       &t))
                return false;
            if (t.rowCount() == 0
                && !exec(QStringLiteral("INSERT INTO CODES_SANDRE (Champ, Code, Libelle) "
                                        "VALUES (%1, %2, %3)")
                             .arg(textSql(c.champ), sqlNumber(c.code), textSql(c.label))))
                return false;
        }
    }

    // Communes of the stations, of the piezometers and of the contacts.
    QSet<QString> communes;
    if (!query(QStringLiteral("SELECT CodeCommune FROM COMMUNES"), &t))
        return false;
    for (int r = 0; r < t.rowCount(); ++r)
        communes.insert(t.text(r, 0).trimmed());
    const auto commune = [&](const QString &code, const QString &name) {
        if (communes.contains(code))
            return true;
        communes.insert(code);
        return exec(QStringLiteral("INSERT INTO COMMUNES (CodeCommune, Nom, NumDept, codePays) "
                                   "VALUES (%1, %2, %3, 'FR')")
                        .arg(sqlQuote(code), sqlQuote(name), sqlQuote(code.left(2))));
    };
    for (const Station &s : m_data.stations) {
        if (!commune(s.communeCode, s.communeName))
            return false;
    }
    for (const Piezometer &p : m_data.piezometers) {
        if (!commune(p.communeCode, p.communeName))
            return false;
    }

    for (const Contact &c : kContacts) {
        qint64 code = 0;
        if (!ensureRow(QStringLiteral("CONTACTS"), QStringLiteral("CodeContact"),
                       QStringLiteral("Nom"), QString::fromUtf8(c.name),
                       QStringLiteral("Nom, RaisonSocial, CodeCommune, commentaire"),
                       QStringList{textSql(c.name), textSql(c.company), textSql(c.commune),
                                   textSql(c.comment)}
                           .join(QStringLiteral(", ")),
                       &code))
            return false;
        m_contacts.insert(QString::fromUtf8(c.key), code);
    }
    for (const Organisation &o : kOrganisations) {
        qint64 code = 0;
        if (!ensureRow(QStringLiteral("INTERVENANTS"), QStringLiteral("CodeIntervenant"),
                       QStringLiteral("Mnemonique"), QString::fromUtf8(o.mnemonic),
                       QStringLiteral("Nom, Mnemonique, Commentaires"),
                       QStringList{textSql(o.name), textSql(o.mnemonic),
                                   textSql("Organisme de démonstration")}
                           .join(QStringLiteral(", ")),
                       &code))
            return false;
        m_organisations.insert(QString::fromUtf8(o.mnemonic), code);
    }
    for (const Network &n : kNetworks) {
        qint64 code = 0;
        if (!ensureRow(QStringLiteral("RESEAUX"), QStringLiteral("CodeReseau"),
                       QStringLiteral("Mnemonique"), QString::fromUtf8(n.mnemonic),
                       QStringLiteral("Libelle, Mnemonique, Finalite, DCE, Commentaire, aEditer"),
                       QStringList{textSql(n.label), textSql(n.mnemonic), textSql(n.purpose),
                                   QStringLiteral("'N'"),
                                   textSql("Réseau de démonstration (données Météo-France)"),
                                   QStringLiteral("'O'")}
                           .join(QStringLiteral(", ")),
                       &code))
            return false;
        m_networks.insert(QString::fromUtf8(n.mnemonic), code);
    }
    return true;
}

bool DemoWriter::writeParameters()
{
    // The free parameter 1 carries the stations' mean temperature; 2 and 3 are unused and
    // get an empty label, which hides them.
    const std::pair<int, QString> labels[] = {
        {1, QStringLiteral("Température moyenne (°C)")}, {2, QString()}, {3, QString()}};
    RecordTable t;
    for (const auto &[id, label] : labels) {
        if (!query(QStringLiteral("SELECT id FROM PARAMETRAGE_DATA WHERE projet='PLX' AND id=")
                       + sqlNumber(id),
                   &t))
            return false;
        if (t.rowCount() == 0
            && !exec(QStringLiteral("INSERT INTO PARAMETRAGE_DATA (id, libelle, projet) "
                                    "VALUES (%1, %2, 'PLX')")
                         .arg(sqlNumber(id), sqlQuote(label))))
            return false;
    }
    return true;
}

qint64 DemoWriter::contactOf(const Station &s) const
{
    if (s.numPoste == QLatin1String("13055021"))
        return m_contacts.value(QStringLiteral("OBSERVATOIRE"));
    return m_contacts.value(s.hourly ? QStringLiteral("OUEST") : QStringLiteral("SUD-EST"));
}

bool DemoWriter::writeStations(const DemoProgress &progress)
{
    RecordTable t;
    if (!query(QStringLiteral("SELECT CodePluviometre, Identifiant FROM PLUVIOMETRES"), &t))
        return false;
    QSet<qint64> usedCodes;
    QSet<QString> identifiers;
    qint64 next = 1;
    for (int r = 0; r < t.rowCount(); ++r) {
        const qint64 code = qint64(t.at(r, 0).toDouble());
        usedCodes.insert(code);
        next = std::max(next, code + 1);
        identifiers.insert(t.text(r, 1).trimmed().toUpper());
    }

    const int total = m_progressTotal;
    for (int i = 0; i < int(m_data.stations.size()); ++i) {
        const Station &s = m_data.stations[size_t(i)];
        if (!identifiers.contains(s.numPoste.toUpper())) {
            // A table left behind by a deleted station must not lend its rows to a new one.
            while (usedCodes.contains(next)
                   || m_db.tableExists(measurementTableName(QString::number(next))))
                ++next;
            if (next > 99999) {
                m_error = QStringLiteral("Plus aucun code de pluviomètre libre.");
                return false;
            }
            const qint64 code = next++;
            usedCodes.insert(code);
            const QString table = measurementTableName(QString::number(code));
            if (!writeStation(s, code) || !writeLinks(s, code) || !writeDescription(s, code)
                || !writeNormals(s, code))
                return false;
            if (!CreateMeasurementTable(m_db, QString::number(code), false)) {
                m_error = QStringLiteral("La table %1 n'a pas pu être créée. %2")
                              .arg(table, m_db.lastError());
                return false;
            }
            if (!writeMeasures(s, table))
                return false;
            m_written.push_back({code, s.name, contactOf(s), !isHistorical(s), s.hourly});
        }
        if (progress)
            progress(i + 1, total);
    }
    return true;
}

bool DemoWriter::writeStation(const Station &s, qint64 code)
{
    const QDate opened = s.firstDay.isValid() ? s.firstDay : QDate();
    QString comment = QStringLiteral("Poste Météo-France %1. Données Météo-France, Licence "
                                     "Ouverte / Etalab 2.0 ; extrait de démonstration.")
                          .arg(s.numPoste);
    if (s.firstDay.isValid() && s.firstDay.year() < 1800)
        comment += QStringLiteral(" Relevés depuis le %1.")
                       .arg(s.firstDay.toString(QStringLiteral("dd/MM/yyyy")));
    const bool lambert = s.lambert2e.has_value();
    const double x = lambert ? s.lambert2e->first : s.longitude;
    const double y = lambert ? s.lambert2e->second : s.latitude;
    const QString now =
        FormatDateSQL(QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")),
                      true);
    const QStringList values{
        sqlNumber(code),
        sqlQuote(s.name),
        dateSql(opened),
        dateSql(s.lastDay),
        sqlNumber(x),
        sqlNumber(y),
        sqlNumber(lambert ? kLambert2e : kWgs84),
        sqlNumber(s.altitude),
        sqlNumber(2),
        sqlQuote(comment),
        sqlQuote(s.communeCode),
        sqlNumber(contactOf(s)),
        sqlQuote(s.numPoste),
        QStringLiteral("'FR'"),
        sqlQuote(kDemoLogin),
        now.isEmpty() ? QStringLiteral("NULL") : now,
        sqlQuote(s.communeCode),
    };
    return exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, DateCreation, "
                               "DateFermeture, X, Y, TypeProjection, Altitude, ExpressionMesure, "
                               "Commentaires, CodeCommune, CodeContact, Identifiant, codePays, "
                               "loginmaj, datemaj, codeCommuneDeclaration) VALUES (")
                + values.join(QStringLiteral(", ")) + QLatin1Char(')'));
}

bool DemoWriter::writeLinks(const Station &s, qint64 code)
{
    const QString startSql = dateSql(startOf(m_data, s));
    const QString endSql = dateSql(s.lastDay);
    const QString codeSql = sqlNumber(code);
    const QString contact = sqlNumber(contactOf(s));

    const auto intervenant = [&](const char *mnemonic, int role, const QString &reference) {
        return exec(QStringLiteral("INSERT INTO LIEN_PLUVIO_INTERVENANTS (CodePluviometre, "
                                   "CodeIntervenant, DateDebut, DateFin, ReferenceInterne, "
                                   "TypeIntervenant, codeContact) VALUES (%1, %2, %3, %4, %5, "
                                   "%6, %7)")
                        .arg(codeSql,
                             sqlNumber(m_organisations.value(QString::fromUtf8(mnemonic))),
                             startSql, endSql, textSql(reference), sqlNumber(role), contact));
    };
    if (!intervenant("METEO-FRANCE", kManager, s.numPoste)
        || !intervenant(s.hourly ? "AELB" : "AERMC", kAgency, QString()))
        return false;

    const auto network = [&](const char *mnemonic, const QString &from, const QString &to) {
        return exec(QStringLiteral("INSERT INTO LIEN_PLUVIO_RESEAUX (CodePluviometre, CodeReseau, "
                                   "DateDebut, DateFin) VALUES (%1, %2, %3, %4)")
                        .arg(codeSql, sqlNumber(m_networks.value(QString::fromUtf8(mnemonic))),
                             from, to));
    };
    if (s.hourly)
        return network("RADOME-BZH", startSql, endSql);
    if (isHistorical(s))
        return network("HISTO13", startSql, endSql);
    // Stations that report today and also have archive years in the extract belong to the
    // historical network up to the end of the archive.
    const std::vector<Measure> &series = seriesOf(m_data, s);
    if (series.front().day.year() < 1950
        && !network("HISTO13", startSql, dateSql(QDate(1949, 12, 31))))
        return false;
    return network("CLIM13", startSql, QStringLiteral("NULL"));
}

bool DemoWriter::writeDescription(const Station &s, qint64 code)
{
    const QString codeSql = sqlNumber(code);
    if (m_db.tableExists(QStringLiteral("OUVRAGES_PLUVIO"))) {
        const bool automatic = !isHistorical(s);
        if (!exec(QStringLiteral("INSERT INTO OUVRAGES_PLUVIO (CodePluviometre, TypeStation, "
                                 "TypeCapteur) VALUES (%1, %2, %3)")
                      .arg(codeSql,
                           automatic ? textSql("Station automatique") : textSql("Poste manuel"),
                           automatic ? textSql("Pluviomètre à augets basculants")
                                     : textSql("Pluviomètre à lecture directe"))))
            return false;
    }
    if (m_db.tableExists(QStringLiteral("MODES_MESURES_PLUVIO"))) {
        // Method 1/2 automatic/manual, periodicity 1/2 daily/hourly (the code lists above).
        if (!exec(QStringLiteral("INSERT INTO MODES_MESURES_PLUVIO (CodePluviometre, DateDebut, "
                                 "DateFin, Methode, Periodicite) VALUES (%1, %2, %3, %4, %5)")
                      .arg(codeSql, dateSql(startOf(m_data, s)), dateSql(s.lastDay),
                           sqlNumber(isHistorical(s) ? 2 : 1), sqlNumber(s.hourly ? 2 : 1))))
            return false;
    }
    if (m_db.tableExists(QStringLiteral("PLUVIOMETRE_LOCALISATIONS"))) {
        if (!exec(QStringLiteral("INSERT INTO PLUVIOMETRE_LOCALISATIONS (CodePluviometre, "
                                 "CodeProjection, X, Y, Z) VALUES (%1, %2, %3, %4, %5)")
                      .arg(codeSql, sqlNumber(kWgs84), sqlNumber(s.longitude),
                           sqlNumber(s.latitude), sqlNumber(s.altitude))))
            return false;
        if (s.lambert2e
            && !exec(QStringLiteral("INSERT INTO PLUVIOMETRE_LOCALISATIONS (CodePluviometre, "
                                    "CodeProjection, X, Y, Z) VALUES (%1, %2, %3, %4, %5)")
                         .arg(codeSql, sqlNumber(kLambert2e), sqlNumber(s.lambert2e->first),
                              sqlNumber(s.lambert2e->second), sqlNumber(s.altitude))))
            return false;
    }
    return true;
}

// The long records carry their own normals: the means of the complete months of their
// last thirty years of archive (fewer for MARIGNANE, whose record starts in 1921), titled
// with that period. These are the station's figures, not Météo-France's official normals.
struct NormalsPeriod
{
    const char *numPoste;
    int firstYear;
    int lastYear;
};

const NormalsPeriod kNormalsPeriods[] = {
    {"13055001", 1920, 1949}, // MARSEILLE-OBS, record 1868-1949
    {"13054001", 1921, 1949}, // MARIGNANE, record 1921-1949
    {"13001003", 1906, 1935}, // AIX-EN-PROVENCE, record 1865-1935
    {"13055021", 1837, 1863}, // MARSEILLE-ACCOULES: 1786 alone, then 1837-1863 unbroken
};

bool DemoWriter::writeNormals(const Station &s, qint64 code)
{
    // A month of hourly data makes no normal.
    if (s.hourly)
        return true;
    QString title;
    std::vector<double> means;
    const auto period = std::find_if(std::begin(kNormalsPeriods), std::end(kNormalsPeriods),
                                     [&](const NormalsPeriod &p) {
                                         return s.numPoste == QLatin1String(p.numPoste);
                                     });
    if (period != std::end(kNormalsPeriods)) {
        const std::array<double, 12> monthly =
            completeMonthMeans(seriesOf(m_data, s), period->firstYear, period->lastYear);
        means.assign(monthly.begin(), monthly.end());
        title = QStringLiteral("Moyennes %1-%2 (poste)")
                    .arg(period->firstYear)
                    .arg(period->lastYear);
    } else {
        const std::optional<std::vector<double>> all = monthlyMeans(seriesOf(m_data, s));
        if (!all)
            return true;
        means = *all;
        title = QStringLiteral("Moyennes mensuelles de la série (démonstration)");
    }
    const QString codeSql = sqlNumber(code);
    if (!exec(QStringLiteral("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Titre) "
                             "VALUES (%1, -1, %2)")
                  .arg(codeSql, sqlQuote(title))))
        return false;
    QStringList rows;
    for (int month = 1; month <= 12; ++month) {
        const double mean = means[size_t(month - 1)];
        if (!std::isnan(mean)) // no complete month: no row rather than a made-up value
            rows << QStringLiteral("(%1, %2, %3)").arg(codeSql, sqlNumber(month), sqlNumber(mean));
    }
    if (rows.isEmpty())
        return true;
    if (m_batch > 1)
        return exec(QStringLiteral("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, "
                                   "Valeur) VALUES ")
                    + rows.join(QStringLiteral(", ")));
    for (const QString &row : std::as_const(rows)) {
        if (!exec(QStringLiteral("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, "
                                 "Valeur) VALUES ")
                  + row))
            return false;
    }
    return true;
}

std::unique_ptr<PreparedStatement> DemoWriter::prepareRows(const QString &table, int rows)
{
    // Values are bound, not written as literals: the dates of the 18th-century registers
    // are outside what the date literals accept, and the server parses one text per batch.
    QStringList marks;
    for (int r = 0; r < rows; ++r)
        marks << QStringLiteral("(?, ?, ?, ?, ?, ?, ?)");
    return m_db.prepare(QStringLiteral("INSERT INTO ") + table
                            + QStringLiteral(" (DateCreation, Heure, Pluie, Valeur1, Continuite, "
                                             "ModeObtention, Validite) VALUES ")
                            + marks.join(QStringLiteral(", ")),
                        &m_error);
}

bool DemoWriter::writeMeasures(const Station &s, const QString &table)
{
    constexpr int kColumns = 7;
    const std::vector<Measure> &series = seriesOf(m_data, s);
    if (series.empty())
        return true;
    const int batch = std::min(m_batch, int(series.size()));
    const std::unique_ptr<PreparedStatement> full = prepareRows(table, batch);
    if (!full)
        return false;

    const QDate heureDay(1899, 12, 30); // every Heure value lives on that day
    const QVariant null;

    QVariantList values;
    values.reserve(batch * kColumns);
    std::optional<QDateTime> lastRain;
    for (const Measure &m : series) {
        // A rainfall value that does not follow the previous one by one step starts a new
        // continuous stretch: the break is what the validation editor shows as "R".
        const QDateTime instant(m.day, QTime(m.hour, 0), Qt::UTC);
        bool breaks = false;
        if (m.rain) {
            const QDateTime expected =
                lastRain ? (s.hourly ? lastRain->addSecs(3600) : lastRain->addDays(1)) : instant;
            breaks = expected != instant;
            lastRain = instant;
        }
        const QString validity = validityOf(m);
        values << QVariant(m.day) << QVariant(QDateTime(heureDay, QTime(m.hour, 0), Qt::UTC))
               << (m.rain ? QVariant(*m.rain) : null)
               << (m.temperature ? QVariant(*m.temperature) : null)
               << (breaks ? QVariant(1) : null) << QVariant(obtentionOf(m))
               << (validity.isEmpty() ? null : QVariant(validity));
        if (values.size() == batch * kColumns) {
            if (!full->exec(values, &m_error))
                return false;
            values.clear();
        }
    }
    if (values.isEmpty())
        return true;
    const std::unique_ptr<PreparedStatement> rest =
        prepareRows(table, int(values.size()) / kColumns);
    return rest && rest->exec(values, &m_error);
}

bool DemoWriter::writePiezometers(const DemoProgress &progress)
{
    RecordTable t;
    if (!query(QStringLiteral("SELECT CodePiezometre, CodeBSS FROM PIEZOMETRES"), &t))
        return false;
    QSet<qint64> usedCodes;
    QSet<QString> known;
    qint64 next = 1;
    for (int r = 0; r < t.rowCount(); ++r) {
        const qint64 code = qint64(t.at(r, 0).toDouble());
        usedCodes.insert(code);
        next = std::max(next, code + 1);
        known.insert(t.text(r, 1).trimmed().toUpper());
    }
    const int done = int(m_data.stations.size());
    for (int i = 0; i < int(m_data.piezometers.size()); ++i) {
        const Piezometer &p = m_data.piezometers[size_t(i)];
        if (!known.contains(p.oldBss.toUpper())) {
            // A level table left behind by a deleted piezometer must not lend it its rows.
            while (usedCodes.contains(next)
                   || m_db.tableExists(pzTableName(QString::number(next))))
                ++next;
            const qint64 code = next++;
            usedCodes.insert(code);
            const QString table = pzTableName(QString::number(code));
            if (!writePiezometer(p, code))
                return false;
            if (!CreatePiezometerLevelTable(m_db, QString::number(code))) {
                m_error = QStringLiteral("La table %1 n'a pas pu être créée. %2")
                              .arg(table, m_db.lastError());
                return false;
            }
            if (!writeLevels(p, table))
                return false;
        }
        if (progress)
            progress(done + i + 1, m_progressTotal);
    }
    return true;
}

bool DemoWriter::writePiezometer(const Piezometer &p, qint64 code)
{
    // The groundwater module owns PIEZOMETRES and may have made it with fewer columns than
    // ours: the optional ones are written only where they exist.
    QStringList columns{QStringLiteral("CodePiezometre"), QStringLiteral("CodeBSS"),
                        QStringLiteral("Nom"), QStringLiteral("CodeCommune"),
                        QStringLiteral("Altitude")};
    QStringList values{sqlNumber(code), sqlQuote(p.oldBss), sqlQuote(p.communeName),
                       sqlQuote(p.communeCode), sqlNumber(p.altitude)};
    const std::pair<QString, QString> optional[] = {
        {QStringLiteral("X"), sqlNumber(p.longitude)},
        {QStringLiteral("Y"), sqlNumber(p.latitude)},
        {QStringLiteral("TypeProjection"), sqlNumber(kWgs84)},
        {QStringLiteral("Identifiant"), sqlQuote(p.bss)},
    };
    for (const auto &[column, value] : optional) {
        if (m_db.columnExists(QStringLiteral("PIEZOMETRES"), column)) {
            columns << column;
            values << value;
        }
    }
    if (!exec(QStringLiteral("INSERT INTO PIEZOMETRES (%1) VALUES (%2)")
                  .arg(columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")))))
        return false;

    RecordTable t;
    if (!query(QStringLiteral("SELECT CodeEntiteHydro FROM ENTITES_HYDROGEOLOGIQUES WHERE "
                              "CodeEntiteHydro = ")
                   + sqlQuote(p.aquiferCode),
               &t))
        return false;
    if (t.rowCount() == 0
        && !exec(QStringLiteral("INSERT INTO ENTITES_HYDROGEOLOGIQUES (CodeEntiteHydro, Nom) "
                                "VALUES (%1, %2)")
                     .arg(sqlQuote(p.aquiferCode), sqlQuote(p.aquiferName))))
        return false;
    return exec(QStringLiteral("INSERT INTO LIEN_PIEZO_ENTITE_HYDRO (CodePiezometre, "
                               "CodeEntiteHydro) VALUES (%1, %2)")
                    .arg(sqlNumber(code), sqlQuote(p.aquiferCode)));
}

bool DemoWriter::writeLevels(const Piezometer &p, const QString &table)
{
    constexpr int kColumns = 4;
    const std::vector<Level> &levels = *m_data.levels.constFind(p.bss);
    if (levels.empty())
        return true;
    // Bound values in batches, as for the rain series. The source dropped the bank's
    // quality codes: the demo calls its levels validated, as it does the rain of past
    // years, so that a chart of validated values shows them.
    const auto prepare = [&](int rows) {
        QStringList marks;
        for (int r = 0; r < rows; ++r)
            marks << QStringLiteral("(?, ?, ?, ?, 'V')");
        return m_db.prepare(QStringLiteral("INSERT INTO ") + table
                                + QStringLiteral(" (DateCreation, Heure, NiveauNGF, Profondeur, "
                                                 "Validite) VALUES ")
                                + marks.join(QStringLiteral(", ")),
                            &m_error);
    };
    const int batch = std::min(m_batch, int(levels.size()));
    const std::unique_ptr<PreparedStatement> full = prepare(batch);
    if (!full)
        return false;
    // Daily levels carry no time: midnight on the day Heure values live on.
    const QVariant midnight(QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC));
    QVariantList values;
    values.reserve(batch * kColumns);
    for (const Level &l : levels) {
        values << QVariant(l.day) << midnight << QVariant(l.ngf) << QVariant(l.depth);
        if (values.size() == batch * kColumns) {
            if (!full->exec(values, &m_error))
                return false;
            values.clear();
        }
    }
    if (values.isEmpty())
        return true;
    const std::unique_ptr<PreparedStatement> rest = prepare(int(values.size()) / kColumns);
    return rest && rest->exec(values, &m_error);
}

} // namespace

bool fillDemoNetwork(AccesBase &db, QString *error, const DemoProgress &progress)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("La base de démonstration n'a pas pu être remplie : %1")
                         .arg(why);
        return false;
    };
    if (!db.isConnected())
        return fail(QStringLiteral("aucune base de données n'est ouverte."));

    DemoData data;
    QString why;
    if (!loadDemoData(&data, &why))
        return fail(why);

    // FormatDateSQL and FormatHeureSQL follow the run profile's kind; the command-line tool
    // and the first start have none yet.
    const ScopedConnectionKind kind(db);
    Transaction transaction(db);
    if (!transaction.started())
        return fail(transaction.error());
    DemoWriter writer(db, transaction, data);
    if (!writer.writeReferences() || !writer.writeParameters() || !writer.writeStations(progress)
        || !writer.writePiezometers(progress))
        return fail(writer.error());
    if (!writeDemoFieldWork(db, transaction, writer.writtenSites(), &why))
        return fail(why);
    if (!transaction.commit())
        return fail(transaction.error());
    return true;
}

bool createDemoNetwork(const QString &sqlitePath, QString *error, const DemoProgress &progress)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("La base de démonstration « %1 » n'a pas pu être créée : %2")
                         .arg(QDir::toNativeSeparators(sqlitePath), why);
        return false;
    };
    const QFileInfo file(sqlitePath);
    const QString suffix = file.suffix().toLower();
    if (suffix != QLatin1String("sqlite") && suffix != QLatin1String("db"))
        return fail(QStringLiteral("le fichier doit porter l'extension .sqlite ou .db."));
    if (!QDir().mkpath(file.absolutePath()))
        return fail(QStringLiteral("le dossier « %1 » ne peut pas être créé.")
                        .arg(QDir::toNativeSeparators(file.absolutePath())));

    ConnectionProfile profile;
    profile.kind = QStringLiteral("ACCESS");
    profile.database = file.absoluteFilePath();
    profile.createIfMissing = true;
    AccesBase &db = AccesBase::instance();
    QString why;
    if (!db.Connecter(profile, &why))
        return fail(why);

    const UserTablesResult users = ensureDefaultUserTables(db);
    if (!users.ok)
        return fail(users.error);
    const SchemaUpgradeReport schema = upgradeSchema(db, QStringLiteral(PLX_VERSION));
    journal(schema);
    if (!schema.ok)
        return fail(schema.error);
    if (schema.databaseNewer)
        return fail(QStringLiteral("la base existante est d'une version plus récente (%1) que "
                                   "le programme (%2).")
                        .arg(schema.databaseVersion, schema.programVersion));
    return fillDemoNetwork(db, error, progress);
}

} // namespace plx
