#include "db/accesbase.h"

#include "db/accessworkingcopy.h"
#include "db/mdbimport.h"

#include "db/odbcengine.h"
#include "db/pgengine.h"
#include "db/bulkinsert.h"
#include "db/preparedstatement.h"
#include "db/recordset.h"
#include "db/sqliteengine.h"
#include "db/sqltranslator.h"
#include "db/trace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>

namespace plx {

namespace {

bool isAccessFile(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("mdb") || suffix == QLatin1String("accdb")
           || suffix == QLatin1String("zip");
}

} // namespace

AccesBase &AccesBase::instance()
{
    static AccesBase db;
    static const bool closesWithApplication = [] {
        // Qt's ODBC connections must close while Qt still runs, not among the static
        // destructors at exit.
        qAddPostRoutine([] { AccesBase::instance().Deconnecter(); });
        return true;
    }();
    Q_UNUSED(closesWithApplication);
    return db;
}

AccesBase::AccesBase() : m_trace(std::make_unique<Trace>()) {}

AccesBase::~AccesBase() = default;

SqlDialect AccesBase::dialect() const
{
    return m_engine ? m_engine->dialect() : SqlDialect::Access;
}

std::unique_ptr<Engine> AccesBase::openEngine(const ConnectionProfile &profile, QString *message)
{
    std::unique_ptr<Engine> engine;
    const QString kind = profile.kind.trimmed().toUpper();
    if (kind == QLatin1String("ACCESS")) {
        if (isAccessFile(profile.database)) {
#ifdef Q_OS_WIN
            // The Access driver would only say it has no password: say what the file is.
            *message = accessProtectionRefusal(profile.database);
            auto odbc = std::make_unique<OdbcEngine>();
            if (message->isEmpty()
                && odbc->open(OdbcEngine::accessConnectionString(profile.database), message))
                engine = std::move(odbc);
#else
            const QString working = accessWorkingCopy(profile.database, &m_notice, message);
            auto sqlite = std::make_unique<SqliteEngine>();
            if (!working.isEmpty() && sqlite->open(working, false, message))
                engine = std::move(sqlite);
#endif
        } else {
            auto sqlite = std::make_unique<SqliteEngine>();
            if (sqlite->open(profile.database, profile.createIfMissing, message))
                engine = std::move(sqlite);
        }
    } else if (kind == QLatin1String("POSTGRESQL")) {
        auto pg = std::make_unique<PgEngine>();
        if (pg->open(profile.server, profile.port, profile.database, profile.user, profile.password,
                     profile.applicationName, message))
            engine = std::move(pg);
    } else if (kind.startsWith(QLatin1String("ORACLE")) || kind == QLatin1String("ODBC")) {
        const QString connection =
            kind == QLatin1String("ODBC")
                ? profile.database
                : OdbcEngine::oracleConnectionString(kind, profile.server, profile.port,
                                                     profile.database, profile.user,
                                                     profile.password);
        auto odbc = std::make_unique<OdbcEngine>();
        if (odbc->open(connection, message))
            engine = std::move(odbc);
    } else {
        *message = QStringLiteral("Type de base de données inconnu : « %1 ».").arg(profile.kind);
    }
    return engine;
}

bool AccesBase::Connecter(const ConnectionProfile &profile, QString *error)
{
    Deconnecter();
    m_notice.clear();
    QString message;
    std::unique_ptr<Engine> engine = openEngine(profile, &message);
    const QString kind = profile.kind.trimmed().toUpper();
    if (!engine)
        return report(false, QStringLiteral("[connexion %1]").arg(kind), message, error);
    m_engine = std::move(engine);
    m_translator = std::make_unique<SqlTranslator>(m_engine->dialect());
    m_profile = profile;
    m_linkLost = false;
    if (m_linkObserver)
        m_linkObserver(LinkState::Connected, serverName(), QString());
    return report(true, QString(), QString(), error);
}

QString AccesBase::serverName() const
{
    if (!m_engine)
        return QString();
    const QString server = m_engine->serverName();
    if (!server.isEmpty())
        return server;
    if (m_engine->dialect() == SqlDialect::SQLite)
        return QFileInfo(m_profile.database).fileName();
    // Never the ODBC connection string: it may hold the password.
    if (m_profile.server.isEmpty())
        return QStringLiteral("source ODBC");
    return m_profile.port.isEmpty() ? m_profile.server
                                    : m_profile.server + QLatin1Char(':') + m_profile.port;
}

bool AccesBase::ensureLink(QString *error)
{
    if (!m_engine) {
        if (error)
            *error = QStringLiteral("Aucune base de données n'est connectée.");
        return false;
    }
    if (m_transactionDepth > 0 || !(m_linkLost || m_engine->connectionLost()))
        return true;
    const QString server = serverName();
    QString message;
    std::unique_ptr<Engine> engine = openEngine(m_profile, &message);
    if (!engine || engine->dialect() != m_engine->dialect()) {
        m_linkLost = true;
        if (error)
            *error = QStringLiteral("Le serveur « %1 » ne répond pas : la connexion n'a pas pu "
                                    "être rétablie (%2).")
                         .arg(server, message);
        if (m_linkObserver)
            m_linkObserver(LinkState::Lost, server, message);
        return false;
    }
    m_retired.push_back(std::move(m_engine));
    m_engine = std::move(engine);
    m_linkLost = false;
    if (m_linkObserver)
        m_linkObserver(LinkState::Restored, server, QString());
    return true;
}

bool AccesBase::retryable(const QString &error) const
{
    return m_transactionDepth == 0 && m_engine && m_linkLost && !error.isEmpty();
}

QString AccesBase::linkFailure(const QString &error)
{
    if (!m_engine || !(m_engine->connectionLost() || m_engine->isConnectionError(error)))
        return error;
    const QString server = serverName();
    if (!m_linkLost && m_linkObserver)
        m_linkObserver(LinkState::Lost, server, error);
    m_linkLost = true;
    return QStringLiteral("La connexion au serveur « %1 » a été perdue : %2").arg(server, error);
}

void AccesBase::Deconnecter()
{
    m_engine.reset();
    m_retired.clear();
    m_linkLost = false;
    m_translator.reset();
    m_transactionDepth = 0;
}

bool AccesBase::report(bool ok, const QString &sql, const QString &error, QString *errorOut)
{
    m_lastError = ok ? QString() : error;
    if (!ok)
        m_trace->error(sql, error);
    if (errorOut)
        *errorOut = m_lastError;
    return ok;
}

QString AccesBase::translate(const QString &accessSql) const
{
    return m_translator ? m_translator->translate(accessSql) : accessSql;
}

QString AccesBase::rowLockClause() const
{
    const SqlDialect d = dialect();
    return d == SqlDialect::PostgreSQL || d == SqlDialect::Oracle ? QStringLiteral(" FOR UPDATE")
                                                                   : QString();
}

QString AccesBase::rowLocatorColumn() const
{
    return m_engine ? m_engine->rowLocatorColumn() : QString();
}

QString AccesBase::engineLiteral(const QVariant &value) const
{
    return m_engine ? m_engine->literal(value) : QString();
}

bool AccesBase::executeNative(const QString &sql, QString *error)
{
    QString message;
    if (!ensureLink(&message))
        return report(false, sql, message, error);
    QElapsedTimer timer;
    timer.start();
    const bool ok = m_engine->exec(sql, &message);
    if (ok)
        m_trace->statement(sql, timer.elapsed());
    else
        message = linkFailure(message);
    return report(ok, sql, message, error);
}

RecordTable AccesBase::queryNative(const QString &sql)
{
    QString message;
    if (!ensureLink(&message)) {
        RecordTable table;
        table.fail(message);
        report(false, sql, table.error(), nullptr);
        return table;
    }
    QElapsedTimer timer;
    timer.start();
    RecordTable table = m_engine->query(sql);
    if (!table.ok()) {
        QString failure = linkFailure(table.error());
        // A read outside a transaction is run again once on a new connection.
        if (retryable(failure) && ensureLink(nullptr)) {
            table = m_engine->query(sql);
            if (!table.ok())
                failure = linkFailure(table.error());
        }
        if (!table.ok())
            table.fail(failure);
    }
    if (table.ok())
        m_trace->statement(sql, timer.elapsed(), table.rowCount());
    report(table.ok(), sql, table.error(), nullptr);
    return table;
}

namespace {

AccesBase::StatementObserver &statementObserver()
{
    static AccesBase::StatementObserver observer;
    return observer;
}

} // namespace

void AccesBase::setStatementObserver(StatementObserver observer)
{
    statementObserver() = std::move(observer);
}

void AccesBase::observe(const QString &sql, const std::source_location &where, bool mayFail) const
{
    if (const StatementObserver &observer = statementObserver())
        observer(sql, where, mayFail, dialect());
}

bool AccesBase::executeTranslated(const QString &sql, QString *error)
{
    return executeNative(translate(sql), error);
}

bool AccesBase::Execute(const QString &sql, QString *error, std::source_location where)
{
    observe(sql, where, false);
    return executeTranslated(sql, error);
}

bool AccesBase::ExecuteStructure(const QString &sql, QString *error, std::source_location where)
{
    observe(sql, where, false);
    return executeTranslated(sql, error);
}

bool AccesBase::tryExecute(const QString &sql, QString *error, std::source_location where)
{
    observe(sql, where, true);
    if (!m_engine || m_transactionDepth == 0 || !m_engine->supportsSavepoints())
        return executeTranslated(sql, error);
    const QString savepoint = QStringLiteral("plx_try_%1").arg(++m_savepointCounter);
    QString ignored;
    executeNative(QStringLiteral("SAVEPOINT ") + savepoint, &ignored);
    const bool ok = executeTranslated(sql, error);
    const QString failure = m_lastError;
    executeNative((ok ? QStringLiteral("RELEASE SAVEPOINT ") : QStringLiteral("ROLLBACK TO SAVEPOINT "))
                      + savepoint,
                  &ignored);
    // Keep the statement's own outcome, not the savepoint's.
    return report(ok, sql, failure, error);
}

RecordTable AccesBase::ExtraireRecords(const QString &sql, std::source_location where)
{
    observe(sql, where, false);
    return queryNative(translate(sql));
}

bool AccesBase::readRecords(const QString &sql, const RowReader &reader, QString *error,
                            std::source_location where)
{
    return readWith(
        sql,
        [&](const QString &native, qint64 &rows, QString *message) {
            return m_engine->queryRows(
                native,
                [&](const QVariant *values, int count) {
                    ++rows;
                    return reader(values, count);
                },
                message);
        },
        error, where);
}

bool AccesBase::readCells(const QString &sql, const CellReader &reader, QString *error,
                          std::source_location where)
{
    return readWith(
        sql,
        [&](const QString &native, qint64 &rows, QString *message) {
            return m_engine->queryCells(
                native,
                [&](const RowCells &cells) {
                    ++rows;
                    return reader(cells);
                },
                message);
        },
        error, where);
}

bool AccesBase::readWith(
    const QString &sql,
    const std::function<bool(const QString &native, qint64 &rows, QString *message)> &query,
    QString *error, std::source_location where)
{
    observe(sql, where, false);
    const QString native = translate(sql);
    QString message;
    if (!ensureLink(&message))
        return report(false, native, message, error);
    QElapsedTimer timer;
    timer.start();
    qint64 rows = 0;
    const auto run = [&] { return query(native, rows, &message); };
    bool ok = run();
    if (!ok) {
        message = linkFailure(message);
        // Run again on a new connection only when no row reached the reader.
        if (rows == 0 && retryable(message) && ensureLink(nullptr)) {
            message.clear();
            ok = run();
            if (!ok)
                message = linkFailure(message);
        }
    }
    if (ok)
        m_trace->statement(native, timer.elapsed(), int(rows));
    return report(ok, native, message, error);
}

std::unique_ptr<PreparedStatement> AccesBase::prepare(const QString &sql, QString *error,
                                                      std::source_location where)
{
    observe(sql, where, false);
    const QString native = translate(sql);
    QString message;
    if (!ensureLink(&message)) {
        report(false, native, message, error);
        return nullptr;
    }
    std::unique_ptr<PreparedStatement> statement = m_engine->prepare(native, &message);
    if (!statement)
        message = linkFailure(message);
    report(statement != nullptr, native, message, error);
    return statement;
}

namespace {

// The rows one by one through a prepared INSERT: engines without a bulk path.
class PreparedInsert final : public BulkInsert
{
public:
    explicit PreparedInsert(std::unique_ptr<PreparedStatement> statement)
        : m_statement(std::move(statement))
    {
    }
    bool add(const QVariantList &values, QString *error) override
    {
        return m_statement->exec(values, error);
    }
    bool finish(QString *) override { return true; }

private:
    std::unique_ptr<PreparedStatement> m_statement;
};

} // namespace

std::unique_ptr<BulkInsert> AccesBase::bulkInsert(const QString &table, const QStringList &columns,
                                                  QString *error, std::source_location where)
{
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    // The statement the rows amount to, for the observer and the engines without COPY.
    const QString insert = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                           columns.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                           marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    QString message;
    if (m_engine && m_engine->dialect() == SqlDialect::PostgreSQL) {
        observe(insert, where, false);
        if (!ensureLink(&message)) {
            report(false, insert, message, error);
            return nullptr;
        }
        std::unique_ptr<BulkInsert> copy = m_engine->bulkInsert(table, columns, &message);
        if (copy || !message.isEmpty()) {
            if (!copy)
                message = linkFailure(message);
            report(copy != nullptr, insert, message, error);
            return copy;
        }
    }
    std::unique_ptr<PreparedStatement> statement = prepare(insert, error, where);
    if (!statement)
        return nullptr;
    return std::make_unique<PreparedInsert>(std::move(statement));
}

std::unique_ptr<Recordset> AccesBase::OuvrirRecordset(const QString &sql, QString *error,
                                                      std::source_location where)
{
    // An updatable set reads one table: the first name after FROM.
    static const QRegularExpression from(
        QStringLiteral(R"(\bFROM\s+(\[[^\]]+\]|"[^"]+"|[\w.]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = from.match(sql);
    if (!match.hasMatch()) {
        report(false, sql, QStringLiteral("Requête sans table : le jeu d'enregistrements ne peut pas être modifié."),
               error);
        return nullptr;
    }
    const RecordTable table = ExtraireRecords(sql, where);
    if (!table.ok()) {
        if (error)
            *error = table.error();
        return nullptr;
    }
    std::vector<std::vector<QVariant>> rows(size_t(table.rowCount()));
    for (int r = 0; r < table.rowCount(); ++r) {
        rows[size_t(r)].reserve(size_t(table.columnCount()));
        for (int c = 0; c < table.columnCount(); ++c)
            rows[size_t(r)].push_back(table.at(r, c));
    }
    return std::make_unique<Recordset>(*this, match.captured(1), table.columnNames(), std::move(rows));
}

bool AccesBase::DebutTransaction(QString *error)
{
    QString message;
    if (!ensureLink(&message))
        return report(false, QStringLiteral("BEGIN"), message, error);
    // A nested transaction is a savepoint: an inner rollback undoes only its own work.
    bool ok = m_transactionDepth == 0
                  ? m_engine->begin(&message)
                  : m_engine->exec(QStringLiteral("SAVEPOINT plx_tx_%1").arg(m_transactionDepth), &message);
    if (!ok) {
        message = linkFailure(message);
        // Nothing has run yet: the transaction may start on a new connection.
        if (retryable(message) && ensureLink(nullptr)) {
            message.clear();
            ok = m_engine->begin(&message);
        }
        if (!ok)
            message = linkFailure(message);
    }
    if (ok)
        ++m_transactionDepth;
    return report(ok, QStringLiteral("BEGIN"), message, error);
}

bool AccesBase::FinTransaction(bool commit, QString *error)
{
    if (!m_engine || m_transactionDepth == 0)
        return report(false, QStringLiteral("COMMIT"), QStringLiteral("Aucune transaction n'est en cours."), error);
    QString message;
    --m_transactionDepth;
    bool ok;
    if (m_transactionDepth > 0) {
        const QString name = QStringLiteral("plx_tx_%1").arg(m_transactionDepth);
        ok = commit ? m_engine->exec(QStringLiteral("RELEASE SAVEPOINT ") + name, &message)
                    : m_engine->exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name, &message);
    } else {
        ok = commit ? m_engine->commit(&message) : m_engine->rollback(&message);
        if (!ok && commit) {
            // A failed COMMIT leaves nothing half-done: undo explicitly.
            QString ignored;
            m_engine->rollback(&ignored);
        }
        if (!ok)
            message = linkFailure(message);
    }
    return report(ok, commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"), message, error);
}

bool AccesBase::RenommerTable(const QString &from, const QString &to, QString *error)
{
    if (!m_engine)
        return report(false, QString(), QStringLiteral("Aucune base de données n'est connectée."), error);
    return executeNative(m_engine->renameTableSql(from, to), error);
}

void AccesBase::InitialiserTrace(int level, const QString &applicationName, const QString &login,
                                 bool toFile)
{
    m_trace->setUp(level, applicationName, login, toFile);
}

void AccesBase::NiveauTrace(int level)
{
    m_trace->setLevel(level);
}

bool AccesBase::tableExists(const QString &table)
{
    QString message;
    if (!ensureLink(&message))
        return report(false, QString(), message, nullptr);
    return m_engine->tableExists(table);
}

bool AccesBase::columnExists(const QString &table, const QString &column)
{
    QString message;
    if (!ensureLink(&message))
        return report(false, QString(), message, nullptr);
    const QStringList columns = m_engine->columnNames(table);
    return columns.contains(column, Qt::CaseInsensitive);
}

bool AccesBase::isMissingObjectError(const QString &error) const
{
    return m_engine && m_engine->isMissingObjectError(error);
}

} // namespace plx
