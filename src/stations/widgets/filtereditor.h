#pragma once

#include "stations/listfilter.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QGridLayout;
class QLineEdit;

namespace plx {

// Edits a saved list: its name, whether it is the default list, and its filter rows
// (joiner, field, operator, value). Accepting checks the rows; a refused filter shows
// why and keeps the dialog open.
class FilterEditor : public QDialog
{
    Q_OBJECT

public:
    explicit FilterEditor(QWidget *parent = nullptr);
    ~FilterEditor() override;

    void setListName(const QString &name);
    QString listName() const;
    void setDefaultList(bool isDefault);
    bool isDefaultList() const;
    void setRows(const std::vector<FilterRow> &rows);
    std::vector<FilterRow> rows() const;

    void addRow(const FilterRow &row = {});
    void removeRow(int index);

public slots:
    void accept() override;

private:
    struct RowWidgets;
    void relayout();

    QLineEdit *m_name = nullptr;
    QCheckBox *m_default = nullptr;
    QGridLayout *m_grid = nullptr;
    std::vector<RowWidgets *> m_rows; // owned; their widgets belong to the dialog
};

} // namespace plx
