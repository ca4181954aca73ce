#pragma once

#include "db/engine.h"

#include <QSqlDatabase>

namespace plx {

// An ODBC connection through QODBC: Oracle (its ODBC driver, or a DSN for the "DNS"
// profile variants), Access files on Windows, or any connection string. The dialect
// follows the database behind the driver.
class OdbcEngine final : public Engine
{
public:
    ~OdbcEngine() override;

    bool open(const QString &connectionString, QString *error);

    // The connection string of a profile kind ("ORACLE", "ORACLE2", ...; an Access file).
    static QString oracleConnectionString(const QString &kind, const QString &server,
                                          const QString &port, const QString &database,
                                          const QString &user, const QString &password);
    static QString accessConnectionString(const QString &path);

    SqlDialect dialect() const override { return m_dialect; }
    bool exec(const QString &sql, QString *error) override;
    RecordTable query(const QString &sql) override;
    bool tableExists(const QString &table) override;
    QStringList columnNames(const QString &table) override;
    bool isMissingObjectError(const QString &error) const override;
    bool begin(QString *error) override;
    bool commit(QString *error) override;
    bool rollback(QString *error) override;
    bool supportsSavepoints() const override { return m_dialect != SqlDialect::Access; }

private:
    QSqlDatabase database() const;
    // On PostgreSQL: standard_conforming_strings on for the session, or the refusal.
    bool makeQuotingSafe(QString *error);

    QString m_name;
    SqlDialect m_dialect = SqlDialect::Access;
};

} // namespace plx
