#pragma once

#include "stations/interventions.h"

#include <QString>
#include <QWidget>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QStandardItemModel;
class QTableView;

namespace plx {

class FichePluviometre;

// The interventions across the rain gauges, newest first, filtered by period, station and
// kind. A double-click (or Enter) opens the station's record on its interventions tab;
// "Rapport d'intervention" prints the selected one.
class ListeInterventions : public QWidget
{
    Q_OBJECT

public:
    // stations: the list's selection to start with (empty: every station).
    explicit ListeInterventions(const std::vector<qlonglong> &stations = {},
                                QWidget *parent = nullptr);

    static QString screenTitle() { return QStringLiteral("Liste des interventions"); }

    const std::vector<InterventionRow> &rows() const { return m_rows; }
    // Shows the interventions of these stations (the list's new selection; empty: all).
    void setStations(const std::vector<qlonglong> &stations);
    // The filter as typed; false after a message when a date is wrong.
    bool readFilter(InterventionFilter *filter);
    // The intervention of the current row; nullptr when none.
    const InterventionRow *currentRow() const;
    bool selectRow(int row);
    // Opens the record of the current row's station on its interventions tab.
    FichePluviometre *openCurrentRecord();
    bool openCurrentReport();

public slots:
    bool Actualiser();
    // The rows shown to a spreadsheet, titled "Liste_des_interventions".
    void DeclencheExcel();
    void DeclencheAide();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    void fillStations(const std::vector<qlonglong> &selection);
    void fillTypes();
    void fillRows();

    std::vector<InterventionRow> m_rows;
    std::vector<qlonglong> m_selection; // the list's selection the screen was opened with

    // Owned by the screen (Qt parent).
    QLineEdit *m_from = nullptr;
    QLineEdit *m_to = nullptr;
    QComboBox *m_station = nullptr;
    QComboBox *m_type = nullptr;
    QStandardItemModel *m_model = nullptr;
    QTableView *m_table = nullptr;
    QLabel *m_count = nullptr;
};

} // namespace plx
