#include "db/sqliteengine.h"

#include "db/datetimetext.h"
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
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
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
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &stmt, &tail) != SQLITE_OK) {
        *error = lastError();
        return false;
    }
    // One statement per call: a second one hidden in a value must never run.
    if (!onlyBlanksOrSemicolons(tail)) {
        sqlite3_finalize(stmt);
        *error = QStringLiteral("Une seule instruction SQL est acceptée à la fois.");
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    const bool ok = rc == SQLITE_DONE;
    if (!ok)
        *error = lastError();
    sqlite3_finalize(stmt);
    return ok;
}

RecordTable SqliteEngine::query(const QString &sql)
{
    RecordTable table;
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &stmt, &tail) != SQLITE_OK) {
        table.fail(lastError());
        return table;
    }
    if (!onlyBlanksOrSemicolons(tail)) {
        sqlite3_finalize(stmt);
        table.fail(QStringLiteral("Une seule instruction SQL est acceptée à la fois."));
        return table;
    }
    const int columns = sqlite3_column_count(stmt);
    QStringList names;
    std::vector<char> dateColumn(size_t(columns), 0);
    std::vector<char> untyped(size_t(columns), 0);
    for (int c = 0; c < columns; ++c) {
        names << QString::fromUtf8(sqlite3_column_name(stmt, c));
        const char *declared = sqlite3_column_decltype(stmt, c);
        dateColumn[size_t(c)] = isDateType(declared);
        untyped[size_t(c)] = declared == nullptr; // an expression: max(DateCreation)...
    }
    table.setColumns(names);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_NULL:
                table.append(QVariant());
                break;
            case SQLITE_INTEGER:
                table.append(QVariant(qlonglong(sqlite3_column_int64(stmt, c))));
                break;
            case SQLITE_FLOAT:
                table.append(QVariant(sqlite3_column_double(stmt, c)));
                break;
            case SQLITE_BLOB:
                table.append(QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, c)),
                                                 sqlite3_column_bytes(stmt, c))));
                break;
            default: {
                const auto *text = sqlite3_column_text(stmt, c);
                const int length = sqlite3_column_bytes(stmt, c);
                if (dateColumn[size_t(c)] || (untyped[size_t(c)] && looksLikeDateTime(text, length))) {
                    const QDateTime dt =
                        parseDatabaseDateTime(reinterpret_cast<const char *>(text), length);
                    if (dt.isValid()) {
                        table.append(QVariant(dt));
                        break;
                    }
                }
                table.append(QVariant(QString::fromUtf8(reinterpret_cast<const char *>(text), length)));
            }
            }
        }
    }
    if (rc != SQLITE_DONE)
        table.fail(lastError());
    sqlite3_finalize(stmt);
    return table;
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
