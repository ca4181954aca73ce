#include "stations/listfilter.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/singlestatement.h"
#include "db/sqltext.h"
#include "db/sqltokenizer.h"
#include "session/session.h"
#include "stations/stationlist.h"

namespace plx {

namespace {

enum class FieldKind { Text, Number, Date };

struct FilterField
{
    const char *heading; // UTF-8
    const char *column;
    FieldKind kind;
};

const FilterField kFields[] = {
    {"Num", "PLUVIOMETRES.CodePluviometre", FieldKind::Number},
    {"Dépt", "COMMUNES.NumDept", FieldKind::Text},
    {"Commune", "COMMUNES.Nom", FieldKind::Text},
    {"Nom du site", "PLUVIOMETRES.Nom", FieldKind::Text},
    {"Altitude", "PLUVIOMETRES.Altitude", FieldKind::Number},
    {"Gestionnaire", "LIEN_PLUVIO_GESTIONNAIRE.Nom", FieldKind::Text},
    {"Création", "PLUVIOMETRES.DateCreation", FieldKind::Date},
    {"Fermeture", "PLUVIOMETRES.DateFermeture", FieldKind::Date},
    {"Identifiant", "PLUVIOMETRES.Identifiant", FieldKind::Text},
};

const char *const kComparisons[] = {"=", "<>", "<", "<=", ">", ">="};
const QLatin1String kContains("contient");
const QLatin1String kStartsWith("commence par");
const QLatin1String kIsEmpty("est vide");
const QLatin1String kIsNotEmpty("n'est pas vide");
const QLatin1String kAnd("Et");
const QLatin1String kOr("Ou");

const FilterField *fieldNamed(const QString &heading)
{
    for (const FilterField &field : kFields) {
        if (heading == QString::fromUtf8(field.heading))
            return &field;
    }
    return nullptr;
}

bool isComparison(const QString &op)
{
    for (const char *comparison : kComparisons) {
        if (op == QLatin1String(comparison))
            return true;
    }
    return false;
}

struct Condition
{
    QString text;
    QString error;
};

// The value as a literal of the field's type; "" with an error when it is not one.
Condition literalFor(const FilterField &field, const QString &value)
{
    const QString heading = QString::fromUtf8(field.heading);
    switch (field.kind) {
    case FieldKind::Number:
        if (const auto number = parseNumber(value))
            return {sqlNumber(*number), {}};
        return {{},
                QStringLiteral("La valeur « %1 » du champ « %2 » n'est pas un nombre.")
                    .arg(value, heading)};
    case FieldKind::Date:
        if (const auto date = parseDate(value)) {
            const QString literal = FormatDateSQL(formatDate(*date), false);
            if (!literal.isEmpty())
                return {literal, {}};
        }
        return {{},
                QStringLiteral("La valeur « %1 » du champ « %2 » n'est pas une date "
                               "(jj/mm/aaaa).")
                    .arg(value, heading)};
    case FieldKind::Text:
        break;
    }
    return {sqlQuote(value), {}};
}

Condition conditionFor(const FilterRow &row)
{
    const FilterField *field = fieldNamed(row.field);
    if (!field)
        return {{}, QStringLiteral("Le champ « %1 » ne peut pas servir de filtre.").arg(row.field)};
    const QString column = QString::fromLatin1(field->column);
    const bool text = field->kind == FieldKind::Text;
    if (row.op == kIsEmpty)
        return {text ? QStringLiteral("(%1 IS NULL OR %1 = '')").arg(column)
                     : column + QStringLiteral(" IS NULL"),
                {}};
    if (row.op == kIsNotEmpty)
        return {text ? QStringLiteral("(%1 IS NOT NULL AND %1 <> '')").arg(column)
                     : column + QStringLiteral(" IS NOT NULL"),
                {}};
    if (row.op == kContains || row.op == kStartsWith) {
        if (!text)
            return {{},
                    QStringLiteral("L'opérateur « %1 » ne s'applique qu'aux champs texte, "
                                   "pas à « %2 ».")
                        .arg(row.op, row.field)};
        const QString needle = QStringLiteral("ucase(") + sqlQuote(row.value) + QLatin1Char(')');
        if (row.op == kContains)
            return {QStringLiteral("instr(ucase(%1), %2) > 0").arg(column, needle), {}};
        return {QStringLiteral("left(ucase(%1), %2) = %3")
                    .arg(column, sqlNumber(qint64(row.value.size())), needle),
                {}};
    }
    if (!isComparison(row.op))
        return {{}, QStringLiteral("L'opérateur « %1 » n'est pas reconnu.").arg(row.op)};
    const Condition literal = literalFor(*field, row.value.trimmed());
    if (!literal.error.isEmpty())
        return literal;
    if (text)
        return {QStringLiteral("ucase(%1) %2 ucase(%3)").arg(column, row.op, literal.text), {}};
    return {column + QLatin1Char(' ') + row.op + QLatin1Char(' ') + literal.text, {}};
}

QString escaped(QString value)
{
    return value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\t'), QStringLiteral("\\t"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

QString unescaped(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        out += next == QLatin1Char('t')   ? QChar(QLatin1Char('\t'))
               : next == QLatin1Char('n') ? QChar(QLatin1Char('\n'))
                                          : next;
    }
    return out;
}

} // namespace

QStringList filterFields()
{
    QStringList headings;
    for (const FilterField &field : kFields)
        headings << QString::fromUtf8(field.heading);
    return headings;
}

QStringList filterOperators()
{
    QStringList operators;
    for (const char *comparison : kComparisons)
        operators << QString::fromLatin1(comparison);
    operators << kContains << kStartsWith << kIsEmpty << kIsNotEmpty;
    return operators;
}

bool operatorTakesValue(const QString &op)
{
    return op != kIsEmpty && op != kIsNotEmpty;
}

FilterWhere buildFilterWhere(const std::vector<FilterRow> &rows)
{
    FilterWhere result;
    if (rows.empty()) {
        result.error = QStringLiteral("Le filtre ne contient aucune condition.");
        return result;
    }
    QStringList groups; // OR of AND-groups
    QStringList current;
    for (size_t i = 0; i < rows.size(); ++i) {
        const FilterRow &row = rows[i];
        if (i > 0 && row.joiner != kAnd && row.joiner != kOr) {
            result.error = QStringLiteral("Les conditions se joignent par « Et » ou « Ou », "
                                          "pas par « %1 ».")
                               .arg(row.joiner);
            return result;
        }
        const Condition condition = conditionFor(row);
        if (!condition.error.isEmpty()) {
            result.error = condition.error;
            return result;
        }
        if (i > 0 && row.joiner == kOr) {
            groups << QLatin1Char('(') + current.join(QStringLiteral(" AND ")) + QLatin1Char(')');
            current.clear();
        }
        current << condition.text;
    }
    groups << QLatin1Char('(') + current.join(QStringLiteral(" AND ")) + QLatin1Char(')');
    result.ok = true;
    result.condition = QLatin1Char('(') + groups.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    return result;
}

QString serializeFilter(const std::vector<FilterRow> &rows)
{
    QStringList lines;
    for (size_t i = 0; i < rows.size(); ++i) {
        const FilterRow &row = rows[i];
        lines << QStringList{i == 0 ? QString() : row.joiner, row.field, row.op, escaped(row.value)}
                     .join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

std::optional<std::vector<FilterRow>> parseFilter(const QString &text)
{
    std::vector<FilterRow> rows;
    const QStringList lines = QString(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        const QStringList parts = line.split(QLatin1Char('\t'));
        if (parts.size() != 4)
            return std::nullopt;
        rows.push_back({parts[0], parts[1], parts[2], unescaped(parts[3])});
    }
    return rows;
}

bool isSingleReadOnlySelect(const QString &sql)
{
    if (holdsSeveralStatements(sql))
        return false;
    static const char *const kChanging[] = {
        "INSERT",   "UPDATE", "DELETE",  "DROP", "CREATE", "ALTER", "INTO", "GRANT", "REVOKE",
        "TRUNCATE", "EXEC",   "EXECUTE", "CALL", "MERGE",  "COPY",  "LOCK", "FOR"};
    bool first = true;
    for (const SqlToken &token : tokenizeSql(sql)) {
        if (token.isTrivia() || token.kind == SqlToken::Kind::Semicolon)
            continue;
        if (first) {
            if (!token.isWord(QLatin1String("SELECT")))
                return false;
            first = false;
            continue;
        }
        for (const char *word : kChanging) {
            if (token.isWord(QLatin1String(word)))
                return false;
        }
    }
    return !first;
}

ListSelection codesSelectedBy(const QString &selectionFiltre, const QString &requete)
{
    ListSelection selection;
    QString sql;
    if (!selectionFiltre.trimmed().isEmpty()) {
        const auto rows = parseFilter(selectionFiltre);
        if (!rows) {
            selection.error = QStringLiteral("Le filtre enregistré de la liste est illisible.");
            return selection;
        }
        const FilterWhere where = buildFilterWhere(*rows);
        if (!where.ok) {
            selection.error = where.error;
            return selection;
        }
        sql = QStringLiteral("SELECT DISTINCT PLUVIOMETRES.CodePluviometre ") + stationListFrom() +
              QStringLiteral(" WHERE ") + where.condition;
        const QString scope = session().stationScopeCondition();
        if (!scope.isEmpty())
            sql += QStringLiteral(" AND ") + scope;
    } else if (isSingleReadOnlySelect(requete)) {
        // The scope applies when the list's rows are shown: a stored query only narrows.
        sql = requete.trimmed();
        while (sql.endsWith(QLatin1Char(';')))
            sql.chop(1);
    } else {
        selection.error = requete.trimmed().isEmpty()
                              ? QStringLiteral("La liste ne contient ni filtre ni requête.")
                              : QStringLiteral("La requête enregistrée de la liste n'est pas une "
                                               "simple requête de sélection : elle n'est pas "
                                               "exécutée.");
        return selection;
    }
    const RecordTable table = AccesBase::instance().ExtraireRecords(sql);
    if (!table.ok()) {
        selection.error = QStringLiteral("La sélection de la liste a échoué : ") + table.error();
        return selection;
    }
    selection.ok = true;
    for (int r = 0; r < table.rowCount(); ++r) {
        if (!table.at(r, 0).isNull())
            selection.codes.insert(qint64(table.at(r, 0).toDouble()));
    }
    return selection;
}

} // namespace plx
