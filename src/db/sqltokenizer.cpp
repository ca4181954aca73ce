#include "db/sqltokenizer.h"

namespace plx {

namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool isWordPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// End of a quoted run opened at `from` by `quote`, the doubled quote standing for one
// quote; an unterminated run goes to the end of the text.
qsizetype quotedEnd(QStringView sql, qsizetype from, QChar quote)
{
    qsizetype i = from + 1;
    while (i < sql.size()) {
        if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

// #03/05/2024#, #2024-03-05 07:30:00#, #7:30:00 AM#: a '#' starts a date literal only
// when a closing '#' follows on the same line with date characters in between.
qsizetype hashDateEnd(QStringView sql, qsizetype from)
{
    constexpr qsizetype longest = 32;
    for (qsizetype i = from + 1; i < sql.size() && i - from <= longest; ++i) {
        const QChar c = sql[i];
        if (c == QLatin1Char('#'))
            return i > from + 1 ? i + 1 : -1;
        const bool allowed = isDigit(c) || c == QLatin1Char('/') || c == QLatin1Char(':') ||
                             c == QLatin1Char('-') || c == QLatin1Char('.') ||
                             c == QLatin1Char(' ') || QStringLiteral("AaPpMm").contains(c);
        if (!allowed)
            return -1;
    }
    return -1;
}

qsizetype numberEnd(QStringView sql, qsizetype i)
{
    while (i < sql.size() && isDigit(sql[i]))
        ++i;
    if (i < sql.size() && sql[i] == QLatin1Char('.')) {
        ++i;
        while (i < sql.size() && isDigit(sql[i]))
            ++i;
    }
    if (i + 1 < sql.size() && (sql[i] == QLatin1Char('e') || sql[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (sql[j] == QLatin1Char('+') || sql[j] == QLatin1Char('-'))
            ++j;
        if (j < sql.size() && isDigit(sql[j])) {
            while (j < sql.size() && isDigit(sql[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

} // namespace

QString SqlToken::unquoted() const
{
    if (text.size() < 2)
        return {};
    QString inner = text.mid(1, text.size() - 2);
    if (kind == Kind::String)
        inner.replace(QLatin1String("''"), QLatin1String("'"));
    else if (kind == Kind::DoubleQuoted)
        inner.replace(QLatin1String("\"\""), QLatin1String("\""));
    return inner;
}

QList<SqlToken> tokenizeSql(QStringView sql)
{
    using Kind = SqlToken::Kind;
    QList<SqlToken> tokens;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        const QChar next = i + 1 < sql.size() ? sql[i + 1] : QChar();
        Kind kind = Kind::Other;
        qsizetype end = i + 1;
        if (c.isSpace()) {
            kind = Kind::Space;
            while (end < sql.size() && sql[end].isSpace())
                ++end;
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            kind = Kind::Comment;
            while (end < sql.size() && sql[end] != QLatin1Char('\n'))
                ++end;
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            kind = Kind::Comment;
            const qsizetype close = sql.indexOf(QLatin1String("*/"), i + 2);
            end = close < 0 ? sql.size() : close + 2;
        } else if (c == QLatin1Char('\'')) {
            kind = Kind::String;
            end = quotedEnd(sql, i, c);
        } else if (c == QLatin1Char('"')) {
            kind = Kind::DoubleQuoted;
            end = quotedEnd(sql, i, c);
        } else if (c == QLatin1Char('[')) {
            kind = Kind::Bracketed;
            const qsizetype close = sql.indexOf(QLatin1Char(']'), i + 1);
            end = close < 0 ? sql.size() : close + 1;
        } else if (c == QLatin1Char('#') && hashDateEnd(sql, i) > 0) {
            kind = Kind::HashDate;
            end = hashDateEnd(sql, i);
        } else if (isDigit(c) || (c == QLatin1Char('.') && isDigit(next))) {
            kind = Kind::Number;
            end = numberEnd(sql, i);
        } else if (isWordStart(c)) {
            kind = Kind::Word;
            while (end < sql.size() && isWordPart(sql[end]))
                ++end;
        } else if (c == QLatin1Char('(')) {
            kind = Kind::Open;
        } else if (c == QLatin1Char(')')) {
            kind = Kind::Close;
        } else if (c == QLatin1Char(',')) {
            kind = Kind::Comma;
        } else if (c == QLatin1Char(';')) {
            kind = Kind::Semicolon;
        } else if (QStringLiteral("=<>!+-*/\\^%&|:.~#?@").contains(c)) {
            kind = Kind::Operator;
            static const QLatin1String pairs[] = {QLatin1String("<="), QLatin1String(">="),
                                                  QLatin1String("<>"), QLatin1String("!="),
                                                  QLatin1String("||"), QLatin1String("::")};
            for (const QLatin1String &pair : pairs) {
                if (sql.mid(i, 2) == pair) {
                    end = i + 2;
                    break;
                }
            }
        }
        tokens.append(SqlToken{kind, sql.mid(i, end - i).toString()});
        i = end;
    }
    return tokens;
}

} // namespace plx
