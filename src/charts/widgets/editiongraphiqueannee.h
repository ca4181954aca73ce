#pragma once

#include "charts/widgets/stationchartscreen.h"

#include <vector>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QSpinBox;

namespace plx {

class CollapsibleFrame;

// The yearly chart: one parameter of one rain gauge, the selected year against the
// statistics of the other years (envelopes, quintiles, median, normals), or the years'
// monthly or yearly cumulations compared.
class EditionGraphiqueAnnee : public StationChartScreen
{
    Q_OBJECT

public:
    explicit EditionGraphiqueAnnee(QWidget *parent = nullptr);

    // The month boxes in the order they are listed (the year's first month first).
    std::vector<QCheckBox *> monthBoxesInOrder() const;
    int hydroStartMonth() const { return m_startMonth; }

    // GRAPHIQUE_ANNEE: the chart as drawn.
    std::optional<ReportPicture> reportChart(const QString &bookmark) const override;

public slots:
    void TraitementParametres() override;
    void previousYear();
    void nextYear();

protected:
    void stationChanged() override;

private:
    void applyMode();
    void orderMonths();
    void applyCurveBoxes();
    void chooseYear(int year);
    void showSelectedYear();

    QButtonGroup *m_mode = nullptr;
    QButtonGroup *m_yearType = nullptr;
    QButtonGroup *m_visualisation = nullptr;
    QButtonGroup *m_parameter = nullptr;
    QGroupBox *m_visualisationBox = nullptr;
    CollapsibleFrame *m_curves = nullptr;
    std::vector<std::pair<QCheckBox *, int>> m_statistics; // box, curve
    std::vector<std::pair<QCheckBox *, int>> m_months;     // box, curve (the month)
    QWidget *m_monthPanel = nullptr;
    QSpinBox *m_year = nullptr;
    int m_startMonth = 9;
};

} // namespace plx
