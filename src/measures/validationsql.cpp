#include "measures/validationsql.h"

#include "base/locale.h"
#include "db/dialect.h"
#include "measures/measurementtable.h"

namespace plx {

namespace {

const QLatin1StringView kInstant{"CVDATE(DateCreation & ' ' & Heure)"};
const QLatin1StringView kAtInstant{" WHERE DateCreation = ? AND TimeValue(Heure) = ?"};

QString dateLiteral(const QDate &date)
{
    return FormatDateSQL(formatDate(date), false);
}

QString instantLiteral(const QDateTime &instant)
{
    return FormatDateSQL(formatDateTime(instant), true);
}

// Whole days from..to: the end day counts whatever time its DateCreation carries, so the
// bound is the next midnight, excluded (the last representable day keeps its last second).
QString windowWhere(const QDate &from, const QDate &to)
{
    const QString lower = dateLiteral(from);
    const QString next = dateLiteral(to.addDays(1));
    const QString upper =
        next.isEmpty()
            ? QStringLiteral("<=") + instantLiteral(QDateTime(to, QTime(23, 59, 59), Qt::UTC))
            : QStringLiteral("<") + next;
    return QStringLiteral(" WHERE DateCreation>=") + lower + QStringLiteral(" AND DateCreation") +
           upper;
}

QString validationWhere(const QDateTime &until, const std::optional<QDateTime> &after)
{
    QString where =
        QStringLiteral(" WHERE ") + kInstant + QStringLiteral(" <= ") + instantLiteral(until);
    if (after)
        where += QStringLiteral(" AND ") + kInstant + QStringLiteral(" >") + instantLiteral(*after);
    return where;
}

} // namespace

QString windowQuery(const QString &code, const QDate &from, const QDate &to)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty())
        return QString();
    return QStringLiteral("SELECT DateCreation, Heure, Pluie, PluieEfficace, Etp, Valeur1, "
                          "Valeur2, Valeur3, Validite, Continuite, ModeObtention FROM ") +
           table + windowWhere(from, to) + QStringLiteral(" ORDER BY DateCreation, Heure");
}

QString windowCountQuery(const QString &code, const QDate &from, const QDate &to)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty())
        return QString();
    return QStringLiteral("SELECT count(*) FROM ") + table + windowWhere(from, to);
}

QString deleteInstantStatement(const QString &code, const QDateTime &instant)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty())
        return QString();
    return QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE ") + kInstant +
           QLatin1Char('=') + instantLiteral(instant);
}

QString deleteInstantPrepared(const QString &code)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty())
        return QString();
    return QStringLiteral("DELETE FROM ") + table + kAtInstant;
}

QString updateMeasurePrepared(const QString &code, const QString &locator)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty())
        return QString();
    return QStringLiteral("UPDATE ") + table +
           QStringLiteral(" SET Pluie = ?, PluieEfficace = ?, Etp = ?, Valeur1 = ?, Valeur2 = ?, "
                          "Valeur3 = ?, Continuite = ?, ModeObtention = ?, Validite = Null, "
                          "Precision = Null WHERE ") +
           (locator.isEmpty() ? QStringLiteral("DateCreation = ? AND Heure = ?")
                              : locator + QStringLiteral(" = ?"));
}

QString deleteUntimedPrepared(const QString &code)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty())
        return QString();
    return QStringLiteral("DELETE FROM ") + table +
           QStringLiteral(" WHERE DateCreation = ? AND Heure IS NULL");
}

QString validatedAtInstantPrepared(const QString &code)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty())
        return QString();
    return QStringLiteral("SELECT count(*) FROM ") + table + kAtInstant +
           QStringLiteral(" AND Validite = 'V'");
}

QString insertMeasurePrepared(const QString &code)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty())
        return QString();
    return QStringLiteral("INSERT INTO ") + table +
           QStringLiteral(" (DateCreation, Heure, Pluie, PluieEfficace, Etp, Valeur1, Valeur2, "
                          "Valeur3, Continuite, ModeObtention) VALUES (?, ?, ?, ?, ?, ?, ?, ?, "
                          "?, ?)");
}

QString validationStatement(const QString &code, const QDateTime &until,
                            const std::optional<QDateTime> &after)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty() || !until.isValid())
        return QString();
    // Records already validated are left alone: their validation, whoever made it, stays
    // as it was (and the history records only what changed).
    return QStringLiteral("UPDATE ") + table + QStringLiteral(" SET Validite='V'") +
           validationWhere(until, after) +
           QStringLiteral(" AND (Validite IS NULL OR Validite <> 'V')");
}

QString devalidationStatement(const QString &code)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty())
        return QString();
    return QStringLiteral("UPDATE ") + table + QStringLiteral(" SET Validite=''");
}

QString validationCountQuery(const QString &code, const QDateTime &until,
                             const std::optional<QDateTime> &after)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty() || !until.isValid())
        return QString();
    return QStringLiteral("SELECT count(*) FROM ") + table + validationWhere(until, after) +
           QStringLiteral(" AND (Validite IS NULL OR Validite <> 'V')");
}

QString devalidationCountQuery(const QString &code)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty())
        return QString();
    return QStringLiteral("SELECT count(*) FROM ") + table +
           QStringLiteral(" WHERE Validite = 'V' OR Validite = 'C'");
}

QString validatedInstantsQuery(const QString &code)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty())
        return QString();
    return QStringLiteral("SELECT DateCreation, Heure FROM ") + table +
           QStringLiteral(" WHERE Validite = 'V' ORDER BY DateCreation DESC, Heure DESC");
}

} // namespace plx
