#include "db/sqltranslator.h"

#include "db/sqlcalls.h"
#include "db/sqlclauses.h"
#include "db/sqlconcat.h"
#include "db/sqlinstants.h"
#include "db/sqlliterals.h"
#include "db/sqlsyntax.h"
#include "db/sqltypewords.h"

namespace plx {

namespace {

// One level of the tree (a statement, the inside of parentheses or of CASE ... END),
// inner levels first so that a call sees its arguments already translated. The CVDate
// instant form is recognised before its inside is touched (its & is not a concatenation).
void translateLevel(SqlNodes &nodes, SqlDialect dialect)
{
    rewriteLiteralTokens(nodes, dialect);
    markInstants(nodes, dialect);
    for (SqlNode &node : nodes) {
        if (node.isGroup())
            translateLevel(node.children, dialect);
    }
    rewriteFunctionCalls(nodes, dialect);
    rewriteInstantPredicates(nodes, dialect);
    rewriteSelectClauses(nodes, dialect);
    rewriteConcatenation(nodes, dialect);
}

void translateStatement(SqlNodes &statement, SqlDialect dialect)
{
    if (statement.empty())
        return;
    rewriteColumnTypes(statement, dialect);
    rewriteIndexStatement(statement, dialect);
    translateLevel(statement, dialect);
}

} // namespace

QString SqlTranslator::translate(const QString &accessSql) const
{
    if (m_target == SqlDialect::Access)
        return accessSql;
    SqlTree tree = buildSqlTree(tokenizeSql(accessSql));
    QString out;
    SqlNodes statement;
    for (SqlNode &node : tree.nodes) {
        if (node.is(SqlToken::Kind::Semicolon)) {
            translateStatement(statement, m_target);
            out += renderSql(statement) + renderNode(node);
            statement.clear();
        } else {
            statement.push_back(std::move(node));
        }
    }
    translateStatement(statement, m_target);
    return out + renderSql(statement) + tree.trailing;
}

} // namespace plx
