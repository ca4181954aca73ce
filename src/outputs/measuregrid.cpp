#include "outputs/measuregrid.h"

namespace plx {

std::vector<int> measurementExportColumns(const QStringList &parameterLabels)
{
    std::vector<int> columns;
    for (int c = kDateColumn; c <= kObtentionColumn; ++c) {
        if (c >= kValeur1Column && c <= kValeur3Column &&
            validationColumnName(c, parameterLabels).isEmpty())
            continue;
        columns.push_back(c);
    }
    return columns;
}

XlsxGrid measurementGrid(const std::vector<MeasureRow> &rows, const std::vector<int> &columns,
                         const QStringList &parameterLabels, const QString &title)
{
    XlsxGrid grid;
    grid.sheetName = title;
    grid.title = title;
    for (int c : columns)
        grid.headings << validationColumnName(c, parameterLabels);
    // The grid's colours do not travel: the validity goes as a column of its own.
    grid.headings << QStringLiteral("Validité");
    grid.rows.reserve(rows.size());
    for (const MeasureRow &row : rows) {
        std::vector<QVariant> cells;
        cells.reserve(columns.size() + 1);
        for (int c : columns) {
            if (c == kDateColumn && row.date.isValid() && !row.red)
                cells.emplace_back(row.date);
            else if (c == kHeureColumn && row.heure.isValid() && !row.red)
                cells.emplace_back(row.heure);
            else if (c >= kPluieColumn && c <= kValeur3Column)
                cells.push_back(row.hasValue(c - kPluieColumn)
                                    ? QVariant(row.values[size_t(c - kPluieColumn)])
                                    : QVariant());
            else if (const QString text = cellText(row, c).trimmed(); !text.isEmpty())
                cells.emplace_back(text);
            else
                cells.emplace_back();
        }
        cells.emplace_back(row.validite.isNull() ? QVariant() : QVariant(QString(row.validite)));
        grid.rows.push_back(std::move(cells));
    }
    return grid;
}

} // namespace plx
