#include "stations/savedlists.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "session/session.h"
#include "stations/stationlist.h"

#include <QDateTime>

#include <algorithm>

namespace plx {

namespace {

QString moduleCondition()
{
    return QStringLiteral(" WHERE Module=") + sqlQuote(moduleCode());
}

QString listCondition(qint64 code)
{
    return moduleCondition() + QStringLiteral(" AND CodeListe=") + sqlNumber(code);
}

QString nowLiteral()
{
    return FormatDateSQL(formatDateTime(QDateTime::currentDateTime()), true);
}

SavedListResult failure(const QString &error)
{
    return {false, 0, error};
}

QString checkedLabel(const QString &label, QString *error)
{
    const QString trimmed = label.trimmed();
    if (trimmed.isEmpty())
        *error = QStringLiteral("Le nom de la liste est obligatoire.");
    else if (trimmed.size() > 255)
        *error = QStringLiteral("Le nom de la liste ne peut dépasser 255 caractères.");
    return trimmed;
}

SavedListResult insertList(const QString &label, const QString &selectionFiltre,
                           const QString &formuleFiltre, const QString &requete, bool makeDefault)
{
    QString error;
    const QString name = checkedLabel(label, &error);
    if (!error.isEmpty())
        return failure(error);
    AccesBase &db = AccesBase::instance();
    Transaction transaction(db);
    if (!transaction.started())
        return failure(transaction.error());
    const RecordTable max = db.ExtraireRecords(
        QStringLiteral("SELECT max(CodeListe) FROM Utilisateurs_Listes") + moduleCondition());
    if (!max.ok())
        return failure(max.error());
    const qint64 code =
        max.rowCount() == 0 || max.at(0, 0).isNull() ? 1 : qint64(max.at(0, 0).toDouble()) + 1;
    const QString login = session().login;
    if (makeDefault &&
        !transaction.exec(QStringLiteral("UPDATE Utilisateurs_Listes SET Defaut='N'") +
                          moduleCondition() + QStringLiteral(" AND loginmaj=") + sqlQuote(login)))
        return failure(transaction.error());
    auto textOrNull = [](const QString &value) {
        return value.isEmpty() ? QStringLiteral("NULL") : sqlQuote(value);
    };
    const QString insert =
        QStringLiteral("INSERT INTO Utilisateurs_Listes (loginmaj, Module, CodeListe, "
                       "LibelleListe, selectionFiltre, formuleFiltre, Defaut, requete, datemaj) "
                       "VALUES (%1, %2, %3, %4, %5, %6, %7, %8, %9)")
            .arg(sqlQuote(login), sqlQuote(moduleCode()), sqlNumber(code), sqlQuote(name),
                 textOrNull(selectionFiltre), textOrNull(formuleFiltre),
                 sqlQuote(makeDefault ? QStringLiteral("O") : QStringLiteral("N")),
                 textOrNull(requete), nowLiteral());
    if (!transaction.exec(insert) || !transaction.commit())
        return failure(transaction.error());
    return {true, code, {}};
}

SavedListResult runUpdate(qint64 code, const QString &assignments)
{
    QString error;
    if (!AccesBase::instance().Execute(QStringLiteral("UPDATE Utilisateurs_Listes SET ") +
                                           assignments + QStringLiteral(", datemaj=") +
                                           nowLiteral() + listCondition(code),
                                       &error))
        return failure(error);
    return {true, code, {}};
}

} // namespace

std::optional<SavedList> readSavedList(qint64 code)
{
    const RecordTable table = AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT CodeListe, LibelleListe, selectionFiltre, formuleFiltre, requete, "
                       "Defaut FROM Utilisateurs_Listes") +
        listCondition(code) + QStringLiteral(" AND (loginmaj is null or loginmaj=") +
        sqlQuote(session().login) + QStringLiteral(")"));
    if (!table.ok() || table.rowCount() == 0)
        return std::nullopt;
    return SavedList{code,
                     table.text(0, 1),
                     table.text(0, 2),
                     table.text(0, 3),
                     table.text(0, 4),
                     table.text(0, 5).compare(QLatin1String("O"), Qt::CaseInsensitive) == 0};
}

SavedListStations savedListStations(qint64 code)
{
    SavedListStations result;
    const std::optional<SavedList> list = readSavedList(code);
    if (!list) {
        result.error = QStringLiteral("Cette liste n'existe plus : elle a été supprimée.");
        return result;
    }
    const ListSelection selection = codesSelectedBy(list->selectionFiltre, list->requete);
    if (!selection.ok) {
        result.error = selection.error;
        return result;
    }
    // A stored query is not narrowed by the scope: keep the stations the user may see.
    const StationListResult visible = loadStationList();
    if (!visible.ok) {
        result.error = visible.error;
        return result;
    }
    std::vector<qint64> codes;
    for (const StationListRow &row : visible.rows) {
        if (selection.codes.contains(row.code) && std::find(codes.begin(), codes.end(), row.code) == codes.end())
            codes.push_back(row.code);
    }
    std::sort(codes.begin(), codes.end());
    for (qint64 c : codes)
        result.codes << QString::number(c);
    result.ok = true;
    return result;
}

SavedListResult createSavedListFromFilter(const QString &label, const std::vector<FilterRow> &rows,
                                          bool makeDefault)
{
    const FilterWhere where = buildFilterWhere(rows);
    if (!where.ok)
        return failure(where.error);
    return insertList(label, serializeFilter(rows), where.condition, {}, makeDefault);
}

SavedListResult createSavedListFromCodes(const QString &label, const std::vector<qint64> &codes,
                                         bool makeDefault)
{
    if (codes.empty())
        return failure(QStringLiteral("Aucun site n'est sélectionné."));
    QStringList numbers;
    for (qint64 code : codes)
        numbers << sqlNumber(code);
    const QString condition = QStringLiteral("PLUVIOMETRES.CodePluviometre IN (") +
                              numbers.join(QLatin1Char(',')) + QLatin1Char(')');
    return insertList(label, {}, condition,
                      QStringLiteral("SELECT CodePluviometre FROM PLUVIOMETRES WHERE ") + condition,
                      makeDefault);
}

SavedListResult updateSavedListFilter(qint64 code, const QString &label,
                                      const std::vector<FilterRow> &rows)
{
    QString error;
    const QString name = checkedLabel(label, &error);
    if (!error.isEmpty())
        return failure(error);
    const FilterWhere where = buildFilterWhere(rows);
    if (!where.ok)
        return failure(where.error);
    return runUpdate(
        code, QStringLiteral("LibelleListe=%1, selectionFiltre=%2, formuleFiltre=%3, "
                             "requete=NULL")
                  .arg(sqlQuote(name), sqlQuote(serializeFilter(rows)), sqlQuote(where.condition)));
}

SavedListResult renameSavedList(qint64 code, const QString &label)
{
    QString error;
    const QString name = checkedLabel(label, &error);
    if (!error.isEmpty())
        return failure(error);
    return runUpdate(code, QStringLiteral("LibelleListe=") + sqlQuote(name));
}

SavedListResult deleteSavedList(qint64 code)
{
    QString error;
    if (!AccesBase::instance().Execute(
            QStringLiteral("DELETE FROM Utilisateurs_Listes") + listCondition(code), &error))
        return failure(error);
    return {true, code, {}};
}

SavedListResult setDefaultSavedList(qint64 code, bool makeDefault)
{
    AccesBase &db = AccesBase::instance();
    Transaction transaction(db);
    const QString login = session().login;
    if (!transaction.started() ||
        !transaction.exec(QStringLiteral("UPDATE Utilisateurs_Listes SET Defaut='N'") +
                          moduleCondition() + QStringLiteral(" AND loginmaj=") + sqlQuote(login)) ||
        (makeDefault &&
         !transaction.exec(QStringLiteral("UPDATE Utilisateurs_Listes SET Defaut='O'") +
                           listCondition(code))) ||
        !transaction.commit())
        return failure(transaction.error());
    return {true, code, {}};
}

} // namespace plx
