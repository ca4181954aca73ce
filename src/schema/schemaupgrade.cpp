#include "schema/schemaupgrade.h"

#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "schema/measurehistorytable.h"
#include "schema/qualityflagtable.h"
#include "schema/periodes.h"
#include "schema/schemasteps.h"

#include <QDateTime>
#include <QRegularExpression>

#include <optional>
#include <utility>
#include <vector>

namespace plx {

namespace {

constexpr int kLockAttempts = 6; // each waits the engine's busy timeout

struct StepContext
{
    SchemaWriter &writer;
    QStringList droppedViews;
    bool periodesRepaired = false;
};

struct Step
{
    QString name;
    void (*run)(StepContext &);
};

void nothing(StepContext &) {}

const std::vector<Step> &steps()
{
    // The suite's order. The Strahler, reading-unit, benchmark and QLX searches steps
    // belong to the sister modules: they are journalled and do nothing here.
    static const std::vector<Step> list{
        {QStringLiteral("Suppression des vues spécifiques"),
         [](StepContext &c) { c.droppedViews = schema::dropSpecificViews(c.writer); }},
        {QStringLiteral("Mise à jour structure base"),
         [](StepContext &c) {
             schema::suiteTables(c.writer);
             schema::referenceTables(c.writer);
             schema::stationTables(c.writer);
         }},
        {QStringLiteral("Mise à jour Strahler"), nothing},
        {QStringLiteral("Mise à jour unités relevés"), nothing},
        {QStringLiteral("Mise à jour structure base 2"),
         [](StepContext &c) {
             schema::stationMigrations(c.writer);
             schema::sisterTables(c.writer);
             schema::measurementIndexes(c.writer);
             schema::measureHistory(c.writer);
             schema::qualityFlags(c.writer);
             schema::qualityThresholds(c.writer);
             schema::periodCalendar(c.writer, &c.periodesRepaired);
         }},
        {QStringLiteral("Mise à jour Repères"), nothing},
        {QStringLiteral("Mise à jour des jobs"),
         [](StepContext &c) { schema::jobColumns(c.writer); }},
        {QStringLiteral("Mise à jour des recherches QLX"), nothing},
        {QStringLiteral("Création vues spécifiques"),
         [](StepContext &c) { schema::createSpecificViews(c.writer, c.droppedViews); }},
    };
    return list;
}

std::optional<std::vector<int>> versionParts(const QString &version)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*\d+(\.\d+)*\s*$)"));
    if (!pattern.match(version).hasMatch())
        return std::nullopt;
    std::vector<int> parts;
    for (const QString &part : version.trimmed().split(QLatin1Char('.')))
        parts.push_back(part.toInt());
    return parts;
}

bool isBusy(const QString &error)
{
    return error.contains(QLatin1String("locked"), Qt::CaseInsensitive) ||
           error.contains(QLatin1String("busy"), Qt::CaseInsensitive);
}

void checkCalendar(AccesBase &db, SchemaUpgradeReport &report)
{
    const PeriodesRepair repair = repairPeriodes(db, readHydroStartMonth(db));
    report.periodesRepaired = repair.rebuilt || repair.refilled;
    if (repair.rebuilt)
        report.changes << QStringLiteral("Calendrier PERIODES créé (366 jours)");
    else if (repair.refilled)
        report.changes << QStringLiteral("Calendrier PERIODES rempli à nouveau");
    if (!repair.ok) {
        report.ok = false;
        report.error = QStringLiteral("PERIODES : %1").arg(repair.error);
    }
    // Databases upgraded before the history existed get it without a version change.
    const bool hadHistory = hasMeasureHistory(db);
    QString error;
    if (!ensureMeasureHistoryTable(db, &error)) {
        report.warnings << QStringLiteral("HISTORIQUE_LOTS, HISTORIQUE_VALEURS : %1").arg(error);
    } else if (!hadHistory) {
        report.changes << QStringLiteral("Tables HISTORIQUE_LOTS et HISTORIQUE_VALEURS créées");
    }
    const bool hadFlags = db.tableExists(QStringLiteral("CONTROLES_QUALITE"));
    if (!ensureQualityFlagTable(db, &error))
        report.warnings << QStringLiteral("CONTROLES_QUALITE : %1").arg(error);
    else if (!hadFlags)
        report.changes << QStringLiteral("Table CONTROLES_QUALITE créée");
}

QString versionWhere()
{
    return sameKey(QStringLiteral("module"), QStringLiteral("KELDA")) + QStringLiteral(" and ") +
           sameKey(QStringLiteral("identifiant"), QStringLiteral("version"));
}

bool writeVersionRow(SchemaWriter &writer, const QString &version, const QString &login)
{
    // The date through the dialect (month first where the server reads month first) and
    // the columns named: PARAMETRES has more than the four values written.
    const QString now = FormatDateSQL(
        QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")), true);
    return writer.run(QStringLiteral("DELETE from PARAMETRES WHERE ") + versionWhere()) &&
           writer.run(
               QStringLiteral("INSERT INTO PARAMETRES (Module, DateCreation, valeur, Identifiant, "
                              "loginMaj) VALUES ('KELDA', %1, %2, 'version', %3)")
                   .arg(now, sqlQuote(version),
                        login.isEmpty() ? QStringLiteral("null") : sqlQuote(login)));
}

// Takes the upgrade lock: BEGIN IMMEDIATE on SQLite (SqliteEngine's BEGIN), a
// transaction-scoped advisory lock on PostgreSQL. Other engines get the transaction only.
bool beginLocked(AccesBase &db, QString *error)
{
    bool begun = false;
    for (int attempt = 0; attempt < kLockAttempts && !begun; ++attempt) {
        begun = db.DebutTransaction(error);
        if (!begun && !isBusy(*error))
            return false;
    }
    if (!begun)
        return false;
    if (!lockSchema(db, error)) {
        db.FinTransaction(false);
        return false;
    }
    return true;
}

} // namespace

const QStringList &schemaStepNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const Step &step : steps())
            list << step.name;
        return list;
    }();
    return names;
}

int compareVersions(const QString &a, const QString &b)
{
    const std::optional<std::vector<int>> left = versionParts(a);
    const std::optional<std::vector<int>> right = versionParts(b);
    if (!left || !right)
        return left ? 1 : right ? -1 : 0;
    const size_t count = std::max(left->size(), right->size());
    for (size_t i = 0; i < count; ++i) {
        const int l = i < left->size() ? (*left)[i] : 0;
        const int r = i < right->size() ? (*right)[i] : 0;
        if (l != r)
            return l < r ? -1 : 1;
    }
    return 0;
}

QString readSchemaVersion(AccesBase &db, bool *ok)
{
    if (ok)
        *ok = true;
    // From the catalog, not from a failing query (which would abort a PostgreSQL
    // transaction): a PARAMETRES without these columns holds no version.
    const QString table = QStringLiteral("PARAMETRES");
    if (!db.tableExists(table) || !db.columnExists(table, QStringLiteral("Module")) ||
        !db.columnExists(table, QStringLiteral("Identifiant")) ||
        !db.columnExists(table, QStringLiteral("valeur")))
        return QString();
    const RecordTable rows =
        db.ExtraireRecords(QStringLiteral("SELECT valeur from PARAMETRES WHERE ") + versionWhere());
    if (!rows.ok()) {
        if (ok)
            *ok = db.isMissingObjectError(rows.error());
        return QString();
    }
    // Several rows (written by older clients without the delete): the highest counts.
    QString version;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString value = rows.text(r, 0).trimmed();
        if (version.isEmpty() || compareVersions(value, version) > 0)
            version = value;
    }
    return version;
}

SchemaUpgradeReport upgradeSchema(AccesBase &db, const QString &programVersion,
                                  const SchemaProgress &progress,
                                  const SchemaUpgradeOptions &options)
{
    SchemaUpgradeReport report;
    report.programVersion = programVersion;
    if (!db.isConnected()) {
        report.error = QStringLiteral("Aucune base de données n'est connectée.");
        return report;
    }
    ScopedConnectionKind kind(db);

    // Returns true when the database needs no upgrade (report filled accordingly).
    const auto upToDate = [&](const QString &version) {
        report.databaseVersion = version;
        const int order = compareVersions(version, programVersion);
        if (order > 0) {
            report.databaseNewer = true;
            report.warnings << QStringLiteral(
                                   "La base de données (version %1) est plus récente que le "
                                   "programme (version %2) : elle n'a pas été modifiée.")
                                   .arg(version, programVersion);
            return true;
        }
        return order == 0 && !options.force;
    };

    bool readOk = false;
    const QString before = readSchemaVersion(db, &readOk);
    if (!readOk) {
        report.error =
            QStringLiteral("La version de la base n'a pas pu être lue : %1").arg(db.lastError());
        return report;
    }
    if (upToDate(before)) {
        report.ok = true;
        if (report.databaseNewer) {
            report.journal.push_back({report.warnings.constLast(), true});
            return report;
        }
        checkCalendar(db, report);
        return report;
    }

    QString error;
    if (!beginLocked(db, &error)) {
        report.error =
            QStringLiteral("La base n'a pas pu être verrouillée pour sa mise à jour : %1")
                .arg(error);
        return report;
    }
    // Another client may have upgraded while we waited for the lock.
    const QString locked = readSchemaVersion(db, &readOk);
    if (!readOk || upToDate(locked)) {
        db.FinTransaction(readOk);
        report.ok = readOk;
        if (!readOk)
            report.error = QStringLiteral("La version de la base n'a pas pu être lue : %1")
                               .arg(db.lastError());
        else if (!report.databaseNewer)
            checkCalendar(db, report);
        return report;
    }

    report.journal.push_back({QStringLiteral("Mise à jour de la version ") + programVersion, false});
    SchemaWriter writer(db);
    StepContext context{writer, {}, false};
    for (const Step &step : steps()) {
        if (progress)
            progress(step.name);
        report.steps << step.name;
        report.journal.push_back({step.name, false});
        step.run(context);
    }
    report.periodesRepaired = context.periodesRepaired;
    // A statement that failed leaves the version row as it was: the idempotent steps run
    // again at the next start, and what succeeded is kept.
    const bool stepsOk = writer.failures().isEmpty();
    const bool versionWritten = stepsOk && writeVersionRow(writer, programVersion, options.login);
    report.changes = writer.changes();
    report.warnings << writer.warnings();
    QStringList failures = writer.failures();
    if (!db.FinTransaction(true, &error)) {
        failures << error;
        report.changes.clear();
    }
    report.ok = failures.isEmpty();
    report.upgraded = report.ok && versionWritten;
    if (!report.ok) {
        report.error =
            QStringLiteral("La mise à jour de la base vers la version %1 est incomplète :\n%2")
                .arg(programVersion, failures.join(QLatin1Char('\n')));
        report.journal.push_back({report.error, true});
    }
    for (const QString &warning : std::as_const(report.warnings))
        report.journal.push_back({warning, true});
    return report;
}

SchemaUpgradeReport upgradeSchema(const QString &programVersion, const SchemaProgress &progress)
{
    return upgradeSchema(AccesBase::instance(), programVersion, progress);
}

} // namespace plx
