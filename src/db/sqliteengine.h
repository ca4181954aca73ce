#pragma once

#include "db/engine.h"
#include "db/repeatedcells.h"

#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace plx {

// How the columns of a result read back: declared date-time columns (and untyped
// expressions that look like one) become QDateTime.
struct SqliteColumns
{
    explicit SqliteColumns(sqlite3_stmt *stmt);
    int count() const { return int(names.size()); }
    QVariant value(sqlite3_stmt *stmt, int column) const;
    // The same into a value of the row before, reused: a cell of the same type as the one
    // it replaces is written in place.
    void read(sqlite3_stmt *stmt, int column, QVariant &value) const;

    QStringList names;
    std::vector<char> dateColumn;
    std::vector<char> untyped;

private:
    QVariant textValue(int column, const unsigned char *text, int length) const;

    // The text cell read last in each column, and what it became: a text equal to the one
    // above it (a day over its many rows, a validity code) is shared, not built again.
    mutable RepeatedCells m_repeated{0, 0};
};

// A SQLite file through the sqlite3 C API. Date-times are stored as the text
// 'YYYY-MM-DD HH:MM:SS' and come back as QDateTime (see RecordTable).
class SqliteEngine final : public Engine
{
public:
    ~SqliteEngine() override;

    // createIfMissing false refuses a path that does not exist; a file that is not a
    // SQLite database is refused at once, not at the first query.
    bool open(const QString &path, bool createIfMissing, QString *error);

    SqlDialect dialect() const override { return SqlDialect::SQLite; }
    QString rowLocatorColumn() const override { return QStringLiteral("rowid"); }
    bool exec(const QString &sql, QString *error) override;
    RecordTable query(const QString &sql) override;
    bool queryRows(const QString &sql, const RowReader &reader, QString *error) override;
    bool queryCells(const QString &sql, const CellReader &reader, QString *error) override;
    std::unique_ptr<PreparedStatement> prepare(const QString &sql, QString *error) override;
    // Every row of a prepared statement that has its values bound.
    bool readAll(sqlite3_stmt *stmt, RecordTable &table) const;
    bool tableExists(const QString &table) override;
    QStringList columnNames(const QString &table) override;
    bool isMissingObjectError(const QString &error) const override;
    bool begin(QString *error) override;

private:
    QString lastError() const;
    // Runs sql, handing each row to row until it returns false.
    bool stepRows(const QString &sql,
                  const std::function<bool(sqlite3_stmt *, const SqliteColumns &)> &row,
                  QString *error);
    bool prepareOne(const QString &sql, sqlite3_stmt **stmt, QString *error) const;

    sqlite3 *m_db = nullptr;
};

} // namespace plx
