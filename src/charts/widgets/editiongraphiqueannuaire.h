#pragma once

#include "charts/widgets/stationchartscreen.h"

#include <utility>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QSpinBox;

namespace plx {

class CollapsibleFrame;

// The yearbook page of a rain gauge: the selected year against its statistics, or its
// months cumulated against the mean cumulation, above; the whole record below. Each
// chart has its own options; both draw from one read of the station's series.
class EditionGraphiqueAnnuaire : public StationChartScreen
{
    Q_OBJECT

public:
    explicit EditionGraphiqueAnnuaire(QWidget *parent = nullptr);

    CtlGraphique *upperChart() const { return m_chart; }
    CtlGraphique *lowerChart() const { return m_total; }

    // GRAPHIQUE_ANNEE the year above, GRAPHIQUE_SUP_ANNEE the whole record below,
    // GRAPHIQUE_TOTAL the page: both, one above the other.
    std::optional<ReportPicture> reportChart(const QString &bookmark) const override;

public slots:
    void TraitementParametres() override;
    void TraitementParametresTotal();

protected:
    void stationChanged() override;

private:
    void applyMode();
    void orderMonths();
    void applyCurveBoxes();

    // Not owned beyond Qt parenthood.
    CtlGraphique *m_total = nullptr;
    QButtonGroup *m_mode = nullptr;
    QButtonGroup *m_yearType = nullptr;
    QButtonGroup *m_visualisation = nullptr;
    QButtonGroup *m_parameter = nullptr;
    QGroupBox *m_visualisationBox = nullptr;
    CollapsibleFrame *m_frame = nullptr;
    CollapsibleFrame *m_frameTotal = nullptr;
    QWidget *m_statisticsPanel = nullptr;
    QWidget *m_cumulPanel = nullptr;
    std::vector<std::pair<QCheckBox *, int>> m_statistics; // box, curve
    std::vector<std::pair<QCheckBox *, int>> m_cumuls;     // box, curve
    std::vector<std::pair<QCheckBox *, int>> m_months;     // box, curve
    std::vector<QCheckBox *> m_parametersTotal;            // parameters 1..6
    QButtonGroup *m_horizonTotal = nullptr;
    QButtonGroup *m_visualisationTotal = nullptr;
    QSpinBox *m_year = nullptr;
    int m_startMonth = 9;
};

} // namespace plx
