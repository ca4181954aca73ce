#include "stations/sublists.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "schema/schemacatalog.h"
#include "session/session.h"
#include "stations/sublistvalues.h"

#include <QCollator>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace plx {

namespace {

const QStringList &monthNames()
{
    static const QStringList names{
        QStringLiteral("Janvier"), QStringLiteral("Février"),  QStringLiteral("Mars"),
        QStringLiteral("Avril"),   QStringLiteral("Mai"),      QStringLiteral("Juin"),
        QStringLiteral("Juillet"), QStringLiteral("Août"),     QStringLiteral("Septembre"),
        QStringLiteral("Octobre"), QStringLiteral("Novembre"), QStringLiteral("Décembre")};
    return names;
}

bool isTitleRow(const SubListDescription &d, const RecordTable &t, int row)
{
    if (d.titleRow.keyColumn.isEmpty())
        return false;
    const QVariant &key = t.at(row, t.columnIndex(d.titleRow.keyColumn));
    return !key.isNull() && key.toDouble() == d.titleRow.keyValue;
}

QString choicesSql(const SubListColumn &column)
{
    switch (column.source) {
    case ChoiceSource::CodeList:
        return QStringLiteral("SELECT Code, Libelle, Commentaire FROM CODES_SANDRE WHERE ") +
               sameKey(QStringLiteral("Champ"), column.champ);
    case ChoiceSource::Intervenants:
        return QStringLiteral("SELECT CodeIntervenant, Nom FROM INTERVENANTS");
    case ChoiceSource::Reseaux:
        return QStringLiteral("SELECT CodeReseau, Libelle FROM RESEAUX");
    case ChoiceSource::Contacts:
        return QStringLiteral("SELECT Contacts.CodeContact, Contacts.Nom, Contacts.RaisonSocial, "
                              "Communes.Nom FROM Contacts LEFT JOIN Communes ON "
                              "Contacts.CodeCommune = Communes.CodeCommune");
    case ChoiceSource::None:
    case ChoiceSource::Months:
        break;
    }
    return {};
}

// The label of a choice row: the first non-blank of the label columns (a contact without a
// name shows its company, else its commune), with the code list's comment after it when
// asked for.
QString choiceLabel(const SubListColumn &column, const RecordTable &t, int row)
{
    if (column.source == ChoiceSource::CodeList) {
        QString label = t.text(row, 1).trimmed();
        const QString comment = t.text(row, 2).trimmed();
        if (column.withComment && !comment.isEmpty())
            label += QStringLiteral(" — ") + comment;
        return label;
    }
    for (int c = 1; c < t.columnCount(); ++c) {
        const QString label = t.text(row, c).trimmed();
        if (!label.isEmpty())
            return label;
    }
    return {};
}

QString rowPlace(const SubListDescription &d, int row)
{
    return d.singleRow ? d.title : QStringLiteral("%1, ligne %2").arg(d.title).arg(row + 1);
}

QString rowPrefix(const SubListDescription &d, int row)
{
    return rowPlace(d, row) + QStringLiteral(" : ");
}

QString cellProblem(const SubListDescription &d, int row, const SubListColumn &column,
                    const QVariant &value, const QString &problem)
{
    return QStringLiteral("%1, colonne « %2 » : « %3 » %4.")
        .arg(rowPlace(d, row), column.heading, value.toString().trimmed(), problem);
}

bool knownChoice(const QList<SubListChoice> &choices, double code)
{
    return std::any_of(choices.cbegin(), choices.cend(),
                       [code](const SubListChoice &c) { return double(c.code) == code; });
}

// The first problem of one row; "" when none.
QString checkRow(const SubListDescription &d, const SubListRows &rows, int r,
                 const SubListChoices &choices)
{
    const SubListRow &row = rows.rows[size_t(r)];
    for (const SubListColumn &column : d.columns) {
        const int index = rows.columnIndex(column.name);
        if (index < 0)
            continue;
        const QVariant &value = row.cells[size_t(index)];
        if (subListCellEmpty(value)) {
            if (column.required)
                return rowPrefix(d, r) + QStringLiteral("la colonne « %1 » doit être renseignée.")
                                             .arg(column.heading);
            continue;
        }
        QString problem;
        subListLiteral(&column, value, &problem);
        if (!problem.isEmpty()) {
            if (column.heading.isEmpty()) // a hidden value as loaded: name the column
                return rowPrefix(d, r) +
                       QStringLiteral("la valeur de %1 %2.").arg(column.name, problem);
            return cellProblem(d, r, column, value, problem);
        }
        if (column.kind == SubListKind::Choice) {
            const double code = *subListNumberValue(value);
            const bool asLoaded =
                !row.loaded.empty() && subListNumberValue(row.loaded[size_t(index)]) == code;
            if (!asLoaded && !knownChoice(choices.value(column.name), code))
                return rowPrefix(d, r) +
                       QStringLiteral("le code %1 n'existe pas dans la liste « %2 ».")
                           .arg(sqlNumber(code), column.heading);
        }
    }
    for (const auto &[startName, endName] : d.periods) {
        const SubListColumn *start = d.column(startName);
        const SubListColumn *end = d.column(endName);
        const int s = rows.columnIndex(startName);
        const int e = rows.columnIndex(endName);
        if (!start || !end || s < 0 || e < 0)
            continue;
        const auto from = subListDateValue(*start, row.cells[size_t(s)]);
        const auto to = subListDateValue(*end, row.cells[size_t(e)]);
        if (from && to && *to < *from)
            return rowPrefix(d, r) +
                   QStringLiteral("la date « %1 » (%2) est antérieure à la date « %3 » (%4).")
                       .arg(subListCellText(*end, row.cells[size_t(e)]), end->heading,
                            subListCellText(*start, row.cells[size_t(s)]), start->heading);
    }
    return {};
}

QString selectRows(const SubListDescription &d, const QString &station)
{
    QString sql =
        QStringLiteral("SELECT * FROM %1 WHERE %2=%3").arg(d.table, d.stationColumn, station);
    if (!d.orderBy.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + d.orderBy;
    return sql;
}

// The rows as sorted texts (the order of equal sort keys is not fixed), each value with
// its type so that 1 and '1' differ.
QStringList snapshotOf(const RecordTable &t)
{
    QStringList rows;
    for (int r = 0; r < t.rowCount(); ++r) {
        QStringList values;
        for (int c = 0; c < t.columnCount(); ++c) {
            const QVariant &v = t.at(r, c);
            values << (v.isNull() ? QStringLiteral("~")
                       : v.typeId() == QMetaType::QDateTime
                           ? v.toDateTime().toString(Qt::ISODateWithMs)
                           : QString::number(v.typeId()) + QLatin1Char(':') + v.toString());
        }
        rows << values.join(QChar(0x1f));
    }
    rows.sort();
    return rows;
}

bool sameName(const QString &a, const QString &b)
{
    return !b.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

QString insertStatement(const SubListDescription &d, const SubListRows &rows, const SubListRow &row,
                        const QString &code, const QDateTime &now, QString *problem)
{
    const bool changed = row.loaded.empty() || row.cells != row.loaded;
    QStringList values;
    for (int c = 0; c < rows.columns.size(); ++c) {
        const QString &name = rows.columns[c];
        if (sameName(name, d.stationColumn)) {
            values << code;
            continue;
        }
        if (changed && sameName(name, d.stampLoginColumn)) {
            values << (session().login.isEmpty() ? QStringLiteral("NULL")
                                                 : sqlQuote(session().login));
            continue;
        }
        if (changed && sameName(name, d.stampDateColumn)) {
            values << FormatDateSQL(formatDateTime(now), true);
            continue;
        }
        values << subListLiteral(d.column(name), row.cells[size_t(c)], problem);
        if (!problem->isEmpty()) {
            *problem = QStringLiteral("%1 : la valeur de %2 %3.").arg(d.title, name, *problem);
            return {};
        }
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(d.table, rows.columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}

bool rowHasContent(const SubListDescription &d, const SubListRows &rows, const SubListRow &row)
{
    for (int c = 0; c < rows.columns.size(); ++c) {
        if (rows.columns[c].compare(d.stationColumn, Qt::CaseInsensitive) != 0 &&
            !subListCellEmpty(row.cells[size_t(c)]))
            return true;
    }
    return false;
}

} // namespace

const SubListColumn *SubListDescription::column(const QString &name) const
{
    for (const SubListColumn &c : columns) {
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

const SubListColumn *SubListDescription::counter() const
{
    for (const SubListColumn &c : columns) {
        if (c.kind == SubListKind::Counter)
            return &c;
    }
    return nullptr;
}

std::vector<const SubListColumn *> SubListDescription::shownColumns() const
{
    std::vector<const SubListColumn *> shown;
    for (const SubListColumn &c : columns) {
        if (!c.heading.isEmpty())
            shown.push_back(&c);
    }
    return shown;
}

int SubListRows::columnIndex(const QString &name) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

SubListRow SubListRows::emptyRow(const SubListDescription &description, const QString &code) const
{
    SubListRow row;
    row.cells.resize(size_t(columns.size()));
    const int station = columnIndex(description.stationColumn);
    if (station >= 0 && !code.isEmpty())
        row.cells[size_t(station)] = code.toDouble();
    return row;
}

QString subListNoStationMessage()
{
    return QStringLiteral("Vous devez d'abord enregistrer le pluviomètre afin de le créer (icone "
                          "disquette dans la barre du haut).");
}

SubListLoad loadSubList(AccesBase &db, const SubListDescription &d, const QString &code)
{
    SubListLoad load;
    // A station never saved has no rows; the query still gives the table's columns.
    const QString station = code.isEmpty() ? QStringLiteral("NULL") : sqlNumber(code.toDouble());
    const RecordTable t = db.ExtraireRecords(selectRows(d, station));
    if (!t.ok()) {
        load.error = t.error();
        return load;
    }
    load.ok = true;
    load.rows.columns = t.columnNames();
    load.rows.snapshot = snapshotOf(t);
    for (int r = 0; r < t.rowCount(); ++r) {
        SubListRow row;
        for (int c = 0; c < t.columnCount(); ++c)
            row.cells.push_back(t.at(r, c));
        row.loaded = row.cells;
        if (isTitleRow(d, t, r) && load.rows.title.cells.empty())
            load.rows.title = std::move(row);
        else
            load.rows.rows.push_back(std::move(row));
    }
    return load;
}

SubListChoices loadSubListChoices(AccesBase &db, const SubListDescription &d)
{
    SubListChoices all;
    QCollator collator{QLocale(QLocale::French, QLocale::France)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    for (const SubListColumn &column : d.columns) {
        if (column.kind != SubListKind::Choice)
            continue;
        QList<SubListChoice> choices;
        if (column.source == ChoiceSource::Months) {
            for (int m = 1; m <= 12; ++m)
                choices.append({m, monthNames()[m - 1]});
            all.insert(column.name, choices);
            continue;
        }
        const RecordTable t = db.ExtraireRecords(choicesSql(column));
        for (int r = 0; t.ok() && r < t.rowCount(); ++r) {
            if (t.at(r, 0).isNull())
                continue;
            choices.append({std::llround(t.at(r, 0).toDouble()), choiceLabel(column, t, r)});
        }
        std::sort(choices.begin(), choices.end(),
                  [&collator](const SubListChoice &a, const SubListChoice &b) {
                      return collator.compare(a.label, b.label) < 0;
                  });
        all.insert(column.name, choices);
    }
    return all;
}

QString checkSubList(const SubListDescription &d, const SubListRows &rows,
                     const SubListChoices &choices)
{
    QSet<double> seen;
    const int unique = d.uniqueColumn.isEmpty() ? -1 : rows.columnIndex(d.uniqueColumn);
    for (int r = 0; r < int(rows.rows.size()); ++r) {
        const QString problem = checkRow(d, rows, r, choices);
        if (!problem.isEmpty())
            return problem;
        if (unique < 0)
            continue;
        const std::optional<double> key =
            subListNumberValue(rows.rows[size_t(r)].cells[size_t(unique)]);
        if (!key)
            continue;
        if (seen.contains(*key)) {
            const SubListColumn *column = d.column(d.uniqueColumn);
            QString label = sqlNumber(*key);
            for (const SubListChoice &c : choices.value(column->name)) {
                if (double(c.code) == *key)
                    label = c.label;
            }
            return rowPrefix(d, r) +
                   QStringLiteral("« %1 » figure déjà sur une autre ligne (une seule ligne par "
                                  "%2).")
                       .arg(label, column->heading.toLower());
        }
        seen.insert(*key);
    }
    return {};
}

qlonglong nextSubListNumber(AccesBase &db, const SubListDescription &d, const QString &code,
                            const SubListRows &rows)
{
    const SubListColumn *counter = d.counter();
    if (!counter || code.isEmpty())
        return 1;
    double highest = 0;
    const RecordTable t = db.ExtraireRecords(
        QStringLiteral("SELECT max(%1) FROM %2 WHERE %3=%4")
            .arg(counter->name, d.table, d.stationColumn, sqlNumber(code.toDouble())));
    if (t.ok() && t.rowCount() > 0 && !t.at(0, 0).isNull())
        highest = t.at(0, 0).toDouble();
    const int index = rows.columnIndex(counter->name);
    for (const SubListRow &row : rows.rows) {
        if (index >= 0) {
            if (const auto n = subListNumberValue(row.cells[size_t(index)]))
                highest = std::max(highest, *n);
        }
    }
    return qlonglong(std::floor(highest)) + 1;
}

QString saveSubList(AccesBase &db, const SubListDescription &d, const QString &code,
                    const SubListRows &rows, const SubListChoices &choices)
{
    if (code.isEmpty())
        return subListNoStationMessage();
    const QString problem = checkSubList(d, rows, choices);
    if (!problem.isEmpty())
        return problem;

    const QString station = sqlNumber(code.toDouble());
    QStringList inserts;
    QString error;
    std::vector<const SubListRow *> written;
    if (!rows.title.cells.empty() && !d.titleRow.textColumn.isEmpty() &&
        !subListCellEmpty(rows.title.cells[size_t(rows.columnIndex(d.titleRow.textColumn))]))
        written.push_back(&rows.title);
    for (const SubListRow &row : rows.rows) {
        // A form left blank (photos, installation) writes no row.
        if (!d.singleRow || rowHasContent(d, rows, row))
            written.push_back(&row);
    }
    const QDateTime now = QDateTime::currentDateTime();
    for (const SubListRow *row : written) {
        inserts << insertStatement(d, rows, *row, station, now, &error);
        if (!error.isEmpty())
            return error;
    }

    Transaction transaction(db);
    if (!transaction.started())
        return QStringLiteral("%1 : impossible de commencer l'enregistrement : %2")
            .arg(d.title, transaction.error());
    const RecordTable current = db.ExtraireRecords(selectRows(d, station));
    if (!current.ok())
        return QStringLiteral("%1 : l'enregistrement a échoué : %2").arg(d.title, current.error());
    if (snapshotOf(current) != rows.snapshot)
        return QStringLiteral("%1 : ces informations ont été modifiées par un autre utilisateur "
                              "depuis leur chargement. Rechargez la fiche, puis refaites vos "
                              "modifications.")
            .arg(d.title);
    if (!transaction.exec(
            QStringLiteral("DELETE FROM %1 WHERE %2=%3").arg(d.table, d.stationColumn, station)))
        return QStringLiteral("%1 : l'enregistrement a échoué : %2")
            .arg(d.title, transaction.error());
    for (int i = 0; i < inserts.size(); ++i) {
        if (!transaction.exec(inserts[i]))
            return QStringLiteral("%1 : l'enregistrement a échoué, rien n'a été modifié (%2).")
                .arg(d.title, transaction.error());
    }
    if (!d.dependent.table.isEmpty()) {
        const int number = rows.columnIndex(d.counter()->name);
        QStringList kept;
        for (const SubListRow &row : rows.rows) {
            if (const auto n = subListNumberValue(row.cells[size_t(number)]))
                kept << sqlNumber(*n);
        }
        QString sql = QStringLiteral("DELETE FROM %1 WHERE %2=%3")
                          .arg(d.dependent.table, d.dependent.stationColumn, station);
        if (!kept.isEmpty())
            sql += QStringLiteral(" AND %1 NOT IN (%2)")
                       .arg(d.dependent.numberColumn, kept.join(QStringLiteral(", ")));
        if (!transaction.exec(sql))
            return QStringLiteral("%1 : l'enregistrement a échoué, rien n'a été modifié (%2).")
                .arg(d.title, transaction.error());
    }
    if (!transaction.commit())
        return QStringLiteral("%1 : l'enregistrement a échoué : %2")
            .arg(d.title, transaction.error());
    return {};
}

} // namespace plx
