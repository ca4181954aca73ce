#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace plx {

// A saved list's filter: rows (field, operator, value), each joined to the one before it
// by "Et" or "Ou". "Et" binds first: a Et b Ou c means (a and b) or c.
struct FilterRow
{
    QString joiner; // "Et" or "Ou"; ignored on the first row
    QString field;  // a heading of the list (filterFields())
    QString op;     // one of filterOperators()
    QString value;  // as typed: French numbers and dd/MM/yyyy dates
    bool operator==(const FilterRow &) const = default;
};

// The list's columns a filter may test, by heading.
QStringList filterFields();
// "=", "<>", "<", "<=", ">", ">=", "contient", "commence par", "est vide", "n'est pas vide".
QStringList filterOperators();
// True for "est vide" and "n'est pas vide", which take no value.
bool operatorTakesValue(const QString &op);

struct FilterWhere
{
    bool ok = false;
    QString condition; // parenthesised, without " WHERE "
    QString error;     // French, for the user
};

// The condition the rows stand for, over the list's tables. Unknown fields and operators
// and values that are not of the field's type are refused; text values are quoted.
FilterWhere buildFilterWhere(const std::vector<FilterRow> &rows);

// The readable text kept in Utilisateurs_Listes.selectionFiltre, one row a line:
// "Et<TAB>Commune<TAB>contient<TAB>Saint" (tabs, line breaks and backslashes in a value
// written \t, \n, \\).
QString serializeFilter(const std::vector<FilterRow> &rows);
std::optional<std::vector<FilterRow>> parseFilter(const QString &text);

// A stored query may run only when it is one SELECT that changes nothing.
bool isSingleReadOnlySelect(const QString &sql);

// What a saved list selects. Its rows when it has a filter (rebuilt from them, never taken
// from the stored WHERE), else its stored query; always within the user's station scope.
struct ListSelection
{
    bool ok = false;
    QSet<qint64> codes;
    QString error;
};
ListSelection codesSelectedBy(const QString &selectionFiltre, const QString &requete);

} // namespace plx
