#include "db/sqltypewords.h"

#include <QSet>

namespace plx {

namespace {

using Kind = SqlToken::Kind;

struct TypeSpec
{
    QString word; // the first word as written
    QString key;  // lower-case words joined by blanks: "timestamp with time zone"
    QString size; // what the parentheses held ("12", "19,4"), if any
    bool sized = false;
    size_t end = 0;
};

// The type starting at nodes[at]: one word, or one of the multi-word forms, with an
// optional (size).
std::optional<TypeSpec> readType(const SqlNodes &nodes, size_t at, size_t limit)
{
    if (at >= limit || !nodes[at].isWord())
        return std::nullopt;
    TypeSpec type;
    type.word = nodes[at].token.text;
    type.key = type.word.toLower();
    size_t k = at + 1;
    const auto next = [&](const char *word) {
        return k < limit && nodes[k].isWord(QLatin1String(word));
    };
    if ((type.key == QLatin1String("character") && next("varying")) ||
        (type.key == QLatin1String("double") && next("precision")) ||
        (type.key == QLatin1String("datetime") && next("text"))) {
        type.key += QLatin1Char(' ') + nodes[k].token.text.toLower();
        ++k;
    } else if (type.key == QLatin1String("timestamp") && (next("with") || next("without")) &&
               k + 2 < limit && nodes[k + 1].isWord(QLatin1String("time")) &&
               nodes[k + 2].isWord(QLatin1String("zone"))) {
        type.key += QLatin1Char(' ') + nodes[k].token.text.toLower() + QStringLiteral(" time zone");
        k += 3;
    }
    if (k < limit && nodes[k].isParenGroup()) {
        type.sized = true;
        type.size = renderSql(nodes[k].children, 0, nodes[k].children.size(), false).trimmed();
        ++k;
    }
    type.end = k;
    return type;
}

bool isAutoIncrement(const QString &key)
{
    return key == QLatin1String("autoincrement") || key == QLatin1String("counter") ||
           key == QLatin1String("serial");
}

std::optional<QString> sqliteType(const TypeSpec &t)
{
    static const QSet<QString> text = {QStringLiteral("text"), QStringLiteral("memo"),
                                       QStringLiteral("longtext"), QStringLiteral("longchar"),
                                       QStringLiteral("note")};
    static const QSet<QString> integer = {QStringLiteral("short"),   QStringLiteral("long"),
                                          QStringLiteral("byte"),    QStringLiteral("smallint"),
                                          QStringLiteral("yesno"),   QStringLiteral("bit"),
                                          QStringLiteral("boolean"), QStringLiteral("logical")};
    static const QSet<QString> real = {QStringLiteral("double"), QStringLiteral("single"),
                                       QStringLiteral("currency"),
                                       QStringLiteral("double precision")};
    if (text.contains(t.key))
        return QStringLiteral("TEXT");
    if (integer.contains(t.key))
        return QStringLiteral("INTEGER");
    if (real.contains(t.key))
        return QStringLiteral("REAL");
    // The engine recognises date columns by this declared type; TEXT affinity keeps the
    // canonical 'YYYY-MM-DD HH:MM:SS' text as written.
    if (t.key == QLatin1String("datetime") || t.key == QLatin1String("date") ||
        t.key == QLatin1String("time") || t.key.startsWith(QLatin1String("timestamp")))
        return QStringLiteral("DATETIME TEXT");
    if (isAutoIncrement(t.key))
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    return std::nullopt;
}

std::optional<QString> postgresType(const TypeSpec &t)
{
    if (t.key == QLatin1String("text")) {
        // Bare lower-case "text" is the PostgreSQL memo word of the schema steps.
        if (t.sized)
            return QStringLiteral("varchar(%1)").arg(t.size);
        return t.word == QLatin1String("text") ? std::optional<QString>()
                                               : QStringLiteral("varchar(255)");
    }
    static const QHash<QString, QString> words = {
        {QStringLiteral("memo"), QStringLiteral("text")},
        {QStringLiteral("longtext"), QStringLiteral("text")},
        {QStringLiteral("longchar"), QStringLiteral("text")},
        {QStringLiteral("note"), QStringLiteral("text")},
        {QStringLiteral("short"), QStringLiteral("smallint")},
        {QStringLiteral("byte"), QStringLiteral("smallint")},
        {QStringLiteral("long"), QStringLiteral("integer")},
        // real (4 bytes), as the sister modules' tables have it.
        {QStringLiteral("double"), QStringLiteral("real")},
        {QStringLiteral("single"), QStringLiteral("real")},
        {QStringLiteral("currency"), QStringLiteral("numeric(19,4)")},
        {QStringLiteral("datetime"), QStringLiteral("timestamp with time zone")},
        {QStringLiteral("datetime text"), QStringLiteral("timestamp with time zone")},
        {QStringLiteral("yesno"), QStringLiteral("boolean")},
        {QStringLiteral("bit"), QStringLiteral("boolean")},
        {QStringLiteral("logical"), QStringLiteral("boolean")},
        {QStringLiteral("autoincrement"), QStringLiteral("serial")},
        {QStringLiteral("counter"), QStringLiteral("serial")},
    };
    const auto found = words.constFind(t.key);
    return found == words.constEnd() ? std::optional<QString>() : *found;
}

std::optional<QString> oracleType(const TypeSpec &t)
{
    if (t.key == QLatin1String("text") || t.key == QLatin1String("varchar2") ||
        t.key == QLatin1String("varchar")) {
        if (t.sized)
            return t.key == QLatin1String("varchar2") ? std::optional<QString>()
                                                      : QStringLiteral("varchar2(%1)").arg(t.size);
        return QStringLiteral("varchar2(255)");
    }
    static const QHash<QString, QString> words = {
        {QStringLiteral("memo"), QStringLiteral("varchar2(4000)")},
        {QStringLiteral("longtext"), QStringLiteral("varchar2(4000)")},
        {QStringLiteral("longchar"), QStringLiteral("varchar2(4000)")},
        {QStringLiteral("note"), QStringLiteral("varchar2(4000)")},
        {QStringLiteral("short"), QStringLiteral("NUMBER(5)")},
        {QStringLiteral("byte"), QStringLiteral("NUMBER(5)")},
        {QStringLiteral("long"), QStringLiteral("NUMBER(10)")},
        {QStringLiteral("double"), QStringLiteral("NUMBER")},
        {QStringLiteral("single"), QStringLiteral("NUMBER")},
        {QStringLiteral("currency"), QStringLiteral("NUMBER(19,4)")},
        {QStringLiteral("datetime"), QStringLiteral("TIMESTAMP")},
        {QStringLiteral("yesno"), QStringLiteral("NUMBER(1)")},
        {QStringLiteral("bit"), QStringLiteral("NUMBER(1)")},
        {QStringLiteral("logical"), QStringLiteral("NUMBER(1)")},
        {QStringLiteral("boolean"), QStringLiteral("NUMBER(1)")},
        {QStringLiteral("autoincrement"),
         QStringLiteral("NUMBER GENERATED BY DEFAULT AS IDENTITY")},
        {QStringLiteral("counter"), QStringLiteral("NUMBER GENERATED BY DEFAULT AS IDENTITY")},
        {QStringLiteral("serial"), QStringLiteral("NUMBER GENERATED BY DEFAULT AS IDENTITY")},
    };
    const auto found = words.constFind(t.key);
    return found == words.constEnd() ? std::optional<QString>() : *found;
}

// Rewrites the type of the column definition nodes[from, to) (name first).
void rewriteColumn(SqlNodes &nodes, size_t from, size_t to, SqlDialect dialect)
{
    const auto type = readType(nodes, from + 1, to);
    if (!type)
        return;
    std::optional<QString> target;
    switch (dialect) {
    case SqlDialect::SQLite:
        target = sqliteType(*type);
        break;
    case SqlDialect::PostgreSQL:
        target = postgresType(*type);
        break;
    case SqlDialect::Oracle:
        target = oracleType(*type);
        break;
    case SqlDialect::Access:
        break;
    }
    if (!target)
        return;
    if (dialect == SqlDialect::SQLite && isAutoIncrement(type->key)) {
        // The mapped type carries PRIMARY KEY: a second one in the definition is an error.
        const size_t key = findKeyword(nodes, type->end, {"PRIMARY"});
        if (key != npos && key + 1 < to && nodes[key + 1].isWord(QLatin1String("KEY"))) {
            size_t start = key;
            if (key >= 2 && nodes[key - 2].isWord(QLatin1String("CONSTRAINT")))
                start = key - 2;
            nodes.erase(nodes.begin() + qsizetype(start), nodes.begin() + qsizetype(key) + 2);
        }
    }
    replaceRange(nodes, from + 1, type->end, *target);
}

bool isTableConstraint(const SqlNode &node)
{
    static const char *words[] = {"CONSTRAINT", "PRIMARY", "UNIQUE", "FOREIGN",
                                  "CHECK",      "KEY",     "INDEX"};
    return std::any_of(std::begin(words), std::end(words),
                       [&](const char *word) { return node.isWord(QLatin1String(word)); });
}

void rewriteCreateTable(SqlNodes &s, SqlDialect dialect)
{
    size_t k = findKeyword(s, 0, {"TABLE"});
    if (k == npos)
        return;
    ++k;
    if (k + 2 < s.size() && s[k].isWord(QLatin1String("IF")))
        k += 3; // IF NOT EXISTS
    // The table name (possibly schema.table), then the column list; CREATE TABLE ... AS
    // SELECT has none.
    ++k;
    while (k + 1 < s.size() && s[k].isOperator(QLatin1String(".")))
        k += 2;
    if (k >= s.size() || !s[k].isParenGroup())
        return;
    SqlNodes &columns = s[k].children;
    const auto parts = splitOnCommas(columns, 0, columns.size());
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        if (it->second - it->first >= 2 && !isTableConstraint(columns[it->first]))
            rewriteColumn(columns, it->first, it->second, dialect);
    }
}

void rewriteAlterTable(SqlNodes &s, SqlDialect dialect)
{
    // ALTER TABLE name ADD [COLUMN] col type ... | ALTER [COLUMN] col type
    size_t k = 3;
    if (k >= s.size())
        return;
    const bool add = s[k].isWord(QLatin1String("ADD"));
    const bool alter = s[k].isWord(QLatin1String("ALTER"));
    if (!add && !alter)
        return;
    if (alter && dialect == SqlDialect::SQLite)
        return; // SQLite cannot change a column's type: the statement fails as it is
    size_t column = k + 1;
    if (column < s.size() && s[column].isWord(QLatin1String("COLUMN"))) {
        if (dialect == SqlDialect::Oracle) { // Oracle: ADD col type, MODIFY col type
            s.erase(s.begin() + qsizetype(column));
        } else {
            ++column;
        }
    }
    if (column >= s.size() || isTableConstraint(s[column]))
        return;
    rewriteColumn(s, column, s.size(), dialect);
    if (alter && dialect == SqlDialect::Oracle)
        s[k] = SqlNode::makeText(QStringLiteral("MODIFY"), s[k].lead);
    if (alter && dialect == SqlDialect::PostgreSQL && column + 1 < s.size())
        s[column + 1].lead += QStringLiteral("TYPE ");
}

} // namespace

void rewriteColumnTypes(SqlNodes &statement, SqlDialect dialect)
{
    if (statement.size() < 3 || dialect == SqlDialect::Access)
        return;
    if (statement[0].isWord(QLatin1String("CREATE"))) {
        const size_t table = findKeyword(statement, 1, {"TABLE", "INDEX", "VIEW"});
        if (table != npos && statement[table].isWord(QLatin1String("TABLE")))
            rewriteCreateTable(statement, dialect);
    } else if (statement[0].isWord(QLatin1String("ALTER")) &&
               statement[1].isWord(QLatin1String("TABLE"))) {
        rewriteAlterTable(statement, dialect);
    }
}

} // namespace plx
