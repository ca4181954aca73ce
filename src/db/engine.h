#pragma once

#include "db/recordtable.h"
#include "db/sqldialect.h"

#include <QString>
#include <QStringList>

namespace plx {

// One open connection to one database server or file. Engines run SQL already in
// their own dialect: translation happens in AccesBase, above them.
class Engine
{
public:
    virtual ~Engine() = default;

    virtual SqlDialect dialect() const = 0;
    virtual bool exec(const QString &sql, QString *error) = 0;
    virtual RecordTable query(const QString &sql) = 0;

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

    virtual QString renameTableSql(const QString &from, const QString &to) const;
};

} // namespace plx
