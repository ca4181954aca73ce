#include "db/sqlcalls.h"

#include "db/sqldates.h"
#include "db/sqlinstants.h"

#include <QStringList>

namespace plx {

namespace {

using Kind = SqlToken::Kind;

struct Call
{
    SqlNodes &nodes;
    size_t at; // the function name; the argument group follows
    SqlDialect dialect;
    std::vector<std::pair<size_t, size_t>> ranges;

    const SqlNodes &args() const { return nodes[at + 1].children; }
    size_t count() const { return ranges.size(); }
    // An argument as written between the commas.
    QString arg(size_t i) const
    {
        return renderSql(args(), ranges[i].first, ranges[i].second, false).trimmed();
    }
    // An argument safe to embed next to operators.
    QString operand(size_t i) const
    {
        return renderOperand(args(), ranges[i].first, ranges[i].second);
    }
    const SqlNode *single(size_t i) const
    {
        return ranges[i].second - ranges[i].first == 1 ? &args()[ranges[i].first] : nullptr;
    }
    bool isStringLiteral(size_t i) const { return single(i) && single(i)->isStringLiteral(); }
    bool isNull(size_t i) const { return single(i) && single(i)->isWord(QLatin1String("NULL")); }
    bool isPg() const { return dialect == SqlDialect::PostgreSQL; }
    bool isOracle() const { return dialect == SqlDialect::Oracle; }
    // A text argument: PostgreSQL has no implicit cast from numbers to text.
    QString text(size_t i) const
    {
        return isPg() && !isStringLiteral(i) ? QStringLiteral("CAST(%1 AS text)").arg(arg(i))
                                             : arg(i);
    }

    SqlNode &replace(const QString &text) { return replaceRange(nodes, at, at + 2, text); }
};

bool isColumnRef(const SqlNodes &nodes, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        const bool name = nodes[i].isWord() || (nodes[i].isText() && nodes[i].name);
        const bool expected = (i - from) % 2 == 0 ? name : nodes[i].isOperator(QLatin1String("."));
        if (!expected)
            return false;
    }
    return to > from && (to - from) % 2 == 1;
}

void iif(Call &c)
{
    if (c.count() != 3 || c.dialect == SqlDialect::SQLite) // SQLite has iif since 3.32
        return;
    QString yes = c.arg(1), no = c.arg(2);
    // PostgreSQL and Oracle refuse branches of different types: a string literal with a
    // number or a date makes both text.
    const bool mixed = (c.isStringLiteral(1) && !c.isStringLiteral(2) && !c.isNull(2)) ||
                       (c.isStringLiteral(2) && !c.isStringLiteral(1) && !c.isNull(1));
    if (mixed) {
        const QString cast =
            c.isOracle() ? QStringLiteral("TO_CHAR(%1)") : QStringLiteral("CAST(%1 AS text)");
        yes = cast.arg(yes);
        no = cast.arg(no);
    }
    c.replace(QStringLiteral("CASE WHEN %1 THEN %2 ELSE %3 END").arg(c.arg(0), yes, no));
}

void cvdate(Call &c)
{
    if (c.count() != 1)
        return;
    const SqlNode *arg = c.single(0);
    if (arg && arg->is(Kind::String)) {
        if (const auto value = parseSqlDate(arg->token.unquoted(), DateOrder::DayFirst)) {
            c.replace(dateTimeLiteral(c.dialect, *value, true)).dateValue = value;
            return;
        }
    }
    if (arg && arg->isText() && (arg->dateValue || arg->isInstant())) {
        SqlNode copy = *arg;
        copy.lead = c.nodes[c.at].lead;
        c.nodes.erase(c.nodes.begin() + qsizetype(c.at) + 1);
        c.nodes[c.at] = std::move(copy);
        return;
    }
    const auto [from, to] = c.ranges[0];
    if (isColumnRef(c.args(), from, to)) {
        c.replace(c.arg(0));
        return;
    }
    // Any other text: SQLite reads it day first (registered cvdate); the servers take the
    // value as it is.
    c.replace(c.dialect == SqlDialect::SQLite ? QStringLiteral("cvdate(%1)").arg(c.arg(0))
                                              : c.operand(0));
}

void cint(Call &c)
{
    if (c.count() != 1 || c.dialect == SqlDialect::SQLite) // registered on SQLite
        return;
    if (c.isOracle()) {
        c.replace(QStringLiteral("CAST(ROUND(TO_NUMBER(TRIM(%1) DEFAULT NULL ON CONVERSION ERROR)) "
                                 "AS NUMBER(10))")
                      .arg(c.arg(0)));
        return;
    }
    // Non-throwing and 32-bit: anything but a number in range gives NULL. float8's round()
    // rounds halves to even, as Access's Cint does.
    const QString text = QStringLiteral("CAST(%1 AS text)").arg(c.arg(0));
    c.replace(
        QStringLiteral("CASE WHEN %1 ~ '^\\s*[-+]?[0-9]+(\\.[0-9]*)?\\s*$' THEN CASE WHEN "
                       "CAST(%1 AS float8) > -2147483648.5 AND CAST(%1 AS float8) < 2147483647.5 "
                       "THEN CAST(round(CAST(%1 AS float8)) AS integer) END END")
            .arg(text));
}

void datePart(Call &c, const QString &name)
{
    if (c.count() != 1)
        return;
    static const QStringList names = {QStringLiteral("year"),   QStringLiteral("month"),
                                      QStringLiteral("day"),    QStringLiteral("hour"),
                                      QStringLiteral("minute"), QStringLiteral("second")};
    static const QStringList sqlite = {QStringLiteral("%Y"), QStringLiteral("%m"),
                                       QStringLiteral("%d"), QStringLiteral("%H"),
                                       QStringLiteral("%M"), QStringLiteral("%S")};
    static const QStringList oracle = {QStringLiteral("YYYY"), QStringLiteral("MM"),
                                       QStringLiteral("DD"),   QStringLiteral("HH24"),
                                       QStringLiteral("MI"),   QStringLiteral("SS")};
    const qsizetype part = names.indexOf(name);
    switch (c.dialect) {
    case SqlDialect::PostgreSQL:
        c.replace(QStringLiteral("CAST(extract(%1 FROM %2) AS integer)").arg(name, c.arg(0)));
        break;
    case SqlDialect::Oracle:
        c.replace(QStringLiteral("TO_NUMBER(TO_CHAR(%1, '%2'))").arg(c.arg(0), oracle[part]));
        break;
    default:
        c.replace(
            QStringLiteral("CAST(strftime('%1', %2) AS INTEGER)").arg(sqlite[part], c.arg(0)));
    }
}

void textFunction(Call &c, const QString &name)
{
    const bool pg = c.isPg();
    if (name == QLatin1String("mid") && (c.count() == 2 || c.count() == 3)) {
        c.replace(QStringLiteral("substr(%1, %2%3)")
                      .arg(c.text(0), c.arg(1),
                           c.count() == 3 ? QStringLiteral(", ") + c.arg(2) : QString()));
    } else if (name == QLatin1String("len") && c.count() == 1) {
        c.replace(QStringLiteral("length(%1)").arg(c.text(0)));
    } else if (name == QLatin1String("left") && c.count() == 2) {
        c.replace(pg ? QStringLiteral("left(%1, %2)").arg(c.text(0), c.arg(1))
                     : QStringLiteral("substr(%1, 1, %2)").arg(c.arg(0), c.arg(1)));
    } else if (name == QLatin1String("right") && c.count() == 2) {
        if (pg)
            c.replace(QStringLiteral("right(%1, %2)").arg(c.text(0), c.arg(1)));
        else
            c.replace(QStringLiteral("substr(%1, %3(length(%1) - %2 + 1, 1))")
                          .arg(c.arg(0), c.operand(1),
                               c.isOracle() ? QStringLiteral("greatest") : QStringLiteral("max")));
    } else if (name == QLatin1String("instr") && c.count() == 2) {
        c.replace(pg ? QStringLiteral("strpos(%1, %2)").arg(c.text(0), c.arg(1))
                     : QStringLiteral("instr(%1, %2)").arg(c.arg(0), c.arg(1)));
    } else if (name == QLatin1String("cstr") && c.count() == 1) {
        if (pg)
            c.replace(QStringLiteral("CAST(%1 AS text)").arg(c.arg(0)));
        else if (c.isOracle())
            c.replace(QStringLiteral("TO_CHAR(%1)").arg(c.arg(0)));
        // SQLite: registered cstr (12.0 reads "12", as in Access)
    }
}

void toDate(Call &c)
{
    if (c.count() != 2 || !c.single(0) || !c.single(1) || !c.single(0)->is(Kind::String) ||
        !c.single(1)->is(Kind::String))
        return;
    const auto value =
        parseOracleDate(c.single(0)->token.unquoted(), c.single(1)->token.unquoted());
    if (!value)
        return;
    const QString text = c.isOracle() ? QStringLiteral("to_date(%1, %2)").arg(c.arg(0), c.arg(1))
                                      : dateTimeLiteral(c.dialect, *value, true);
    c.replace(text).dateValue = value;
}

// A word followed by parentheses after these is a table name, not a call.
bool namesTable(const SqlNodes &nodes, size_t at)
{
    if (at == 0)
        return false;
    const SqlNode &prev = nodes[at - 1];
    return prev.isOperator(QLatin1String(".")) || prev.isWord(QLatin1String("TABLE")) ||
           prev.isWord(QLatin1String("INTO")) || prev.isWord(QLatin1String("INDEX")) ||
           prev.isWord(QLatin1String("VIEW")) || prev.isWord(QLatin1String("REFERENCES")) ||
           prev.isWord(QLatin1String("UPDATE")) || prev.isWord(QLatin1String("EXISTS")) ||
           prev.isWord(QLatin1String("FROM")) || prev.isWord(QLatin1String("JOIN"));
}

} // namespace

void rewriteFunctionCalls(SqlNodes &nodes, SqlDialect dialect)
{
    for (size_t i = 0; i + 1 < nodes.size(); ++i) {
        if (!nodes[i].isWord() || !nodes[i + 1].isParenGroup() || namesTable(nodes, i))
            continue;
        const QString name = nodes[i].token.text.toLower();
        Call c{nodes, i, dialect, {}};
        const SqlNodes &args = nodes[i + 1].children;
        if (!args.empty())
            c.ranges = splitOnCommas(args, 0, args.size());
        const bool pg = dialect == SqlDialect::PostgreSQL;
        const bool oracle = dialect == SqlDialect::Oracle;

        if (name == QLatin1String("iif")) {
            iif(c);
        } else if (name == QLatin1String("cvdate") || name == QLatin1String("cdate")) {
            cvdate(c);
        } else if (name == QLatin1String("cint")) {
            cint(c);
        } else if (name == QLatin1String("to_date")) {
            toDate(c);
        } else if (name == QLatin1String("ucase") || name == QLatin1String("lcase")) {
            nodes[i].token.text =
                name == QLatin1String("ucase") ? QStringLiteral("upper") : QStringLiteral("lower");
        } else if (name == QLatin1String("now") && c.count() == 0) {
            // SQLite: registered now(), the local wall-clock time (datetime('now') is UTC).
            if (pg || oracle)
                c.replace(pg ? QStringLiteral("clock_timestamp()") : QStringLiteral("SYSDATE"));
        } else if (name == QLatin1String("date") && c.count() == 0) {
            c.replace(pg       ? QStringLiteral("current_date")
                      : oracle ? QStringLiteral("TRUNC(SYSDATE)")
                               : QStringLiteral("(date('now', 'localtime') || ' 00:00:00')"));
        } else if (name == QLatin1String("timevalue") && c.count() == 1) {
            if (dialect != SqlDialect::Access)
                c.replace(timeOfDay(dialect, c.arg(0)));
        } else if (name == QLatin1String("nz") && c.count() == 2) {
            nodes[i].token.text = QStringLiteral("coalesce");
        } else if (name == QLatin1String("isnull") && c.count() == 1) {
            c.replace(QStringLiteral("(%1 IS NULL)").arg(c.operand(0)));
        } else if (QStringList{QStringLiteral("year"), QStringLiteral("month"),
                               QStringLiteral("day"), QStringLiteral("hour"),
                               QStringLiteral("minute"), QStringLiteral("second")}
                       .contains(name)) {
            datePart(c, name);
        } else {
            textFunction(c, name);
        }
    }
}

} // namespace plx
