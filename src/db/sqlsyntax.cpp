#include "db/sqlsyntax.h"

#include <QSet>
#include <QStringList>

#include <utility>

namespace plx {

SqlNode SqlNode::makeText(QString text, QString lead)
{
    SqlNode node;
    node.kind = Kind::Text;
    node.text = std::move(text);
    node.lead = std::move(lead);
    return node;
}

SqlTree buildSqlTree(const QList<SqlToken> &tokens)
{
    // Stack of open groups; the bottom entry is the statement itself.
    std::vector<SqlNodes> levels(1);
    std::vector<SqlNode> openers;
    QString trivia;

    const auto closeGroup = [&](const QString &closeText) {
        SqlNode group = std::move(openers.back());
        openers.pop_back();
        group.children = std::move(levels.back());
        levels.pop_back();
        group.closeLead = std::exchange(trivia, QString());
        group.closeText = closeText;
        levels.back().push_back(std::move(group));
    };

    for (const SqlToken &token : tokens) {
        if (token.isTrivia()) {
            trivia += token.text;
            continue;
        }
        const bool opensCase = token.isWord(QLatin1String("CASE"));
        if (token.kind == SqlToken::Kind::Open || opensCase) {
            SqlNode group;
            group.kind = SqlNode::Kind::Group;
            group.token = token;
            group.lead = std::exchange(trivia, QString());
            openers.push_back(std::move(group));
            levels.emplace_back();
            continue;
        }
        if (token.isWord(QLatin1String("END")) && !openers.empty() &&
            openers.back().isCaseGroup()) {
            closeGroup(token.text);
            continue;
        }
        if (token.kind == SqlToken::Kind::Close) {
            // A CASE left open inside the parentheses ends with them.
            while (!openers.empty() && openers.back().isCaseGroup())
                closeGroup(QString());
            if (!openers.empty()) {
                closeGroup(token.text);
                continue;
            }
        }
        SqlNode node;
        node.token = token;
        node.lead = std::exchange(trivia, QString());
        levels.back().push_back(std::move(node));
    }
    while (!openers.empty())
        closeGroup(QString());
    return SqlTree{std::move(levels.front()), trivia};
}

QString renderNode(const SqlNode &node, bool withLead)
{
    QString out = withLead ? node.lead : QString();
    switch (node.kind) {
    case SqlNode::Kind::Token:
        out += node.token.text;
        break;
    case SqlNode::Kind::Text:
        out += node.text;
        break;
    case SqlNode::Kind::Group:
        out += node.token.text;
        out += renderSql(node.children, 0, node.children.size());
        out += node.closeLead;
        out += node.closeText;
        break;
    }
    return out;
}

QString renderSql(const SqlNodes &nodes, size_t from, size_t to, bool withLead)
{
    QString out;
    for (size_t i = from; i < to && i < nodes.size(); ++i)
        out += renderNode(nodes[i], withLead || i != from);
    return out;
}

QString renderOperand(const SqlNodes &nodes, size_t from, size_t to)
{
    QString text = renderSql(nodes, from, to, false).trimmed();
    if (to - from <= 1)
        return text;
    return QLatin1Char('(') + text + QLatin1Char(')');
}

SqlNode &replaceRange(SqlNodes &nodes, size_t from, size_t to, const QString &text)
{
    SqlNode node = SqlNode::makeText(text, nodes[from].lead);
    nodes.erase(nodes.begin() + qsizetype(from) + 1, nodes.begin() + qsizetype(to));
    nodes[from] = std::move(node);
    return nodes[from];
}

std::vector<std::pair<size_t, size_t>> splitOnCommas(const SqlNodes &nodes, size_t from, size_t to)
{
    std::vector<std::pair<size_t, size_t>> parts;
    size_t begin = from;
    for (size_t i = from; i < to; ++i) {
        if (nodes[i].is(SqlToken::Kind::Comma)) {
            parts.emplace_back(begin, i);
            begin = i + 1;
        }
    }
    parts.emplace_back(begin, to);
    return parts;
}

size_t findKeyword(const SqlNodes &nodes, size_t from, std::initializer_list<const char *> words)
{
    for (size_t i = from; i < nodes.size(); ++i) {
        for (const char *word : words) {
            if (nodes[i].isWord(QLatin1String(word)))
                return i;
        }
    }
    return npos;
}

bool isComparison(const SqlNode &node)
{
    if (!node.is(SqlToken::Kind::Operator))
        return false;
    static const QStringList comparisons = {
        QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("!="), QStringLiteral("<"),
        QStringLiteral(">"), QStringLiteral("<="), QStringLiteral(">="),
    };
    return comparisons.contains(node.token.text);
}

bool endsOperand(const SqlNode &node)
{
    if (node.is(SqlToken::Kind::Comma) || node.is(SqlToken::Kind::Semicolon) || isComparison(node))
        return true;
    if (!node.isWord())
        return false;
    static const QSet<QString> keywords = {
        QStringLiteral("ALL"),     QStringLiteral("AND"),      QStringLiteral("AS"),
        QStringLiteral("ASC"),     QStringLiteral("BETWEEN"),  QStringLiteral("BY"),
        QStringLiteral("COLLATE"), QStringLiteral("CROSS"),    QStringLiteral("DELETE"),
        QStringLiteral("DESC"),    QStringLiteral("DISTINCT"), QStringLiteral("DISTINCTROW"),
        QStringLiteral("ELSE"),    QStringLiteral("ESCAPE"),   QStringLiteral("EXCEPT"),
        QStringLiteral("FROM"),    QStringLiteral("FULL"),     QStringLiteral("GROUP"),
        QStringLiteral("HAVING"),  QStringLiteral("ILIKE"),    QStringLiteral("IN"),
        QStringLiteral("INNER"),   QStringLiteral("INSERT"),   QStringLiteral("INTERSECT"),
        QStringLiteral("INTO"),    QStringLiteral("IS"),       QStringLiteral("JOIN"),
        QStringLiteral("LEFT"),    QStringLiteral("LIKE"),     QStringLiteral("LIMIT"),
        QStringLiteral("MINUS"),   QStringLiteral("NOT"),      QStringLiteral("NULLS"),
        QStringLiteral("OFFSET"),  QStringLiteral("ON"),       QStringLiteral("OR"),
        QStringLiteral("ORDER"),   QStringLiteral("OUTER"),    QStringLiteral("RETURNING"),
        QStringLiteral("RIGHT"),   QStringLiteral("SELECT"),   QStringLiteral("SET"),
        QStringLiteral("THEN"),    QStringLiteral("TOP"),      QStringLiteral("UNION"),
        QStringLiteral("UPDATE"),  QStringLiteral("USING"),    QStringLiteral("VALUES"),
        QStringLiteral("WHEN"),    QStringLiteral("WHERE"),    QStringLiteral("WITH"),
    };
    return keywords.contains(node.token.text.toUpper());
}

} // namespace plx
