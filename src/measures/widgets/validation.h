#pragma once

#include "base/widgets/navigator.h"
#include "outputs/reportsource.h"
#include "outputs/xlsxgrid.h"
#include "quality/qualityflag.h"

#include <QDate>
#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTableView;
class QTableWidget;
class QTimer;

namespace plx {

class AccesBase;
class QualityPanel;
class ValidationGrid;
class ValidationModel;

// The validation editor: the measurements of one rain gauge over a date window, edited,
// checked, saved and validated up to a marked row. Opened for a station from the list or
// its record; previous / next step through the stations of the list.
class Validation : public QWidget, public ReportSource
{
    Q_OBJECT

public:
    explicit Validation(QWidget *parent = nullptr);
    ~Validation() override;

    // The neighbouring station of the list that opened the screen (step -1 or +1); "" when
    // there is none.
    using NeighbourLookup = Navigator::NeighbourLookup;
    void setNeighbourLookup(NeighbourLookup lookup);

    // Brings the navigator's one editor to the front on the station code, loaded; nullptr
    // when the user may not see measurements (after a message).
    static Validation *openFor(Navigator &navigator, const QString &code,
                               NeighbourLookup lookup);

    // Shows the station: its history and counts, the window reset to the last three
    // months; then loads it when load is true. False when the user kept unsaved changes
    // of the station shown (nothing changed).
    bool initSite(const QString &code, bool load = false);
    QString stationCode() const { return m_code; }
    ValidationModel *model() const { return m_model; }
    bool hasUnsavedChanges() const;
    bool isEditable() const { return m_editable; }
    bool isBusy() const { return m_busy; }
    ValidationGrid *grid() const { return m_grid; }
    QualityPanel *qualityPanel() const { return m_controls; }
    // What "Lancer les contrôles" runs over the loaded window: the quality rules unless a
    // test gives its own.
    using QualityRunner = std::function<QualityRun(AccesBase &db, const QString &code,
                                                   const QDate &from, const QDate &to,
                                                   const QualityProgress &progress)>;
    void setQualityRunner(QualityRunner runner) { m_qualityRunner = std::move(runner); }
    // The grid as exported: the shown columns, then "Validité".
    XlsxGrid exportGrid() const;
    // "Validation_" + the identifier (the code when it has none): the export's title.
    QString exportTitle() const;

    // As a report source: the station, the loaded window and its rows (the columns shown,
    // then the validity code that shades each row).
    QString reportStationCode() const override { return m_code; }
    bool reportPeriod(QDate &start, QDate &end) const override;
    MeasureTable reportMeasures() const override;

public slots:
    void chargementStation();
    // Stops a load under way; the grid keeps what it showed before.
    void cancelLoad();
    void declencheInserer();
    void DeclencheSupprimer();
    bool declencheEnregistrer();
    void DeclenchePoubelle();
    void DeclencheExcel();
    void DeclencheApercu();
    void DeclencheAide();
    // Puts the rows a save refused (another user changed them) back to what is stored,
    // keeping the other edits.
    bool reloadConflicts();
    void loadPrevious();
    void loadNext();
    // The loaded window as a chart, in the chronicle screen's grid mode.
    void openChart();
    // The station's "Historique des modifications" screen.
    void openHistory();
    // Shows the history of the current cell in the side panel.
    void showCellHistory();
    // Shows or hides the quality-control panel ("Contrôles").
    void DeclencheControles();
    // Runs the quality rules over the loaded window and stores their flags, with progress
    // and cancel; the panel then lists them.
    void lancerControles();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    static QString conflictMessage(qsizetype count);
    void buildUi();
    QWidget *buildSidePanel();
    void setUpColumns();
    void showIdentity(const QString &nom);
    void clearOverview();
    enum class LoadOutcome { Loaded, Failed, Cancelled, Gone };
    // Loads [from, to] into the grid; progress mapped onto [low, high] of the bar. Gone:
    // the screen was deleted meanwhile, touch nothing.
    LoadOutcome loadWindowIntoGrid(const QDate &from, const QDate &to, int low, int high);
    LoadOutcome reloadWindow(int low, int high);
    void setBusy(bool busy, bool cancellable);
    void updateActions();
    void updateChangeCount();
    void setStatus(const QString &text);
    void loadNeighbour(int step);
    bool confirmDiscard();
    void finishAfterBusy();
    // Before validating up to the mark: true when no open severe flag lies in the period
    // that would be validated, or when the user confirms anyway.
    bool confirmOpenSevereFlags();
    void showWindowFlags();

    QString m_code;
    QString m_identifiant;
    ValidationModel *m_model = nullptr; // owned (child)
    ValidationGrid *m_grid = nullptr;
    QTableWidget *m_entete = nullptr;
    QLineEdit *m_dateDebut = nullptr;
    QLineEdit *m_dateFin = nullptr;
    QPushButton *m_load = nullptr;
    QPushButton *m_chart = nullptr;
    QLabel *m_historique = nullptr;
    QLabel *m_anneeCalcul = nullptr;
    QLabel *m_donneesAnnee = nullptr;
    QLabel *m_dateCalcul = nullptr;
    QLabel *m_donneesJ30 = nullptr;
    QLabel *m_donneesPeriode = nullptr;
    QPushButton *m_insert = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_undo = nullptr;
    QPushButton *m_redo = nullptr;
    QPushButton *m_previous = nullptr;
    QPushButton *m_next = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_cancel = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_cellHistory = nullptr;
    QPushButton *m_historyButton = nullptr;
    QTimer *m_cellTimer = nullptr; // owned (child): one look-up once the cursor rests
    QLabel *m_changes = nullptr;
    QSplitter *m_split = nullptr;
    QualityPanel *m_controls = nullptr; // owned (child)
    QPushButton *m_controlsButton = nullptr;
    QualityRunner m_qualityRunner;
    NeighbourLookup m_neighbours;
    QDate m_loadedFrom, m_loadedTo; // the window shown; invalid before the first load
    bool m_tableExists = false;
    bool m_editable = false;
    bool m_busy = false;
    bool m_cancelRequested = false;
    bool m_closeAfterBusy = false;
};

} // namespace plx
