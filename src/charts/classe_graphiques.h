#pragma once

#include "charts/classe_graphique.h"
#include "charts/gestionexportexcel.h"

#include <QList>
#include <QString>

namespace plx {

// The chart model the spreadsheet export reads: an ordered collection of curves, counted
// from 1, and the user's export options. Every operation given a position outside
// 1..Compter() does nothing (GetCourbe answers nullptr).
class Classe_Graphiques
{
public:
    // Loads the export options from the user's settings, writing the defaults on the
    // user's first chart (see GestionExportExcel::load).
    Classe_Graphiques();

    void ViderCollection() { m_curves.clear(); }
    void AjouterCourbe(const Classe_Graphique &curve) { m_curves.append(curve); }
    qint16 Compter() const { return qint16(m_curves.size()); }
    void AjouterValeurs(qint16 position, const QVariant &values);
    // The first curve whose key is exactly key (case counts); -1 when none.
    qint16 noCourbe(const QString &key) const;
    const Classe_Graphique *GetCourbe(qint16 position) const;
    void MajAfficher(qint16 position, bool shown);
    void MajTitre(qint16 position, const QString &title);
    void MajPattern(qint16 position, qint16 pattern);
    void MajSymbol(qint16 position, qint16 symbol);
    bool SupprimerCourbe(qint16 position);

    const GestionExportExcel &exportOptions() const { return m_options; }

    // Display attributes the spreadsheet export reads beside the curves.
    QString title;
    QString xAxisTitle;
    QString yAxisTitle;
    qint32 markerSize = 5;
    qint32 legendWidthPercent = 15;
    qint32 chartType = 0;
    qint32 gridStyle = 0;
    bool showLegend = true;
    bool showGrid = true;
    bool stacked = false;
    bool secondAxis = false;

private:
    Classe_Graphique *at(qint16 position);

    QList<Classe_Graphique> m_curves;
    GestionExportExcel m_options;
};

} // namespace plx
