#pragma once

#include "outputs/xlsxgrid.h"
#include "session/journalquery.h"

#include <QWidget>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace plx {

// "Journal des événements": the JOURNAL rows, newest first, filtered by period, user,
// module, level and rain gauge, one page at a time so that a table of millions of rows
// opens at once. Reserved to administrators (the main window checks before opening it).
class JournalEvenements : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kDefaultPageSize = 500;

    explicit JournalEvenements(QWidget *parent = nullptr);

    QTableView *table() const { return m_table; }
    const std::vector<JournalEntry> &entries() const { return m_page.rows; }
    int pageNumber() const { return int(m_starts.size()); }
    // Tests use small pages; the screen reads again from the first page.
    void setPageSize(int rows);
    // The rows shown as a workbook grid, titled "Journal_des_evenements".
    XlsxGrid journalGrid() const;

public slots:
    // Reads the first page again with the filters; false after a message.
    bool Actualiser();
    bool nextPage();
    bool previousPage();
    // The rows shown to a workbook in one click (toolbar button and "Exporter").
    void DeclencheExcel();

private:
    bool readFilter(JournalFilter &filter);
    bool load(const JournalCursor &start);
    void updateActions();

    QLineEdit *m_from = nullptr;
    QLineEdit *m_to = nullptr;
    QLineEdit *m_user = nullptr;
    QComboBox *m_project = nullptr;
    QComboBox *m_level = nullptr;
    QLineEdit *m_station = nullptr;
    QPushButton *m_previous = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_export = nullptr;
    QLabel *m_count = nullptr;
    QTableView *m_table = nullptr;
    QStandardItemModel *m_model = nullptr; // owned by this (Qt parent)

    JournalFilter m_filter;              // the filter of the pages shown
    std::vector<JournalCursor> m_starts; // the start of each page up to the one shown
    JournalPage m_page;
    int m_firstRow = 0; // number of rows on the pages before this one
    int m_pageSize = kDefaultPageSize;
};

} // namespace plx
