#pragma once

#include "db/recordtable.h"
#include "db/sqldialect.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace plx {

class BulkInsert;
class PreparedStatement;
class RowCells;

// One open connection to one database server or file. Engines run SQL already in
// their own dialect: translation happens in AccesBase, above them.
class Engine
{
public:
    virtual ~Engine() = default;

    virtual SqlDialect dialect() const = 0;
    virtual bool exec(const QString &sql, QString *error) = 0;
    virtual RecordTable query(const QString &sql) = 0;

    // A SELECT handed to reader row by row (false from reader stops it). The default
    // runs query() and walks the result; engines that can stream do so.
    using RowReader = std::function<bool(const QVariant *values, int count)>;
    virtual bool queryRows(const QString &sql, const RowReader &reader, QString *error);
    // The same, each row handed over in place (see RowCells). The default reads the row's
    // values first; engines that can convert a cell when asked do so.
    using CellReader = std::function<bool(const RowCells &row)>;
    virtual bool queryCells(const QString &sql, const CellReader &reader, QString *error);

    // A statement with "?" marks (see PreparedStatement). The default substitutes each
    // value as this engine's literal and runs the text: engines with real prepared
    // statements do better. The statement must not outlive the engine.
    virtual std::unique_ptr<PreparedStatement> prepare(const QString &sql, QString *error);

    // Rows streamed into table's columns (see BulkInsert), where the engine has a faster
    // way than a prepared INSERT per row; nullptr (no error) when it has none.
    virtual std::unique_ptr<BulkInsert> bulkInsert(const QString &table,
                                                   const QStringList &columns, QString *error);

    // Catalog look-ups (names compared case-insensitively).
    virtual bool tableExists(const QString &table) = 0;
    virtual QStringList columnNames(const QString &table) = 0;

    // True when the error text says the table or column named does not exist, as
    // opposed to a lock, a timeout or a lost connection.
    virtual bool isMissingObjectError(const QString &error) const = 0;

    // A value as a literal of this engine's own SQL (no translation applies to it).
    virtual QString literal(const QVariant &value) const;

    // Transactions; savepoints let a statement fail inside one without aborting it.
    virtual bool begin(QString *error) { return exec(QStringLiteral("BEGIN"), error); }
    virtual bool commit(QString *error) { return exec(QStringLiteral("COMMIT"), error); }
    virtual bool rollback(QString *error) { return exec(QStringLiteral("ROLLBACK"), error); }
    virtual bool supportsSavepoints() const { return true; }
    // See AccesBase::rowLocatorColumn: only where the engine binds a value back to it
    // unchanged (an ODBC driver may declare a text parameter the column's type refuses).
    virtual QString rowLocatorColumn() const { return QString(); }

    virtual QString renameTableSql(const QString &from, const QString &to) const;

    // True once the link to the server is known to be gone (a file never loses it).
    virtual bool connectionLost() const { return false; }
    // True when error says the link to the server failed (libpq's broken connection, the
    // communication-link SQLSTATEs 08xxx, a server shutting the session down), as opposed
    // to a refused statement.
    virtual bool isConnectionError(const QString &error) const;
    // The server's name for messages: "srv.example.org:5432"; "" for a file.
    virtual QString serverName() const { return QString(); }
};

} // namespace plx
