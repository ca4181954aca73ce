#pragma once

#include "stations/recordlength.h"
#include "stations/stationlist.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QSortFilterProxyModel>

#include <map>
#include <optional>
#include <vector>

namespace plx {

// The rows of the rain-gauge list, filled in one pass. Display texts in the French
// formats; the sort role carries the raw value (number, date, text) so that sorting by a
// heading orders numbers and dates as such.
class StationListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        Num,
        Departement,
        Commune,
        NomSite,
        Altitude,
        NumWork,
        DureeChronique,
        Gestionnaire,
        Creation,
        Fermeture,
        Identifiant,
        ColumnCount
    };
    static constexpr int SortRole = Qt::UserRole;

    explicit StationListModel(QObject *parent = nullptr);

    static QStringList headings();
    // Stable names of the columns, for the stored layout (headings may change wording).
    static QString columnKey(int column);
    // -1 for a name no column has (a layout stored by another version).
    static int columnForKey(const QString &key);

    void setRows(std::vector<StationListRow> rows);
    const StationListRow &rowAt(int row) const { return m_rows[size_t(row)]; }
    const std::vector<StationListRow> &rows() const { return m_rows; }
    void setRecordLengths(std::map<qint64, RecordLength> lengths);
    // The record changed a station's internal code.
    void renameCode(qint64 oldCode, qint64 newCode);
    void removeCode(qint64 code);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QVariant sortValue(const StationListRow &row, int column) const;

    std::vector<StationListRow> m_rows;
    std::map<qint64, RecordLength> m_lengths;
};

// Shows the rows of a chosen set of stations (a saved list, the favourites), or all.
class StationListFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit StationListFilter(QObject *parent = nullptr);

    // nullopt: every row.
    void setShownCodes(std::optional<QSet<qint64>> codes);
    // A station renumbered by its record stays shown.
    void renameCode(qint64 oldCode, qint64 newCode);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    // The code columns (the usual sort) compare the rows directly, without a QVariant per
    // comparison.
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    std::optional<QSet<qint64>> m_codes;
};

} // namespace plx
