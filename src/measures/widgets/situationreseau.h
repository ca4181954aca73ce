#pragma once

#include "measures/networksituation.h"

#include <QStringList>
#include <QWidget>

#include <vector>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace plx {

// "Situation du réseau": for each rain gauge of the visible stations (or of the codes
// given, of the station list's selection or of a saved list), its latest value, validation
// and intervention before a search date, the stations with nothing within 90 days flagged.
// Sortable; double-click opens the record, or the validation editor from the value columns.
class SituationReseau : public QWidget
{
    Q_OBJECT

public:
    enum Column {
        ColCode,
        ColNom,
        ColInstant,
        ColValeur,
        ColValidation,
        ColObservation,
        ColIntervention,
        ColType,
        ColCommentaire,
        ColumnCount
    };

    // codes empty: every visible station.
    explicit SituationReseau(const QStringList &codes = {}, QWidget *parent = nullptr);

    QTableView *table() const { return m_table; }
    const std::vector<StationSituation> &rows() const { return m_rows; }
    QDate searchDate() const;
    void setSearchDate(const QDate &date);
    // The station shown on a view row (in the sorted order).
    QString codeAt(int viewRow) const;

public slots:
    // Reads the situation again; false after a message or when cancelled.
    bool Actualiser();
    // The grid to a workbook in one click.
    void DeclencheExcel();
    // Stops a search under way; the stations already read stay shown.
    void cancel();

private:
    void fillRow(int row, const StationSituation &s);
    void openFromIndex(int viewRow, int column);
    void setBusy(bool busy);

    QDateEdit *m_date = nullptr;
    QLineEdit *m_stations = nullptr;
    QComboBox *m_lists = nullptr; // typed codes, the list's selection or a saved list
    QPushButton *m_search = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_export = nullptr;
    QLabel *m_status = nullptr;
    QProgressBar *m_progress = nullptr;
    QTableView *m_table = nullptr;
    QStandardItemModel *m_model = nullptr; // owned (child)
    std::vector<StationSituation> m_rows;
    bool m_running = false;
    bool m_cancelled = false;
};

} // namespace plx
