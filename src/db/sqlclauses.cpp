#include "db/sqlclauses.h"

#include "db/sqlliterals.h"

namespace plx {

namespace {

using Kind = SqlToken::Kind;

bool isSetOperator(const SqlNode &node)
{
    return node.isWord(QLatin1String("UNION")) || node.isWord(QLatin1String("INTERSECT")) ||
           node.isWord(QLatin1String("EXCEPT")) || node.isWord(QLatin1String("MINUS"));
}

// End of the SELECT starting at `select`: the next UNION/INTERSECT/EXCEPT or the level's end.
size_t selectEnd(const SqlNodes &nodes, size_t select)
{
    size_t i = select + 1;
    while (i < nodes.size() && !isSetOperator(nodes[i]))
        ++i;
    return i;
}

void insertText(SqlNodes &nodes, size_t at, const QString &text)
{
    nodes.insert(nodes.begin() + qsizetype(at), SqlNode::makeText(text));
}

void orderNulls(SqlNodes &nodes)
{
    for (size_t i = 0; i + 1 < nodes.size(); ++i) {
        if (!nodes[i].isWord(QLatin1String("ORDER")) || !nodes[i + 1].isWord(QLatin1String("BY")))
            continue;
        size_t end = i + 2;
        while (end < nodes.size() && !isSetOperator(nodes[end]) &&
               !nodes[end].is(Kind::Semicolon) && !nodes[end].isWord(QLatin1String("LIMIT")) &&
               !nodes[end].isWord(QLatin1String("OFFSET")) &&
               !nodes[end].isWord(QLatin1String("FETCH")) &&
               !nodes[end].isWord(QLatin1String("FOR")))
            ++end;
        const auto items = splitOnCommas(nodes, i + 2, end);
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            const auto [from, to] = *it;
            if (to == from || findKeyword(nodes, from, {"NULLS"}) < to)
                continue;
            const bool descending = nodes[to - 1].isWord(QLatin1String("DESC"));
            insertText(nodes, to,
                       descending ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST"));
        }
    }
}

// Oracle refuses "FROM table AS alias": drop AS in the FROM clauses of this level and of the
// parenthesised joins inside them.
void dropTableAliasAs(SqlNodes &nodes, bool wholeLevel)
{
    bool inFrom = wholeLevel;
    for (size_t i = 0; i < nodes.size(); ++i) {
        SqlNode &node = nodes[i];
        if (node.isWord(QLatin1String("FROM")) || node.isWord(QLatin1String("JOIN"))) {
            inFrom = true;
        } else if (!wholeLevel &&
                   (node.isWord(QLatin1String("WHERE")) || node.isWord(QLatin1String("GROUP")) ||
                    node.isWord(QLatin1String("ORDER")) || node.isWord(QLatin1String("HAVING")) ||
                    node.isWord(QLatin1String("SELECT")) || isSetOperator(node))) {
            inFrom = false;
        } else if (inFrom && node.isWord(QLatin1String("AS"))) {
            nodes.erase(nodes.begin() + qsizetype(i));
            --i;
        } else if (inFrom && node.isParenGroup() &&
                   findKeyword(node.children, 0, {"JOIN"}) != npos &&
                   !node.children.front().isWord(QLatin1String("SELECT"))) {
            dropTableAliasAs(node.children, true);
        }
    }
}

} // namespace

void rewriteSelectClauses(SqlNodes &nodes, SqlDialect dialect)
{
    if (dialect == SqlDialect::Access)
        return;
    if (dialect == SqlDialect::PostgreSQL || dialect == SqlDialect::Oracle)
        orderNulls(nodes);
    if (dialect == SqlDialect::Oracle)
        dropTableAliasAs(nodes, false);

    for (size_t i = 0; i < nodes.size(); ++i) {
        if (!nodes[i].isWord(QLatin1String("SELECT")))
            continue;
        size_t k = i + 1;
        if (k < nodes.size() && nodes[k].isWord(QLatin1String("DISTINCTROW")))
            nodes[k].token.text = QStringLiteral("DISTINCT");
        if (k < nodes.size() &&
            (nodes[k].isWord(QLatin1String("DISTINCT")) || nodes[k].isWord(QLatin1String("ALL"))))
            ++k;
        QString limit;
        if (k + 1 < nodes.size() && nodes[k].isWord(QLatin1String("TOP")) &&
            nodes[k + 1].is(Kind::Number) &&
            !(k + 2 < nodes.size() && nodes[k + 2].isWord(QLatin1String("PERCENT")))) {
            limit = nodes[k + 1].token.text;
            nodes.erase(nodes.begin() + qsizetype(k), nodes.begin() + qsizetype(k) + 2);
        }
        size_t end = selectEnd(nodes, i);
        if (dialect == SqlDialect::Oracle && findKeyword(nodes, i, {"FROM"}) >= end) {
            insertText(nodes, end, QStringLiteral(" FROM DUAL"));
            ++end;
        }
        if (!limit.isEmpty()) {
            insertText(nodes, end,
                       dialect == SqlDialect::Oracle
                           ? QStringLiteral(" FETCH FIRST %1 ROWS ONLY").arg(limit)
                           : QStringLiteral(" LIMIT %1").arg(limit));
        }
    }
}

void rewriteIndexStatement(SqlNodes &s, SqlDialect dialect)
{
    if (dialect == SqlDialect::Access || s.size() < 3)
        return;
    if (s[0].isWord(QLatin1String("DROP")) && s[1].isWord(QLatin1String("INDEX"))) {
        const size_t on = findKeyword(s, 2, {"ON"});
        if (on != npos)
            s.erase(s.begin() + qsizetype(on), s.end());
        return;
    }
    if (!s[0].isWord(QLatin1String("CREATE")))
        return;
    const bool unique = s[1].isWord(QLatin1String("UNIQUE"));
    const size_t index = unique ? 2 : 1;
    if (!s[index].isWord(QLatin1String("INDEX")))
        return;
    const size_t on = findKeyword(s, index, {"ON"});
    if (on == npos || on + 1 >= s.size())
        return;
    // The table name is never a function call, whatever it is called.
    const SqlNode &table = s[on + 1];
    s[on + 1] = SqlNode::makeText(table.is(Kind::Bracketed)
                                      ? translateBracketedName(table.token.text, dialect)
                                      : renderNode(table, false),
                                  table.lead);
    const size_t with = findKeyword(s, on, {"WITH"});
    if (with == npos)
        return;
    const bool primary = findKeyword(s, with, {"PRIMARY"}) != npos;
    s.erase(s.begin() + qsizetype(with), s.end());
    if (primary && !unique)
        s[0].token.text += QStringLiteral(" UNIQUE");
}

} // namespace plx
