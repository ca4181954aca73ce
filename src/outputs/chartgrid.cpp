#include "outputs/chartgrid.h"

#include <QDateTime>
#include <QTimeZone>

#include <cmath>
#include <map>

namespace plx {

XlsxGrid chartCurvesGrid(const ChartCurves &curves, const QString &title)
{
    XlsxGrid grid;
    grid.sheetName = title;
    grid.title = curves.title.isEmpty() ? title : curves.title;
    const bool time = curves.axis == AxisKind::Time;
    grid.headings << (time ? QStringLiteral("Date") : QStringLiteral("Période"));
    grid.columnWidths.push_back(time ? 19 : 12);

    std::vector<const ChartCurve *> shown;
    for (const ChartCurve &curve : curves.curves) {
        if (curve.visible && !curve.x.empty())
            shown.push_back(&curve);
    }
    // Every abscissa of every curve, each curve's value at it.
    std::map<double, std::vector<QVariant>> rows;
    for (size_t c = 0; c < shown.size(); ++c) {
        const ChartCurve &curve = *shown[c];
        grid.headings << (curve.title.isEmpty() ? QStringLiteral("Courbe %1").arg(c + 1)
                                                : curve.title);
        grid.columnWidths.push_back(std::max<double>(12, curve.title.size() + 2));
        for (size_t i = 0; i < curve.x.size() && i < curve.y.size(); ++i) {
            auto &row = rows[curve.x[i]];
            row.resize(shown.size());
            if (!std::isnan(curve.y[i]))
                row[c] = curve.y[i];
        }
    }
    bool allMidnight = true;
    for (const auto &[x, values] : rows) {
        std::vector<QVariant> line;
        line.reserve(shown.size() + 1);
        if (time) {
            // Stored wall-clock values read as UTC: back to the same date and time.
            const QDateTime utc = QDateTime::fromMSecsSinceEpoch(qint64(std::llround(x * 1000)),
                                                                 QTimeZone::utc());
            allMidnight = allMidnight && utc.time() == QTime(0, 0);
            line.emplace_back(QDateTime(utc.date(), utc.time()));
        } else {
            const int step = int(std::lround(x));
            line.emplace_back(step >= 1 && step <= curves.steps.size()
                                  ? QVariant(curves.steps[step - 1])
                                  : QVariant(x));
        }
        line.insert(line.end(), values.begin(), values.end());
        line.resize(shown.size() + 1);
        grid.rows.push_back(std::move(line));
    }
    if (time && allMidnight)
        grid.columnWidths[0] = 12;

    if (!shown.empty()) {
        NativeChart chart;
        chart.title = grid.title;
        chart.categoryTitle = grid.headings.first();
        chart.valueTitle = curves.unit;
        chart.secondaryValueTitle = curves.rightLabel;
        chart.textCategories = !time;
        if (time)
            chart.categoryFormat =
                allMidnight ? QStringLiteral("dd/mm/yyyy") : QStringLiteral("dd/mm/yyyy hh:mm");
        for (size_t c = 0; c < shown.size(); ++c)
            chart.series.push_back({int(c) + 1, shown[c]->style == CurveStyle::Bars,
                                    shown[c]->rightAxis});
        grid.chart = chart;
    }
    return grid;
}

} // namespace plx
