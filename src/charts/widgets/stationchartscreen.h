#pragma once

#include "base/widgets/navigator.h"
#include "charts/widgets/ctlgraphique.h"
#include "charts/widgets/optiongroup.h"
#include "outputs/reportsource.h"

#include <QStringList>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QHBoxLayout;
class QPushButton;
class QVBoxLayout;

namespace plx {

class CollapsibleFrame;

// What the chronicle and the yearly chart share: one chart component on one station, the
// station's neighbours in the list that opened the screen, the captions of the free
// parameters and the toolbar methods. As a report source: the station and the period the
// component loaded; each screen says which chart bookmarks it draws.
class StationChartScreen : public QWidget, public ReportSource
{
    Q_OBJECT

public:
    using NeighbourLookup = Navigator::NeighbourLookup;
    using StationChart = Navigator::StationChart;

    ~StationChartScreen() override;

    // Brings the navigator's one screen of that kind to the front on the station.
    static StationChartScreen *openFor(Navigator &navigator, const QString &code, StationChart kind,
                                       NeighbourLookup lookup);

    void setNeighbourLookup(NeighbourLookup lookup);
    QString stationCode() const { return m_code; }
    CtlGraphique *chart() const { return m_chart; }
    // The component was given a station and can draw.
    bool isInitialised() const { return m_initialised; }
    // Labels of parameters 4 to 6 read at the last station change; "" hides one.
    QStringList freeParameterLabels() const { return m_freeLabels; }

    QString reportStationCode() const override;
    bool reportPeriod(QDate &start, QDate &end) const override;

public slots:
    // Opens the chart on a station; false (after a message) when it cannot.
    bool InitDebranchement(const QString &code);
    virtual void TraitementParametres() = 0;
    void loadPrevious();
    void loadNext();
    // A toolbar button, as if pressed in the main window.
    void AppelDeclencheClick(int index);
    void DeclencheApercu();
    // The visible curves as a table with a native chart of the workbook, in one click.
    void DeclencheExcel();
    void DeclencheAide();
    // The other chart of the same station.
    void openChronicle();
    void openYearlyChart();
    void openYearbook();
    void openNormalsComparison();

protected:
    StationChartScreen(CtlGraphique::Kind kind, const QString &title, QWidget *parent);

    // The bar above the chart: previous, the station, next; screens add their own controls.
    QHBoxLayout *topBar() const { return m_topBar; }
    // The column holding the chart, for a screen that shows a second one below it.
    QVBoxLayout *chartColumn() const { return m_chartColumn; }
    // The side panel, right of the chart; the screen fills it.
    QWidget *sidePanel() const { return m_side; }
    // Hides the options and the station navigation (a chart of data handed over).
    void hideStationControls();
    // Called after the station changed and its labels were read, before the first drawing.
    virtual void stationChanged() {}
    // The screen's title for a station ("" when none).
    QString stationTitle() const;
    // A station with measurements is loaded: a report gets its charts (an empty chart
    // would only take room on the page).
    bool hasReportData() const;

    // Not owned beyond Qt parenthood.
    CtlGraphique *m_chart = nullptr;

private:
    void loadNeighbour(int step);

    QString m_title;
    QString m_code;
    QString m_name;
    QStringList m_freeLabels;
    NeighbourLookup m_neighbours;
    bool m_initialised = false;
    bool m_loading = false; // the component is reading the station's series
    QHBoxLayout *m_topBar = nullptr;
    QVBoxLayout *m_chartColumn = nullptr;
    QWidget *m_side = nullptr;
    QWidget *m_sideScroll = nullptr;
    QPushButton *m_previous = nullptr;
    QPushButton *m_next = nullptr;
};

} // namespace plx
