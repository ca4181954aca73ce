#include "db/sqlconcat.h"

#include <QStringList>

namespace plx {

namespace {

using Kind = SqlToken::Kind;

bool isConcat(const SqlNode &node)
{
    return node.isOperator(QLatin1String("&"));
}

// Operators that bind tighter than & in Access: they stay inside an operand.
bool bindsTighter(const SqlNode &node)
{
    static const QStringList operators = {
        QStringLiteral("+"),  QStringLiteral("-"), QStringLiteral("*"), QStringLiteral("/"),
        QStringLiteral("\\"), QStringLiteral("^"), QStringLiteral("%"), QStringLiteral("||"),
    };
    return (node.is(Kind::Operator) && operators.contains(node.token.text)) ||
           node.isWord(QLatin1String("MOD"));
}

// End of the expression starting at `from`: operands joined by tighter operators. What
// follows (an alias written without AS) is left out.
size_t operandEnd(const SqlNodes &nodes, size_t from, size_t limit)
{
    size_t k = from;
    while (k < limit) {
        while (k < limit &&
               (nodes[k].isOperator(QLatin1String("-")) || nodes[k].isOperator(QLatin1String("+"))))
            ++k;
        if (k >= limit)
            return k;
        const SqlNode &node = nodes[k];
        if (node.isWord()) {
            ++k;
            while (k + 1 < limit && nodes[k].isOperator(QLatin1String(".")))
                k += 2;
            if (k < limit && nodes[k].isParenGroup())
                ++k;
        } else if (node.kind != SqlNode::Kind::Token || node.is(Kind::String) ||
                   node.is(Kind::Number) || node.is(Kind::DoubleQuoted) ||
                   node.is(Kind::Bracketed) || node.is(Kind::HashDate)) {
            ++k;
            while (k + 1 < limit && nodes[k].isOperator(QLatin1String(".")))
                k += 2;
        } else {
            return k;
        }
        while (k + 1 < limit && nodes[k].isOperator(QLatin1String("::")))
            k += 2;
        if (k < limit && bindsTighter(nodes[k]))
            ++k;
        else
            return k;
    }
    return k;
}

QString operandText(const SqlNodes &nodes, size_t from, size_t to, SqlDialect dialect)
{
    const QString operand = renderSql(nodes, from, to, false).trimmed();
    if (to - from == 1 && nodes[from].isStringLiteral())
        return operand; // never NULL
    switch (dialect) {
    case SqlDialect::PostgreSQL:
        return QStringLiteral("coalesce(CAST(%1 AS text), '')").arg(operand);
    case SqlDialect::Oracle:
        return renderOperand(nodes, from, to);
    default:
        // cstr (registered): a REAL 12.0 reads "12" as in Access, not SQLite's "12.0".
        return QStringLiteral("coalesce(cstr(%1), '')").arg(operand);
    }
}

} // namespace

void rewriteConcatenation(SqlNodes &nodes, SqlDialect dialect)
{
    size_t i = 0;
    while (i < nodes.size()) {
        size_t first = i;
        while (first < nodes.size() && !isConcat(nodes[first]))
            ++first;
        if (first >= nodes.size())
            return;
        size_t start = first;
        while (start > 0 && !endsOperand(nodes[start - 1]) && !isConcat(nodes[start - 1]))
            --start;
        std::vector<std::pair<size_t, size_t>> operands{{start, first}};
        size_t j = first + 1;
        size_t end = 0;
        for (;;) {
            size_t e = j;
            while (e < nodes.size() && !endsOperand(nodes[e]) && !isConcat(nodes[e]))
                ++e;
            if (e < nodes.size() && isConcat(nodes[e])) {
                operands.emplace_back(j, e);
                j = e + 1;
                continue;
            }
            end = operandEnd(nodes, j, e);
            operands.emplace_back(j, end);
            break;
        }
        const bool complete = std::all_of(operands.begin(), operands.end(), [](const auto &range) {
            return range.second > range.first;
        });
        if (!complete) {
            i = first + 1; // a stray & stays as written
            continue;
        }
        QStringList parts;
        for (const auto &[from, to] : operands)
            parts << operandText(nodes, from, to, dialect);
        replaceRange(nodes, start, end,
                     QLatin1Char('(') + parts.join(QLatin1String(" || ")) + QLatin1Char(')'));
        i = start + 1;
    }
}

} // namespace plx
