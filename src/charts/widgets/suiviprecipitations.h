#pragma once

#include "charts/followup.h"
#include "charts/followupnormals.h"

#include <optional>

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QStandardItemModel;
class QTableView;

namespace plx {

// "Suivi des précipitations": per station, the sums (means for the free parameters) of one
// parameter by day, month or year over a window, with each period's missing days beside
// its value, incomplete periods styled, then the "Cumul" and "Total" rows. The stations are
// typed, or taken from the station list's selection or a saved list; at the month and year
// steps each sum may show its normal and its share of it beside it.
class SuiviPrecipitations : public QWidget
{
    Q_OBJECT

public:
    // stations: codes shown at opening (the user may type others, comma-separated).
    explicit SuiviPrecipitations(const QStringList &stations = {}, QWidget *parent = nullptr);

    const FollowUpTable &table() const { return m_table; }
    // The normals of the last computation; nullopt when the comparison was off.
    const std::optional<FollowUpNormals> &normals() const { return m_normals; }

public slots:
    // Reads the stations' series and fills the table; false after a message.
    bool Actualiser();
    // The table to a spreadsheet in one click.
    void DeclencheExcel();

private:
    void fillModel();
    void updateNormalsChoice();

    QLineEdit *m_stations = nullptr;     // owned by the layout
    QComboBox *m_lists = nullptr;
    QCheckBox *m_compare = nullptr;
    QComboBox *m_parameter = nullptr;
    QComboBox *m_step = nullptr;
    QComboBox *m_dayStart = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QLabel *m_caption = nullptr;
    QTableView *m_view = nullptr;
    QStandardItemModel *m_model = nullptr;
    FollowUpTable m_table;
    std::optional<FollowUpNormals> m_normals;
    bool m_running = false;
};

} // namespace plx
