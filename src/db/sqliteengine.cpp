#include "db/sqliteengine.h"

#include "db/datetimetext.h"
#include "db/placeholders.h"
#include "db/preparedstatement.h"
#include "db/rowcells.h"
#include "db/sqlitefunctions.h"

#include <QFileInfo>


#include <sqlite3.h>

namespace plx {

namespace {

// Declared types that hold our canonical date-time text ("DATETIME TEXT", "DateTime").
bool isDateType(const char *declared)
{
    if (!declared)
        return false;
    const QByteArray type = QByteArray(declared).toUpper();
    return type.contains("DATE") || type.contains("TIME");
}

bool looksLikeDateTime(const unsigned char *text, int length)
{
    return length == 19 && text[4] == '-' && text[7] == '-' && text[10] == ' ' && text[13] == ':'
           && text[16] == ':';
}

bool onlyBlanksOrSemicolons(const char *tail)
{
    for (; tail && *tail; ++tail) {
        if (*tail != ';' && !QChar::isSpace(uchar(*tail)))
            return false;
    }
    return true;
}

} // namespace

SqliteColumns::SqliteColumns(sqlite3_stmt *stmt)
{
    const int columns = sqlite3_column_count(stmt);
    dateColumn.assign(size_t(columns), 0);
    untyped.assign(size_t(columns), 0);
    for (int c = 0; c < columns; ++c) {
        names << QString::fromUtf8(sqlite3_column_name(stmt, c));
        const char *declared = sqlite3_column_decltype(stmt, c);
        dateColumn[size_t(c)] = isDateType(declared);
        untyped[size_t(c)] = declared == nullptr; // an expression: max(DateCreation)...
    }
    m_repeated = RepeatedCells(columns, 32); // dates, codes, short labels
}

QVariant SqliteColumns::value(sqlite3_stmt *stmt, int c) const
{
    QVariant value;
    read(stmt, c, value);
    return value;
}

void SqliteColumns::read(sqlite3_stmt *stmt, int c, QVariant &value) const
{
    switch (sqlite3_column_type(stmt, c)) {
    case SQLITE_NULL:
        if (!value.isNull())
            value = QVariant();
        return;
    case SQLITE_INTEGER:
        value.setValue(qlonglong(sqlite3_column_int64(stmt, c)));
        return;
    case SQLITE_FLOAT:
        value.setValue(sqlite3_column_double(stmt, c));
        return;
    case SQLITE_BLOB:
        value = QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, c)),
                                    sqlite3_column_bytes(stmt, c)));
        return;
    default: {
        const auto *text = sqlite3_column_text(stmt, c);
        const int length = sqlite3_column_bytes(stmt, c);
        m_repeated.assign(c, reinterpret_cast<const char *>(text), length, value,
                          [&] { return textValue(c, text, length); });
        return;
    }
    }
}

QVariant SqliteColumns::textValue(int c, const unsigned char *text, int length) const
{
    if (dateColumn[size_t(c)] || (untyped[size_t(c)] && looksLikeDateTime(text, length))) {
        const QDateTime dt = parseDatabaseDateTime(reinterpret_cast<const char *>(text), length);
        if (dt.isValid())
            return QVariant(dt);
    }
    return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(text), length));
}

SqliteEngine::~SqliteEngine()
{
    sqlite3_close_v2(m_db);
}

bool SqliteEngine::open(const QString &path, bool createIfMissing, QString *error)
{
    if (!createIfMissing && !QFileInfo::exists(path)) {
        *error = QStringLiteral("Le fichier de base de données « %1 » est introuvable.").arg(path);
        return false;
    }
    // One thread uses a connection at a time (the program has no other): no mutex around
    // each call, which on a million rows of ten columns costs a fifth of the reading.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (createIfMissing)
        flags |= SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        *error = lastError();
        return false;
    }
    sqlite3_busy_timeout(m_db, 10000);
    // SQLite opens any file lazily: read the catalog now so that a file that is not a
    // database is refused at connection time.
    const RecordTable probe = query(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (!probe.ok()) {
        *error = QStringLiteral("Le fichier « %1 » n'est pas une base de données lisible : %2")
                     .arg(path, probe.error());
        return false;
    }
    if (!registerSqliteFunctions(m_db)) {
        *error = lastError();
        return false;
    }
    return true;
}

QString SqliteEngine::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
}

bool SqliteEngine::exec(const QString &sql, QString *error)
{
    sqlite3_stmt *stmt = nullptr;
    if (!prepareOne(sql, &stmt, error))
        return false;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    const bool ok = rc == SQLITE_DONE;
    if (!ok)
        *error = lastError();
    sqlite3_finalize(stmt);
    return ok;
}

bool SqliteEngine::prepareOne(const QString &sql, sqlite3_stmt **stmt, QString *error) const
{
    const QByteArray utf8 = sql.toUtf8();
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), stmt, &tail) != SQLITE_OK) {
        *error = lastError();
        return false;
    }
    // One statement per call: a second one hidden in a value must never run.
    if (!onlyBlanksOrSemicolons(tail)) {
        sqlite3_finalize(*stmt);
        *stmt = nullptr;
        *error = QStringLiteral("Une seule instruction SQL est acceptée à la fois.");
        return false;
    }
    return true;
}

RecordTable SqliteEngine::query(const QString &sql)
{
    RecordTable table;
    sqlite3_stmt *stmt = nullptr;
    QString error;
    if (!prepareOne(sql, &stmt, &error)) {
        table.fail(error);
        return table;
    }
    if (!readAll(stmt, table))
        table.fail(lastError());
    sqlite3_finalize(stmt);
    return table;
}

bool SqliteEngine::readAll(sqlite3_stmt *stmt, RecordTable &table) const
{
    const SqliteColumns columns(stmt);
    table.setColumns(columns.names);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns.count(); ++c)
            table.append(columns.value(stmt, c));
    }
    return rc == SQLITE_DONE;
}

bool SqliteEngine::stepRows(const QString &sql,
                            const std::function<bool(sqlite3_stmt *, const SqliteColumns &)> &row,
                            QString *error)
{
    sqlite3_stmt *stmt = nullptr;
    if (!prepareOne(sql, &stmt, error))
        return false;
    const SqliteColumns columns(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (!row(stmt, columns)) {
            rc = SQLITE_DONE;
            break;
        }
    }
    const bool ok = rc == SQLITE_DONE;
    if (!ok)
        *error = lastError();
    sqlite3_finalize(stmt);
    return ok;
}

bool SqliteEngine::queryRows(const QString &sql, const RowReader &reader, QString *error)
{
    std::vector<QVariant> values;
    return stepRows(
        sql,
        [&](sqlite3_stmt *stmt, const SqliteColumns &columns) {
            values.resize(size_t(columns.count()));
            for (int c = 0; c < columns.count(); ++c)
                columns.read(stmt, c, values[size_t(c)]);
            return reader(values.data(), columns.count());
        },
        error);
}

namespace {

// The current row of a statement, each cell read from SQLite when asked.
class SqliteCells final : public RowCells
{
public:
    SqliteCells(sqlite3_stmt *stmt, const SqliteColumns &columns) : m_stmt(stmt), m_columns(columns)
    {
    }

    int count() const override { return m_columns.count(); }
    bool isNull(int column) const override
    {
        return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
    }
    double number(int column) const override
    {
        // A number stored as text (a sister module's) reads as QVariant would read it.
        if (sqlite3_column_type(m_stmt, column) == SQLITE_TEXT)
            return value(column).toDouble();
        return sqlite3_column_double(m_stmt, column);
    }
    QChar firstChar(int column) const override
    {
        const auto *text = sqlite3_column_text(m_stmt, column);
        const int length = sqlite3_column_bytes(m_stmt, column);
        for (int i = 0; text && i < length; ++i) {
            if (text[i] >= 0x80) { // beyond ASCII: decoded
                m_cell = value(column);
                return VariantCells(&m_cell, 1).firstChar(0);
            }
            if (!QChar::isSpace(text[i]))
                return QLatin1Char(char(text[i]));
        }
        return {};
    }
    std::pair<QDate, QTime> dayAndTime(int column) const override
    {
        if (sqlite3_column_type(m_stmt, column) != SQLITE_TEXT) {
            m_cell = value(column);
            return VariantCells(&m_cell, 1).dayAndTime(0);
        }
        return parseDatabaseDayAndTime(
            reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column)),
            sqlite3_column_bytes(m_stmt, column));
    }
    QVariant value(int column) const override { return m_columns.value(m_stmt, column); }

private:
    sqlite3_stmt *m_stmt;
    const SqliteColumns &m_columns;
    mutable QVariant m_cell; // a cell converted for VariantCells
};

} // namespace

bool SqliteEngine::queryCells(const QString &sql, const CellReader &reader, QString *error)
{
    return stepRows(
        sql,
        [&](sqlite3_stmt *stmt, const SqliteColumns &columns) {
            return reader(SqliteCells(stmt, columns));
        },
        error);
}

namespace {

// A statement compiled once; each run rebinds its values.
class SqlitePrepared final : public PreparedStatement
{
public:
    SqlitePrepared(const SqliteEngine &engine, sqlite3 *db, sqlite3_stmt *stmt)
        : m_engine(engine), m_db(db), m_stmt(stmt)
    {
    }
    ~SqlitePrepared() override { sqlite3_finalize(m_stmt); }

    bool exec(const QVariantList &values, QString *error) override
    {
        if (!bind(values, error))
            return false;
        int rc;
        while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
        }
        const bool ok = rc == SQLITE_DONE;
        if (!ok && error)
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
        m_affected = ok ? sqlite3_changes64(m_db) : 0;
        sqlite3_reset(m_stmt);
        return ok;
    }

    qint64 affectedRows() const override { return m_affected; }

    RecordTable query(const QVariantList &values) override
    {
        RecordTable table;
        QString error;
        if (!bind(values, &error))
            table.fail(error);
        else if (!m_engine.readAll(m_stmt, table))
            table.fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        sqlite3_reset(m_stmt);
        return table;
    }

private:
    bool bind(const QVariantList &values, QString *error)
    {
        sqlite3_reset(m_stmt);
        const int count = sqlite3_bind_parameter_count(m_stmt);
        if (values.size() != count) {
            if (error)
                *error = QStringLiteral("%1 valeurs données pour %2 paramètres.").arg(values.size()).arg(count);
            return false;
        }
        m_texts.resize(size_t(count));
        for (int i = 0; i < count; ++i) {
            const QVariant &value = values[i];
            int rc;
            switch (value.isNull() ? QMetaType::UnknownType : value.typeId()) {
            case QMetaType::UnknownType:
                rc = sqlite3_bind_null(m_stmt, i + 1);
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(m_stmt, i + 1, value.toDouble());
                break;
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
                rc = sqlite3_bind_int64(m_stmt, i + 1, value.toLongLong());
                break;
            default: {
                // Each value's text lives in its own buffer until the next run rebinds it:
                // SQLite reads it where it is, and the buffers keep their room between runs.
                QByteArray &text = m_texts[size_t(i)];
                text.resize(0);
                appendBoundValueText(text, value);
                // Dates are stored as the canonical date-time text, midnight included.
                if (value.typeId() == QMetaType::QDate)
                    text += " 00:00:00";
                rc = sqlite3_bind_text(m_stmt, i + 1, text.constData(), int(text.size()), SQLITE_STATIC);
            }
            }
            if (rc != SQLITE_OK) {
                if (error)
                    *error = QString::fromUtf8(sqlite3_errmsg(m_db));
                return false;
            }
        }
        return true;
    }

    const SqliteEngine &m_engine;
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt;
    qint64 m_affected = 0;
    std::vector<QByteArray> m_texts; // the texts bound, one per parameter
};

} // namespace

std::unique_ptr<PreparedStatement> SqliteEngine::prepare(const QString &sql, QString *error)
{
    sqlite3_stmt *stmt = nullptr;
    QString message;
    if (!prepareOne(sql, &stmt, &message)) {
        if (error)
            *error = message;
        return nullptr;
    }
    return std::make_unique<SqlitePrepared>(*this, m_db, stmt);
}

bool SqliteEngine::tableExists(const QString &table)
{
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(m_db,
                       "SELECT 1 FROM sqlite_master WHERE type IN ('table','view') AND "
                       "lower(name) = lower(?1)",
                       -1, &stmt, nullptr);
    const QByteArray name = table.toUtf8();
    sqlite3_bind_text(stmt, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    const bool found = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return found;
}

QStringList SqliteEngine::columnNames(const QString &table)
{
    QStringList names;
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(m_db, "SELECT name FROM pragma_table_info(?1)", -1, &stmt, nullptr);
    // pragma_table_info matches names case-insensitively, as Access does.
    const QByteArray name = table.toUtf8();
    sqlite3_bind_text(stmt, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    return names;
}

bool SqliteEngine::isMissingObjectError(const QString &error) const
{
    return error.contains(QLatin1String("no such table")) || error.contains(QLatin1String("no such column"));
}

bool SqliteEngine::begin(QString *error)
{
    // IMMEDIATE takes the write lock at once: two clients allocating "max + 1" or
    // upgrading the schema together queue up instead of failing half-way.
    return exec(QStringLiteral("BEGIN IMMEDIATE"), error);
}

} // namespace plx
