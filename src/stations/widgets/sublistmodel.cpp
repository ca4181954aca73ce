#include "stations/widgets/sublistmodel.h"

#include "db/sqltext.h"
#include "stations/sublistvalues.h"

#include <algorithm>
#include <functional>

namespace plx {

SubListModel::SubListModel(const SubListDescription &description, SubListRows *rows,
                           const SubListChoices *choices, QObject *parent)
    : QAbstractTableModel(parent), m_description(description), m_rows(rows), m_choices(choices)
{
    reload();
}

void SubListModel::reload()
{
    beginResetModel();
    m_shown.clear();
    m_tableColumn.clear();
    for (const SubListColumn *column : m_description.shownColumns()) {
        const int index = m_rows->columnIndex(column->name);
        if (index < 0)
            continue; // an older table without that column
        m_shown.push_back(column);
        m_tableColumn.push_back(index);
    }
    endResetModel();
}

void SubListModel::setEditable(bool editable)
{
    m_editable = editable;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int SubListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows->rows.size());
}

int SubListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int SubListModel::gridColumn(const QString &name) const
{
    for (size_t c = 0; c < m_shown.size(); ++c) {
        if (m_shown[c]->name.compare(name, Qt::CaseInsensitive) == 0)
            return int(c);
    }
    return -1;
}

int SubListModel::firstEditableColumn() const
{
    for (size_t c = 0; c < m_shown.size(); ++c) {
        if (m_shown[c]->kind != SubListKind::Counter)
            return int(c);
    }
    return 0;
}

const QList<SubListChoice> &SubListModel::choicesOf(const SubListColumn &column) const
{
    static const QList<SubListChoice> none;
    const auto it = m_choices->constFind(column.name);
    return it == m_choices->cend() ? none : *it;
}

QVariant &SubListModel::cell(const QModelIndex &index) const
{
    return m_rows->rows[size_t(index.row())].cells[size_t(m_tableColumn[size_t(index.column())])];
}

QString SubListModel::choiceLabel(const SubListColumn &column, const QVariant &value) const
{
    const std::optional<double> code = subListNumberValue(value);
    if (!code)
        return value.toString();
    for (const SubListChoice &choice : choicesOf(column)) {
        if (double(choice.code) == *code)
            return choice.label;
    }
    return sqlNumber(*code); // a code missing from its list still shows
}

QVariant SubListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const SubListColumn &column = columnAt(index.column());
    const QVariant &value = cell(index);
    const bool check = column.kind == SubListKind::YesNo || column.kind == SubListKind::Flag;
    switch (role) {
    case Qt::DisplayRole:
        if (check)
            return {};
        return column.kind == SubListKind::Choice ? choiceLabel(column, value)
                                                  : subListCellText(column, value);
    case Qt::EditRole:
        if (column.kind == SubListKind::Choice) {
            const std::optional<double> code = subListNumberValue(value);
            return code ? QVariant(qlonglong(*code)) : QVariant();
        }
        return subListCellText(column, value);
    case Qt::CheckStateRole:
        if (check)
            return subListCellChecked(value) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::ToolTipRole:
        if (column.kind == SubListKind::Choice || column.kind == SubListKind::Path)
            return data(index, Qt::DisplayRole);
        return {};
    case Qt::TextAlignmentRole:
        if (column.kind == SubListKind::Number || column.kind == SubListKind::Counter)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

bool SubListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || !(flags(index) & Qt::ItemIsEnabled) || !m_editable)
        return false;
    const SubListColumn &column = columnAt(index.column());
    QVariant stored;
    if (role == Qt::CheckStateRole) {
        stored = subListCheckedValue(column, value.toInt() == Qt::Checked);
        if (subListCellChecked(cell(index)) == subListCellChecked(stored))
            return false;
    } else if (role == Qt::EditRole) {
        if (column.kind == SubListKind::Choice || column.kind == SubListKind::Counter)
            stored = value;
        else
            stored = value.toString();
        // Committing an editor without a change must not mark the row edited: a loaded
        // date with its time would otherwise be replaced by its text.
        if (data(index, Qt::EditRole) == stored ||
            (subListCellEmpty(cell(index)) && subListCellEmpty(stored)))
            return false;
    } else {
        return false;
    }
    cell(index) = stored;
    emit dataChanged(index, index);
    emit edited();
    return true;
}

Qt::ItemFlags SubListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const SubListColumn &column = columnAt(index.column());
    if (!m_editable || column.kind == SubListKind::Counter)
        return f;
    if (column.kind == SubListKind::YesNo || column.kind == SubListKind::Flag)
        return f | Qt::ItemIsUserCheckable;
    return f | Qt::ItemIsEditable;
}

QVariant SubListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return section < columnCount() ? columnAt(section).heading : QString();
}

int SubListModel::appendRow(SubListRow row)
{
    const int at = rowCount();
    beginInsertRows({}, at, at);
    m_rows->rows.push_back(std::move(row));
    endInsertRows();
    emit edited();
    return at;
}

void SubListModel::removeRowsAt(std::vector<int> rows)
{
    if (rows.empty())
        return;
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows) {
        if (row < 0 || row >= rowCount())
            continue;
        beginRemoveRows({}, row, row);
        m_rows->rows.erase(m_rows->rows.begin() + row);
        endRemoveRows();
    }
    emit edited();
}

} // namespace plx
