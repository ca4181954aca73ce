#pragma once

#include "imports/csvmapping.h"

#include <QByteArray>
#include <QDialog>
#include <QList>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;
class QWidget;

namespace plx {

// The column-mapping dialog of the generic reader: the first lines shown as a table, a
// combo per role (date, time or date-time, each parameter, validity, station), formats
// detected and overridable, header-line count, save under a name. True on "OK".
bool editCsvMapping(QWidget *parent, const QList<QByteArray> &firstLines, CsvMapping &mapping);

// The dialog itself: the file's first lines with a role combo above each column, the
// formats, and a preview of the first rows read with the mapping as it stands, redrawn
// at every change. "OK" saves the mapping when a name is given.
class CsvMappingDialog : public QDialog
{
    Q_OBJECT

public:
    CsvMappingDialog(const QList<QByteArray> &firstLines, const CsvMapping &mapping,
                     QWidget *parent = nullptr);

    CsvMapping mapping() const;
    void setMapping(const CsvMapping &mapping);
    // The preview's rows and refusals (read with the current mapping).
    int previewRowCount() const;

    void accept() override;

private:
    void fillColumns();
    void updatePreview();
    void roleChanged(int column);
    void loadSaved(const QString &name);

    QList<QByteArray> m_lines;
    CsvMapping m_mapping;
    bool m_updating = false;
    QComboBox *m_saved = nullptr;
    QComboBox *m_separator = nullptr;
    QComboBox *m_decimal = nullptr;
    QSpinBox *m_header = nullptr;
    QComboBox *m_dateFormat = nullptr;
    QComboBox *m_timeFormat = nullptr;
    QComboBox *m_unit = nullptr;
    QLineEdit *m_validated = nullptr;
    QLineEdit *m_doubtful = nullptr;
    QLineEdit *m_name = nullptr;
    QTableWidget *m_table = nullptr;
    QTableWidget *m_preview = nullptr;
    QLabel *m_status = nullptr;
    QList<QComboBox *> m_roles;
};

} // namespace plx
