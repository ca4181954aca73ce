#include "schema/groundwatertables.h"

#include "db/accesbase.h"
#include "db/dialect.h"
#include "schema/schemacatalog.h"

#include <limits>

namespace plx {

QString pzTableName(const QString &code)
{
    bool ok = false;
    const double value = code.trimmed().toDouble(&ok);
    // The code becomes part of a table name: only a plain number may get there.
    if (!ok || value < 1 || value > double(std::numeric_limits<qint32>::max()) ||
        value != double(qint64(value)))
        return QString();
    return QStringLiteral("PZ_") + QString::number(qint64(value));
}

bool CreatePiezometerLevelTable(AccesBase &db, const QString &code)
{
    const QString table = pzTableName(code);
    if (table.isEmpty() || !db.isConnected())
        return false;
    // A failing CREATE would abort an open PostgreSQL transaction: ask the catalog first.
    if (db.tableExists(table))
        return true;

    // The connection decides the type words: the demo and the tests create these tables
    // before any run profile is in use.
    const QString kind = kindOfConnection(db);
    const ColumnTypes types = columnTypes(kind);
    db.tryExecute(QStringLiteral("CREATE TABLE ") + table + QStringLiteral(" (DateCreation ") +
                  types.dateTime + QStringLiteral(", Heure ") + types.dateTime +
                  QStringLiteral(", NiveauNGF ") + types.number + QStringLiteral(", Profondeur ") +
                  types.number + QStringLiteral(", Validite ") + types.textOfLength(1) +
                  QLatin1Char(')'));

    QString index = QStringLiteral("CREATE UNIQUE INDEX PK_") + table + QStringLiteral(" ON ") +
                    table + QStringLiteral(" (DateCreation, Heure)");
    if (kind == QLatin1String("ACCESS"))
        index += QStringLiteral(" WITH PRIMARY");
    db.tryExecute(index);
    return db.tableExists(table);
}

} // namespace plx
