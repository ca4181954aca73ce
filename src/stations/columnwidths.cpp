#include "stations/columnwidths.h"

#include "db/accesbase.h"
#include "db/sqltext.h"
#include "db/transaction.h"

namespace plx {

std::map<int, double> readColumnWidths(const QString &login)
{
    std::map<int, double> widths;
    const RecordTable table = AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT indiceColonne, largeur FROM PARAMETRES_LISTE_PLUVIO WHERE "
                       "Utilisateur=") +
        sqlQuote(login));
    for (int r = 0; table.ok() && r < table.rowCount(); ++r) {
        if (!table.at(r, 0).isNull() && !table.at(r, 1).isNull())
            widths[int(table.at(r, 0).toLongLong())] = table.at(r, 1).toDouble();
    }
    return widths;
}

bool writeColumnWidths(const QString &login, const std::vector<double> &widths, QString *error)
{
    Transaction transaction(AccesBase::instance());
    bool ok = transaction.started() &&
              transaction.exec(QStringLiteral("DELETE FROM PARAMETRES_LISTE_PLUVIO WHERE "
                                              "Utilisateur=") +
                               sqlQuote(login));
    for (size_t i = 0; ok && i < widths.size(); ++i) {
        ok = transaction.exec(
            QStringLiteral("INSERT INTO PARAMETRES_LISTE_PLUVIO (utilisateur, "
                           "indiceColonne, largeur) VALUES (%1, %2, %3)")
                .arg(sqlQuote(login), sqlNumber(qint64(i + 1)), sqlNumber(widths[i])));
    }
    ok = ok && transaction.commit();
    if (!ok && error)
        *error = transaction.error();
    return ok;
}

} // namespace plx
