#pragma once

#include "base/widgets/navigator.h"
#include "outputs/reportsource.h"

#include "stations/stationrecord.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTabWidget;

namespace plx {

class FicheFields;
class HistoriqueGrid;
class StationSubList;
class SubListGrid;

// The record of one rain gauge: its descriptive fields, its satellite grids, its
// interventions and the historical summary of its measurements. Opened from the list for
// an internal code, or empty for a new station.
class FichePluviometre : public QWidget, public ReportSource
{
    Q_OBJECT

public:
    explicit FichePluviometre(QWidget *parent = nullptr);
    ~FichePluviometre() override;

    // Loads the station with that internal code; false (after "Impossible de charger la
    // fiche.") when it cannot be read.
    bool ChargementFichePluviometre(const QString &code);
    // The internal code shown; "" for a station never saved.
    QString stationCode() const;
    // Reports are about the station shown, once saved.
    QString reportStationCode() const override { return stationCode(); }

    // Previous / next: given the code shown and a step (-1 or +1), the code of the station
    // to load, or "" when there is none. The list screen sets it to walk its visible rows
    // in their current order.
    using NeighbourLookup = Navigator::NeighbourLookup;
    void setNeighbourLookup(NeighbourLookup lookup);

    // Whether the user may change the station (right PLUVIO_FICHE_MODIF, not a reader
    // edition).
    bool isEditable() const { return m_editable; }
    // Unsaved changes in the fields or in a sub-list.
    bool hasUnsavedChanges() const;
    // Shows the interventions tab with the intervention of that number current; false when
    // the station has no such intervention (the tab is shown all the same).
    bool showIntervention(int numero);

public slots:
    // Toolbar: save, delete, new row in the current tab's grid, help.
    bool declencheEnregistrer();
    void DeclencheSupprimer();
    void declencheInserer();
    void DeclencheAide();
    // The current tab's grid to a spreadsheet under its caption; on the other tabs, the
    // station's situation (its historical summary) under "Situation".
    void DeclencheExcel();
    void loadPrevious();
    void loadNext();
    // Asks for a new internal code and moves the station to it.
    void changeCode();
    void toggleFavourite();
    void openWeatherSheet();
    void openMap();
    // The chronicle and the yearly chart of the station.
    void openChronicle();
    void openYearlyChart();
    void openYearbook();
    void openNormalsComparison();
    // The print preview of the report of the intervention current in the interventions tab.
    bool openInterventionReport();
    // The bulletins screen on this station.
    void openBulletins();

signals:
    void stationSaved(const QString &code);
    void stationDeleted(const QString &code);
    void codeChanged(const QString &oldCode, const QString &newCode);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildButtonBar();
    void showStation();
    void loadNeighbour(int step);
    void openPanel(const QString &title);
    // The validation editor on this station: the one editor of the main window, or a
    // window of its own outside one.
    void setDirty(bool dirty);
    void updateFavouriteButton();
    void updateIdentity();
    bool askNewCode(QString *code);
    SubListGrid *interventionsGrid() const;

    FicheFields *m_fields = nullptr;          // owned by the tab widget
    QTabWidget *m_tabs = nullptr;             // child
    std::vector<StationSubList *> m_subLists; // children of the tab widget
    HistoriqueGrid *m_historique = nullptr;   // child
    QLabel *m_lblMaj = nullptr;
    QPushButton *m_favourite = nullptr;
    QPushButton *m_changeCode = nullptr;
    StationRecord m_record;
    NeighbourLookup m_neighbours;
    bool m_editable = false;
    bool m_dirty = false; // the station fields changed
    bool m_favouriteState = false;
    bool m_busy = false; // a save, delete or code change is running
};

} // namespace plx
