#include "db/engine.h"

#include "db/rowcells.h"

#include "db/bulkinsert.h"
#include "db/placeholders.h"
#include "db/preparedstatement.h"
#include "db/sqltext.h"

#include <QDateTime>

namespace plx {

namespace {

// For engines without prepared statements: each run writes the values into the text as
// this engine's literals.
class LiteralStatement final : public PreparedStatement
{
public:
    LiteralStatement(Engine &engine, QStringList pieces)
        : m_engine(engine), m_pieces(std::move(pieces))
    {
    }

    bool exec(const QVariantList &values, QString *error) override
    {
        QString sql;
        QString ignored;
        return text(values, &sql, error ? error : &ignored) && m_engine.exec(sql, error ? error : &ignored);
    }

    qint64 affectedRows() const override { return -1; }

    RecordTable query(const QVariantList &values) override
    {
        QString sql, error;
        if (!text(values, &sql, &error)) {
            RecordTable table;
            table.fail(error);
            return table;
        }
        return m_engine.query(sql);
    }

private:
    bool text(const QVariantList &values, QString *sql, QString *error) const
    {
        if (values.size() != m_pieces.size() - 1) {
            *error = QStringLiteral("%1 valeurs données pour %2 paramètres.")
                         .arg(values.size())
                         .arg(m_pieces.size() - 1);
            return false;
        }
        *sql = m_pieces.first();
        for (qsizetype i = 0; i < values.size(); ++i)
            *sql += m_engine.literal(values[i]) + m_pieces[i + 1];
        return true;
    }

    Engine &m_engine;
    QStringList m_pieces;
};

} // namespace

bool Engine::queryRows(const QString &sql, const RowReader &reader, QString *error)
{
    const RecordTable table = query(sql);
    if (!table.ok()) {
        *error = table.error();
        return false;
    }
    const int columns = table.columnCount();
    for (int r = 0; r < table.rowCount(); ++r) {
        if (!reader(&table.at(r, 0), columns))
            break;
    }
    return true;
}

bool Engine::queryCells(const QString &sql, const CellReader &reader, QString *error)
{
    return queryRows(
        sql, [&](const QVariant *values, int count) { return reader(VariantCells(values, count)); },
        error);
}

std::unique_ptr<PreparedStatement> Engine::prepare(const QString &sql, QString *)
{
    return std::make_unique<LiteralStatement>(*this, splitAtPlaceholders(sql));
}

std::unique_ptr<BulkInsert> Engine::bulkInsert(const QString &, const QStringList &, QString *)
{
    return nullptr;
}

QString Engine::literal(const QVariant &value) const
{
    if (value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
        if (dialect() == SqlDialect::PostgreSQL)
            return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        if (dialect() == SqlDialect::Access)
            return value.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return sqlNumber(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlNumber(value.toDouble());
    case QMetaType::QDate:
    case QMetaType::QDateTime: {
        const QDateTime dt = value.typeId() == QMetaType::QDate
                                 ? QDateTime(value.toDate(), QTime(0, 0), Qt::UTC)
                                 : value.toDateTime();
        const QString iso = dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        switch (dialect()) {
        case SqlDialect::Access:
            return QLatin1Char('#') + dt.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) + QLatin1Char('#');
        case SqlDialect::Oracle:
            return QStringLiteral("TIMESTAMP ") + sqlQuote(iso);
        default:
            return sqlQuote(iso);
        }
    }
    case QMetaType::QTime:
        return sqlQuote(value.toTime().toString(QStringLiteral("HH:mm:ss")));
    default:
        return sqlQuote(value.toString());
    }
}

bool Engine::isConnectionError(const QString &error) const
{
    // SQLSTATE class 08 (connection exception) and 57P01..57P03 (the server shutting down
    // or starting), as PostgreSQL and ODBC drivers report them, then libpq's own texts.
    static const char *const signs[] = {"08001", "08003", "08004", "08006", "08007", "08S01",
                                        "57P01", "57P02", "57P03",
                                        "server closed the connection",
                                        "no connection to the server",
                                        "could not connect to server",
                                        "connection to server", "terminating connection",
                                        "Communication link failure"};
    for (const char *sign : signs) {
        if (error.contains(QLatin1String(sign), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString Engine::renameTableSql(const QString &from, const QString &to) const
{
    return QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(from, to);
}

} // namespace plx
