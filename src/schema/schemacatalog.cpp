#include "schema/schemacatalog.h"

#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"

#include <QRegularExpression>

namespace plx {

namespace {

// Any number shared by the clients of the suite, so that they queue behind one another.
constexpr qint64 kSchemaLockKey = 0x504C5853; // "PLXS"

} // namespace

QString kindOfConnection(const AccesBase &db)
{
    switch (db.dialect()) {
    case SqlDialect::PostgreSQL:
        return QStringLiteral("POSTGRESQL");
    case SqlDialect::Oracle:
        return QStringLiteral("ORACLE");
    case SqlDialect::Access:
    case SqlDialect::SQLite:
        break;
    }
    return QStringLiteral("ACCESS");
}

ScopedConnectionKind::ScopedConnectionKind(const AccesBase &db)
{
    const QString kind = kindOfConnection(db);
    ConnectionProfile &profile = runProfile();
    if (profile.kind != kind) {
        m_saved = profile.kind;
        profile.kind = kind;
        m_changed = true;
    }
}

ScopedConnectionKind::~ScopedConnectionKind()
{
    if (m_changed)
        runProfile().kind = m_saved;
}

QString sameKey(const QString &column, const QString &value)
{
    return QStringLiteral("ucase(%1)=%2").arg(column, sqlQuote(value.toUpper()));
}

namespace {

bool hasSavepoints(const AccesBase &db)
{
    return db.dialect() == SqlDialect::SQLite || db.dialect() == SqlDialect::PostgreSQL;
}

} // namespace

bool lockSchema(AccesBase &db, QString *error)
{
    if (db.dialect() != SqlDialect::PostgreSQL)
        return true; // SQLite: BEGIN IMMEDIATE already holds the write lock
    const RecordTable lock =
        db.queryNative(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kSchemaLockKey));
    if (!lock.ok() && error)
        *error = lock.error();
    return lock.ok();
}

SchemaTransaction::SchemaTransaction(AccesBase &db) : m_db(db)
{
    if (m_db.inTransaction() && !hasSavepoints(m_db)) {
        m_ok = true; // join the caller's transaction
        return;
    }
    m_ok = m_db.DebutTransaction(&m_error);
    m_own = m_ok;
    if (m_ok && !lockSchema(m_db, &m_error)) {
        m_db.FinTransaction(false);
        m_ok = m_own = false;
    }
}

SchemaTransaction::~SchemaTransaction()
{
    rollback();
}

bool SchemaTransaction::commit()
{
    if (m_done)
        return m_ok;
    m_done = true;
    if (!m_own)
        return m_ok;
    m_ok = m_db.FinTransaction(true, &m_error);
    return m_ok;
}

void SchemaTransaction::rollback()
{
    if (m_done)
        return;
    m_done = true;
    if (m_own)
        m_db.FinTransaction(false);
}

namespace catalog {

namespace {

QString lowerLiteral(const QString &name)
{
    return sqlQuote(name.toLower());
}

QString upperLiteral(const QString &name)
{
    return sqlQuote(name.toUpper());
}

std::optional<bool> anyRow(AccesBase &db, const QString &sql)
{
    const RecordTable rows = db.queryNative(sql);
    if (!rows.ok())
        return std::nullopt;
    return rows.rowCount() > 0;
}

} // namespace

std::optional<bool> indexExists(AccesBase &db, const QString &index)
{
    switch (db.dialect()) {
    case SqlDialect::SQLite:
        return anyRow(db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND "
                                         "lower(name) = %1")
                              .arg(lowerLiteral(index)));
    case SqlDialect::PostgreSQL:
        return anyRow(db, QStringLiteral("SELECT 1 FROM pg_indexes WHERE schemaname = "
                                         "current_schema() AND indexname = %1")
                              .arg(lowerLiteral(index)));
    case SqlDialect::Oracle:
        return anyRow(db, QStringLiteral("SELECT 1 FROM user_indexes WHERE index_name = %1")
                              .arg(upperLiteral(index)));
    case SqlDialect::Access:
        break;
    }
    return std::nullopt;
}

std::optional<bool> viewExists(AccesBase &db, const QString &view)
{
    switch (db.dialect()) {
    case SqlDialect::SQLite:
        return anyRow(db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'view' AND "
                                         "lower(name) = %1")
                              .arg(lowerLiteral(view)));
    case SqlDialect::PostgreSQL:
        return anyRow(db, QStringLiteral("SELECT 1 FROM information_schema.views WHERE "
                                         "table_schema = current_schema() AND table_name = %1")
                              .arg(lowerLiteral(view)));
    case SqlDialect::Oracle:
        return anyRow(db, QStringLiteral("SELECT 1 FROM user_views WHERE view_name = %1")
                              .arg(upperLiteral(view)));
    case SqlDialect::Access:
        break;
    }
    return std::nullopt;
}

std::optional<QStringList> tablesMatching(AccesBase &db, const QString &pattern)
{
    QString sql;
    switch (db.dialect()) {
    case SqlDialect::SQLite:
        sql = QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'");
        break;
    case SqlDialect::PostgreSQL:
        sql = QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema "
                             "= current_schema() AND table_type = 'BASE TABLE'");
        break;
    case SqlDialect::Oracle:
        sql = QStringLiteral("SELECT table_name FROM user_tables");
        break;
    case SqlDialect::Access:
        return std::nullopt;
    }
    const RecordTable rows = db.queryNative(sql);
    if (!rows.ok())
        return std::nullopt;
    const QRegularExpression re(QRegularExpression::anchoredPattern(pattern),
                                QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString name = rows.text(r, 0);
        if (re.match(name).hasMatch())
            names << name;
    }
    return names;
}

std::optional<std::vector<IndexInfo>> indexesOf(AccesBase &db, const QString &table)
{
    std::vector<IndexInfo> indexes;
    switch (db.dialect()) {
    case SqlDialect::SQLite: {
        const RecordTable list =
            db.queryNative(QStringLiteral("SELECT name, \"unique\" FROM pragma_index_list(%1)")
                               .arg(sqlQuote(table)));
        if (!list.ok())
            return std::nullopt;
        for (int r = 0; r < list.rowCount(); ++r) {
            IndexInfo info{list.text(r, 0), list.at(r, 1).toInt() != 0, {}};
            const RecordTable columns = db.queryNative(
                QStringLiteral("SELECT name FROM pragma_index_info(%1) ORDER BY seqno")
                    .arg(sqlQuote(info.name)));
            if (!columns.ok())
                return std::nullopt;
            for (int c = 0; c < columns.rowCount(); ++c)
                info.columns << columns.text(c, 0).toLower();
            indexes.push_back(info);
        }
        return indexes;
    }
    case SqlDialect::PostgreSQL: {
        const RecordTable list = db.queryNative(
            QStringLiteral(
                "SELECT c.relname, ix.indisunique, (SELECT string_agg(a.attname, ',' ORDER BY k.n) "
                "FROM unnest(ix.indkey::int2[]) WITH ORDINALITY AS k(attnum, n) JOIN pg_attribute "
                "a ON a.attrelid = ix.indrelid AND a.attnum = k.attnum) FROM pg_index ix JOIN "
                "pg_class c ON c.oid = ix.indexrelid JOIN pg_class t ON t.oid = ix.indrelid JOIN "
                "pg_namespace ns ON ns.oid = t.relnamespace WHERE ns.nspname = current_schema() "
                "AND t.relname = %1")
                .arg(lowerLiteral(table)));
        if (!list.ok())
            return std::nullopt;
        for (int r = 0; r < list.rowCount(); ++r) {
            indexes.push_back(
                {list.text(r, 0), list.at(r, 1).toInt() != 0,
                 list.text(r, 2).toLower().split(QLatin1Char(','), Qt::SkipEmptyParts)});
        }
        return indexes;
    }
    case SqlDialect::Oracle: {
        const RecordTable list = db.queryNative(
            QStringLiteral("SELECT i.index_name, i.uniqueness, c.column_name FROM user_indexes i "
                           "JOIN user_ind_columns c ON c.index_name = i.index_name WHERE "
                           "i.table_name = %1 ORDER BY i.index_name, c.column_position")
                .arg(upperLiteral(table)));
        if (!list.ok())
            return std::nullopt;
        for (int r = 0; r < list.rowCount(); ++r) {
            const QString name = list.text(r, 0);
            if (indexes.empty() || indexes.back().name != name)
                indexes.push_back({name, list.text(r, 1) == QLatin1String("UNIQUE"), {}});
            indexes.back().columns << list.text(r, 2).toLower();
        }
        return indexes;
    }
    case SqlDialect::Access:
        break;
    }
    return std::nullopt;
}

std::optional<int> textLength(AccesBase &db, const QString &table, const QString &column)
{
    QString sql;
    switch (db.dialect()) {
    case SqlDialect::PostgreSQL:
        sql = QStringLiteral("SELECT character_maximum_length FROM information_schema.columns "
                             "WHERE table_schema = current_schema() AND table_name = %1 AND "
                             "column_name = %2")
                  .arg(lowerLiteral(table), lowerLiteral(column));
        break;
    case SqlDialect::Oracle:
        sql = QStringLiteral("SELECT char_length FROM user_tab_columns WHERE table_name = %1 AND "
                             "column_name = %2")
                  .arg(upperLiteral(table), upperLiteral(column));
        break;
    case SqlDialect::SQLite: // lengths are not enforced
    case SqlDialect::Access:
        return std::nullopt;
    }
    const RecordTable rows = db.queryNative(sql);
    if (!rows.ok() || rows.rowCount() == 0 || rows.at(0, 0).isNull())
        return std::nullopt;
    return rows.at(0, 0).toInt();
}

} // namespace catalog

SchemaWriter::SchemaWriter(AccesBase &db) : m_db(db) {}

SqlDialect SchemaWriter::dialect() const
{
    return m_db.dialect();
}

QString SchemaWriter::typeName(const ColumnSpec &column) const
{
    const QString kind = kindOfConnection(m_db);
    const ColumnTypes types = columnTypes(kind);
    switch (column.type) {
    case ColumnType::Text:
        return types.textOfLength(column.length);
    case ColumnType::Short:
        return types.shortInteger;
    case ColumnType::Long:
        return types.longInteger;
    case ColumnType::Double:
        return types.number;
    case ColumnType::DateTime:
        return types.dateTime;
    case ColumnType::Memo:
        return types.memo;
    case ColumnType::YesNo:
        return types.yesNo;
    case ColumnType::UserText: {
        const QString text = userTableTypes(kind).text;
        return column.length > 0 ? text + QStringLiteral("(%1)").arg(column.length) : text;
    }
    case ColumnType::UserNumber:
        return userTableTypes(kind).number;
    case ColumnType::Counter:
        // SQLite numbers a plain INTEGER PRIMARY KEY itself; AUTOINCREMENT would also
        // write its bookkeeping table at every insert.
        if (m_db.dialect() == SqlDialect::SQLite)
            return QStringLiteral("INTEGER PRIMARY KEY");
        return types.autoIncrement + QStringLiteral(" PRIMARY KEY");
    }
    return QString();
}

bool SchemaWriter::tableExists(const QString &table)
{
    return m_db.tableExists(table);
}

bool SchemaWriter::columnExists(const QString &table, const QString &column)
{
    return m_db.columnExists(table, column);
}

bool SchemaWriter::run(const QString &sql, const QString &change)
{
    QString error;
    if (!m_db.tryExecute(sql, &error)) {
        m_failures << QStringLiteral("%1 : %2").arg(sql.trimmed(), error);
        return false;
    }
    if (!change.isEmpty())
        m_changes << change;
    return true;
}

bool SchemaWriter::runNative(const QString &sql, const QString &change)
{
    // tryExecute for text that must not be translated: a savepoint keeps a failure from
    // aborting the enclosing PostgreSQL transaction.
    static int counter = 0;
    const bool savepoint = m_db.inTransaction() && hasSavepoints(m_db);
    const QString name = QStringLiteral("plx_schema_%1").arg(++counter);
    QString ignored;
    if (savepoint)
        m_db.executeNative(QStringLiteral("SAVEPOINT ") + name, &ignored);
    QString error;
    const bool ok = m_db.executeNative(sql, &error);
    if (savepoint)
        m_db.executeNative(
            (ok ? QStringLiteral("RELEASE SAVEPOINT ") : QStringLiteral("ROLLBACK TO SAVEPOINT ")) +
                name,
            &ignored);
    if (!ok) {
        m_failures << QStringLiteral("%1 : %2").arg(sql.trimmed(), error);
        return false;
    }
    if (!change.isEmpty())
        m_changes << change;
    return true;
}

bool SchemaWriter::createIfAbsent(const TableSpec &table)
{
    if (tableExists(table.name))
        return false;
    QStringList columns;
    for (const ColumnSpec &column : table.columns)
        columns << column.name + QLatin1Char(' ') + typeName(column);
    run(QStringLiteral("CREATE TABLE %1 (%2)").arg(table.name, columns.join(QStringLiteral(", "))),
        QStringLiteral("Table %1 créée").arg(table.name));
    return true;
}

bool SchemaWriter::ensureTable(const TableSpec &table)
{
    if (createIfAbsent(table))
        return true;
    for (const ColumnSpec &column : table.columns)
        ensureColumn(table.name, column);
    return false;
}

void SchemaWriter::ensureColumn(const QString &table, const ColumnSpec &column,
                                const QString &afterAdd)
{
    if (columnExists(table, column.name))
        return;
    if (run(QStringLiteral("ALTER TABLE %1 ADD %2 %3").arg(table, column.name, typeName(column)),
            QStringLiteral("Colonne %1.%2 ajoutée").arg(table, column.name)) &&
        !afterAdd.isEmpty())
        run(afterAdd);
}

void SchemaWriter::ensureIndex(const QString &index, const QString &table, const QString &columns,
                               bool unique)
{
    const std::optional<bool> exists = catalog::indexExists(m_db, index);
    if (exists.value_or(false))
        return;
    const QString sql =
        QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
            .arg(unique ? QStringLiteral("UNIQUE ") : QString(), index, table, columns);
    if (exists.has_value()) {
        run(sql, QStringLiteral("Index %1 créé").arg(index));
        return;
    }
    // No catalog (Access through ODBC): the statement fails when the index exists.
    if (m_db.tryExecute(sql))
        note(QStringLiteral("Index %1 créé").arg(index));
}

void SchemaWriter::widenText(const QString &table, const QString &column, int length)
{
    if (!columnExists(table, column))
        return;
    const QString type = typeName({column, ColumnType::Text, length});
    const QString change =
        QStringLiteral("Colonne %1.%2 élargie à %3 caractères").arg(table, column).arg(length);
    switch (dialect()) {
    case SqlDialect::SQLite:
        return; // SQLite does not enforce text lengths
    case SqlDialect::PostgreSQL: {
        const std::optional<int> current = catalog::textLength(m_db, table, column);
        if (!current || *current >= length)
            return;
        runNative(QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 TYPE %3").arg(table, column, type),
                  change);
        return;
    }
    case SqlDialect::Oracle: {
        const std::optional<int> current = catalog::textLength(m_db, table, column);
        if (!current || *current >= length)
            return;
        runNative(QStringLiteral("ALTER TABLE %1 MODIFY (%2 %3)").arg(table, column, type), change);
        return;
    }
    case SqlDialect::Access:
        // No catalog of lengths: widening an already wide column changes nothing.
        m_db.tryExecute(
            QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 %3").arg(table, column, type));
        return;
    }
}

void SchemaWriter::dropColumn(const QString &table, const QString &column)
{
    if (!columnExists(table, column))
        return;
    run(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(table, column),
        QStringLiteral("Colonne %1.%2 supprimée").arg(table, column));
}

bool SchemaWriter::dropTable(const QString &table)
{
    if (!tableExists(table))
        return true;
    return run(QStringLiteral("DROP TABLE %1").arg(table),
               QStringLiteral("Table %1 supprimée").arg(table));
}

} // namespace plx
