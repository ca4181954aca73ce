#pragma once

#include "charts/widgets/stationchartscreen.h"

class QButtonGroup;
class QLineEdit;
class QSpinBox;

namespace plx {

class CollapsibleFrame;

// One parameter of a rain gauge, month by month (or year by year), as bars against the
// station's normals or its internal statistics.
class EditionGraphiqueCompNormale : public StationChartScreen
{
    Q_OBJECT

public:
    explicit EditionGraphiqueCompNormale(QWidget *parent = nullptr);

public slots:
    void TraitementParametres() override;
    void initSite() { TraitementParametres(); }

protected:
    void stationChanged() override;

private:
    // Not owned beyond Qt parenthood.
    QButtonGroup *m_horizon = nullptr;
    QButtonGroup *m_parameter = nullptr;
    QButtonGroup *m_visualisation = nullptr;
    CollapsibleFrame *m_frame = nullptr;
    QLineEdit *m_from = nullptr;
    QLineEdit *m_to = nullptr;
    QSpinBox *m_year = nullptr;
};

} // namespace plx
