#include "db/pgengine.h"

#include "db/datetimetext.h"

#include <charconv>
#include <cstring>
#include <vector>

#include <libpq-fe.h>

namespace plx {

namespace {

// Type OIDs of pg_type that need a conversion from text.
enum PgType : Oid {
    Bool = 16,
    Int8 = 20,
    Int2 = 21,
    Int4 = 23,
    OidType = 26,
    Float4 = 700,
    Float8 = 701,
    Numeric = 1700,
    Date = 1082,
    Time = 1083,
    Timestamp = 1114,
    TimestampTz = 1184,
};

enum class Conversion { Text, Integer, Real, Boolean, DateTime, TimeOfDay };

Conversion conversionFor(Oid type)
{
    switch (type) {
    case Int2:
    case Int4:
    case Int8:
    case OidType:
        return Conversion::Integer;
    case Float4:
    case Float8:
    case Numeric:
        return Conversion::Real;
    case Bool:
        return Conversion::Boolean;
    case Date:
    case Timestamp:
    case TimestampTz:
        return Conversion::DateTime;
    case Time:
        return Conversion::TimeOfDay;
    default:
        return Conversion::Text;
    }
}

// The SQLSTATE leads the error text, so callers can tell "missing" from a real failure
// whatever the server's message language.
QString resultError(PGresult *result, PGconn *conn)
{
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    QString message = QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(conn))
                          .trimmed();
    if (message.isEmpty())
        message = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    return state ? QString::fromLatin1(state) + QStringLiteral(": ") + message : message;
}

QVariant convert(Conversion conversion, const char *text, int length)
{
    switch (conversion) {
    case Conversion::Integer: {
        qlonglong value = 0;
        std::from_chars(text, text + length, value);
        return QVariant(value);
    }
    case Conversion::Real: {
        // from_chars ignores the C library locale, unlike strtod.
        double value = 0;
        std::from_chars(text, text + length, value);
        return QVariant(value);
    }
    case Conversion::Boolean:
        return QVariant(qlonglong(text[0] == 't' ? 1 : 0));
    case Conversion::DateTime: {
        const QDateTime dt = parseDatabaseDateTime(text, length);
        return dt.isValid() ? QVariant(dt) : QVariant(QString::fromUtf8(text, length));
    }
    case Conversion::TimeOfDay: {
        const QTime time = QTime::fromString(QString::fromLatin1(text, qMin(length, 8)),
                                             QStringLiteral("HH:mm:ss"));
        return QVariant(QDateTime(QDate(1899, 12, 30), time, Qt::UTC));
    }
    case Conversion::Text:
        break;
    }
    return QVariant(QString::fromUtf8(text, length));
}

} // namespace

PgEngine::~PgEngine()
{
    if (m_conn)
        PQfinish(m_conn);
}

bool PgEngine::open(const QString &server, const QString &port, const QString &database,
                    const QString &user, const QString &password, const QString &applicationName,
                    QString *error)
{
    // Parameters go to libpq as separate values: nothing typed can inject a keyword.
    std::vector<QByteArray> keys{"dbname"}, values{database.toUtf8()};
    auto add = [&](const char *key, const QString &value) {
        if (!value.isEmpty()) {
            keys.emplace_back(key);
            values.push_back(value.toUtf8());
        }
    };
    add("host", server);
    add("port", port);
    add("user", user);
    add("password", password);
    add("application_name", applicationName);
    keys.emplace_back("connect_timeout");
    values.emplace_back("10");
    keys.emplace_back("client_encoding");
    values.emplace_back("UTF8");
    std::vector<const char *> keyPtrs, valuePtrs;
    for (size_t i = 0; i < keys.size(); ++i) {
        keyPtrs.push_back(keys[i].constData());
        valuePtrs.push_back(values[i].constData());
    }
    keyPtrs.push_back(nullptr);
    valuePtrs.push_back(nullptr);
    m_conn = PQconnectdbParams(keyPtrs.data(), valuePtrs.data(), 1);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        *error = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
        return false;
    }
    // Server notices ("table does not exist, skipping") are not errors: keep them off stderr.
    PQsetNoticeProcessor(m_conn, [](void *, const char *) {}, nullptr);
    // Month-first literals, whatever the server's own DateStyle (a French server often has
    // 'iso, dmy', where '03/05/2024' silently means 3 May).
    return exec(QStringLiteral("SET DateStyle = 'ISO, MDY'"), error);
}

bool PgEngine::exec(const QString &sql, QString *error)
{
    // PQexecParams refuses several statements in one text.
    PGresult *result = PQexecParams(m_conn, sql.toUtf8().constData(), 0, nullptr, nullptr, nullptr,
                                    nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!ok)
        *error = resultError(result, m_conn);
    PQclear(result);
    return ok;
}

RecordTable PgEngine::query(const QString &sql)
{
    RecordTable table;
    PGresult *result = PQexecParams(m_conn, sql.toUtf8().constData(), 0, nullptr, nullptr, nullptr,
                                    nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        table.fail(resultError(result, m_conn));
        PQclear(result);
        return table;
    }
    const int rows = PQntuples(result);
    const int columns = PQnfields(result);
    QStringList names;
    std::vector<Conversion> conversions;
    for (int c = 0; c < columns; ++c) {
        names << QString::fromUtf8(PQfname(result, c));
        conversions.push_back(conversionFor(PQftype(result, c)));
    }
    table.setColumns(names);
    table.reserveRows(rows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(result, r, c))
                table.append(QVariant());
            else
                table.append(convert(conversions[size_t(c)], PQgetvalue(result, r, c),
                                     PQgetlength(result, r, c)));
        }
    }
    PQclear(result);
    return table;
}

QStringList PgEngine::singleColumn(const char *sql, const QString &parameter)
{
    const QByteArray value = parameter.toUtf8();
    const char *values[] = {value.constData()};
    PGresult *result = PQexecParams(m_conn, sql, 1, nullptr, values, nullptr, nullptr, 0);
    QStringList list;
    if (PQresultStatus(result) == PGRES_TUPLES_OK) {
        for (int r = 0; r < PQntuples(result); ++r)
            list << QString::fromUtf8(PQgetvalue(result, r, 0));
    }
    PQclear(result);
    return list;
}

bool PgEngine::tableExists(const QString &table)
{
    return !singleColumn("SELECT 1 FROM information_schema.tables WHERE table_schema = "
                         "current_schema() AND table_name = lower($1)",
                         table)
                .isEmpty();
}

QStringList PgEngine::columnNames(const QString &table)
{
    return singleColumn("SELECT column_name FROM information_schema.columns WHERE table_schema = "
                        "current_schema() AND table_name = lower($1) ORDER BY ordinal_position",
                        table);
}

bool PgEngine::isMissingObjectError(const QString &error) const
{
    return error.startsWith(QLatin1String("42P01")) || error.startsWith(QLatin1String("42703"));
}

} // namespace plx
