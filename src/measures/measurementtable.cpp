#include "measures/measurementtable.h"

#include "db/accesbase.h"
#include "db/dialect.h"
#include "schema/schemacatalog.h"

namespace plx {

QString measurementTableName(const QString &code, bool reference)
{
    bool ok = false;
    const double value = code.trimmed().toDouble(&ok);
    // The code becomes part of a table name: only a plain station number may get there.
    if (!ok || value < 1 || value > 99999 || value != double(qint64(value)))
        return QString();
    return (reference ? QStringLiteral("COURBE_REF_PLUVIO_") : QStringLiteral("PLUVIO_"))
           + QString::number(qint64(value));
}

bool CreateMeasurementIndex(AccesBase &db, const QString &code, bool reference, QString *error)
{
    const QString table = measurementTableName(code, reference);
    if (table.isEmpty())
        return false;
    // WITH PRIMARY is Access's form; the other engines get the same unique index in their
    // own words, so that (DateCreation, Heure) is unique everywhere.
    QString index = QStringLiteral("CREATE UNIQUE INDEX PK_") + table + QStringLiteral(" ON ")
                    + table + QStringLiteral(" (DateCreation, Heure)");
    if (kindOfConnection(db) == QLatin1String("ACCESS"))
        index += QStringLiteral(" WITH PRIMARY");
    return db.tryExecute(index, error);
}

bool canIndexAfterLoad(const AccesBase &db)
{
    return db.dialect() == SqlDialect::PostgreSQL || db.dialect() == SqlDialect::SQLite;
}

bool CreateMeasurementTable(AccesBase &db, const QString &code, bool reference,
                            MeasurementIndex index)
{
    const QString table = measurementTableName(code, reference);
    if (table.isEmpty() || !db.isConnected())
        return false;
    // Asking the catalog first keeps a failing CREATE out of an open PostgreSQL
    // transaction, which it would abort.
    if (db.tableExists(table))
        return true;

    // The connection decides the type words, not the run profile: the command-line tool
    // and the first start create tables before any profile is in use.
    const QString kind = kindOfConnection(db);
    const ColumnTypes types = columnTypes(kind);
    const QString text1 = types.textOfLength(1);
    QString sql = QStringLiteral("CREATE TABLE ") + table + QStringLiteral(" (DateCreation ")
                  + types.dateTime + QStringLiteral(", Heure ") + types.dateTime;
    const auto add = [&](const char *name, const QString &type) {
        sql += QStringLiteral(",  ") + QLatin1String(name) + QLatin1Char(' ') + type;
    };
    add("Pluie", types.number);
    add("PluieEfficace", types.number);
    add("Etp", types.number);
    add("Valeur1", types.number);
    add("Valeur2", types.number);
    add("Valeur3", types.number);
    add("Continuite", types.shortInteger);
    add("ModeObtention", text1);
    add("Precision", types.number);
    add("Validite", text1);
    sql += QLatin1Char(')');
    db.tryExecute(sql);
    if (index == MeasurementIndex::WithTable)
        CreateMeasurementIndex(db, code, reference);
    return db.tableExists(table);
}

} // namespace plx
