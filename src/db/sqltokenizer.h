#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace plx {

// One lexical token of an SQL text. text keeps the exact source characters: joining the
// texts of all tokens gives the input back, so whatever the translator leaves alone
// (string literals, comments, unknown constructs) reaches the engine byte for byte.
struct SqlToken
{
    enum class Kind {
        Space,        // blanks and line breaks
        Comment,      // -- to the end of the line, or /* ... */
        Word,         // names and keywords (letters with accents included)
        Number,       // 12, 12.5, .5, 1e-3
        String,       // '...' with '' inside
        DoubleQuoted, // "..." : a string in Access
        Bracketed,    // [a name]
        HashDate,     // #03/05/2024 07:30:00# : an Access date literal
        Operator,     // = <> != <= >= < > + - * / \ ^ % & | || :: . ~ and the like
        Open,         // (
        Close,        // )
        Comma,
        Semicolon,
        Other,
    };

    Kind kind = Kind::Other;
    QString text;

    bool isTrivia() const { return kind == Kind::Space || kind == Kind::Comment; }
    // Case-insensitive keyword test.
    bool isWord(QLatin1String word) const
    {
        return kind == Kind::Word && text.compare(word, Qt::CaseInsensitive) == 0;
    }
    bool isOperator(QLatin1String op) const { return kind == Kind::Operator && text == op; }
    // The value between the delimiters of a String, DoubleQuoted, Bracketed or HashDate
    // token, with doubled quotes undone.
    QString unquoted() const;
};

QList<SqlToken> tokenizeSql(QStringView sql);

} // namespace plx
