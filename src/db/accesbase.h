#pragma once

#include "config/connectionprofile.h"
#include "db/recordtable.h"
#include "db/sqldialect.h"

#include <QString>

#include <functional>
#include <memory>
#include <source_location>
#include <vector>

namespace plx {

class BulkInsert;
class Engine;
class PreparedStatement;
class Recordset;
class RowCells;
class SqlTranslator;
class Trace;

// The single process-wide database access object. Callers hand it Access-flavoured SQL
// text (iif, CVDate, Cint, &, #MM/DD/YYYY# ...); it translates the text for the engine
// behind the connection and runs it. Every operation reports success as a flag and
// keeps the error text (lastError()); nothing throws.
//
// Engines: a .sqlite/.db file (SQLite), an Access .mdb/.accdb (ODBC on Windows; on other
// systems copied once into a SQLite working file beside it), PostgreSQL (libpq), Oracle
// and raw ODBC connection strings (QODBC).
class AccesBase
{
public:
    static AccesBase &instance();

    AccesBase();
    ~AccesBase();
    AccesBase(const AccesBase &) = delete;
    AccesBase &operator=(const AccesBase &) = delete;

    bool Connecter(const ConnectionProfile &profile, QString *error = nullptr);
    void Deconnecter();
    bool isConnected() const { return m_engine != nullptr; }

    // A server that goes away and comes back. A statement that fails because the link to
    // the server broke says so (its error names the server) and marks the connection
    // lost; the next statement issued outside a transaction first opens a new connection
    // with the same profile and login, without asking anything. A read, or the start of a
    // transaction, that meets a broken link outside a transaction is tried once more on
    // the new connection. Inside a transaction nothing reconnects: the transaction fails
    // as a whole and its caller may run it again.
    enum class LinkState { Connected, Lost, Restored };
    using LinkObserver = std::function<void(LinkState state, const QString &server,
                                            const QString &detail)>;
    void setLinkObserver(LinkObserver observer) { m_linkObserver = std::move(observer); }
    bool isLinkLost() const { return m_linkLost; }
    // For an error met by a prepared statement (which runs without this object): when it
    // was the link, marks it lost and returns the error naming the server; else the error.
    QString explainFailure(const QString &error) { return linkFailure(error); }
    // "srv:5432" for a server, the file name for a local database, "" when not connected.
    QString serverName() const;
    SqlDialect dialect() const;
    // Informational text of the last connection (e.g. an Access file copied into a
    // working file); empty when there is nothing to say.
    const QString &connectionNotice() const { return m_notice; }

    // INSERT, UPDATE, DELETE, CREATE, ALTER, DROP.
    bool Execute(const QString &sql, QString *error = nullptr,
                 std::source_location where = std::source_location::current());
    // DDL of schema steps and index creation. Same as Execute, traced as structure.
    bool ExecuteStructure(const QString &sql, QString *error = nullptr,
                          std::source_location where = std::source_location::current());
    // Inside a transaction, a statement allowed to fail: on PostgreSQL it is wrapped in a
    // savepoint so that its failure does not abort the transaction.
    bool tryExecute(const QString &sql, QString *error = nullptr,
                    std::source_location where = std::source_location::current());

    // A SELECT: rows x columns, NULLs kept. On failure, ok() is false and error() says why.
    RecordTable ExtraireRecords(const QString &sql,
                                std::source_location where = std::source_location::current());

    // A SELECT read row by row, without holding the whole result: reader gets each row's
    // values in SELECT-list order (the types of ExtraireRecords) and returns false to stop
    // early, which is not a failure. False (error set) when the statement fails.
    using RowReader = std::function<bool(const QVariant *values, int count)>;
    bool readRecords(const QString &sql, const RowReader &reader, QString *error = nullptr,
                     std::source_location where = std::source_location::current());
    // The same, each row handed over in place (see RowCells): for readers of many rows
    // that need a few conversions of their own.
    using CellReader = std::function<bool(const RowCells &row)>;
    bool readCells(const QString &sql, const CellReader &reader, QString *error = nullptr,
                   std::source_location where = std::source_location::current());

    // A statement with "?" marks (see PreparedStatement), translated once like any other
    // text: "DELETE FROM PLUVIO_12 WHERE DateCreation = ? AND TimeValue(Heure) = ?".
    // nullptr (error set) when the engine refuses it.
    std::unique_ptr<PreparedStatement> prepare(const QString &sql, QString *error = nullptr,
                                               std::source_location where = std::source_location::current());

    // Rows appended to table (a name made by the program, never typed) in bulk inside the
    // open transaction: PostgreSQL's COPY where the engine has it, else a prepared INSERT
    // run once per row. nullptr (error set) when refused.
    std::unique_ptr<BulkInsert> bulkInsert(const QString &table, const QStringList &columns,
                                           QString *error = nullptr,
                                           std::source_location where = std::source_location::current());

    // An updatable set over one table (SELECT ... FROM <table> [WHERE ...]).
    std::unique_ptr<Recordset> OuvrirRecordset(const QString &sql, QString *error = nullptr,
                                               std::source_location where = std::source_location::current());

    bool DebutTransaction(QString *error = nullptr);
    bool FinTransaction(bool commit, QString *error = nullptr);
    bool inTransaction() const { return m_transactionDepth > 0; }

    bool RenommerTable(const QString &from, const QString &to, QString *error = nullptr);

    // Sees every Access-flavoured statement handed to any access object, before translation,
    // with the place in the code that issued it and the dialect in force; mayFail is true
    // for the statements allowed to fail (tryExecute). For the test that replays all the
    // program's statements on fresh databases. An empty function removes it; without an
    // observer nothing is recorded.
    using StatementObserver = std::function<void(const QString &accessSql,
                                                 const std::source_location &where, bool mayFail,
                                                 SqlDialect dialect)>;
    static void setStatementObserver(StatementObserver observer);

    // Trace: level 0 nothing, 1 errors, 2 + statements, 3 + row counts and timings.
    // With toFile, lines also go to <data folder>/<applicationName>_trace.log.
    void InitialiserTrace(int level, const QString &applicationName, const QString &login,
                          bool toFile);
    void NiveauTrace(int level);

    // Catalog look-ups, in lower case on every engine.
    bool tableExists(const QString &table);
    bool columnExists(const QString &table, const QString &column);
    // True when error only says the table or column does not exist (see Engine).
    bool isMissingObjectError(const QString &error) const;

    // What ends a SELECT that must lock the rows it reads until the transaction ends:
    // " FOR UPDATE" where the engine locks rows; "" on SQLite, whose transactions already
    // hold the write lock from their start (BEGIN IMMEDIATE).
    QString rowLockClause() const;
    // The column that gives a row's place in its table where the engine has one that a
    // statement can go straight back to ("rowid" on SQLite, "ctid" through libpq), "" on
    // the others. Valid only while the row is locked and neither rewritten nor deleted (a
    // rewritten row moves on PostgreSQL; a deleted row's place may be given again).
    QString rowLocatorColumn() const;

    // The text the engine would receive (for traces, tests and the CLI).
    QString translate(const QString &accessSql) const;
    // A value as a literal of the engine's own SQL (used by record sets).
    QString engineLiteral(const QVariant &value) const;
    const QString &lastError() const { return m_lastError; }

    // Engine-level access for record sets: SQL that is already in the engine's dialect.
    bool executeNative(const QString &sql, QString *error);
    RecordTable queryNative(const QString &sql);

private:
    std::unique_ptr<Engine> openEngine(const ConnectionProfile &profile, QString *message);
    // Before a statement: reopens a lost link when no transaction is open. False (error
    // set) when the server still cannot be reached.
    bool ensureLink(QString *error);
    // After a failure: when it was the link, marks it lost and returns the error saying
    // so; else the error unchanged.
    QString linkFailure(const QString &error);
    bool retryable(const QString &error) const;
    void observe(const QString &sql, const std::source_location &where, bool mayFail) const;
    bool executeTranslated(const QString &sql, QString *error);
    bool report(bool ok, const QString &sql, const QString &error, QString *errorOut);
    // A read of sql through query, run again on a new link when it broke before any row.
    bool readWith(
        const QString &sql,
        const std::function<bool(const QString &native, qint64 &rows, QString *message)> &query,
        QString *error, std::source_location where);

    std::unique_ptr<Engine> m_engine;
    // Engines of links that broke: statements prepared on them may still be alive.
    std::vector<std::unique_ptr<Engine>> m_retired;
    ConnectionProfile m_profile;
    LinkObserver m_linkObserver;
    bool m_linkLost = false;
    std::unique_ptr<SqlTranslator> m_translator;
    std::unique_ptr<Trace> m_trace;
    QString m_lastError;
    QString m_notice;
    int m_transactionDepth = 0;
    int m_savepointCounter = 0;
};

} // namespace plx
