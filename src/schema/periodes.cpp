#include "schema/periodes.h"

#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "schema/schemacatalog.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

namespace plx {

namespace {

const QString kTable = QStringLiteral("PERIODES");
constexpr int kDays = 366;

QString dayMonth(int day, int month)
{
    return QStringLiteral("%1/%2/")
        .arg(day, 2, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'));
}

// "DD/MM/" -> "/MM/DD": sorts by date as text.
QString inverse(const QString &plain)
{
    return QLatin1Char('/') + plain.mid(3, 2) + QLatin1Char('/') + plain.left(2);
}

int countOf(AccesBase &db, const QString &sql, bool *ok)
{
    const RecordTable rows = db.ExtraireRecords(sql);
    *ok = rows.ok() && rows.rowCount() == 1;
    return *ok ? rows.at(0, 0).toInt() : -1;
}

QString nullInverseCondition()
{
    QStringList conditions;
    for (const char *column : periodesColumns()) {
        const QString name = QString::fromLatin1(column);
        if (name.endsWith(QLatin1String("_inverse")))
            conditions << name.toLower() + QStringLiteral(" is null");
    }
    return conditions.join(QStringLiteral(" OR "));
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

const std::array<const char *, 12> &periodesColumns()
{
    static const std::array<const char *, 12> columns{
        "Jour",      "Jour_inverse",      "Decade", "Decade_inverse", "Mois",  "Mois_inverse",
        "Trimestre", "Trimestre_inverse", "Annee",  "Annee_inverse",  "Hydro", "Hydro_inverse"};
    return columns;
}

QString normaliseHydroMonth(const QString &month)
{
    static const QRegularExpression digits(QStringLiteral(R"(^\s*(\d{1,2})\s*$)"));
    const QRegularExpressionMatch match = digits.match(month);
    const int value = match.hasMatch() ? match.captured(1).toInt() : 0;
    if (value < 1 || value > 12)
        return QStringLiteral("09");
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

std::vector<PeriodeRow> computePeriodes(const QString &startMonth)
{
    const int start = normaliseHydroMonth(startMonth).toInt();
    std::vector<PeriodeRow> rows;
    rows.reserve(kDays);
    // A leap year, so that 29 February has its row.
    for (QDate date(2024, 1, 1); date.year() == 2024; date = date.addDays(1)) {
        const int d = date.day();
        const int m = date.month();
        PeriodeRow row;
        row.jour = dayMonth(d, m);
        row.decade = dayMonth(d <= 10 ? 5 : d <= 20 ? 15 : 25, m);
        row.mois = dayMonth(15, m);
        row.trimestre = dayMonth(15, (m - 1) / 3 * 3 + 2);
        row.annee = QStringLiteral("01/07/");
        const bool secondHalf = m >= start;
        row.hydro = secondHalf ? QStringLiteral("01/02/") : QStringLiteral("01/01/");
        row.jourInverse = inverse(row.jour);
        row.decadeInverse = inverse(row.decade);
        row.moisInverse = inverse(row.mois);
        row.trimestreInverse = inverse(row.trimestre);
        row.anneeInverse = inverse(row.annee);
        // The one exception: "MM/DD/", as the hydrological update writes it.
        row.hydroInverse = secondHalf ? QStringLiteral("02/01/") : QStringLiteral("01/01/");
        rows.push_back(row);
    }
    return rows;
}

bool createPeriodesTable(AccesBase &db, QString *error)
{
    ScopedConnectionKind kind(db);
    const QString type = columnTypes().textOfLength(6);
    QStringList columns;
    for (const char *column : periodesColumns())
        columns << QString::fromLatin1(column) + QLatin1Char(' ') + type;
    return db.tryExecute(
        QStringLiteral("CREATE TABLE PERIODES (%1)").arg(columns.join(QStringLiteral(", "))),
        error);
}

bool FillPeriodes(AccesBase &db, const QString &startMonth, QString *error)
{
    SchemaTransaction transaction(db);
    if (!transaction.started()) {
        setError(error, transaction.error());
        return false;
    }
    QString message;
    if (!db.Execute(QStringLiteral("DELETE FROM PERIODES"), &message)) {
        setError(error, message);
        return false;
    }
    QStringList names;
    for (const char *column : periodesColumns())
        names << QString::fromLatin1(column);
    const QString insert =
        QStringLiteral("INSERT INTO PERIODES (%1) VALUES (").arg(names.join(QStringLiteral(", ")));
    for (const PeriodeRow &row : computePeriodes(startMonth)) {
        const QStringList values{row.jour,  row.jourInverse,  row.decade,    row.decadeInverse,
                                 row.mois,  row.moisInverse,  row.trimestre, row.trimestreInverse,
                                 row.annee, row.anneeInverse, row.hydro,     row.hydroInverse};
        QStringList quoted;
        for (const QString &value : values)
            quoted << sqlQuote(value);
        if (!db.Execute(insert + quoted.join(QLatin1Char(',')) + QLatin1Char(')'), &message)) {
            setError(error, message);
            return false;
        }
    }
    // Recount inside the transaction: only a whole calendar is committed.
    bool ok = false;
    const int rows = countOf(db, QStringLiteral("SELECT count(*) from PERIODES"), &ok);
    const int nulls = ok ? countOf(db,
                                   QStringLiteral("SELECT count(*) from PERIODES WHERE ") +
                                       nullInverseCondition(),
                                   &ok)
                         : -1;
    if (!ok || rows != kDays || nulls != 0) {
        setError(error, QStringLiteral("Le calendrier PERIODES compte %1 lignes au lieu de %2.")
                            .arg(rows)
                            .arg(kDays));
        return false;
    }
    if (!transaction.commit()) {
        setError(error, transaction.error());
        return false;
    }
    return true;
}

bool UpdateHydroYear(AccesBase &db, const QString &month, QString *error)
{
    const QString mm = normaliseHydroMonth(month);
    SchemaTransaction transaction(db);
    if (!transaction.started()) {
        setError(error, transaction.error());
        return false;
    }
    QString message;
    const bool ok =
        db.Execute(QStringLiteral("UPDATE PERIODES SET Hydro='01/01/', Hydro_inverse='01/01/'"),
                   &message) &&
        db.Execute(QStringLiteral("UPDATE PERIODES SET Hydro='01/02/', Hydro_inverse='02/01/' "
                                  "WHERE jour_inverse>='/%1/'")
                       .arg(mm),
                   &message);
    if (!ok) {
        setError(error, message);
        return false;
    }
    if (!transaction.commit()) {
        setError(error, transaction.error());
        return false;
    }
    return true;
}

namespace {

enum class CalendarState { Whole, NullInverse, Rebuild, Unreadable };

// What the calendar needs, from the catalog and two counts.
CalendarState calendarState(AccesBase &db, bool *exists, QString *error)
{
    *exists = db.tableExists(kTable);
    if (!*exists)
        return CalendarState::Rebuild;
    for (const char *column : periodesColumns()) {
        if (!db.columnExists(kTable, QString::fromLatin1(column)))
            return CalendarState::Rebuild;
    }
    bool ok = false;
    const int rows = countOf(db, QStringLiteral("SELECT count(*) from PERIODES"), &ok);
    if (ok && rows != kDays)
        return CalendarState::Rebuild;
    const int nulls = ok ? countOf(db,
                                   QStringLiteral("SELECT count(*) from PERIODES WHERE ") +
                                       nullInverseCondition(),
                                   &ok)
                         : 0;
    if (!ok) {
        // Not proof that the table is missing (a lock, a lost connection): touch nothing.
        *error = db.lastError();
        return CalendarState::Unreadable;
    }
    return nulls > 0 ? CalendarState::NullInverse : CalendarState::Whole;
}

} // namespace

PeriodesRepair repairPeriodes(AccesBase &db, const QString &startMonth)
{
    PeriodesRepair result;
    ScopedConnectionKind kind(db);
    bool exists = false;
    // Read first, so that a whole calendar (every start but the first) costs no write lock.
    CalendarState state = calendarState(db, &exists, &result.error);
    if (state == CalendarState::Whole)
        return result;
    if (state != CalendarState::Unreadable) {
        SchemaTransaction transaction(db);
        if (!transaction.started()) {
            result.ok = false;
            result.error = transaction.error();
            return result;
        }
        // Again under the lock: another client may have repaired it meanwhile.
        state = calendarState(db, &exists, &result.error);
        if (state == CalendarState::Rebuild) {
            const bool ok =
                (!exists || db.tryExecute(QStringLiteral("DROP TABLE PERIODES"), &result.error)) &&
                createPeriodesTable(db, &result.error);
            result.rebuilt = ok;
            result.ok = ok;
        } else if (state == CalendarState::NullInverse) {
            result.refilled = true;
        }
        if (result.ok && (result.rebuilt || result.refilled)) {
            if (!FillPeriodes(db, startMonth, &result.error) || !transaction.commit()) {
                if (result.error.isEmpty())
                    result.error = transaction.error();
                result.ok = false;
            }
        }
    }
    if (state == CalendarState::Unreadable)
        result.ok = false;
    if (!result.ok)
        result.rebuilt = result.refilled = false;
    return result;
}

QString readHydroStartMonth(AccesBase &db)
{
    const QString table = QStringLiteral("PARAMETRES");
    if (!db.tableExists(table) || !db.columnExists(table, QStringLiteral("Module")) ||
        !db.columnExists(table, QStringLiteral("Identifiant")) ||
        !db.columnExists(table, QStringLiteral("valeur")))
        return normaliseHydroMonth(QString());
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT valeur from PARAMETRES WHERE %1 and %2")
            .arg(sameKey(QStringLiteral("module"), QStringLiteral("PLX")),
                 sameKey(QStringLiteral("identifiant"), QStringLiteral("MoisDebutAnneeHydro"))));
    return normaliseHydroMonth(rows.ok() && rows.rowCount() > 0 ? rows.text(0, 0) : QString());
}

bool writeHydroStartMonth(AccesBase &db, const QString &month, const QString &login, QString *error)
{
    static const QRegularExpression valid(QStringLiteral(R"(^\s*(0?[1-9]|1[0-2])\s*$)"));
    if (!valid.match(month).hasMatch()) {
        setError(error, QStringLiteral("Le mois de début de l'année hydrologique doit être compris "
                                       "entre 01 et 12."));
        return false;
    }
    const QString mm = normaliseHydroMonth(month);
    ScopedConnectionKind kind(db);
    SchemaTransaction transaction(db);
    if (!transaction.started()) {
        setError(error, transaction.error());
        return false;
    }
    const QString where =
        sameKey(QStringLiteral("module"), QStringLiteral("PLX")) + QStringLiteral(" and ") +
        sameKey(QStringLiteral("identifiant"), QStringLiteral("MoisDebutAnneeHydro"));
    const bool withLogin =
        db.columnExists(QStringLiteral("PARAMETRES"), QStringLiteral("loginMaj"));
    const QString now = FormatDateSQL(
        QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")), true);
    QString insert =
        QStringLiteral("INSERT INTO PARAMETRES (Module, DateCreation, valeur, Identifiant%1) "
                       "VALUES ('PLX', %2, %3, 'MoisDebutAnneeHydro'%4)")
            .arg(withLogin ? QStringLiteral(", loginMaj") : QString(), now, sqlQuote(mm),
                 withLogin ? QStringLiteral(", ") +
                                 (login.isEmpty() ? QStringLiteral("null") : sqlQuote(login))
                           : QString());
    QString message;
    if (!db.Execute(QStringLiteral("DELETE from PARAMETRES WHERE ") + where, &message) ||
        !db.Execute(insert, &message) || !UpdateHydroYear(db, mm, &message)) {
        setError(error, message);
        return false;
    }
    if (!transaction.commit()) {
        setError(error, transaction.error());
        return false;
    }
    return true;
}

} // namespace plx
