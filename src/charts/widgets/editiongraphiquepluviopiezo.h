#pragma once

#include "charts/widgets/overlaychartscreen.h"

#include <array>

namespace plx {

// Rain gauges and piezometers on one time axis: rainfall as bars on the left axis, levels
// as lines on the right one. Two display lists, SprAffichagePluvio and SprAffichagePiezo,
// filled from SprPluviometres and SprPiezometres.
class EditionGraphiquePluvioPiezo : public OverlayChartScreen
{
    Q_OBJECT

public:
    explicit EditionGraphiquePluvioPiezo(QWidget *parent = nullptr);

    OverlayDisplayList *rainDisplay() const { return m_rainDisplay; }
    OverlayDisplayList *piezoDisplay() const { return m_piezoDisplay; }
    QTableWidget *piezometers() const { return m_piezometers; }

public slots:
    void TraitementParametres() override;
    // The source's current row into the display list of its kind.
    void AjoutePluvioPiezo(QTableWidget *source);
    void cmdSuppressionPluvio();
    void cmdSuppressionPiezo();
    // Fills SprPiezometres; filter is a further condition on the piezometers' tables.
    void rempliSpr(const QString &filtre = QString());

protected:
    void addRainGauge(const QStringList &texts) override;

private:
    std::array<QCheckBox *, 6> m_parameters{};
    QButtonGroup *m_horizon = nullptr;
    QCheckBox *m_rainDown = nullptr;
    OverlayDisplayList *m_rainDisplay = nullptr;
    OverlayDisplayList *m_piezoDisplay = nullptr;
    QTableWidget *m_piezometers = nullptr;
};

} // namespace plx
