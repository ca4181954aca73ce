#pragma once

#include "charts/widgets/overlaychartscreen.h"

#include <array>

namespace plx {

// Several rain gauges on one time axis: the user picks them from SprPluviometres into the
// display list SprAffichage; the rows marked "X" are drawn, each station in its colour.
class EditionGraphiqueSuperposePluvio : public OverlayChartScreen
{
    Q_OBJECT

public:
    explicit EditionGraphiqueSuperposePluvio(QWidget *parent = nullptr);

    OverlayDisplayList *displayList() const { return m_display; }

public slots:
    void TraitementParametres() override;
    // Adds the source's current row to the display list, once per station, and redraws.
    void AjoutePluvio(QTableWidget *source);
    void cmdSuppressionPluvio();

protected:
    void addRainGauge(const QStringList &texts) override;

private:
    std::array<QCheckBox *, 6> m_parameters{};
    QButtonGroup *m_horizon = nullptr;
    QButtonGroup *m_visualisation = nullptr;
    OverlayDisplayList *m_display = nullptr;
};

} // namespace plx
