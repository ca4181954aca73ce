#pragma once

#include "base/widgets/navigator.h"
#include "outputs/reportsource.h"
#include "outputs/xlsxgrid.h"
#include "stations/widgets/columnchooser.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

namespace plx {

class FichePluviometre;
class StationListFilter;
class StationListModel;

// The rain-gauge list: every station the user may see, narrowed by a saved list or the
// favourites, sorted by a heading; opens a station's record and the map of the selected
// stations.
class ListePluviometres : public QWidget, public ReportSource
{
    Q_OBJECT

public:
    explicit ListePluviometres(QWidget *parent = nullptr);
    ~ListePluviometres() override;

    static QString screenTitle();

    // Runs the list query and fills the grid, then the default list. False when the query
    // failed (the message was shown).
    bool ChargementListe();

    // Internal codes of the visible rows, in their current order, each once.
    QStringList visibleCodes() const;
    // The visible station step rows after (or before) code, wrapping round; "" when the
    // list shows none.
    QString neighbourCode(const QString &code, int step) const;
    // Chooses CboListe's item index and applies it (0 all, 1 favourites, then saved lists).
    bool applyList(int index);
    // Codes of the selected rows, each once, in the grid's order.
    std::vector<qint64> selectedCodes() const;
    // The map-service address for the selected stations; nullopt (after the message) when
    // none has WGS84 coordinates.
    std::optional<QUrl> selectedStationsMapUrl() const;
    // The visible rows and columns as exported (DeclencheExcel).
    XlsxGrid exportGrid() const;
    // The chooser's columns in screen order, each with whether it shows (the hidden working
    // copy of the code left out).
    std::vector<ColumnChoice> columnChoice() const;
    // Every column shown, in the model's order.
    static std::vector<ColumnChoice> defaultColumnChoice();
    // Shows and orders the columns as chosen and stores the choice for the user. Columns
    // not named keep their state after the named ones. False, with nothing changed, when
    // the choice hides the code column or names a column the list does not offer.
    bool applyColumnChoice(const std::vector<ColumnChoice> &choice);

    // Opens the record of a station; an empty code opens an empty record.
    FichePluviometre *openRecord(const QString &code);
    // Opens the validation editor on the current row's station.
    void openCurrentData();
    // Fills "Durée chronique" for the visible rows, with a progress bar and cancel.
    void computeRecordLengths();

    // Saved-list actions on the chosen list (names asked by the buttons' dialogs).
    bool createListFromSelection(const QString &name);
    bool renameCurrentList(const QString &name);
    bool deleteCurrentList();
    bool makeCurrentListDefault();

    // The code of the current row's station; "" (after a message) when no row is current.
    QString currentStationCode();
    // Reports are about the current row's station; "" (no message) when none is current.
    QString reportStationCode() const override;

public slots:
    void Actualiser();
    // The column chooser; the grid follows every change, "Annuler" puts it back.
    void ChoisirColonnes();
    void DeclencheExcel();
    void declencheInserer();
    // The chronicle and the yearly chart of the current row's station.
    void openChronicle();
    void openYearlyChart();
    void openYearbook();
    void openNormalsComparison();
    // An overlay chart with the selected stations in its display list.
    void openOverlay(Navigator::OverlayChart kind);
    // Every network bulletin.
    void openBulletins();
    // The interventions on the selected stations (every station when none is selected).
    void openInterventions();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // While the record lengths are computed, closing cancels the run first.
    void closeEvent(QCloseEvent *event) override;

private:
    void buildUi();
    void fillListCombo(std::optional<qint64> select = std::nullopt);
    void updateCaption();
    // Widths, order and shown columns as the user stored them (defaults otherwise).
    void applyStoredColumns();
    void storeColumns();
    void showColumns(const std::vector<ColumnChoice> &choice);
    void onSortChanged(int column, Qt::SortOrder order);
    void openCurrentRecord();
    // Previous / next for the screens opened from the list, over its visible rows.
    using NeighbourLookup = Navigator::NeighbourLookup;
    NeighbourLookup neighbourLookup();
    void openMap();
    void editFilter(bool newList);
    void askNewListFromSelection();
    void askRename();
    qint64 currentListCode() const;
    double characterWidth() const;

    StationListModel *m_model = nullptr;   // owned (child)
    StationListFilter *m_filter = nullptr; // owned (child)
    QTableView *m_grid = nullptr;
    QComboBox *m_lists = nullptr;
    QMenu *m_listMenu = nullptr;
    QPushButton *m_recordLengthButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QProgressBar *m_progress = nullptr;
    QTimer *m_widthTimer = nullptr; // debounces column drags before writing the widths
    std::map<int, double> m_widthChars; // last known widths, kept for the hidden columns
    int m_appliedList = 0;
    bool m_applyingWidths = false;
    bool m_restoringSort = false; // the stored sort is applied, not chosen
    bool m_computing = false;
    bool m_cancelRequested = false;
    bool m_closeAfterRun = false;
};

} // namespace plx
