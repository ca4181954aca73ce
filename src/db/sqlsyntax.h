#pragma once

#include "db/sqltokenizer.h"

#include <QDateTime>

#include <optional>
#include <vector>

namespace plx {

// A light syntax tree over the tokens: parenthesised groups and CASE ... END blocks
// nest; everything else stays a flat run of tokens. The rewriting passes replace runs of
// nodes by Text nodes holding SQL already in the target dialect, which no later pass
// looks inside.
struct SqlNode
{
    enum class Kind { Token, Group, Text };

    Kind kind = Kind::Token;
    QString lead;                  // blanks and comments before the node, kept as written
    SqlToken token;                // Token: the token; Group: the opening "(" or CASE
    std::vector<SqlNode> children; // Group
    QString closeLead;             // Group: trivia before the closing token
    QString closeText;             // Group: ")" or END; empty when the text ends first
    QString text;                  // Text

    // What a pass learnt about a Text node, for the passes that follow.
    std::optional<QDateTime> dateValue; // a date literal (wall-clock, labelled UTC)
    bool stringLiteral = false;         // a quoted string literal
    bool name = false;                  // a [bracketed] name
    QString instantDate, instantTime;   // CVDate(instantDate & ' ' & instantTime)

    bool isGroup() const { return kind == Kind::Group; }
    bool isParenGroup() const { return kind == Kind::Group && token.kind == SqlToken::Kind::Open; }
    bool isCaseGroup() const { return kind == Kind::Group && token.kind == SqlToken::Kind::Word; }
    bool isText() const { return kind == Kind::Text; }
    bool isWord(QLatin1String word) const { return kind == Kind::Token && token.isWord(word); }
    bool isWord() const { return kind == Kind::Token && token.kind == SqlToken::Kind::Word; }
    bool isOperator(QLatin1String op) const { return kind == Kind::Token && token.isOperator(op); }
    bool is(SqlToken::Kind tokenKind) const
    {
        return kind == Kind::Token && token.kind == tokenKind;
    }
    bool isInstant() const { return kind == Kind::Text && !instantDate.isEmpty(); }
    bool isStringLiteral() const
    {
        return is(SqlToken::Kind::String) || (kind == Kind::Text && stringLiteral);
    }

    static SqlNode makeText(QString text, QString lead = {});
};

using SqlNodes = std::vector<SqlNode>;

struct SqlTree
{
    SqlNodes nodes;
    QString trailing; // blanks and comments after the last node
};

SqlTree buildSqlTree(const QList<SqlToken> &tokens);

// SQL text of nodes[from, to). withLead = false drops the trivia before the first node.
QString renderSql(const SqlNodes &nodes, size_t from, size_t to, bool withLead = true);
inline QString renderSql(const SqlNodes &nodes)
{
    return renderSql(nodes, 0, nodes.size());
}
QString renderNode(const SqlNode &node, bool withLead = true);
// The text of nodes[from, to) without its outer trivia, wrapped in parentheses when it is
// more than one node, so that it can be embedded in any expression.
QString renderOperand(const SqlNodes &nodes, size_t from, size_t to);

// Replaces nodes[from, to) by one Text node that keeps the first node's leading trivia.
SqlNode &replaceRange(SqlNodes &nodes, size_t from, size_t to, const QString &text);

// Positions of the top-level commas of a node run, as [begin, end) ranges.
std::vector<std::pair<size_t, size_t>> splitOnCommas(const SqlNodes &nodes, size_t from, size_t to);

// Position of the first node at or after `from` that is one of the keywords, or npos.
size_t findKeyword(const SqlNodes &nodes, size_t from, std::initializer_list<const char *> words);

constexpr size_t npos = size_t(-1);

// = <> != < > <= >=
bool isComparison(const SqlNode &node);
// A keyword or punctuation that no expression operand runs across: AND, OR, a comparison,
// a comma, a clause keyword (FROM, WHERE, AS, THEN, DESC ...).
bool endsOperand(const SqlNode &node);

} // namespace plx
