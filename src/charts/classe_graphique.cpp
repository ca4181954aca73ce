#include "charts/classe_graphique.h"

namespace plx {

namespace {

// A cell the chart screens left unset or set to "" (a missing value), as opposed to a
// date, a time or a number.
bool isEmptyText(const QVariant &cell)
{
    return cell.toString().isEmpty();
}

} // namespace

void Classe_Graphique::AjouterValeurs(const QVariant &values)
{
    m_pointCount = 0;
    if (values.metaType() != QMetaType::fromType<ChartValues>()) {
        m_values = ChartValues();
        return;
    }
    m_values = values.value<ChartValues>();
    const int points = m_values.pointCount();
    if (m_values.columnCount() == 0)
        return;
    if (points >= 2)
        m_pointCount = points;
    else if (points == 1)
        // A one-point array is also what a screen hands over when it found nothing.
        m_pointCount = isEmptyText(m_values.at(0, 0)) ? 0 : 1;
}

double Classe_Graphique::GetMinValeur() const
{
    double minimum = 9999;
    for (int p = 0; p < m_values.pointCount(); ++p) {
        const QVariant cell = m_values.at(2, p);
        if (isEmptyText(cell))
            continue;
        bool ok = false;
        double value = cell.toDouble(&ok);
        if (!ok) // a value typed in a French grid
            value = cell.toString().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (ok && value < minimum)
            minimum = value;
    }
    return minimum;
}

} // namespace plx
