#pragma once

#include "charts/chartvalues.h"

#include <QString>
#include <QVariant>

namespace plx {

// One curve of the chart model that the spreadsheet export reads: its key inside the
// chart, its legend, its drawing attributes and a copy of its points.
class Classe_Graphique
{
public:
    // Stores a copy of a two-dimensional array (a ChartValues in the variant) and counts
    // its points: every point when there are two or more; a single point only when its
    // date cell holds something; none for anything that is not such an array. Never fails.
    void AjouterValeurs(const QVariant &values);
    void AjouterValeurs(const ChartValues &values) { AjouterValeurs(QVariant::fromValue(values)); }

    // The smallest number of the value column, from 9999: a curve with no value, or only
    // values above 9999, answers 9999.
    double GetMinValeur() const;

    qint32 pointCount() const { return m_pointCount; }
    const ChartValues &values() const { return m_values; }

    QString key;   // what Classe_Graphiques::noCourbe looks for
    QString title; // legend text
    double referenceValue = 0;
    qint16 symbol = -1; // marker style
    qint16 pattern = 0; // line or fill pattern
    qint32 colour = 0;
    bool shown = false;

private:
    qint32 m_pointCount = 0;
    ChartValues m_values;
};

} // namespace plx
