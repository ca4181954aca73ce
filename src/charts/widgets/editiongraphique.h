#pragma once

#include "charts/chartoptions.h"
#include "charts/gridcurves.h"
#include "charts/widgets/stationchartscreen.h"

#include <array>

class QButtonGroup;
class QCheckBox;

namespace plx {

class CollapsibleFrame;

// The chronicle: the measurement series of one rain gauge over time, for the parameters
// checked, grouped by the chosen step, as bars, a line or cumulated bars. Also shows the
// validation editor's loaded window (grid mode) instead of a station.
class EditionGraphique : public StationChartScreen
{
    Q_OBJECT

public:
    explicit EditionGraphique(QWidget *parent = nullptr);

    // The validation editor's window, in the navigator's one grid chart: the curves of
    // the given columns over [start, end], titled after the station.
    static EditionGraphique *openGrid(Navigator &navigator, const QString &title,
                                      const std::vector<MeasureRow> &rows,
                                      const std::vector<GridColumn> &columns, const QDate &start,
                                      const QDate &end);
    bool isGridMode() const { return m_gridMode; }

    // GRAPHIQUE_TOTAL: the chronicle as drawn.
    std::optional<ReportPicture> reportChart(const QString &bookmark) const override;

public slots:
    void TraitementParametres() override;

protected:
    void stationChanged() override;

private:
    void showGrid(const QString &title, const std::vector<MeasureRow> &rows,
                  const std::vector<GridColumn> &columns, const QDate &start, const QDate &end);

    std::array<QCheckBox *, kChartParameters> m_parameters{};
    QButtonGroup *m_horizon = nullptr;
    QButtonGroup *m_visualisation = nullptr;
    CollapsibleFrame *m_curves = nullptr;
    bool m_gridMode = false;
};

} // namespace plx
