#include "db/accesbase.h"
#include "schema/periodes.h"
#include "schema/schemasteps.h"

#include <algorithm>

namespace plx::schema {

namespace {

// A real unique index over columns, named "PK_" + table as CreateMeasurementTable names
// it (so that the code change renames it with its table). Where duplicates already
// exist a unique index cannot be built: a plain index of the same name serves the
// queries meanwhile, and the report names the table. A plain index left by an earlier
// run becomes unique once its duplicates are gone.
void uniqueKey(SchemaWriter &writer, const QString &table, const QStringList &columns)
{
    AccesBase &db = writer.db();
    for (const QString &column : columns) {
        if (!writer.columnExists(table, column))
            return;
    }
    const std::optional<std::vector<catalog::IndexInfo>> indexes = catalog::indexesOf(db, table);
    if (!indexes)
        return;
    QStringList wanted;
    for (const QString &column : columns)
        wanted << column.toLower();
    const QString name = QStringLiteral("PK_") + table;
    bool ownPlainIndex = false;
    for (const catalog::IndexInfo &index : *indexes) {
        if (index.columns == wanted && index.unique)
            return;
        if (index.name.compare(name, Qt::CaseInsensitive) == 0)
            ownPlainIndex = true;
    }
    // An index of that name on another table (PostgreSQL names are schema-wide).
    const bool nameTaken = !ownPlainIndex && catalog::indexExists(db, name).value_or(false);

    QStringList notNull;
    for (const QString &column : columns)
        notNull << column + QStringLiteral(" IS NOT NULL");
    const QString list = columns.join(QStringLiteral(", "));
    const RecordTable duplicates = db.ExtraireRecords(
        QStringLiteral(
            "SELECT count(*), sum(n) FROM (SELECT count(*) AS n FROM %1 WHERE %2 GROUP BY %3 "
            "HAVING count(*) > 1) %4")
            .arg(table, notNull.join(QStringLiteral(" AND ")), list,
                 writer.dialect() == SqlDialect::Oracle ? QStringLiteral("d")
                                                        : QStringLiteral("AS d")));
    if (!duplicates.ok() || duplicates.rowCount() != 1) {
        writer.fail(QStringLiteral("%1 : %2").arg(table, duplicates.error()));
        return;
    }
    const int groups = duplicates.at(0, 0).toInt();
    if (groups == 0) {
        if (ownPlainIndex && !writer.run(QStringLiteral("DROP INDEX %1").arg(name)))
            return;
        writer.run(QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                       .arg(nameTaken ? QStringLiteral("UX_") + table : name, table, list),
                   QStringLiteral("Index unique (%1) créé sur %2").arg(list, table));
        return;
    }
    if (!ownPlainIndex && !nameTaken) {
        writer.run(QStringLiteral("CREATE INDEX %1 ON %2 (%3)").arg(name, table, list),
                   QStringLiteral("Index (%1) créé sur %2").arg(list, table));
    }
    writer.warn(
        QStringLiteral("%1 : %2 valeur(s) de (%3) présente(s) plusieurs fois (%4 lignes) ; l'index "
                       "unique sera créé quand les doublons auront été corrigés.")
            .arg(table)
            .arg(groups)
            .arg(list)
            .arg(duplicates.at(0, 1).toLongLong()));
}

} // namespace

void measurementIndexes(SchemaWriter &writer)
{
    uniqueKey(writer, QStringLiteral("PLUVIOMETRES"), {QStringLiteral("CodePluviometre")});
    const std::optional<QStringList> tables =
        catalog::tablesMatching(writer.db(), QStringLiteral("(COURBE_REF_)?PLUVIO_[0-9]+"));
    if (!tables) {
        writer.warn(QStringLiteral(
            "Le catalogue de cette base ne peut pas être lu : l'unicité des instants "
            "des tables PLUVIO_ n'a pas été vérifiée."));
        return;
    }
    // As the program writes them (PostgreSQL's catalog has them in lower case).
    QStringList sorted;
    for (const QString &table : *tables)
        sorted << table.toUpper();
    std::sort(sorted.begin(), sorted.end());
    for (const QString &table : sorted)
        uniqueKey(writer, table, {QStringLiteral("DateCreation"), QStringLiteral("Heure")});
}

void periodCalendar(SchemaWriter &writer, bool *repaired)
{
    const PeriodesRepair repair = repairPeriodes(writer.db(), readHydroStartMonth(writer.db()));
    if (repair.rebuilt)
        writer.note(QStringLiteral("Calendrier PERIODES créé (366 jours)"));
    else if (repair.refilled)
        writer.note(QStringLiteral("Calendrier PERIODES rempli à nouveau"));
    if (!repair.ok)
        writer.fail(QStringLiteral("PERIODES : %1").arg(repair.error));
    if (repaired)
        *repaired = repair.rebuilt || repair.refilled;
}

} // namespace plx::schema
