#pragma once

#include "db/sqldialect.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace plx {

class AccesBase;

// Column roles of the schema steps: the Access type words, and the
// shorter pair the user tables are created and widened with.
// Counter: a whole number the engine gives each new row, the table's primary key.
enum class ColumnType { Text, Short, Long, Double, DateTime, Memo, YesNo, UserText, UserNumber, Counter };

struct ColumnSpec
{
    QString name;
    ColumnType type = ColumnType::Text;
    int length = 0; // text lengths
};

struct TableSpec
{
    QString name;
    std::vector<ColumnSpec> columns; // creation order; later additions last
};

// The profile kind ("ACCESS", "POSTGRESQL", "ORACLE") whose dialect rules fit the open
// connection: a SQLite file is an "ACCESS" database behind the translator.
QString kindOfConnection(const AccesBase &db);

// The dialect helpers (FormatDateSQL, columnTypes(), userTableTypes()) read the kind of
// the run profile. The command-line tool and the tests open connections without a run
// profile: for the duration of a schema operation the kind is made that of the
// connection, and put back afterwards. In the client the two already agree.
class ScopedConnectionKind
{
public:
    explicit ScopedConnectionKind(const AccesBase &db);
    ~ScopedConnectionKind();
    ScopedConnectionKind(const ScopedConnectionKind &) = delete;
    ScopedConnectionKind &operator=(const ScopedConnectionKind &) = delete;

private:
    QString m_saved;
    bool m_changed = false;
};

// Inside a transaction, takes the schema lock until the transaction ends: a PostgreSQL
// advisory lock (on SQLite, BEGIN IMMEDIATE has already taken the write lock). Two
// clients starting together then create, fill or upgrade one after the other.
bool lockSchema(AccesBase &db, QString *error = nullptr);

// A transaction around one schema operation: a real one when none is open, a nested one
// (a savepoint) inside an open one where the engine has savepoints, else none, so that
// the operation joins the caller's transaction. Takes the schema lock. Rolls back unless
// commit() is called.
class SchemaTransaction
{
public:
    explicit SchemaTransaction(AccesBase &db);
    ~SchemaTransaction();
    SchemaTransaction(const SchemaTransaction &) = delete;
    SchemaTransaction &operator=(const SchemaTransaction &) = delete;

    bool started() const { return m_ok; }
    const QString &error() const { return m_error; }
    bool commit();
    void rollback();

private:
    AccesBase &m_db;
    QString m_error;
    bool m_ok = false;
    bool m_own = false; // we opened something that we must close
    bool m_done = false;
};

// "ucase(<column>)='<VALUE>'": program keys (Module, Identifiant ...) compared without
// regard to case, as Access compared them, whatever the engine's collation.
QString sameKey(const QString &column, const QString &value);

// Catalog questions the schema steps ask. Each answers from the database's catalog, never
// from a failing statement; nullopt means the engine gives no catalog to ask (an Access
// file through ODBC), and the caller then tries its statement and ignores its failure.
namespace catalog {

std::optional<bool> indexExists(AccesBase &db, const QString &index);
std::optional<bool> viewExists(AccesBase &db, const QString &view);
// Tables whose name matches the pattern (a QRegularExpression, matched case-insensitively
// against the whole name), as the catalog spells them; nullopt when unknown.
std::optional<QStringList> tablesMatching(AccesBase &db, const QString &pattern);

struct IndexInfo
{
    QString name;
    bool unique = false;
    QStringList columns; // lower case, in index order
};
std::optional<std::vector<IndexInfo>> indexesOf(AccesBase &db, const QString &table);

// The declared length of a text column; nullopt when unknown or not limited.
std::optional<int> textLength(AccesBase &db, const QString &table, const QString &column);

} // namespace catalog

// Statements of one schema run: it creates what the catalog says is missing, records
// what it changed in French for the report, and collects the statements that failed
// (each run with tryExecute, so that a failure never aborts the enclosing transaction on
// PostgreSQL) instead of stopping at the first.
class SchemaWriter
{
public:
    explicit SchemaWriter(AccesBase &db);

    AccesBase &db() const { return m_db; }
    SqlDialect dialect() const;
    QString typeName(const ColumnSpec &column) const;

    // Creates the table with every column when it is absent, else adds the missing
    // columns (ALTER TABLE ... ADD ...). Returns true when the table had to be created.
    bool ensureTable(const TableSpec &table);
    // Creates the table when it is absent and leaves an existing one as it is: for the
    // sister modules' tables, whose owners decide their columns.
    bool createIfAbsent(const TableSpec &table);
    void ensureColumn(const QString &table, const ColumnSpec &column, const QString &afterAdd = {});
    void ensureIndex(const QString &index, const QString &table, const QString &columns,
                     bool unique = false);
    void widenText(const QString &table, const QString &column, int length);
    void dropColumn(const QString &table, const QString &column);
    bool dropTable(const QString &table);

    // One statement (Access-flavoured SQL) that may fail; change is the French line added
    // to the report when it succeeds (nothing when empty).
    bool run(const QString &sql, const QString &change = {});
    // Same for SQL already in the engine's own dialect.
    bool runNative(const QString &sql, const QString &change = {});

    bool tableExists(const QString &table);
    bool columnExists(const QString &table, const QString &column);

    void note(const QString &change) { m_changes << change; }
    void warn(const QString &warning) { m_warnings << warning; }
    void fail(const QString &failure) { m_failures << failure; }

    const QStringList &changes() const { return m_changes; }
    const QStringList &warnings() const { return m_warnings; }
    const QStringList &failures() const { return m_failures; }

private:
    AccesBase &m_db;
    QStringList m_changes;
    QStringList m_warnings;
    QStringList m_failures;
};

} // namespace plx
