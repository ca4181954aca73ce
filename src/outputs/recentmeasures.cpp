#include "outputs/recentmeasures.h"

#include "measures/measurerow.h"
#include "measures/parameterlabels.h"
#include "measures/validationstore.h"

#include <vector>

namespace plx {

MeasureTable recentMeasures(AccesBase &db, const QString &stationCode)
{
    const SiteOverview overview = readSiteOverview(db, stationCode);
    if (!overview.tableExists || !overview.last.isValid())
        return {};
    const LoadResult loaded =
        loadWindow(db, stationCode, overview.last.addMonths(-1).addDays(1), overview.last);
    if (!loaded.ok || loaded.rows.empty())
        return {};

    // Only the kinds the month holds, and that have a label: a column of blanks would only
    // narrow the others.
    const std::vector<DataKind> kinds = dataKinds(db);
    std::vector<int> shown;
    for (int i = 0; i < kMeasuredValues && i < int(kinds.size()); ++i) {
        if (kinds[size_t(i)].label.isEmpty())
            continue;
        for (const MeasureRow &row : loaded.rows) {
            if (row.hasValue(i)) {
                shown.push_back(i);
                break;
            }
        }
    }
    MeasureTable table;
    table.headings << QStringLiteral("Date") << QStringLiteral("Heure");
    for (int i : shown)
        table.headings << kinds[size_t(i)].label;
    table.headings << QStringLiteral("Validité");
    table.rows.reserve(loaded.rows.size());
    for (const MeasureRow &row : loaded.rows) {
        MeasureTable::Row out;
        out.cells << cellText(row, kDateColumn).trimmed() << cellText(row, kHeureColumn).trimmed();
        for (int i : shown)
            out.cells << cellText(row, kPluieColumn + i).trimmed();
        out.validity = row.validite.isNull() ? QString() : QString(row.validite);
        out.cells << out.validity;
        table.rows.push_back(std::move(out));
    }
    return table;
}

} // namespace plx
