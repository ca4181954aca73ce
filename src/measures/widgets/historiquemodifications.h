#pragma once

#include "measures/measurehistory.h"
#include "outputs/xlsxgrid.h"

#include <QWidget>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace plx {

// "Historique des modifications": the changes of one station's measured values, newest
// first, filtered by period (of the measurements), user and kind; exported as a workbook;
// a whole batch (one save) reverted as a new change.
class HistoriqueModifications : public QWidget
{
    Q_OBJECT

public:
    explicit HistoriqueModifications(const QString &code, QWidget *parent = nullptr);

    QString stationCode() const { return m_code; }
    QTableView *table() const { return m_table; }
    const std::vector<HistoryEntry> &entries() const { return m_entries; }
    // The rows shown as a workbook grid, titled "Historique_" + code.
    XlsxGrid historyGrid() const;

public slots:
    // Reads the history again with the filters; false after a message.
    bool refresh();
    // The rows shown to a workbook in one click (toolbar button and "Exporter").
    void DeclencheExcel();
    // Reverts the batch of the selected row, after the question; false when nothing was
    // done (refused, declined, nothing selected).
    bool revertSelectedBatch();

signals:
    // A revert changed the station's values: open editors may reload.
    void valuesChanged(const QString &code);

private:
    void updateActions();

    QString m_code;
    QLineEdit *m_from = nullptr;
    QLineEdit *m_to = nullptr;
    QLineEdit *m_user = nullptr;
    QComboBox *m_nature = nullptr;
    QPushButton *m_filter = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_revert = nullptr;
    QLabel *m_count = nullptr;
    QTableView *m_table = nullptr;
    QStandardItemModel *m_model = nullptr; // owned (child)
    std::vector<HistoryEntry> m_entries;
};

} // namespace plx
