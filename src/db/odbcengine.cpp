#include "db/odbcengine.h"

#include "db/connectionrefusal.h"
#include "db/singlestatement.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace plx {

namespace {

// A value of an ODBC connection string: braces protect ';' and '=' inside it.
QString odbcValue(const QString &value)
{
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('{'))
        && !value.contains(QLatin1Char('}')) && !value.contains(QLatin1Char('=')))
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

QString errorText(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    const QString text = error.text().trimmed();
    return code.isEmpty() ? text : code + QStringLiteral(": ") + text;
}

QVariant wallClock(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return QDateTime(dt.date(), dt.time(), Qt::UTC);
    }
    case QMetaType::QDate:
        return QDateTime(value.toDate(), QTime(0, 0), Qt::UTC);
    case QMetaType::QTime:
        return QDateTime(QDate(1899, 12, 30), value.toTime(), Qt::UTC);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        return QVariant(value.toLongLong());
    case QMetaType::Float:
        return QVariant(double(value.toFloat()));
    default:
        return value;
    }
}

} // namespace

OdbcEngine::~OdbcEngine()
{
    if (m_name.isEmpty())
        return;
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

QString OdbcEngine::oracleConnectionString(const QString &kind, const QString &server,
                                           const QString &port, const QString &database,
                                           const QString &user, const QString &password)
{
    const QString credentials =
        QStringLiteral("Uid=%1;Pwd=%2;").arg(odbcValue(user), odbcValue(password));
    // The "DNS" variants of the profile name a data source configured on the workstation.
    if (kind == QLatin1String("ORACLE") || kind == QLatin1String("ORACLE2")
        || kind == QLatin1String("ORACLE3"))
        return QStringLiteral("DSN=%1;").arg(odbcValue(database)) + credentials;
    QString driver = QStringLiteral("Oracle");
    if (kind == QLatin1String("ORACLE_OC_11G_1"))
        driver = QStringLiteral("Oracle in OraClient11g_home1");
    else if (kind == QLatin1String("ORACLE_IC_11_2"))
        driver = QStringLiteral("Oracle in instantclient_11_2");
    else if (kind == QLatin1String("ORACLE_XE"))
        driver = QStringLiteral("Oracle in XE");
    const QString address = port.isEmpty() ? QStringLiteral("//%1/%2").arg(server, database)
                                            : QStringLiteral("//%1:%2/%3").arg(server, port, database);
    return QStringLiteral("Driver={%1};Dbq=%2;").arg(driver, odbcValue(address)) + credentials;
}

QString OdbcEngine::accessConnectionString(const QString &path)
{
    return QStringLiteral("Driver={Microsoft Access Driver (*.mdb, *.accdb)};Dbq=%1;")
        .arg(odbcValue(path));
}

QSqlDatabase OdbcEngine::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool OdbcEngine::open(const QString &connectionString, QString *error)
{
    m_name = QStringLiteral("plx-odbc-") + QUuid::createUuid().toString(QUuid::Id128);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    if (!db.isValid()) {
        *error = QStringLiteral("Le pilote ODBC de Qt (QODBC) n'est pas installé.");
        return false;
    }
    db.setDatabaseName(connectionString);
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=10"));
    if (!db.open()) {
        *error = errorText(db.lastError());
        return false;
    }
    switch (db.driver()->dbmsType()) {
    case QSqlDriver::PostgreSQL:
        m_dialect = SqlDialect::PostgreSQL;
        if (!makeQuotingSafe(error)) {
            db.close();
            return false;
        }
        return exec(QStringLiteral("SET DateStyle = 'ISO, MDY'"), error);
    case QSqlDriver::Oracle:
        m_dialect = SqlDialect::Oracle;
        return true;
    default:
        m_dialect = SqlDialect::Access;
        return true;
    }
}

bool OdbcEngine::makeQuotingSafe(QString *error)
{
    // As PgEngine does, and for the same reason: sqlQuote() doubles quotes only. psqlODBC
    // follows the server's setting when it scans literals for "?" and "{fn ...}", so after
    // the change it reads "\'" as the server does (checked with psqlODBC 13.02).
    QString serverSays;
    if (!exec(QStringLiteral("SET standard_conforming_strings = on"), &serverSays)) {
        *error = unsafeQuotingRefusal(serverSays);
        return false;
    }
    const RecordTable shown = query(QStringLiteral("SHOW standard_conforming_strings"));
    const QString value = shown.ok() && shown.rowCount() == 1 ? shown.text(0, 0) : QString();
    if (value == QLatin1String("on"))
        return true;
    *error = unsafeQuotingRefusal(
        shown.ok() ? QStringLiteral("le réglage reste « %1 »").arg(value) : shown.error());
    return false;
}

namespace {
const QString severalStatements = QStringLiteral("Une seule instruction SQL est acceptée à la fois.");
}

bool OdbcEngine::exec(const QString &sql, QString *error)
{
    if (holdsSeveralStatements(sql)) {
        *error = severalStatements;
        return false;
    }
    QSqlQuery query(database());
    if (!query.exec(sql)) {
        *error = errorText(query.lastError());
        return false;
    }
    return true;
}

RecordTable OdbcEngine::query(const QString &sql)
{
    RecordTable table;
    if (holdsSeveralStatements(sql)) {
        table.fail(severalStatements);
        return table;
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(sql)) {
        table.fail(errorText(query.lastError()));
        return table;
    }
    const QSqlRecord record = query.record();
    QStringList names;
    for (int c = 0; c < record.count(); ++c)
        names << record.fieldName(c);
    table.setColumns(names);
    while (query.next()) {
        for (int c = 0; c < record.count(); ++c)
            table.append(query.isNull(c) ? QVariant() : wallClock(query.value(c)));
    }
    if (query.lastError().isValid())
        table.fail(errorText(query.lastError()));
    return table;
}

bool OdbcEngine::tableExists(const QString &table)
{
    const QStringList tables = database().tables(QSql::AllTables);
    for (const QString &name : tables) {
        if (name.compare(table, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QStringList OdbcEngine::columnNames(const QString &table)
{
    QString name = table;
    if (m_dialect == SqlDialect::PostgreSQL)
        name = name.toLower();
    else if (m_dialect == SqlDialect::Oracle)
        name = name.toUpper();
    const QSqlRecord record = database().record(name);
    QStringList names;
    for (int c = 0; c < record.count(); ++c)
        names << record.fieldName(c);
    return names;
}

bool OdbcEngine::isMissingObjectError(const QString &error) const
{
    // ODBC drivers do not all pass the SQLSTATE on: fall back on the server's words.
    static const QStringList signs{QStringLiteral("42P01"), QStringLiteral("42703"),
                                   QStringLiteral("42S02"), QStringLiteral("42S22"),
                                   QStringLiteral("ORA-00942"), QStringLiteral("ORA-00904"),
                                   QStringLiteral("does not exist"), QStringLiteral("n'existe pas")};
    for (const QString &sign : signs) {
        if (error.contains(sign))
            return true;
    }
    return false;
}

bool OdbcEngine::begin(QString *error)
{
    QSqlDatabase db = database();
    if (!db.transaction()) {
        *error = errorText(db.lastError());
        return false;
    }
    return true;
}

bool OdbcEngine::commit(QString *error)
{
    QSqlDatabase db = database();
    if (!db.commit()) {
        *error = errorText(db.lastError());
        return false;
    }
    return true;
}

bool OdbcEngine::rollback(QString *error)
{
    QSqlDatabase db = database();
    if (!db.rollback()) {
        *error = errorText(db.lastError());
        return false;
    }
    return true;
}

} // namespace plx
