#include "statementcheck.h"

#include "db/accesbase.h"
#include "db/preparedstatement.h"
#include "db/sqltokenizer.h"

#include <QRegularExpression>
#include <QSet>

namespace plxtest {

using plx::SqlToken;

namespace {

// Functions of SQLite, PostgreSQL or standard SQL that Access SQL lacks; Access writes
// them ucase, lcase, mid, nz, iif, len, cvdate, format, cstr, cdbl, clng, cint...
const QSet<QString> &nonAccessFunctions()
{
    static const QSet<QString> names{
        QStringLiteral("upper"),        QStringLiteral("lower"),
        QStringLiteral("substr"),       QStringLiteral("substring"),
        QStringLiteral("coalesce"),     QStringLiteral("ifnull"),
        QStringLiteral("nullif"),       QStringLiteral("cast"),
        QStringLiteral("strftime"),     QStringLiteral("concat"),
        QStringLiteral("length"),       QStringLiteral("char_length"),
        QStringLiteral("datetime"),     QStringLiteral("julianday"),
        QStringLiteral("printf"),       QStringLiteral("date_trunc"),
        QStringLiteral("extract"),      QStringLiteral("to_char"),
        QStringLiteral("to_date"),      QStringLiteral("to_number"),
        QStringLiteral("greatest"),     QStringLiteral("least"),
        QStringLiteral("group_concat"), QStringLiteral("string_agg"),
        QStringLiteral("position"),     QStringLiteral("trunc"),
    };
    return names;
}

// Keywords of other engines: Access writes TOP n, and sorts NULLs first by itself.
const QSet<QString> &nonAccessKeywords()
{
    static const QSet<QString> words{QStringLiteral("limit"), QStringLiteral("offset"),
                                     QStringLiteral("nulls"), QStringLiteral("ilike"),
                                     QStringLiteral("returning")};
    return words;
}

QList<SqlToken> significantTokens(const QString &sql)
{
    QList<SqlToken> tokens = plx::tokenizeSql(sql);
    tokens.removeIf([](const SqlToken &token) { return token.isTrivia(); });
    return tokens;
}

} // namespace

QStringList accessSyntaxProblems(const QString &sql)
{
    QStringList problems;
    const QList<SqlToken> tokens = significantTokens(sql);
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const SqlToken &token = tokens.at(i);
        if (token.kind == SqlToken::Kind::Operator
            && (token.text == QLatin1String("||") || token.text == QLatin1String("::")
                || token.text == QLatin1String("!=") || token.text == QLatin1String("%"))) {
            problems << QStringLiteral("operator ") + token.text;
            continue;
        }
        if (token.kind != SqlToken::Kind::Word)
            continue;
        const QString word = token.text.toLower();
        // A name after a dot is a column (t.length), not a call.
        const bool qualified = i > 0 && tokens.at(i - 1).isOperator(QLatin1String("."));
        const bool call = i + 1 < tokens.size() && tokens.at(i + 1).kind == SqlToken::Kind::Open;
        if (call && !qualified && nonAccessFunctions().contains(word))
            problems << QStringLiteral("function ") + word;
        else if (!qualified && nonAccessKeywords().contains(word))
            problems << QStringLiteral("keyword ") + word.toUpper();
    }
    return problems;
}

bool isDataError(const QString &error)
{
    static const QRegularExpression data(
        QStringLiteral("unique constraint|not null constraint|not-null constraint|foreign key "
                       "constraint|check constraint|duplicate key|violates|value too long|"
                       "already exists"),
        QRegularExpression::CaseInsensitiveOption);
    return data.match(error).hasMatch();
}

QString withStationTables(const QString &sql, const QString &code)
{
    static const QRegularExpression measurement(
        QStringLiteral("^(PK_)?(COURBE_REF_)?PLUVIO_\\d+(_BRUTE)?$"),
        QRegularExpression::CaseInsensitiveOption);
    // A piezometer's level table: the replay database has PZ_1.
    static const QRegularExpression levels(QStringLiteral("^PZ_\\d+$"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString out;
    for (const SqlToken &token : plx::tokenizeSql(sql)) {
        const QRegularExpressionMatch match = measurement.match(token.text);
        if (token.kind == SqlToken::Kind::Word && levels.match(token.text).hasMatch())
            out += QStringLiteral("PZ_1");
        else if (token.kind == SqlToken::Kind::Word && match.hasMatch())
            out += match.captured(1) + match.captured(2) + QStringLiteral("PLUVIO_") + code
                   + match.captured(3);
        else
            out += token.text;
    }
    return out;
}

QString replayStatement(plx::AccesBase &db, const QString &sql)
{
    QString error;
    if (!db.DebutTransaction(&error))
        return error;
    const QList<SqlToken> tokens = significantTokens(sql);
    const bool marks = std::any_of(tokens.begin(), tokens.end(), [](const SqlToken &token) {
        return token.text == QLatin1String("?");
    });
    const bool select = !tokens.isEmpty() && tokens.first().isWord(QLatin1String("SELECT"));
    // Some drivers (psqlODBC) prepare on the client only: the text with NULL for each mark
    // is run too, so that the server sees it.
    QString text;
    if (marks) {
        for (const SqlToken &token : plx::tokenizeSql(sql))
            text += token.text == QLatin1String("?") ? QStringLiteral("NULL") : token.text;
    }
    bool ok = !marks || db.prepare(sql, &error) != nullptr;
    if (ok && select) {
        const plx::RecordTable rows = db.ExtraireRecords(marks ? text : sql);
        ok = rows.ok();
        error = rows.error();
    } else if (ok) {
        ok = db.Execute(marks ? text : sql, &error);
    }
    QString ignored;
    db.FinTransaction(false, &ignored);
    return ok ? QString() : error;
}

} // namespace plxtest
