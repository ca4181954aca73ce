#pragma once

#include "db/engine.h"

struct sqlite3;

namespace plx {

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
    bool exec(const QString &sql, QString *error) override;
    RecordTable query(const QString &sql) override;
    bool tableExists(const QString &table) override;
    QStringList columnNames(const QString &table) override;
    bool isMissingObjectError(const QString &error) const override;
    bool begin(QString *error) override;

private:
    QString lastError() const;

    sqlite3 *m_db = nullptr;
};

} // namespace plx
