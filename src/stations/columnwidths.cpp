#include "stations/columnwidths.h"

#include "db/accesbase.h"
#include "db/sqltext.h"
#include "db/transaction.h"

namespace plx {

namespace {

bool replaceRows(const QString &login, const std::vector<StoredListColumn> &columns,
                 bool withPlaces, QString *error)
{
    Transaction transaction(AccesBase::instance());
    bool ok = transaction.started() &&
              transaction.exec(QStringLiteral("DELETE FROM PARAMETRES_LISTE_PLUVIO WHERE "
                                              "Utilisateur=") +
                               sqlQuote(login));
    for (size_t i = 0; ok && i < columns.size(); ++i) {
        const StoredListColumn &column = columns[i];
        if (withPlaces) {
            ok = transaction.exec(
                QStringLiteral("INSERT INTO PARAMETRES_LISTE_PLUVIO (utilisateur, indiceColonne, "
                               "largeur, nomColonne, ordreColonne, masquee) VALUES (%1, %2, %3, "
                               "%4, %5, %6)")
                    .arg(sqlQuote(login), sqlNumber(qint64(column.index)), sqlNumber(column.width),
                         sqlQuote(column.name), sqlNumber(qint64(column.position)),
                         sqlNumber(qint64(column.hidden))));
        } else {
            ok =
                transaction.exec(QStringLiteral("INSERT INTO PARAMETRES_LISTE_PLUVIO (utilisateur, "
                                                "indiceColonne, largeur) VALUES (%1, %2, %3)")
                                     .arg(sqlQuote(login), sqlNumber(qint64(column.index)),
                                          sqlNumber(column.width)));
        }
    }
    ok = ok && transaction.commit();
    if (!ok && error)
        *error = transaction.error();
    return ok;
}

} // namespace

std::vector<StoredListColumn> readListColumns(const QString &login)
{
    std::vector<StoredListColumn> columns;
    const QString where =
        QStringLiteral(" FROM PARAMETRES_LISTE_PLUVIO WHERE Utilisateur=") + sqlQuote(login);
    RecordTable table = AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT indiceColonne, largeur, nomColonne, ordreColonne, masquee") + where);
    // A database not yet upgraded has the widths only.
    if (!table.ok())
        table = AccesBase::instance().ExtraireRecords(
            QStringLiteral("SELECT indiceColonne, largeur") + where);
    for (int r = 0; table.ok() && r < table.rowCount(); ++r) {
        if (table.at(r, 0).isNull())
            continue;
        StoredListColumn column;
        column.index = int(table.at(r, 0).toLongLong());
        column.width = table.at(r, 1).isNull() ? 0 : table.at(r, 1).toDouble();
        if (table.columnCount() >= 5) {
            column.name = table.at(r, 2).toString().trimmed();
            if (!table.at(r, 3).isNull())
                column.position = int(table.at(r, 3).toLongLong());
            column.hidden = table.at(r, 4).toLongLong() != 0;
        }
        columns.push_back(column);
    }
    return columns;
}

bool writeListColumns(const QString &login, const std::vector<StoredListColumn> &columns,
                      QString *error)
{
    if (replaceRows(login, columns, true, error))
        return true;
    return replaceRows(login, columns, false, error);
}

} // namespace plx
