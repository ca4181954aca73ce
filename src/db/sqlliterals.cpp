#include "db/sqlliterals.h"

#include "db/sqldates.h"

#include <QRegularExpression>
#include <QSet>

namespace plx {

namespace {

// Words PostgreSQL or Oracle refuse as bare names.
bool isReservedName(const QString &name)
{
    static const QSet<QString> reserved = {
        QStringLiteral("all"),        QStringLiteral("and"),        QStringLiteral("any"),
        QStringLiteral("as"),         QStringLiteral("asc"),        QStringLiteral("between"),
        QStringLiteral("both"),       QStringLiteral("case"),       QStringLiteral("cast"),
        QStringLiteral("check"),      QStringLiteral("column"),     QStringLiteral("comment"),
        QStringLiteral("constraint"), QStringLiteral("create"),     QStringLiteral("current_date"),
        QStringLiteral("date"),       QStringLiteral("default"),    QStringLiteral("desc"),
        QStringLiteral("distinct"),   QStringLiteral("do"),         QStringLiteral("else"),
        QStringLiteral("end"),        QStringLiteral("except"),     QStringLiteral("false"),
        QStringLiteral("fetch"),      QStringLiteral("file"),       QStringLiteral("for"),
        QStringLiteral("foreign"),    QStringLiteral("from"),       QStringLiteral("grant"),
        QStringLiteral("group"),      QStringLiteral("having"),     QStringLiteral("in"),
        QStringLiteral("index"),      QStringLiteral("intersect"),  QStringLiteral("into"),
        QStringLiteral("is"),         QStringLiteral("level"),      QStringLiteral("limit"),
        QStringLiteral("mode"),       QStringLiteral("not"),        QStringLiteral("null"),
        QStringLiteral("number"),     QStringLiteral("offset"),     QStringLiteral("on"),
        QStringLiteral("only"),       QStringLiteral("or"),         QStringLiteral("order"),
        QStringLiteral("primary"),    QStringLiteral("references"), QStringLiteral("select"),
        QStringLiteral("size"),       QStringLiteral("some"),       QStringLiteral("table"),
        QStringLiteral("then"),       QStringLiteral("to"),         QStringLiteral("true"),
        QStringLiteral("union"),      QStringLiteral("unique"),     QStringLiteral("user"),
        QStringLiteral("using"),      QStringLiteral("values"),     QStringLiteral("when"),
        QStringLiteral("where"),      QStringLiteral("window"),     QStringLiteral("with"),
    };
    return reserved.contains(name.toLower());
}

} // namespace

QString singleQuoted(const QString &value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString translateBracketedName(const QString &bracketed, SqlDialect dialect)
{
    if (dialect == SqlDialect::SQLite || dialect == SqlDialect::Access)
        return bracketed;
    QString name = bracketed.mid(
        1, bracketed.endsWith(QLatin1Char(']')) ? bracketed.size() - 2 : bracketed.size() - 1);
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!plain.match(name).hasMatch()) {
        QString quoted = name;
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        return QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    if (!isReservedName(name))
        return name;
    // Unquoted names fold to lower case on PostgreSQL, to upper case on Oracle: quote the
    // folded spelling so that [User] names the same column as a bare user would.
    const QString folded = dialect == SqlDialect::Oracle ? name.toUpper() : name.toLower();
    return QLatin1Char('"') + folded + QLatin1Char('"');
}

void rewriteLiteralTokens(SqlNodes &nodes, SqlDialect dialect)
{
    using Kind = SqlToken::Kind;
    for (SqlNode &node : nodes) {
        if (node.kind != SqlNode::Kind::Token)
            continue;
        const SqlToken &token = node.token;
        if (token.kind == Kind::HashDate) {
            const auto value = parseSqlDate(token.unquoted(), DateOrder::MonthFirst);
            if (!value)
                continue;
            node = SqlNode::makeText(dateTimeLiteral(dialect, *value, false), node.lead);
            node.dateValue = value;
        } else if (token.kind == Kind::DoubleQuoted) {
            node = SqlNode::makeText(singleQuoted(token.unquoted()), node.lead);
            node.stringLiteral = true;
        } else if (token.kind == Kind::Bracketed) {
            node = SqlNode::makeText(translateBracketedName(token.text, dialect), node.lead);
            node.name = true;
        } else if (dialect == SqlDialect::Oracle &&
                   (token.isWord(QLatin1String("TRUE")) || token.isWord(QLatin1String("FALSE")))) {
            node = SqlNode::makeText(token.isWord(QLatin1String("TRUE")) ? QStringLiteral("1")
                                                                         : QStringLiteral("0"),
                                     node.lead);
        }
    }
}

} // namespace plx
