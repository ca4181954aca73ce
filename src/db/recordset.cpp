#include "db/recordset.h"

#include "db/accesbase.h"

namespace plx {

Recordset::Recordset(AccesBase &db, QString table, QStringList columns,
                     std::vector<std::vector<QVariant>> rows)
    : m_db(db), m_table(std::move(table)), m_columns(std::move(columns)), m_rows(std::move(rows))
{
    m_changed.assign(size_t(m_columns.size()), false);
    if (!m_rows.empty())
        m_original = m_rows.front();
}

int Recordset::columnIndex(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void Recordset::MoveNext()
{
    ++m_current;
    m_adding = false;
    m_changed.assign(size_t(m_columns.size()), false);
    m_original = EOF_() ? std::vector<QVariant>() : m_rows[size_t(m_current)];
}

void Recordset::addnew()
{
    m_rows.emplace_back(size_t(m_columns.size()));
    m_current = int(m_rows.size()) - 1;
    m_changed.assign(size_t(m_columns.size()), false);
    m_adding = true;
}

QVariant Recordset::field(const QString &name) const
{
    const int column = columnIndex(name);
    if (column < 0 || EOF_())
        return QVariant();
    return m_rows[size_t(m_current)][size_t(column)];
}

bool Recordset::setField(const QString &name, const QVariant &value)
{
    const int column = columnIndex(name);
    if (column < 0 || EOF_())
        return false;
    m_rows[size_t(m_current)][size_t(column)] = value;
    m_changed[size_t(column)] = true;
    return true;
}

bool Recordset::Update(QString *error)
{
    if (EOF_())
        return true;
    const std::vector<QVariant> &row = m_rows[size_t(m_current)];
    QStringList names, values;
    for (int c = 0; c < m_columns.size(); ++c) {
        if (m_changed[size_t(c)]) {
            names << m_columns[c];
            values << m_db.engineLiteral(row[size_t(c)]);
        }
    }
    bool ok = true;
    if (m_adding) {
        ok = names.isEmpty()
             || m_db.executeNative(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                       .arg(m_table, names.join(QLatin1String(", ")),
                                            values.join(QLatin1String(", "))),
                                   error);
    } else if (!names.isEmpty()) {
        QStringList assignments, conditions;
        for (int i = 0; i < names.size(); ++i)
            assignments << names[i] + QStringLiteral(" = ") + values[i];
        // Locate the row by the values it was read with. Floating columns are left out:
        // a real read back as its shortest text does not compare equal on every engine.
        for (int c = 0; c < m_columns.size(); ++c) {
            const QVariant &original = m_original[size_t(c)];
            if (original.isNull())
                conditions << m_columns[c] + QStringLiteral(" IS NULL");
            else if (original.typeId() != QMetaType::Double)
                conditions << m_columns[c] + QStringLiteral(" = ") + m_db.engineLiteral(original);
        }
        ok = m_db.executeNative(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                    .arg(m_table, assignments.join(QLatin1String(", ")),
                                         conditions.join(QLatin1String(" AND "))),
                                error);
    }
    if (ok) {
        m_adding = false;
        m_changed.assign(size_t(m_columns.size()), false);
        m_original = row;
    }
    return ok;
}

void Recordset::Close()
{
    m_rows.clear();
    m_original.clear();
    m_current = 0;
    m_adding = false;
}

} // namespace plx
