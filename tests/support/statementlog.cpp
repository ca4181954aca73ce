#include "support/statementlog.h"

#include "db/accesbase.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringList>

#include <memory>

namespace plxtest {

namespace {

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else
            out += c;
    }
    return out;
}

QString unescaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(++i);
        out += next == QLatin1Char('n')   ? QChar(QLatin1Char('\n'))
               : next == QLatin1Char('r') ? QChar(QLatin1Char('\r'))
               : next == QLatin1Char('t') ? QChar(QLatin1Char('\t'))
                                          : next;
    }
    return out;
}

} // namespace

QString LoggedStatement::toLine() const
{
    return where + QLatin1Char('\t') + (mayFail ? QLatin1Char('1') : QLatin1Char('0'))
           + QLatin1Char(' ') + dialect + QLatin1Char('\t') + escaped(sql);
}

std::optional<LoggedStatement> LoggedStatement::fromLine(const QString &line)
{
    const qsizetype first = line.indexOf(QLatin1Char('\t'));
    const qsizetype second = first < 0 ? -1 : line.indexOf(QLatin1Char('\t'), first + 1);
    if (second < 0)
        return std::nullopt;
    const QStringList flags = line.mid(first + 1, second - first - 1).split(QLatin1Char(' '));
    if (flags.size() != 2)
        return std::nullopt;
    LoggedStatement statement;
    statement.where = line.left(first);
    statement.mayFail = flags.at(0) == QLatin1String("1");
    statement.dialect = flags.at(1);
    statement.sql = unescaped(line.mid(second + 1));
    return statement;
}

QString dialectName(plx::SqlDialect dialect)
{
    switch (dialect) {
    case plx::SqlDialect::Access:
        return QStringLiteral("Access");
    case plx::SqlDialect::SQLite:
        return QStringLiteral("SQLite");
    case plx::SqlDialect::PostgreSQL:
        return QStringLiteral("PostgreSQL");
    case plx::SqlDialect::Oracle:
        return QStringLiteral("Oracle");
    }
    return QStringLiteral("?");
}

void installStatementLogFromEnvironment()
{
    const QString path = qEnvironmentVariable("PLX_STATEMENT_LOG");
    if (path.isEmpty())
        return;
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    auto seen = std::make_shared<QSet<QString>>();
    static const QString sourceDir = QStringLiteral(PLX_SOURCE_DIR "/src/");
    plx::AccesBase::setStatementObserver(
        [file, seen](const QString &sql, const std::source_location &where, bool mayFail,
                     plx::SqlDialect dialect) {
            const QString fileName = QDir::fromNativeSeparators(QString::fromUtf8(where.file_name()));
            if (!fileName.startsWith(sourceDir))
                return;
            LoggedStatement statement;
            statement.where = QStringLiteral("src/%1:%2")
                                  .arg(fileName.mid(sourceDir.size()))
                                  .arg(where.line());
            statement.mayFail = mayFail;
            statement.dialect = dialectName(dialect);
            statement.sql = sql;
            const QString line = statement.toLine();
            if (seen->contains(line))
                return;
            seen->insert(line);
            // Written at once: a test that crashes keeps what it issued before.
            file->write((line + QLatin1Char('\n')).toUtf8());
            file->flush();
        });
}

} // namespace plxtest
