#include "db/pgengine.h"

#include "db/bulkinsert.h"
#include "db/connectionrefusal.h"
#include "db/datetimetext.h"
#include "db/placeholders.h"
#include "db/preparedstatement.h"
#include "db/repeatedcells.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <vector>

#include <QAtomicInt>

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

// sqlQuote() doubles quotes and nothing else, which holds only while a backslash is an
// ordinary character in '...'. With standard_conforming_strings off (the default before
// PostgreSQL 9.1, kept by some upgrades) "\'" escapes the quote and a typed value could end
// its literal. False with the refusal to show when the session cannot have it on.
bool makeQuotingSafe(PGconn *conn, QString *error)
{
    PGresult *result = PQexec(conn, "SET standard_conforming_strings = on");
    const bool set = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!set)
        *error = unsafeQuotingRefusal(resultError(result, conn));
    PQclear(result);
    if (!set)
        return false;
    // What libpq itself knows, from the server's report of the change.
    const char *value = PQparameterStatus(conn, "standard_conforming_strings");
    if (value && std::strcmp(value, "on") == 0)
        return true;
    *error = unsafeQuotingRefusal(
        QStringLiteral("le réglage reste « %1 »")
            .arg(value ? QString::fromUtf8(value) : QStringLiteral("inconnu")));
    return false;
}

// Names and conversions of a result's columns.
struct PgColumns
{
    explicit PgColumns(const PGresult *result)
    {
        for (int c = 0; c < PQnfields(result); ++c) {
            names << QString::fromUtf8(PQfname(result, c));
            conversions.push_back(conversionFor(PQftype(result, c)));
        }
    }
    int count() const { return int(conversions.size()); }
    QVariant value(const PGresult *result, int row, int c) const
    {
        if (PQgetisnull(result, row, c))
            return QVariant();
        return convert(conversions[size_t(c)], PQgetvalue(result, row, c), PQgetlength(result, row, c));
    }

    QStringList names;
    std::vector<Conversion> conversions;
};

// The same conversions for rows read one at a time into the values of the row before: a
// number is written in place, and a cell whose text equals the one above it (a day over
// its many rows, a validity code) shares that one's value instead of being built again.
class PgRowReader
{
public:
    explicit PgRowReader(const PgColumns &columns)
        // Texts remembered: date-times with a zone, codes, short labels.
        : m_columns(columns), m_repeated(columns.count(), 40)
    {
    }

    void read(const PGresult *result, int row, int c, QVariant &value)
    {
        if (PQgetisnull(result, row, c)) {
            if (!value.isNull())
                value = QVariant();
            return;
        }
        const char *text = PQgetvalue(result, row, c);
        const int length = PQgetlength(result, row, c);
        const Conversion conversion = m_columns.conversions[size_t(c)];
        if (conversion == Conversion::Real) {
            double number = 0;
            std::from_chars(text, text + length, number);
            value.setValue(number);
            return;
        }
        if (conversion == Conversion::Integer) {
            qlonglong number = 0;
            std::from_chars(text, text + length, number);
            value.setValue(number);
            return;
        }
        m_repeated.assign(c, text, length, value,
                          [&] { return convert(conversion, text, length); });
    }

private:
    const PgColumns &m_columns;
    RepeatedCells m_repeated;
};

RecordTable tableOf(PGresult *result, PGconn *conn)
{
    RecordTable table;
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        table.fail(resultError(result, conn));
        PQclear(result);
        return table;
    }
    const PgColumns columns(result);
    const int rows = PQntuples(result);
    table.setColumns(columns.names);
    table.reserveRows(rows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns.count(); ++c)
            table.append(columns.value(result, r, c));
    }
    PQclear(result);
    return table;
}

// A statement the server parses and plans once; each run sends only the values, as text.
class PgPrepared final : public PreparedStatement
{
public:
    PgPrepared(PGconn *conn, QByteArray name, int parameters)
        : m_conn(conn), m_name(std::move(name)), m_parameters(parameters)
    {
    }
    ~PgPrepared() override
    {
        // Fails harmlessly inside an aborted transaction: the session then keeps it.
        PQclear(PQexec(m_conn, ("DEALLOCATE " + m_name).constData()));
    }

    bool exec(const QVariantList &values, QString *error) override
    {
        PGresult *result = run(values, error);
        if (!result)
            return false;
        const ExecStatusType status = PQresultStatus(result);
        const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!ok && error)
            *error = resultError(result, m_conn);
        m_affected = ok ? QByteArray(PQcmdTuples(result)).toLongLong() : 0;
        PQclear(result);
        return ok;
    }

    qint64 affectedRows() const override { return m_affected; }

    RecordTable query(const QVariantList &values) override
    {
        QString error;
        PGresult *result = run(values, &error);
        if (!result) {
            RecordTable table;
            table.fail(error);
            return table;
        }
        return tableOf(result, m_conn);
    }

private:
    PGresult *run(const QVariantList &values, QString *error)
    {
        if (values.size() != m_parameters) {
            if (error)
                *error = QStringLiteral("%1 valeurs données pour %2 paramètres.").arg(values.size()).arg(m_parameters);
            return nullptr;
        }
        std::vector<QByteArray> texts;
        std::vector<const char *> pointers;
        texts.reserve(size_t(values.size()));
        for (const QVariant &value : values) {
            texts.push_back(boundValueText(value));
            pointers.push_back(texts.back().isNull() ? nullptr : texts.back().constData());
        }
        return PQexecPrepared(m_conn, m_name.constData(), m_parameters, pointers.data(), nullptr,
                              nullptr, 0);
    }

    PGconn *m_conn;
    QByteArray m_name;
    int m_parameters;
    qint64 m_affected = 0;
};

// Rows in COPY's text format, sent in blocks: a tab between values, \N for NULL,
// backslashes and line breaks inside a text escaped.
class PgCopy final : public BulkInsert
{
public:
    PgCopy(PGconn *conn, int columns) : m_conn(conn), m_columns(columns)
    {
        m_buffer.reserve(kBlock + 4096);
    }
    ~PgCopy() override
    {
        if (m_open) {
            // Abandoned: the server fails the COPY, and with it the caller's transaction.
            PQputCopyEnd(m_conn, "abandon");
            drain();
        }
    }

    bool add(const QVariantList &values, QString *error) override
    {
        if (!m_open || values.size() != m_columns) {
            if (error)
                *error = QStringLiteral("%1 valeurs données pour %2 colonnes.")
                             .arg(values.size())
                             .arg(m_columns);
            return false;
        }
        for (qsizetype i = 0; i < values.size(); ++i) {
            if (i > 0)
                m_buffer += '\t';
            const qsizetype start = m_buffer.size();
            if (!appendBoundValueText(m_buffer, values[i]))
                m_buffer += "\\N";
            else
                escapeFrom(start);
        }
        m_buffer += '\n';
        return m_buffer.size() < kBlock || send(error);
    }

    bool finish(QString *error) override
    {
        if (!m_open)
            return false;
        const bool sent = send(error);
        m_open = false;
        if (PQputCopyEnd(m_conn, sent ? nullptr : "abandon") != 1) {
            if (error)
                *error = resultError(nullptr, m_conn);
            drain();
            return false;
        }
        PGresult *result = PQgetResult(m_conn);
        const bool ok = sent && PQresultStatus(result) == PGRES_COMMAND_OK;
        if (!ok && sent && error)
            *error = resultError(result, m_conn);
        PQclear(result);
        drain();
        return ok;
    }

private:
    static constexpr qsizetype kBlock = 64 * 1024;

    bool send(QString *error)
    {
        if (m_buffer.isEmpty())
            return true;
        if (PQputCopyData(m_conn, m_buffer.constData(), int(m_buffer.size())) != 1) {
            if (error)
                *error = resultError(nullptr, m_conn);
            return false;
        }
        m_buffer.clear();
        return true;
    }

    // Backslashes, tabs and line breaks of the value written from start, escaped.
    void escapeFrom(qsizetype start)
    {
        const auto special = [](char c) {
            return c == '\\' || c == '\t' || c == '\n' || c == '\r';
        };
        const char *begin = m_buffer.constData() + start;
        const char *end = m_buffer.constData() + m_buffer.size();
        if (std::none_of(begin, end, special))
            return;
        const QByteArray raw(begin, end - begin);
        m_buffer.truncate(start);
        for (const char c : raw) {
            switch (c) {
            case '\\': m_buffer += "\\\\"; break;
            case '\t': m_buffer += "\\t"; break;
            case '\n': m_buffer += "\\n"; break;
            case '\r': m_buffer += "\\r"; break;
            default: m_buffer += c;
            }
        }
    }

    void drain()
    {
        while (PGresult *rest = PQgetResult(m_conn))
            PQclear(rest);
    }

    PGconn *m_conn;
    int m_columns;
    QByteArray m_buffer;
    bool m_open = true;
};

} // namespace

std::unique_ptr<BulkInsert> PgEngine::bulkInsert(const QString &table, const QStringList &columns,
                                                 QString *error)
{
    // The names come from the program (a table PLUVIO_<n>, fixed columns), never from input.
    const QString sql = QStringLiteral("COPY ") + table + QStringLiteral(" (") +
                        columns.join(QStringLiteral(", ")) + QStringLiteral(") FROM STDIN");
    PGresult *result = PQexec(m_conn, sql.toUtf8().constData());
    const bool ok = PQresultStatus(result) == PGRES_COPY_IN;
    if (!ok && error)
        *error = resultError(result, m_conn);
    PQclear(result);
    if (!ok)
        return nullptr;
    return std::make_unique<PgCopy>(m_conn, int(columns.size()));
}

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
    // An idle session cut by a firewall shows as a broken connection at the next
    // statement, not as a statement hanging for the system's TCP timeout.
    for (const auto &[key, value] : {std::pair{"keepalives", "1"}, std::pair{"keepalives_idle", "60"},
                                     std::pair{"keepalives_interval", "10"},
                                     std::pair{"keepalives_count", "3"}}) {
        keys.emplace_back(key);
        values.emplace_back(value);
    }
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
    if (!makeQuotingSafe(m_conn, error)) {
        PQfinish(m_conn);
        m_conn = nullptr;
        return false;
    }
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
    return tableOf(PQexecParams(m_conn, sql.toUtf8().constData(), 0, nullptr, nullptr, nullptr,
                                nullptr, 0),
                   m_conn);
}

std::unique_ptr<PreparedStatement> PgEngine::prepare(const QString &sql, QString *error)
{
    // libpq numbers its parameters $1, $2...
    const QStringList pieces = splitAtPlaceholders(sql);
    QString text = pieces.first();
    for (qsizetype i = 1; i < pieces.size(); ++i)
        text += QLatin1Char('$') + QString::number(i) + pieces[i];
    static QAtomicInt counter;
    const QByteArray name = "plx_prepared_" + QByteArray::number(counter.fetchAndAddRelaxed(1));
    PGresult *result = PQprepare(m_conn, name.constData(), text.toUtf8().constData(),
                                 int(pieces.size() - 1), nullptr);
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!ok && error)
        *error = resultError(result, m_conn);
    PQclear(result);
    if (!ok)
        return nullptr;
    return std::make_unique<PgPrepared>(m_conn, name, int(pieces.size() - 1));
}

bool PgEngine::queryRows(const QString &sql, const RowReader &reader, QString *error)
{
    // A cursor read in batches keeps the client's memory to one batch, whatever the size
    // of the result. A cursor lives in a transaction: open one when none is.
    const bool ownTransaction = PQtransactionStatus(m_conn) == PQTRANS_IDLE;
    if (ownTransaction && !exec(QStringLiteral("BEGIN"), error))
        return false;
    bool ok = exec(QStringLiteral("DECLARE plx_rows NO SCROLL CURSOR FOR ") + sql, error);
    if (!ok && ownTransaction) {
        // DECLARE ran nothing. Either a cursor cannot run the statement (SELECT ... INTO)
        // or the statement is wrong: run it whole, as query() does, for its own outcome and
        // an error message about the statement rather than the cursor.
        QString ignored;
        exec(QStringLiteral("ROLLBACK"), &ignored);
        error->clear();
        return Engine::queryRows(sql, reader, error);
    }
    bool more = ok;
    std::vector<QVariant> row;
    while (more) {
        PGresult *result = PQexec(m_conn, "FETCH FORWARD 20000 FROM plx_rows");
        if (PQresultStatus(result) != PGRES_TUPLES_OK) {
            *error = resultError(result, m_conn);
            PQclear(result);
            ok = false;
            break;
        }
        const PgColumns columns(result);
        PgRowReader cells(columns);
        row.resize(size_t(columns.count()));
        const int rows = PQntuples(result);
        for (int r = 0; r < rows && more; ++r) {
            for (int c = 0; c < columns.count(); ++c)
                cells.read(result, r, c, row[size_t(c)]);
            more = reader(row.data(), columns.count());
        }
        PQclear(result);
        more = more && rows == 20000;
    }
    QString ignored;
    if (ok)
        exec(QStringLiteral("CLOSE plx_rows"), &ignored);
    if (ownTransaction)
        exec(ok ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"), &ignored);
    return ok;
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
    // The catalog itself: information_schema's view costs ten times more, which an import
    // creating a table per station pays several times over.
    return !singleColumn("SELECT 1 FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n "
                         "ON n.oid = c.relnamespace WHERE n.nspname = current_schema() AND "
                         "c.relname = lower($1) AND c.relkind IN ('r', 'p', 'v', 'm', 'f')",
                         table)
                .isEmpty();
}

QStringList PgEngine::columnNames(const QString &table)
{
    return singleColumn("SELECT column_name FROM information_schema.columns WHERE table_schema = "
                        "current_schema() AND table_name = lower($1) ORDER BY ordinal_position",
                        table);
}

bool PgEngine::connectionLost() const
{
    return !m_conn || PQstatus(m_conn) == CONNECTION_BAD;
}

QString PgEngine::serverName() const
{
    if (!m_conn)
        return QString();
    const char *host = PQhost(m_conn);
    const char *port = PQport(m_conn);
    QString name = host && *host ? QString::fromUtf8(host) : QStringLiteral("localhost");
    if (name.startsWith(QLatin1Char('/')))
        name = QStringLiteral("localhost");
    if (port && *port)
        name += QLatin1Char(':') + QString::fromUtf8(port);
    return name;
}

bool PgEngine::isMissingObjectError(const QString &error) const
{
    return error.startsWith(QLatin1String("42P01")) || error.startsWith(QLatin1String("42703"));
}

} // namespace plx
