#pragma once

#include "db/engine.h"

typedef struct pg_conn PGconn;

namespace plx {

// PostgreSQL through libpq. Every value is read as the server's text: date-times keep
// their wall-clock text (the zone offset is dropped, the session zone never changed),
// and real columns show their shortest exact form (0.1, not 0.100000001).
class PgEngine final : public Engine
{
public:
    ~PgEngine() override;

    // database may also be a full libpq connection string ("host=... dbname=...").
    bool open(const QString &server, const QString &port, const QString &database,
              const QString &user, const QString &password, const QString &applicationName,
              QString *error);

    SqlDialect dialect() const override { return SqlDialect::PostgreSQL; }
    QString rowLocatorColumn() const override { return QStringLiteral("ctid"); }
    bool exec(const QString &sql, QString *error) override;
    RecordTable query(const QString &sql) override;
    bool queryRows(const QString &sql, const RowReader &reader, QString *error) override;
    std::unique_ptr<PreparedStatement> prepare(const QString &sql, QString *error) override;
    // COPY ... FROM STDIN: the server parses a stream of rows, with no round trip per row.
    std::unique_ptr<BulkInsert> bulkInsert(const QString &table, const QStringList &columns,
                                           QString *error) override;
    bool tableExists(const QString &table) override;
    QStringList columnNames(const QString &table) override;
    bool isMissingObjectError(const QString &error) const override;
    bool connectionLost() const override;
    QString serverName() const override;

private:
    QStringList singleColumn(const char *sql, const QString &parameter);

    PGconn *m_conn = nullptr;
};

} // namespace plx
