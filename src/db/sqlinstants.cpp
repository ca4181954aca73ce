#include "db/sqlinstants.h"

#include "db/sqldates.h"
#include "db/sqlliterals.h"

namespace plx {

namespace {

using Kind = SqlToken::Kind;

// A column reference: name(.name)*, names bare or bracketed. Returns its end or npos.
size_t columnRefEnd(const SqlNodes &nodes, size_t i)
{
    const auto isName = [&](size_t k) {
        return k < nodes.size() && (nodes[k].isWord() || nodes[k].is(Kind::Bracketed));
    };
    if (!isName(i))
        return npos;
    ++i;
    while (i + 1 < nodes.size() && nodes[i].isOperator(QLatin1String(".")) && isName(i + 1))
        i += 2;
    return i;
}

QString columnRefText(const SqlNodes &nodes, size_t from, size_t to, SqlDialect dialect)
{
    QString text;
    for (size_t i = from; i < to; ++i) {
        text += nodes[i].is(Kind::Bracketed) ? translateBracketedName(nodes[i].token.text, dialect)
                                             : nodes[i].token.text;
    }
    return text;
}

bool isBlankString(const SqlNode &node)
{
    return (node.is(Kind::String) || node.is(Kind::DoubleQuoted)) &&
           node.token.unquoted() == QLatin1String(" ");
}

QString instantExpression(SqlDialect dialect, const QString &date, const QString &time)
{
    switch (dialect) {
    case SqlDialect::PostgreSQL:
        return QStringLiteral("(CAST(%1 AS date) + coalesce(CAST(%2 AS time), TIME '00:00:00'))")
            .arg(date, time);
    case SqlDialect::Oracle:
        return QStringLiteral("(TRUNC(%1) + (%2 - TRUNC(%2)))").arg(date, time);
    default:
        return QStringLiteral("(date(%1) || ' ' || coalesce(time(%2), '00:00:00'))")
            .arg(date, time);
    }
}

QString flipped(const QString &op)
{
    if (op == QLatin1String("<"))
        return QStringLiteral(">");
    if (op == QLatin1String(">"))
        return QStringLiteral("<");
    if (op == QLatin1String("<="))
        return QStringLiteral(">=");
    if (op == QLatin1String(">="))
        return QStringLiteral("<=");
    return op;
}

// instant op value, on the columns: the date decides unless it is the literal's own day,
// where the time of day decides. Written "D <= d AND (D < d OR T <= t)" rather than
// "D < d OR (D = d AND T <= t)": the same rows, with a plain range on D at the top that
// every engine turns into an index range.
QString predicate(SqlDialect dialect, const SqlNode &instant, QString op, const QDateTime &value)
{
    const QString d = instant.instantDate;
    const QString day =
        dateTimeLiteral(dialect, QDateTime(value.date(), QTime(0, 0), Qt::UTC), false);
    const QString t = timeOfDay(dialect, instant.instantTime);
    const QString time = singleQuoted(value.time().toString(QStringLiteral("HH:mm:ss")));
    if (op == QLatin1String("!="))
        op = QStringLiteral("<>");
    if (op == QLatin1String("="))
        return QStringLiteral("(%1 = %2 AND %3 = %4)").arg(d, day, t, time);
    if (op == QLatin1String("<>"))
        return QStringLiteral("(%1 <> %2 OR %3 <> %4)").arg(d, day, t, time);
    const bool below = op.startsWith(QLatin1Char('<'));
    const QString wide = below ? QStringLiteral("<=") : QStringLiteral(">=");
    const QString strict = below ? QStringLiteral("<") : QStringLiteral(">");
    return QStringLiteral("(%1 %2 %3 AND (%1 %4 %3 OR %5 %6 %7))")
        .arg(d, wide, day, strict, t, op, time);
}

// Nothing that binds tighter than a comparison may touch the predicate from outside.
bool freeBefore(const SqlNodes &nodes, size_t i)
{
    if (i == 0)
        return true;
    const SqlNode &prev = nodes[i - 1];
    return !prev.is(Kind::Operator) && !prev.isWord(QLatin1String("BETWEEN")) &&
           !prev.isWord(QLatin1String("LIKE")) && !prev.isWord(QLatin1String("IS")) &&
           !prev.isWord(QLatin1String("IN"));
}

bool freeAfter(const SqlNodes &nodes, size_t i)
{
    return i >= nodes.size() || (!nodes[i].is(Kind::Operator) && !nodes[i].isParenGroup());
}

} // namespace

// The time of day of a column, as compared with a 'hh:mm:ss' literal. A NULL time reads as
// midnight, as Access reads "05/03/2024 " back.
QString timeOfDay(SqlDialect dialect, const QString &column)
{
    switch (dialect) {
    case SqlDialect::PostgreSQL:
        return QStringLiteral("coalesce(CAST(%1 AS time), TIME '00:00:00')").arg(column);
    case SqlDialect::Oracle:
        return QStringLiteral("coalesce(TO_CHAR(%1, 'HH24:MI:SS'), '00:00:00')").arg(column);
    default:
        return QStringLiteral("coalesce(time(%1), '00:00:00')").arg(column);
    }
}


std::optional<QDateTime> dateLiteralValue(const SqlNode &node)
{
    if (node.isText())
        return node.dateValue;
    if (node.is(Kind::String))
        return parseSqlDate(node.token.unquoted(), DateOrder::MonthFirst);
    return std::nullopt;
}

void markInstants(SqlNodes &nodes, SqlDialect dialect)
{
    for (size_t i = 0; i + 1 < nodes.size(); ++i) {
        if (!(nodes[i].isWord(QLatin1String("CVDate")) ||
              nodes[i].isWord(QLatin1String("CDate"))) ||
            !nodes[i + 1].isParenGroup())
            continue;
        const SqlNodes &args = nodes[i + 1].children;
        const size_t dateEnd = columnRefEnd(args, 0);
        if (dateEnd == npos || dateEnd + 3 >= args.size() ||
            !args[dateEnd].isOperator(QLatin1String("&")) || !isBlankString(args[dateEnd + 1]) ||
            !args[dateEnd + 2].isOperator(QLatin1String("&")))
            continue;
        const size_t timeEnd = columnRefEnd(args, dateEnd + 3);
        if (timeEnd != args.size())
            continue;
        const QString date = columnRefText(args, 0, dateEnd, dialect);
        const QString time = columnRefText(args, dateEnd + 3, timeEnd, dialect);
        SqlNode &node = replaceRange(nodes, i, i + 2, instantExpression(dialect, date, time));
        node.instantDate = date;
        node.instantTime = time;
    }
}

void rewriteInstantPredicates(SqlNodes &nodes, SqlDialect dialect)
{
    for (size_t i = 0; i + 2 < nodes.size(); ++i) {
        if (!freeBefore(nodes, i))
            continue;
        const SqlNode &first = nodes[i];
        const SqlNode &second = nodes[i + 2];
        if (isComparison(nodes[i + 1]) && freeAfter(nodes, i + 3)) {
            const QString op = nodes[i + 1].token.text;
            if (first.isInstant()) {
                if (const auto value = dateLiteralValue(second))
                    replaceRange(nodes, i, i + 3, predicate(dialect, first, op, *value));
            } else if (second.isInstant()) {
                if (const auto value = dateLiteralValue(first))
                    replaceRange(nodes, i, i + 3, predicate(dialect, second, flipped(op), *value));
            }
            continue;
        }
        // instant [NOT] BETWEEN low AND high
        if (!first.isInstant())
            continue;
        const bool negated = nodes[i + 1].isWord(QLatin1String("NOT"));
        const size_t b = i + 1 + (negated ? 1 : 0);
        if (b + 3 >= nodes.size() || !nodes[b].isWord(QLatin1String("BETWEEN")) ||
            !nodes[b + 2].isWord(QLatin1String("AND")) || !freeAfter(nodes, b + 4))
            continue;
        const auto low = dateLiteralValue(nodes[b + 1]);
        const auto high = dateLiteralValue(nodes[b + 3]);
        if (!low || !high)
            continue;
        const QString both = QStringLiteral("(%1 AND %2)")
                                 .arg(predicate(dialect, first, QStringLiteral(">="), *low),
                                      predicate(dialect, first, QStringLiteral("<="), *high));
        replaceRange(nodes, i, b + 4, negated ? QStringLiteral("NOT ") + both : both);
    }
}

} // namespace plx
