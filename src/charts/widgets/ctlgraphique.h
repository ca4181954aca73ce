#pragma once

#include "charts/chartcurves.h"
#include "charts/chartengine.h"
#include "charts/chartoptions.h"

#include <QDate>
#include <QWidget>

#include <functional>
#include <memory>

class QCustomPlot;

namespace plx {

class AccesBase;

// The one chart component every chart screen draws through. The screens set the string
// and boolean properties, then call Tracer. The component reads the station's series
// itself, once per station (Initialiser), and recomputes from memory on every Tracer.
class CtlGraphique : public QWidget
{
    Q_OBJECT

public:
    explicit CtlGraphique(QWidget *parent = nullptr);
    ~CtlGraphique() override;

    QString TypeEdition = QStringLiteral("EDITION");
    QString Parametres;
    QString Horizon = QStringLiteral("S");
    QString Visualisation = QStringLiteral("HISTO");
    bool Cumul = false;

    // Which chart the screen shows: the chronicle (time axis), the yearly chart, or the
    // comparison with the normals.
    enum class Kind { Chronicle, Yearly, Normals };
    void setKind(Kind kind);

    // The five properties above as the option mapping reads and writes them.
    ChartProperties properties() const;
    void setProperties(const ChartProperties &properties);

    // The context of one station: the application name ("PLXReader"), the connection, the
    // window that holds the screens, and the station. Reads its series, normals and the
    // hydrological start month; the export options come from the user's settings.
    // False (message shown unless quiet) when the series cannot be read.
    bool Initialiser(const QString &application, AccesBase &db, QWidget *mainWindow,
                     const QString &station);
    void Actualiser();
    // Rebuilds the chart from the properties; re-reads nothing.
    void Tracer();

    // Grid mode (the validation editor's loaded window): the curves are given, with the
    // loaded period and the value axis bounds.
    void InitialiserGrille(ChartCurves curves, const QDate &start, const QDate &end,
                           double lower, double upper);

    void AfficherCourbe(int number);
    void MasquerCourbe(int number);
    void AfficherSerie(int number, bool visible);

    void RecupDatesChargement(QDate &start, QDate &end) const;

    // The selected year of the yearly chart (0 before the first Tracer).
    int selectedYear() const;
    void setSelectedYear(int year);

    // What is drawn now (for tests, the command line and the exports).
    const ChartCurves &curves() const;
    // Saves the chart as PNG, SVG or PDF by the file's extension; false with a French
    // message in error.
    bool saveImage(const QString &path, const QSize &size, QString *error = nullptr);
    // Calls paint with the plot's curves reduced for a picture width pixels wide (as
    // saveImage does), then puts the screen's own reduction back: for pictures drawn
    // through the plot itself (reports).
    void renderAtWidth(int width, const std::function<void(QCustomPlot *)> &paint);

    QCustomPlot *plot() const;

    // The yearbook and the normals comparison.
    // The normals' name for the comparison (the mois = -1 row; the screen keeps the last one
    // read when a station has none).
    QString TitreNormales;
    // The comparison draws the station's internal statistics instead of its normals.
    bool OptionNormales = false;
    // The yearbook's upper chart: its monthly cumulation draws the selected year's
    // cumulated months against the mean cumulation.
    bool Annuaire = false;
    // Takes other's station and the series it read, without reading the table again: the
    // yearbook's two charts share one read. False when other has no station.
    bool InitialiserDepuis(const CtlGraphique &other);
    // Whether both draw from the same series in memory (not two reads of it).
    bool sharesSeriesWith(const CtlGraphique &other) const;
    // Overlays of several stations. Each entry is one display-list row marked "X", as
    // {title, key, code}: the title names the station in the legend, the code finds its
    // table. Rain gauges in ListeCourbes, piezometers in ListePiezometres (drawn only when
    // TypeEdition is "SUPERPOSITION"). A station's series is read once and kept while it
    // stays listed; its colour goes with its code, not its row.
    QList<QStringList> ListeCourbes;
    QList<QStringList> ListePiezometres;
    bool PluieVersLeBas = false; // rainfall hanging from the top of the chart
    bool InitialiserSuperposition(const QString &application, AccesBase &db, QWidget *mainWindow);
    // How many station tables were read since InitialiserSuperposition.
    int seriesReads() const;

signals:
    // Right click outside the plot's own menu: the object asked for and the position.
    void popupRequested(QObject *source, int x, int y);
    void selectedYearChanged(int year);

private:
    void tracerSuperposition();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace plx
