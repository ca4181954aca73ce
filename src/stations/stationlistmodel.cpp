#include "stations/stationlistmodel.h"

#include "base/locale.h"

#include <algorithm>

namespace plx {

StationListModel::StationListModel(QObject *parent) : QAbstractTableModel(parent) {}

QStringList StationListModel::headings()
{
    return {QStringLiteral("Num"),
            QStringLiteral("Dépt"),
            QStringLiteral("Commune"),
            QStringLiteral("Nom du site"),
            QStringLiteral("Altitude"),
            QStringLiteral("Num"),
            QStringLiteral("Durée chronique"),
            QStringLiteral("Gestionnaire"),
            QStringLiteral("Création"),
            QStringLiteral("Fermeture"),
            QStringLiteral("Identifiant")};
}

namespace {

const char *const kColumnKeys[StationListModel::ColumnCount] = {
    "Num",      "Departement", "Commune",  "NomSite",   "Altitude",   "NumWork",
    "DureeChronique", "Gestionnaire", "Creation", "Fermeture", "Identifiant"};

} // namespace

QString StationListModel::columnKey(int column)
{
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(kColumnKeys[column])
                                               : QString();
}

int StationListModel::columnForKey(const QString &key)
{
    for (int c = 0; c < ColumnCount; ++c) {
        if (key.compare(QLatin1String(kColumnKeys[c]), Qt::CaseInsensitive) == 0)
            return c;
    }
    return -1;
}

void StationListModel::setRows(std::vector<StationListRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void StationListModel::setRecordLengths(std::map<qint64, RecordLength> lengths)
{
    m_lengths = std::move(lengths);
    if (!m_rows.empty())
        emit dataChanged(index(0, DureeChronique), index(rowCount() - 1, DureeChronique));
}

void StationListModel::renameCode(qint64 oldCode, qint64 newCode)
{
    for (size_t r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].code != oldCode)
            continue;
        m_rows[r].code = newCode;
        emit dataChanged(index(int(r), 0), index(int(r), ColumnCount - 1));
    }
    if (auto found = m_lengths.find(oldCode); found != m_lengths.end()) {
        m_lengths[newCode] = found->second;
        m_lengths.erase(oldCode);
    }
}

void StationListModel::removeCode(qint64 code)
{
    for (int r = rowCount() - 1; r >= 0; --r) {
        if (m_rows[size_t(r)].code != code)
            continue;
        beginRemoveRows({}, r, r);
        m_rows.erase(m_rows.begin() + r);
        endRemoveRows();
    }
}

int StationListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int StationListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant StationListModel::sortValue(const StationListRow &row, int column) const
{
    switch (column) {
    case Num:
    case NumWork:
        return row.code;
    case Departement:
        return row.departement;
    case Commune:
        return row.commune;
    case NomSite:
        return row.nom;
    case Altitude:
        return row.altitude;
    case DureeChronique: {
        const auto found = m_lengths.find(row.code);
        return found == m_lengths.end() ? QVariant() : QVariant(found->second.first);
    }
    case Gestionnaire:
        return row.gestionnaire;
    case Creation:
        return row.creation;
    case Fermeture:
        return row.fermeture;
    case Identifiant:
        return row.identifiant;
    default:
        return {};
    }
}

QVariant StationListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const StationListRow &row = m_rows[size_t(index.row())];
    const int column = index.column();
    if (role == SortRole)
        return sortValue(row, column);
    if (role == Qt::TextAlignmentRole) {
        const bool number = column == Num || column == NumWork || column == Altitude;
        return int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (column) {
    case Num:
    case NumWork:
        return QString::number(row.code);
    case Altitude:
        return row.altitude.isNull() ? QString() : formatNumber(row.altitude.toDouble());
    case DureeChronique: {
        const auto found = m_lengths.find(row.code);
        return found == m_lengths.end() ? QString() : formatRecordLength(found->second);
    }
    case Creation:
        return row.creation.isValid() ? formatDate(row.creation) : QString();
    case Fermeture:
        return row.fermeture.isValid() ? formatDate(row.fermeture) : QString();
    default:
        return sortValue(row, column);
    }
}

QVariant StationListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return headings().at(section);
}

StationListFilter::StationListFilter(QObject *parent) : QSortFilterProxyModel(parent)
{
    setSortRole(StationListModel::SortRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
    setSortLocaleAware(true);
}

void StationListFilter::setShownCodes(std::optional<QSet<qint64>> codes)
{
    if (!codes && !m_codes)
        return; // every row shown already: no need to filter and sort again
    m_codes = std::move(codes);
    invalidateFilter();
}

void StationListFilter::renameCode(qint64 oldCode, qint64 newCode)
{
    if (m_codes && m_codes->remove(oldCode)) {
        m_codes->insert(newCode);
        invalidateFilter();
    }
}

bool StationListFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    if (!m_codes)
        return true;
    const auto *model = static_cast<const StationListModel *>(sourceModel());
    return m_codes->contains(model->rowAt(sourceRow).code);
}

bool StationListFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const int column = left.column();
    if (column != StationListModel::Num && column != StationListModel::NumWork)
        return QSortFilterProxyModel::lessThan(left, right);
    const auto *model = static_cast<const StationListModel *>(sourceModel());
    return model->rowAt(left.row()).code < model->rowAt(right.row()).code;
}

} // namespace plx
