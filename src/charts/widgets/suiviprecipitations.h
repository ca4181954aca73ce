#pragma once

#include "charts/followup.h"

#include <QWidget>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QStandardItemModel;
class QTableView;

namespace plx {

// "Suivi des précipitations": per station, the sums (means for the free parameters) of one
// parameter by day, month or year over a window, with each period's missing days beside
// its value, incomplete periods styled, then the "Cumul" and "Total" rows.
class SuiviPrecipitations : public QWidget
{
    Q_OBJECT

public:
    // stations: codes shown at opening (the user may type others, comma-separated).
    explicit SuiviPrecipitations(const QStringList &stations = {}, QWidget *parent = nullptr);

    const FollowUpTable &table() const { return m_table; }

public slots:
    // Reads the stations' series and fills the table; false after a message.
    bool Actualiser();
    // The table to a spreadsheet in one click.
    void DeclencheExcel();

private:
    void fillModel();

    QLineEdit *m_stations = nullptr;     // owned by the layout
    QComboBox *m_parameter = nullptr;
    QComboBox *m_step = nullptr;
    QComboBox *m_dayStart = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QLabel *m_caption = nullptr;
    QTableView *m_view = nullptr;
    QStandardItemModel *m_model = nullptr;
    FollowUpTable m_table;
    bool m_running = false;
};

} // namespace plx
