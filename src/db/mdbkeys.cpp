#include "db/mdbkeys.h"

#include <QRegularExpression>

#include <sqlite3.h>

namespace plx {

QByteArray quoteIdentifier(const QString &name)
{
    QByteArray quoted = name.toUtf8();
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

QList<int> measurementKeyColumns(const QString &table, const QStringList &columns)
{
    static const QRegularExpression measurementTable(QStringLiteral("^PLUVIO_\\d+$"),
                                                     QRegularExpression::CaseInsensitiveOption);
    QList<int> key;
    if (!measurementTable.match(table).hasMatch())
        return key;
    for (const QLatin1String wanted : {QLatin1String("DateCreation"), QLatin1String("Heure")}) {
        for (int c = 0; c < columns.size(); ++c) {
            if (columns.at(c).compare(wanted, Qt::CaseInsensitive) == 0) {
                key.append(c);
                break;
            }
        }
    }
    return key.size() == 2 ? key : QList<int>();
}

bool createKeyIndex(sqlite3 *db, const QString &indexName, const QString &table,
                    const QStringList &columns, QStringList *warnings)
{
    QByteArray list;
    for (const QString &column : columns)
        list += (list.isEmpty() ? "" : ", ") + quoteIdentifier(column);
    const QByteArray tail =
        quoteIdentifier(indexName) + " ON " + quoteIdentifier(table) + " (" + list + ')';
    auto exec = [db](const QByteArray &sql) {
        return sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    };
    if (exec("CREATE UNIQUE INDEX " + tail))
        return true;
    const bool duplicates = sqlite3_errcode(db) == SQLITE_CONSTRAINT;
    const QString reason = QString::fromUtf8(sqlite3_errmsg(db));
    if (duplicates && exec("CREATE INDEX " + tail)) {
        warnings->append(QStringLiteral("Table « %1 » : plusieurs lignes ont les mêmes valeurs de "
                                        "(%2) ; l'index %3 est créé sans contrôle d'unicité.")
                             .arg(table, columns.join(QLatin1String(", ")), indexName));
        return true;
    }
    warnings->append(QStringLiteral("Table « %1 » : l'index %2 n'a pas pu être créé (%3).")
                         .arg(table, indexName, reason));
    return false;
}

} // namespace plx
