#include "charts/overlaylists.h"

#include "db/accesbase.h"
#include "db/sqltext.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace plx {

QString overlaySavedListsQuery(const QString &login)
{
    if (login.compare(QLatin1String("ADMIN"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("SELECT LibelleListe, FormuleFiltre, CodeListe FROM "
                              "Utilisateurs_Listes WHERE Module='PLX' ORDER BY LibelleListe ASC");
    return QStringLiteral("SELECT LibelleListe, FormuleFiltre, CodeListe FROM Utilisateurs_Listes "
                          "WHERE Module='PLX' AND ucase(Nom) in (") +
           sqlQuote(login.toUpper()) + QStringLiteral(",'ALL') ORDER BY LibelleListe ASC");
}

QString OverlaySavedList::comboText() const
{
    return label + QString(100, QLatin1Char(' ')) + QStringLiteral(" [") + QString::number(code) +
           QLatin1Char(']');
}

std::vector<OverlaySavedList> overlaySavedLists(AccesBase &db, const QString &login)
{
    std::vector<OverlaySavedList> lists;
    const RecordTable table = db.ExtraireRecords(overlaySavedListsQuery(login));
    for (int r = 0; table.ok() && r < table.rowCount(); ++r)
        lists.push_back({table.text(r, 0), table.text(r, 1), qint64(table.at(r, 2).toDouble())});
    return lists;
}

qint64 overlaySavedListCode(const QString &comboText)
{
    static const QRegularExpression code(QStringLiteral("\\[(\\d+)\\]$"));
    const QRegularExpressionMatch match = code.match(comboText.trimmed());
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

QString piezometerListQuery(const QString &login, bool scoped, const QString &filter)
{
    QString sql = QStringLiteral(
        "SELECT DISTINCT PIEZOMETRES.CodePiezometre, PIEZOMETRES.CodeBSS, PIEZOMETRES.Nom, "
        "COMMUNES.Nom, COMMUNES.NumDept, ENTITES_HYDROGEOLOGIQUES.Nom, PIEZOMETRES.Altitude  "
        "FROM (LIEN_PIEZO_ENTITE_HYDRO RIGHT JOIN (PIEZOMETRES LEFT JOIN COMMUNES ON "
        "PIEZOMETRES.CodeCommune = COMMUNES.CodeCommune) ON LIEN_PIEZO_ENTITE_HYDRO.CodePiezometre "
        "= PIEZOMETRES.CodePiezometre)  LEFT JOIN ENTITES_HYDROGEOLOGIQUES ON "
        "LIEN_PIEZO_ENTITE_HYDRO.CodeEntiteHydro = ENTITES_HYDROGEOLOGIQUES.CodeEntiteHydro");
    QStringList conditions;
    if (scoped)
        conditions << QStringLiteral("PIEZOMETRES.CodePiezometre in (select cint(identifiant) "
                                     "from utilisateurs_stations where login=") +
                          sqlQuote(login) + QStringLiteral(" and typestation='PIEZO')");
    if (!filter.trimmed().isEmpty())
        conditions << QLatin1Char('(') + filter.trimmed() + QLatin1Char(')');
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    return sql;
}

std::vector<PiezometerListRow> loadPiezometerList(AccesBase &db, const QString &login, bool scoped,
                                                  const QString &filter, bool *ok, QString *error)
{
    std::vector<PiezometerListRow> rows;
    const RecordTable table = db.ExtraireRecords(piezometerListQuery(login, scoped, filter));
    if (ok)
        *ok = table.ok();
    if (!table.ok()) {
        if (error)
            *error = table.error();
        return rows;
    }
    // The joins give a row per aquifer: one row per piezometer, its aquifers gathered.
    std::map<qint64, std::size_t> byCode;
    const QLocale french(QLocale::French, QLocale::France);
    for (int r = 0; r < table.rowCount(); ++r) {
        const qint64 code = qint64(table.at(r, 0).toDouble());
        const QString entite = table.text(r, 5).trimmed();
        const auto it = byCode.find(code);
        if (it != byCode.end()) {
            PiezometerListRow &row = rows[it->second];
            if (!entite.isEmpty() && !row.entites.split(QStringLiteral(" / ")).contains(entite))
                row.entites += (row.entites.isEmpty() ? QString() : QStringLiteral(" / ")) + entite;
            continue;
        }
        PiezometerListRow row;
        row.code = QString::number(code);
        row.bss = table.text(r, 1).trimmed();
        row.nom = table.text(r, 2).trimmed();
        row.commune = table.text(r, 3).trimmed();
        row.departement = table.text(r, 4).trimmed();
        row.entites = entite;
        if (!table.at(r, 6).isNull())
            row.altitude = french.toString(table.at(r, 6).toDouble(), 'f', 2);
        byCode.emplace(code, rows.size());
        rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const PiezometerListRow &a, const PiezometerListRow &b) {
                         return a.nom.localeAwareCompare(b.nom) < 0;
                     });
    return rows;
}

bool hasPiezometerScope(AccesBase &db, const QString &login)
{
    const RecordTable table = db.ExtraireRecords(
        QStringLiteral("SELECT count(*) FROM utilisateurs_stations WHERE ucase(login)=ucase(") +
        sqlQuote(login) + QStringLiteral(") AND ucase(typestation)='PIEZO'"));
    return table.ok() && table.rowCount() == 1 && table.at(0, 0).toLongLong() > 0;
}

} // namespace plx
